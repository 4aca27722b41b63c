// The PUF worker thread end to end: the real thread and link components, the simulated controller on
// a pseudo-terminal or loopback TCP, and a scratch database on the private server.
#include "links/PufThread.h"

#include "core/Global.h"
#include "links/FormInputNewSet.h"
#include "links/FormPUF_Link.h"
#include "PufStation.h"
#include "testlib/gui/GuiHarness.h"
#include "tools/pufsim/PufSimulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>
#include <set>

using namespace puftest;
using pufsim::Fault;

namespace {

const char* const kMissingPort = "/dev/plantmon-no-such-port";

class PufThreadTest : public ThreadStationTest {
protected:
    std::vector<std::string> QueuedCommands() {
        TCriticalSectionLock lock(form->PufCommandsLock);
        std::vector<std::string> out;
        for (int i = 0; i < form->PufCommands->Count(); ++i) out.push_back(form->PufCommands->Strings(i).str());
        return out;
    }
    // Every write attempt on the flotation tables counts; each n-th is refused by the server.
    void RefuseEveryNthWrite(int n) {
        TSQLConnection* c = form->SQLConnection1;
        c->ExecuteDirect("CREATE TABLE refuse_ctl (n INT NOT NULL) ENGINE=MyISAM");
        c->ExecuteDirect("INSERT INTO refuse_ctl VALUES (0)");
        const std::string body = " FOR EACH ROW BEGIN UPDATE refuse_ctl SET n = n + 1; IF (SELECT MOD(n, " +
                                 std::to_string(n) +
                                 ") FROM refuse_ctl) = 0 THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'refused'; "
                                 "END IF; END";
        c->ExecuteDirect("CREATE TRIGGER refuse_data_insert BEFORE INSERT ON puf_data" + body);
        c->ExecuteDirect("CREATE TRIGGER refuse_data_update BEFORE UPDATE ON puf_data" + body);
        c->ExecuteDirect("CREATE TRIGGER refuse_log_insert BEFORE INSERT ON puf_log" + body);
    }
    long long WriteAttempts() { return std::stoll(*db->Scalar("select n from refuse_ctl")); }

    // N records and M log entries through faults at 20 % and a server that refuses every fourth
    // write: none may be lost, none written twice. Prints the counts.
    void RunFaultTest(bool overTcp) {
        constexpr int kRecords = 12;
        constexpr int kLogEntries = 6;
        RefuseEveryNthWrite(4);
        sim.SetSeed(overTcp ? 7 : 3);
        pufsim::FaultRates rates;
        rates.silence = 0.04;
        rates.delay = 0.04;
        rates.garble = 0.04;
        rates.badChecksum = 0.04;
        rates.refuse = 0.04;
        sim.SetFaultRates(rates);
        std::vector<std::string> keys;
        for (int i = 0; i < kRecords; ++i) {
            sim.SetValue("PLF", 100 + i);
            keys.push_back(sim.AddRecord(pufsim::FormatMoment(EncodeDateTime(2024, 5, 1, 8, i, 0, 0))));
        }
        for (int i = 0; i < kLogEntries; ++i)
            sim.AddLogEntry("Событие " + std::to_string(i), pufsim::FormatMoment(EncodeDateTime(2024, 5, 1, 7, i, 0, 0)));
        if (overTcp) {
            // The serial port is missing: the link moves to TCP after its first eleven failures.
            form->PufComPort = kMissingPort;
            form->PufLanEnabled = true;
        }
        Start();
        const bool done = sim.WaitUntil([&] { return sim.UnsavedRecords().empty() && sim.LogEntries().empty(); },
                                        std::chrono::seconds(240));
        StopAndJoin();
        EXPECT_TRUE(done) << "unsaved " << sim.UnsavedRecords().size() << ", log " << sim.LogEntries().size();
        if (overTcp) {
            EXPECT_TRUE(form->PufOverTcp.load());
        }

        const long long written = Rows("puf_data");
        long long present = 0;
        for (const std::string& k : keys) present += Rows("puf_data", "RecMoment='" + k + "'") > 0 ? 1 : 0;
        const long long distinct = std::stoll(*db->Scalar("select count(distinct RecMoment) from puf_data"));
        const long long logRows = Rows("puf_log");
        const long long logDistinct = std::stoll(*db->Scalar("select count(distinct Message) from puf_log"));
        const long long attempts = WriteAttempts();
        const int faults = sim.FaultCount(Fault::Silence) + sim.FaultCount(Fault::Delay) +
                           sim.FaultCount(Fault::Garble) + sim.FaultCount(Fault::BadChecksum) +
                           sim.FaultCount(Fault::Refuse);
        std::cout << "[ PUF faults over " << (overTcp ? "TCP" : "pty") << " ] records: sent " << kRecords
                  << ", written " << written << ", acknowledged " << sim.AcknowledgedKeys().size() << ", lost "
                  << (kRecords - present) << ", doubled " << (written - distinct) << "; log: sent " << kLogEntries
                  << ", written " << logRows << ", deleted " << sim.DeletedLogIds().size() << ", doubled "
                  << (logRows - logDistinct) << "; database writes tried " << attempts << ", refused "
                  << attempts / 4 << "; faults injected " << faults << " in " << sim.LineCount()
                  << " requests; failures counted " << form->PufErrorCount.load() << std::endl;
        EXPECT_EQ(present, kRecords);
        EXPECT_EQ(written, kRecords);
        EXPECT_EQ(distinct, kRecords);
        EXPECT_EQ(static_cast<int>(sim.AcknowledgedKeys().size()), kRecords);
        EXPECT_EQ(logRows, kLogEntries);
        EXPECT_EQ(logDistinct, kLogEntries);
        EXPECT_GE(attempts / 4, 1) << "the server refused no write";
        EXPECT_GT(faults, 0);
    }

};

TEST_F(PufThreadTest, StateLogAndDataReachTheDatabase) {
    sim.SetValue("PLF", 131.25);
    sim.SetValue("ALARMS", 1);
    sim.SetClock(EncodeDateTime(2024, 5, 1, 10, 0, 0, 0));
    sim.SetClockRunning(false);  // the state row's moment is the controller's reading
    const int logId = sim.AddLogEntry("Насос 'Н-2' включён", "2024-05-01 09:59:30");
    const std::string fresh = sim.AddRecord("2024-05-01 10:00:00");
    // A record whose row is there already is updated, not added.
    db->Exec("insert into puf_data (RecMoment, PLF) values ('2024-05-01 10:01:00', 1)");
    const std::string known = sim.AddRecord("2024-05-01 10:01:00");
    Start();
    ASSERT_TRUE(sim.WaitForAcknowledged(2, std::chrono::seconds(30)));
    ASSERT_TRUE(sim.WaitUntil([&] { return sim.DeletedLogIds().size() == 1; }, std::chrono::seconds(10)));
    ASSERT_TRUE(WaitUntil([&] { return form->PufLastStateTime.load() > 0; }, 10000));
    StopAndJoin();

    // The state row was created and then updated from the controller's answer.
    EXPECT_EQ(Rows("puf_state"), 1);
    EXPECT_EQ(*db->Scalar("select PLF from puf_state"), "131.25");
    EXPECT_EQ(*db->Scalar("select ALARMS from puf_state"), "1");
    EXPECT_EQ(*db->Scalar("select RecMoment from puf_state"), "2024-05-01 10:00:00");
    // The log record, its quotes and letters as the controller sent them.
    EXPECT_EQ(sim.DeletedLogIds(), std::vector<int>{logId});
    EXPECT_EQ(Rows("puf_log"), 1);
    EXPECT_EQ(*db->Scalar("select Message from puf_log"), "Насос 'Н-2' включён");
    EXPECT_EQ(*db->Scalar("select PostMoment from puf_log"), "2024-05-01 09:59:30");
    // The data records: one row each, acknowledged with their keys.
    EXPECT_EQ(sim.SaveFlagArguments(), (std::vector<std::string>{fresh, known}));
    EXPECT_EQ(Rows("puf_data"), 2);
    EXPECT_EQ(*db->Scalar("select PLF from puf_data where RecMoment='2024-05-01 10:01:00'"), "131.25");
    EXPECT_GT(form->PufQueryCount.load(), 0);
    EXPECT_TRUE(TakeEvents().empty());
    // Closed after the loop.
    EXPECT_FALSE(form->ICPLinkPUF->Active());
}

TEST_F(PufThreadTest, RecordsPassFaultsAndRefusedWritesExactlyOnceOverThePty) {
    RunFaultTest(false);
}

TEST_F(PufThreadTest, RecordsPassFaultsAndRefusedWritesExactlyOnceOverTcp) {
    RunFaultTest(true);
}

TEST_F(PufThreadTest, ASetpointFromTheDialogReachesTheControllerWithAPoint) {
    FormatSettings() = TFormatSettings::Russian();  // a comma locale
    auto dialog = std::unique_ptr<TFormInputNewSet>(FormInputNewSet = new TFormInputNewSet(nullptr));
    auto console = std::unique_ptr<TFormPUF_Link>(FormPUF_Link = new TFormPUF_Link(nullptr));
    console->TimerUpdate->SetEnabled(false);
    // The console's state dataset is open: the dialog comes prefilled with the current value.
    db->Exec("insert into puf_state (RecMoment, TRRS) values ('2024-05-01 10:00:00', 35.5)");
    console->SQLClientDataSetCurState->Open();
    guitest::ModalDriver modal;
    AnsiString prefill, label;
    modal.Then([&](TCustomForm* f) {
        ASSERT_EQ(f, dialog.get());
        label = dialog->LabelParName->Caption();
        prefill = dialog->EditInput->Text();
        dialog->EditInput->SetText("12,5");
        f->SetModalResult(mrOk);
    });
    QueuePufSetpoint(form, "Текущий расход собирателя", "TRRS");
    EXPECT_EQ(label, "Текущий расход собирателя");
    EXPECT_EQ(prefill, FloatToStr(35.5));
    // The console queues its command the same way.
    console->ComboBoxSignalName->SetItemIndex(2);
    console->EditNewVal->SetText(" 7,5 ");
    console->ButSetCmdClick(nullptr);
    EXPECT_EQ(QueuedCommands(), (std::vector<std::string>{"SetTRRS:12.5", "SetZRRS:7.5"}));

    Start();
    ASSERT_TRUE(WaitUntil([&] { return QueuedCommands().empty(); }, 20000));
    const std::vector<pufsim::SetpointCommand> got = sim.Setpoints();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].word, "SetTRRS");
    EXPECT_EQ(got[0].argument, "12.5");
    EXPECT_TRUE(got[0].accepted);
    EXPECT_EQ(got[1].word, "SetZRRS");
    EXPECT_EQ(got[1].argument, "7.5");
    EXPECT_TRUE(got[1].accepted);
    EXPECT_EQ(sim.Value("TRRS"), 12.5);
    EXPECT_EQ(sim.Value("ZRRS"), 7.5);
    StopAndJoin();
    FormInputNewSet = nullptr;
    FormPUF_Link = nullptr;
}

TEST_F(PufThreadTest, QueuedCommandsLeaveOnlyWhenAnsweredExceptTheTimeCommand) {
    sim.InjectFault(Fault::Refuse, 1, "SetTime");
    sim.InjectFault(Fault::Refuse, 2, "SetTRRS");
    AppendPufCommand(form, "SetTime:45413.5");
    AppendPufCommand(form, "SetTRRS:12.5");
    AppendPufCommand(form, "SetTRRP:3");
    Start();
    ASSERT_TRUE(WaitUntil([&] { return QueuedCommands().empty(); }, 30000));
    StopAndJoin();
    // The refused time command went after one try; the refused set-point was sent until accepted, and
    // the command behind it waited for it.
    EXPECT_EQ(sim.Count("SetTime"), 1);
    EXPECT_EQ(sim.Count("SetTRRS"), 3);
    EXPECT_EQ(sim.Count("SetTRRP"), 1);
    std::vector<std::string> order;
    for (const pufsim::ReceivedLine& l : sim.Lines())
        if (l.word.rfind("Set", 0) == 0 && l.word != "SetSaveFlag") order.push_back(l.word);
    EXPECT_EQ(order, (std::vector<std::string>{"SetTime", "SetTRRS", "SetTRRS", "SetTRRS", "SetTRRP"}));
    EXPECT_GE(form->PufErrorCount.load(), 2);
}

TEST_F(PufThreadTest, AMissingPortEndsTheThreadUnlessTheLanLinkMayTakeOver) {
    // Without the LAN link: the port message, and the thread ends.
    form->PufComPort = kMissingPort;
    Start();
    ASSERT_TRUE(WaitUntil([&] { return !form->PufThreadActive.load(); }, 10000));
    EXPECT_EQ(TakeEvents(), std::vector<std::string>{std::string("Поток связи c ПУФ: Не могу подключить порт ") + kMissingPort});
    EXPECT_TRUE(StopPufThread(form));

    // With it: three counted failures a cycle, and from the eleventh on the link goes over TCP, where
    // the controller is greeted with its probe and the data flows.
    form->PufLanEnabled = true;
    const std::string key = sim.AddRecord("2024-05-01 11:00:00");
    Start();
    ASSERT_TRUE(sim.WaitForAcknowledged(1, std::chrono::seconds(30)));
    StopAndJoin();
    EXPECT_TRUE(form->PufOverTcp.load());
    EXPECT_EQ(sim.Count("GetTimeA"), 1);
    EXPECT_EQ(sim.AcknowledgedKeys(), std::vector<std::string>{key});
    EXPECT_GE(form->PufErrorCount.load(), 12);
    EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(PufThreadTest, StartsAndStops) {
    Start();
    // A second start while the first thread runs makes no second thread.
    TThread* first = form->PufThreadHandle;
    EXPECT_FALSE(StartPufThread(form));
    EXPECT_EQ(form->PufThreadHandle, first);
    ASSERT_TRUE(sim.WaitForCount("GetUnsavedCount", 2, std::chrono::seconds(10)));
    // A prompt controller: the thread ends within the wait, and its connection is closed.
    EXPECT_TRUE(StopPufThread(form));
    EXPECT_FALSE(form->PufThreadActive.load());
    EXPECT_EQ(form->PufThreadHandle, nullptr);
    EXPECT_FALSE(form->SQLConnectionPUF_Link->Connected());

    // A silent controller: the stop gives up after its second, and the thread ends after its cycle.
    sim.SetTransportSilent(pufsim::Transport::Pty, true);
    const int asked = sim.Count("GetStateRec");
    Start();
    ASSERT_TRUE(sim.WaitForCount("GetStateRec", asked + 1, std::chrono::seconds(30)));
    EXPECT_FALSE(StopPufThread(form));
    EXPECT_TRUE(form->PufThreadActive.load());
    EXPECT_NE(form->PufThreadHandle, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !form->PufThreadActive.load(); }, 30000));
    // Started again: the ended thread is collected and a new one runs.
    sim.SetTransportSilent(pufsim::Transport::Pty, false);
    Start();
    EXPECT_TRUE(form->PufThreadActive.load());
    StopAndJoin();
}

TEST(PufTimeCommand, QueuedOncePerHourAndNeverOnALanClient) {
    StationFolder folder;
    TFormMain* form = NewMainWindow(nullptr);
    TDateTime now = EncodeDateTime(2024, 5, 1, 10, 0, 0, 0);
    SetClockSource([&] { return now; });
    struct Step {
        const char* name;
        TDateTime at;
        bool lanClient;
        int queued;  // lines in the queue afterwards
    };
    const Step steps[] = {
        {"the first call queues at once", EncodeDateTime(2024, 5, 1, 10, 0, 0, 0), false, 1},
        {"within the hour nothing", EncodeDateTime(2024, 5, 1, 10, 59, 59, 0), false, 1},
        {"an hour later again", EncodeDateTime(2024, 5, 1, 11, 0, 0, 0), false, 2},
        {"a LAN client never", EncodeDateTime(2024, 5, 1, 13, 0, 0, 0), true, 2},
    };
    for (const Step& s : steps) {
        now = s.at;
        form->LanClientMode = s.lanClient;
        QueuePufSetTime(form);
        TCriticalSectionLock lock(form->PufCommandsLock);
        EXPECT_EQ(form->PufCommands->Count(), s.queued) << s.name;
    }
    {
        TCriticalSectionLock lock(form->PufCommandsLock);
        EXPECT_EQ(form->PufCommands->Strings(0), "SetTime:" + FloatToDotText(EncodeDateTime(2024, 5, 1, 10, 0, 0, 0)));
        EXPECT_EQ(form->PufCommands->Strings(0).Pos(","), 0);
    }
    SetClockSource(nullptr);
    FreeMainWindow(form);
}

}  // namespace
