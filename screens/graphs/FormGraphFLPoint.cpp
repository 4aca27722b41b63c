#include "screens/graphs/FormGraphFLPoint.h"

#include "app/Global.h"
#include "app/MainView.h"
#include "screens/graphs/FormFlotGraph.h"
#include "widgets/OutField.h"

namespace {

const char* const ValueFormat = "# ### ##0.0; ;  ";

}  // namespace

TFormGraphFLPoint::TFormGraphFLPoint(TComponent* owner, TFormFlotGraph* screen)
    : TForm(owner), OwnerScreen(screen) {
    SetName("FormGraphFLPoint");
    SetCaption("Текущая точка графика");
    SetBorderStyle(bsDialog);
    SetBorderIcons(biSystemMenu);
    SetFormStyle(fsStayOnTop);
    SetClientSize(397, 253);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-13);
    Font()->SetStyle(TFontStyles{fsBold});
    Font()->SetColor(clNavy);

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
        {Label1, "Label1", "Дата, время:", OutFieldDateTime, "OutFieldDateTime"},
    };
    int top = 8;
    for (Line& l : lines) {
        l.label = new TLabel(this);
        l.label->SetName(l.labelName);
        l.label->SetParent(this);
        l.label->SetBounds(8, top + 1, 300, 16);
        l.label->SetCaption(l.caption);
        l.field = new TOutField(this);
        l.field->SetName(l.fieldName);
        l.field->SetParent(this);
        l.field->SetBounds(318, top, 70, 18);
        l.field->Font()->SetName("Times New Roman");
        l.field->Font()->SetHeight(-13);
        l.field->SetOutFormat(ValueFormat);
        l.field->SetOutValue(-1);  // blank until a value is shown
        top += 24;
    }
    // The time needs more room than a value.
    Label1->SetWidth(110);
    OutFieldDateTime->SetBounds(128, Label1->Top() - 1, 260, 18);

    ButGoLeft = new TButton(this);
    ButGoLeft->SetName("ButGoLeft");
    ButGoLeft->SetParent(this);
    ButGoLeft->SetBounds(128, 218, 60, 25);
    ButGoLeft->SetCaption("<<");
    ButGoLeft->SetHint("На минуту назад");
    ButGoLeft->SetShowHint(true);
    ButGoLeft->OnClick = TNotifyEvent(this, &TFormGraphFLPoint::ButGoLeftClick);
    ButGoRight = new TButton(this);
    ButGoRight->SetName("ButGoRight");
    ButGoRight->SetParent(this);
    ButGoRight->SetBounds(208, 218, 60, 25);
    ButGoRight->SetCaption(">>");
    ButGoRight->SetHint("На минуту вперед");
    ButGoRight->SetShowHint(true);
    ButGoRight->OnClick = TNotifyEvent(this, &TFormGraphFLPoint::ButGoRightClick);

    Timer1 = new TTimer(this);
    Timer1->SetName("Timer1");
    Timer1->SetInterval(100);
    Timer1->OnTimer = TNotifyEvent(this, &TFormGraphFLPoint::Timer1Timer);
}

void TFormGraphFLPoint::Timer1Timer(TObject*) {
    if (!Visible() || !MainView || !OwnerScreen) return;
    if (MainView->CurrentForm == OwnerScreen) ShowValues();
    else Hide();
}

void TFormGraphFLPoint::ShowValues() {
    TFormFlotGraph* s = OwnerScreen;
    TDateTime t = s->LevelGraphRP->CursorTime();
    struct Plain {
        TOutField* field;
        TLevelGraph* chart;
    } plain[] = {{OutFieldRP, s->LevelGraphRP},
                 {OutFieldPP, s->LevelGraphPP},
                 {OutFieldWP, s->LevelGraphWP},
                 {OutFieldRS0, s->LevelGraphRS},
                 {OutFieldRN0, s->LevelGraphRN}};
    for (const Plain& p : plain) {
        p.field->SetOutValue(p.chart->GetPoint(0, t));
        p.field->SetPen(p.chart->GetGraphPen(0));
    }
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
        r.field->SetOutValue(v);
        r.field->SetPen(r.chart->GetGraphPen(1));
    }
    OutFieldDateTime->SetOutFormat("\"" + FormatDateTime("dd.mm.yyyy hh:nn:ss", t) + "\"");
    OutFieldDateTime->SetOutValue(t);
}

void TFormGraphFLPoint::ButGoLeftClick(TObject*) {
    TFormFlotGraph* s = OwnerScreen;
    TDateTime t = s->LevelGraphRN->CursorTime() - s->LevelGraphRN->DataStep();
    if (MilliSecondsBetweenRounded(s->LevelGraphRN->StartTime(), t) < 0) return;
    for (TLevelGraph* g : {s->LevelGraphPP, s->LevelGraphRP, s->LevelGraphRS, s->LevelGraphRN, s->LevelGraphWP})
        g->SetCursorTime(t);
}

void TFormGraphFLPoint::ButGoRightClick(TObject*) {
    TFormFlotGraph* s = OwnerScreen;
    TDateTime t = s->LevelGraphRN->CursorTime() + s->LevelGraphRN->DataStep();
    if (MilliSecondsBetweenRounded(s->LevelGraphRN->StopTime(), t) > 0) return;
    for (TLevelGraph* g : {s->LevelGraphPP, s->LevelGraphRP, s->LevelGraphRS, s->LevelGraphRN, s->LevelGraphWP})
        g->SetCursorTime(t);
}
