// Setting the computer's clock from the database server at start-up, decided against the real
// server: MariaDB's "SET timestamp" makes Now() answer a chosen time for one session.
#include "app/Main.h"

#include "AppTestSupport.h"

#include "app/Config.h"
#include "core/EventLog.h"
#include "testlib/TestDb.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

namespace {

class ClockTest : public apptest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (!testdb::Available()) return;
        db = std::make_unique<testdb::ScratchDatabase>();
        for (TSQLConnection* conn : {form->SQLConnection1, form->SQLConnectionUser})
            testlib::ConnectToScratch(form, *db, conn);
        const testdb::Coordinates c = testdb::Coords();
        // FormCreate gives the connections the login it loaded: make that the test server's.
        form->HostName = testdb::HostWithPort();
        form->UserName = c.user;
        form->Password = c.password;
    }
    void TearDown() override {
        Application->OnMessage = nullptr;
        MainWindowTest::TearDown();
        db.reset();
    }
    // The server's Now() for the status connection's session.
    void ServerTime(const char* text) {
        form->SQLConnectionUser->Open();
        form->SQLConnectionUser->ExecuteDirect(AnsiString("SET timestamp = UNIX_TIMESTAMP('") + text + "')");
    }
    void LocalTime(int y, int mo, int d, int h, int mi, int s) {
        const TDateTime t = EncodeDateTime(y, mo, d, h, mi, s, 0);
        SetClockSource([t] { return t; });
    }
    std::unique_ptr<testdb::ScratchDatabase> db;
};

TEST_F(ClockTest, SetOnlyFromElevenSecondsApartAndAfterJune2008) {
    REQUIRE_TEST_DB();
    struct {
        const char* server;
        bool set;
    } cases[] = {
        {"2020-01-01 12:00:10", false},  // 10 s ahead: nothing
        {"2020-01-01 12:00:11", true},   // 11 s ahead
        {"2020-01-01 11:59:49", true},   // 11 s behind: set back as well
        {"2020-01-01 11:59:50", false},
        {"2020-01-01 12:00:00", false},
        {"2019-12-31 12:00:00", true},   // a day off
    };
    for (auto c : cases) {
        LocalTime(2020, 1, 1, 12, 0, 0);
        const std::size_t before = host.ClockRequests().size();
        ServerTime(c.server);
        EXPECT_EQ(form->SetClockFromServer(), c.set) << c.server;
        ASSERT_EQ(host.ClockRequests().size(), before + (c.set ? 1 : 0)) << c.server;
        if (c.set) {
            EXPECT_EQ(DateTimeToSqlText(host.ClockRequests().back()), c.server);
        }
    }
}

TEST_F(ClockTest, AServerClockNotAfterTenJune2008IsNoReference) {
    REQUIRE_TEST_DB();
    LocalTime(2020, 1, 1, 12, 0, 0);
    ServerTime("2008-06-10 00:00:00");
    EXPECT_FALSE(form->SetClockFromServer());
    ServerTime("2008-06-10 00:00:01");
    EXPECT_TRUE(form->SetClockFromServer());
    EXPECT_EQ(host.ClockRequests().size(), 1u);
}

TEST_F(ClockTest, AStationWithoutTheRightLogsTheRequest) {
    REQUIRE_TEST_DB();
    AnsiString t;
    TDateTime tm;
    std::uint64_t tick;
    int flags;
    testlib::TakeEvents();
    host.SetResults(false, true, true, SE_OK);
    LocalTime(2020, 1, 1, 12, 0, 0);
    ServerTime("2020-01-01 13:00:00");
    EXPECT_FALSE(form->SetClockFromServer());
    EXPECT_EQ(host.ClockRequests().size(), 1u);
    ASSERT_TRUE(EventFIFO.Pop(t, tm, tick, flags));
    EXPECT_NE(t.Pos("01.01.2020 13:00:00"), 0) << t;
}

TEST_F(ClockTest, NothingWithoutTheStatusConnection) {
    LocalTime(2020, 1, 1, 12, 0, 0);
    EXPECT_FALSE(form->SetClockFromServer());
    EXPECT_TRUE(host.ClockRequests().empty());
}

TEST_F(ClockTest, CreateHandlerConnectsBothAndSetsTheClock) {
    REQUIRE_TEST_DB();
    guitest::MessageBoxRecorder boxes;
    LocalTime(2020, 1, 1, 12, 0, 0);
    ServerTime("2020-01-01 12:05:00");
    form->FormCreate(form);
    EXPECT_EQ(boxes.Count(), 0);
    EXPECT_TRUE(form->SQLConnection1->Connected());
    EXPECT_TRUE(form->SQLConnectionUser->Connected());
    ASSERT_EQ(host.ClockRequests().size(), 1u);
    EXPECT_EQ(DateTimeToSqlText(host.ClockRequests()[0]), "2020-01-01 12:05:00");
    EXPECT_TRUE(Application->OnMessage.Assigned());
}

}  // namespace
