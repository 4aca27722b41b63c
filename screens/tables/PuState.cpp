#include "screens/tables/PuState.h"

#include "core/MainView.h"
#include "db/SqlExpr.h"
#include "gui/WinApi.h"

TFormPuState* FormPu1State = nullptr;
TFormPuState* FormPu2State = nullptr;

TFormPuState::TFormPuState(TComponent* owner, int machine) : TForm(owner), machine_(machine) {
    SetName(machine == 1 ? "FormPu1State" : "FormPu2State");
    SetCaption(machine == 1 ? "Состояние машины крупного класса" : "Состояние машины мелкого класса");
    SetBorderStyle(bsDialog);
    SetBorderIcons(biSystemMenu);
    SetPosition(poScreenCenter);
    SetClientSize(399, 480);
    SetVisible(false);

    PanelBottom = new TPanel(this);
    PanelBottom->SetName("PanelBottom");
    PanelBottom->SetParent(this);
    PanelBottom->SetAlign(alBottom);
    PanelBottom->SetHeight(42);
    PanelBottom->SetCaption("");
    BitBtn1 = new TBitBtn(this);
    BitBtn1->SetName("BitBtn1");
    BitBtn1->SetParent(PanelBottom);
    BitBtn1->SetBounds(140, 7, 120, 28);
    BitBtn1->SetKind(bkOK);
    BitBtn1->SetCaption("Закрыть");
    BitBtn1->SetModalResult(mrOk);

    PageControl1 = new TPageControl(this);
    PageControl1->SetName("PageControl1");
    PageControl1->SetParent(this);
    PageControl1->SetAlign(alClient);
    auto page = [this](const char* name, const char* caption, const char* gridName, TStringGrid*& grid) {
        auto* t = new TTabSheet(this);
        t->SetName(name);
        t->SetPageControl(PageControl1);
        t->SetCaption(caption);
        grid = new TStringGrid(this);
        grid->SetName(gridName);
        grid->SetParent(t);
        grid->SetAlign(alClient);
        grid->SetColCount(2);
        grid->SetRowCount(2);
        grid->SetFixedCols(0);
        grid->SetFixedRows(1);
        grid->SetDefaultColWidth(190);
        return t;
    };
    TabSheet1 = page("TabSheet1", "&1 Мгновенное", "StringGridPU_Moment", StringGridPU_Moment);
    TabSheet2 = page("TabSheet2", "&2 Среднее за минуту", "StringGridPU_Minute", StringGridPU_Minute);
    PageControl1->SetActivePage(TabSheet1);

    TimerUpdate = new TTimer(this);
    TimerUpdate->SetName("TimerUpdate");
    TimerUpdate->SetInterval(2500);
    TimerUpdate->OnTimer = TNotifyEvent(this, &TFormPuState::TimerUpdateTimer);
}

TFormPuState::~TFormPuState() {
    if (FormPu1State == this) FormPu1State = nullptr;
    if (FormPu2State == this) FormPu2State = nullptr;
}

AnsiString TFormPuState::ValueText(double value) {
    AnsiString text = FormatFloat("### ##0.000", value);
    while (text.Length() < 20) text = " " + text;
    return text;
}

void TFormPuState::FillGrid(TStringGrid* grid, TDataSet* row) {
    grid->SetCells(0, 0, "Название поля");
    grid->SetCells(1, 0, "Значение");
    const int count = row ? row->FieldCount() : 0;
    grid->SetRowCount(count + 1);
    for (int i = 0; i < count; ++i) {
        TField* f = row->Fields()->Fields(i);
        grid->SetCells(0, i + 1, f->FieldName());
        grid->SetCells(1, i + 1, f->FieldName() == "PostMoment" ? f->AsString() : ValueText(f->AsFloat()));
    }
}

void TFormPuState::TimerUpdateTimer(TObject*) {
    if (!Visible() || !MainView) return;
    const bool first = machine_ == 1;
    try {
        FillGrid(StringGridPU_Moment, first ? MainView->SQLQueryPu1State : MainView->SQLQueryPu2State);
        FillGrid(StringGridPU_Minute, first ? MainView->SQLQueryLastPu1 : MainView->SQLQueryLastPu2);
    } catch (...) {
        MessageBeep(0xFFFFFFFFu);
    }
}
