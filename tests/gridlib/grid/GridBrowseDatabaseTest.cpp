// A read-only grid over about 2,000 flotation records of the private database, browsed from the
// first record to the last by keys and by the wheel: the current row always shows the current
// record.
#include "GridTestSupport.h"

#include "gui/Forms.h"
#include "gui/WinApi.h"
#include "testlib/DbFixture.h"

namespace {

constexpr int Rows = 50 * 40;

class GridBrowseDatabaseTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        guitest::EnsureApp();
        // 50 x 40 minutes (a recursive sequence stays below the server's 1000 iterations).
        db->Exec("insert into puf_data (RecMoment, PLF, RVF, SOF, F1AS, DSF1) "
                 "select timestamp('2026-12-01') + interval n minute, 300 + n % 50, n * 0.25, (n % 300) / 10, "
                 "n % 2, (n div 2) % 2 from (select a.i * 40 + b.i as n from "
                 "(with recursive s(i) as (select 0 union all select i + 1 from s where i < 49) select i from s) a, "
                 "(with recursive s(i) as (select 0 union all select i + 1 from s where i < 39) select i from s) b) q");
    }
    // The grid shows the dataset's current record in its current row.
    void ExpectCurrentRowShowsTheRecord(gridtest::TestGrid& grid, TClientDataSet& cds, const char* how) {
        ASSERT_EQ(grid.Row(), grid.TopDataOffset() + grid.DataLink()->ActiveRecord()) << how;
        ASSERT_EQ(grid.DataRowToRecNo(grid.Row() - grid.TopDataOffset()), cds.RecNo()) << how;
    }
    datatest::RussianLocale locale;
    gridtest::FixedMetrics metrics;
};

TEST_F(GridBrowseDatabaseTest, KeysAndTheWheelWalkFromTheFirstRecordToTheLast) {
    CachedDataSet c(conn.get(), "select RecMoment, PLF, RVF, SOF, F1AS, DSF1 from puf_data order by RecMoment");
    c.cds.Open();
    ASSERT_EQ(c.cds.RecordCount(), Rows);
    TDataSource source(nullptr);
    source.SetDataSet(&c.cds);
    TForm form(nullptr);
    form.SetClientSize(640, 300);
    gridtest::TestGrid grid(nullptr);
    grid.SetParent(&form);
    grid.SetBounds(0, 0, 640, 300);
    grid.SetReadOnly(true);
    grid.SetDataSource(&source);
    grid.GetFieldColumns("PLF")->SetDisplayFormat("0.0");
    grid.GetFieldColumns("RVF")->SetDisplayFormat("# ##0.00");
    for (const char* flag : {"F1AS", "DSF1"}) {
        TColumnGx* col = grid.GetFieldColumns(flag);
        col->KeyList()->SetText("1\n0");
        col->SetCheckboxes(true);
    }
    guitest::ShowForm(&form);
    grid.SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return grid.Focused(); }));
    EXPECT_EQ(grid.GetFieldColumns("PLF")->DisplayText(), "300,0");

    // By pages, then the last ones by arrows.
    int steps = 0;
    while (c.cds.RecNo() < Rows && steps < Rows) {
        const int before = c.cds.RecNo();
        guitest::Key(Rows - before > grid.VisibleDataRowCount() ? VK_NEXT : VK_DOWN, 0, &grid);
        ASSERT_GT(c.cds.RecNo(), before) << "a key moves on";
        ExpectCurrentRowShowsTheRecord(grid, c.cds, "keys");
        ++steps;
    }
    EXPECT_EQ(c.cds.RecNo(), Rows);
    EXPECT_LT(steps, Rows / grid.VisibleDataRowCount() + grid.VisibleDataRowCount() + 2);
    guitest::Key(VK_DOWN, 0, &grid);
    EXPECT_EQ(c.cds.State(), dsBrowse) << "a read-only grid appends nothing";
    EXPECT_EQ(c.cds.RecordCount(), Rows);

    guitest::Key(VK_HOME, ssCtrl, &grid);
    EXPECT_EQ(c.cds.RecNo(), 1);
    ExpectCurrentRowShowsTheRecord(grid, c.cds, "Ctrl+Home");

    // The wheel: a notch a record, 150 notches into the set and back.
    const TPoint in(100, 100);
    for (int i = 0; i < 150; ++i) {
        guitest::Wheel(&grid, in, -120);
        if (i % 25 == 0) ExpectCurrentRowShowsTheRecord(grid, c.cds, "wheel down");
    }
    EXPECT_EQ(c.cds.RecNo(), 151);
    for (int i = 0; i < 150; ++i) guitest::Wheel(&grid, in, 120);
    EXPECT_EQ(c.cds.RecNo(), 1);
    ExpectCurrentRowShowsTheRecord(grid, c.cds, "wheel up");

    guitest::Key(VK_END, ssCtrl, &grid);
    EXPECT_EQ(c.cds.RecNo(), Rows);
    ExpectCurrentRowShowsTheRecord(grid, c.cds, "Ctrl+End");
    grid.SetParent(nullptr);
}

}  // namespace
