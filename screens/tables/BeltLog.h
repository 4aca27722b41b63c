// The weighing-system journal: the events of the belt scales (belt_log) for a day and shift; it has
// no print.
#pragma once

#include "screens/tables/Journal.h"

class TFormBeltLog : public TJournalForm {
    PLANTMON_CLASS(TFormBeltLog, TJournalForm)
public:
    explicit TFormBeltLog(TComponent* owner);
    ~TFormBeltLog() override;

    TSQLClientDataSet* SQLClientDataSetLog = nullptr;
    TDataSource* DataSourceLog = nullptr;
    TDBGridGx* DBGridGx1 = nullptr;
    TSQLQuery* SQLQueryLastTimeLog = nullptr;

    // The top line centred; the message column takes the rest of the width.
    void PanelTopResize(TObject* Sender);
};

extern TFormBeltLog* FormBeltLog;
