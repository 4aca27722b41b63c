#include "screens/graphs/FormGraph_GS_Point.h"

#include "gui/ExtCtrls.h"
#include "gui/StdCtrls.h"
#include "screens/graphs/FormGraphGS.h"
#include "widgets/OutField.h"

namespace {

// One decimal, thousands grouped; an empty slot (-1) shows one blank, zero two.
const char* const ValueFormat = "# ### ##0.0; ; # ";

}  // namespace

TFormGraph_GS_Point::TFormGraph_GS_Point(TComponent* owner, TFormGraphGS* screen)
    : TGraphPointWindow(owner, screen, "FormGraph_GS_Point", 328, 422), screen_(screen) {
    auto box = [this](const char* name, const char* caption, int top, int height) {
        auto* b = new TGroupBox(this);
        b->SetName(name);
        b->SetParent(this);
        b->SetBounds(8, top, 312, height);
        b->SetCaption(caption);
        return b;
    };
    GroupBox1 = box("GroupBox1", "Плотность", 8, 100);
    GroupBox2 = box("GroupBox2", "Расход", 116, 76);
    GroupBox3 = box("GroupBox3", "Количество твердого продукта", 200, 76);

    struct Row {
        TLabel*& label;
        const char* labelName;
        const char* caption;
        TOutField*& field;
        const char* fieldName;
        TWinControl* parent;  // null: on the window
        int top;
    } rows[] = {
        {Label2, "Label2", "Исходное питание:", OutField_PL1, "OutField_PL1", GroupBox1, 20},
        {Label3, "Label3", "Концентрат:", OutField_PL2, "OutField_PL2", GroupBox1, 46},
        {Label4, "Label4", "В баке гидросайзера:", OutField_PL3, "OutField_PL3", GroupBox1, 72},
        {Label8, "Label8", "Объемный расход на ГС:", OutField_RV1, "OutField_RV1", GroupBox2, 20},
        {Label9, "Label9", "Расход концентрата:", OutField_RV2, "OutField_RV2", GroupBox2, 46},
        {Label5, "Label5", "В исходном питании:", OutField_RG1, "OutField_RG1", GroupBox3, 20},
        {Label6, "Label6", "На выходе с ГС:", OutField_RG2, "OutField_RG2", GroupBox3, 46},
        {Label7, "Label7", "Расход технической воды:", OutField_TRTW1, "OutField_TRTW1", nullptr, 288},
    };
    for (Row& r : rows) {
        r.label = MakeLabel(r.labelName, r.caption, 8, r.top, 210);
        r.field = MakeField(r.fieldName, ValueFormat, 226, r.top, 75);
        if (r.parent) {
            r.label->SetParent(r.parent);
            r.field->SetParent(r.parent);
        } else {
            r.label->SetLeft(16);
            r.field->SetLeft(234);
        }
    }

    Panel1 = new TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetBounds(0, 322, 328, 100);
    Panel1->SetAlign(alBottom);
    Panel1->SetCaption("");
    BuildTimeField(12, 110, 190);
    BuildStepButtons(110, 56);
    for (TControl* c : std::initializer_list<TControl*>{Label1, OutFieldDateTime, ButGoLeft, ButGoRight})
        c->SetParent(Panel1);

    StepGraph = screen->LevelGraphN;
    MovedGraphs = {screen->LevelGraphP, screen->LevelGraphR, screen->LevelGraphN, screen->LevelGraphU};
}

void TFormGraph_GS_Point::ShowValues() {
    TFormGraphGS* s = screen_;
    const TDateTime t = s->LevelGraphP->CursorTime();
    struct Chart {
        TLevelGraph* graph;
        const char* prefix;
    } charts[] = {{s->LevelGraphP, "PL"}, {s->LevelGraphR, "RV"}, {s->LevelGraphN, "RG"}, {s->LevelGraphU, "TRTW"}};
    for (const Chart& c : charts) {
        for (int k = 0; k < 3; ++k) {
            auto* field = dynamic_cast<TOutField*>(FindComponent(AnsiString("OutField_") + c.prefix + IntToStr(k + 1)));
            ShowValue(field, c.graph->GetPoint(k, t), c.graph, k);
        }
    }
    ShowTime(t);
}
