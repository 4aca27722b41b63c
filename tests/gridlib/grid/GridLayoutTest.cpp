// The layout pass with fixed text metrics (13-pixel lines, 7-pixel characters): row heights, fixed
// and frozen columns, the row band with footers, scaling, mouse-sized rows and the layout locks.
#include "GridTestSupport.h"

#include "gui/WinApi.h"
#include "rtl/MathUtils.h"

namespace {

using gridtest::GridTest;

TEST_F(GridTest, RowHeightFormulas) {
    struct Case {
        int rowHeight, rowLines, externalLeading;
        bool flat, rowLinesOption, fit;
        int expected;
    };
    const Case cases[] = {
        {0, 0, 0, false, true, false, 17},  // "Wg" 13 + margin 3 + the grid line
        {0, 0, 0, false, false, false, 16},
        {0, 0, 0, true, true, false, 15},   // a flat grid's margin is 1
        {4, 2, 2, false, true, false, 34},  // 4 + 2 x (13 + 2)
        {24, 0, 0, false, true, true, 30},  // fitted to whole lines: 24 - 4 = 13 + 7, 7 > 6: two lines
        {30, 0, 0, false, true, true, 30},  // 30 - 4 = 2 x 13
        {10, 0, 0, false, true, true, 17},  // less than a line still shows one
    };
    for (const Case& c : cases) {
        grid = std::make_unique<gridtest::TestGrid>(nullptr);  // fitting rewrites the settings
        metrics->recorder.ExternalLeading = c.externalLeading;
        grid->SetRowLines(c.rowLines);
        grid->SetRowHeight(c.rowHeight);
        grid->SetFlat(c.flat);
        grid->SetOptions(c.rowLinesOption ? DefaultDBGridOptions : DefaultDBGridOptions & ~dgRowLines);
        grid->SetOptionsGx(c.fit ? DefaultDBGridGxOptions | dghFitRowHeightToText : DefaultDBGridGxOptions);
        grid->LayoutChanged();  // a fitted height stays fitted
        EXPECT_EQ(grid->DefaultRowHeight(), c.expected) << c.rowHeight << "/" << c.rowLines << " fit " << c.fit;
        if (c.fit) {
            EXPECT_EQ(grid->RowLines(), (c.expected - 4) / 13);
            EXPECT_EQ(grid->RowHeight(), 4);
        }
    }
}

TEST_F(GridTest, TitleHeightFromLinesOrFromTheTallestTitleFont) {
    Open(2);
    const int singleLine = grid->RowHeights(0);
    EXPECT_EQ(singleLine, 13 + 4) << "a line of the title font and the row text spacing";
    metrics->recorder.ExternalLeading = 1;
    grid->SetTitleLines(2);
    EXPECT_EQ(grid->RowHeights(0), 2 * 13 + 1 + 0 + 2 + 1) << "whatever the captions hold";
    grid->SetTitleHeight(5);
    EXPECT_EQ(grid->RowHeights(0), 2 * 13 + 1 + 5 + 2 + 1);
}

TEST_F(GridTest, FrozenAndHiddenColumnsAmongTheFixedOnes) {
    cds.FieldDefs()->Add("A", ftInteger);
    cds.FieldDefs()->Add("B", ftInteger);
    cds.FieldDefs()->Add("C", ftInteger);
    cds.FieldDefs()->Add("D", ftInteger);
    cds.CreateDataSet();
    grid->SetDataSource(&source);
    grid->SetFrozenCols(2);
    EXPECT_EQ(grid->FixedCols(), 3);
    cds.FieldByName("B")->SetVisible(false);  // a default set drops it: still two frozen
    EXPECT_EQ(grid->FixedCols(), 3);

    for (const char* name : {"A", "B", "C", "D"}) grid->Columns()->Add()->SetFieldName(name);
    grid->Columns()->Items(1)->SetVisible(false);
    EXPECT_EQ(grid->FixedCols(), 4) << "the hidden B counts, so A and C stay frozen";

    grid->SetFrozenCols(0);
    for (int i = 0; i < 4; ++i) grid->Columns()->Items(i)->SetVisible(false);
    EXPECT_EQ(grid->ColCount(), 5) << "every column keeps its place";
    EXPECT_EQ(grid->FixedCols(), 4) << "one less than the hidden count: one column scrolls";
    EXPECT_EQ(grid->VisibleColumns()->Count(), 0);
    EXPECT_EQ(grid->ColWidths(2), -1) << "hidden with column lines";

    grid->SetOptions(grid->Options() & ~dgColLines);
    EXPECT_EQ(grid->ColWidths(2), 0) << "hidden without them";
    grid->Columns()->Items(0)->SetVisible(true);
    grid->SetFrozenCols(9);
    EXPECT_LT(grid->FixedCols(), grid->ColCount()) << "more frozen columns than there are";
}

TEST_F(GridTest, FootersSitAtTheBottomOfAnEmptyDataset) {
    datatest::FillRows(cds, 0);
    grid->SetDataSource(&source);
    grid->SetFooterRowCount(2);
    const int line = grid->GridLineWidth(), row = grid->DefaultRowHeight();
    ASSERT_EQ(grid->RowCount(), 5) << "title, one empty data row, the spacer, two footers";
    EXPECT_EQ(grid->DataRowCount(), 1);
    const int used = grid->RowHeights(0) + line + 2 * (row + line) + line + (row + line);
    EXPECT_EQ(grid->RowHeights(2), std::max(0, grid->ClientHeight() - used));
    EXPECT_EQ(grid->RowHeights(3), row);
    TGridDrawInfoGx info;
    grid->CalcDrawInfoGx(info);
    EXPECT_EQ(info.Vert.FooterExtent, 2 * (row + line));
    EXPECT_EQ(info.Vert.GridBoundary, grid->ClientHeight()) << "the footers end at the bottom";
}

TEST_F(GridTest, FrozenExtentInTheDrawingGeometry) {
    Open(3);
    grid->SetFrozenCols(1);
    TGridDrawInfoGx info;
    grid->CalcDrawInfoGx(info);
    const int line = grid->GridLineWidth();
    EXPECT_EQ(info.Horz.FrozenExtent, grid->ColWidths(1) + line);
    EXPECT_EQ(info.Horz.FixedBoundary, IndicatorWidth + line + grid->ColWidths(1) + line);
    EXPECT_EQ(info.Horz.FooterExtent, 0);
}

TEST_F(GridTest, ScalingKeepsTheSumOfTheWidths) {
    for (int i = 0; i < 3; ++i) grid->Columns()->Add()->SetWidth(33);
    grid->ChangeScale(120, 96);
    EXPECT_EQ(grid->Columns()->Items(0)->Width(), 41);
    EXPECT_EQ(grid->Columns()->Items(1)->Width(), 42);
    EXPECT_EQ(grid->Columns()->Items(2)->Width(), 41);
    EXPECT_EQ(grid->ColWidths(1), 41) << "the grid shows the columns' widths";
    EXPECT_EQ(grid->ColWidths(2), 42);
    EXPECT_EQ(grid->ColWidths(3), 41);
}

TEST_F(GridTest, ScalingEnlargesTheFooterFontsAColumnSetItself) {
    TColumnGx* c = grid->Columns()->Add();
    c->Footer()->Font()->SetSize(12);
    TColumnFooterGx* own = c->Footers()->Add();
    own->Font()->SetSize(8);
    TColumnFooterGx* following = c->Footers()->Add();
    const int gridFooter = grid->FooterFont()->Size();
    grid->ChangeScale(120, 96);
    EXPECT_EQ(c->Footer()->Font()->Size(), 15);
    EXPECT_EQ(own->Font()->Size(), 10);
    EXPECT_FALSE(following->IsFontStored());
    EXPECT_EQ(following->Font()->Size(), MulDiv(gridFooter, 120, 96)) << "it follows the grid's footer font";
}

TEST_F(GridTest, ARowSizedWithTheMouseSetsTheRowHeight) {
    Open(5);
    grid->SetRowLines(3);
    grid->SetRowSizedByMouse();
    grid->SetRowHeights(2, 30);
    EXPECT_EQ(grid->RowHeight(), 30);
    EXPECT_EQ(grid->RowLines(), 0);
    EXPECT_EQ(grid->DefaultRowHeight(), 30);
    for (int r = 1; r < grid->RowCount(); ++r) EXPECT_EQ(grid->RowHeights(r), 30) << r;
}

TEST_F(GridTest, ARowSizedWithTheMouseRefreshesTheScrollBar) {
    class CountingGrid : public gridtest::TestGrid {
    public:
        using gridtest::TestGrid::TestGrid;
        int scrollBarUpdates = 0;
        void UpdateScrollBar() override {
            ++scrollBarUpdates;
            gridtest::TestGrid::UpdateScrollBar();
        }
    };
    auto* counting = new CountingGrid(nullptr);
    grid.reset(counting);
    Open(5);
    grid->SetRowSizedByMouse();
    counting->scrollBarUpdates = 0;
    grid->SetRowHeights(2, 30);
    ASSERT_EQ(grid->RowHeight(), 30);
    EXPECT_GT(counting->scrollBarUpdates, 0) << "fewer rows fit: the bar's page changes";

    grid->SetRowSizedByMouse();
    counting->scrollBarUpdates = 0;
    grid->SetRowHeights(2, 30);
    EXPECT_EQ(counting->scrollBarUpdates, 0) << "no row of another height: nothing to adopt";
}

TEST_F(GridTest, EndLayoutReleasesItsLocksWhenThePassFails) {
    Open(3);
    grid->failPass = true;
    grid->BeginLayout();
    grid->BeginLayout();
    grid->EndLayout();  // inner: no pass
    EXPECT_THROW(grid->EndLayout(), EInvalidGridOperation);
    EXPECT_EQ(grid->LayoutLock(), 0);
    EXPECT_EQ(grid->UpdateLock(), 0);
    EXPECT_EQ(grid->Columns()->UpdateCount(), 0);
    EXPECT_FALSE(grid->InLayout());
    grid->failPass = false;
    grid->passes = 0;
    grid->LayoutChanged();
    EXPECT_EQ(grid->passes, 1) << "the next request runs";
}

TEST_F(GridTest, ADeferredLayoutPostedTwiceRunsOnce) {
    Open(3);
    guitest::Pump();
    grid->passes = 0;
    const int queued = QueuedMessageCount();
    grid->DeferLayout();
    grid->DeferLayout();
    EXPECT_EQ(QueuedMessageCount(), queued + 1);
    EXPECT_EQ(grid->passes, 0);
    ASSERT_TRUE(guitest::WaitFor([&] { return grid->passes > 0 && QueuedMessageCount() == queued; }));
    guitest::Pump();
    EXPECT_EQ(grid->passes, 1);

    grid->DeferLayout();
    grid->LayoutChanged();  // the pass takes the queued request out
    EXPECT_EQ(QueuedMessageCount(), queued);
    guitest::Pump();
    EXPECT_EQ(grid->passes, 2);

    grid->BeginUpdate();  // held: the request waits for the lock
    const int handled = grid->deferredRequests;
    grid->DeferLayout();
    // Handled under the lock, the request only comes round again.
    ASSERT_TRUE(guitest::WaitFor([&] { return grid->deferredRequests >= handled + 2; }));
    EXPECT_EQ(grid->passes, 2);
    grid->EndUpdate();
    ASSERT_TRUE(guitest::WaitFor([&] { return grid->passes == 3; }));
}

}  // namespace
