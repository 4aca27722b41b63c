// A grid over a record view, scrolled down so that its rows are view rows and no longer the rows of
// its data link's window: the selection's rectangles, the current-record marks of the painting,
// hidden duplicates and the cell kinds all count in view rows.
#include "GridTestSupport.h"
#include "ViewDataSet.h"

#include "gui/Forms.h"
#include "gui/WinApi.h"

namespace {

class ViewGrid : public gridtest::TestGrid {
    PLANTMON_CLASS(ViewGrid, gridtest::TestGrid)
public:
    explicit ViewGrid(TComponent* owner) : gridtest::TestGrid(owner) {}
    using TCustomDBGridGx::DrawCell;
    bool searching = false;
    bool InplaceSearchingInProcess() const override { return searching || TestGrid::InplaceSearchingInProcess(); }

};

struct GridViewRowsTest : ::testing::Test {
    datatest::RussianLocale locale;
    gridtest::FixedMetrics metrics;
    gridtest::ViewDataSet vds;
    TDataSource source{nullptr};
    std::unique_ptr<TForm> form;
    ViewGrid* grid = nullptr;
    TBitmap picture;

    // 60 records, ten rows shown, the top row on view row 20 and the current record on view row 22.
    void SetUp() override {
        guitest::EnsureApp();
        form = std::make_unique<TForm>(nullptr);
        form->SetClientSize(500, 400);
        grid = new ViewGrid(form.get());
        grid->SetParent(form.get());
        grid->SetBounds(0, 0, 460, 300);
        source.SetDataSet(&vds);
        datatest::FillRows(vds, 60);
        grid->SetDataSource(&source);
        ASSERT_TRUE(grid->ViewScroll());
        const int lw = grid->GridLineWidth();
        grid->SetClientHeight(grid->RowHeights(0) + lw + 10 * (grid->DefaultRowHeight() + lw));
        grid->LayoutChanged();
        off = grid->TopDataOffset();
        vds.SetRecNo(23);
        grid->SafeMoveTop(off + 20);
        ASSERT_EQ(grid->Row(), off + 22);
        ASSERT_EQ(grid->TopRow(), off + 20);
        ASSERT_GE(grid->VisibleDataRowCount(), 10);
    }
    void TearDown() override {
        EXPECT_EQ(vds.OpenReads(), 0) << "every read in place was ended";
        form.reset();
        guitest::FlushDeletes();
        vds.Close();
    }
    TBookmarkStr BookmarkOf(int viewRow) {
        vds.InstantReadEnter(viewRow);
        const TBookmarkStr bm = vds.Bookmark();
        vds.InstantReadLeave();
        return bm;
    }
    void PaintNow() {
        metrics.recorder.Clear();
        grid->PaintOn(picture);
    }
    // Calls that wrote text (measuring aside) with their rectangles.
    std::vector<TCanvasOp> TextOps(const AnsiString& text) const {
        std::vector<TCanvasOp> r;
        for (const TCanvasOp& op : metrics.recorder.Ops) {
            if (op.Text != text) continue;
            if (op.Kind == TCanvasOpKind::DrawText && (op.Values[0] & DT_CALCRECT)) continue;
            if (op.Kind == TCanvasOpKind::TextRect || op.Kind == TCanvasOpKind::TextOut ||
                op.Kind == TCanvasOpKind::DrawText)
                r.push_back(op);
        }
        return r;
    }
    // The view row whose cell holds a drawing at y.
    int ViewRowAt(int y) const {
        for (int row = grid->TopRow(); row < grid->RowCount(); ++row) {
            const TRect r = grid->CellRect(1, row);
            if (y >= r.Top && y < r.Bottom) return row - off;
        }
        return -1;
    }
    void SetName(int viewRow, const char* name) {
        vds.SetRecNo(viewRow + 1);
        vds.Edit();
        vds.FieldByName("Name")->SetAsString(name);
        vds.Post();
    }
    int off = 0;
};

TEST_F(GridViewRowsTest, RecordAndRectangleSelectionsLieOnTheirViewRows) {
    TDBGridGxSelection* sel = grid->Selection();
    for (int recNo : {25, 27}) {
        vds.SetRecNo(recNo);
        sel->Rows()->SetCurrentRowSelected(true);
    }
    ASSERT_EQ(sel->SelectionType(), gstRecordBookmarks);
    TGridRect r = sel->SelectionToGridRect();
    EXPECT_EQ(r.Top, off + 24);
    EXPECT_EQ(r.Bottom, off + 26);
    EXPECT_EQ(r.Left, 0);
    EXPECT_EQ(r.Right, grid->ColCount() - 1);

    sel->Clear();
    TDBGridGxSelectionRect* box = sel->Rect();
    box->Select(0, BookmarkOf(26), false);
    box->Select(1, BookmarkOf(21), true);
    ASSERT_EQ(sel->SelectionType(), gstRectangle);
    r = sel->SelectionToGridRect();
    EXPECT_EQ(r.Top, off + 21);
    EXPECT_EQ(r.Bottom, off + 26);
    EXPECT_EQ(r.Left, grid->DataToRawColumn(0));
    EXPECT_EQ(r.Right, grid->DataToRawColumn(1));
    const TRect pixels = box->BoxRect(1, BookmarkOf(26), 0, BookmarkOf(21));
    EXPECT_EQ(pixels, grid->BoxRect(grid->DataToRawColumn(0), off + 21, grid->DataToRawColumn(1), off + 26));
    EXPECT_EQ(pixels.Top, grid->CellRect(1, off + 21).Top);

    // Records scrolled out of sight give no rows.
    sel->Clear();
    vds.SetRecNo(2);
    sel->Rows()->SetCurrentRowSelected(true);
    grid->SafeMoveTop(off + 20);
    r = sel->SelectionToGridRect();
    EXPECT_EQ(r.Top, -1);
    EXPECT_EQ(r.Bottom, -1);
}

TEST_F(GridViewRowsTest, TheCurrentRecordsMarksStandOnItsViewRow) {
    PaintNow();
    EXPECT_EQ(grid->IndicatorRow(), off + 22) << "the indicator";

    vds.FieldByName("Name")->SetRequired(true);
    TColumnGx* name = grid->Columns()->Items(1);
    name->SetHighlightRequired(true);
    vds.Edit();
    vds.FieldByName("Name")->Clear();
    PaintNow();
    std::vector<int> marked;
    for (const TCanvasOp& op : metrics.recorder.OfKind(TCanvasOpKind::LineTo))
        if (op.PenStyle == psDot && op.PenColor == clRed) marked.push_back(ViewRowAt(op.Points[1].y));
    EXPECT_EQ(marked, std::vector<int>{22}) << "the required mark";
    vds.Cancel();

    // The typed text of the incremental search covers the current cell only.
    guitest::ShowForm(form.get());
    grid->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return grid->Focused(); }));
    grid->SetSelectedIndex(1);
    grid->StartInplaceSearch("Row 2", -1, inpsFromFirstGx);
    ASSERT_EQ(grid->InplaceSearchText(), "Row 2");
    ASSERT_EQ(vds.RecNo(), 23);
    grid->searching = true;
    for (int viewRow : {22, 20}) {
        SCOPED_TRACE(viewRow);
        const int raw = grid->DataToRawColumn(1);
        metrics.recorder.Clear();
        grid->DrawCell(raw, off + viewRow, grid->CellRect(raw, off + viewRow), gdSelected | gdFocused);
        bool typed = false;
        for (const TCanvasOp& op : TextOps("Row 2"))
            if (op.BrushColor == DBGridGxInplaceSearchColor) typed = true;
        EXPECT_EQ(typed, viewRow == 22) << metrics.recorder.Dump().c_str();
    }
    grid->searching = false;
    EXPECT_EQ(vds.OpenReads(), 0);
}

TEST_F(GridViewRowsTest, HiddenDuplicatesCompareWithTheViewRowAbove) {
    SetName(20, "Same");
    SetName(21, "Same");
    SetName(24, "Twice");
    SetName(25, "Twice");
    grid->SafeMoveTop(off + 20);
    grid->Columns()->Items(1)->SetHideDuplicates(true);
    auto shownOn = [&](const AnsiString& text) {
        std::vector<int> rows;
        for (const TCanvasOp& op : TextOps(text)) rows.push_back(ViewRowAt(op.Rect.Top + 2));
        return rows;
    };
    PaintNow();
    EXPECT_EQ(shownOn("Same"), std::vector<int>{20}) << "the top row has no row above on screen";
    EXPECT_EQ(shownOn("Twice"), std::vector<int>{24});
    EXPECT_EQ(shownOn("Row 23"), std::vector<int>{22}) << "other texts stay";

    grid->SafeMoveTop(off + 21);
    PaintNow();
    EXPECT_EQ(shownOn("Same"), std::vector<int>{21}) << "the second of the pair now on top shows its text";
    EXPECT_EQ(shownOn("Twice"), std::vector<int>{24});
}

TEST_F(GridViewRowsTest, CellKindsCountTheViewsRows) {
    struct Case {
        int row;
        TVertCellTypeGx kind;
        int dataRow;
    };
    const Case cases[] = {
        {0, vctTitleGx, 0},
        {off, vctDataGx, 0},
        {off + 22, vctDataGx, 22},
        {off + 59, vctDataGx, 59},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        int dataCol = 0, dataRow = 0;
        const TCellTypeGx t = grid->GetCellType(2, c.row, dataCol, dataRow);
        EXPECT_EQ(t.VertType, c.kind);
        EXPECT_EQ(t.HorzType, hctDataGx);
        EXPECT_EQ(dataRow, c.dataRow);
        EXPECT_EQ(dataCol, 2 - grid->IndicatorOffset());
    }
}

}  // namespace
