// The hydrosizer diagram end to end: the simulated controller on its line, the Vision thread writing
// the state row into the database, the main window's state timer reading it, the diagram's tick.
#include "screens/diagrams/MnemoGS.h"

#include "testlib/VisionStation.h"

#include <gtest/gtest.h>

using namespace visiontest;

namespace {

class MnemoGSFromVision : public VisionStationTest {
protected:
    void SetUp() override {
        VisionStationTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Application->FormCreated(form);  // the MDI frame of the diagram
        form->SQLConnection1->Open();
        form->SQLConnectionUser->Open();
        gs = NewForm<TFormMnemoGS>(nullptr);
        FormMnemoGS = gs;
    }
    void TearDown() override {
        if (gs) gs->Free();
        VisionStationTest::TearDown();
    }
    // One second of the program: the state timer, then the diagram's timer.
    void Second() {
        form->TimerRefreshStateTimer(form->TimerRefreshState);
        gs->TimerUpdateTimer(gs->TimerUpdate);
    }
    bool StateRowHas(const char* column, double value) {
        const std::string sql = std::string("select ") + column + " from pug_state";
        return WaitUntil([&] { return ToDouble(db->Scalar(sql)) == value; });
    }
    // What the fields say, in the order of the names.
    std::vector<std::string> Shown(std::initializer_list<TOutField*> fields) {
        std::vector<std::string> out;
        for (TOutField* f : fields) out.push_back(f->Caption().str());
        return out;
    }
    TColor ArrowColor(const char* name) { return static_cast<TArrow*>(gs->FindComponent(name))->Color(); }

    TFormMnemoGS* gs = nullptr;
};

TEST_F(MnemoGSFromVision, FieldsFollowTheControllerAndTheLink) {
    ASSERT_TRUE(StartVisionThread(form));
    ASSERT_TRUE(StateRowHas("PL2_GS", 1250));
    // The feed's figures come from elsewhere at the plant; the thread leaves them alone.
    db->Exec("update pug_state set PL1_GS=1400, RV1_GS=520, RG1_GS=727.6");

    Second();
    ASSERT_TRUE(form->StateFlags[5]);
    EXPECT_EQ(Shown({gs->OutField_PL2_GS, gs->OutField_RV2_GS, gs->OutField_RG2_GS, gs->OutField_PL3_GS,
                     gs->OutField_TRTW_GS}),
              (std::vector<std::string>{"1250 г/л", "400 м3/ч", "500 т/ч", "1320 г/л", "180 м3/ч"}));
    EXPECT_EQ(Shown({gs->OutField_PL1_GS, gs->OutField_RV1_GS, gs->OutField_RG1_GS}),
              (std::vector<std::string>{"1400 г/л", "520 м3/ч", "728 т/ч"}))
        << "the hidden fields follow too";
    const TColor* on = form->OnColors;
    EXPECT_EQ(ArrowColor("ArrowGSConc1"), on[0]);
    EXPECT_EQ(ArrowColor("ArrowGSRock1"), on[2]);
    EXPECT_EQ(ArrowColor("ArrowGSWater1"), on[4]);
    EXPECT_EQ(ArrowColor("ArrowGSFeed"), on[5]);
    EXPECT_EQ(ArrowColor("ArrowGSDrain1"), on[6]);
    EXPECT_EQ(ArrowColor("ArrowGSSupply1"), on[7]);
    EXPECT_EQ(gs->OutField_RG2_GS->Pen()->Color(), on[0]);

    // The density changes at the controller; the solids load follows it.
    sim->SetHydroValue(0, 1180);
    ASSERT_TRUE(StateRowHas("PL2_GS", 1180));
    Second();
    EXPECT_EQ(gs->OutField_PL2_GS->Caption(), "1180 г/л");
    EXPECT_EQ(gs->OutField_RG2_GS->Caption(), "472 т/ч");

    // The hydrosizer's controller falls silent: once the last read is older than the lamp allows,
    // every field reads 0 and the groups take the stopped colours.
    int unit = 0;
    {
        TCriticalSectionLock lock(form->SharedTextLock);
        unit = form->PUG_UnitID;
    }
    sim->SetUnitSilent(unit, true);
    const int errors = form->V120ErrorCount.load();
    ASSERT_TRUE(WaitUntil([&] { return form->V120ErrorCount.load() > errors; }, 20000));
    clock.Set(10, 0, 30);
    Second();
    ASSERT_FALSE(form->StateFlags[5]);
    EXPECT_EQ(Shown({gs->OutField_PL2_GS, gs->OutField_RV2_GS, gs->OutField_RG2_GS, gs->OutField_PL3_GS,
                     gs->OutField_TRTW_GS, gs->OutField_PL1_GS, gs->OutField_RV1_GS, gs->OutField_RG1_GS}),
              (std::vector<std::string>{"0 г/л", "0 м3/ч", "0 т/ч", "0 г/л", "0 м3/ч", "0 г/л", "0 м3/ч", "0 т/ч"}));
    const TColor* off = form->OffColors;
    EXPECT_EQ(ArrowColor("ArrowGSConc1"), off[0]);
    EXPECT_EQ(ArrowColor("ArrowGSWater1"), off[4]);
    EXPECT_EQ(ArrowColor("ArrowGSSupply2"), off[7]);
    EXPECT_EQ(gs->OutField_TRTW_GS->Pen()->Color(), off[4]);
    // The tanks are no colour group, whatever their Tag.
    EXPECT_EQ(gs->WaterBox1->WaterColor(), clTeal);

    // The controller answers again.
    sim->SetUnitSilent(unit, false);
    ASSERT_TRUE(WaitUntil([&] { return form->PugLastReadTime.load() == clock.Get(); }, 20000));
    Second();
    ASSERT_TRUE(form->StateFlags[5]);
    EXPECT_EQ(gs->OutField_RG2_GS->Caption(), "472 т/ч");
    EXPECT_EQ(ArrowColor("ArrowGSConc1"), on[0]);
}

TEST_F(MnemoGSFromVision, AStateTableWithoutTheSolidsLoadLeavesItsFieldAlone) {
    ASSERT_TRUE(StartVisionThread(form));
    ASSERT_TRUE(StateRowHas("PL2_GS", 1250));
    Second();
    ASSERT_EQ(gs->OutField_RG2_GS->Caption(), "500 т/ч");

    // A station whose table lacks the column (the thread, which writes it, is stopped first). The
    // status query is opened anew, as at the program's next start: a refresh keeps the columns the
    // query was opened with.
    StopVisionThread(form);
    db->Exec("alter table pug_state drop column RG2_GS");
    db->Exec("update pug_state set PL2_GS=1100, RV2_GS=380");
    form->SQLQueryPugState->Close();
    Second();
    ASSERT_TRUE(form->StateFlags[5]);
    EXPECT_EQ(gs->OutField_PL2_GS->Caption(), "1100 г/л");
    EXPECT_EQ(gs->OutField_RV2_GS->Caption(), "380 м3/ч");
    EXPECT_EQ(gs->OutField_RG2_GS->Caption(), "500 т/ч") << "a missing column keeps the last value";

    // Also with the link lost, the missing column's field is left as it was.
    clock.Set(10, 0, 30);
    Second();
    ASSERT_FALSE(form->StateFlags[5]);
    EXPECT_EQ(gs->OutField_PL2_GS->Caption(), "0 г/л");
    EXPECT_EQ(gs->OutField_RG2_GS->Caption(), "500 т/ч");
}

TEST_F(MnemoGSFromVision, AnEmptyStateTableReadsZeroAndAClosedQueryNothing) {
    // A new database: the thread has not made the state row yet, but the link counts as alive.
    gs->OutField_PL2_GS->SetOutValue(9);
    form->PugLastReadTime.store(clock.Get());
    Second();
    ASSERT_TRUE(form->StateFlags[5]);
    ASSERT_TRUE(form->SQLQueryPugState->Active());
    EXPECT_EQ(gs->OutField_PL2_GS->Caption(), "0 г/л");

    // A closed status query has no columns to give: the fields stay as they are.
    db->Exec("insert into pug_state (RecMoment, PL2_GS) values (now(), 1250)");
    form->SQLQueryPugState->Close();
    gs->OutField_PL2_GS->SetOutValue(9);
    gs->TimerUpdateTimer(gs->TimerUpdate);
    EXPECT_EQ(gs->OutField_PL2_GS->Caption(), "9 г/л");
    // The state timer opens it again.
    Second();
    EXPECT_EQ(gs->OutField_PL2_GS->Caption(), "1250 г/л");
}

}  // namespace
