// The skeleton of the shift-table screens: totals of the process history for one day, split into
// four periods (shift 1, shift 2, the whole day, the month up to the end of that day).
//
// Every such screen is an MDI child made at start-up and alive until exit. It has a date picker, a
// hidden default button (Enter anywhere reloads), a wait panel and a refresh timer. The timer
// reloads on its first two ticks and afterwards only while the present moment lies inside the
// period last computed, at most once a minute. The sums themselves run on the main window's general
// connection; a screen whose connection is down does nothing on its ticks.
//
// A screen derives from TShiftTableForm, builds its table in its constructor, and implements Reload
// (computing the periods with ComputePeriod and writing the conditions with PeriodStartText /
// PeriodStopText) and PrintReport.
#pragma once

#include "gui/ComCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "rtl/DateUtils.h"

class TSQLClientDataSet;

#include <cstdint>
#include <initializer_list>

class TShiftTableForm : public TForm {
    PLANTMON_CLASS(TShiftTableForm, TForm)
public:
    ~TShiftTableForm() override;

    // ---- State ------------------------------------------------------------------------------------
    std::uint8_t TimerBusy = 0;        // set while TimerUpdateTimer runs
    std::uint8_t ReloadBusy = 0;       // set while Reload runs
    std::uint8_t ReloadRequested = 1;  // the next tick must reload
    std::int32_t TickCount = 0;        // ticks of TimerUpdate since construction
    TDateTime ShownDate = 0;           // the day shown (the picker's day at the last reload)
    TDateTime StartTime = 0;           // the period last computed
    TDateTime StopTime = 0;
    TDateTime LastLoadTime = 0;        // when the timer last started a reload

    // ---- Components common to every shift table ----------------------------------------------------
    TPanel* PanelTop = nullptr;               // the title label and the date picker
    TDateTimePicker* DateTimePicker1 = nullptr;
    TPanel* PanelLeft = nullptr;
    TPanel* PanelRight = nullptr;
    TPanel* PanelDown = nullptr;
    TPanel* PanelCenter = nullptr;            // holds the table
    TPanel* WaitPanel = nullptr;              // "Дождитесь загрузки данных", hidden
    TButton* ButReload = nullptr;             // "Обновить": off screen, the form's default button
    TTimer* TimerUpdate = nullptr;            // 27000 ms

    // ---- Handlers ---------------------------------------------------------------------------------
    // The day shown becomes today, the period today's whole day, the picker today.
    void FormCreate(TObject* Sender);
    // The refresh rule; a failure is posted to the event log as "Ошибка в <class>::TimerUpdateTimer".
    void TimerUpdateTimer(TObject* Sender);
    void ButReloadClick(TObject* Sender);

    // Reads the picker's day and refills the table.
    virtual void Reload() = 0;
    // Fills the screen's report template with the day and the cell texts and shows it.
    virtual void PrintReport() = 0;

    // ---- Periods ----------------------------------------------------------------------------------
    // Sets StartTime/StopTime for ShownDate: 1 shift 1, 2 shift 2, 3 the whole day, 4 the month from
    // the start of its first day to the end of ShownDate's day.
    void ComputePeriod(int period);
    // The conditions use whole hours: the start as "yyyy-mm-dd hh:00:00", the stop as
    // "yyyy-mm-dd hh:59:59", whatever the shift boundaries are.
    AnsiString PeriodStartText() const;
    AnsiString PeriodStopText() const;

    // The four periods' parts of the output-field names, in period order.
    static const char* const PeriodSuffix[4];  // "_D1_", "_D2_", "_D_", "_M_"

    // A column of per-hour rates summed over a period, and the name of its result.
    struct RateSum {
        const char* column;
        const char* result;
    };
    // The statement of a period's amounts over a table of one row a minute: each rate (per hour)
    // summed over the rows from start to stop and divided by 60, so the result is the amount
    // delivered in the period (m³ from m³/h, tonnes from t/h).
    static AnsiString MinuteRowsStatement(const AnsiString& table, std::initializer_list<RateSum> sums,
                                          const AnsiString& start, const AnsiString& stop);

protected:
    // Builds the common components. titleName: the name of the title label on PanelTop.
    TShiftTableForm(TComponent* owner, const AnsiString& name, const AnsiString& titleName, const AnsiString& titleText);

    // A control of class T named name on parent, with its bounds.
    template <class T>
    T* MakeControl(const AnsiString& name, TWinControl* parent, int left, int top, int width, int height) {
        T* c = new T(this);
        c->SetName(name);
        c->SetBounds(left, top, width, height);
        c->SetParent(parent);
        return c;
    }
    // A framed cell of the table.
    TPanel* MakeCell(const AnsiString& name, TWinControl* parent, int left, int top, int width, int height);
    // A centred, word-wrapped text filling a cell.
    TLabel* MakeCellText(const AnsiString& name, TPanel* cell, const AnsiString& text, bool bold);
    // Shows or hides the wait panel over the table.
    void ShowWaitPanel(bool show);

    // The reload of the tables that load period by period: returns while a reload runs (or, with
    // testConnection, while the connection is down); shows the wait panel and lets it paint; reads
    // the picker's day; BeforePeriods, then for each period 1..4 ComputePeriod and LoadPeriodAt,
    // then AfterPeriods. A failure is posted as "Ошибка в <class>::Reload()" and leaves the periods
    // not yet loaded as they were; the wait panel is hidden and the busy byte cleared in every case.
    void ReloadPeriods(bool testConnection);
    virtual void BeforePeriods() {}
    virtual void LoadPeriodAt(int /*period*/) {}
    virtual void AfterPeriods() {}
    // Closes the dataset, sets the statement and opens it; when that fails, posts failureText and
    // answers false.
    static bool OpenPeriodQuery(TSQLClientDataSet* dataSet, const AnsiString& sql, const AnsiString& failureText);
    // While true the refresh tick leaves the table alone (a print of its data is running).
    virtual bool PrintBusy() const { return false; }

    TLabel* TitleLabel = nullptr;
};
