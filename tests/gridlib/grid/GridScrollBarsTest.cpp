// The grid's scroll bars: the vertical bar by record numbers and by top/middle/bottom, inserting,
// the visible modes, external bars (full range, scroll messages, a second owner refused), the
// external horizontal bar, and the largest useful first cell.
#include "GridTestSupport.h"

#include "gui/WindowFrame.h"
#include "gui/WinApi.h"

#include <QScrollBar>

namespace {

using gridtest::GridTest;

// A client dataset that cannot number its records.
class UnsequencedDataSet : public TClientDataSet {
public:
    using TClientDataSet::TClientDataSet;
    bool IsSequenced() const override { return false; }
};

SCROLLINFO VertInfo(TWinControl* grid) {
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(grid->Handle(), SB_VERT, &si);
    return si;
}

bool VertShown(TWinControl* grid) { return (GetWindowLong(grid->Handle(), GWL_STYLE) & WS_VSCROLL) != 0; }

struct ScrollBarTest : GridTest {
    TForm* form = nullptr;
    void SetUp() override {
        GridTest::SetUp();
        form = new TForm(nullptr);
        form->SetClientSize(600, 600);
        grid->SetParent(form);
        grid->SetBounds(0, 0, 400, 300);
    }
    void TearDown() override {
        grid->SetParent(nullptr);
        GridTest::TearDown();
        form->Free();
        guitest::FlushDeletes();
    }
    // Sizes the grid so that exactly rows data rows are fully visible.
    void ShowRows(int rows) {
        const int lw = grid->GridLineWidth();
        int h = grid->RowHeights(0) + lw + rows * (grid->DefaultRowHeight() + lw) + 2;
        // Nothing lays the grid out on a resize yet; the pass is asked for here.
        auto resize = [&] {
            grid->SetClientHeight(h);
            grid->LayoutChanged();
        };
        resize();
        for (int i = 0; i < 50 && grid->VisibleDataRowCount() != rows; ++i) {
            h += grid->VisibleDataRowCount() < rows ? 1 : -1;
            resize();
        }
        ASSERT_EQ(grid->VisibleDataRowCount(), rows);
    }
};

TEST_F(ScrollBarTest, SequencedRecordsGiveRangePageAndPosition) {
    Open(100);
    ShowRows(20);
    cds.SetRecNo(37);
    SCROLLINFO si = VertInfo(grid.get());
    EXPECT_EQ(si.nMin, 1);
    EXPECT_EQ(si.nMax, 119);
    EXPECT_EQ(si.nPage, 20u);
    EXPECT_EQ(si.nPos, 37);
    EXPECT_TRUE(VertShown(grid.get()));
    // A new record has no number yet: the thumb stays where it was.
    cds.Insert();
    si = VertInfo(grid.get());
    EXPECT_EQ(si.nPos, 37);
    cds.Cancel();
    cds.Last();
    EXPECT_EQ(VertInfo(grid.get()).nPos, 100);
}

TEST_F(ScrollBarTest, WithoutRecordNumbersTopMiddleBottom) {
    UnsequencedDataSet plain{nullptr};
    datatest::FillRows(plain, 10);
    source.SetDataSet(&plain);
    grid->SetDataSource(&source);
    struct Step {
        const char* where;
        std::function<void()> go;
        int pos;
    };
    const Step steps[] = {
        {"first", [&] { plain.First(); }, 0},
        {"middle", [&] { plain.Next(); }, 2},
        {"past the last", [&] { plain.Last(); plain.Next(); }, 4},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.where);
        s.go();
        const SCROLLINFO si = VertInfo(grid.get());
        EXPECT_EQ(si.nMin, 0);
        EXPECT_EQ(si.nMax, 4);
        EXPECT_EQ(si.nPage, 0u);
        EXPECT_EQ(si.nPos, s.pos);
    }
    source.SetDataSet(&cds);
    plain.Close();
}

TEST_F(ScrollBarTest, VisibleModesShowHideAndDisable) {
    Open(1);
    TVertDBGridGxScrollBar* vb = grid->VertScrollBar();

    // Never: the window's range collapses and the bar hides.
    vb->SetVisibleMode(sbNeverShowGx);
    EXPECT_FALSE(vb->Visible());
    SCROLLINFO si = VertInfo(grid.get());
    EXPECT_EQ(si.nMax, si.nMin);
    EXPECT_FALSE(VertShown(grid.get()));

    // Always, with nothing to scroll (one record): shown, both arrows disabled.
    vb->SetVisibleMode(sbAlwaysShowGx);
    EXPECT_TRUE(VertShown(grid.get()));
    QScrollBar* bar = plantmon::gui::WindowScrollBar(grid.get(), SB_VERT);
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->isEnabled());

    // Back to automatic with nothing to scroll: enabled again and hidden.
    vb->SetVisibleMode(sbAutoShowGx);
    EXPECT_FALSE(VertShown(grid.get()));
    EXPECT_TRUE(bar->isEnabled());

    // Visible false is "never", true is "automatic" (not "always").
    vb->SetVisibleMode(sbAlwaysShowGx);
    vb->SetVisible(false);
    EXPECT_EQ(vb->VisibleMode(), sbNeverShowGx);
    vb->SetVisible(true);
    EXPECT_EQ(vb->VisibleMode(), sbAutoShowGx);
}

// A grid that records the scroll messages it receives.
class ScrollRecordingGrid : public gridtest::TestGrid {
public:
    using TestGrid::TestGrid;
    std::vector<std::pair<UINT, WPARAM>> scrolls;
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_VSCROLL || m.Msg == WM_HSCROLL) scrolls.emplace_back(m.Msg, m.WParam);
        TestGrid::WndProc(m);
    }
};

TEST_F(ScrollBarTest, AnExternalBarTakesTheFullRangeAndForwardsItsScrolls) {
    Open(100);
    ShowRows(20);
    auto* ext = new TScrollBar(form);
    ext->SetName("VertBar");
    ext->SetKind(sbVertical);
    ext->SetParent(form);
    ext->SetBounds(420, 0, 17, 300);
    grid->VertScrollBar()->SetExtScrollBar(ext);
    cds.SetRecNo(37);
    EXPECT_EQ(ext->Min(), 1);
    EXPECT_EQ(ext->Max(), 119);
    EXPECT_EQ(ext->PageSize(), 20);
    EXPECT_EQ(ext->Position(), 37);
    // The grid's own bar gets an empty range and hides.
    const SCROLLINFO si = VertInfo(grid.get());
    EXPECT_EQ(si.nMax, si.nMin);
    EXPECT_FALSE(VertShown(grid.get()));

    // A second grid cannot take the hooked bar; the first keeps it.
    ScrollRecordingGrid second(nullptr);
    second.SetParent(form);
    try {
        second.VertScrollBar()->SetExtScrollBar(ext);
        ADD_FAILURE() << "a second owner was accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Possible VertBar already attached to the other control.");
    }
    EXPECT_EQ(second.VertScrollBar()->ExtScrollBar(), nullptr);
    EXPECT_EQ(grid->VertScrollBar()->ExtScrollBar(), ext);

    // Moved to the second grid, the bar's notifications reach that grid as its own scroll messages.
    grid->VertScrollBar()->SetExtScrollBar(nullptr);
    second.VertScrollBar()->SetExtScrollBar(ext);
    ext->Perform(CN_VSCROLL, SB_LINEDOWN, 0);
    ASSERT_EQ(second.scrolls.size(), 1u);
    EXPECT_EQ(second.scrolls[0].first, static_cast<UINT>(WM_VSCROLL));
    EXPECT_EQ(second.scrolls[0].second, static_cast<WPARAM>(SB_LINEDOWN));

    // A destroyed bar is forgotten, and the grid lets go of a bar it no longer holds.
    delete ext;
    EXPECT_EQ(second.VertScrollBar()->ExtScrollBar(), nullptr);
    second.SetParent(nullptr);
}

TEST_F(ScrollBarTest, ExternalHorizontalBarRangeAndPosition) {
    Open(5);
    auto* ext = new TScrollBar(form);
    ext->SetParent(form);
    ext->SetBounds(0, 320, 400, 17);
    grid->HorzScrollBar()->SetExtScrollBar(ext);
    // Every column fits: nothing to scroll and nothing to divide by.
    grid->UpdateHorzExtScrollBar();
    EXPECT_EQ(ext->Min(), 0);
    EXPECT_EQ(ext->Max(), 0);
    EXPECT_EQ(ext->Position(), 0);
    // The grid's own horizontal bar gives way to the external one.
    EXPECT_EQ(grid->ScrollBars(), ssNone);

    // Wide columns: the 0..127 scale, the last reachable column at 127.
    for (int i = 0; i < grid->Columns()->Count(); ++i) grid->Columns()->Items(i)->SetWidth(300);
    grid->SetLeftCol(grid->FixedCols());
    grid->UpdateHorzExtScrollBar();
    EXPECT_EQ(ext->Max(), 127);
    EXPECT_EQ(ext->Position(), 0);
    grid->SetLeftCol(grid->ColCount() - 1);
    grid->UpdateHorzExtScrollBar();
    EXPECT_EQ(ext->Position(), 127);
}

TEST(MaxTopLeftCell, FirstCellFromWhichTheLastFits) {
    struct Case {
        const char* what;
        std::vector<int> extents;  // cell 0 is the fixed one
        int last;
        int expected;
    };
    const Case cases[] = {
        {"ten-pixel cells", {20, 10, 10, 10, 10, 10, 10, 10, 10, 10}, 9, 7},
        {"a hidden last cell is skipped", {20, 10, 10, 10, 10, 10, 10, 10, 10, -1}, 9, 6},
        {"a cell wider than the area is reachable", {20, 10, 10, 100}, 3, 3},
        {"a fixed cell is its own answer", {20, 10, 10}, 0, 0},
        {"everything fits", {20, 10, 10}, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TGridDrawInfo di;
        for (TGridAxisDrawInfo* a : {&di.Horz, &di.Vert}) {
            a->EffectiveLineWidth = 1;
            a->FixedCellCount = 1;
            a->FixedBoundary = c.extents[0] + 1;
            a->GridExtent = 55;
            a->GridCellCount = static_cast<int>(c.extents.size());
            a->GetExtent = [&c](int i) { return c.extents[static_cast<std::size_t>(i)]; };
        }
        const TGridCoord r = MaxTopLeftCell(TGridCoord{c.last, c.last}, di);
        EXPECT_EQ(r.X, c.expected);
        EXPECT_EQ(r.Y, c.expected);
    }
}

}  // namespace

namespace {

// Fitted columns share the client width; the vertical bar that comes with more records takes some of
// it, and the columns are fitted again.
TEST_F(ScrollBarTest, TheBarThatComesWithMoreRecordsRefitsTheColumns) {
    Open(1);
    grid->SetAutoFitColWidths(true);
    guitest::Settle();
    ASSERT_FALSE(VertShown(grid.get()));
    auto shared = [&] {
        int sum = 0;
        for (int i = 0; i < grid->Columns()->Count(); ++i) sum += grid->ColWidths(grid->DataToRawColumn(i));
        return sum;
    };
    // Indicator, one line after it and one after each column.
    auto room = [&] { return grid->ClientWidth() - 11 - 1 - grid->Columns()->Count(); };
    ASSERT_EQ(shared(), room());
    const int wide = grid->ClientWidth();

    for (int i = 2; i <= 40; ++i) cds.AppendRecord({Variant(i), Variant("Row"), Null()});
    ASSERT_TRUE(VertShown(grid.get()));
    ASSERT_LT(grid->ClientWidth(), wide);
    EXPECT_TRUE(guitest::WaitFor([&] { return shared() == room(); })) << shared() << " in " << room();
}

}  // namespace
