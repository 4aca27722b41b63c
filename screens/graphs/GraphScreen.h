// TGraphScreen: the frame every graph screen shares.
//
// A date picker and a period choice ("Смена №1", "Смена №2", "Обе смены") give a period; a full
// reload clears the screen's charts and loads the period from the history tables; a timer extends
// them from the newest points while the period contains the present moment, and forces a full
// reload once more at a fixed tick; re-entry flags keep timer ticks and loads from overlapping while
// a load processes window messages; a wait panel covers a full load and is hidden on every way out of
// it; history rows close to each other are repeated at 10-second steps; any chart can be zoomed to
// the whole screen; the widget edit mode hooks the legends to their property dialogs and a right
// press on a chart to its scale dialog.
//
// The screens differ in a few settings (TGraphScreenSetup), in what they do with a row (the column
// table, or their own row operations), how they lay out their charts and what they print.
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

#include <memory>
#include <vector>

class TSQLClientDataSet;
class TWidgetEditRouter;

struct TGraphScreenSetup {
    // The screen's class, as its error texts name it ("Ошибка в TFormFlotGraph::Reload()").
    AnsiString ScreenName;
    // The history queries up to their condition ("select * from puf_data"), loaded in this order.
    // Each keeps the time of its own newest point; the screen's LastPointTime is the earliest of them.
    std::vector<AnsiString> Selects;
    // Time column: RecMoment, else PostMoment.
    bool RecMoment = true;
    unsigned TimerInterval = 30000;
    // A full reload is forced at the tick whose count before it equals this (besides the first).
    int ForcedReloadTick = 3;
    // Rows further apart than this (seconds) leave the gap between them empty.
    int GapSeconds = 300;
    // After a load that returned rows, every chart's YMax is raised to at least 5.
    bool RaiseYMax = true;
    // ... and after every load, whether any rows came or not.
    bool RaiseYMaxWithoutRows = false;
    // Where a lost connection is noticed.
    enum TConnectionTest {
        // By the loads: a reload stays pending, a check ends quietly.
        ctLoads,
        // By the reload alone (it stays pending); a check runs its queries all the same, and their
        // failure is posted like any other.
        ctReload,
        // By the timer, before it counts the tick, so nothing at all happens while the connection is
        // down; a reload asked for by Enter then fails at its query.
        ctTimer,
    };
    TConnectionTest ConnectionTest = ctLoads;
    // A failure while rows are added. True: posted as "<screen>::QueryDataLoad()", the points added
    // so far kept, and the load goes on as after its last row. False: it reaches the load that ran it.
    bool RowErrorsPosted = false;
    // The timer's update check also runs in a tick that made a full reload.
    bool CheckAfterReload = false;
    // A failure of a full reload. True: it reaches the caller (the timer posts its own text, a button
    // or Enter shows it in the message loop's box), after the wait panel is hidden and LoadBusy
    // cleared. False: posted as "<screen>::Reload()".
    bool ReloadErrorsToCaller = false;
};

// The settings the screens of a jig machine share: its table "pu<n>" by PostMoment, rows more than
// three minutes apart left unfilled, the connection tested by the timer, row-load failures posted,
// no YMax rule; the timer's interval and forced tick as given. The screen adds what differs.
TGraphScreenSetup JigMachineSetup(const AnsiString& screenName, int machineNumber, unsigned timerInterval,
                                  int forcedReloadTick);
// "крупного" (machine 1 or below) or "мелкого": the class of coal the machine washes, as the titles
// name it.
const char* JigMachineClass(int machineNumber);

// One column of a history query drawn as one curve.
struct TGraphColumn {
    int Query = 0;  // index into TGraphScreenSetup::Selects
    AnsiString Field;
    TLevelGraph* Graph = nullptr;
    int Curve = 0;
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
    TPopupMenu* PopupMenu1 = nullptr;   // the charts' popup menu
    TMenuItem* CmdShowSatellite = nullptr;  // "Показать цифровые значения": the value window
    TSQLQuery* SQLQuery1 = nullptr;     // the history query of the screens that read through one
    // The read-only client dataset of the screens that read through one instead.
    TSQLClientDataSet* SQLClientDataSet1 = nullptr;

    // ---- State ------------------------------------------------------------------------------------------
    // The screen's own INI file (scale limits, legend looks).
    AnsiString IniFileName;
    int ShiftNumber = 1;               // 1, 2 or 3 (the whole day)
    TDateTime PeriodDate = 0;          // the picker's date at the last reload: the report date
    TDateTime PeriodStart = 0, PeriodStop = 0;
    // Newest point added, per history query, and the earliest of them: where the next checks start.
    std::vector<TDateTime> LastPointTimes;
    TDateTime LastPointTime = 0;
    bool ReloadPending = true;
    bool TimerBusy = false;
    bool LoadBusy = false;
    int TimerTicks = 0;
    TLevelGraph* GraphList[MaxGraphs] = {};  // loops over the charts stop at the first null
    bool ZoomFlags[MaxGraphs] = {};
    // What each query's rows put on the charts (screens without their own row operations).
    std::vector<TGraphColumn> Columns;

    const TGraphScreenSetup& Setup() const { return setup_; }

    // Full load of the chosen period.
    virtual void Reload();
    // Load from the newest points on, without clearing the charts.
    virtual void CheckForUpdates();
    // Adds the open rows of a query to the charts, filling rows close to each other at 10-second steps.
    void QueryDataLoad(int query = 0);
    void TimerUpdateTimer(TObject* Sender);
    void ButReloadClick(TObject* Sender);
    // Zoom toggle of the chart at ix (the zoom buttons' Tag).
    void InverseZoom(int ix);
    void SButLevelGraphZoomClick(TObject* Sender);
    // Gives every other chart the sender's cursor time.
    void ShareCursor(TObject* Sender);
    virtual void ShowAllGraphs() {}
    // The chart at ix fills the screen with its time labels; the others are hidden.
    virtual void ShowOneGraph(int ix);
    virtual void CmdShowSatelliteClick(TObject*) {}

    // Scale limits in IniFileName, one section per chart (the shared scale helpers).
    virtual void SaveGraphScales();
    virtual void LoadGraphScales();
    // The curve pens, taken from the legends.
    virtual void SetGraphPens() {}
    // The widget edit mode: the legends through the router, a chart's right press to its scale
    // dialog while the mode is on; then the pens.
    virtual void SetEditMode();
    void ColorConfigClick(TObject* Sender);
    // A right press on a chart in edit mode: its scale dialog.
    virtual void OnLevelGraphMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    // Saves the scale limits; a file that cannot be written keeps its old values.
    void FormDestroy(TObject* Sender);

    // The connection the history queries run on (the main window's general connection).
    virtual TSQLConnection* Connection() const;
    // The statement of a query from..to on the screen's time column.
    AnsiString QueryText(TDateTime from, TDateTime to, int query = 0) const;

protected:
    // The dataset the rows are read from (SQLClientDataSet1 when the screen has one, else
    // SQLQuery1), and opening it on a statement.
    virtual TDataSet* Rows() const;
    virtual void OpenRows(const AnsiString& sql);
    // Before the rows of a query's load: the screen finds the fields it reads.
    virtual void PrepareRows(TDataSet* rows, int query);
    // Reads the current row's values (once per row).
    virtual void ReadRow(int query);
    // Adds the values read last to the charts at time at (once per fill step).
    virtual void AddRowPoints(int query, TDateTime at);
    // Builds a frame component (owned by the form, placed on parent) in the screen's order.
    template <class T>
    T* Make(TWinControl* parent, const char* name, int left, int top, int width, int height) {
        T* c = new T(this);
        c->SetName(name);
        c->SetParent(parent);
        c->SetBounds(left, top, width, height);
        return c;
    }
    // A font's face, height in pixels, weight and colour.
    static void StyleFont(TFont* f, const char* name, int pixels, bool bold, TColor color);
    // A trend chart with the settings every screen gives its charts.
    TLevelGraph* MakeGraph(TWinControl* parent, const char* name);
    // The chart's title: a transparent label along its top edge (Arial 16 px bold navy).
    TLabel* MakeGraphTitle(TLevelGraph* g, const char* name, const char* caption);
    // A zoom toggle "[]" in the chart at x = left; its Tag is the chart's index in GraphList.
    TSpeedButton* MakeZoomButton(TLevelGraph* g, const char* name, int left, int tag);
    // Curve k of each chart g of GraphList takes the width and colour of the legend arrow
    // "ArrowLegend<g+1><k+1>" (curves 0 to 4). A curve without an arrow keeps its pen, and the
    // curves after it still take theirs: a legend may leave out a curve that never has data.
    void PensFromLegendArrows();
    // All charts shown: the first count - 1 stacked under the title bar in equal heights without time
    // scales, the last filling the rest with the time scale under its plot (lastSubHeight pixels).
    // spare: the height kept out of the share.
    void StackGraphs(int count, int spare, int lastSubHeight);
    // Scale limits in IniFileName, one section "<chart>Limits" per chart of GraphList: YMin, YMax,
    // YLabelStep, and RightYMin, RightYMax, RightScaleStep while the chart shows a right scale; read
    // with the chart's values as defaults, in that order.
    void SaveLimitSections();
    void LoadLimitSections();
    // After the last row of a query's load (the screens that show values at the cursor refresh them).
    virtual void RowsLoaded(int query) { (void)query; }
    // The screen is a maximised MDI child without border icons, and sees keys before its controls.
    void MakeMdiScreen();
    // The form's name, or with "_1", "_2" ... when its owner already holds a component of that name
    // (a second screen of the same kind).
    void TakeName(const AnsiString& name);
    // IniFileName: the given name, or when it is empty the program's folder + defaultName.
    void TakeIniFile(const AnsiString& given, const AnsiString& defaultName);
    // Creates the title bar (its title label named titleName), the period choice, the hidden reload
    // button, the timer and the popup menu.
    void BuildFrame(const char* titleName = "LabelTop");
    // Creates the wait panel (after the charts, so it lies above them).
    void BuildWaitPanel();
    // Creates SQLQuery1 on the main window's general connection.
    void BuildQuery();
    // Creates SQLClientDataSet1 (read-only) on the main window's general connection.
    void BuildClientDataSet();
    // The edit mode's router over the widget classes the screen hooks.
    void BuildEditRouter(std::vector<AnsiString> classes);
    // Width of the title bar's spacer and period panel that centres the title.
    void CentreTitle();
    void UpdateAllGraphs();
    void PostError(const char* operation);

private:
    void startLoad();
    void raiseYMax();
    TGraphScreenSetup setup_;
    std::unique_ptr<TWidgetEditRouter> router_;
    // The fields and the current row's values of the columns of the query being loaded.
    std::vector<TField*> fields_;
    std::vector<double> values_;
};
