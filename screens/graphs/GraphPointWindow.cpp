#include "screens/graphs/GraphPointWindow.h"

#include "charts/LevelGraph.h"
#include "core/MainView.h"
#include "rtl/DateUtils.h"
#include "rtl/SysUtils.h"
#include "screens/graphs/GraphScreen.h"
#include "widgets/OutField.h"

TGraphPointWindow::TGraphPointWindow(TComponent* owner, TGraphScreen* screen, const char* name, int clientWidth,
                                     int clientHeight)
    : TForm(owner), OwnerScreen(screen) {
    SetName(name);
    SetCaption("Текущая точка графика");
    SetBorderStyle(bsDialog);
    SetBorderIcons(biSystemMenu);
    SetFormStyle(fsStayOnTop);
    SetClientSize(clientWidth, clientHeight);
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-13);
    Font()->SetStyle(TFontStyles{fsBold});
    Font()->SetColor(clNavy);

    Timer1 = new TTimer(this);
    Timer1->SetName("Timer1");
    Timer1->SetInterval(100);
    Timer1->OnTimer = TNotifyEvent(this, &TGraphPointWindow::Timer1Timer);
}

TLabel* TGraphPointWindow::MakeLabel(const char* name, const char* caption, int left, int top, int width) {
    auto* l = new TLabel(this);
    l->SetName(name);
    l->SetParent(this);
    l->SetBounds(left, top + 1, width, 16);
    l->SetCaption(caption);
    return l;
}

TOutField* TGraphPointWindow::MakeField(const char* name, const char* format, int left, int top, int width) {
    auto* f = new TOutField(this);
    f->SetName(name);
    f->SetParent(this);
    f->SetBounds(left, top, width, 18);
    f->Font()->SetName("Times New Roman");
    f->Font()->SetHeight(-13);
    f->SetOutFormat(format);
    f->SetOutValue(-1);  // blank until a value is shown
    return f;
}

void TGraphPointWindow::BuildTimeField(int top, int fieldLeft, int fieldWidth) {
    Label1 = MakeLabel("Label1", "Дата, время:", 8, top, fieldLeft - 16);
    OutFieldDateTime = MakeField("OutFieldDateTime", "###0.00", fieldLeft, top, fieldWidth);
}

void TGraphPointWindow::BuildStepButtons(int left, int top) {
    struct Button {
        TButton*& button;
        const char* name;
        const char* caption;
        const char* hint;
        void (TGraphPointWindow::*click)(TObject*);
    } buttons[] = {
        {ButGoLeft, "ButGoLeft", "<<", "На минуту назад", &TGraphPointWindow::ButGoLeftClick},
        {ButGoRight, "ButGoRight", ">>", "На минуту вперед", &TGraphPointWindow::ButGoRightClick},
    };
    for (Button& b : buttons) {
        b.button = new TButton(this);
        b.button->SetName(b.name);
        b.button->SetParent(this);
        b.button->SetBounds(left, top, 60, 25);
        b.button->SetCaption(b.caption);
        b.button->SetHint(b.hint);
        b.button->SetShowHint(true);
        b.button->OnClick = TNotifyEvent(this, b.click);
        left += 80;
    }
}

void TGraphPointWindow::Timer1Timer(TObject*) {
    if (!Visible() || !MainView || !OwnerScreen) return;
    if (MainView->CurrentForm == OwnerScreen) ShowValues();
    else Hide();
}

void TGraphPointWindow::ShowTime(TDateTime t) {
    if (!OutFieldDateTime) return;
    // The field shows the text of its format; setting the format redraws it.
    OutFieldDateTime->SetOutFormat("\"" + FormatDateTime("dd.mm.yyyy hh:nn:ss", t) + "\"");
    OutFieldDateTime->SetOutValue(t);
}

void TGraphPointWindow::ShowValue(TOutField* field, double v, TLevelGraph* graph, int curve) {
    if (!field) return;
    field->SetOutValue(v);
    field->SetPen(graph->GetGraphPen(curve));
}

void TGraphPointWindow::step(int direction) {
    if (!OwnerScreen || !StepGraph) return;
    TDateTime t = StepGraph->CursorTime() + direction * StepGraph->DataStep();
    if (direction < 0 && MilliSecondsBetweenRounded(StepGraph->StartTime(), t) < 0) return;
    if (direction > 0 && MilliSecondsBetweenRounded(StepGraph->StopTime(), t) > 0) return;
    for (TLevelGraph* g : MovedGraphs) g->SetCursorTime(t);
}

void TGraphPointWindow::ButGoLeftClick(TObject*) { step(-1); }

void TGraphPointWindow::ButGoRightClick(TObject*) { step(1); }
