// The jig machines' graph screens (bed height, unloader speed, water-air cycle) over pu1 and pu2 in
// the private database: their statements, the fill and its gaps at exact minute boundaries, the
// incremental check, the timer's ticks with the connection up and down, and how each of them takes
// a failure, set against the flotation screen that shares their frame.
#include "GraphsTestSupport.h"

#include "screens/graphs/FormFlotGraph.h"
#include "screens/graphs/FormGraph3Zoom.h"
#include "screens/graphs/FormGraphAir.h"
#include "screens/graphs/FormGraphTS.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using graphstest::LogOf;
using graphstest::Logged;

class JigGraphTest : public graphstest::JigDbStation {
protected:
    Logged<TFormFlotGraph>* OpenFlot() {
        auto* s = NewForm<Logged<TFormFlotGraph>>(nullptr);
        s->TimerUpdate->SetEnabled(false);
        s->DateTimePicker1->SetDate(EncodeDate(2010, 3, 15));
        screens.push_back(s);
        return s;
    }
    static bool Posted(const std::vector<std::string>& events, const std::string& text) {
        return std::find(events.begin(), events.end(), text) != events.end();
    }
    static std::string Joined(const std::vector<std::string>& events) {
        std::string out;
        for (const std::string& e : events) out += e + "\n";
        return out;
    }
};

TEST_F(JigGraphTest, EachScreenQueriesItsMachinesTableForTheChosenPeriodToTheSecond) {
    struct Case {
        const char* what;
        TGraphScreen* screen;
        int comboIndex;
        const char* statement;
        int shift;
    } cases[] = {
        {"bed height, machine 1, shift 1", Open<TFormGraph3Zoom>(1), 0,
         "select * from pu1 where PostMoment >= '2010-03-15 07:00:00' and PostMoment <= '2010-03-15 18:59:59' "
         "order by PostMoment",
         1},
        {"unloaders, machine 2, the day", Open<TFormGraphTS>(2), 2,
         "select * from pu2 where PostMoment >= '2010-03-15 07:00:00' and PostMoment <= '2010-03-16 06:59:59' "
         "order by PostMoment",
         3},
        {"water-air, machine 1, shift 2", Open<TFormGraphAir>(1), 1,
         "select * from pu1 where PostMoment >= '2010-03-15 19:00:00' and PostMoment <= '2010-03-16 06:59:59' "
         "order by PostMoment",
         2},
        {"no period chosen: the day", Open<TFormGraph3Zoom>(2), -1,
         "select * from pu2 where PostMoment >= '2010-03-15 07:00:00' and PostMoment <= '2010-03-16 06:59:59' "
         "order by PostMoment",
         3},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        k.screen->ComboBox1->SetItemIndex(k.comboIndex);
        k.screen->Reload();
        ASSERT_EQ(LogOf(k.screen).statements.size(), 1u);
        EXPECT_EQ(LogOf(k.screen).statements[0], k.statement);
        EXPECT_EQ(k.screen->ShiftNumber, k.shift);
        EXPECT_EQ(k.screen->ComboBox1->ItemIndex(), k.shift - 1);
        EXPECT_EQ(k.screen->GraphList[0]->IntervalPointCount(), k.shift == 3 ? 1439 : 719);
        EXPECT_FALSE(k.screen->ReloadPending);
        EXPECT_FALSE(k.screen->LoadBusy);
        EXPECT_FALSE(k.screen->WaitPanel->Visible());
    }
}

TEST_F(JigGraphTest, RowsUpToThreeMinutesFromTheLastFillAreFilledAndTheCheckReadsTheBoundaryRowAgain) {
    struct Probe {
        TDateTime at;
        double want;
        const char* what;
    } probes[] = {
        {At(15, 7, 59), -1, "nothing before the first row"},
        {At(15, 8, 1, 30), 20, "the first pair, 3:00 apart: filled"},
        {At(15, 8, 4), 30, "2:50 after the last row, 3:00 after the last fill: filled"},
        {At(15, 8, 7), -1, "2:51 after the last row, 3:01 after the last fill: a gap"},
        {At(15, 8, 8, 41), 40, "after a gap the row stands at its own time"},
        {At(15, 8, 10), -1, "3:01 after a row at its own time: a gap"},
        {At(15, 8, 13), 60, "3:00 after a row at its own time: filled"},
        {At(15, 8, 15), -1, "the newest row has no slot of its own yet"},
    };
    const TDateTime rows[] = {At(15, 8, 0), At(15, 8, 3), At(15, 8, 5, 50), At(15, 8, 8, 41), At(15, 8, 11, 42),
                              At(15, 8, 14, 42)};
    for (int i = 0; i < 6; ++i) Row("pu1", rows[i], "TPST_1", std::to_string(10 * (i + 1)));
    auto* s = Open<TFormGraph3Zoom>(1);
    s->ComboBox1->SetItemIndex(0);
    clock.Set(At(15, 9, 0));
    s->Reload();
    for (const Probe& p : probes) EXPECT_EQ(s->LevelGraphP->GetPoint(0, p.at), p.want) << p.what;
    EXPECT_TRUE(SameMs(s->LastPointTime, At(15, 8, 14, 32)));

    // The check starts at the last fill, so the row after it comes back and stands at its own time
    // before the new row fills up to its time.
    Row("pu1", At(15, 8, 15, 42), "TPST_1", "70");
    s->CheckForUpdates();
    EXPECT_EQ(LogOf(s).statements.back(),
              "select * from pu1 where PostMoment >= '2010-03-15 08:14:32' and PostMoment <= '2010-03-15 18:59:59' "
              "order by PostMoment");
    EXPECT_EQ(s->LevelGraphP->GetPoint(0, At(15, 8, 15)), 70);
    EXPECT_EQ(s->LevelGraphP->Slots()[0][74].Max, 70);  // 08:14: the re-read row and the new row's fill
    EXPECT_TRUE(SameMs(s->LastPointTime, At(15, 8, 15, 32)));
    s->CheckForUpdates();  // nothing new: the newest row is read again and now has its own time
    EXPECT_TRUE(SameMs(s->LastPointTime, At(15, 8, 15, 42)));
    EXPECT_FALSE(s->LoadBusy);
}

TEST_F(JigGraphTest, OnlyTheBedHeightScreenRaisesALowScaleToFive) {
    Row("pu1", At(15, 8, 0), "TPST_1, TS_1, TIN, KKP", "1, 1, 1, 1");
    struct Case {
        TGraphScreen* screen;
        double yMax;
    } cases[] = {{Open<TFormGraph3Zoom>(1), 5}, {Open<TFormGraphTS>(1), 3}, {Open<TFormGraphAir>(1), 3}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.screen->Setup().ScreenName.str());
        for (int i = 0; k.screen->GraphList[i]; ++i) k.screen->GraphList[i]->SetYMax(3);
        k.screen->ComboBox1->SetItemIndex(0);
        k.screen->Reload();
        for (int i = 0; k.screen->GraphList[i]; ++i) EXPECT_EQ(k.screen->GraphList[i]->YMax(), k.yMax);
    }
}

// Per tick: "R" a full reload, "C" an incremental check, "RC" both, "" nothing; "D" marks a tick
// while the connection is down.
TEST_F(JigGraphTest, TimerTicksReloadCheckOrDoNothingAsEachScreenSays) {
    struct Case {
        const char* what;
        TGraphScreen* screen;
        bool pastDay;
        std::vector<std::string> ticks;  // connection state ("U"/"D") and what the tick did
        int countedTicks;
    } cases[] = {
        {"bed height: reloads at ticks 1 and 3; nothing at all while down", Open<TFormGraph3Zoom>(1), false,
         {"U R", "D ", "U C", "U R", "U C"}, 4},
        {"bed height: down at the start, the reload waits", Open<TFormGraph3Zoom>(2), false, {"D ", "U R", "U C"}, 2},
        {"unloaders: reloads at ticks 1 and 6, each followed by a check", Open<TFormGraphTS>(1), false,
         {"U RC", "D ", "U C", "U C", "U C", "U C", "U RC", "U C"}, 7},
        {"water-air: a past day is never checked", Open<TFormGraphAir>(2), true,
         {"U R", "U ", "U ", "U ", "U ", "U R", "U "}, 7},
        {"flotation: the reload stays pending while down, but the tick counts", OpenFlot(), false,
         {"D ", "U R", "U C", "U R", "U C"}, 5},
    };
    clock.Set(At(15, 10, 0));
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        if (k.pastDay) k.screen->DateTimePicker1->SetDate(EncodeDate(2010, 3, 14));
        for (std::size_t t = 0; t < k.ticks.size(); ++t) {
            const bool down = k.ticks[t][0] == 'D';
            if (down) ConnectionDown();
            LogOf(k.screen).statements.clear();
            k.screen->TimerUpdateTimer(k.screen->TimerUpdate);
            if (down) ConnectionUp();
            // The tables are empty: a reload starts at the period's start, a check a minute before it.
            std::string did;
            const std::string start = k.pastDay ? "'2010-03-14 07:00:00' and" : "'2010-03-15 07:00:00' and";
            for (const std::string& sql : LogOf(k.screen).statements) did += sql.find(start) != std::string::npos ? "R" : "C";
            EXPECT_EQ(did, k.ticks[t].substr(2)) << "tick " << t + 1;
        }
        EXPECT_EQ(k.screen->TimerTicks, k.countedTicks);
        EXPECT_FALSE(k.screen->TimerBusy);
    }
}

TEST_F(JigGraphTest, ATickThatArrivesDuringALoadReturnsAtOnce) {
    for (int m = 0; m < 30; ++m) Row("pu1", IncMinute(At(15, 8, 0), m), "TPST_1, TS_1", std::to_string(m) + ", " + std::to_string(m));
    clock.Set(At(15, 10, 0));
    struct Case {
        TGraphScreen* screen;
        int ticksBefore;  // the unloader tick is the one that forces a reload
    } cases[] = {{Open<TFormGraph3Zoom>(1), 0}, {Open<TFormGraphTS>(1), 5}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.screen->Setup().ScreenName.str());
        k.screen->TimerTicks = k.ticksBefore;
        LogOf(k.screen).tickInsideLoad = true;
        k.screen->Reload();
        EXPECT_EQ(LogOf(k.screen).statements.size(), 1u);
        EXPECT_EQ(k.screen->TimerTicks, k.ticksBefore + 1);
        EXPECT_EQ(k.screen->GraphList[0]->GetPoint(0, At(15, 8, 28)), 29);
        EXPECT_FALSE(k.screen->LoadBusy);
        EXPECT_FALSE(k.screen->TimerBusy);
    }
}

TEST_F(JigGraphTest, WithTheConnectionDownEnterFailsAtTheQueryOnTheJigScreensOnly) {
    struct Case {
        TGraphScreen* screen;
        bool throws;
        const char* posted;
        bool stillPending;
    } cases[] = {
        {Open<TFormGraph3Zoom>(1), false, "Ошибка в TFormGraph3Zoom::Reload()", false},
        {Open<TFormGraphTS>(1), true, nullptr, false},
        {Open<TFormGraphAir>(2), true, nullptr, false},
        {OpenFlot(), false, nullptr, true},
    };
    ConnectionDown();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.screen->Setup().ScreenName.str());
        k.screen->ReloadPending = true;
        if (k.throws) EXPECT_ANY_THROW(k.screen->Reload());
        else EXPECT_NO_THROW(k.screen->Reload());
        std::vector<std::string> events = testlib::TakeEvents();
        if (k.posted) EXPECT_TRUE(Posted(events, k.posted)) << Joined(events);
        else EXPECT_TRUE(events.empty()) << Joined(events);
        EXPECT_EQ(k.screen->ReloadPending, k.stillPending);
        EXPECT_FALSE(k.screen->WaitPanel->Visible());
        EXPECT_FALSE(k.screen->LoadBusy);
    }
    ConnectionUp();
}

// A value that is no number in the fourth row of a load.
TEST_F(JigGraphTest, ARowLoadFailureIsPostedAndTheLoadGoesOnOnTheJigScreensAndEndsTheFlotationLoad) {
    struct Case {
        TGraphScreen* screen;
        const char* table;
        const char* column;
        const char* columns;
        const char* values;
        const char* posted;
        double yMax;  // after a YMax of 3: raised only by a load that goes on, on the bed-height screen
    } cases[] = {
        {Open<TFormGraph3Zoom>(1), "pu1", "ZPST_3", "TPST_1, ZPST_3", "7, '%s'", "Ошибка в TFormGraph3Zoom::QueryDataLoad()",
         5},
        {Open<TFormGraphTS>(2), "pu2", "TS_3", "TS_1, TS_3", "7, '%s'", "Ошибка в TFormGraphTS::QueryDataLoad()", 3},
        {Open<TFormGraphAir>(2), "pu2", "TPAUSA", "TIN, TPAUSA", "7, '%s'", "Ошибка в TFormGraphAir::QueryDataLoad()",
         3},
        {OpenFlot(), "puf_data", "ZRRP", "RVF, PLF, RGF, TRRS, TRRP, ZRRS, ZRRP", "7, 7, 7, 7, 7, 7, '%s'",
         "Ошибка в TFormFlotGraph::Reload()", 3},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.screen->Setup().ScreenName.str());
        db->Exec(std::string("alter table ") + k.table + " modify " + k.column + " varchar(10)");
        db->Exec(std::string("delete from ") + k.table);
        for (int m = 0; m < 5; ++m) {
            std::string values = k.values;
            values.replace(values.find("%s"), 2, m == 3 ? "x" : "5");
            Row(k.table, IncMinute(At(15, 8, 0), m), k.columns, values);
        }
        k.screen->GraphList[0]->SetYMax(3);
        k.screen->ComboBox1->SetItemIndex(0);
        EXPECT_NO_THROW(k.screen->Reload());
        std::vector<std::string> events = testlib::TakeEvents();
        EXPECT_EQ(events, std::vector<std::string>{k.posted});
        // The rows before the faulty one stay drawn.
        TLevelGraph* g = k.screen->GraphList[0];
        if (dynamic_cast<TFormGraphAir*>(k.screen)) g = k.screen->GraphList[1];
        EXPECT_EQ(g->GetPoint(0, At(15, 8, 1)), 7);
        EXPECT_EQ(k.screen->GraphList[0]->YMax(), k.yMax);
        EXPECT_FALSE(k.screen->WaitPanel->Visible());
        EXPECT_FALSE(k.screen->LoadBusy);
    }
}

TEST_F(JigGraphTest, AFailedQueryOfAReloadReachesTheCallerOnlyOnTheUnloaderAndWaterAirScreens) {
    struct Case {
        TGraphScreen* screen;
        const char* table;
        const char* reloadPost;  // null: the reload throws
        const char* tickPost;
    } cases[] = {
        {Open<TFormGraph3Zoom>(1), "pu1", "Ошибка в TFormGraph3Zoom::Reload()", "Ошибка в TFormGraph3Zoom::Reload()"},
        {Open<TFormGraphTS>(1), "pu1", nullptr, "Ошибка в TFormGraphTS::TimerUpdateTimer"},
        {Open<TFormGraphAir>(2), "pu2", nullptr, "Ошибка в TFormGraphAir::TimerUpdateTimer"},
        {OpenFlot(), "puf_data", "Ошибка в TFormFlotGraph::Reload()", "Ошибка в TFormFlotGraph::Reload()"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.screen->Setup().ScreenName.str());
        db->Exec(std::string("rename table ") + k.table + " to away");
        if (k.reloadPost) EXPECT_NO_THROW(k.screen->Reload());
        else EXPECT_ANY_THROW(k.screen->Reload());
        std::vector<std::string> events = testlib::TakeEvents();
        if (k.reloadPost) EXPECT_EQ(events, std::vector<std::string>{k.reloadPost});
        else EXPECT_TRUE(events.empty()) << Joined(events);
        EXPECT_FALSE(k.screen->WaitPanel->Visible());
        EXPECT_FALSE(k.screen->LoadBusy);

        k.screen->ReloadPending = true;
        k.screen->TimerUpdateTimer(k.screen->TimerUpdate);
        events = testlib::TakeEvents();
        EXPECT_TRUE(Posted(events, k.tickPost)) << Joined(events);
        EXPECT_FALSE(k.screen->TimerBusy);

        // The table back: the next request loads.
        db->Exec(std::string("rename table away to ") + k.table);
        Row(k.table, At(15, 8, 0), k.screen == cases[3].screen ? "RVF" : "TPST_1, TS_1, TIN, KKP",
            k.screen == cases[3].screen ? "9" : "9, 9, 9, 9");
        k.screen->ComboBox1->SetItemIndex(0);
        k.screen->Reload();
        TLevelGraph* g = k.screen->GraphList[dynamic_cast<TFormGraphAir*>(k.screen) ? 1 : 0];
        EXPECT_EQ(g->GetPoint(0, At(15, 8, 0)), 9);
    }
}

TEST_F(JigGraphTest, AFailedCheckIsPostedWithTheScreensName) {
    clock.Set(At(15, 10, 0));
    struct Case {
        TGraphScreen* screen;
        const char* table;
        const char* posted;
    } cases[] = {
        {Open<TFormGraph3Zoom>(1), "pu1", "Ошибка в TFormGraph3Zoom::CheckForUpdates()."},
        {Open<TFormGraphTS>(1), "pu1", "Ошибка в TFormGraphTS::CheckForUpdates()."},
        {Open<TFormGraphAir>(2), "pu2", "Ошибка в TFormGraphAir::CheckForUpdates()."},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.posted);
        k.screen->Reload();
        db->Exec(std::string("rename table ") + k.table + " to away");
        k.screen->TimerTicks = 1;
        k.screen->TimerUpdateTimer(k.screen->TimerUpdate);
        EXPECT_EQ(testlib::TakeEvents(), std::vector<std::string>{k.posted});
        EXPECT_FALSE(k.screen->LoadBusy);
        db->Exec(std::string("rename table away to ") + k.table);
    }
}

TEST_F(JigGraphTest, EnterOnTheUnloaderScreenShowsAFailedReloadInTheMessageLoopsBox) {
    auto* ts = Open<TFormGraphTS>(1);
    FormMain->Show();
    guitest::ShowForm(ts);
    db->Exec("rename table pu1 to away");
    guitest::MessageBoxRecorder boxes;
    ts->DateTimePicker1->SetFocus();
    guitest::Pump();
    guitest::Key(VK_RETURN);
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_FALSE(ts->WaitPanel->Visible());
    EXPECT_FALSE(ts->LoadBusy);
    EXPECT_TRUE(testlib::TakeEvents().empty());
    // The next Enter, with the table back, loads.
    db->Exec("rename table away to pu1");
    Row("pu1", At(15, 8, 0), "TS_1", "55");
    ts->ComboBox1->SetItemIndex(0);
    guitest::Key(VK_RETURN);
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_EQ(ts->LevelGraphN->GetPoint(0, At(15, 8, 0)), 55);
}

// A screen of two history tables on one chart (a test stand-in for the screens that read two).
class TwoTables : public TGraphScreen {
public:
    explicit TwoTables(TComponent* owner) : TGraphScreen(owner, setup()) {
        BuildFrame();
        Chart = MakeGraph(this, "LevelGraphTwo");
        Chart->SetGraphCount(2);
        BuildWaitPanel();
        BuildQuery();
        GraphList[0] = Chart;
        Columns = {{0, "TPST_1", Chart, 0}, {1, "TPST_1", Chart, 1}};
        ComboBox1->SetItemIndex(0);
        DateTimePicker1->SetDate(EncodeDate(2010, 3, 15));
    }
    TLevelGraph* Chart = nullptr;

private:
    static TGraphScreenSetup setup() {
        TGraphScreenSetup s = JigMachineSetup("TwoTables", 1, 30000, 2);
        s.Selects = {"select * from pu1", "select * from pu2"};
        return s;
    }
};

TEST_F(JigGraphTest, EachHistoryQueryOfAScreenChecksFromItsOwnNewestPoint) {
    Row("pu1", At(15, 8, 0), "TPST_1", "1");
    Row("pu1", At(15, 8, 1), "TPST_1", "2");
    auto* s = NewForm<Logged<TwoTables>>(nullptr);
    screens.push_back(s);
    s->Reload();
    // The second table has no rows yet: its checks start before the period, and so does the screen's.
    EXPECT_TRUE(SameMs(s->LastPointTimes[0], At(15, 8, 0, 50)));
    EXPECT_TRUE(SameMs(s->LastPointTimes[1], At(15, 6, 59)));
    EXPECT_TRUE(SameMs(s->LastPointTime, At(15, 6, 59)));

    Row("pu2", At(15, 8, 0), "TPST_1", "10");
    Row("pu2", At(15, 8, 3), "TPST_1", "20");
    s->statements.clear();
    s->CheckForUpdates();
    ASSERT_EQ(s->statements.size(), 2u);
    EXPECT_NE(s->statements[0].find("from pu1 where PostMoment >= '2010-03-15 08:00:50'"), std::string::npos);
    EXPECT_NE(s->statements[1].find("from pu2 where PostMoment >= '2010-03-15 06:59:00'"), std::string::npos);
    EXPECT_EQ(s->Chart->GetPoint(1, At(15, 8, 2)), 20);
    EXPECT_EQ(s->Chart->GetPoint(0, At(15, 8, 2)), -1);
    EXPECT_TRUE(SameMs(s->LastPointTimes[1], At(15, 8, 2, 50)));
    // The earliest of the two is what the timer's one-minute test reads.
    EXPECT_TRUE(SameMs(s->LastPointTime, At(15, 8, 1)));
}

}  // namespace
