// The jig machines' journal: the events of machine 1 (pu1_log) and machine 2 (pu2_log) on two tabs,
// for a day and shift. Made the first time it is needed; its first showing loads the journal. Each
// machine's journal prints with its own heading and the period shown.
#pragma once

#include "screens/tables/Journal.h"

class TFormLogView : public TJournalForm {
    PLANTMON_CLASS(TFormLogView, TJournalForm)
public:
    explicit TFormLogView(TComponent* owner);
    ~TFormLogView() override;

    TPageControl* PageControl1 = nullptr;
    TTabSheet* TabSheet1 = nullptr;  // "Отсадочная машина крупного класса"
    TTabSheet* TabSheet2 = nullptr;  // "Отсадочная машина мелкого класса"
    TSQLClientDataSet* SQLClientDataSetPU1 = nullptr;
    TSQLClientDataSet* SQLClientDataSetPU2 = nullptr;
    TDataSource* DataSourcePU1 = nullptr;
    TDataSource* DataSourcePU2 = nullptr;
    TDBGridGx* DBGridGx1 = nullptr;
    TDBGridGx* DBGridGx2 = nullptr;
    TSQLQuery* SQLQueryLastTimePu1 = nullptr;
    TSQLQuery* SQLQueryLastTimePu2 = nullptr;
    TPrintDBGridGx* PrintDBGridGx1 = nullptr;  // machine 1
    TPrintDBGridGx* PrintDBGridGx2 = nullptr;  // machine 2

    // The first showing loads (no load running, nothing loaded yet).
    void FormShow(TObject* Sender);
    // Both message columns take the tab's width less the time column.
    void TabSheet1Resize(TObject* Sender);
};

extern TFormLogView* FormLogView;
