#include "app/Main.h"

#include "app/Config.h"
#include "core/EventLog.h"
#include "core/Global.h"
#include "gui/Dialogs.h"
#include "gui/WinApi.h"
#include "rtl/FileUtils.h"
#include "rtl/MathUtils.h"
#include "sys/Host.h"
#include "sys/Process.h"

// ---- Units that join the main window as they are built ----------------------------------------------
// Each unit's header is included here when its piece lands, next to the lines it adds below.
#include "links/BeltScale.h"     // Vision link
#include "links/VisionLink.h"    // Vision link
#include "links/VisionThread.h"  // Vision link
#include "app/FormMainMenu.h"      // launcher
#include "links/PufProtocol.h"   // PUF link
#include "links/PufThread.h"     // PUF link
#include "screens/tables/TableFlot.h"  // flotation table (Ctrl+F4)
#include "screens/graphs/FormGraph3Zoom.h"  // jig-machine graph screens (Ctrl+F6)
#include "screens/graphs/FormGraphAir.h"    // jig-machine graph screens
#include "screens/graphs/FormGraphGS.h"     // hydrosizer graph screen
#include "screens/graphs/FormGraphTS.h"     // jig-machine graph screens
#include "screens/tables/PuState.h"         // machine state windows

#include <algorithm>
#include <cstdlib>

const char* const ProductTitle = "Мониторинг обогатительной фабрики";

TFormMain* FormMain = nullptr;

namespace {

// A line straight into the daily file, for the moments when the log timer no longer runs.
void LogDirectly(const AnsiString& text) {
    const int lineNo = FormMain ? ++FormMain->LogLineCount : 0;
    AppendDailyLog(FormatLogLine(lineNo, GetTickCount64() / 1000, Now(), text));
}

}  // namespace

// ---- Construction -----------------------------------------------------------------------------------

TFormMain::TFormMain(TComponent* owner) : TForm(owner) {
    // The links and the screens reach the window through their faces from here on.
    MainWindow = this;
    MainView = this;
    MainPufLink = this;
    MainVisionLink = this;
    SetName("FormMain");
    SetCaption(ProductTitle);
    SetFormStyle(fsMDIForm);
    SetBorderIcons(biSystemMenu);
    SetBounds(0, 0, 1024, 740);
    Font()->SetName("Times New Roman");
    Font()->SetStyle(TFontStyles{fsBold});
    Font()->SetColor(clNavy);

    PufCommands = new TStringList();
    BuildComponents();

    OnCreate = TNotifyEvent(this, &TFormMain::FormCreate);
    OnShow = TNotifyEvent(this, &TFormMain::FormShow);
    OnCloseQuery = TCloseQueryEvent(this, &TFormMain::FormCloseQuery);
    OnResize = TNotifyEvent(this, &TFormMain::FormResize);
    OnDestroy = TNotifyEvent(this, &TFormMain::FormDestroy);

    // ==== Link components (links/): each unit creates and sets up its component here ===============
    // ---- PUF link ----
    CreatePufLinkComponents(this, this);
    // ---- Vision link ----
    VisionLink = new TVisionLink(this);
    VisionLink->SetName("VisionLink");
    VisionLink->SetUnitID(1);
    VisionLink->SetSpeed(57600);

    // ==== State timer (app/MainState.cpp) ============================================================
    TimerRefreshState->OnTimer = TNotifyEvent(this, &TFormMain::TimerRefreshStateTimer);

    // ==== Actions, main menu and tool bar pages (app/MainActions.cpp) ================================
    BuildActions();

    IniFileName = ChangeFileExt(ProgramFileName(), ".INI");
    StartDir = GetCurrentDir();
    WorkDir = IncludeTrailingPathDelimiter(StartDir);
    TemplateDir = WorkDir + "Template";
    TempDir = WorkDir + "Temp";
    ForceDirectories(TempDir);

    BaseCaption = Caption();
    ShutdownOnExit = false;

    // ==== Belt-scale records (links/): both cleared here ==============================================
    // =================================================================================================
    ClearBeltScales();

    LoadSettings(this);
}

TFormMain::~TFormMain() {
    // Normally FormDestroy has done this already; a window freed some other way must not free what
    // a running link thread still uses either.
    JoinLinkThreads();
    delete PufCommands;
    PufCommands = nullptr;
    if (FormMain == this) FormMain = nullptr;
    if (MainView == this) MainView = nullptr;
    if (MainPufLink == this) MainPufLink = nullptr;
    if (MainVisionLink == this) MainVisionLink = nullptr;
}

void TFormMain::BuildComponents() {
    auto connection = [this](const char* name, const char* library) {
        auto* c = new TSQLConnection(this);
        c->SetName(name);
        c->SetConnectionName("MySQLConnection");
        c->SetDriverName("MySQL");
        c->SetLibraryName(library);
        c->SetVendorLib("libmySQL5.dll");
        c->SetGetDriverFunc("getSQLDriverMYSQL50");
        c->SetLoginPrompt(false);
        return c;
    };
    SQLConnection1 = connection("SQLConnection1", "dbxopenmysql50.dll");
    {
        TStrings* p = SQLConnection1->Params();
        p->Add("DriverName=MySQL");
        p->Add("HostName=127.0.0.1");
        p->Add("Database=vestra");
        p->Add("User_Name=root");
        p->Add("Password=");
        p->Add("BlobSize=-1");
        p->Add("ErrorResourceFile=");
        p->Add("LocaleCode=0000");
    }
    // The other three take a copy of SQLConnection1's parameters when the settings are loaded.
    SQLConnectionUser = connection("SQLConnectionUser", "openmysql_user.dll");
    SQLConnectionPUF_Link = connection("SQLConnectionPUF_Link", "openmysql_puf.dll");
    SQLConnectionV120_Link = connection("SQLConnectionV120_Link", "openmysql_v120.dll");
    for (TSQLConnection* c : {SQLConnectionUser, SQLConnectionPUF_Link, SQLConnectionV120_Link})
        c->Params()->Assign(SQLConnection1->Params());

    BuildStatusQueries();

    TimerRefreshState = new TTimer(this);
    TimerRefreshState->SetName("TimerRefreshState");
    TimerRefreshState->SetInterval(1000);
    TimerGetLog = new TTimer(this);
    TimerGetLog->SetName("TimerGetLog");
    TimerGetLog->SetInterval(1000);
    TimerGetLog->OnTimer = TNotifyEvent(this, &TFormMain::TimerGetLogTimer);

    ActionList1 = new TActionList(this);
    ActionList1->SetName("ActionList1");
    ImageList2 = new TImageList(this);
    ImageList2->SetName("ImageList2");
    ImageList2->SetWidth(64);
    ImageList2->SetHeight(32);
    ActionList1->SetImages(ImageList2);
    MainMenu1 = new TMainMenu(this);
    MainMenu1->SetName("MainMenu1");
    SetMenu(MainMenu1);

    ToolBar1 = new TToolBar(this);
    ToolBar1->SetName("ToolBar1");
    ToolBar1->SetParent(this);
    ToolBar1->SetAlign(alTop);
    ToolBar1->SetHeight(76);
    ToolBar1->SetButtonWidth(71);
    ToolBar1->SetButtonHeight(71);
    ToolBar1->SetImages(ImageList2);
    ToolBar1->SetWrapable(false);

    ToolButtonMainMenu = new TToolButton(this);
    ToolButtonMainMenu->SetName("ToolButtonMainMenu");
    static_cast<TControl*>(ToolButtonMainMenu)->SetParent(ToolBar1);
    ToolButtonMainMenu->SetWidth(71);

    PageControl1 = new TPageControl(this);
    PageControl1->SetName("PageControl1");
    PageControl1->SetParent(ToolBar1);
    PageControl1->SetBounds(71, 0, 600, 76);

    PanelInfo = new TPanel(this);
    PanelInfo->SetName("PanelInfo");
    PanelInfo->SetParent(ToolBar1);
    PanelInfo->SetAlign(alRight);
    PanelInfo->SetWidth(262);
    PanelInfo->SetCaption("");
    PanelInfo->SetBevelOuter(bvLowered);

    LabelClock = new TLabel(this);
    LabelClock->SetName("LabelClock");
    LabelClock->SetParent(PanelInfo);
    LabelClock->SetAutoSize(false);
    LabelClock->SetAlignment(taCenter);
    LabelClock->SetBounds(4, 4, 254, 28);
    LabelClock->SetColor(clBlack);
    LabelClock->SetParentFont(false);
    LabelClock->Font()->SetName("Times New Roman");
    LabelClock->Font()->SetHeight(-24);
    LabelClock->Font()->SetStyle(TFontStyles{fsBold});
    LabelClock->Font()->SetColor(clLime);
    LabelClock->SetCaption("00:00:00");

    // The five link lamps in a row under the clock, each with its label beneath.
    struct Lamp {
        TShape** shape;
        TLabel** label;
        const char* shapeName;
        const char* labelName;
        const char* caption;
    };
    const Lamp lamps[] = {
        {&ShapeLinkPU1, &LabelLinkPU1, "ShapeLinkPU1", "LabelLinkPU1", "ПУ №1"},
        {&ShapeLinkPU2, &LabelLinkPU2, "ShapeLinkPU2", "LabelLinkPU2", "ПУ №2"},
        {&ShapeLinkPuf, &LabelLinkPuf, "ShapeLinkPuf", "LabelLinkPuf", "ПУФ"},
        {&ShapeLinkV120, &LabelLinkV120, "ShapeLinkV120", "LabelLinkV120", "ВЕСЫ"},
        {&ShapeLinkGS, &LabelLinkGS, "ShapeLinkGS", "LabelLinkGS", "ГИДРОСАЙЗЕР"},
    };
    const int columnLeft[] = {6, 48, 90, 128, 170};
    const int columnWidth[] = {42, 42, 38, 42, 88};
    for (int i = 0; i < 5; ++i) {
        auto* shape = new TShape(this);
        shape->SetName(lamps[i].shapeName);
        shape->SetParent(PanelInfo);
        shape->SetShape(stCircle);
        shape->SetBounds(columnLeft[i] + (columnWidth[i] - 15) / 2, 38, 15, 15);
        shape->Brush()->SetColor(clSilver);
        *lamps[i].shape = shape;

        auto* label = new TLabel(this);
        label->SetName(lamps[i].labelName);
        label->SetParent(PanelInfo);
        label->SetAutoSize(false);
        label->SetAlignment(taCenter);
        label->SetBounds(columnLeft[i], 56, columnWidth[i], 14);
        label->SetParentFont(false);
        label->Font()->SetName("Arial");
        label->Font()->SetHeight(-10);
        label->Font()->SetStyle(TFontStyles{fsBold});
        label->Font()->SetColor(clNavy);
        label->SetCaption(lamps[i].caption);
        *lamps[i].label = label;
    }
}

void TFormMain::BuildStatusQueries() {
    auto query = [this](const char* name, TSQLConnection* conn, const AnsiString& sql) {
        auto* q = new TSQLQuery(this);
        q->SetName(name);
        q->SetSQLConnection(conn);
        if (!sql.IsEmpty()) q->SQL()->SetText(sql);
        return q;
    };
    SQLQueryPu1State = query("SQLQueryPu1State", SQLConnectionUser, "select * from pu1_state");
    SQLQueryPu2State = query("SQLQueryPu2State", SQLConnectionUser, "select * from pu2_state");
    SQLQueryMaxTimePu1 = query("SQLQueryMaxTimePu1", SQLConnectionUser, "select max(PostMoment) MaxTime from pu1");
    SQLQueryMaxTimePu2 = query("SQLQueryMaxTimePu2", SQLConnectionUser, "select max(PostMoment) MaxTime from pu2");
    SQLQueryLastPu1 = query("SQLQueryLastPu1", SQLConnectionUser, "select * from pu1\nwhere PostMoment= :MaxTime");
    SQLQueryLastPu2 = query("SQLQueryLastPu2", SQLConnectionUser, "select * from pu2\nwhere PostMoment= :MaxTime");
    SQLQueryPufState = query("SQLQueryPufState", SQLConnectionUser, "select * from puf_state");
    SQLQueryMaxTimePuf = query("SQLQueryMaxTimePuf", SQLConnectionUser, "select max(RecMoment) MaxTime from puf_data");
    SQLQueryLastPuf = query("SQLQueryLastPuf", SQLConnectionUser, "select * from puf_data\nwhere RecMoment= :MaxTime");
    SQLQueryPugState = query("SQLQueryPugState", SQLConnectionUser, "select * from pug_state");
    SQLQueryMaxTimeBelt = query("SQLQueryMaxTimeBelt", SQLConnectionUser, "");
    SQLQueryLastBelt = query("SQLQueryLastBelt", SQLConnectionUser, "");
    SQLQuerySysWork = query("SQLQuerySysWork", SQLConnectionUser, "");
    SQLQueryPUF_Link = query("SQLQueryPUF_Link", SQLConnectionPUF_Link, "");
    SQLQueryV120 = query("SQLQueryV120", SQLConnectionV120_Link, "");
    SQLQueryWS_Log = query("SQLQueryWS_Log", SQLConnectionV120_Link, "");
    for (TSQLQuery* q : {SQLQueryLastPu1, SQLQueryLastPu2, SQLQueryLastPuf}) q->ParamByName("MaxTime")->SetDataType(ftString);

    // The newest row of each jig machine carries persistent fields with the display formats the
    // diagrams and state windows show.
    struct FieldDef {
        const char* name;
        const char* format;
    };
    const FieldDef pufields[] = {
        {"TPST_1", "##0"},      {"TPST_2", "##0"},      {"TPST_3", "##0"},      {"ZPST_1", "##0"},
        {"ZPST_2", "##0"},      {"ZPST_3", "##0"},      {"TIN", "# ##0.0 %"},   {"TOUT", "# ##0.0 %"},
        {"TPAUSA", "# ##0.0 %"}, {"KKP", "##0"},        {"TS_1", "##0%"},       {"TS_2", "##0%"},
        {"TS_3", "##0%"},       {"RAB", ""},            {"NRAB", ""},
    };
    for (TSQLQuery* q : {SQLQueryLastPu1, SQLQueryLastPu2}) {
        auto* moment = new TSQLTimeStampField(this);
        moment->SetName(q->Name() + "PostMoment");
        moment->SetFieldName("PostMoment");
        moment->SetRequired(true);
        moment->SetDataSet(q);
        for (const FieldDef& d : pufields) {
            auto* f = new TFloatField(this);
            f->SetName(q->Name() + d.name);
            f->SetFieldName(d.name);
            if (*d.format) f->SetDisplayFormat(d.format);
            f->SetDataSet(q);
        }
    }
}

// ---- Start-up ---------------------------------------------------------------------------------------

void TFormMain::FormCreate(TObject*) {
    FormResize(this);
    SetCaption(BaseCaption);
    SetConnectionParam(this, "HostName", HostName);
    SetConnectionParam(this, "User_Name", UserName);
    SetConnectionParam(this, "Password", Password);
    try {
        SQLConnection1->Open();
        SQLConnectionUser->Open();
    } catch (const std::exception& e) {
        // The program runs on without the database: the lamps stay as they are and each link thread
        // reports its own connection failure. The box names the server it tried, and why it failed.
        Application->MessageBox("Не удается подключиться к MySQL серверу " + HostName + ".\n" + e.what(), "Ошибка",
                                MB_OK | MB_ICONERROR);
    }
    Application->ProcessMessages();

    if (!LanClientMode) {
        // ==== Link threads (links/), in this order ====================================================
        //   StartPufThread(this);
        //   StartVisionThread(this);
        // ==============================================================================================
        StartPufThread(this);
        StartVisionThread(this);
    }

    Application->OnMessage = TMessageEvent(this, &TFormMain::AppMessageHook);
    SetClockFromServer();
}

bool TFormMain::SetClockFromServer() {
    if (!SQLConnectionUser->Connected()) return false;
    try {
        SQLQuerySysWork->Close();
        SQLQuerySysWork->SQL()->SetText("select Now() as CurTime");
        SQLQuerySysWork->Open();
        const TDateTime serverTime = SQLQuerySysWork->FieldByName("CurTime")->AsDateTime();
        SQLQuerySysWork->Close();
        // A server whose own clock is plainly unset is no reference.
        if (serverTime <= EncodeDate(2008, 6, 10)) return false;
        const long long seconds = std::llabs(Trunc((serverTime - Now()) * SecsPerDay));
        if (seconds <= 10) return false;
        if (SystemHost().SetLocalTime(serverTime)) return true;
        PostEvent("Время компьютера не установлено по серверу (нет права на установку часов): " +
                      FormatDateTime("dd.mm.yyyy hh:nn:ss", serverTime),
                  0);
    } catch (...) {
        // The clock is left alone, without a word.
    }
    return false;
}

void TFormMain::FormShow(TObject*) {
    // The window may be shown again (restored from minimized); the screens are made once.
    if (shown_) return;
    shown_ = true;
    SetWindowState(wsMaximized);

    // ==== Screens owned by the main window, in this order; each joins here when built =================
    // (configuration files beside the executable: ExtractFilePath(ProgramFileName()) + name)
    const AnsiString dir = IncludeTrailingPathDelimiter(ExtractFilePath(ProgramFileName()));
    FormGraph3Zoom1 = NewForm<TFormGraph3Zoom>(this, 1, dir + "Graph3ZoomK.INI");
    FormGraph3Zoom2 = NewForm<TFormGraph3Zoom>(this, 2, dir + "Graph3ZoomM.INI");
    FormGraphTS_1 = NewForm<TFormGraphTS>(this, 1, dir + "GraphTS_K.INI");
    FormGraphTS_2 = NewForm<TFormGraphTS>(this, 2, dir + "GraphTS_M.INI");
    FormGraphAir_1 = NewForm<TFormGraphAir>(this, 1, dir + "GraphAir_K.INI");
    FormGraphAir_2 = NewForm<TFormGraphAir>(this, 2, dir + "GraphAir_M.INI");
    FormPu1State = NewForm<TFormPuState>(this, 1);
    FormPu2State = NewForm<TFormPuState>(this, 2);
    FormGraphGS = NewForm<TFormGraphGS>(this, dir + "GraphGS.INI");
    FormGraphGS->ShowAllGraphs();
    // ==== The launcher in front (app/FormMainMenu) =====================================================
    //   ShowFormMaximized(FormMainMenu);
    // =================================================================================================
    ShowFormMaximized(FormMainMenu);
}

void TFormMain::FormResize(TObject*) {
    if (!PageControl1) return;
    PageControl1->SetWidth(std::max(0, Width() - ToolButtonMainMenu->Width() - PanelInfo->Width() - 10));
}

void TFormMain::ShowFormMaximized(TForm* form) {
    if (!form) return;
    CurrentForm = form;
    form->SetWindowState(wsMaximized);
    form->Show();
    form->BringToFront();
}

void TFormMain::AppMessageHook(TMsg& Msg, bool& Handled) {
    if (Msg.message != WM_KEYDOWN || GetKeyState(VK_CONTROL) >= 0) return;
    // These keys are taken before the MDI frame would close (Ctrl+F4) or cycle (Ctrl+F6) its screens.
    switch (Msg.wParam) {
    case VK_F4:
        ShowFormMaximized(FormTableFlot);
        Handled = true;
        break;
    case VK_F6:
        ShowFormMaximized(FormGraph3Zoom2);
        Handled = true;
        break;
    default:
        break;
    }
}

// ---- Exit -------------------------------------------------------------------------------------------

void TFormMain::ActionExitExecute(TObject*) {
    if (Application->MessageBox("Вы действительно хотите завершить работу с программой?", "Выход",
                                MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    StateFlags[0] = true;
    // A failure to save escapes to the message loop; the window then stays open and the next close
    // goes through without asking.
    SaveSettings(this);
    StopLinkThreads();
    Close();
}

void TFormMain::FormCloseQuery(TObject*, bool& CanClose) {
    if (StateFlags[0]) {
        CanClose = true;
        V120ThreadStop = true;
    } else {
        CanClose = false;
        ActionExitExecute(this);
    }
}

void TFormMain::FormDestroy(TObject*) {
    V120ThreadStop = true;
    StopLinkThreads();
    // Nothing a link thread uses (the command queue, the link components, the connections, this
    // window's fields) is freed before that thread has ended: a thread that outlived the one-second
    // wait is waited for here. Its cycle is bounded by the link time-outs.
    JoinLinkThreads();
    if (ShutdownOnExit) ShutdownWindows();
}

void TFormMain::StopLinkThreads() {
    BeepGuard("stop PUF thread", [this] { StopPufThread(this); });
    BeepGuard("stop Vision thread", [this] { StopVisionThread(this); });
}

void TFormMain::JoinLinkThreads() {
    if (PufThreadHandle) {
        PufThreadStop = true;
        PufThreadHandle->Join();
        delete PufThreadHandle;
        PufThreadHandle = nullptr;
    }
    if (V120ThreadHandle) {
        V120ThreadStop = true;
        V120ThreadHandle->Join();
        delete V120ThreadHandle;
        V120ThreadHandle = nullptr;
    }
}

// ---- Station ----------------------------------------------------------------------------------------

int CountRunningCopies(const AnsiString& exePath) {
    return CountProcessesOfExecutable(exePath);
}

bool ShutdownWindows() {
    if (SystemHost().PowerOff()) return true;
    LogDirectly("Выключение компьютера не выполнено: система отклонила запрос");
    return false;
}
