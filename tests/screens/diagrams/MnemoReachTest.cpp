// The jig-machine diagram driven from the machines' rows in the database through the main window's
// state timer: which machine takes particles, the water pulse, the unloaders, emptying on a lost
// link, the readings, the group colours and the widget edit mode. The timers are driven by hand.
#include "screens/diagrams/MnemoReach.h"

#include "DiagramTestSupport.h"
#include "rtl/MathUtils.h"
#include "screens/diagrams/ColorGroups.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

using diagramtest::EditModeScope;
using diagramtest::ProgramFolder;
using diagramtest::TestClock;

class MnemoReachFromDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_DB();
        db = std::make_unique<testdb::ScratchDatabase>();
        main = diagramtest::NewLanClientWindow(folder, *db);
        main->SQLConnection1->Open();
        TFormMnemoReach::NextIsCoal[0] = TFormMnemoReach::NextIsCoal[1] = false;  // as at start
        reach = NewForm<TFormMnemoReach>(nullptr);
        FormMnemoReach = reach;
        for (TTimer* t : {reach->TimerUpdate, reach->TimerStep, reach->Timer1000Ms}) t->SetEnabled(false);
    }
    void TearDown() override {
        if (reach) reach->Free();
        diagramtest::FreeMainWindow(main);
    }

    // The newest row of machine m and its state row (NRAB), written secondsAgo before now.
    void Machine(int m, const std::string& values, double nrab, int stateSecondsAgo = 2) {
        const std::string n = std::to_string(m);
        db->Exec("delete from pu" + n);
        db->Exec("insert into pu" + n + " (PostMoment, TPST_1, TPST_2, TPST_3, ZPST_1, ZPST_2, ZPST_3, TIN, TOUT, TPAUSA, "
                 "KKP, TS_1, TS_2, TS_3, RAB, NRAB) values ('" + When(3) + "', " + values + ")");
        db->Exec("delete from pu" + n + "_state");
        db->Exec("insert into pu" + n + "_state (PostMoment, NRAB) values ('" + When(stateSecondsAgo) + "', " +
                 std::to_string(nrab) + ")");
    }
    std::string When(int secondsAgo) const {
        return FormatDateTime("yyyy-mm-dd hh:nn:ss", clock.Get() - secondsAgo / SecsPerDay).str();
    }
    void StateTimer() { main->TimerRefreshStateTimer(main->TimerRefreshState); }
    // Update ticks until the tick counter reads n; the first one reseeds from the clock, so the
    // generator is seeded after it.
    void TicksTo(int n) {
        while (reach->UpdateTick != n) {
            reach->TimerUpdateTimer(reach->TimerUpdate);
            if (reach->UpdateTick == 1) SetRandSeed(7);
        }
    }
    TLabel* Label(const char* name) { return static_cast<TLabel*>(reach->FindComponent(name)); }

    ProgramFolder folder;
    TestClock clock;
    std::unique_ptr<testdb::ScratchDatabase> db;
    TFormMain* main = nullptr;
    TFormMnemoReach* reach = nullptr;
};

//                                 TPST_1..3   ZPST_1..3   TIN  TOUT TPAUSA KKP TS_1..3   RAB NRAB
const std::string Standing = "100, 110, 120, 105, 115, 125, 30, 40, 30, 0, 0, 0, 0, 0, 0";
const std::string Working = "100, 110, 120, 105, 115, 125, 30, 40, 30, 0, 0, 0, 0, 1, 1";

TEST_F(MnemoReachFromDatabase, MachineTwoIsFedWhileItsStateSaysSoMachineOneOnlyWhileItWorksToo) {
    Machine(1, Standing, 1);
    Machine(2, Standing, 1);
    StateTimer();
    ASSERT_TRUE(main->StateFlags[1] && main->StateFlags[2]);
    TicksTo(2);
    EXPECT_FALSE(reach->Fed[0]) << "RAB 0: machine 1 is not fed";
    EXPECT_TRUE(reach->Fed[1]);
    EXPECT_EQ(reach->Separators[0]->BallCount(), 0);
    ASSERT_EQ(reach->Separators[3]->BallCount(), 1);

    // The first particle is rock, made from the seeded generator with machine 2's values.
    SetRandSeed(7);
    const double x = RandG(2, 1) + 2, y = RandG(1, 1) + 4, r = RandG(4, 0.5);
    const double vx = RandG(1.5, 1.8) + 2, vy = RandG(0.5, 1.7) + 3;
    const TRockBall& b = (*reach->Separators[3]->Balls())[0];
    EXPECT_EQ(b.Kind, 1);
    EXPECT_EQ(b.Layer, 1);
    EXPECT_DOUBLE_EQ(b.X, x);
    EXPECT_DOUBLE_EQ(b.Y, y);
    EXPECT_DOUBLE_EQ(b.R, r);
    EXPECT_DOUBLE_EQ(b.Vx, vx);
    EXPECT_DOUBLE_EQ(b.Vy, vy);
    EXPECT_EQ(b.OwnVx, 0);
    EXPECT_EQ(b.OwnVy, 2.5);
    EXPECT_EQ(b.Spare, 30);

    // Machine 1 works now: both take a particle on ticks 9 and 16 only, coal after rock.
    Machine(1, Working, 1);
    StateTimer();
    TicksTo(8);
    EXPECT_EQ(reach->Separators[0]->BallCount(), 0);
    TicksTo(9);
    EXPECT_EQ(reach->Separators[0]->BallCount(), 1);
    EXPECT_EQ((*reach->Separators[0]->Balls())[0].Kind, 1) << "machine 1 counts its own kinds";
    EXPECT_EQ((*reach->Separators[0]->Balls())[0].OwnVy, 2.3);
    ASSERT_EQ(reach->Separators[3]->BallCount(), 2);
    EXPECT_EQ((*reach->Separators[3]->Balls())[1].Kind, 0);
    EXPECT_EQ((*reach->Separators[3]->Balls())[1].OwnVy, 0.6);
    TicksTo(15);
    EXPECT_EQ(reach->Separators[3]->BallCount(), 2);
    TicksTo(16);
    EXPECT_EQ(reach->Separators[3]->BallCount(), 3);

    // The conveyors: machine 1's shows coal while it is fed, both run while either machine works.
    const double p1 = reach->AniTrans1->Position(), p2 = reach->AniTrans2->Position();
    reach->TimerStepTimer(reach->TimerStep);
    EXPECT_TRUE(reach->AniTrans1->ShowCoal());
    EXPECT_TRUE(reach->AniTrans2->ShowCoal());
    EXPECT_DOUBLE_EQ(reach->AniTrans1->Position(), p1 + 0.25);
    EXPECT_DOUBLE_EQ(reach->AniTrans2->Position(), CyclicStep(p2, 100, -0.1, 0));
}

TEST_F(MnemoReachFromDatabase, WaterPulsesWithTheRateMachineOneOnAnyMachineTwoOnAPositiveOne) {
    //                    TPST ZPST        TIN TOUT TPAUSA KKP TS RAB NRAB
    Machine(1, "0,0,0, 0,0,0, 30, 40, 30, -5, 0,0,0, 1, 0", 0);
    Machine(2, "0,0,0, 0,0,0, 30, 40, 30, -5, 0,0,0, 1, 0", 0);
    StateTimer();
    struct Tick {
        int tick;
        double vy1, vy4;  // WaterVy of the first compartments
        double level1;    // WaterLevel of machine 1's compartments
    };
    // Phases 0-6 draw the water up (the level would go below 0: it stays at 1), 15-19 push it
    // down 1.7 each; machine 2 rests at 0.2 plus its offset.
    const Tick ticks[] = {{1, -10.5, -0.3, 1.0}, {6, -10.5, -0.3, 1.0}, {7, -0.3, -0.3, 1.0},
                          {14, -0.3, -0.3, 1.0}, {15, 7.0, -0.3, 2.7}, {19, 7.0, -0.3, 9.5}, {20, -10.5, -0.3, 7.8}};
    for (const Tick& t : ticks) {
        SCOPED_TRACE(t.tick);
        TicksTo(t.tick);
        EXPECT_NEAR(reach->Separators[0]->WaterVy(), t.vy1, 1e-9);
        EXPECT_NEAR(reach->Separators[3]->WaterVy(), t.vy4, 1e-9);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(reach->Separators[i]->WaterLevel(), t.level1, 1e-9);
        EXPECT_EQ(reach->Separators[4]->WaterLevel(), 1.0);
    }
    EXPECT_NEAR(reach->Separators[1]->WaterVy(), -10 + 0.2, 1e-9);
    EXPECT_NEAR(reach->Separators[2]->WaterVy(), -10 + 1.0, 1e-9);
    EXPECT_NEAR(reach->Separators[4]->WaterVy(), 0.2 + 0.5, 1e-9);
    EXPECT_NEAR(reach->Separators[5]->WaterVy(), 0.2 + 0.7, 1e-9);

    // KKP 0: machine 1 rests too. A level that climbs over the sieve stops two below it.
    Machine(1, "0,0,0, 0,0,0, 30, 40, 30, 0, 0,0,0, 1, 0", 0);
    StateTimer();
    TicksTo(21);
    EXPECT_NEAR(reach->Separators[0]->WaterVy(), 0.2 - 0.5, 1e-9);
    EXPECT_NEAR(reach->Separators[0]->WaterLevel(), 7.8, 1e-9);
    Machine(2, "0,0,0, 0,0,0, 30, 40, 30, 5, 0,0,0, 1, 0", 0);
    StateTimer();
    TicksTo(34);
    reach->Separators[3]->SetWaterLevel(29.5);
    TicksTo(35);
    EXPECT_NEAR(reach->Separators[3]->WaterLevel(), 28, 1e-9) << "grid height 30 less 2";
}

TEST_F(MnemoReachFromDatabase, UnloadersTurnWithTheirSpeedsAndStayWithinATurn) {
    //                                           KKP TS_1  TS_2 TS_3 RAB NRAB
    Machine(1, "0,0,0, 0,0,0, 30, 40, 30, 0, -50, 2,   10,  1, 0", 0);
    Machine(2, "0,0,0, 0,0,0, 30, 40, 30, 0, 0,   0,   0,   1, 0", 0);
    StateTimer();
    TicksTo(10);
    EXPECT_EQ(reach->Fans[0]->RotorAlpha(), 150) << "a negative speed turns it forward, 15 degrees a tick";
    EXPECT_EQ(reach->Fans[1]->RotorAlpha(), 0) << "0.6 degrees a tick is truncated away";
    EXPECT_EQ(reach->Fans[2]->RotorAlpha(), -30);
    int lowest = 0, highest = 0;
    for (int i = 0; i < 10000; ++i) {
        reach->TimerUpdateTimer(reach->TimerUpdate);
        lowest = std::min(lowest, reach->Fans[2]->RotorAlpha());
        highest = std::max(highest, reach->Fans[0]->RotorAlpha());
    }
    EXPECT_LT(highest, 360);
    EXPECT_GT(lowest, -360);
}

TEST_F(MnemoReachFromDatabase, ALostLinkEmptiesTheMachineAndZeroesItsReadings) {
    //          TPST_1..3       ZPST_1..3   TIN      TOUT TPAUSA KKP TS_1..3    RAB NRAB
    Machine(1, "123.4, 99, 101, 120, 110, 100, 1234.56, 5.5, 30, 55, 45, 50, 60, 1, 1", 1);
    Machine(2, "80, 81, 82, 90, 91, 92, 20, 30, 50, 42, 10, 20, 30, 1, 1", 1);
    StateTimer();
    TicksTo(9);
    ASSERT_GT(reach->Separators[0]->BallCount(), 0);
    reach->Timer1000MsTimer(reach->Timer1000Ms);
    const AnsiString dec(std::string(1, FormatSettings().DecimalSeparator).c_str());
    struct Reading {
        const char* label;
        AnsiString text;
    };
    const Reading readings[] = {
        {"LabelTPST_11", "123"}, {"LabelZPST_31", "100"}, {"LabelTIN1", "1 234" + dec + "6 %"},
        {"LabelTOUT1", "5" + dec + "5 %"}, {"LabelKKP1", "55"}, {"LabelTS_21", "50%"}, {"LabelTS_32", "30%"},
        {"LabelKKP2", "42"},
    };
    for (const Reading& r : readings) EXPECT_EQ(Label(r.label)->Caption(), r.text) << r.label;

    // Machine 1's state row grows old: its compartments empty at the next tick, its readings
    // read 0 at the next second; machine 2 goes on.
    Machine(1, "123.4, 99, 101, 120, 110, 100, 1234.56, 5.5, 30, 55, 45, 50, 60, 1, 1", 1, 600);
    StateTimer();
    ASSERT_FALSE(main->StateFlags[1]);
    reach->Separators[1]->SetWaterLevel(12);
    TicksTo(10);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(reach->Separators[i]->BallCount(), 0) << i;
        EXPECT_EQ(reach->Separators[i]->WaterLevel(), 1.0) << i;
    }
    EXPECT_GT(reach->Separators[3]->BallCount(), 0);
    reach->Timer1000MsTimer(reach->Timer1000Ms);
    for (const char* l : {"LabelTPST_11", "LabelTIN1", "LabelTS_31", "LabelKKP1"}) EXPECT_EQ(Label(l)->Caption(), "0") << l;
    EXPECT_EQ(Label("LabelKKP2")->Caption(), "42");
    reach->TimerStepTimer(reach->TimerStep);
    EXPECT_FALSE(reach->AniTrans1->ShowCoal()) << "machine 1's conveyor shows no coal without its link";
    EXPECT_TRUE(reach->AniTrans2->ShowCoal());
}

TEST_F(MnemoReachFromDatabase, GroupColoursFollowEachMachineOnlyWhenItsStateChanges) {
    Machine(1, Working, 1);
    Machine(2, Standing, 1);
    StateTimer();
    reach->Timer1000MsTimer(reach->Timer1000Ms);
    auto* conc1 = static_cast<TArrow*>(reach->FindComponent("ArrowConc11"));
    auto* conc2 = static_cast<TArrow*>(reach->FindComponent("ArrowConc21"));
    // Tag 1400 reaches machine 1's compartments, 2400 machine 2's.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(reach->Separators[i]->WaterColor(), main->OnColors[4]) << i;
    for (int i = 3; i < 6; ++i) EXPECT_EQ(reach->Separators[i]->WaterColor(), main->OffColors[4]) << i;
    EXPECT_EQ(conc1->Color(), main->OnColors[0]);
    EXPECT_EQ(conc2->Color(), main->OffColors[0]);
    EXPECT_EQ(reach->GroupState[0], 1);
    EXPECT_EQ(reach->GroupState[1], 0);

    // A colour given in between (as the edit mode does) stays while nothing changes.
    conc1->SetColor(clTeal);
    reach->Timer1000MsTimer(reach->Timer1000Ms);
    EXPECT_EQ(conc1->Color(), clTeal);

    // Machine 1 stops: its groups go to the stopped colours.
    Machine(1, Standing, 1);
    StateTimer();
    reach->Timer1000MsTimer(reach->Timer1000Ms);
    EXPECT_EQ(conc1->Color(), main->OffColors[0]);
    EXPECT_EQ(reach->Separators[0]->WaterColor(), main->OffColors[4]);

    // The legend takes the colours of machine 1's (left) and machine 2's (right) labels.
    Label("LabelTPST_11")->Font()->SetColor(clFuchsia);
    Label("LabelZPST_12")->Font()->SetColor(clOlive);
    reach->Timer1000MsTimer(reach->Timer1000Ms);
    EXPECT_EQ(reach->LabelTPST_left->Font()->Color(), clFuchsia);
    EXPECT_EQ(reach->LabelZPST_right->Font()->Color(), clOlive);
}

TEST(MnemoReach, WaterColourGroupReachesSeparatorsAndNozzleLamps) {
    TForm form(nullptr);
    auto* separator = new TSeparator(&form);
    auto* lamp = new TWaterCircle(&form);
    separator->SetTag(1400);
    lamp->SetTag(1400);
    SetColorByTag(&form, 1400, clFuchsia);
    EXPECT_EQ(separator->WaterColor(), clFuchsia);
    EXPECT_EQ(lamp->WaterColor(), clFuchsia);
}

TEST(MnemoReach, EditModeHooksArrowsLabelsAndPolygonsAndLampsTakeTheirInletsColour) {
    ProgramFolder folder;
    folder.WriteIni(testlib::QuietIni);
    TFormMain* main = diagramtest::NewMainWindow();
    TIniFile ini(folder / "FormMnemoReach.INI");
    ini.WriteInteger("Arrow12", "Color", clRed);
    ini.UpdateFile();
    EditModeScope mode(true);
    auto* reach = NewForm<TFormMnemoReach>(nullptr);
    EXPECT_EQ(reach->IniFileName, AnsiString(folder / "FormMnemoReach.INI"));
    EXPECT_EQ(reach->WaterCircles[1]->WaterColor(), clRed) << "the inlet's saved colour";
    EXPECT_EQ(reach->WaterCircles[3]->WaterColor(), clYellow);
    EXPECT_EQ(reach->Oxigen1->BladeCount(), 0);
    const TNotifyEvent hook(reach, &TFormMnemoReach::ColorConfigClick);
    for (const char* name : {"Arrow11", "LabelTPST_11", "PoligonFeed1", "ArrowConc11"})
        EXPECT_TRUE(static_cast<TControl*>(reach->FindComponent(name))->OnClick == hook) << name;
    for (const char* name : {"Separator1", "Fan1", "WaterCircle11", "AniTrans1"})
        EXPECT_FALSE(static_cast<TControl*>(reach->FindComponent(name))->OnClick == hook) << name;
    mode.Set(false);
    reach->SetEditMode();
    EXPECT_FALSE(reach->InletArrows[0]->OnClick == hook);
    EXPECT_EQ(reach->InletArrows[0]->Cursor(), crDefault);

    // The side panels share what the window has beyond the picture, never less than nothing.
    reach->SetWidth(1280);
    reach->FormResize(reach);
    EXPECT_EQ(reach->PanelLeft->Width(), 128);
    EXPECT_EQ(reach->PanelRight->Width(), 128);
    reach->SetWidth(900);
    reach->FormResize(reach);
    EXPECT_EQ(reach->PanelLeft->Width(), 0);
    reach->Free();
    diagramtest::FreeMainWindow(main);
}

}  // namespace
