// The hydrosizer table: the concentrate the hydrosizer delivered (m³ and tonnes) in shift 1, shift 2,
// the day and the month to date. Its rows live in the file Template/GS_work.xml (a client-dataset
// data packet: NPP, Interval and the four sums); the screen fills the sums of the first four rows
// and the file is written back when the dataset closes. Printed through the grid printer in portrait.
#pragma once

#include "data/DBClient.h"
#include "db/SqlClientDataSet.h"
#include "gridlib/grid/DBGridGx.h"
#include "gridlib/print/PrnDbggx.h"
#include "screens/tables/ShiftTable.h"

class TFormTable_GS_work : public TShiftTableForm {
    PLANTMON_CLASS(TFormTable_GS_work, TShiftTableForm)
public:
    explicit TFormTable_GS_work(TComponent* owner);
    // Closes the dataset, which writes its file.
    ~TFormTable_GS_work() override;

    // The rows' file, relative to the program's folder.
    static constexpr const char* RowsFileName = "Template/GS_work.xml";
    static constexpr const char* ValueFormat = "# ### ##0.00 ;-# ### ##0.00 ;  ;";
    static constexpr const char* LoadFailureText = "Ошибка загрузки данных в таблицу ГС.";

    TLabel* LabelCaption = nullptr;                // "Таблица показателей работы гидросайзера"
    TClientDataSet* ClientDataSet1 = nullptr;      // the rows, from RowsFileName, ordered by NPP
    TDataSource* DataSource1 = nullptr;
    TDBGridGx* DBGridGx1 = nullptr;
    TSQLClientDataSet* SQLClientDataSet1 = nullptr;
    TPrintDBGridGx* PrintDBGridGx = nullptr;

    // The four periods into the first four rows. No connection test here: the timer has its own.
    void Reload() override;
    // The sums of the period over table into the current row: an empty sum clears its field.
    void LoadPeriod(const AnsiString& table);
    // The grid printed with "[CAPTION]" (the title and the picker's present day) in portrait.
    void PrintReport() override;
    // Merges the change log, so the file keeps plain rows.
    void ClientDataSet1BeforeClose(TDataSet* DataSet);
    void FormResize(TObject* Sender);

protected:
    void BeforePeriods() override;
    void LoadPeriodAt(int period) override;
    void AfterPeriods() override;
    bool PrintBusy() const override { return PrintDBGridGx->Printing(); }
};

extern TFormTable_GS_work* FormTable_GS_work;
