// The skeleton of the journal screens: event journals kept in the database, one message per row,
// listed for a chosen day and shift.
//
// A journal screen has a date picker and a shift box ("Смена №1", "Смена №2", "Обе смены"); Enter
// in either loads the period. Each of its tables has a read-only grid over a client dataset, a query
// of the table's newest entry time and, when it can be printed, a grid printer. Every 37 s the
// screen asks for the newest entry of each table and loads again when one newer than the last
// seen has arrived inside the period shown. Everything runs on the main window's general
// connection; while it is down loads and ticks do nothing.
#pragma once

#include "db/SqlClientDataSet.h"
#include "db/SqlExpr.h"
#include "gridlib/grid/DBGridGx.h"
#include "gridlib/print/PrnDbggx.h"
#include "gui/ComCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "rtl/DateUtils.h"

#include <cstdint>
#include <vector>

class TJournalForm : public TForm {
    PLANTMON_CLASS(TJournalForm, TForm)
public:
    ~TJournalForm() override;

    // ---- State ------------------------------------------------------------------------------------
    TDateTime ShownDate = 0;       // whole day of the last load
    TDateTime StartTime = 0;       // period of the last load
    TDateTime StopTime = 0;
    std::int32_t ShiftNumber = -1; // shift of the last load (box index + 1; 3 both shifts, 0 typed text)
    std::uint8_t LoadBusy = 0;     // set while a load runs
    // Set while the refresh tick's failure box is open: the timer keeps firing under a modal box,
    // and one box at a time is enough.
    std::uint8_t TickBoxOpen = 0;

    // ---- Components -------------------------------------------------------------------------------
    TPanel* PanelTop = nullptr;
    TLabel* LabelTop2 = nullptr;
    TDateTimePicker* DateTimePicker1 = nullptr;
    TComboBox* ComboBox1 = nullptr;
    TTimer* TimerAutoRefresh = nullptr;  // 37000 ms

    // One journal table and what shows it.
    struct TJournal {
        AnsiString Table;                       // "pu1_log", "puf_log", ...
        TSQLClientDataSet* DataSet = nullptr;
        TDataSource* Source = nullptr;
        TDBGridGx* Grid = nullptr;
        TSQLQuery* LastTimeQuery = nullptr;     // select max(PostMoment) Rez from <table>
        TPrintDBGridGx* Print = nullptr;        // none for the belt journal
        TDateTime LastMaxTime = 0;              // newest entry time that caused a reload
    };
    std::vector<TJournal>& Journals() { return journals_; }

    // ---- Handlers ---------------------------------------------------------------------------------
    // The picker shows today.
    void FormCreate(TObject* Sender);
    // Enter in the picker or the shift box loads, unless a load runs.
    void DateTimePicker1KeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
    // The refresh rule: the first table (in order) whose newest entry lies inside the period shown
    // and is newer than the last one seen loads the journal again. Nothing while a load or a print
    // runs, the connection is down, nothing has been loaded or a failure box of the tick is open. A
    // failing query is shown in the message loop's box.
    void TimerAutoRefreshTimer(TObject* Sender);
    void PanelTopResize(TObject* Sender);

    // Loads the period of the picked day and shift into every table. A failure is posted as
    // "Ошибка в <class>::LoadJournal()"; the grids get their data sources back in every case.
    void LoadJournal();

    // True while a print of this screen's grids runs (the print engine's one-at-a-time guard).
    bool Printing() const;

protected:
    // Builds the top panel, the timer and the caption; the tables come with AddJournal.
    TJournalForm(TComponent* owner, const AnsiString& name, const AnsiString& caption, const AnsiString& title);
    // A table shown in a grid on parent. names: the components' names (dataset, source, grid, query,
    // print; an empty print name makes no print component). persistentFields: the dataset declares
    // PostMoment (time stamp, required) and Message (text of 255).
    TJournal& AddJournal(const AnsiString& table, TWinControl* parent, const AnsiString& dataSetName,
                         const AnsiString& sourceName, const AnsiString& gridName, const AnsiString& queryName,
                         const AnsiString& printName, bool persistentFields);
    // The message column (1) of grid takes width less the time column (0) and a margin of 45.
    static void FitMessageColumn(TDBGridGx* grid, int width);
    // The print's heading: centred Times New Roman 16 pt lines between blank 8 pt lines.
    static void SetJournalHeading(TPrintDBGridGx* print, const char* line1, const char* line2,
                                  const char* line3 = nullptr);

private:
    std::vector<TJournal> journals_;
};

// "Ошибка в " + class + "::LoadJournal()".
AnsiString JournalLoadFailureText(const AnsiString& className);
