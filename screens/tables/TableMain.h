// The general table: the plant's totals side by side for shift 1, shift 2, the day and the month to
// date: the jig machines' work time (all and under load), the flotation section's processed pulp and
// reagents, and the concentrate weighed by the two belt scales. One row per period in an in-memory
// dataset shown in a grid with multi-level titles, printed through the grid printer in landscape.
#pragma once

#include "data/DBClient.h"
#include "db/SqlClientDataSet.h"
#include "gridlib/grid/DBGridGx.h"
#include "gridlib/print/PrnDbggx.h"
#include "screens/tables/ShiftTable.h"

class TFormTableMain : public TShiftTableForm {
    PLANTMON_CLASS(TFormTableMain, TShiftTableForm)
public:
    explicit TFormTableMain(TComponent* owner);
    ~TFormTableMain() override;

    // Positive; negative with a minus sign; zero as two blanks.
    static constexpr const char* ValueFormat = "# ### ##0.0 ;-# ### ##0.0 ;  ;";
    // What a failing period query posts to the event log.
    static constexpr const char* LoadFailureText = "Ошибка загрузки данных в обобщенную таблицу.";
    // The rows' parameter texts, one per period.
    static const char* const PeriodNames[4];  // "Смена 1", "Смена 2", "За сутки", "С начала месяца"

    TLabel* LabelCaption = nullptr;                     // "Обобщенная таблица"
    TLabel* Label1 = nullptr;                           // the second title line
    TClientDataSet* ClientDataSetMainTable = nullptr;   // four rows, in memory only
    TDataSource* DataSourceMainTable = nullptr;
    TDBGridGx* DBGridGxMainTable = nullptr;
    TSQLClientDataSet* SQLClientDataSet1 = nullptr;     // on MainView->SQLConnection1
    TPrintDBGridGx* PrintDBGridGx = nullptr;

    // Creates the dataset and its four rows, then the shift tables' start.
    void FormCreate(TObject* Sender);
    // The four periods into the four rows (first row shift 1 …). Nothing while the connection is down.
    void Reload() override;
    // The belt, jig-machine and flotation sums of the period into the current row; a failing
    // statement is logged and skips the rest of the period.
    void LoadPeriod();
    // The grid printed with "[Date]" (the day shown) and "[StopTime]" in landscape, into the preview.
    void PrintReport() override;

    void FormResize(TObject* Sender);
    void PanelTopResize(TObject* Sender);

    // The jig machines' statement: both machines' hours of work (RAB and NRAB count minutes), a row
    // per machine (Ix 1, 2), so equal sums stay two rows; start and stop already written as
    // whole-hour bounds.
    static AnsiString JigStatement(const AnsiString& start, const AnsiString& stop);

protected:
    void BeforePeriods() override;
    void AfterPeriods() override;
    void LoadPeriodAt(int period) override;
    bool PrintBusy() const override { return PrintDBGridGx->Printing(); }

private:
    bool openPeriodQuery(const AnsiString& sql);
    // The grid's height: its titles and the four rows.
    void FitGridToRows();
};

extern TFormTableMain* FormTableMain;
