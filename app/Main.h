// The main window: the MDI frame that holds every screen, and the program's hub of state.
//
// TFormMain owns the four database connections and the status queries, the current values and link
// flags that the state timer fills, the settings and counters of the two link threads, the command
// queue of the flotation controller and the settings loaded from the configuration file. Every other
// unit reaches that state through the global FormMain.
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
//                       WinSockClientConnectStatus
// A handler declared here is defined in exactly one of those units.
//
// Threads: the fields the link threads write and the GUI thread reads (or the other way round) are
// atomics; texts that both may touch are guarded by SharedTextLock, the command queue by
// PufCommandsLock. Everything else belongs to the GUI thread.
#pragma once

#include "db/SqlExpr.h"
#include "gui/ActnList.h"
#include "gui/ComCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/Graphics.h"
#include "gui/ImgList.h"
#include "gui/Menus.h"
#include "gui/StdCtrls.h"
#include "sys/Threads.h"

#include <atomic>
#include <cstdint>

// Link components, made by their own units (links/).
class TICPLink;
class TWinSockClient;
class TVisionLink;

// The product's title: the application title and the main window's caption.
extern const char* const ProductTitle;  // "Мониторинг обогатительной фабрики"

class TFormMain : public TForm {
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
    // Colours of the eight material groups running / stopped, in the order concentrate, middlings,
    // rock, run-of-mine coal, water, feed slurry, overflow, hydrosizer feed.
    TColor OnColors[8] = {clPurple, clYellow, clSilver, clLime, clBlue, clLime, clWhite, clTeal};
    TColor OffColors[8] = {clSilver, clSilver, clSilver, clSilver, clBlack, clSilver, clSilver, clSilver};
    // The password is stored, scrambled, in the configuration file.
    bool SavePassword = false;
    // The screen last shown by ShowFormMaximized (the point windows find their graph screen by it).
    TForm* CurrentForm = nullptr;
    // [0] exit confirmed; [1] jig machine 1, [2] jig machine 2, [3] flotation controller, [4] belt
    // scales, [5] hydrosizer link alive (state timer); [6] the stored PUF_master_flag.
    bool StateFlags[7] = {};

    // PUF link (flotation controller). Texts under SharedTextLock.
    AnsiString PufComPort = "COM1";
    std::int32_t PufComSpeed = 38400;
    std::atomic<bool> PufThreadActive{false};  // the thread's loop runs
    std::atomic<bool> PufThreadStop{false};    // stop request to the thread
    std::atomic<bool> PufOverTcp{false};       // the link currently goes over TCP
    bool PufLanEnabled = false;                // the link may switch to TCP
    AnsiString PufIP = "192.168.3.1";
    std::atomic<std::int32_t> PufQueryCount{0};  // commands sent (interlocked)
    std::atomic<std::int32_t> PufErrorCount{0};  // failed exchanges (interlocked)
    std::atomic<std::int32_t> PufFailStreak{0};  // failures since the last transport decision
    std::atomic<TDateTime> PufStartTime{0};
    // Last flotation values PLF, RVF, RGF, TRRS, TRRP, SOF, URS, URP, ZRRS, ZRRP (state timer).
    float PufValues[10] = {};
    // Last flotation flags F1AS, F1RS, F1AP, F1RP, DSF1, DPF1, ALARMP, ALARMS (state timer).
    std::uint8_t PufFlags[8] = {};
    // Queue of text commands to the flotation controller ("SetTRRS:12.5"), owned; every access from
    // any thread holds PufCommandsLock.
    TStringList* PufCommands = nullptr;
    TCriticalSection PufCommandsLock;
    std::uint32_t PufThreadId = 0;
    // The PUF thread, owned by the main window. StopPufThread waits at most 1000 ms; a handle whose
    // thread has ended may be deleted there (and set to null), one still running is left set. Before
    // anything a thread uses is freed, the main window joins and deletes every handle still set.
    TThread* PufThreadHandle = nullptr;
    // Last successful state exchange with the controller (the PUF lamp while the thread runs).
    std::atomic<TDateTime> PufLastStateTime{0};
    // RVF threshold of the flotation diagram's alarm colours.
    double MIN_RVF = 1.0;

    // Vision link (belt scales and hydrosizer). Texts under SharedTextLock.
    AnsiString V120ComPort = "COM2";
    std::int32_t V120ComSpeed = 57600;
    std::atomic<bool> V120ThreadActive{false};
    std::atomic<bool> V120ThreadStop{false};
    std::uint32_t V120ThreadId = 0;
    // The Vision thread, owned like PufThreadHandle.
    TThread* V120ThreadHandle = nullptr;
    std::int32_t PKN_UnitID = 1;  // unit id of the belt-scale controller
    std::int32_t PUG_UnitID = 2;  // unit id of the hydrosizer controller
    std::atomic<std::int32_t> V120QueryCount{0};
    std::atomic<std::int32_t> V120ErrorCount{0};
    std::atomic<TDateTime> V120StartTime{0};
    std::atomic<TDateTime> V120LastAnswerTime{0};
    std::atomic<TDateTime> BeltLastReadTime{0};  // last complete belt-scale read (belt lamp)
    std::atomic<TDateTime> PugLastReadTime{0};   // last complete hydrosizer read (hydrosizer lamp)

    // LAN-client mode: no link thread at start-up, lamps and belt records from the database.
    bool LanClientMode = false;
    // When the hourly clock command to the flotation controller was last queued.
    TDateTime LastSetTimeSent = 0;
    // Last hydrosizer values PL2_GS, RV2_GS, PL3_GS, TRTW_GS, RG2_GS (Vision thread).
    std::atomic<std::int32_t> PugValues[5] = {};
    // Minute key of the last hydrosizer history row (under SharedTextLock).
    AnsiString PugMinuteKey = "0000-00-00 00:00:00:00";
    // Guards the texts above that a link thread and the GUI thread both touch: PufComPort, PufIP,
    // V120ComPort and PugMinuteKey.
    TCriticalSection SharedTextLock;

    // ---- Published components ---------------------------------------------------------------------
    // Connections: general (history queries), status (state timer), and one per link thread. Their
    // parameter lists are copies of SQLConnection1's after LoadSettings.
    TSQLConnection* SQLConnection1 = nullptr;
    TSQLConnection* SQLConnectionUser = nullptr;
    TSQLConnection* SQLConnectionPUF_Link = nullptr;
    TSQLConnection* SQLConnectionV120_Link = nullptr;
    // Status queries on SQLConnectionUser.
    TSQLQuery* SQLQueryPu1State = nullptr;    // select * from pu1_state
    TSQLQuery* SQLQueryPu2State = nullptr;    // select * from pu2_state
    TSQLQuery* SQLQueryMaxTimePu1 = nullptr;  // select max(PostMoment) MaxTime from pu1
    TSQLQuery* SQLQueryMaxTimePu2 = nullptr;
    TSQLQuery* SQLQueryLastPu1 = nullptr;     // select * from pu1 where PostMoment= :MaxTime (persistent fields)
    TSQLQuery* SQLQueryLastPu2 = nullptr;
    TSQLQuery* SQLQueryPufState = nullptr;    // select * from puf_state
    TSQLQuery* SQLQueryMaxTimePuf = nullptr;  // select max(RecMoment) MaxTime from puf_data
    TSQLQuery* SQLQueryLastPuf = nullptr;     // select * from puf_data where RecMoment= :MaxTime
    TSQLQuery* SQLQueryPugState = nullptr;    // select * from pug_state
    TSQLQuery* SQLQueryMaxTimeBelt = nullptr; // text set at run time (LAN client)
    TSQLQuery* SQLQueryLastBelt = nullptr;    // text set at run time (LAN client)
    TSQLQuery* SQLQuerySysWork = nullptr;     // the server clock query of FormCreate
    // The link threads' statements.
    TSQLQuery* SQLQueryPUF_Link = nullptr;    // on SQLConnectionPUF_Link
    TSQLQuery* SQLQueryV120 = nullptr;        // on SQLConnectionV120_Link
    TSQLQuery* SQLQueryWS_Log = nullptr;      // on SQLConnectionV120_Link (belt journal insert)
    // Link components; created in the constructor's link block by their units.
    TICPLink* ICPLinkPUF = nullptr;           // port "COM1", timing file "comport.ini"
    TWinSockClient* WinSockClient = nullptr;  // port 7777, 3 tries, OnConnectStatus = WinSockClientConnectStatus
    TVisionLink* VisionLink = nullptr;        // unit id 1, 57600 baud
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
    TAction* ActionSetZRRS = nullptr;
    TAction* ActionSetZRRP = nullptr;
    TAction* ActionSetTRRS = nullptr;
    TAction* ActionSetTRRP = nullptr;
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

    // ---- PUF link (links/) ------------------------------------------------------------------------
    void WinSockClientConnectStatus(TObject* Sender, bool connected);

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
    void ActionTableTimeExecute(TObject* Sender);
    void ActionTableFlotExecute(TObject* Sender);
    void ActionTableBeltExecute(TObject* Sender);
    void ActionAboutExecute(TObject* Sender);
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
    void ActionPrintTableExecute(TObject* Sender);
    void ActionPrintTableFlotExecute(TObject* Sender);
    void ActionPrintTableBeltExecute(TObject* Sender);

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
