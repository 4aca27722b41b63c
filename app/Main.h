// The main window: the MDI frame that holds every screen, and the program's hub of state.
//
// TFormMain owns the four database connections and the status queries, the current values and link
// flags that the state timer fills, the settings and counters of the two link threads, the command
// queue of the flotation controller and the settings loaded from the configuration file. The units of
// app/ reach that state through the global FormMain, the links and the screens through their faces.
//
// The window is built by several units:
//   app/Main.cpp        construction, start-up (FormCreate, FormShow), exit, the message hook
//   app/Config.cpp      LoadSettings / SaveSettings (app/Config.h)
//   app/MainLog.cpp     the log timer (TimerGetLogTimer)
//   app/MainState.cpp   the state timer, status queries and link lamps (TimerRefreshStateTimer,
//                       LinkAgeColor, RefreshPufDisplay)
//   app/MainActions.cpp the actions, the main menu and the tool bar pages (BuildActions and every
//                       Action...Execute handler)
//   links/...           the link components, StartPufThread/StopPufThread, StartVisionThread/
//                       StopVisionThread, QueuePufSetpoint/QueuePufSetTime and
//                       WinSockClientConnectStatus (declared in links/PufLinkState.h)
// A handler declared here is defined in exactly one of those units.
//
// What the links and the screens use of the window is declared beside them, in the faces the window
// inherits (TMainView, TPufLinkState, TVisionLinkState, and through both link faces TLinkSettings):
// they include their face, only the composition root includes this header. Threads: the fields the
// link threads write and the GUI thread reads (or the other way round) are atomics; the link
// settings are guarded by SharedTextLock, the command queue by PufCommandsLock. Everything else
// belongs to the GUI thread.
#pragma once

#include "core/MainView.h"
#include "db/SqlExpr.h"
#include "gui/ActnList.h"
#include "gui/ComCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/Graphics.h"
#include "gui/ImgList.h"
#include "gui/Menus.h"
#include "gui/StdCtrls.h"
#include "links/PufLinkState.h"
#include "links/VisionLinkState.h"
#include "sys/Threads.h"

#include <atomic>
#include <cstdint>

// The product's title: the application title and the main window's caption.
extern const char* const ProductTitle;  // "Мониторинг обогатительной фабрики"

class TFormMain : public TForm, public TMainView, public TPufLinkState, public TVisionLinkState {
    PLANTMON_CLASS(TFormMain, TForm)
public:
    // Builds the window and its components, sets every field to its default and ends by loading the
    // configuration (LoadSettings), which may show the database login dialog.
    explicit TFormMain(TComponent* owner);
    ~TFormMain() override;

    // ---- State ------------------------------------------------------------------------------------
    // Event-log lines written since start; first column of each log line.
    std::int32_t LogLineCount = 0;
    // The configuration file: the executable's path + ".INI" (beside it).
    AnsiString IniFileName;
    // The caption FormCreate puts back on the window.
    AnsiString BaseCaption;
    // StartDir with a trailing '/': base of the template and temporary folders.
    AnsiString WorkDir;
    // The current folder at construction (the executable's folder).
    AnsiString StartDir;
    // Database login (configuration, login dialog, settings dialog).
    AnsiString HostName = "127.0.0.1";
    AnsiString UserName = "root";
    AnsiString Password = "52806";
    // The password is stored, scrambled, in the configuration file.
    bool SavePassword = false;

    // What the screens read (StateFlags, PufValues, PufFlags, MIN_RVF, OnColors, OffColors,
    // CurrentForm, ...) is declared in TMainView (core/MainView.h), the PUF link's fields in
    // TPufLinkState (links/PufLinkState.h), the Vision link's in TVisionLinkState
    // (links/VisionLinkState.h), and the link settings with SharedTextLock in TLinkSettings
    // (links/LinkSettings.h).

    // ---- Published components ---------------------------------------------------------------------
    // The four connections (general and status in TMainView, one per link thread in the link faces)
    // reach the same server: their parameter lists are copies of SQLConnection1's after LoadSettings.
    // Status queries on SQLConnectionUser that only the state timer reads (the others in TMainView).
    TSQLQuery* SQLQueryMaxTimePu1 = nullptr;  // select max(PostMoment) MaxTime from pu1
    TSQLQuery* SQLQueryMaxTimePu2 = nullptr;
    TSQLQuery* SQLQueryPufState = nullptr;    // select * from puf_state
    TSQLQuery* SQLQueryMaxTimePuf = nullptr;  // select max(RecMoment) MaxTime from puf_data
    TSQLQuery* SQLQueryLastPuf = nullptr;     // select * from puf_data where RecMoment= :MaxTime
    TSQLQuery* SQLQueryMaxTimeBelt = nullptr; // text set at run time (LAN client)
    TSQLQuery* SQLQueryLastBelt = nullptr;    // text set at run time (LAN client)
    TSQLQuery* SQLQuerySysWork = nullptr;     // the server clock query of FormCreate
    // Timers (1000 ms, enabled).
    TTimer* TimerRefreshState = nullptr;      // state timer
    TTimer* TimerGetLog = nullptr;            // log timer
    // The clock and the link lamps on PanelInfo.
    TLabel* LabelClock = nullptr;
    TShape* ShapeLinkPU1 = nullptr;
    TShape* ShapeLinkPU2 = nullptr;
    TShape* ShapeLinkPuf = nullptr;
    TShape* ShapeLinkV120 = nullptr;
    TShape* ShapeLinkGS = nullptr;
    TLabel* LabelLinkPU1 = nullptr;           // "ПУ №1"
    TLabel* LabelLinkPU2 = nullptr;           // "ПУ №2"
    TLabel* LabelLinkPuf = nullptr;           // "ПУФ"
    TLabel* LabelLinkV120 = nullptr;          // "ВЕСЫ"
    TLabel* LabelLinkGS = nullptr;            // "ГИДРОСАЙЗЕР"
    // Actions, menu, images and tool bar. The constructor creates the empty containers; BuildActions
    // fills them.
    TActionList* ActionList1 = nullptr;
    TMainMenu* MainMenu1 = nullptr;
    TImageList* ImageList2 = nullptr;         // 64 by 32
    TToolBar* ToolBar1 = nullptr;             // 76 high, 71 by 71 buttons
    TToolButton* ToolButtonMainMenu = nullptr; // runs ActionMainMenu
    TPageControl* PageControl1 = nullptr;     // four pages of action buttons
    TPanel* PanelInfo = nullptr;              // right-aligned, 262 wide: the clock and the lamps

    // Screen actions.
    TAction* ActionMainMenu = nullptr;
    TAction* ActionMainMnemo = nullptr;
    TAction* ActionMnemoReach = nullptr;
    TAction* ActionMnemoFlot = nullptr;
    TAction* ActionMnemoGS = nullptr;
    TAction* ActionGraphPBigOM = nullptr;
    TAction* ActionGraphPSmallOM = nullptr;
    TAction* ActionGraphRBigOM = nullptr;
    TAction* ActionGraphRSmallOM = nullptr;
    TAction* ActionAWModeBigOM = nullptr;
    TAction* ActionAWModeSmallOM = nullptr;
    TAction* ActionGraphFlotParam = nullptr;
    TAction* ActionGraphFlotOut = nullptr;
    TAction* ActionGraphBakLevel = nullptr;
    TAction* ActionGraphBelt = nullptr;
    TAction* ActionGraphGS = nullptr;
    TAction* ActionMainTable = nullptr;
    TAction* ActionTableTime = nullptr;
    TAction* ActionTableFlot = nullptr;
    TAction* ActionTableBelt = nullptr;
    TAction* ActionTableGS = nullptr;
    TAction* ActionOM_Log = nullptr;
    TAction* ActionFlotLog = nullptr;
    TAction* ActionWSensLog = nullptr;
    TAction* ActionShowBase = nullptr;
    // Dialog and command actions.
    TAction* ActionExit = nullptr;
    TAction* ActionAbout = nullptr;
    TAction* ActionShowConfig = nullptr;
    TAction* ActionShowDriver1 = nullptr;
    TAction* ActionShowDriver2 = nullptr;
    TAction* ActionShowPUFDriver = nullptr;
    TAction* ActionShowDriverV120 = nullptr;
    TAction* ActionTarControl386 = nullptr;
    TAction* ActionTarControl401 = nullptr;
    TAction* ActionRunFAR = nullptr;
    // Print actions.
    TAction* ActionPrintWPK = nullptr;
    TAction* ActionPrintWPM = nullptr;
    TAction* ActionPrintTSK = nullptr;
    TAction* ActionPrintTSM = nullptr;
    TAction* ActionPrintAirK = nullptr;
    TAction* ActionPrintAirM = nullptr;
    TAction* ActionPrintFlotGraph = nullptr;
    TAction* ActionPrintGraphZola = nullptr;
    TAction* ActionPrintGraphBakLevel = nullptr;
    TAction* ActionPrintGraphBeltWork = nullptr;
    TAction* ActionPrintGraphGS = nullptr;
    TAction* ActionPrintTable = nullptr;
    TAction* ActionPrintTableFlot = nullptr;
    TAction* ActionPrintTableBelt = nullptr;
    TAction* ActionPrintTableMain = nullptr;
    TAction* ActionPrintTableGS = nullptr;
    TAction* ActionPrintLogPU1 = nullptr;
    TAction* ActionPrintLogPU2 = nullptr;
    TAction* ActionPrintFlotLog = nullptr;

    // ---- Handlers (app/Main.cpp) ------------------------------------------------------------------
    // Once, right after construction: connections, link threads unless LAN client, the Ctrl+F4 /
    // Ctrl+F6 hook, the clock from the server.
    void FormCreate(TObject* Sender);
    // Once, when the window is first shown: the screens that belong to the main window, then the
    // launcher in front.
    void FormShow(TObject* Sender);
    // Every close goes through the confirmed exit.
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormResize(TObject* Sender);
    // Stops the link threads (waiting until they have really ended) and shuts the computer down when
    // ShutdownOnExit is set.
    void FormDestroy(TObject* Sender);
    // The confirmed exit: question, settings saved, threads stopped, window closed.
    void ActionExitExecute(TObject* Sender);
    // Application-wide: Ctrl+F4 brings up the flotation table, Ctrl+F6 the bed-height graphs of
    // machine 2, before the MDI frame sees those keys.
    void AppMessageHook(TMsg& Msg, bool& Handled);

    // Brings a screen to the front maximized and records it in CurrentForm; null does nothing.
    void ShowFormMaximized(TForm* form);

    // ---- Log timer (app/MainLog.cpp) --------------------------------------------------------------
    // Writes up to ten queued events into the daily file and shows the notices they ask for.
    void TimerGetLogTimer(TObject* Sender);

    // ---- State timer (app/MainState.cpp) ----------------------------------------------------------
    void TimerRefreshStateTimer(TObject* Sender);
    TColor LinkAgeColor(TDateTime t, bool& alive);
    bool RefreshPufDisplay();

    // ---- Actions (app/MainActions.cpp) ------------------------------------------------------------
    // Every action exists in ActionList1 from the start; an action whose screen is not built yet has no
    // handler and does nothing. Its handler is declared here and defined in app/MainActions.cpp when the
    // screen joins.
    // Creates the actions of ActionList1 (binding ActionExit to ActionExitExecute), the items of
    // MainMenu1, the images of ImageList2 and the pages and buttons of PageControl1.
    void BuildActions();
    // Runs the first action of ActionList1 with that tag; false when none carries it.
    bool ExecuteActionByTag(int tag);
    void ActionMainMenuExecute(TObject* Sender);
    void ActionMnemoFlotExecute(TObject* Sender);
    void ActionMnemoGSExecute(TObject* Sender);
    void ActionMainMnemoExecute(TObject* Sender);
    void ActionMnemoReachExecute(TObject* Sender);
    void ActionGraphPBigOMExecute(TObject* Sender);
    void ActionGraphPSmallOMExecute(TObject* Sender);
    void ActionGraphRBigOMExecute(TObject* Sender);
    void ActionGraphRSmallOMExecute(TObject* Sender);
    void ActionAWModeBigOMExecute(TObject* Sender);
    void ActionAWModeSmallOMExecute(TObject* Sender);
    void ActionGraphFlotParamExecute(TObject* Sender);
    void ActionGraphFlotOutExecute(TObject* Sender);
    void ActionGraphBakLevelExecute(TObject* Sender);
    void ActionGraphBeltExecute(TObject* Sender);
    void ActionGraphGSExecute(TObject* Sender);
    void ActionTableTimeExecute(TObject* Sender);
    void ActionTableFlotExecute(TObject* Sender);
    void ActionTableBeltExecute(TObject* Sender);
    void ActionAboutExecute(TObject* Sender);
    void ActionShowConfigExecute(TObject* Sender);
    void ActionShowPUFDriverExecute(TObject* Sender);
    void ActionShowDriverV120Execute(TObject* Sender);
    void ActionTarControl386Execute(TObject* Sender);
    void ActionTarControl401Execute(TObject* Sender);
    void ActionSetZRRSExecute(TObject* Sender);
    void ActionSetZRRPExecute(TObject* Sender);
    void ActionSetTRRSExecute(TObject* Sender);
    void ActionSetTRRPExecute(TObject* Sender);
    void ActionRunFARExecute(TObject* Sender);
    void ActionPrintWPKExecute(TObject* Sender);
    void ActionPrintWPMExecute(TObject* Sender);
    void ActionPrintTSKExecute(TObject* Sender);
    void ActionPrintTSMExecute(TObject* Sender);
    void ActionPrintAirKExecute(TObject* Sender);
    void ActionPrintAirMExecute(TObject* Sender);
    void ActionPrintFlotGraphExecute(TObject* Sender);
    void ActionPrintGraphZolaExecute(TObject* Sender);
    void ActionPrintGraphBakLevelExecute(TObject* Sender);
    void ActionPrintGraphBeltWorkExecute(TObject* Sender);
    void ActionPrintGraphGSExecute(TObject* Sender);
    void ActionPrintTableExecute(TObject* Sender);
    void ActionPrintTableFlotExecute(TObject* Sender);
    void ActionPrintTableBeltExecute(TObject* Sender);
    void ActionMainTableExecute(TObject* Sender);
    void ActionTableGSExecute(TObject* Sender);
    void ActionOM_LogExecute(TObject* Sender);
    void ActionFlotLogExecute(TObject* Sender);
    void ActionWSensLogExecute(TObject* Sender);
    void ActionShowBaseExecute(TObject* Sender);
    void ActionShowDriver1Execute(TObject* Sender);
    void ActionShowDriver2Execute(TObject* Sender);
    void ActionPrintTableMainExecute(TObject* Sender);
    void ActionPrintTableGSExecute(TObject* Sender);
    // The journal prints make their screen when it does not exist yet.
    void ActionPrintLogPU1Execute(TObject* Sender);
    void ActionPrintLogPU2Execute(TObject* Sender);
    void ActionPrintFlotLogExecute(TObject* Sender);

    // ---- Start-up helpers (app/Main.cpp) ----------------------------------------------------------
    // Step 7 of FormCreate on its own: asks the server's Now() through SQLQuerySysWork and sets the
    // computer's clock to it when it is later than 10 June 2008 and the two differ by 11 whole
    // seconds or more. A station that may not set its clock logs the request to the event log. Any
    // failure is ignored. True when the clock was set.
    bool SetClockFromServer();

private:
    // ---- State timer's own memory (app/MainState.cpp) ---------------------------------------------
    // A lamp takes the colour of its time stamp's age.
    void SetLamp(TShape* lamp, int flag, TDateTime t);
    // While the status connection is down: the lamps that follow a link thread take their colour
    // from the thread's last write, the others from the newest row time the timer has seen, so that
    // none stays green on what nobody can confirm.
    void AgeLampsWithoutDatabase();
    // When the status connection may be tried again (GetTickCount64), and the newest row time each
    // lamp (by its StateFlags index) was given from the database.
    std::uint64_t statusRetryDue_ = 0;
    TDateTime lampRowTime_[6] = {};
    bool lampRowKnown_[6] = {};

    void BuildComponents();
    void BuildStatusQueries();
    // Stops both link threads as the exit path does (1000 ms each); a failure beeps.
    void StopLinkThreads();
    // Waits, without limit, until each link thread still set has ended, then frees its handle.
    void JoinLinkThreads();
    bool shown_ = false;
};

extern TFormMain* FormMain;

// The number of running processes whose program is exePath: the same path, or the same file name in
// any folder (letter case ignored). The running process counts itself.
int CountRunningCopies(const AnsiString& exePath);
// Asks the system to shut the computer down (not forced); true when the request was accepted. A
// station that refuses is noted in the event log.
bool ShutdownWindows();
