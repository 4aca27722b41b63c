// View mode over a dataset that offers the mem-table interface: one grid row per view record, the
// scroll range, paging, the bottom, dragging the thumb with and without tracking, fetching what fits
// below the last row, the current record followed, and footers switching the mode off.
#include "GridTestSupport.h"

#include "gridlib/editors/ToolCtrlsGx.h"
#include "gui/WindowFrame.h"
#include "gui/WinApi.h"

#include <QScrollBar>

namespace {

// A client dataset that shows its records as the whole view; fetching only counts the requests.
class MemViewDataSet : public TClientDataSet, public IMemTableGx {
public:
    using TClientDataSet::TClientDataSet;
    std::vector<int> fetches;
    int FetchRecords(int count) override {
        fetches.push_back(count);
        return 0;
    }
    int GetViewRowIndex() override { return Active() && !IsEmpty() ? RecNo() - 1 : -1; }
    bool GetTreeNodeExpanded() override { return false; }
    bool GetTreeNodeHasChildren() override { return false; }
    int GetTreeNodeLevel() override { return 0; }
    int GetTreeNodeLevelLimit() override { return 0; }
    int GetTreeLineLevel() override { return 0; }
    int GetCurrentRecordNumber() override { return RecNo(); }
    int BookmarkToViewRow(const TBookmarkStr&) override { return -1; }
    int GetViewRecordCount() override { return Active() ? RecordCount() : 0; }
    bool GetTreeViewActive() override { return false; }
    bool GetTreeNodeHasNextSibling(int) override { return false; }
    void GotoRecordNumber(int number) override { SetRecNo(number); }
    int SetTreeNodeExpanded(int, bool) override { return 0; }
    int MoveViewRecords(TStrings*, int, int, bool) override { return 0; }
    void InstantReadEnter(int) override {}
    void InstantReadLeave() override {}
};

// The grid's vertical scroll messages go to the view mode, as the grid's mouse handling sends them.
class ViewGrid : public gridtest::TestGrid {
public:
    using TestGrid::TestGrid;
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_VSCROLL && ViewScroll()) {
            MTWMVScroll(m);
            return;
        }
        TestGrid::WndProc(m);
    }
};

SCROLLINFO VertInfo(TWinControl* grid) {
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(grid->Handle(), SB_VERT, &si);
    return si;
}

struct MemViewTest : ::testing::Test {
    datatest::RussianLocale locale;
    gridtest::FixedMetrics metrics;
    MemViewDataSet mds{nullptr};
    TDataSource source{nullptr};
    TForm* form = nullptr;
    ViewGrid* grid = nullptr;

    void SetUp() override {
        guitest::EnsureApp();
        source.SetDataSet(&mds);
        form = new TForm(nullptr);
        form->SetClientSize(600, 800);
        grid = new ViewGrid(form);
        grid->SetParent(form);
        grid->SetBounds(0, 0, 400, 300);
    }
    void TearDown() override {
        form->Free();
        guitest::FlushDeletes();
        mds.Close();
    }
    void Open(int rows) {
        datatest::FillRows(mds, rows);
        grid->SetDataSource(&source);
    }
    // Client height for exactly rows fully visible data rows.
    void ShowRows(int rows) {
        const int lw = grid->GridLineWidth();
        grid->SetClientHeight(grid->RowHeights(0) + lw + rows * (grid->DefaultRowHeight() + lw));
        grid->LayoutChanged();
    }
    void Scroll(WORD code) { grid->Perform(WM_VSCROLL, code, 0); }
};

TEST_F(MemViewTest, AnEmptyViewHasOneEmptyRowAndTheRangeOneToOne) {
    Open(0);
    ASSERT_TRUE(grid->ViewScroll());
    EXPECT_EQ(grid->RowCount(), grid->TopDataOffset() + 1);
    const SCROLLINFO si = VertInfo(grid);
    EXPECT_EQ(si.nMin, 1);
    EXPECT_EQ(si.nMax, 1);
    EXPECT_EQ(grid->Row(), grid->FixedRows());
}

TEST_F(MemViewTest, AThousandRecordsScrollByTheTopRow) {
    Open(1000);
    ShowRows(20);
    ASSERT_TRUE(grid->ViewScroll());
    EXPECT_EQ(grid->RowCount(), 1001);
    EXPECT_EQ(grid->VisibleRowCount(), 20);

    grid->SafeMoveTop(101);  // view row 100 under one title row
    SCROLLINFO si = VertInfo(grid);
    EXPECT_EQ(si.nMin, 1);
    EXPECT_EQ(si.nMax, 1000);
    EXPECT_EQ(si.nPage, 20u);
    EXPECT_EQ(si.nPos, 101);

    // Paging down from the first row: the last fully visible row becomes the top one.
    grid->SafeMoveTop(1);
    Scroll(SB_PAGEDOWN);
    EXPECT_EQ(grid->TopRow(), 20);
    Scroll(SB_PAGEUP);
    EXPECT_EQ(grid->TopRow(), 1);
    Scroll(SB_LINEDOWN);
    EXPECT_EQ(grid->TopRow(), 2);

    // The bottom: as far as the last row still ends at the bottom.
    Scroll(SB_BOTTOM);
    EXPECT_EQ(grid->TopRow(), 981);
    TGridDrawInfo di;
    grid->CalcDrawInfo(di);
    EXPECT_EQ(di.Vert.LastFullVisibleCell, 1000);
    Scroll(SB_LINEDOWN);
    EXPECT_EQ(grid->TopRow(), 981);
    Scroll(SB_TOP);
    EXPECT_EQ(grid->TopRow(), 1);

    // The current record is followed: the dataset's record is the current row, scrolled into view.
    mds.SetRecNo(500);
    EXPECT_EQ(grid->Row(), 500);
    EXPECT_LE(grid->TopRow(), 500);
    grid->CalcDrawInfo(di);
    EXPECT_GE(di.Vert.LastFullVisibleCell, 500);
    EXPECT_TRUE(grid->IsCurrentRow(499));
    EXPECT_EQ(grid->DataRowToRecNo(499), 500);
}

TEST_F(MemViewTest, DraggingTheThumbMovesOnlyOnReleaseWithoutTracking) {
    Open(1000);
    ShowRows(20);
    QScrollBar* bar = plantmon::gui::WindowScrollBar(grid, SB_VERT);
    ASSERT_NE(bar, nullptr);
    bar->setSliderDown(true);
    bar->setSliderPosition(500);
    guitest::Pump();
    EXPECT_EQ(grid->TopRow(), 1);
    bar->setSliderDown(false);
    guitest::Pump();
    EXPECT_EQ(grid->TopRow(), 500);

    grid->VertScrollBar()->SetTracking(true);
    bar->setSliderDown(true);
    bar->setSliderPosition(300);
    guitest::Pump();
    EXPECT_EQ(grid->TopRow(), 300);
    bar->setSliderDown(false);
}

TEST_F(MemViewTest, EmptySpaceBelowTheLastRowIsFetched) {
    Open(5);
    ShowRows(12);
    ASSERT_FALSE(mds.fetches.empty());
    // Seven empty rows' height below the fifth row: seven rows and one more.
    EXPECT_EQ(mds.fetches.back(), 7 * (grid->DefaultRowHeight() + 1) / grid->DefaultRowHeight() + 1);
    EXPECT_EQ(mds.fetches.back(), 8);
}

TEST_F(MemViewTest, FootersReturnTheGridToItsBufferedRows) {
    Open(1000);
    ShowRows(20);
    ASSERT_TRUE(grid->ViewScroll());
    grid->SetFooterRowCount(1);
    EXPECT_FALSE(grid->ViewScroll());
    EXPECT_TRUE(grid->MemTableSupport());
    EXPECT_LT(grid->RowCount(), 100);
    grid->SetFooterRowCount(0);
    EXPECT_TRUE(grid->ViewScroll());
    EXPECT_EQ(grid->RowCount(), 1001);
}

TEST_F(MemViewTest, APlainDatasetKeepsTheBufferedMode) {
    TClientDataSet plain{nullptr};
    datatest::FillRows(plain, 50);
    source.SetDataSet(&plain);
    grid->SetDataSource(&source);
    EXPECT_FALSE(grid->MemTableSupport());
    EXPECT_FALSE(grid->ViewScroll());
    // Instant reading of another row moves the link's window, not the dataset.
    const int recNo = plain.RecNo();
    grid->InstantReadRecordEnter(2);
    EXPECT_EQ(plain.FieldByName("ID")->AsInteger(), 3);
    grid->InstantReadRecordLeave();
    EXPECT_EQ(plain.RecNo(), recNo);
    EXPECT_EQ(plain.FieldByName("ID")->AsInteger(), recNo);
    grid->SetDataSource(nullptr);
    source.SetDataSet(&mds);
}

}  // namespace
