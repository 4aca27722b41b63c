// The flotation-control journal: the events of the flotation controller (puf_log) for a day and
// shift, printable with its heading and period.
#pragma once

#include "screens/tables/Journal.h"

class TFormPUF_Log : public TJournalForm {
    PLANTMON_CLASS(TFormPUF_Log, TJournalForm)
public:
    explicit TFormPUF_Log(TComponent* owner);
    ~TFormPUF_Log() override;

    TSQLClientDataSet* SQLClientDataSetPuf = nullptr;
    TDataSource* DataSourceLog = nullptr;
    TDBGridGx* DBGridGx1 = nullptr;
    TSQLQuery* SQLQueryLastTimePuf = nullptr;
    TPrintDBGridGx* PrintDBGridGx1 = nullptr;

    // The top line centred; the message column takes the rest of the width.
    void PanelTopResize(TObject* Sender);
};

extern TFormPUF_Log* FormPUF_Log;
