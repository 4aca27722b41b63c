// A grid over 2,000 puf_data rows of the private database, with the rows' display formats and the
// controller's flags as check boxes, painted while the dataset is browsed from the first record to
// the last: the painted rows always show the records of the data link's window, with the mark on
// the current one.
#include "GridTestSupport.h"

#include "testlib/DbFixture.h"

namespace {

class PaintingGrid : public gridtest::TestGrid {
    PLANTMON_CLASS(PaintingGrid, gridtest::TestGrid)
public:
    using gridtest::TestGrid::TestGrid;
};

class GridPaintDatabaseTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        guitest::EnsureApp();
        db->Exec("insert into puf_data (RecMoment, PLF, RVF, F1AS, DSF1) select '2010-01-01' + interval seq minute, "
                 "50 + seq % 200 + 0.25, 300 + seq % 500, seq % 2, seq % 3 = 0 from seq_1_to_2000");
    }
    datatest::RussianLocale locale;
    gridtest::FixedMetrics metrics;
};

TEST_F(GridPaintDatabaseTest, BrowsingTwoThousandRowsPaintsTheCurrentWindow) {
    CachedDataSet c(conn.get(), "select RecMoment, PLF, RVF, F1AS, DSF1 from puf_data order by RecMoment");
    TDataSource source(nullptr);
    source.SetDataSet(&c.cds);
    PaintingGrid grid(nullptr);
    grid.SetBounds(0, 0, 640, 400);
    c.cds.Open();
    ASSERT_EQ(c.cds.RecordCount(), 2000);
    static_cast<TDateTimeField*>(c.cds.FieldByName("RecMoment"))->SetDisplayFormat("dd.mm.yyyy hh:nn");
    static_cast<TNumericField*>(c.cds.FieldByName("PLF"))->SetDisplayFormat("0.0");
    grid.SetDataSource(&source);
    for (const char* flag : {"F1AS", "DSF1"}) {
        TColumnGx* column = grid.GetFieldColumns(flag);
        column->SetCheckboxes(true);
        column->KeyList()->SetText("1\n0");
    }
    const int rows = grid.DataLink()->RecordCount();
    ASSERT_GT(rows, 5);

    TBitmap picture;
    int painted = 0;
    auto check = [&] {
        metrics.recorder.Clear();
        grid.PaintOn(picture);
        ++painted;
        const int active = grid.DataLink()->ActiveRecord();
        ASSERT_EQ(grid.IndicatorRow(), active + grid.TopDataOffset()) << "the mark on the current record";
        // The current record's moment and density stand in its row.
        const TRect moment = grid.CellRect(1, grid.IndicatorRow());
        const AnsiString when = c.cds.FieldByName("RecMoment")->DisplayText();
        const AnsiString plf = c.cds.FieldByName("PLF")->DisplayText();
        bool whenSeen = false, plfSeen = false;
        int flags = 0;
        for (const TCanvasOp& op : metrics.recorder.Ops) {
            if (op.Kind == TCanvasOpKind::TextRect && op.Rect.Top >= moment.Top && op.Rect.Bottom <= moment.Bottom) {
                if (op.Text == when) whenSeen = true;
                if (op.Text == plf) plfSeen = true;
            }
            if (op.Kind == TCanvasOpKind::CopyRect && op.Rect.Top >= moment.Top && op.Rect.Bottom <= moment.Bottom)
                ++flags;
        }
        EXPECT_TRUE(whenSeen) << when.c_str();
        EXPECT_TRUE(plfSeen) << plf.c_str() << " with one decimal";
        EXPECT_EQ(flags, 2) << "both flags as check boxes";
    };
    // Forward a record at a time for a while, then by pages to the end; back by pages.
    c.cds.First();
    for (int i = 0; i < rows + 3; ++i) {
        check();
        if (HasFatalFailure()) return;
        c.cds.Next();
    }
    while (!c.cds.Eof()) {
        c.cds.MoveBy(rows);
        check();
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(c.cds.RecNo(), 2000);
    EXPECT_EQ(grid.IndicatorRow(), grid.TopDataOffset() + rows - 1) << "the last record at the bottom";
    while (!c.cds.Bof()) {
        c.cds.MoveBy(-rows);
        check();
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(grid.IndicatorRow(), grid.TopDataOffset()) << "the first record at the top";
    EXPECT_GT(painted, 40);
}

}  // namespace
