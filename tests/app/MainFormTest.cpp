// The main window: its state and components after construction, the message hook, showing screens,
// the confirmed exit, the optional shutdown, the exit under a link thread that is slow to stop, and
// the start-up list.
#include "app/Main.h"

#include "AppTestSupport.h"

#include "app/Config.h"
#include "app/Startup.h"
#include "core/EventLog.h"
#include "core/ShowError.h"
#include "gui/WinApi.h"
#include "rtl/IniFiles.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using apptest::MainWindowTest;
using apptest::StationTest;
using apptest::ReadFile;
using apptest::WriteFile;

TEST_F(MainWindowTest, StateAndComponentsAfterConstruction) {
    EXPECT_EQ(form->Caption(), "Мониторинг обогатительной фабрики");
    EXPECT_EQ(form->BaseCaption, form->Caption());
    EXPECT_EQ(form->FormStyle(), fsMDIForm);
    EXPECT_EQ(form->IniFileName, AnsiString(dir / "plantmon.INI"));
    EXPECT_EQ(form->WorkDir, AnsiString(dir.Path() + "/"));
    EXPECT_EQ(TemplateDir, AnsiString(dir / "Template"));
    EXPECT_EQ(TempDir, AnsiString(dir / "Temp"));
    EXPECT_TRUE(DirectoryExists(TempDir));
    EXPECT_EQ(form->PufCommands->Count(), 0);
    EXPECT_EQ(form->PugMinuteKey, "0000-00-00 00:00:00:00");
    EXPECT_EQ(form->CurrentForm, nullptr);
    for (bool f : form->StateFlags) EXPECT_FALSE(f);

    struct {
        TSQLConnection* conn;
        const char* name;
        const char* library;
    } connections[] = {
        {form->SQLConnection1, "SQLConnection1", "dbxopenmysql50.dll"},
        {form->SQLConnectionUser, "SQLConnectionUser", "openmysql_user.dll"},
        {form->SQLConnectionPUF_Link, "SQLConnectionPUF_Link", "openmysql_puf.dll"},
        {form->SQLConnectionV120_Link, "SQLConnectionV120_Link", "openmysql_v120.dll"},
    };
    for (auto c : connections) {
        EXPECT_EQ(c.conn->Name(), c.name);
        EXPECT_EQ(c.conn->LibraryName(), c.library);
        EXPECT_FALSE(c.conn->LoginPrompt());
        EXPECT_EQ(c.conn->Params()->Values("Database"), "vestra");
        EXPECT_EQ(c.conn->Params()->Values("BlobSize"), "-1");
        EXPECT_FALSE(c.conn->Connected());
    }
    struct {
        TSQLQuery* q;
        TSQLConnection* conn;
        const char* sql;
    } queries[] = {
        {form->SQLQueryPu1State, form->SQLConnectionUser, "select * from pu1_state"},
        {form->SQLQueryMaxTimePu2, form->SQLConnectionUser, "select max(PostMoment) MaxTime from pu2"},
        {form->SQLQueryLastPuf, form->SQLConnectionUser, "select * from puf_data\nwhere RecMoment= :MaxTime"},
        {form->SQLQueryPugState, form->SQLConnectionUser, "select * from pug_state"},
        {form->SQLQueryPUF_Link, form->SQLConnectionPUF_Link, ""},
        {form->SQLQueryWS_Log, form->SQLConnectionV120_Link, ""},
    };
    for (auto q : queries) {
        EXPECT_EQ(q.q->SQLConnection(), q.conn) << q.q->Name();
        EXPECT_EQ(StringReplace(Trim(q.q->SQL()->Text()), "\r\n", "\n"), q.sql) << q.q->Name();
    }
    EXPECT_EQ(form->SQLQueryLastPu1->ParamByName("MaxTime")->DataType(), ftString);
    EXPECT_EQ(form->SQLQueryLastPu1->Fields()->Count(), 16);
    auto* tin = dynamic_cast<TFloatField*>(form->SQLQueryLastPu2->FindField("TIN"));
    ASSERT_NE(tin, nullptr);
    EXPECT_EQ(tin->DisplayFormat(), "# ##0.0 %");
    EXPECT_TRUE(form->SQLQueryLastPu2->FindField("PostMoment")->Required());

    EXPECT_EQ(form->TimerRefreshState->Interval(), 1000u);
    EXPECT_TRUE(form->TimerGetLog->Enabled());
    EXPECT_EQ(form->ShapeLinkGS->Shape(), stCircle);
    EXPECT_EQ(form->ShapeLinkPuf->Brush()->Color(), clSilver);
    EXPECT_EQ(form->LabelLinkV120->Caption(), "ВЕСЫ");
    EXPECT_EQ(form->PanelInfo->Width(), 262);

    form->SetBounds(0, 0, 1000, 700);
    form->FormResize(form);
    EXPECT_EQ(form->PageControl1->Width(), 1000 - form->ToolButtonMainMenu->Width() - 262 - 10);
}

// The screens are MDI children of the application's main window.
class FrameTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_EQ(Application->MainForm(), nullptr);
        Application->FormCreated(form);
        // The screens the first show creates are not part of these tests.
        form->OnShow = nullptr;
    }
};

TEST_F(FrameTest, ShowFormMaximizedRecordsTheScreenAndIgnoresNull) {
    guitest::ShowForm(form);
    form->ShowFormMaximized(nullptr);
    EXPECT_EQ(form->CurrentForm, nullptr);
    auto* screen = new TForm(form);
    screen->SetFormStyle(fsMDIChild);
    screen->AfterConstruction();
    form->ShowFormMaximized(screen);
    EXPECT_EQ(form->CurrentForm, screen);
    EXPECT_EQ(screen->WindowState(), wsMaximized);
    EXPECT_TRUE(screen->Visible());
    form->ShowFormMaximized(nullptr);
    EXPECT_EQ(form->CurrentForm, screen);
}

TEST_F(FrameTest, CtrlF4AndCtrlF6AreTakenBeforeTheFrame) {
    guitest::ShowForm(form);
    auto* screen = new TForm(form);
    screen->SetFormStyle(fsMDIChild);
    screen->AfterConstruction();
    form->ShowFormMaximized(screen);

    // What the hook made of each key-down, per key pressed.
    int pressed = 0;
    std::vector<std::vector<bool>> handledByPress(4);
    Application->OnMessage = [&](TMsg& msg, bool& handled) {
        form->AppMessageHook(msg, handled);
        if (msg.message == WM_KEYDOWN && msg.wParam >= VK_F4 && msg.wParam <= VK_F6)
            handledByPress[pressed].push_back(handled);
    };
    guitest::Key(VK_F4, ssCtrl);
    pressed = 1;
    guitest::Key(VK_F6, ssCtrl);
    pressed = 2;
    guitest::Key(VK_F5, ssCtrl);
    pressed = 3;
    guitest::Key(VK_F4);
    Application->OnMessage = nullptr;

    const bool expected[] = {true, true, false, false};
    for (int i = 0; i < 4; ++i) {
        ASSERT_FALSE(handledByPress[i].empty()) << i;
        for (bool h : handledByPress[i]) EXPECT_EQ(h, expected[i]) << i;
    }
    // The MDI frame never saw its close key: the screen is still there.
    EXPECT_EQ(form->MDIChildCount(), 1);
    EXPECT_TRUE(screen->Visible());
}

// ---- Exit ----------------------------------------------------------------------------------------

TEST_F(MainWindowTest, ClosingAsksAndNoLeavesEverythingRunning) {
    guitest::MessageBoxRecorder boxes;
    boxes.Answer(IDNO);
    form->OnShow = nullptr;  // a window outside the start-up: no screens to create
    guitest::ShowForm(form);
    form->Close();
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().Text, "Вы действительно хотите завершить работу с программой?");
    EXPECT_EQ(boxes.Last().Caption, "Выход");
    EXPECT_EQ(boxes.Last().Flags, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    EXPECT_TRUE(form->Visible());
    EXPECT_FALSE(form->StateFlags[0]);
    // Nothing was saved.
    EXPECT_EQ(ReadFile(IniPath()), apptest::QuietIni);
}

TEST_F(MainWindowTest, YesSavesStopsAndClosesWithoutAskingTwice) {
    guitest::MessageBoxRecorder boxes;
    boxes.Answer(IDYES);
    form->OnShow = nullptr;  // a window outside the start-up: no screens to create
    guitest::ShowForm(form);
    form->PufComPort = "COM7";
    form->Close();
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_TRUE(form->StateFlags[0]);
    EXPECT_TRUE(form->V120ThreadStop);
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(TIniFile(IniPath()).ReadString("PUF", "PUF_COM_port", ""), "COM7");
    form->Close();
    EXPECT_EQ(boxes.Count(), 1);
}

TEST_F(MainWindowTest, ASaveThatFailsLeavesTheWindowOpenAndTheNextCloseDoesNotAsk) {
    guitest::MessageBoxRecorder boxes;
    boxes.Answer(IDYES);
    form->OnShow = nullptr;  // a window outside the start-up: no screens to create
    guitest::ShowForm(form);
    form->IniFileName = AnsiString(IniPath() + "/not-a-folder.INI");
    EXPECT_ANY_THROW(form->ActionExitExecute(form));
    EXPECT_TRUE(form->StateFlags[0]);
    EXPECT_TRUE(form->Visible());
    bool canClose = false;
    form->FormCloseQuery(form, canClose);
    EXPECT_TRUE(canClose);
    EXPECT_EQ(boxes.Count(), 1);
}

TEST_F(MainWindowTest, ShutdownOnExitAsksThePowerServiceOnce) {
    ShutdownOnExit = true;
    form->Free();
    form = nullptr;
    EXPECT_EQ(host.PowerOffRequests(), 1);
    EXPECT_TRUE(host.ClockRequests().empty());
}

TEST_F(MainWindowTest, NoShutdownWithoutTheSetting) {
    form->Free();
    form = nullptr;
    EXPECT_EQ(host.PowerOffRequests(), 0);
}

TEST_F(MainWindowTest, ARefusedShutdownIsNotedInTheLog) {
    host.SetResults(true, false, true, SE_OK);
    ShutdownOnExit = true;
    form->Free();
    form = nullptr;
    EXPECT_EQ(host.PowerOffRequests(), 1);
    EXPECT_NE(ReadFile(DailyLogFileName(Now()).str()).find("Выключение компьютера не выполнено"), std::string::npos);
}

TEST_F(MainWindowTest, ExitWaitsForALinkThreadThatIsSlowToStop) {
    // A link thread that needs well over the one-second wait to notice the stop and then still uses
    // the window's command queue, fields and connection: the window must outlive it.
    std::atomic<bool> finished{false};
    TFormMain* w = form;
    w->PufThreadHandle = new TThread([w, &finished](TThread&) {
        w->PufThreadActive = true;
        while (!w->PufThreadStop) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        {
            TCriticalSectionLock lock(w->PufCommandsLock);
            w->PufCommands->Add("SetTime:1");
        }
        w->PufErrorCount.fetch_add(1);
        (void)w->SQLConnectionPUF_Link->Params()->Count();
        w->PufThreadActive = false;
        finished = true;
        return 1;
    });
    ASSERT_TRUE(w->PufThreadHandle->Start());
    w->V120ThreadHandle = new TThread([w](TThread&) {
        while (!w->V120ThreadStop) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        (void)w->V120ComSpeed;
        return 1;
    });
    ASSERT_TRUE(w->V120ThreadHandle->Start());

    form->Free();
    form = nullptr;
    EXPECT_TRUE(finished);
}

// ---- Start-up ------------------------------------------------------------------------------------

TEST_F(StationTest, StartUpCreatesTheFormsInOrderWithTheMainWindowFirst) {
    WriteFile(IniPath(), apptest::QuietIni);
    guitest::MessageBoxRecorder boxes;
    const int before = Application->ComponentCount();
    CreateStartupForms();
    // The configured server is not there: one box, and start-up goes on.
    ASSERT_EQ(boxes.Count(), 1);
    // It names the server it tried, then the reason.
    EXPECT_EQ(boxes.Last().Text.Pos("Не удается подключиться к MySQL серверу 127.0.0.1:1.\n"), 1) << boxes.Last().Text;
    EXPECT_GT(boxes.Last().Text.Length(), AnsiString("Не удается подключиться к MySQL серверу 127.0.0.1:1.\n").Length());
    EXPECT_EQ(boxes.Last().Caption, "Ошибка");
    EXPECT_EQ(boxes.Last().Flags & MB_ICONMASK, MB_ICONERROR);

    // The forms of the run, every one of them, in their fixed order: the main window first.
    const std::vector<std::string> order = {
        "TFormMain",         "TFormMainMenu",  "TFormAbout",        "TFormMnemoReach",   "TFormArrowEdit",
        "TFormEditBarrel",   "TFormOutFieldEdit", "TFormEditPoligon", "TFormEditPump",   "TFormWebPrint",
        "TFormSvodTable",    "TFormConfig",    "TFormPUF_Link",     "TFormMnemo",        "TFormFlotGraph",
        "TFormGraphZola",    "TFormGraphBakLevel", "TFormTableFlot", "TFormPUF_Log",     "TFormTotalMnemo",
        "TFormTarControl",   "TFormInputNewSet", "TFormTableBelt",  "TFormTableMain",    "TFormGraphBeltWork",
        "TFormBeltLog",      "TFormV120_Link", "TShowErrorForm",    "TFormMnemoGS",      "TFormTable_GS_work"};
    std::vector<TComponent*> created;
    std::vector<std::string> names;
    for (int i = before; i < Application->ComponentCount(); ++i) {
        created.push_back(Application->Components(i));
        names.push_back(created.back()->ClassName().str());
    }
    EXPECT_EQ(names, order);
    EXPECT_EQ(Application->MainForm(), FormMain);
    ASSERT_NE(FormMain, nullptr);
    ASSERT_NE(ShowErrorForm, nullptr);
    EXPECT_TRUE(FormMain->Created());
    EXPECT_FALSE(ShowErrorForm->Visible());
    // The create handler installed the key hook and left the clock alone.
    EXPECT_TRUE(Application->OnMessage.Assigned());
    EXPECT_TRUE(host.ClockRequests().empty());

    Application->OnMessage = nullptr;
    // Newest first, the main window last, as the application frees them at the end of the run.
    for (std::size_t i = created.size(); i-- > 0;) static_cast<TCustomForm*>(created[i])->Free();
    ShowErrorForm = nullptr;
    FormMain = nullptr;
}

}  // namespace
