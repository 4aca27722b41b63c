// The database browser: the raw history rows of six tables (the two jig machines, the flotation
// records, the two belt scales, the hydrosizer) for a range chosen to the second, one tab and grid
// per table. Made the first time it is needed. A table that fails to load stops the load there; the
// message loop shows why, and the tables before it keep their new rows.
#pragma once

#include "db/SqlClientDataSet.h"
#include "gridlib/grid/DBGridGx.h"
#include "gui/ComCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"

class TFormBaseView : public TForm {
    PLANTMON_CLASS(TFormBaseView, TForm)
public:
    explicit TFormBaseView(TComponent* owner);
    ~TFormBaseView() override;

    TPanel* PanelTop = nullptr;
    TDateTimePicker* DateTimePicker1 = nullptr;  // from: date
    TDateTimePicker* DateTimePicker2 = nullptr;  // from: time (00:00:00)
    TDateTimePicker* DateTimePicker3 = nullptr;  // to: date
    TDateTimePicker* DateTimePicker4 = nullptr;  // to: time (23:59:59)
    TButton* ButLoad = nullptr;                  // "Загрузить", the default button
    TPageControl* PageControl1 = nullptr;

    // Tab by tab, in this order.
    static constexpr int TableCount = 6;
    static const char* const TableNames[TableCount];  // "pu1", "pu2", "puf_data", "belt_386_2", "belt_401", "pug"
    TTabSheet* TabSheets[TableCount] = {};
    TDBGridGx* Grids[TableCount] = {};             // DBGridGx1 … DBGridGx6
    TSQLClientDataSet* DataSets[TableCount] = {};  // SQLClientDataSetPU1, …PU2, …PufData, …386, …401, …Pug
    TDataSource* Sources[TableCount] = {};

    // Both date pickers show today.
    void FormCreate(TObject* Sender);
    // Loads the six tables for the chosen range; failures are not caught.
    void ButLoadClick(TObject* Sender);
};

extern TFormBaseView* FormBaseView;
