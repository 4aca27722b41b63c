#include "screens/tables/PUF_Log.h"

#include <algorithm>

TFormPUF_Log* FormPUF_Log = nullptr;

TFormPUF_Log::TFormPUF_Log(TComponent* owner)
    : TJournalForm(owner, "FormPUF_Log", "Журнал регистрации управления флотацией",
                   "Журнал регистрации управления флотацией") {
    TJournal& j = AddJournal("puf_log", this, "SQLClientDataSetPuf", "DataSourceLog", "DBGridGx1",
                             "SQLQueryLastTimePuf", "PrintDBGridGx1", true);
    SQLClientDataSetPuf = j.DataSet;
    DataSourceLog = j.Source;
    DBGridGx1 = j.Grid;
    SQLQueryLastTimePuf = j.LastTimeQuery;
    PrintDBGridGx1 = j.Print;
    SetJournalHeading(PrintDBGridGx1, "Журнал регистрации  событий  по управлению флотацией",
                      "за период с [StartTime] по [StopTime]");
    PanelTop->OnResize = TNotifyEvent(this, &TFormPUF_Log::PanelTopResize);
}

TFormPUF_Log::~TFormPUF_Log() {
    if (FormPUF_Log == this) FormPUF_Log = nullptr;
}

void TFormPUF_Log::PanelTopResize(TObject* Sender) {
    TJournalForm::PanelTopResize(Sender);
    FitMessageColumn(DBGridGx1, PanelTop->Width());
}
