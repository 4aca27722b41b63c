#include "screens/graphs/FormGraphTSPoint.h"

#include "screens/graphs/FormGraphTS.h"
#include "widgets/OutField.h"

namespace {

// 100 % of an unloader's speed is 1500 rpm.
constexpr double RpmPerPercent = 15;

}  // namespace

TFormGraphTSPoint::TFormGraphTSPoint(TComponent* owner, TFormGraphTS* screen)
    : TGraphPointWindow(owner, screen, "FormGraphTSPoint", 330, 148), screen_(screen) {
    struct Row {
        TLabel*& label;
        const char* labelName;
        const char* caption;
        TOutField*& percent;
        const char* percentName;
        TOutField*& rpm;
        const char* rpmName;
    } rows[] = {
        {Label3, "Label3", "Отделение №1:", OutFieldTS1, "OutFieldTS1", OutFieldTS11, "OutFieldTS11"},
        {Label5, "Label5", "Отделение №2:", OutFieldTS2, "OutFieldTS2", OutFieldTS22, "OutFieldTS22"},
        {Label6, "Label6", "Отделение №3:", OutFieldTS3, "OutFieldTS3", OutFieldTS33, "OutFieldTS33"},
    };
    int top = 8;
    for (Row& r : rows) {
        r.label = MakeLabel(r.labelName, r.caption, 8, top, 110);
        r.percent = MakeField(r.percentName, "# ### ##0.0%; ;  ", 124, top, 80);
        r.rpm = MakeField(r.rpmName, "###0 об/мин; ;  ", 214, top, 100);
        top += 24;
    }
    BuildTimeField(top + 6, 124, 190);
    BuildStepButtons(124, top + 36);
    StepGraph = screen->LevelGraphN;
    MovedGraphs = {screen->LevelGraphN};
}

void TFormGraphTSPoint::ShowValues() {
    TLevelGraph* g = screen_->LevelGraphN;
    TDateTime t = g->CursorTime();
    for (int i = 1; i <= 3; ++i) {
        double v = g->GetPoint(i - 1, t);
        ShowValue(dynamic_cast<TOutField*>(FindComponent("OutFieldTS" + IntToStr(i))), v, g, i - 1);
        ShowValue(dynamic_cast<TOutField*>(FindComponent("OutFieldTS" + IntToStr(i) + IntToStr(i))), v * RpmPerPercent,
                  g, i - 1);
    }
    ShowTime(t);
}
