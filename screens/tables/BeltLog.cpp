#include "screens/tables/BeltLog.h"

TFormBeltLog* FormBeltLog = nullptr;

TFormBeltLog::TFormBeltLog(TComponent* owner)
    : TJournalForm(owner, "FormBeltLog", "Журнал регистрации  событий  по управлению весоизмерительной системой",
                   "Журнал регистрации работы весов") {
    TJournal& j = AddJournal("belt_log", this, "SQLClientDataSetLog", "DataSourceLog", "DBGridGx1",
                             "SQLQueryLastTimeLog", "", true);
    SQLClientDataSetLog = j.DataSet;
    DataSourceLog = j.Source;
    DBGridGx1 = j.Grid;
    SQLQueryLastTimeLog = j.LastTimeQuery;
    PanelTop->OnResize = TNotifyEvent(this, &TFormBeltLog::PanelTopResize);
}

TFormBeltLog::~TFormBeltLog() {
    if (FormBeltLog == this) FormBeltLog = nullptr;
}

void TFormBeltLog::PanelTopResize(TObject* Sender) {
    TJournalForm::PanelTopResize(Sender);
    FitMessageColumn(DBGridGx1, PanelTop->Width());
}
