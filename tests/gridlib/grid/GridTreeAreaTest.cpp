// The tree area of a view shown as a tree: the signs and connectors drawn at the left of the first
// visible column at the node's indent, the text and the in-place editor starting right of it, a
// press on a node's sign (or the tree keys) expanding and collapsing the node, and the widths that
// make room for it.
#include "GridTestSupport.h"
#include "ViewDataSet.h"

#include "gui/Forms.h"
#include "gui/WinApi.h"

#include <string>

namespace {

class TreeGrid : public gridtest::TestGrid {
    PLANTMON_CLASS(TreeGrid, gridtest::TestGrid)
public:
    explicit TreeGrid(TComponent* owner) : gridtest::TestGrid(owner) {}
};

// Six records as a tree:
//   0 A          expanded, with a sibling below (4)
//   1 |- B       expanded, with a sibling below (3)
//   2 |  |- C    a leaf, the last of its level
//   3 |- D       a leaf, the last of its level
//   4 E          collapsed, the last of its level
//   5    F       a leaf under E
struct GridTreeAreaTest : ::testing::Test {
    datatest::RussianLocale locale;
    gridtest::FixedMetrics metrics;
    gridtest::ViewDataSet vds;
    TDataSource source{nullptr};
    std::unique_ptr<TForm> form;
    TreeGrid* grid = nullptr;
    TBitmap picture;
    int off = 0;

    void SetUp() override {
        guitest::EnsureApp();
        metrics.recorder.PassThrough = true;
        form = std::make_unique<TForm>(nullptr);
        form->SetClientSize(460, 300);
        grid = new TreeGrid(form.get());
        grid->SetParent(form.get());
        grid->SetBounds(0, 0, 460, 300);
        source.SetDataSet(&vds);
        vds.tree = true;
        vds.levels = {1, 2, 3, 2, 1, 2};
        vds.collapsed = {4};
        datatest::FillRows(vds, 6);
        grid->SetDataSource(&source);
        ASSERT_TRUE(grid->ViewScroll());
        off = grid->TopDataOffset();
    }
    void TearDown() override {
        EXPECT_EQ(vds.OpenReads(), 0) << "every read in place was ended";
        form.reset();
        guitest::FlushDeletes();
        vds.Close();
    }
    void PaintNow() {
        metrics.recorder.Clear();
        grid->PaintOn(picture);
    }
    // The first data column's cell on a view row.
    TRect Cell(int viewRow) const { return grid->CellRect(grid->IndicatorOffset(), off + viewRow); }

    // What the last paint drew in level column `level` (1-based) of a view row: "-" or "+" for a
    // box with its sign, "x" for a branch to the right, "|" for a connector through the row, ""
    // for nothing; then "u" and "d" for dots leading up and down.
    std::string SignAt(int viewRow, int level) const {
        const TRect cell = Cell(viewRow);
        const int left = cell.Left + 18 * (level - 1), right = left + 18;
        const int mid = (cell.Top + cell.Bottom) / 2;
        auto inside = [&](const TPoint& p) { return p.x >= left && p.x < right && p.y >= cell.Top && p.y <= cell.Bottom; };
        bool box = false, plus = false, branch = false, up = false, down = false, through = false;
        const TColor shadow = clBtnShadow;
        for (const TCanvasOp& op : metrics.recorder.Ops) {
            if (op.Kind == TCanvasOpKind::Rectangle && inside(op.Rect.TopLeft()) && op.Rect.Width() == 9) box = true;
            if (op.Kind != TCanvasOpKind::LineTo || op.Points.size() != 2 || !inside(op.Points[0])) continue;
            const TPoint a = op.Points[0], b = op.Points[1];
            if (op.PenColor == clWindowText && a.x == b.x) plus = true;
            if (op.PenColor != shadow) continue;
            if (a.y == b.y && a.x > left + 9) branch = true;
            if (a.x == b.x) {
                if (a.y < mid - 5) up = true;
                if (a.y > mid + 5) down = true;
                if (a.y >= mid - 1 && a.y <= mid + 1) through = true;
            }
        }
        std::string s = box ? (plus ? "+" : "-") : branch ? "x" : (up && down && through) ? "|" : "";
        if (s == "|" || s.empty()) return s;
        return s + (up ? "u" : "") + (down ? "d" : "");
    }
};

TEST_F(GridTreeAreaTest, SignsAndConnectorsStandAtEachNodesIndent) {
    PaintNow();
    const std::vector<std::vector<std::string>> expected = {
        {"-ud"}, {"|", "-ud"}, {"|", "|", "xu"}, {"|", "xu"}, {"+u"}, {"", "xu"},
    };
    for (int row = 0; row < 6; ++row) {
        SCOPED_TRACE(row);
        const std::vector<std::string>& want = expected[static_cast<std::size_t>(row)];
        for (int level = 1; level <= static_cast<int>(want.size()); ++level)
            EXPECT_EQ(SignAt(row, level), want[static_cast<std::size_t>(level - 1)]) << "level " << level;
        EXPECT_EQ(SignAt(row, static_cast<int>(want.size()) + 1), "") << "nothing beyond the node's own level";
        // The text starts right of the area, and the area's right edge has its silver line.
        const TRect cell = Cell(row);
        const int areaRight = cell.Left + 18 * static_cast<int>(want.size());
        bool textRight = false, silver = false;
        for (const TCanvasOp& op : metrics.recorder.Ops) {
            if (op.Kind == TCanvasOpKind::TextRect && op.Text == AnsiString(std::to_string(row + 1)) &&
                op.Rect.Top == cell.Top)
                textRight = op.Rect.Left == areaRight;
            if (op.Kind == TCanvasOpKind::LineTo && op.PenColor == clSilver && op.Points.size() == 2 &&
                op.Points[0] == TPoint(areaRight - 1, cell.Bottom))
                silver = true;
        }
        EXPECT_TRUE(textRight) << metrics.recorder.Dump().c_str();
        EXPECT_TRUE(silver);
    }
    // The other columns have no tree area.
    for (const TCanvasOp& op : metrics.recorder.OfKind(TCanvasOpKind::Rectangle))
        EXPECT_LT(op.Rect.Left, Cell(0).Right);

    // Without a tree nothing is drawn and the text keeps its place.
    vds.tree = false;
    PaintNow();
    EXPECT_EQ(SignAt(1, 2), "");
    EXPECT_EQ(metrics.recorder.OfKind(TCanvasOpKind::Rectangle).size(), 0u);
    EXPECT_EQ(grid->GetCellTreeElmentsAreaWidth(), 0);
}

TEST_F(GridTreeAreaTest, APressOnANodesSignExpandsOrCollapsesIt) {
    guitest::ShowForm(form.get());
    const int lw = grid->GridLineWidth();
    grid->SetClientHeight(grid->RowHeights(0) + lw + 3 * (grid->DefaultRowHeight() + lw));
    grid->LayoutChanged();
    grid->SafeMoveTop(off + 1);
    ASSERT_EQ(grid->TopRow(), off + 1);
    vds.toggleAnswer = 3;  // the view goes to record 3 after the change
    struct Case {
        const char* what;
        int viewRow;
        int x;  // from the cell's left
        bool inArea;
        std::vector<std::pair<int, bool>> toggles;
    };
    const Case cases[] = {
        {"the sign of an expanded node", 1, 18 + 9, true, {{1, false}}},
        {"an ancestor's connector", 2, 9, true, {}},
        {"the sign of a leaf three levels deep", 2, 36 + 4, true, {{2, false}}},
        {"right of the area", 1, 36 + 2, false, {}},
        {"the first column's border", 3, 0, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        vds.toggles.clear();
        vds.gotos.clear();
        vds.SetRecNo(2);
        const TRect cell = Cell(c.viewRow);
        const TPoint p(cell.Left + c.x, (cell.Top + cell.Bottom) / 2);
        EXPECT_EQ(grid->CellTreeElementMouseDown(p.x, p.y, true), c.inArea);
        EXPECT_TRUE(vds.toggles.empty()) << "only a check";
        grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        grid->Perform(WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
        EXPECT_EQ(vds.toggles, c.toggles);
        if (!c.toggles.empty()) {
            EXPECT_EQ(vds.gotos, std::vector<int>{3});
            EXPECT_EQ(vds.RecNo(), 3);
            EXPECT_EQ(grid->TopRow(), off + 1) << "the top row stays";
        }
        if (c.inArea) {
            EXPECT_EQ(grid->Row(), c.toggles.empty() ? off + 1 : off + 2) << "a press in the area does not move";
        }
    }
    // No named record: back to the one current before.
    vds.toggleAnswer = 0;
    vds.toggles.clear();
    vds.gotos.clear();
    vds.SetRecNo(4);
    const TRect cell = Cell(1);
    EXPECT_TRUE(grid->CellTreeElementMouseDown(cell.Left + 27, cell.Top + 3, false));
    EXPECT_EQ(vds.toggles, (std::vector<std::pair<int, bool>>{{1, true}}));
    EXPECT_EQ(vds.gotos, std::vector<int>{4});
}

TEST_F(GridTreeAreaTest, TheTreeKeysWorkOnTheCurrentNode) {
    guitest::ShowForm(form.get());
    vds.SetRecNo(2);
    const struct {
        WORD key;
        bool expanded;
    } steps[] = {{VK_SUBTRACT, false}, {VK_ADD, true}, {VK_MULTIPLY, false}, {VK_MULTIPLY, true}};
    std::vector<std::pair<int, bool>> want;
    for (const auto& s : steps) {
        grid->Perform(WM_KEYDOWN, s.key, 0);
        want.emplace_back(1, s.expanded);
    }
    EXPECT_EQ(vds.toggles, want);
    EXPECT_EQ(vds.gotos, std::vector<int>(4, 2)) << "back to the record current before";
}

TEST_F(GridTreeAreaTest, TheEditorStartsRightOfTheTreeAreaAndItsSignToggles) {
    guitest::ShowForm(form.get());
    grid->SetFocus();
    vds.SetRecNo(3);  // level 3
    grid->SetSelectedIndex(0);
    grid->SetEditorMode(true);
    auto* e = dynamic_cast<TDBGridInplaceEdit*>(grid->InplaceEditor());
    ASSERT_NE(e, nullptr);
    ASSERT_TRUE(e->Visible());
    TRect r;
    e->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.Left, 2 + 54 + 1);
    // The editor paints the row's tree area under its left edge, closed by the silver line.
    metrics.recorder.Clear();
    e->Repaint();
    bool closed = false;
    for (const TCanvasOp& op : metrics.recorder.OfKind(TCanvasOpKind::LineTo))
        if (op.PenColor == clSilver && op.Points.size() == 2 && op.Points[0] == TPoint(53, e->ClientHeight())) closed = true;
    EXPECT_TRUE(closed) << metrics.recorder.Dump().c_str();

    e->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 5));  // an ancestor's column
    e->Perform(WM_LBUTTONUP, 0, MAKELPARAM(20, 5));
    EXPECT_TRUE(vds.toggles.empty());
    e->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 5));  // the node's own
    e->Perform(WM_LBUTTONUP, 0, MAKELPARAM(40, 5));
    EXPECT_EQ(vds.toggles, (std::vector<std::pair<int, bool>>{{2, false}}));
}

TEST_F(GridTreeAreaTest, FittedWidthsMakeRoomForTheArea) {
    TColumnGx* id = grid->Columns()->Items(0);
    TColumnGx* name = grid->Columns()->Items(1);
    id->Title()->SetCaption(" ");  // narrower than any of the texts
    TColumnsGxList both;
    both.Add(id);
    both.Add(name);
    grid->OptimizeColsWidth(&both);
    const int treeWidth = id->Width(), nameWidth = name->Width();
    vds.tree = false;
    grid->OptimizeColsWidth(&both);
    EXPECT_EQ(treeWidth - id->Width(), 54) << "the deepest node's area";
    EXPECT_EQ(name->Width(), nameWidth) << "only the first visible column";
}

}  // namespace
