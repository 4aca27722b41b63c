#include "screens/graphs/FormGraphFLPoint.h"

#include "core/Global.h"
#include "screens/graphs/FormFlotGraph.h"
#include "widgets/OutField.h"

namespace {

const char* const ValueFormat = "# ### ##0.0; ;  ";

}  // namespace

TFormGraphFLPoint::TFormGraphFLPoint(TComponent* owner, TFormFlotGraph* screen)
    : TGraphPointWindow(owner, screen, "FormGraphFLPoint", 397, 253), screen_(screen) {
    struct Line {
        TLabel*& label;
        const char* labelName;
        const char* caption;
        TOutField*& field;
        const char* fieldName;
    } lines[] = {
        {Label3, "Label3", "Расход пульпы, м3/ч:", OutFieldRP, "OutFieldRP"},
        {Label2, "Label2", "Плотность пульпы, г/л:", OutFieldPP, "OutFieldPP"},
        {Label4, "Label4", "Нагрузка по твердому, т/ч:", OutFieldWP, "OutFieldWP"},
        {Label5, "Label5", "Текущий расход собирателя, л/ч:", OutFieldRS0, "OutFieldRS0"},
        {Label7, "Label7", "Удельный расход собирателя, мл/т:", OutFieldRS1, "OutFieldRS1"},
        {Label8, "Label8", "Текущий расход пенообразователя,  л/ч:", OutFieldRN0, "OutFieldRN0"},
        {Label9, "Label9", "Удельный расход пенообразователя, мл/т:", OutFieldRN1, "OutFieldRN1"},
    };
    int top = 8;
    for (Line& l : lines) {
        l.label = MakeLabel(l.labelName, l.caption, 8, top, 300);
        l.field = MakeField(l.fieldName, ValueFormat, 318, top, 70);
        top += 24;
    }
    BuildTimeField(top, 128, 260);
    BuildStepButtons(128, 218);
    StepGraph = screen->LevelGraphRN;
    MovedGraphs = {screen->LevelGraphPP, screen->LevelGraphRP, screen->LevelGraphRS, screen->LevelGraphRN,
                   screen->LevelGraphWP};
}

void TFormGraphFLPoint::ShowValues() {
    TFormFlotGraph* s = screen_;
    TDateTime t = s->LevelGraphRP->CursorTime();
    struct Plain {
        TOutField* field;
        TLevelGraph* chart;
    } plain[] = {{OutFieldRP, s->LevelGraphRP},
                 {OutFieldPP, s->LevelGraphPP},
                 {OutFieldWP, s->LevelGraphWP},
                 {OutFieldRS0, s->LevelGraphRS},
                 {OutFieldRN0, s->LevelGraphRN}};
    for (const Plain& p : plain) ShowValue(p.field, p.chart->GetPoint(0, t), p.chart, 0);
    struct Right {
        TOutField* field;
        TLevelGraph* chart;
    } right[] = {{OutFieldRN1, s->LevelGraphRN}, {OutFieldRS1, s->LevelGraphRS}};
    for (const Right& r : right) {
        double v = r.chart->GetPoint(1, t);
        // A missing point (-1) stays negative and shows as a blank.
        if (v >= 0) {
            TInterpTable inv = TFormFlotGraph::InverseRightScaleTable(r.chart);
            v = InterpolateTable(v, &inv, true);
        }
        ShowValue(r.field, v, r.chart, 1);
    }
    ShowTime(t);
}
