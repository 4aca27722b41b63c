// The flotation diagram filled from the controller's state row in the database, through the main
// window's state timer: values, the alarm colours below the flow threshold, running and stopped
// colours and the mode fields from the flags.
#include "screens/diagrams/Mnemo.h"

#include "DiagramTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using diagramtest::ProgramFolder;
using diagramtest::TestClock;

class MnemoFromDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_DB();
        db = std::make_unique<testdb::ScratchDatabase>();
        main = diagramtest::NewLanClientWindow(folder, *db);
        mnemo = NewForm<TFormMnemo>(nullptr);
        FormMnemo = mnemo;
    }
    void TearDown() override {
        if (mnemo) mnemo->Free();
        diagramtest::FreeMainWindow(main);
    }
    // The controller's state as the flotation thread leaves it, written secondsAgo before now.
    void StateRow(int secondsAgo, const std::string& values) {
        const std::string when = FormatDateTime("yyyy-mm-dd hh:nn:ss", clock.Get() - secondsAgo / SecsPerDay).str();
        db->Exec("delete from puf_state");
        db->Exec("insert into puf_state (RecMoment, PLF, RVF, RGF, TRRS, TRRP, SOF, URS, URP, ZRRS, ZRRP, "
                 "F1AS, F1RS, F1AP, F1RP, DSF1, DPF1, ALARMP, ALARMS) values ('" + when + "', " + values + ")");
    }
    // One second of the program: the state timer, then the diagram's timer.
    void Second() {
        main->TimerRefreshStateTimer(main->TimerRefreshState);
        mnemo->TimerUpdateTimer(mnemo->TimerUpdate);
    }

    ProgramFolder folder;
    TestClock clock;
    std::unique_ptr<testdb::ScratchDatabase> db;
    TFormMain* main = nullptr;
    TFormMnemo* mnemo = nullptr;
};

TEST_F(MnemoFromDatabase, ShowsTheStateRowAndColoursByFlowAndLink) {
    mnemo->FormCreate(mnemo);
    //        PLF   RVF  RGF TRRS TRRP SOF URS URP ZRRS ZRRP F1AS F1RS F1AP F1RP DSF1 DPF1 ALARMP ALARMS
    StateRow(3, "1180, 95.4, 41, 12.6, 8.4, 22.5, 64, 38, 150, 60, 1, 0, 0, 1, 1, 0, 0, 0");
    Second();
    ASSERT_TRUE(main->StateFlags[3]) << "a fresh row: the link lives";
    EXPECT_EQ(mnemo->OutFieldPLF->Caption(), "1180 г/л");
    EXPECT_EQ(mnemo->OutFieldRVF->Caption(), "95 м3/ч");
    EXPECT_EQ(mnemo->OutFieldRGF->Caption(), "41 т/ч");
    EXPECT_EQ(mnemo->OutFieldTRRS->Caption(), "13 л/ч");
    EXPECT_EQ(mnemo->OutFieldTRRP->Caption(), "8 л/ч");
    EXPECT_EQ(mnemo->OutFieldSOF->Caption(), "23 %");
    EXPECT_EQ(mnemo->OutFieldZRRS->Caption(), "150 мл/т");
    EXPECT_EQ(mnemo->OutFieldURS->Caption(), "64%");
    EXPECT_EQ(mnemo->BarrelURP->WaterLevel(), 38);
    EXPECT_TRUE(mnemo->Running);
    EXPECT_EQ(mnemo->ArrowConc->Color(), clFuchsia);
    EXPECT_EQ(mnemo->OutFieldRVF->Pen()->Color(), clAqua);
    EXPECT_EQ(mnemo->OutField_S_mode->Caption(), "АВТОМАТ");
    EXPECT_EQ(mnemo->OutField_P_mode->Caption(), "РУЧНОЙ");
    EXPECT_FALSE(mnemo->OutFieldZRRP->Visible()) << "the frother circuit runs by hand";
    EXPECT_TRUE(mnemo->OutFieldZRRS->Visible());
    EXPECT_EQ(mnemo->ShapeODRS->Brush()->Color(), clGreen) << "the collector pump doses";
    EXPECT_EQ(mnemo->ShapeODRP->Brush()->Color(), mnemo->PoligonODRP->Brush()->Color());

    // The flow falls below the threshold: the groups turn to the stopped colours.
    ASSERT_EQ(main->MIN_RVF, 1.0);
    StateRow(2, "1180, 0.5, 41, 12.6, 8.4, 22.5, 64, 38, 150, 60, 1, 0, 0, 1, 1, 0, 0, 0");
    Second();
    EXPECT_FALSE(mnemo->Running);
    EXPECT_EQ(mnemo->OutFieldRVF->Caption(), "1 м3/ч");
    EXPECT_EQ(mnemo->ArrowConc->Color(), clSilver);
    EXPECT_EQ(mnemo->ArrowReciver->Color(), clSilver);
    EXPECT_EQ(mnemo->ConusBoxTop->WaterColor(), clSilver);

    // Flowing again, but the row is old: the link is lost, the values stay as they were read.
    StateRow(600, "1200, 90, 41, 12.6, 8.4, 22.5, 64, 38, 150, 60, 0, 0, 0, 0, 0, 0, 0, 0");
    Second();
    EXPECT_FALSE(main->StateFlags[3]);
    EXPECT_FALSE(mnemo->Running);
    EXPECT_EQ(mnemo->ArrowConc->Color(), clSilver);
    EXPECT_EQ(mnemo->OutField_S_mode->Caption(), "нет связи");
    EXPECT_EQ(mnemo->OutField_S_mode->Brush()->Color(), clRed);
    EXPECT_EQ(mnemo->OutFieldPLF->Caption(), "1200 г/л");

    // A fresh row again: running colours come back.
    StateRow(1, "1200, 90, 41, 12.6, 8.4, 22.5, 64, 38, 150, 60, 0, 0, 0, 0, 0, 0, 0, 0");
    Second();
    EXPECT_TRUE(mnemo->Running);
    EXPECT_EQ(mnemo->ArrowFlotOut->Color(), clLime);
    EXPECT_EQ(mnemo->OutField_S_mode->Caption(), "ВЫКЛ");
}

}  // namespace
