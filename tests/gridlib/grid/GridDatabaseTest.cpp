// The grid over a client dataset of the private database: calibration rows shown, one cell edited
// through the grid and the change resolved into the keyed table.
#include "GridTestSupport.h"

#include "testlib/DbFixture.h"

namespace {

class GridDatabaseTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        guitest::EnsureApp();
        db->Exec("insert into kalibr values (1, 'S1', 10, 1.5), (1, 'S2', 20, 2.5), (2, 'S1', 30, 3.5)");
    }
    datatest::RussianLocale locale;
    gridtest::FixedMetrics metrics;
};

TEST_F(GridDatabaseTest, AnEditedCellIsPostedBackIntoTheTable) {
    CachedDataSet c(conn.get(), "select * from kalibr order by AVal");
    TDataSource source(nullptr);
    source.SetDataSet(&c.cds);
    gridtest::TestGrid grid(nullptr);
    grid.SetDataSource(&source);
    c.cds.Open();
    ASSERT_EQ(grid.Columns()->Count(), 4);
    EXPECT_EQ(grid.DataLink()->RecordCount(), 3);
    EXPECT_EQ(grid.RowCount(), grid.TopDataOffset() + 3);

    c.cds.Next();
    TColumnGx* fval = grid.GetFieldColumns("FVal");
    grid.SetSelectedIndex(fval->Index());
    EXPECT_EQ(grid.GetEditText(grid.Col(), grid.Row()), "2,5");
    grid.Type("7,25");
    c.cds.Post();
    EXPECT_EQ(fval->DisplayText(), "7,25");
    ASSERT_EQ(c.cds.ApplyUpdates(0), 0);

    auto check = NewConnection();
    TSQLQuery q(nullptr);
    q.SetSQLConnection(check.get());
    q.SQL()->SetText("select FVal from kalibr where PultIndex = 1 and SignalName = 'S2' and AVal = 20");
    q.Open();
    EXPECT_DOUBLE_EQ(q.FieldByName("FVal")->AsFloat(), 7.25);
    q.Close();
    q.SQL()->SetText("select count(*) from kalibr where FVal = 7.25");
    q.Open();
    EXPECT_EQ(q.Fields()->Fields(0)->AsInteger(), 1) << "one row changed";
}

}  // namespace
