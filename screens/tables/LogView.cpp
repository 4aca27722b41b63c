#include "screens/tables/LogView.h"

TFormLogView* FormLogView = nullptr;

TFormLogView::TFormLogView(TComponent* owner)
    : TJournalForm(owner, "FormLogView", "Журнал регистрации работы отсадочных машин",
                   "Журнал регистрации работы отсадочных машин") {
    SetBorderIcons(biMinimize);

    PageControl1 = new TPageControl(this);
    PageControl1->SetName("PageControl1");
    PageControl1->SetBounds(0, 41, 800, 519);
    PageControl1->SetAlign(alClient);
    PageControl1->SetParent(this);
    auto sheet = [this](const char* name, const char* caption) {
        auto* t = new TTabSheet(this);
        t->SetName(name);
        t->SetPageControl(PageControl1);
        t->SetCaption(caption);
        t->OnResize = TNotifyEvent(this, &TFormLogView::TabSheet1Resize);
        return t;
    };
    TabSheet1 = sheet("TabSheet1", "Отсадочная машина крупного класса");
    TabSheet2 = sheet("TabSheet2", "Отсадочная машина мелкого класса");
    PageControl1->SetActivePage(TabSheet1);

    TJournal& j1 = AddJournal("pu1_log", TabSheet1, "SQLClientDataSetPU1", "DataSourcePU1", "DBGridGx1",
                              "SQLQueryLastTimePu1", "PrintDBGridGx1", false);
    SQLClientDataSetPU1 = j1.DataSet;
    DataSourcePU1 = j1.Source;
    DBGridGx1 = j1.Grid;
    SQLQueryLastTimePu1 = j1.LastTimeQuery;
    PrintDBGridGx1 = j1.Print;
    TJournal& j2 = AddJournal("pu2_log", TabSheet2, "SQLClientDataSetPU2", "DataSourcePU2", "DBGridGx2",
                              "SQLQueryLastTimePu2", "PrintDBGridGx2", false);
    SQLClientDataSetPU2 = j2.DataSet;
    DataSourcePU2 = j2.Source;
    DBGridGx2 = j2.Grid;
    SQLQueryLastTimePu2 = j2.LastTimeQuery;
    PrintDBGridGx2 = j2.Print;
    SetJournalHeading(PrintDBGridGx1, "Журнал работы ", "отсадочной машины крупного класса",
                      "за период с [StartTime] по [StopTime]");
    SetJournalHeading(PrintDBGridGx2, "Журнал работы ", "отсадочной машины мелкого класса",
                      "за период с [StartTime] по [StopTime]");

    OnShow = TNotifyEvent(this, &TFormLogView::FormShow);
}

TFormLogView::~TFormLogView() {
    if (FormLogView == this) FormLogView = nullptr;
}

void TFormLogView::FormShow(TObject*) {
    if (!LoadBusy && ShiftNumber <= 0) LoadJournal();
}

void TFormLogView::TabSheet1Resize(TObject*) {
    if (!DBGridGx1 || !DBGridGx2) return;  // the sheets are sized before their grids exist
    const int width = TabSheet1->Width();
    FitMessageColumn(DBGridGx1, width);
    if (DBGridGx1->Columns()->Count() > 0 && DBGridGx2->Columns()->Count() > 1) {
        const int w = width - DBGridGx1->Columns()->Items(0)->Width() - 45;
        if (w > 0) DBGridGx2->Columns()->Items(1)->SetWidth(w);
    }
}
