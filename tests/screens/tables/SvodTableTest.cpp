// The jig machines' work-time table against the private database: the sums of each period at the
// shift boundaries and at the first of a month, an empty day, a failing query, and the refresh rule
// that all shift tables share.
#include "screens/tables/SvodTable.h"

#include "TablesTestSupport.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using tablestest::TablesTest;

class SvodTableTest : public TablesTest {
protected:
    void SetUp() override {
        TablesTest::SetUp();
        At(2010, 3, 15);
        screen = NewForm<TFormSvodTable>(form);
        if (!db) return;
        // RAB, NRAB of machine 1: the weight and twice it; machine 2 ten times those.
        InsertBoundaryRows("pu1", "PostMoment, RAB, NRAB",
                           [](int w) { return std::to_string(w) + ", " + std::to_string(2 * w); });
        InsertBoundaryRows("pu2", "PostMoment, RAB, NRAB",
                           [](int w) { return std::to_string(10 * w) + ", " + std::to_string(20 * w); });
    }
    // The sixteen cells, row by row, machine 1 before machine 2.
    std::array<std::string, 16> Cells() const {
        std::array<std::string, 16> out;
        for (int row = 1; row <= 8; ++row)
            for (int m = 1; m <= 2; ++m) out[2 * (row - 1) + m - 1] = screen->ValueLabel(row, m)->Caption().str();
        return out;
    }
    // Runs one tick; true when it reloaded (a marker put into the first cell was overwritten).
    bool TickReloads() {
        screen->ValueLabel(1, 1)->SetCaption("?");
        screen->TimerUpdateTimer(screen->TimerUpdate);
        EXPECT_EQ(screen->TimerBusy, 0);
        return screen->ValueLabel(1, 1)->Caption() != "?";
    }
    void ReloadFor(int y, int mo, int d) {
        screen->DateTimePicker1->SetDate(EncodeDate(y, mo, d));
        screen->Reload();
    }
    TFormSvodTable* screen = nullptr;
};

TEST(SvodTableText, WorkTimeShowsWholeDaysFromTheFirstFullDay) {
    const struct {
        double minutes;
        const char* text;
    } cases[] = {
        {0, "00:00"},
        {1439, "23:59"},
        {1440, "1 суток 00:00"},  // exactly one day
        {1441, "1 суток 00:01"},
        {2880, "2 суток 00:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(TFormSvodTable::MinutesText(c.minutes), c.text) << c.minutes;
}

TEST_F(SvodTableTest, SumsOfEachPeriodAtTheShiftBoundariesAndTheFirstOfAMonth) {
    REQUIRE_TEST_DB();
    struct {
        int y, mo, d;
        std::array<std::string, 16> cells;  // rows 1..8 (shift 1, shift 2, day, month; RAB then NRAB)
    } cases[] = {
        // 07:00:00 and 18:59:59 in shift 1, 19:00:00 and 06:59:59 in shift 2; the month takes the
        // 06:59:59 row of the 15th and everything from the 1st 07:00 on.
        {2010, 3, 15,
         {"00:03", "00:30", "00:06", "01:00", "00:12", "02:00", "00:24", "04:00", "00:15", "02:30", "00:30",
          "05:00", "1 суток 18:59", "17 суток 21:50", "3 суток 13:58", "35 суток 19:40"}},
        // The 1st: the month is that one day; the row at 06:59:59 belongs to February.
        {2010, 3, 1,
         {"01:04", "10:40", "02:08", "21:20", "00:00", "00:00", "00:00", "00:00", "01:04", "10:40", "02:08",
          "21:20", "01:04", "10:40", "02:08", "21:20"}},
        // A month without rows.
        {2010, 4, 20,
         {"00:00", "00:00", "00:00", "00:00", "00:00", "00:00", "00:00", "00:00", "00:00", "00:00", "00:00",
          "00:00", "00:00", "00:00", "00:00", "00:00"}},
    };
    for (const auto& c : cases) {
        ReloadFor(c.y, c.mo, c.d);
        EXPECT_EQ(Cells(), c.cells) << c.y << "-" << c.mo << "-" << c.d;
        EXPECT_EQ(screen->ShownDate, EncodeDate(c.y, c.mo, c.d));
        // The month period is the one left behind.
        EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", screen->StartTime), FormatDateTime("yyyy-mm-dd", EncodeDate(c.y, c.mo, 1)) + " 07:00:00");
    }
    EXPECT_TRUE(testlib::TakeEvents().empty());
    EXPECT_EQ(screen->ReloadBusy, 0);
}

TEST_F(SvodTableTest, AFailingQueryStopsTheReloadLeavesTheRestAndIsLogged) {
    REQUIRE_TEST_DB();
    ReloadFor(2010, 3, 15);
    db->Exec("drop table pu2");
    ReloadFor(2010, 3, 1);
    auto cells = Cells();
    EXPECT_EQ(cells[0], "01:04");  // machine 1 of the first row was refilled before pu2 failed
    EXPECT_EQ(cells[1], "00:30");  // the rest keep the texts of the 15th
    EXPECT_EQ(cells[2], "00:06");
    EXPECT_EQ(cells[12], "1 суток 18:59");
    EXPECT_EQ(testlib::TakeEvents(), std::vector<std::string>{"Ошибка в TFormSvodTable::Reload()"});
    EXPECT_EQ(screen->ReloadBusy, 0);
}

TEST_F(SvodTableTest, FreshScreenShowsDotsAndTodaysWholeDayPeriod) {
    EXPECT_EQ(screen->ShownDate, EncodeDateTime(2010, 3, 15, 12, 0, 0, 0));
    EXPECT_EQ(screen->StartTime, EncodeDateTime(2010, 3, 15, 7, 0, 0, 0));
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", screen->StopTime), "2010-03-16 06:59:59");
    EXPECT_EQ(screen->DateTimePicker1->Date(), EncodeDate(2010, 3, 15));
    EXPECT_EQ(screen->ReloadRequested, 1);
    for (const std::string& c : Cells()) EXPECT_EQ(c, ".");
}

// ---- The refresh rule (shared by every shift table) ----------------------------------------------

TEST_F(SvodTableTest, TicksReloadTwiceThenOnceAMinuteWhileThePeriodRuns) {
    REQUIRE_TEST_DB();
    struct {
        int h, mi, s;
        bool reloads;
    } ticks[] = {
        {12, 0, 0, true},    // asked for by the constructor
        {12, 0, 27, true},   // the second tick
        {12, 0, 54, false},  // 27 s since the last reload
        {12, 1, 21, false},  // 54 s
        {12, 1, 27, false},  // exactly one minute: not more
        {12, 1, 28, true},   // more than a minute, and now lies inside the month period
        {12, 2, 0, false},
    };
    for (const auto& t : ticks) {
        At(2010, 3, 15, t.h, t.mi, t.s);
        EXPECT_EQ(TickReloads(), t.reloads) << t.h << ":" << t.mi << ":" << t.s;
    }
    EXPECT_EQ(screen->TickCount, 7);

    // A day whose month is over: no more automatic reloads, however long ago the last one was.
    screen->DateTimePicker1->SetDate(EncodeDate(2010, 2, 10));
    screen->ButReloadClick(screen->ButReload);
    At(2010, 3, 15, 13, 0, 0);
    EXPECT_FALSE(TickReloads());
}

TEST_F(SvodTableTest, EarlyOnTheFirstTheMonthHasNotBegunSoNoTimedReload) {
    REQUIRE_TEST_DB();
    At(2010, 4, 1, 5, 0, 0);
    screen->DateTimePicker1->SetDate(EncodeDate(2010, 4, 1));
    EXPECT_TRUE(TickReloads());  // the first tick
    EXPECT_TRUE(TickReloads());  // the second
    for (int minutes = 2; minutes < 120; minutes += 2) {
        At(2010, 4, 1, 5 + minutes / 60, minutes % 60, 0);
        ASSERT_FALSE(TickReloads()) << "at 05:00 + " << minutes << " min";
    }
    // From 07:00 the month period runs and the screen follows it again.
    At(2010, 4, 1, 7, 0, 1);
    EXPECT_TRUE(TickReloads());
}

TEST_F(SvodTableTest, TicksDoNothingWithoutTheConnectionOrWhileATickRuns) {
    REQUIRE_TEST_DB();
    struct {
        const char* what;
        std::function<void()> arrange;
        std::function<void()> restore;
    } cases[] = {
        {"connection closed", [&] { form->SQLConnection1->Close(); }, [&] { form->SQLConnection1->Open(); }},
        {"no main window", [&] { FormMain = nullptr; MainView = nullptr; }, [&] { FormMain = form; MainView = form; }},
        {"tick running", [&] { screen->TimerBusy = 1; }, [&] { screen->TimerBusy = 0; }},
    };
    for (const auto& c : cases) {
        c.arrange();
        screen->TimerUpdateTimer(screen->TimerUpdate);
        c.restore();
        EXPECT_EQ(screen->TickCount, 0) << c.what;
        EXPECT_EQ(screen->ReloadRequested, 1) << c.what;
        EXPECT_EQ(screen->ValueLabel(1, 1)->Caption(), ".") << c.what;
    }
    // A reload already running is not entered again.
    screen->ReloadBusy = 1;
    screen->ButReloadClick(screen->ButReload);
    EXPECT_EQ(screen->ValueLabel(1, 1)->Caption(), ".");
    screen->ReloadBusy = 0;
}

TEST_F(SvodTableTest, EnterOnTheScreenReloadsTheDayInThePicker) {
    REQUIRE_TEST_DB();
    guitest::ShowForm(form);
    form->ShowFormMaximized(screen);
    screen->DateTimePicker1->SetDate(EncodeDate(2010, 3, 1));
    screen->DateTimePicker1->SetFocus();
    guitest::Pump();
    guitest::Key(VK_RETURN);
    EXPECT_TRUE(guitest::WaitFor([&] { return screen->ValueLabel(1, 1)->Caption() == "01:04"; }))
        << screen->ValueLabel(1, 1)->Caption();
    EXPECT_EQ(screen->ShownDate, EncodeDate(2010, 3, 1));
}

TEST_F(SvodTableTest, TheTableBlockStaysCentred) {
    screen->SetClientSize(1025, 845);
    screen->CentreTable();
    EXPECT_EQ(screen->PanelLeft->Width(), 200);
    EXPECT_EQ(screen->PanelRight->Width(), 200);
    EXPECT_EQ(screen->PanelCenter->Width(), 625);
    EXPECT_EQ(screen->PanelTop->Height(), 200);
    EXPECT_EQ(screen->PanelCenter->Height(), 445);
    // Too low for the full top panel: it keeps 40 and the bottom one gives up the difference.
    screen->SetClientSize(1025, 505);
    screen->CentreTable();
    EXPECT_EQ(screen->PanelTop->Height(), 40);
    EXPECT_EQ(screen->PanelDown->Height(), 20);
}

}  // namespace
