// The main window's state timer: link lamps from row ages and link times (clock injected), the
// flotation values, and the LAN-client station that takes the belt records from the belt tables.
#include "testlib/VisionStation.h"

#include "gui/WinApi.h"

using namespace visiontest;

namespace {

// "2024-05-01 hh:nn:ss" of the test clock moved by a number of seconds.
std::string Ago(const TestClock& clock, double seconds) {
    return FormatDateTime("yyyy-mm-dd hh:nn:ss", clock.Get() - seconds / SecsPerDay).str();
}

// A station's main window without a database, for what needs none.
class StateTimerNoDb : public ::testing::Test {
protected:
    void SetUp() override {
        folder.WriteIni("[MySQL]\r\nSavePassword=1\r\nComp=127.0.0.1:1\r\n");
        form = new TFormMain(nullptr);
        FormMain = form;
    }
    void TearDown() override { FreeMainWindow(form); }
    StationFolder folder;
    TestClock clock;
    TFormMain* form = nullptr;
};

// A station whose status connection reaches a scratch database; the test fills the tables.
class StateTimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_DB();
        db = std::make_unique<testdb::ScratchDatabase>();
        clock.Set(10, 0, 0);
    }
    void TearDown() override { FreeMainWindow(form); }
    void MakeStation(bool lanClient) {
        folder.WriteIni(lanClient ? "[MySQL]\r\nSavePassword=1\r\n[main]\r\nLanClientMode=1\r\n" : "[MySQL]\r\nSavePassword=1\r\n");
        form = NewMainWindow(*db, lanClient);
        ASSERT_EQ(form->LanClientMode, lanClient);
    }
    void Tick() { form->TimerRefreshStateTimer(form->TimerRefreshState); }

    StationFolder folder;
    TestClock clock;
    std::unique_ptr<testdb::ScratchDatabase> db;
    TFormMain* form = nullptr;
};

}  // namespace

TEST_F(StateTimerNoDb, LampColourFollowsTheAgeOfItsTime) {
    struct Case {
        bool lan;
        double age;  // seconds before now; negative: in the future
        TColor colour;
    } cases[] = {
        {false, 0, clGreen},    {false, 10, clGreen},   {false, 10.9, clGreen}, {false, 11, clYellow},
        {false, 15, clYellow},  {false, 15.9, clYellow}, {false, 16, clRed},    {false, -30, clRed},
        {false, -10, clGreen},  {true, 80, clGreen},    {true, 81, clYellow},   {true, 120, clYellow},
        {true, 121, clRed},     {true, 16, clGreen},    {true, -100, clYellow},
    };
    for (const Case& c : cases) {
        form->LanClientMode = c.lan;
        bool alive = c.colour == clRed;  // the opposite of what must come out
        EXPECT_EQ(form->LinkAgeColor(clock.Get() - c.age / SecsPerDay, alive), c.colour) << c.lan << " " << c.age;
        EXPECT_EQ(alive, c.colour != clRed) << c.lan << " " << c.age;
    }
    // A time never set (an empty table, a null column) is always red.
    for (bool lan : {false, true}) {
        form->LanClientMode = lan;
        bool alive = true;
        EXPECT_EQ(form->LinkAgeColor(0, alive), clRed);
        EXPECT_FALSE(alive);
    }
}

TEST_F(StateTimerNoDb, WithTheStatusConnectionDownTheLinkLampsFollowTheThreadsWrites) {
    clock.Set(7, 8, 9);
    form->BeltLastReadTime.store(clock.Get());
    form->PufThreadActive.store(true);
    form->PufLastStateTime.store(clock.Get() - 20 / SecsPerDay);
    form->TimerRefreshStateTimer(form->TimerRefreshState);
    EXPECT_EQ(form->LabelClock->Caption(), "07:08:09");
    // The lamps of rows the timer has never read stay as they are.
    for (TShape* lamp : {form->ShapeLinkPU1, form->ShapeLinkPU2})
        EXPECT_EQ(lamp->Brush()->Color(), clSilver) << lamp->Name();
    // The threads' lamps age from their last write: the belts wrote just now, the hydrosizer never,
    // the flotation controller's state 20 s ago.
    EXPECT_EQ(form->ShapeLinkV120->Brush()->Color(), clGreen);
    EXPECT_TRUE(form->StateFlags[4]);
    EXPECT_EQ(form->ShapeLinkGS->Brush()->Color(), clRed);
    EXPECT_EQ(form->ShapeLinkPuf->Brush()->Color(), clRed);
    EXPECT_FALSE(form->StateFlags[3]);
    form->PufThreadActive.store(false);
}

TEST_F(StateTimerTest, LinkStationLampsValuesAndNewestRows) {
    MakeStation(false);
    db->Exec("insert into pu1_state (PostMoment, NRAB) values ('" + Ago(clock, 10) + "', 1)");
    db->Exec("insert into pu2_state (PostMoment, NRAB) values ('" + Ago(clock, 16) + "', 1)");
    db->Exec("insert into pu1 (PostMoment, TPST_1) values ('" + Ago(clock, 120) + "', 11), ('" + Ago(clock, 60) + "', 22)");
    db->Exec("insert into pu2 (PostMoment, TPST_1) values ('" + Ago(clock, 60) + "', 33)");
    db->Exec("insert into puf_state (RecMoment, PLF, RVF, RGF, TRRS, TRRP, SOF, URS, URP, ZRRS, ZRRP, "
             "F1AS, F1RS, F1AP, F1RP, DSF1, DPF1, ALARMP, ALARMS) values ('" + Ago(clock, 11) + "', "
             "1.5, 2.5, 3, 4, 5, 6, 7, 8, 9, 10.25, 0.6, 0.4, 0.5, 1.5, 2.5, 1, 0, 3)");
    db->Exec("insert into puf_data (RecMoment, PLF) values ('" + Ago(clock, 300) + "', 1), ('" + Ago(clock, 240) + "', 2)");
    db->Exec("insert into pug_state (RecMoment, PL2_GS) values ('" + Ago(clock, 1) + "', 1250)");
    form->SQLConnectionUser->Open();
    // On a link station the belt and hydrosizer lamps follow the thread's reads, not the rows.
    form->BeltLastReadTime.store(clock.Get() - 5 / SecsPerDay);
    form->PugLastReadTime.store(0);

    Tick();
    EXPECT_EQ(form->LabelClock->Caption(), "10:00:00");
    struct Lamp {
        TShape* shape;
        int flag;
        TColor colour;
    } lamps[] = {
        {form->ShapeLinkPU1, 1, clGreen},  {form->ShapeLinkPU2, 2, clRed}, {form->ShapeLinkPuf, 3, clYellow},
        {form->ShapeLinkV120, 4, clGreen}, {form->ShapeLinkGS, 5, clRed},
    };
    for (const Lamp& l : lamps) {
        EXPECT_EQ(l.shape->Brush()->Color(), l.colour) << l.shape->Name();
        EXPECT_EQ(form->StateFlags[l.flag], l.colour != clRed) << l.shape->Name();
    }
    const float values[10] = {1.5f, 2.5f, 3, 4, 5, 6, 7, 8, 9, 10.25f};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(form->PufValues[i], values[i]) << i;
    // Halves go to the even neighbour.
    const std::uint8_t flags[8] = {1, 0, 0, 2, 2, 1, 0, 3};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(form->PufFlags[i], flags[i]) << i;
    EXPECT_EQ(form->SQLQueryLastPu1->FieldByName("TPST_1")->AsFloat(), 22);
    EXPECT_EQ(form->SQLQueryLastPu2->FieldByName("TPST_1")->AsFloat(), 33);
    EXPECT_EQ(form->SQLQueryLastPuf->FieldByName("PLF")->AsFloat(), 2);

    // Rows and link times age: the next ticks judge them again.
    clock.Set(10, 0, 6);
    db->Exec("update puf_state set F1AS=0.4");
    Tick();
    EXPECT_EQ(form->ShapeLinkPU1->Brush()->Color(), clRed);
    EXPECT_FALSE(form->StateFlags[1]);
    EXPECT_EQ(form->ShapeLinkV120->Brush()->Color(), clYellow);  // 11 s since the last belt read
    EXPECT_TRUE(form->StateFlags[4]);
    EXPECT_EQ(form->PufFlags[0], 0);
    clock.Set(10, 0, 11);
    Tick();
    EXPECT_EQ(form->ShapeLinkV120->Brush()->Color(), clRed);
    EXPECT_FALSE(form->StateFlags[4]);
}

TEST_F(StateTimerTest, WhileThePufThreadRunsItsLampFollowsTheThreadAndTheClockGoesOutHourly) {
    MakeStation(false);
    db->Exec("insert into puf_state (RecMoment) values ('" + Ago(clock, 600) + "')");
    form->SQLConnectionUser->Open();
    auto setTimes = [&] {
        TCriticalSectionLock lock(form->PufCommandsLock);
        int n = 0;
        for (int i = 0; i < form->PufCommands->Count(); ++i) n += form->PufCommands->Get(i).Pos("SetTime:") == 1;
        return n;
    };
    // The stale row is not looked at while the thread runs: its own last exchange decides.
    form->PufThreadActive.store(true);
    form->PufLastStateTime.store(clock.Get() - 2 / SecsPerDay);
    Tick();
    EXPECT_EQ(form->ShapeLinkPuf->Brush()->Color(), clGreen);
    EXPECT_TRUE(form->StateFlags[3]);
    EXPECT_EQ(setTimes(), 1);
    struct Step {
        int h, n, s;
        double exchangeAge;
        int setTimes;
    } steps[] = {
        {10, 0, 1, 2, 1},    // the next second: not again
        {10, 59, 59, 2, 1},  // within the hour
        {11, 0, 1, 2, 2},    // an hour on
        {12, 30, 0, 20, 2},  // the link is down: no clock command
    };
    for (const Step& st : steps) {
        clock.Set(st.h, st.n, st.s);
        form->PufLastStateTime.store(clock.Get() - st.exchangeAge / SecsPerDay);
        Tick();
        EXPECT_EQ(setTimes(), st.setTimes) << st.h << ":" << st.n;
    }
    EXPECT_EQ(form->ShapeLinkPuf->Brush()->Color(), clRed);
    // With the thread stopped the row decides again.
    form->PufThreadActive.store(false);
    db->Exec("update puf_state set RecMoment='" + Ago(clock, 3) + "'");
    Tick();
    EXPECT_EQ(form->ShapeLinkPuf->Brush()->Color(), clGreen);
    EXPECT_EQ(setTimes(), 2);
}

TEST_F(StateTimerTest, AMissingColumnBeepsAndKeepsWhatWasDoneBeforeIt) {
    MakeStation(false);
    db->Exec("insert into pu1_state (PostMoment) values ('" + Ago(clock, 1) + "')");
    db->Exec("insert into puf_state (RecMoment, PLF) values ('" + Ago(clock, 1) + "', 4)");
    db->Exec("ALTER TABLE puf_state DROP COLUMN ALARMS");
    form->SQLConnectionUser->Open();
    form->PugLastReadTime.store(clock.Get());
    const int beeps = BeepCount();
    Tick();
    EXPECT_EQ(BeepCount(), beeps + 1);
    EXPECT_EQ(form->ShapeLinkPU1->Brush()->Color(), clGreen);   // before the failing step
    EXPECT_EQ(form->ShapeLinkPuf->Brush()->Color(), clGreen);
    EXPECT_EQ(form->ShapeLinkGS->Brush()->Color(), clSilver);   // after it: waits for a good tick
    Tick();
    EXPECT_EQ(BeepCount(), beeps + 2);  // once per tick while the failure lasts
}

TEST_F(StateTimerTest, LanClientTakesBeltRecordsAndLampsFromTheTablesAndStartsNoThread) {
    MakeStation(true);
    form->FormCreate(form);
    ASSERT_TRUE(form->SQLConnectionUser->Connected());
    EXPECT_EQ(form->V120ThreadHandle, nullptr);
    EXPECT_EQ(form->PufThreadHandle, nullptr);
    EXPECT_FALSE(form->V120ThreadActive.load());

    // Both belt tables empty: the belt lamp has no time at all and is red.
    Tick();
    EXPECT_EQ(form->ShapeLinkV120->Brush()->Color(), clRed);
    EXPECT_FALSE(form->StateFlags[4]);
    EXPECT_EQ(ReadBeltScale(0).TNK, 0);

    // Belt 386-2 silent for 200 s, belt 401 reporting: the lamp follows the newer one.
    db->Exec("insert into belt_386_2 (RecMoment, BKK, TNK, I_1T1, G_1T1, KP, CLK) values "
             "('" + Ago(clock, 260) + "', 0, 1, 2, 3, 4, 5), ('" + Ago(clock, 200) + "', 2, 250, 1000730, 0.48, 101, 1200)");
    db->Exec("insert into belt_401 (RecMoment, BKK, TNK, I_1T1, G_1T1) values ('" + Ago(clock, 30) + "', 0, 0, 2500000, 0)");
    db->Exec("insert into pug_state (RecMoment) values ('" + Ago(clock, 100) + "')");
    form->PugLastReadTime.store(clock.Get());  // a LAN client does not look at it
    Tick();
    EXPECT_EQ(form->ShapeLinkV120->Brush()->Color(), clGreen);
    EXPECT_TRUE(form->StateFlags[4]);
    EXPECT_EQ(form->ShapeLinkGS->Brush()->Color(), clYellow);
    const TBeltScaleRec b0 = ReadBeltScale(0);
    EXPECT_EQ(b0.TNK, 250);
    EXPECT_EQ(b0.I_1T1, 1000730);
    EXPECT_NEAR(b0.G_1T1, 0.48, 1e-12);
    EXPECT_EQ(b0.KP, 101);
    EXPECT_EQ(b0.CLK, 1200);
    EXPECT_EQ(b0.BKK, 1);  // any value but 0 runs
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", b0.RecMoment), Ago(clock, 200));
    const TBeltScaleRec b1 = ReadBeltScale(1);
    EXPECT_EQ(b1.I_1T1, 2500000);
    EXPECT_EQ(b1.BKK, 0);
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", b1.RecMoment), Ago(clock, 30));

    // Once both are older than two minutes the lamp goes red.
    clock.Set(10, 2, 1);
    Tick();
    EXPECT_EQ(form->ShapeLinkV120->Brush()->Color(), clRed);
    EXPECT_EQ(form->ShapeLinkGS->Brush()->Color(), clRed);
    EXPECT_FALSE(form->StateFlags[5]);
}
