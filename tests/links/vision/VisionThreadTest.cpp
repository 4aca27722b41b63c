// The Vision thread end to end: the simulated controllers on a pseudo-terminal, the real thread, the
// private database and a clock the test moves across minutes.
#include "testlib/VisionStation.h"

#include <cmath>

using namespace visiontest;
using namespace std::chrono_literals;

namespace {

void SetUnits(TFormMain* form, int belts, int hydro) {
    TCriticalSectionLock lock(form->SharedTextLock);
    form->PKN_UnitID = belts;
    form->PUG_UnitID = hydro;
}

}  // namespace

TEST(VisionHydroLoad, SolidsLoadIsTheProductScaledWithoutOverflow) {
    struct Case {
        int pl2, rv2;
        double load;
    } cases[] = {
        {1250, 400, 500},
        {0, 400, 0},
        {46341, 46341, 2147488.281},        // the first product past 2^31
        {65535, 65535, 4294836.225},        // both registers at their top
    };
    for (const Case& c : cases) EXPECT_NEAR(HydroSolidsLoad(c.pl2, c.rv2), c.load, 1e-6) << c.pl2 << " x " << c.rv2;
}

TEST_F(VisionStationTest, EmptyTablesThenOneRowPerMinuteAcrossAnHour) {
    sim->SetInt(1, 50, 250);
    sim->SetInt(1, 51, 0);
    clock.Set(10, 58, 20);
    ASSERT_TRUE(StartVisionThread(form));

    // The first counter read of an empty table starts the count: no lifetime total booked as a minute.
    ASSERT_TRUE(WaitUntil([&] { return RowsOf("belt_386_2", "10:58:00") == 1 && RowsOf("belt_401", "10:58:00") == 1; }));
    EXPECT_TRUE(ColumnIs("belt_386_2", "I_1T1", "10:58:00", 1000000));
    EXPECT_TRUE(ColumnIs("belt_386_2", "G_1T1", "10:58:00", 0));
    EXPECT_TRUE(ColumnIs("belt_401", "G_1T1", "10:58:00", 0));
    EXPECT_EQ(db->Count("belt_386_2_state"), 1);
    EXPECT_EQ(db->Count("belt_401_state"), 1);
    EXPECT_EQ(db->Count("pug_state"), 1);

    struct Step {
        int h, n, s;
        int32_t counter0, counter1;
        const char* minute;
        double mass0, mass1;
    } steps[] = {
        {10, 58, 20, 1000250, 2500100, "10:58:00", 0.25, 0.1},
        {10, 59, 5, 1000730, 2500100, "10:59:00", 0.48, 0},   // 1,000,250 at the end of 10:58
        {11, 0, 2, 1000800, 2500600, "11:00:00", 0.07, 0.5},  // into the next hour
    };
    for (const Step& st : steps) {
        SCOPED_TRACE(st.minute);
        clock.Set(st.h, st.n, st.s);
        // The minute's row is there before the counters move, so all of their rise is this minute's.
        ASSERT_TRUE(WaitUntil([&] { return RowsOf("belt_386_2", st.minute) == 1 && RowsOf("belt_401", st.minute) == 1; }));
        sim->SetCounter(0, st.counter0);
        sim->SetCounter(1, st.counter1);
        EXPECT_TRUE(WaitUntil([&] {
            return ColumnIs("belt_386_2", "G_1T1", st.minute, st.mass0) && ColumnIs("belt_401", "G_1T1", st.minute, st.mass1);
        }));
        EXPECT_TRUE(ColumnIs("belt_386_2", "I_1T1", st.minute, st.counter0));
        EXPECT_TRUE(ColumnIs("pug", "RG2_GS", st.minute, 500));
    }
    // One row per minute and belt; the earlier minutes kept their mass.
    EXPECT_EQ(db->Count("belt_386_2"), 3);
    EXPECT_EQ(db->Count("belt_401"), 3);
    EXPECT_EQ(db->Count("pug"), 3);
    EXPECT_TRUE(ColumnIs("belt_386_2", "G_1T1", "10:58:00", 0.25));
    EXPECT_TRUE(ColumnIs("belt_386_2", "G_1T1", "10:59:00", 0.48));
    EXPECT_TRUE(ColumnIs("belt_401", "G_1T1", "10:58:00", 0.1));
    EXPECT_EQ(*Column("belt_386_2", "BKK", "11:00:00"), "1");
    EXPECT_EQ(*Column("belt_401", "BKK", "11:00:00"), "0");
    EXPECT_TRUE(ColumnIs("belt_386_2", "TNK", "11:00:00", 250));

    // The state rows follow one cycle behind, and stay one row each.
    EXPECT_TRUE(WaitUntil([&] { return ToDouble(db->Scalar("select I_1T1 from belt_386_2_state")) == 1000800; }));
    EXPECT_EQ(db->Count("belt_386_2_state"), 1);
    EXPECT_EQ(*db->Scalar("select BKK from belt_386_2_state"), "1");
    EXPECT_EQ(*db->Scalar("select TNK from belt_386_2_state"), "250");
    EXPECT_EQ(db->Count("pug_state"), 1);
    EXPECT_EQ(*db->Scalar("select concat(PL2_GS,' ',RV2_GS,' ',PL3_GS,' ',TRTW_GS,' ',RG2_GS) from pug_state"),
              "1250 400 1320 180 500");

    const TBeltScaleRec belt = ReadBeltScale(0);
    EXPECT_EQ(belt.I_1T1, 1000800);
    EXPECT_NEAR(belt.G_1T1, 0.07, 1e-9);
    EXPECT_EQ(belt.BKK, 1);
    EXPECT_EQ(belt.TNK, 250);
    EXPECT_STREQ(belt.MinuteKey, "2024-05-01 11:00:00");
    const int expected[5] = {1250, 400, 1320, 180, 500};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(form->PugValues[i].load(), expected[i]) << i;
    {
        TCriticalSectionLock lock(form->SharedTextLock);
        EXPECT_EQ(form->PugMinuteKey, "2024-05-01 11:00:00");
    }
    EXPECT_EQ(form->BeltLastReadTime.load(), clock.Get());
    EXPECT_EQ(form->PugLastReadTime.load(), clock.Get());
    EXPECT_EQ(form->V120ErrorCount.load(), 0);
    EXPECT_GE(form->V120QueryCount.load(), 4);
    EXPECT_TRUE(form->V120ThreadActive.load());

    EXPECT_TRUE(StopVisionThread(form));
    EXPECT_FALSE(form->V120ThreadActive.load());
    EXPECT_EQ(form->V120ThreadHandle, nullptr);
}

TEST_F(VisionStationTest, ARestartWithinAMinuteContinuesItsRowWithoutLosingMass) {
    clock.Set(10, 4, 50);
    ASSERT_TRUE(StartVisionThread(form));
    ASSERT_TRUE(WaitUntil([&] { return RowsOf("belt_386_2", "10:04:00") == 1; }));
    sim->SetCounter(0, 1000250);
    ASSERT_TRUE(WaitUntil([&] { return ColumnIs("belt_386_2", "G_1T1", "10:04:00", 0.25); }));
    clock.Set(10, 5, 10);
    ASSERT_TRUE(WaitUntil([&] { return RowsOf("belt_386_2", "10:05:00") == 1 && RowsOf("pug", "10:05:00") == 1; }));
    sim->SetCounter(0, 1000400);
    ASSERT_TRUE(WaitUntil([&] { return ColumnIs("belt_386_2", "G_1T1", "10:05:00", 0.15); }));

    // The program ends; the belt goes on counting; a new run starts within the same minute.
    Restart();
    sim->SetCounter(0, 1000730);
    sim->SetHydroValue(0, 1300);
    clock.Set(10, 5, 40);
    ASSERT_TRUE(StartVisionThread(form));
    ASSERT_TRUE(WaitUntil([&] { return ColumnIs("belt_386_2", "I_1T1", "10:05:00", 1000730); }));
    // The mass is the rise since the end of 10:04, across the restart.
    EXPECT_TRUE(ColumnIs("belt_386_2", "G_1T1", "10:05:00", 0.48));
    EXPECT_TRUE(WaitUntil([&] { return ColumnIs("pug", "PL2_GS", "10:05:00", 1300); }));
    EXPECT_EQ(RowsOf("belt_386_2", "10:05:00"), 1);
    EXPECT_EQ(RowsOf("belt_401", "10:05:00"), 1);
    EXPECT_EQ(RowsOf("pug", "10:05:00"), 1);
    EXPECT_EQ(db->Count("belt_386_2"), 2);
    EXPECT_EQ(db->Count("belt_386_2_state"), 1);
    EXPECT_EQ(db->Count("pug_state"), 1);
}

TEST_F(VisionStationTest, ACounterThatDropsOrReadsZero) {
    clock.Set(10, 10, 10);
    ASSERT_TRUE(StartVisionThread(form));
    ASSERT_TRUE(WaitUntil([&] { return RowsOf("belt_386_2", "10:10:00") == 1 && RowsOf("belt_401", "10:10:00") == 1; }));

    struct Step {
        int32_t counter;
        double mass;
    } steps[] = {
        {1000500, 0.5},
        {400, 0},    // the counter was reset: the minute starts again from there, never negative
        {700, 0.3},
    };
    for (const Step& st : steps) {
        sim->SetCounter(0, st.counter);
        EXPECT_TRUE(WaitUntil([&] { return ColumnIs("belt_386_2", "I_1T1", "10:10:00", st.counter); })) << st.counter;
        EXPECT_TRUE(ColumnIs("belt_386_2", "G_1T1", "10:10:00", st.mass)) << st.counter;
    }

    // A counter of 0 leaves that belt as it was, whatever else the controller says about it.
    sim->SetCounter(1, 0);
    sim->SetBeltRunning(1, true);
    sim->SetInt(1, 51, 333);
    ASSERT_TRUE(WaitCycles(2));
    EXPECT_TRUE(ColumnIs("belt_401", "I_1T1", "10:10:00", 2500000));
    EXPECT_EQ(*Column("belt_401", "BKK", "10:10:00"), "0");
    const TBeltScaleRec belt = ReadBeltScale(1);
    EXPECT_EQ(belt.I_1T1, 2500000);
    EXPECT_EQ(belt.BKK, 0);
    EXPECT_EQ(belt.TNK, 0);
}

TEST_F(VisionStationTest, ABeltControllerThatDoesNotAnswerLeavesTheHydrosizerPolled) {
    SetUnits(form, 9, 2);  // nobody answers at 9
    clock.Set(12, 0, 30);
    ASSERT_TRUE(StartVisionThread(form));
    ASSERT_TRUE(WaitUntil([&] { return form->V120ErrorCount.load() >= 2; }));
    EXPECT_EQ(form->BeltLastReadTime.load(), 0);
    EXPECT_EQ(db->Count("belt_386_2"), 0);
    EXPECT_TRUE(WaitUntil([&] { return RowsOf("pug", "12:00:00") == 1; }));
    // The lamp's time moves once the row is written.
    EXPECT_TRUE(WaitUntil([&] { return form->PugLastReadTime.load() == clock.Get(); }));
    // One failed read per cycle: the poll stops at its first failure.
    EXPECT_LE(form->V120ErrorCount.load(), form->V120QueryCount.load());
    EXPECT_EQ(sim->RequestCount(1, "RW"), 0);

    // The unit id is taken at every poll: the belts come in without a restart.
    SetUnits(form, 1, 2);
    EXPECT_TRUE(WaitUntil([&] { return RowsOf("belt_386_2", "12:00:00") == 1; }));
    EXPECT_TRUE(WaitUntil([&] { return form->BeltLastReadTime.load() == clock.Get(); }));
}

TEST_F(VisionStationTest, AStopDuringAnExchangeEndsTheThreadWithoutWritingThatSection) {
    clock.Set(13, 30, 0);
    ASSERT_TRUE(StartVisionThread(form));
    ASSERT_TRUE(WaitUntil([&] { return RowsOf("belt_386_2", "13:30:00") == 1; }));

    sim->SetReplyDelay(400, 400);
    const int bitReads = sim->RequestCount(1, "RB");
    ASSERT_TRUE(sim->WaitForRequests(1, "RB", bitReads + 1, 5s));
    const int counterReads = sim->RequestCount(1, "RNL");
    sim->SetCounter(0, 1000999);  // never read: the poll ends after the exchange in progress
    EXPECT_TRUE(StopVisionThread(form));
    EXPECT_FALSE(form->V120ThreadActive.load());
    EXPECT_EQ(sim->RequestCount(1, "RNL"), counterReads);
    EXPECT_EQ(sim->RequestCount(1, "RB"), bitReads + 1);
    EXPECT_TRUE(ColumnIs("belt_386_2", "I_1T1", "13:30:00", 1000000));
}

TEST_F(VisionStationTest, StartAndStopAreRefusedOrHarmlessWhereTheyShouldBe) {
    EXPECT_TRUE(StopVisionThread(form));  // nothing to stop
    clock.Set(8, 0, 0);
    ASSERT_TRUE(StartVisionThread(form));
    EXPECT_FALSE(StartVisionThread(form));  // even before the new thread has marked itself active
    ASSERT_TRUE(WaitUntil([&] { return form->V120ThreadActive.load(); }));
    EXPECT_FALSE(StartVisionThread(form));
    EXPECT_TRUE(StopVisionThread(form));

    // A port that cannot be opened: one event-log line, and the thread ends by itself.
    form->V120ComPort = "/nonexistent/vision-tty";
    ASSERT_TRUE(StartVisionThread(form));
    ASSERT_TRUE(WaitUntil([&] { return form->V120ThreadHandle->Finished(); }));
    EXPECT_FALSE(form->V120ThreadActive.load());
    AnsiString text;
    TDateTime when;
    std::uint64_t tick;
    int flags = -1;
    ASSERT_TRUE(EventFIFO.Pop(text, when, tick, flags));
    EXPECT_EQ(text, "Поток связи c Vision: Не могу подключить порт /nonexistent/vision-tty");
    EXPECT_EQ(flags, 0);
    EXPECT_EQ(EventFIFO.GetCount(), 0);
    // The ended thread does not block the next start.
    form->V120ComPort = sim->SlavePath().c_str();
    EXPECT_TRUE(StartVisionThread(form));
    EXPECT_TRUE(WaitUntil([&] { return form->V120ThreadActive.load(); }));
}

TEST_F(VisionStationTest, OneBeltsFailingRestoreDoesNotLeaveTheOtherWithoutItsStateRow) {
    // A stored row whose columns the restore cannot read.
    db->Exec("insert into belt_386_2 (RecMoment, BKK, TNK, I_1T1, G_1T1) values ('2024-05-01 09:14:00', 1, 250, 999000, 0.1)");
    db->Exec("ALTER TABLE belt_386_2 CHANGE BKK BKX SMALLINT NULL");
    clock.Set(9, 15, 0);
    ASSERT_TRUE(StartVisionThread(form));
    ASSERT_TRUE(WaitCycles(3));  // three restores of belt 0 that failed after its state check
    EXPECT_EQ(db->Count("belt_386_2_state"), 1);
    EXPECT_EQ(db->Count("belt_401_state"), 0);

    db->Exec("ALTER TABLE belt_386_2 CHANGE BKX BKK SMALLINT NULL");
    EXPECT_TRUE(WaitUntil([&] { return RowsOf("belt_401", "09:15:00") == 1; }));
    EXPECT_EQ(db->Count("belt_401_state"), 1);
    EXPECT_EQ(db->Count("belt_386_2_state"), 1);
    EXPECT_TRUE(WaitUntil([&] { return ToDouble(db->Scalar("select I_1T1 from belt_401_state")) == 2500000; }));
    // Belt 0 goes on from its stored minute: the new minute holds the rise since 999,000.
    EXPECT_TRUE(WaitUntil([&] { return ColumnIs("belt_386_2", "G_1T1", "09:15:00", 1.0); }));
}

TEST_F(VisionStationTest, BeltJournalLinesGoInWhileTheThreadWrites) {
    clock.Set(14, 0, 0);
    ASSERT_TRUE(StartVisionThread(form));
    ASSERT_TRUE(WaitUntil([&] { return RowsOf("belt_386_2", "14:00:00") == 1; }));
    const auto until = std::chrono::steady_clock::now() + 2s;
    int lines = 0;
    while (std::chrono::steady_clock::now() < until && lines < 200) {
        ASSERT_NO_THROW(InsertBeltLog(form, "Начало измерения веса ленты."));
        ++lines;
    }
    // Whatever a text holds, it is stored as it stands.
    InsertBeltLog(form, "it's a \\ test');--");
    EXPECT_EQ(db->Count("belt_log"), lines + 1);
    EXPECT_EQ(*db->Scalar("select count(*) from belt_log where Message='Начало измерения веса ленты.'"), std::to_string(lines));
    EXPECT_EQ(db->Count("belt_log"), std::stoll(*db->Scalar("select count(*) from belt_log where PostMoment is not null")));
    EXPECT_TRUE(db->Scalar("select 1 from belt_log where Message like 'it''s a %'").has_value());
    EXPECT_EQ(*db->Scalar("select Message from belt_log where Message like 'it%'"), "it's a \\ test');--");
    EXPECT_EQ(form->V120ErrorCount.load(), 0);
}
