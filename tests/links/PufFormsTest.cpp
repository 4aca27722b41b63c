// The set-point dialog and the flotation link console, off-screen.
#include "links/FormInputNewSet.h"
#include "links/FormPUF_Link.h"

#include "core/Global.h"
#include "PufStation.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <memory>

using namespace puftest;

namespace {

class PufFormsTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedFormat = FormatSettings();
        FormatSettings() = TFormatSettings::Russian();
        form = NewMainWindow(nullptr);
        FormInputNewSet = dialog = new TFormInputNewSet(nullptr);
        FormPUF_Link = console = new TFormPUF_Link(nullptr);
        console->TimerUpdate->SetEnabled(false);  // ticks are driven by the tests
    }
    void TearDown() override {
        delete console;
        delete dialog;
        FormInputNewSet = nullptr;
        FormPUF_Link = nullptr;
        FreeMainWindow(form);
        FormatSettings() = savedFormat;
    }
    std::vector<std::string> Queue() {
        TCriticalSectionLock lock(form->PufCommandsLock);
        std::vector<std::string> out;
        for (int i = 0; i < form->PufCommands->Count(); ++i) out.push_back(form->PufCommands->Strings(i).str());
        return out;
    }

    StationFolder folder;
    TFormatSettings savedFormat;
    TFormMain* form = nullptr;
    TFormInputNewSet* dialog = nullptr;
    TFormPUF_Link* console = nullptr;
};

TEST_F(PufFormsTest, TypingReplacesThePrefilledValueAndEscapeCancels) {
    EXPECT_EQ(dialog->Caption(), "Новое задание");
    EXPECT_EQ(dialog->LabelParName->Caption(), "Наименование параметра:");
    guitest::ModalDriver modal;
    dialog->EditInput->SetText("35,5");
    AnsiString typed;
    modal.Then([&](TCustomForm*) {
        guitest::Type("7");
        typed = dialog->EditInput->Text();
        guitest::Click(dialog->BitBtn1);
    });
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_EQ(typed, "7");
    modal.Then([&](TCustomForm*) { guitest::Key(VK_ESCAPE); });
    EXPECT_NE(dialog->ShowModal(), mrOk);
    EXPECT_EQ(modal.Unexpected(), 0);
}

TEST_F(PufFormsTest, TheSetpointRequestQueuesOnlyACheckedNumber) {
    guitest::MessageBoxRecorder boxes;
    guitest::ModalDriver modal;
    struct Case {
        const char* name;
        const char* input;
        TModalResult result;
        const char* queued;  // nullptr: nothing
        bool box;
    };
    const Case cases[] = {
        {"a comma locale's number goes with a point", "12,5", mrOk, "SetTRRS:12.5", false},
        {"blanks around it", " 3 ", mrOk, "SetTRRS:3", false},
        {"cancelled", "12,5", mrCancel, nullptr, false},
        {"nothing typed", "  ", mrOk, nullptr, false},
        {"no number", "abc", mrOk, nullptr, true},
    };
    for (const Case& c : cases) {
        modal.Then([&](TCustomForm* f) {
            dialog->EditInput->SetText(c.input);
            f->SetModalResult(c.result);
        });
        {
            TCriticalSectionLock lock(form->PufCommandsLock);
            form->PufCommands->Clear();
        }
        boxes.Clear();
        QueuePufSetpoint(form, "Текущий расход собирателя", "TRRS");
        EXPECT_EQ(Queue(), c.queued ? std::vector<std::string>{c.queued} : std::vector<std::string>{}) << c.name;
        ASSERT_EQ(boxes.Count(), c.box ? 1 : 0) << c.name;
        if (c.box) {
            EXPECT_EQ(boxes.Last().Text, "Новое значение указано неверно.");
            EXPECT_EQ(boxes.Last().Caption, "Ошибка");
            EXPECT_EQ(boxes.Last().Flags & MB_ICONERROR, MB_ICONERROR);
        }
    }
    // Without the console's dataset the dialog comes empty.
    modal.Then([&](TCustomForm* f) {
        EXPECT_EQ(dialog->EditInput->Text(), "");
        f->SetModalResult(mrCancel);
    });
    QueuePufSetpoint(form, "x", "ZRRP");
}

TEST(PufConsoleText, UptimeInDaysHoursAndMinutes) {
    const TDateTime minute = 1.0 / 1440;
    struct Case {
        TDateTime uptime;
        const char* text;
    };
    const Case cases[] = {
        {0, " 00 минут."},
        {61 * minute, "1 час  01 минут."},
        {2 + 12.0 / 24 + 25 * minute, "2 дня 12 часов  25 минут."},
        {1 + 3.0 / 24, "1 день 3 часа  00 минут."},
        {5 + 21.0 / 24 + 59 * minute, "5 дней 21 часов  59 минут."},
        {21, "21 дней  00 минут."},
    };
    for (const Case& c : cases) EXPECT_EQ(PufUptimeText(c.uptime), c.text) << c.uptime;
}

TEST_F(PufFormsTest, TheLabelsFollowTheThreadAndItsCounters) {
    console->TimerUpdateTimer(nullptr);
    EXPECT_EQ(console->LabelLinkState->Caption(), "Остановлен");
    EXPECT_EQ(console->LabelLinkState->Font()->Color(), clRed);
    EXPECT_EQ(console->Label_link_name->Caption(), "RS-485");
    EXPECT_EQ(console->LabelWorkTime->Caption(), "");
    EXPECT_EQ(console->LabelQueryCount->Caption(), "0");

    // What a running thread has written.
    form->PufThreadActive = true;
    form->PufOverTcp = true;
    form->PufStartTime = Now() - 61.5 / 1440;
    form->PufQueryCount = 1234;
    form->PufErrorCount = 7;
    console->TimerUpdateTimer(nullptr);
    EXPECT_EQ(console->LabelLinkState->Caption(), "Активен");
    EXPECT_EQ(console->LabelLinkState->Font()->Color(), clGreen);
    EXPECT_EQ(console->Label_link_name->Caption(), "TCP/IP");
    EXPECT_EQ(console->LabelWorkTime->Caption(), "1 час  01 минут.");
    EXPECT_EQ(console->LabelQueryCount->Caption(), "1234");
    EXPECT_EQ(console->LabelErrorCount->Caption(), "7");
    form->PufThreadActive = false;
}

TEST_F(PufFormsTest, LinkSettingsAreStoredOnlyWithAValidSpeed) {
    guitest::MessageBoxRecorder boxes;
    form->PufComPort = "COM1";
    form->PufComSpeed = 38400;
    form->PufIP = "192.168.3.1";
    console->FormShow(nullptr);
    EXPECT_EQ(console->EditPortName->Text(), "COM1");
    EXPECT_EQ(console->ComboBoxLinkSpeed->Text(), "38400");
    EXPECT_FALSE(console->CheckBoxLanLink->Checked());
    EXPECT_EQ(console->Edit_PUF_IP->Text(), "192.168.3.1");

    console->EditPortName->SetText("/dev/ttyUSB0");
    console->CheckBoxLanLink->SetChecked(true);
    console->Edit_PUF_IP->SetText("10.0.0.5");
    console->ComboBoxLinkSpeed->SetText("abc");
    console->ButSetLinkParamClick(nullptr);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().Text, "Скорость обмена указана неверно.");
    EXPECT_EQ(boxes.Last().Caption, "Ошибка");
    EXPECT_EQ(form->PufComPort, "COM1");
    EXPECT_EQ(form->PufComSpeed, 38400);
    EXPECT_FALSE(form->PufLanEnabled);
    EXPECT_EQ(form->PufIP, "192.168.3.1");

    // A speed the serial link does not know is stored all the same; the next start refuses it.
    console->ComboBoxLinkSpeed->SetText("12345");
    console->CheckBoxLanLink->SetChecked(false);
    console->ButSetLinkParamClick(nullptr);
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_EQ(form->PufComPort, "/dev/ttyUSB0");
    EXPECT_EQ(form->PufComSpeed, 12345);
    EXPECT_EQ(form->PufIP, "10.0.0.5");
    TakeEvents();
    console->ButPuskClick(nullptr);  // the station's database is out of reach: a box, and it goes on
    ASSERT_TRUE(WaitUntil([&] { return form->PufThreadHandle && form->PufThreadHandle->Finished(); }, 10000));
    EXPECT_EQ(boxes.Last().Text, "не могу подключиться к MySQL серверу.");
    EXPECT_EQ(form->ICPLinkPUF->Status(), "Попытка соединения с неправильной скоростью!");
    EXPECT_EQ(TakeEvents(), std::vector<std::string>{"Поток связи c ПУФ: Не могу подключить порт /dev/ttyUSB0"});
    console->ButStopClick(nullptr);
    EXPECT_EQ(form->PufThreadHandle, nullptr);
}

TEST_F(PufFormsTest, ASetpointCommandNeedsAParameterAndANumber) {
    guitest::MessageBoxRecorder boxes;
    struct Case {
        const char* name;
        int index;
        const char* value;
        const char* box;     // nullptr: none
        const char* queued;  // nullptr: nothing
    };
    const Case cases[] = {
        {"no parameter", -1, "1", "Выберите изменяемый параметр.", nullptr},
        {"no number", 0, "x1", "Новое значение указано неверно.", nullptr},
        {"collector flow", 0, "35", nullptr, "SetTRRS:35"},
        {"frother flow", 1, "11,9", nullptr, "SetTRRP:11.9"},
        {"a comma and blanks", 2, " 7,5 ", nullptr, "SetZRRS:7.5"},
        {"frother set-point", 3, "-0,25", nullptr, "SetZRRP:-0.25"},
    };
    for (const Case& c : cases) {
        {
            TCriticalSectionLock lock(form->PufCommandsLock);
            form->PufCommands->Clear();
        }
        boxes.Clear();
        console->ComboBoxSignalName->SetItemIndex(c.index);
        console->EditNewVal->SetText(c.value);
        console->ButSetCmdClick(nullptr);
        EXPECT_EQ(Queue(), c.queued ? std::vector<std::string>{c.queued} : std::vector<std::string>{}) << c.name;
        ASSERT_EQ(boxes.Count(), c.box ? 1 : 0) << c.name;
        if (c.box) {
            EXPECT_EQ(boxes.Last().Text, c.box) << c.name;
        }
    }
}

TEST_F(PufFormsTest, TheStateGridShowsEveryColumnOfTheStateRow) {
    REQUIRE_TEST_DB();
    testdb::ScratchDatabase db;
    db.Exec("insert into puf_state (RecMoment, PLF, RVF, ALARMS) values ('2024-05-01 10:20:30', 1234.5, 0.25, 1)");
    FreeMainWindow(form);
    form = NewMainWindow(&db);
    delete console;
    FormPUF_Link = console = new TFormPUF_Link(nullptr);
    console->TimerUpdate->SetEnabled(false);
    form->SQLConnectionUser->Open();
    TFormPUF_Link::RefreshTicks = 0;
    for (int i = 0; i < 4; ++i) console->TimerUpdateTimer(nullptr);
    EXPECT_EQ(console->StringGridCurState->Cells(0, 0), "") << "only every fifth tick reads the row";
    console->TimerUpdateTimer(nullptr);
    const TStringGrid* g = console->StringGridCurState;
    EXPECT_EQ(g->RowCount(), 20);  // the header, the time stamp and 18 values
    EXPECT_EQ(g->Cells(0, 0), "Параметр");
    EXPECT_EQ(g->Cells(1, 0), "Значение");
    EXPECT_EQ(g->Cells(0, 1), "Дата, время");
    EXPECT_EQ(g->Cells(1, 1), "01.05.2024 10:20:30");
    EXPECT_EQ(g->Cells(0, 2), "PLF");
    EXPECT_EQ(g->Cells(1, 2), FormatFloat("### ##0.###", 1234.5));
    EXPECT_EQ(g->Cells(0, 3), "RVF");
    EXPECT_EQ(g->Cells(1, 3), FormatFloat("### ##0.###", 0.25));
    EXPECT_EQ(g->Cells(0, 19), "ALARMS");
    EXPECT_EQ(g->Cells(1, 19), FormatFloat("### ##0.###", 1));
    EXPECT_TRUE(console->SQLClientDataSetCurState->Active());
    // Every row is on the page, the last alarm flags too.
    guitest::ShowForm(console);
    console->PageControl1->SetActivePage(console->TabSheet1);
    const TRect client = g->ClientRect();
    for (int row = 0; row < g->RowCount(); ++row) {
        const TRect cell = g->CellRect(1, row);
        EXPECT_FALSE(cell.IsEmpty()) << row;
        EXPECT_LE(cell.Bottom, client.Bottom) << row << " " << g->Height();
        EXPECT_LE(cell.Right, client.Right) << row;
    }
}

}  // namespace
