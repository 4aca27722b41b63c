// The flotation and belt-scale tables against the private database: the sums of each period at the
// shift boundaries and at the first of a month, an empty day, the throughput row, failing queries
// and reloads in the event log.
#include "screens/tables/TableBelt.h"
#include "screens/tables/TableFlot.h"

#include "TablesTestSupport.h"

#include "links/BeltScale.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using tablestest::TablesTest;

class TotalsTableTest : public TablesTest {
protected:
    void SetUp() override {
        TablesTest::SetUp();
        At(2010, 3, 15);
        ClearBeltScales();
        flot = NewForm<TFormTableFlot>(form);
        belt = NewForm<TFormTableBelt>(form);
        if (!db) return;
        // Flows per hour, one row a minute: 60 times the weight gives the weight itself after /60.
        InsertBoundaryRows("puf_data", "RecMoment, RVF, RGF, TRRS, TRRP", [](int w) {
            return std::to_string(60 * w) + ", " + std::to_string(120 * w) + ", " + std::to_string(180 * w) + ", " +
                   std::to_string(240 * w);
        });
        // Scale 386-2 weighs a quarter of the weight at every moment; scale 401 half of it, but only
        // at 07:00:00 and 18:59:59 of the 15th and at 07:00 on the 1st.
        InsertBoundaryRows("belt_386_2", "RecMoment, G_1T1", [](int w) { return std::to_string(w * 0.25); });
        InsertBoundaryRows("belt_401", "RecMoment, G_1T1", [](int w) { return std::to_string(w * 0.5); },
                           [](int w) { return w == 1 || w == 2 || w == 64; });
    }
    void TearDown() override {
        ClearBeltScales();
        TablesTest::TearDown();
    }
    static void ReloadFor(TTotalsTableForm* screen, int y, int mo, int d) {
        screen->DateTimePicker1->SetDate(EncodeDate(y, mo, d));
        screen->Reload();
    }
    // The value of every value cell, by name.
    static std::map<std::string, double> Values(TTotalsTableForm* screen) {
        std::map<std::string, double> out;
        for (int i = 0; i < screen->ComponentCount(); ++i)
            if (auto* f = dynamic_cast<TOutField*>(screen->Components(i)); f && f->Tag() == TTotalsTableForm::ValueTag)
                out[f->Name().str()] = f->OutValue();
        return out;
    }
    TFormTableFlot* flot = nullptr;
    TFormTableBelt* belt = nullptr;
};

TEST_F(TotalsTableTest, FlotationSumsOfEachPeriod) {
    REQUIRE_TEST_DB();
    struct {
        int y, mo, d;
        double shift1, shift2, day, month;  // of VF; GF, VRRS, VRRP are 2, 3 and 4 times it
    } cases[] = {
        {2010, 3, 15, 3, 12, 15, 2579},  // the month: 64 + 1500 + 1000 + 15
        {2010, 3, 1, 64, 0, 64, 64},     // the row at 06:59:59 on the 1st is February's
        {2010, 4, 20, 0, 0, 0, 0},       // nothing at all
    };
    for (const auto& c : cases) {
        ReloadFor(flot, c.y, c.mo, c.d);
        std::map<std::string, double> expected;
        const double byPeriod[4] = {c.shift1, c.shift2, c.day, c.month};
        for (int p = 0; p < 4; ++p)
            for (int k = 0; k < 4; ++k)
                expected[std::string("OutField") + TShiftTableForm::PeriodSuffix[p] + TFormTableFlot::ResultNames[k]] =
                    byPeriod[p] * (k + 1);
        EXPECT_EQ(Values(flot), expected) << c.y << "-" << c.mo << "-" << c.d;
    }
    // The empty day shows blanks (the format's zero section), not the numbers of the day before.
    EXPECT_EQ(flot->ValueField("OutField_M_VRRP")->Caption(), "  ");
    EXPECT_FALSE(flot->WaitPanel->Visible());
    EXPECT_TRUE(testlib::TakeEvents().empty());
}

TEST_F(TotalsTableTest, BeltSumsOfEachPeriodAndTheThroughputOfTheLastReload) {
    REQUIRE_TEST_DB();
    UpdateBeltScale(0, [](TBeltScaleRec& r) { r.TNK = 412.5; });
    UpdateBeltScale(1, [](TBeltScaleRec& r) { r.TNK = 96.25; });
    struct {
        int y, mo, d;
        std::map<std::string, double> cells;
    } cases[] = {
        // Scale 401 has no rows in shift 2: its cell is still set, to 0.
        {2010, 3, 15,
         {{"OutField_TNK0", 412.5}, {"OutField_TNK1", 96.25}, {"OutField_D1_G0", 0.75}, {"OutField_D1_G1", 1.5},
          {"OutField_D2_G0", 3}, {"OutField_D2_G1", 0}, {"OutField_D_G0", 3.75}, {"OutField_D_G1", 1.5},
          {"OutField_M_G0", 644.75}, {"OutField_M_G1", 33.5}}},
        {2010, 3, 1,
         {{"OutField_TNK0", 412.5}, {"OutField_TNK1", 96.25}, {"OutField_D1_G0", 16}, {"OutField_D1_G1", 32},
          {"OutField_D2_G0", 0}, {"OutField_D2_G1", 0}, {"OutField_D_G0", 16}, {"OutField_D_G1", 32},
          {"OutField_M_G0", 16}, {"OutField_M_G1", 32}}},
        {2010, 4, 20,
         {{"OutField_TNK0", 412.5}, {"OutField_TNK1", 96.25}, {"OutField_D1_G0", 0}, {"OutField_D1_G1", 0},
          {"OutField_D2_G0", 0}, {"OutField_D2_G1", 0}, {"OutField_D_G0", 0}, {"OutField_D_G1", 0},
          {"OutField_M_G0", 0}, {"OutField_M_G1", 0}}},
    };
    for (const auto& c : cases) {
        ReloadFor(belt, c.y, c.mo, c.d);
        EXPECT_EQ(Values(belt), c.cells) << c.y << "-" << c.mo << "-" << c.d;
    }
    // The throughput row keeps the value of the last reload.
    UpdateBeltScale(0, [](TBeltScaleRec& r) { r.TNK = 10; });
    EXPECT_EQ(belt->OutField_TNK0->OutValue(), 412.5);
    belt->ButReloadClick(belt->ButReload);
    EXPECT_EQ(belt->OutField_TNK0->OutValue(), 10);
    EXPECT_TRUE(testlib::TakeEvents().empty());
}

TEST_F(TotalsTableTest, AFailingPeriodQueryIsLoggedAndTheOtherPeriodsStillLoad) {
    REQUIRE_TEST_DB();
    ReloadFor(flot, 2010, 3, 15);
    // Every flotation period fails, each one logged; the cells keep their values.
    db->Exec("rename table puf_data to puf_data_away");
    ReloadFor(flot, 2010, 3, 1);
    EXPECT_EQ(flot->ValueField("OutField_D1_VF")->OutValue(), 3);
    EXPECT_EQ(testlib::TakeEvents(), std::vector<std::string>(4, "Ошибка загрузки данных в сводную таблицу."));
    EXPECT_EQ(flot->ReloadBusy, 0);
    EXPECT_FALSE(flot->WaitPanel->Visible());

    // Both belt scales come in one statement: without belt_401 every belt period fails.
    db->Exec("rename table puf_data_away to puf_data");
    ReloadFor(belt, 2010, 3, 15);
    db->Exec("rename table belt_401 to belt_401_away");
    ReloadFor(belt, 2010, 3, 1);
    EXPECT_EQ(testlib::TakeEvents(), std::vector<std::string>(4, "Ошибка загрузки данных в сводную таблицу."));
    EXPECT_EQ(belt->ValueField("OutField_M_G0")->OutValue(), 644.75);
}

TEST_F(TotalsTableTest, AFailingReloadIsLoggedUnderTheScreensNameAndHidesTheWaitPanel) {
    REQUIRE_TEST_DB();
    // A first-shift hour the shift rule refuses makes every period computation fail.
    FirstChangeStart = 25;
    for (TTotalsTableForm* screen : {static_cast<TTotalsTableForm*>(flot), static_cast<TTotalsTableForm*>(belt)}) {
        screen->Reload();
        EXPECT_EQ(testlib::TakeEvents(), std::vector<std::string>{"Ошибка в " + screen->ClassName().str() + "::Reload()"});
        EXPECT_EQ(screen->ReloadBusy, 0);
        EXPECT_FALSE(screen->WaitPanel->Visible());
    }
    FirstChangeStart = 7;
}

TEST_F(TotalsTableTest, WithoutTheConnectionAReloadDoesNothing) {
    REQUIRE_TEST_DB();
    UpdateBeltScale(0, [](TBeltScaleRec& r) { r.TNK = 50; });
    form->SQLConnection1->Close();
    for (TTotalsTableForm* screen : {static_cast<TTotalsTableForm*>(flot), static_cast<TTotalsTableForm*>(belt)}) {
        const TDateTime shown = screen->ShownDate;
        ReloadFor(screen, 2010, 3, 15);
        EXPECT_EQ(screen->ShownDate, shown) << screen->Name();
        for (const auto& [name, value] : Values(screen)) EXPECT_EQ(value, 0) << name;
    }
    EXPECT_FALSE(form->SQLConnection1->Connected());
    EXPECT_TRUE(testlib::TakeEvents().empty());
}

TEST_F(TotalsTableTest, RowsAreSizedByTheHeaderCellAndTheTableCentred) {
    belt->SetBounds(0, 0, 1000, 700);
    belt->FormResize(belt);
    EXPECT_EQ(belt->PanelLeft->Width(), (1000 - belt->PanelCenter->Width()) / 2);
    EXPECT_EQ(belt->PanelTop->Height(), (belt->ClientHeight() - 6 * belt->OutField_00->Height()) / 2);
    for (TPanel* row : belt->Panel_row) EXPECT_EQ(row->Height(), belt->OutField_00->Height()) << row->Name();
}

}  // namespace
