// TGraphScreen: the frame every graph screen shares.
//
// A date picker and a period choice ("Смена №1", "Смена №2", "Обе смены") give a period; a full
// reload clears the screen's charts and loads the period from the history table; a timer extends
// them from the newest point while the period contains the present moment, and forces a full
// reload once more at a fixed tick; re-entry flags keep timer ticks and loads from overlapping while
// a load processes window messages; a wait panel covers a full load; history rows close to each
// other are repeated at 10-second steps; any chart can be zoomed to the whole screen.
//
// The screens differ in a few settings (TGraphScreenSetup) and in what they do with a row, how they
// lay out their charts and what they print; those are the virtual operations below.
//
// Time arithmetic that decides a fill, a gap or a period test is done on whole milliseconds.
#pragma once

#include "charts/LevelGraph.h"
#include "data/DB.h"
#include "db/SqlExpr.h"
#include "gui/Buttons.h"
#include "gui/ComCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/Menus.h"
#include "gui/StdCtrls.h"

struct TGraphScreenSetup {
    // The screen's class, as its error texts name it ("Ошибка в TFormFlotGraph::Reload()").
    AnsiString ScreenName;
    // The query up to its condition ("select * from puf_data").
    AnsiString Select;
    // Time column: RecMoment, else PostMoment.
    bool RecMoment = true;
    unsigned TimerInterval = 30000;
    // A full reload is forced at the tick whose count before it equals this (besides the first).
    int ForcedReloadTick = 3;
    // Rows further apart than this (seconds) leave the gap between them empty.
    int GapSeconds = 300;
    // After a load that returned rows, every chart's YMax is raised to at least 5.
    bool RaiseYMax = true;
};

class TGraphScreen : public TForm {
    PLANTMON_CLASS(TGraphScreen, TForm)
public:
    static constexpr int MaxGraphs = 10;

    TGraphScreen(TComponent* owner, const TGraphScreenSetup& setup);
    ~TGraphScreen() override;

    // ---- Components of the frame --------------------------------------------------------------------
    TPanel* PanelTop = nullptr;         // title bar
    TLabel* LabelLeft = nullptr;        // spacer
    TLabel* LabelTop = nullptr;         // screen title
    TPanel* PanelTopRight = nullptr;    // period choice
    TComboBox* ComboBox1 = nullptr;     // "Смена №1", "Смена №2", "Обе смены"
    TDateTimePicker* DateTimePicker1 = nullptr;
    TButton* ButReload = nullptr;       // the default button, never seen: Enter reloads
    TPanel* WaitPanel = nullptr;        // "Дождитесь загрузки данных"
    TTimer* TimerUpdate = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;

    // ---- State ------------------------------------------------------------------------------------------
    int ShiftNumber = 1;               // 1, 2 or 3 (the whole day)
    TDateTime PeriodDate = 0;          // the picker's date at the last reload: the report date
    TDateTime PeriodStart = 0, PeriodStop = 0;
    TDateTime LastPointTime = 0;       // newest point added: where the next check starts
    bool ReloadPending = true;
    bool TimerBusy = false;
    bool LoadBusy = false;
    int TimerTicks = 0;
    TLevelGraph* GraphList[MaxGraphs] = {};  // loops over the charts stop at the first null
    bool ZoomFlags[MaxGraphs] = {};

    const TGraphScreenSetup& Setup() const { return setup_; }

    // Full load of the chosen period.
    virtual void Reload();
    // Load from LastPointTime on, without clearing the charts.
    virtual void CheckForUpdates();
    // Adds the open rows to the charts, filling rows close to each other at 10-second steps.
    void QueryDataLoad();
    void TimerUpdateTimer(TObject* Sender);
    void ButReloadClick(TObject* Sender);
    // Zoom toggle of the chart at ix (the zoom buttons' Tag).
    void InverseZoom(int ix);
    void SButLevelGraphZoomClick(TObject* Sender);
    // Gives every other chart the sender's cursor time.
    void ShareCursor(TObject* Sender);
    virtual void ShowAllGraphs() = 0;
    virtual void ShowOneGraph(int ix) = 0;

    // The connection the history queries run on (the main window's general connection).
    virtual TSQLConnection* Connection() const;
    // The condition text of a query from..to on the screen's time column.
    AnsiString QueryText(TDateTime from, TDateTime to) const;

protected:
    // The dataset the rows are read from, and opening it on a statement.
    virtual TDataSet* Rows() const = 0;
    virtual void OpenRows(const AnsiString& sql) = 0;
    // Before the rows of a load: the screen finds the fields it reads.
    virtual void PrepareRows(TDataSet* rows) = 0;
    // Reads the current row's values (once per row).
    virtual void ReadRow() = 0;
    // Adds the values read last to the charts at time at (once per fill step).
    virtual void AddRowPoints(TDateTime at) = 0;
    // Builds a frame component (owned by the form, placed on parent) in the screen's order.
    template <class T>
    T* Make(TWinControl* parent, const char* name, int left, int top, int width, int height) {
        T* c = new T(this);
        c->SetName(name);
        c->SetParent(parent);
        c->SetBounds(left, top, width, height);
        return c;
    }
    // Creates the title bar, the period choice, the hidden reload button and the timer.
    void BuildFrame();
    // Creates the wait panel (after the charts, so it lies above them).
    void BuildWaitPanel();
    void UpdateAllGraphs();
    void PostError(const char* operation);

private:
    TGraphScreenSetup setup_;
};
