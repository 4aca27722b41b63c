#include "screens/graphs/FormGraph3ZoomPoint.h"

#include "screens/graphs/FormGraph3Zoom.h"
#include "widgets/OutField.h"

namespace {

const char* const ValueFormat = "# ### ##0.0; ;  ";

}  // namespace

TFormGraph3ZoomPoint::TFormGraph3ZoomPoint(TComponent* owner, TFormGraph3Zoom* screen)
    : TGraphPointWindow(owner, screen, "FormGraph3ZoomPoint", 330, 172), screen_(screen) {
    Label2 = MakeLabel("Label2", "Текущая", 130, 8, 80);
    Label4 = MakeLabel("Label4", "Заданная", 230, 8, 80);
    struct Row {
        TLabel*& label;
        const char* labelName;
        const char* caption;
        TOutField*& current;
        const char* currentName;
        TOutField*& setPoint;
        const char* setPointName;
    } rows[] = {
        {Label3, "Label3", "Отделение №1:", OutFieldTPST1, "OutFieldTPST1", OutFieldZPST1, "OutFieldZPST1"},
        {Label5, "Label5", "Отделение №2:", OutFieldTPST2, "OutFieldTPST2", OutFieldZPST2, "OutFieldZPST2"},
        {Label6, "Label6", "Отделение №3:", OutFieldTPST3, "OutFieldTPST3", OutFieldZPST3, "OutFieldZPST3"},
    };
    int top = 30;
    for (Row& r : rows) {
        r.label = MakeLabel(r.labelName, r.caption, 8, top, 110);
        r.current = MakeField(r.currentName, ValueFormat, 124, top, 90);
        r.setPoint = MakeField(r.setPointName, ValueFormat, 224, top, 90);
        top += 24;
    }
    BuildTimeField(top + 6, 124, 190);
    BuildStepButtons(124, top + 36);
    StepGraph = screen->LevelGraphN;
    MovedGraphs = {screen->LevelGraphP, screen->LevelGraphR, screen->LevelGraphN};
}

void TFormGraph3ZoomPoint::ShowValues() {
    TFormGraph3Zoom* s = screen_;
    TDateTime t = s->LevelGraphP->CursorTime();
    TLevelGraph* graphs[3] = {s->LevelGraphP, s->LevelGraphR, s->LevelGraphN};
    for (int n = 1; n <= 3; ++n) {
        for (int c = 0; c < 2; ++c) {
            auto* field = dynamic_cast<TOutField*>(FindComponent(AnsiString("OutField") + (c == 0 ? "T" : "Z") + "PST" +
                                                                  IntToStr(n)));
            ShowValue(field, graphs[n - 1]->GetPoint(c, t), graphs[n - 1], c);
        }
    }
    ShowTime(t);
}
