// A link station through the faults its database meets: both link threads run against the simulated
// controllers and a MariaDB server of the test's own, whose sessions are killed from a second
// connection and which is then stopped and started again. The threads go on by themselves; afterwards
// every acknowledged record is in the tables once, the minute rows go on, and the lamps told the truth
// meanwhile. A serial device that vanishes and comes back is opened again by each thread.
#include "links/PufThread.h"
#include "links/VisionLink.h"
#include "links/VisionThread.h"
#include "puf_station.h"
#include "testlib/PrivateServer.h"
#include "testlib/VisionStation.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace puftest;

namespace {

class LinkRecoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Start()) << server.Error();
        db = std::make_unique<testdb::ScratchDatabase>(server.Coords());
        TakeEvents();
        ResetVisionStateChecks();
        clock.Set(10, 0, 10);
        ASSERT_TRUE(puf.StartPty()) << puf.LastError();
        vision = std::make_unique<visionsim::VisionSimulator>(visiontest::StillPlant());
        vision->Start();
        form = NewMainWindow(db.get());
        form->PufComPort = puf.SlavePath().c_str();
        form->PufComSpeed = 38400;
        form->V120ComPort = vision->SlavePath().c_str();
    }
    void TearDown() override {
        if (form) {
            StopVisionThread(form);
            FreeMainWindow(form);
        }
        puf.Stop();
        if (vision) vision->Stop();
        // The scratch database is dropped while its server still runs.
        if (!server.Running()) server.Start();
        db.reset();
    }

    void Tick() { form->TimerRefreshStateTimer(form->TimerRefreshState); }
    bool LampsAre(TColor colour) {
        return form->ShapeLinkPuf->Brush()->Color() == colour && form->ShapeLinkV120->Brush()->Color() == colour &&
               form->ShapeLinkGS->Brush()->Color() == colour;
    }
    // Ticks the state timer (as the window does every second) until the three link lamps show colour.
    bool WaitForLamps(TColor colour) {
        return WaitUntil([&] {
            Tick();
            return LampsAre(colour);
        }, 30000);
    }
    long long Rows(const std::string& table, const std::string& where) {
        return std::stoll(*db->Scalar("select count(*) from " + table + " where " + where));
    }
    bool MinuteRows(const std::string& minute) {
        const std::string at = "RecMoment='2024-05-01 " + minute + "'";
        return Rows("belt_386_2", at) == 1 && Rows("belt_401", at) == 1 && Rows("pug", at) == 1;
    }
    // Commands through the PUF queue show that its thread goes on with its cycles.
    bool PufCycles() {
        AppendPufCommand(form, "SetTRRS:1");
        AppendPufCommand(form, "SetTRRP:2");
        return WaitUntil([&] {
            TCriticalSectionLock lock(form->PufCommandsLock);
            return form->PufCommands->Count() == 0;
        }, 30000);
    }

    testdb::PrivateServer server;
    std::unique_ptr<testdb::ScratchDatabase> db;
    StationFolder folder;
    testlib::TestClock clock;
    pufsim::PufSimulator puf;
    std::unique_ptr<visionsim::VisionSimulator> vision;
    TFormMain* form = nullptr;
};

TEST_F(LinkRecoveryTest, BothThreadsGoOnThroughKilledSessionsAndAServerRestart) {
    std::vector<std::string> keys;
    keys.push_back(puf.AddRecord("2024-05-01 09:00:00"));
    ASSERT_TRUE(StartPufThread(form));
    ASSERT_TRUE(StartVisionThread(form));
    ASSERT_TRUE(puf.WaitForAcknowledged(1, std::chrono::seconds(30)));
    ASSERT_TRUE(WaitUntil([&] { return MinuteRows("10:00:00"); }, 30000));
    ASSERT_TRUE(WaitForLamps(clGreen));

    // Every session of the station is killed from a second connection.
    const std::vector<testdb::Row> sessions = db->Query(
        "select ID from information_schema.PROCESSLIST where DB = '" + db->Name() + "' and ID <> connection_id()");
    ASSERT_GE(sessions.size(), 3u);  // the two threads' and the status connection
    for (const testdb::Row& s : sessions) db->Exec("KILL CONNECTION " + *s[0]);
    keys.push_back(puf.AddRecord("2024-05-01 09:01:00"));
    puf.AddLogEntry("после KILL", "2024-05-01 09:01:30");
    clock.Set(10, 1, 5);
    ASSERT_TRUE(puf.WaitForAcknowledged(2, std::chrono::seconds(30)));
    ASSERT_TRUE(puf.WaitUntil([&] { return puf.LogEntries().empty(); }, std::chrono::seconds(30)));
    EXPECT_TRUE(WaitUntil([&] { return MinuteRows("10:01:00"); }, 30000));
    EXPECT_TRUE(WaitForLamps(clGreen));
    EXPECT_TRUE(form->PufThreadActive.load());
    EXPECT_TRUE(form->V120ThreadActive.load());

    // The server goes away. The threads notice it at their next statements and go on without it:
    // nothing is acknowledged, and the lamps go red as their last writes grow old.
    server.Stop();
    keys.push_back(puf.AddRecord("2024-05-01 09:02:00"));
    keys.push_back(puf.AddRecord("2024-05-01 09:03:00"));
    puf.AddLogEntry("без сервера", "2024-05-01 09:02:30");
    ASSERT_TRUE(WaitUntil([&] {
        return !form->SQLConnectionPUF_Link->Connected() && !form->SQLConnectionV120_Link->Connected();
    }, 30000));
    ASSERT_TRUE(PufCycles());
    clock.Set(10, 2, 10);  // a new minute, and the last writes 65 s old
    ASSERT_TRUE(PufCycles());
    EXPECT_EQ(puf.AcknowledgedKeys().size(), 2u);
    EXPECT_EQ(puf.LogEntries().size(), 1u);
    EXPECT_TRUE(WaitForLamps(clRed));
    EXPECT_FALSE(form->StateFlags[3]);
    EXPECT_FALSE(form->StateFlags[4]);
    EXPECT_FALSE(form->StateFlags[5]);
    EXPECT_TRUE(form->PufThreadActive.load());
    EXPECT_TRUE(form->V120ThreadActive.load());

    // Back again: the waiting records and the minute in progress are written, the rows go on.
    ASSERT_TRUE(server.Start()) << server.Error();
    ASSERT_TRUE(puf.WaitForAcknowledged(4, std::chrono::seconds(30)));
    ASSERT_TRUE(puf.WaitUntil([&] { return puf.LogEntries().empty(); }, std::chrono::seconds(30)));
    EXPECT_TRUE(WaitUntil([&] { return MinuteRows("10:02:00"); }, 30000));
    clock.Set(10, 3, 0);
    EXPECT_TRUE(WaitUntil([&] { return MinuteRows("10:03:00"); }, 30000));
    EXPECT_TRUE(WaitForLamps(clGreen));

    StopVisionThread(form);
    form->PufThreadStop = true;
    ASSERT_TRUE(WaitUntil([&] { return !form->PufThreadActive.load() && !form->V120ThreadActive.load(); }, 30000));
    // Every acknowledged record is in the table once, and nothing else is; the log likewise.
    EXPECT_EQ(puf.AcknowledgedKeys(), keys);
    for (const std::string& k : keys) EXPECT_EQ(Rows("puf_data", "RecMoment='" + k + "'"), 1) << k;
    EXPECT_EQ(db->Count("puf_data"), static_cast<long long>(keys.size()));
    EXPECT_EQ(Rows("puf_log", "Message in ('после KILL', 'без сервера')"), 2);
    EXPECT_EQ(db->Count("puf_log"), 2);
    // The minutes that passed while the rows could not be written were not duplicated after.
    for (const char* table : {"belt_386_2", "belt_401", "pug"})
        EXPECT_EQ(std::stoll(*db->Scalar(std::string("select count(*) - count(distinct RecMoment) from ") + table)), 0)
            << table;
}

TEST_F(LinkRecoveryTest, AThreadStartedWithoutTheDatabaseKeepsItsCycleUntilTheServerComes) {
    server.Stop();
    const std::string key = puf.AddRecord("2024-05-01 09:00:00");
    // The thread's connection fails at once: a box, and the thread runs all the same.
    guitest::MessageBoxRecorder boxes;
    ASSERT_TRUE(StartPufThread(form));
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().Text, "не могу подключиться к MySQL серверу.");
    ASSERT_TRUE(PufCycles());
    EXPECT_TRUE(form->PufThreadActive.load());
    EXPECT_TRUE(puf.AcknowledgedKeys().empty());
    // The state timer retries the status connection too; meanwhile the PUF lamp shows the failure.
    Tick();
    EXPECT_EQ(form->ShapeLinkPuf->Brush()->Color(), clRed);
    EXPECT_FALSE(form->SQLConnectionUser->Connected());

    ASSERT_TRUE(server.Start()) << server.Error();
    ASSERT_TRUE(puf.WaitForAcknowledged(1, std::chrono::seconds(30)));
    EXPECT_EQ(Rows("puf_data", "RecMoment='" + key + "'"), 1);
    EXPECT_EQ(db->Count("puf_state"), 1);
    ASSERT_TRUE(WaitUntil([&] {
        Tick();
        return form->SQLConnectionUser->Connected() && form->ShapeLinkPuf->Brush()->Color() == clGreen;
    }, 30000));
    form->PufThreadStop = true;
    ASSERT_TRUE(WaitUntil([&] { return !form->PufThreadActive.load(); }, 30000));
}

}  // namespace
