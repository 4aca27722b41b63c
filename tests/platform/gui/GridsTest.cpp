// The base grid: geometry across fixed, hidden and scrolled cells, counts, scroll bars, sizing and
// moving with the mouse, the in-place editor it hosts, painting only what shows.
#include "gui/ComCtrls.h"
#include "gui/Forms.h"
#include "gui/Grids.h"
#include "gui/QtControlsInternal.h"
#include "gui/WinApi.h"
#include "gui/WindowFrame.h"
#include "testlib/gui/GuiHarness.h"

#include <QScrollBar>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A grid that tells what the base grid asked of it.
class TTestGrid : public TDrawGrid {
public:
    explicit TTestGrid(TComponent* owner) : TDrawGrid(owner) {}
    using TCustomGrid::CalcDrawInfo;
    using TCustomGrid::gridState_;
    std::vector<std::pair<int, int>> moved;
    int widthsChanged = 0;
    int heightsChanged = 0;
    int modifyAsked = 0;
    int commands = 0;
    bool allowEditShow = true;
    bool allowModify = true;
    std::vector<std::string> texts;      // SetEditText, in order
    bool useFixedText = false;  // GetEditText answers fixedText instead of "r<row>c<col>"
    AnsiString fixedText;
    AnsiString mask;
    int drawn = 0;
    WPARAM lastKillFocusTo = 0;

protected:
    void ColumnMoved(int from, int to) override {
        moved.emplace_back(from, to);
        TDrawGrid::ColumnMoved(from, to);
    }
    void ColWidthsChanged() override {
        ++widthsChanged;
        TDrawGrid::ColWidthsChanged();
    }
    void RowHeightsChanged() override {
        ++heightsChanged;
        TDrawGrid::RowHeightsChanged();
    }
    bool CanEditShow() override { return allowEditShow && TDrawGrid::CanEditShow(); }
    bool CanEditModify() override {
        ++modifyAsked;
        return allowModify;
    }
    AnsiString GetEditText(int col, int row) override {
        if (useFixedText) return fixedText;
        return AnsiString("r" + std::to_string(row) + "c" + std::to_string(col));
    }
    void SetEditText(int, int, const AnsiString& value) override { texts.push_back(value.str()); }
    AnsiString GetEditMask(int, int) override { return mask; }
    void DrawCell(int col, int row, TRect rect, TGridDrawState state) override {
        ++drawn;
        TDrawGrid::DrawCell(col, row, rect, state);
    }
    void WMCommand(TMessage& m) override {
        if (HIWORD(m.WParam) == EN_CHANGE) ++commands;
        TDrawGrid::WMCommand(m);
    }
    void WMKillFocus(TMessage& m) override {
        lastKillFocusTo = m.WParam;
        TDrawGrid::WMKillFocus(m);
    }
};

struct GridFixture : ::testing::Test {
    TForm* form = nullptr;
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetClientSize(600, 400);
    }
    void TearDown() override { form->Free(); }
    template <class T = TTestGrid>
    T* grid(int w = 300, int h = 200) {
        auto* g = new T(form);
        g->SetParent(form);
        g->SetBounds(0, 0, w, h);
        return g;
    }
};

// ---- Geometry ------------------------------------------------------------------------------------

// Columns 0 and 1 fixed (widths 30 and 40), then 2 hidden (-1), 3 of width 0, 4..9 of 50; rows of
// 20 with one fixed; lines of 1. No border and no bars: the client is the grid's rectangle.
TTestGrid* geometryGrid(GridFixture& f, int width) {
    TTestGrid* g = f.grid(width, 150);
    g->SetBorderStyle(bsNone);
    g->SetScrollBars(ssNone);
    g->SetColCount(10);
    g->SetRowCount(40);
    g->SetDefaultColWidth(50);
    g->SetDefaultRowHeight(20);
    g->SetFixedCols(2);
    g->SetColWidths(0, 30);
    g->SetColWidths(1, 40);
    g->SetColWidths(2, -1);
    g->SetColWidths(3, 0);
    return g;
}

TEST_F(GridFixture, CellAndBoxRectanglesAcrossFixedHiddenAndScrolledCells) {
    TTestGrid* g = geometryGrid(*this, 300);
    ASSERT_EQ(g->ClientRect(), TRect(0, 0, 300, 150));
    // Fixed: 0..30, line, 31..71, line; scrolling from 72: col 2 takes nothing, col 3 only its line.
    struct Case {
        const char* name;
        int left, top;        // LeftCol, TopRow
        int c0, r0, c1, r1;   // a cell (c1 < 0) or a box
        TRect expected;
    } cases[] = {
        {"fixed corner", 2, 1, 0, 0, -1, -1, TRect(0, 0, 30, 20)},
        {"first scrolling cell", 2, 1, 4, 1, -1, -1, TRect(73, 21, 123, 41)},
        {"hidden column is empty", 2, 1, 2, 1, -1, -1, TRect(72, 21, 72, 41)},
        {"zero width keeps its line", 2, 1, 3, 1, -1, -1, TRect(72, 21, 72, 41)},
        {"cut at the client's edge", 2, 1, 8, 1, -1, -1, TRect(277, 21, 300, 41)},
        {"beyond the client's edge is empty", 2, 1, 9, 1, -1, -1, TRect()},
        {"scrolled out is empty", 5, 1, 4, 1, -1, -1, TRect()},
        {"scrolled in after scrolling", 5, 6, 5, 6, -1, -1, TRect(72, 21, 122, 41)},
        {"box from a fixed to a scrolled cell", 5, 1, 0, 1, 6, 2, TRect(0, 21, 173, 62)},
        {"box starting before the left column starts there", 5, 1, 3, 1, 5, 1, TRect(72, 21, 122, 41)},
        {"box entirely scrolled out", 5, 1, 3, 1, 4, 1, TRect()},
        {"box to RowCount is clamped to what shows", 2, 1, 4, 1, 4, 40, TRect(73, 21, 123, 150)},
        {"box beyond the last column ends at the edge", 2, 1, 7, 0, 12, 0, TRect(226, 0, 300, 20)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g->SetLeftCol(c.left);
        g->SetTopRow(c.top);
        TRect r = c.c1 < 0 ? g->CellRect(c.c0, c.r0) : g->BoxRect(c.c0, c.r0, c.c1, c.r1);
        EXPECT_EQ(r, c.expected);
    }
}

TEST_F(GridFixture, MouseCoordAndVisibleCounts) {
    TTestGrid* g = geometryGrid(*this, 300);
    struct Point {
        int x, y;
        TGridCoord cell;
    } points[] = {
        {0, 0, {0, 0}},       {30, 20, {0, 0}},   // the line belongs to the cell before it
        {31, 21, {1, 1}},     {72, 25, {3, 1}},   // the zero-width column is its line
        {73, 25, {4, 1}},     {299, 149, {8, 7}}, // the last column and row in part
        {300, 10, {-1, -1}},  {-1, 10, {-1, -1}}, {10, 150, {-1, -1}},
    };
    for (const Point& p : points) {
        SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
        EXPECT_EQ(g->MouseCoord(p.x, p.y), p.cell);
    }
    // The scrolling columns from 4 end at 123, 174, 225, 276: 300 holds four of 50 whole.
    EXPECT_EQ(g->VisibleColCount(), 6);  // 2, 3 (hidden and zero) and 4..7
    g->SetWidth(276);
    EXPECT_EQ(g->VisibleColCount(), 6) << "a last line beyond the edge still counts the cell whole";
    g->SetWidth(275);
    EXPECT_EQ(g->VisibleColCount(), 5);
    g->SetWidth(50);
    EXPECT_EQ(g->VisibleColCount(), 1) << "not even the first fits: it counts";
    // 150 high: the fixed row and six rows of 20 whole (to 147).
    EXPECT_EQ(g->VisibleRowCount(), 6);
}

TEST_F(GridFixture, CountsKeepFixedCellsBelowAndTheCurrentCellInside) {
    struct Case {
        const char* name;
        int fixedCols, fixedRows;
    } cases[] = {{"no fixed column", 0, 1}, {"no fixed row", 1, 0}, {"nothing fixed", 0, 0}, {"two fixed columns", 2, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTestGrid* g = grid(400, 200);
        g->SetColCount(6);
        g->SetRowCount(6);
        g->SetColWidths(1, 300);  // so that scrolling is possible at all
        g->SetLeftCol(3);
        g->SetTopRow(3);
        g->SetFixedCols(c.fixedCols);
        g->SetFixedRows(c.fixedRows);
        EXPECT_EQ(g->LeftCol(), c.fixedCols);
        EXPECT_EQ(g->TopRow(), c.fixedRows);
        EXPECT_EQ(g->Col(), c.fixedCols);
        EXPECT_EQ(g->Row(), c.fixedRows);
        EXPECT_EQ(g->MouseCoord(1, 1), (TGridCoord{0, 0}));
    }
    TTestGrid* g = grid();
    g->SetColCount(6);
    g->SetFixedCols(3);
    EXPECT_THROW(g->SetFixedCols(6), EInvalidGridOperation);
    EXPECT_THROW(g->SetFixedRows(-1), EInvalidGridOperation);
    g->SetColCount(2);
    EXPECT_EQ(g->FixedCols(), 1) << "a count at the fixed count lowers it";
    g->SetColCount(8);
    g->SetRowCount(9);
    g->MoveColRow(7, 8, true, true);
    g->SetColCount(4);
    g->SetRowCount(3);
    EXPECT_EQ(g->Col(), 3);
    EXPECT_EQ(g->Row(), 2);
    EXPECT_THROW(g->MoveColRow(4, 1, true, true), EInvalidGridOperation);
    g->SetRowHeights(1, 40);
    g->SetDefaultRowHeight(17);
    EXPECT_EQ(g->RowHeights(1), 17) << "the default height goes to every row";
    EXPECT_EQ(g->RowHeights(2), 17);
}

// ---- Window frame and scroll bars ----------------------------------------------------------------

// A custom control whose window asks for a client edge and a vertical bar, records its scroll
// messages and may take more room in WM_NCCALCSIZE.
class TFramed : public TCustomControl {
public:
    explicit TFramed(TComponent* owner) : TCustomControl(owner) {}
    std::vector<std::pair<int, int>> scrolls;  // code, position
    int extraBorder = 0;
    int ncPaints = 0;

protected:
    void CreateParams(TCreateParams& p) override {
        TCustomControl::CreateParams(p);
        p.ExStyle |= WS_EX_CLIENTEDGE;
    }
    void Paint() override {
        Canvas()->Brush()->SetColor(clRed);
        Canvas()->FillRect(ClientRect());
    }
    void Dispatch(TMessage& m) override {
        if (m.Msg == WM_VSCROLL) {
            SCROLLINFO si;
            si.fMask = SIF_TRACKPOS;
            GetScrollInfo(Handle(), SB_VERT, &si);
            scrolls.emplace_back(LOWORD(m.WParam), LOWORD(m.WParam) == SB_THUMBTRACK ? si.nTrackPos : HIWORD(m.WParam));
            return;
        }
        TCustomControl::Dispatch(m);
    }
    void WMNCCalcSize(TMessage& m) override {
        TCustomControl::WMNCCalcSize(m);
        InflateRect(*reinterpret_cast<TRect*>(m.LParam), -extraBorder, -extraBorder);
    }
    void WMNCPaint(TMessage& m) override {
        ++ncPaints;
        TCustomControl::WMNCPaint(m);
        if (extraBorder == 0) return;
        HDC dc = GetWindowDC(Handle());
        dc->Brush()->SetColor(clLime);
        TRect outer(0, 0, Width(), Height());
        dc->FrameRect(outer);
        ReleaseDC(Handle(), dc);
    }
};

TEST_F(GridFixture, TheFrameLiesOutsideTheClientArea) {
    auto* c = new TFramed(form);
    c->SetParent(form);
    c->SetBounds(10, 10, 100, 80);
    EXPECT_EQ(c->ClientRect(), TRect(0, 0, 96, 76)) << "a client edge of two pixels a side";
    EXPECT_EQ(GetWindowLong(c->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, static_cast<LONG>(WS_EX_CLIENTEDGE));
    EXPECT_EQ(c->ClientToScreen(TPoint(0, 0)).x - c->Parent()->ClientToScreen(TPoint(10, 10)).x, 2);
    c->extraBorder = 3;
    c->RecreateWnd();
    EXPECT_EQ(c->ClientRect(), TRect(0, 0, 90, 70)) << "WM_NCCALCSIZE takes more";
    guitest::ShowForm(form);
    ASSERT_TRUE(guitest::WaitFor([&] { return c->ncPaints > 0; }));
    QImage img = guitest::Grab(c);
    EXPECT_EQ(guitest::PixelOf(img, 0, 40), clLime) << "drawn on the window's canvas, outside the client";
    EXPECT_EQ(guitest::PixelOf(img, 4, 40), ColorToRGB(clBtnFace)) << "the frame's ground between edge and client";
    EXPECT_EQ(guitest::PixelOf(img, 5, 40), clRed) << "the client starts at 2 + 3";
    EXPECT_EQ(guitest::PixelOf(img, 94, 40), clRed);
    EXPECT_NE(guitest::PixelOf(img, 95, 40), clRed);
}

// A page sized by its page control, not by its own bounds: its client area and the grid on it
// follow.
TEST_F(GridFixture, AGridOnAPageFillsThePage) {
    auto* pages = new TPageControl(form);
    pages->SetParent(form);
    pages->SetAlign(alClient);
    auto* sheet = new TTabSheet(form);
    sheet->SetPageControl(pages);
    auto* g = new TStringGrid(form);
    g->SetParent(sheet);
    g->SetAlign(alClient);
    guitest::ShowForm(form);
    pages->SetActivePage(sheet);
    ASSERT_TRUE(guitest::WaitFor([&] { return sheet->ClientHeight() > 100; }));
    EXPECT_EQ(g->Height(), sheet->ClientHeight());
    EXPECT_EQ(g->ClientHeight(), sheet->ClientHeight() - 4) << "inside the grid's sunken edge";
    EXPECT_EQ(g->ClientWidth(), sheet->ClientWidth() - 4);
}

TEST_F(GridFixture, ScrollInfoRoundTripAndBarActionsAsMessages) {
    auto* c = new TFramed(form);
    c->SetParent(form);
    c->SetBounds(0, 0, 100, 120);
    guitest::ShowForm(form);
    const TRect noBar = c->ClientRect();
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = 99;
    si.nPage = 10;
    si.nPos = 95;  // beyond what the page leaves: 90 at most
    EXPECT_EQ(SetScrollInfo(c->Handle(), SB_VERT, &si, true), 90);
    SCROLLINFO back;
    back.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(c->Handle(), SB_VERT, &back));
    EXPECT_EQ(back.nMin, 0);
    EXPECT_EQ(back.nMax, 99);
    EXPECT_EQ(back.nPage, 10u);
    EXPECT_EQ(back.nPos, 90);
    EXPECT_TRUE(GetWindowLong(c->Handle(), GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(c->ClientRect().Width(), noBar.Width() - GetSystemMetrics(SM_CXVSCROLL));

    QScrollBar* bar = plantmon::gui::WindowScrollBar(c, SB_VERT);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    bar->setSliderDown(true);
    bar->setSliderPosition(40);
    bar->setSliderDown(false);
    const std::vector<std::pair<int, int>> expected = {
        {SB_LINEUP, 0},   {SB_ENDSCROLL, 0}, {SB_PAGEDOWN, 0},      {SB_ENDSCROLL, 0},
        {SB_TOP, 0},      {SB_ENDSCROLL, 0}, {SB_THUMBTRACK, 40},   {SB_THUMBPOSITION, 40},
        {SB_ENDSCROLL, 0},
    };
    EXPECT_EQ(c->scrolls, expected);
    EXPECT_EQ(GetScrollPos(c->Handle(), SB_VERT), 90) << "the window sets the position itself";
    EXPECT_EQ(bar->value(), 90);

    // Nothing to scroll: the bar goes, or stays disabled when asked to.
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL;
    si.nMax = 9;
    SetScrollInfo(c->Handle(), SB_VERT, &si, true);
    EXPECT_TRUE(GetWindowLong(c->Handle(), GWL_STYLE) & WS_VSCROLL);
    EXPECT_FALSE(bar->isEnabled());
    si.fMask = SIF_RANGE;
    SetScrollInfo(c->Handle(), SB_VERT, &si, true);
    EXPECT_FALSE(GetWindowLong(c->Handle(), GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(c->ClientRect(), noBar);
    ShowScrollBar(c->Handle(), SB_VERT, true);
    EXPECT_TRUE(GetWindowLong(c->Handle(), GWL_STYLE) & WS_VSCROLL);
    EnableScrollBar(c->Handle(), SB_VERT, ESB_DISABLE_BOTH);
    EXPECT_FALSE(bar->isEnabled());
}

TEST_F(GridFixture, TheGridsBarsFollowItsCellsAndScrollIt) {
    TTestGrid* g = grid(300, 200);
    g->SetColCount(20);
    g->SetRowCount(100);
    guitest::ShowForm(form);
    SCROLLINFO h;
    h.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(g->Handle(), SB_HORZ, &h));
    TGridDrawInfo di;
    g->CalcDrawInfo(di);
    EXPECT_EQ(h.nMax, 20 - 1 - 1) << "one position per scrolling column";
    const int columnsAtTheEnd = static_cast<int>(h.nPage);
    EXPECT_GT(columnsAtTheEnd, 0);
    EXPECT_EQ(h.nPos, 0);
    g->Perform(WM_HSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(g->LeftCol(), 2);
    EXPECT_EQ(GetScrollPos(g->Handle(), SB_HORZ), 1);
    g->Perform(WM_HSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(g->LeftCol(), 20 - columnsAtTheEnd) << "the last column shows whole";
    EXPECT_FALSE(g->CellRect(19, 0).IsEmpty());
    // The thumb dragged to the middle of the rows.
    QScrollBar* bar = plantmon::gui::WindowScrollBar(g, SB_VERT);
    ASSERT_NE(bar, nullptr);
    bar->setSliderDown(true);
    bar->setSliderPosition(50);
    bar->setSliderDown(false);
    EXPECT_EQ(g->TopRow(), 51);
    // Wider than all the columns: the bar goes and every column shows.
    g->SetWidth(20 * 65 + 30);
    EXPECT_FALSE(GetWindowLong(g->Handle(), GWL_STYLE) & WS_HSCROLL);
    EXPECT_EQ(g->LeftCol(), 1);
}

// ---- Cursors -------------------------------------------------------------------------------------

TEST_F(GridFixture, RegisteredCursorsShowAndTheGridSplitsOverBorders) {
    TBitmap picture;
    picture.SetSize(16, 16);
    picture.Canvas()->Brush()->SetColor(clFuchsia);
    picture.Canvas()->FillRect(TRect(0, 0, 16, 16));
    picture.Canvas()->Brush()->SetColor(clBlack);
    picture.Canvas()->FillRect(TRect(4, 0, 12, 16));
    picture.SetTransparentColor(clFuchsia);
    HCURSOR drawn = CreateCursor(&picture, 8, 0);
    ASSERT_NE(drawn, nullptr);
    RegisterCursorResource("DOWNCURTEST", drawn);
    Screen->SetCursors(7, LoadCursor(HInstance, "downcurtest"));
    EXPECT_EQ(Screen->Cursors(7), drawn);
    EXPECT_EQ(Screen->Cursors(8), Screen->Cursors(crArrow)) << "an unregistered number is the arrow";

    TTestGrid* g = grid();
    g->SetOptions(g->Options() | goColSizing);
    g->SetCursor(7);
    QWidget* client = g->ClientWidget();
    EXPECT_EQ(g->Widget()->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(g->Widget()->cursor().pixmap().size(), QSize(16, 16));
    EXPECT_EQ(g->Widget()->cursor().hotSpot(), QPoint(8, 0));

    guitest::ShowForm(form);
    // The border of column 1 in the title row, then a cell.
    const TRect title = g->CellRect(1, 0);
    guitest::MouseMove(g, TPoint(title.Right, title.Top + 5));
    EXPECT_EQ(client->cursor().shape(), Qt::SplitHCursor);
    guitest::MouseMove(g, TPoint(title.Right + 20, title.Bottom + 20));
    EXPECT_EQ(client->cursor().shape(), Qt::BitmapCursor) << "elsewhere the control's own cursor";
    g->SetCursor(crDefault);
    Screen->SetCursors(7, nullptr);
    DestroyCursor(drawn);
}

// ---- Mouse ---------------------------------------------------------------------------------------

TEST_F(GridFixture, DraggingABorderSizesAColumnAndATitleMovesOne) {
    TTestGrid* g = grid(400, 200);
    g->SetColCount(6);
    g->SetOptions(g->Options() | goColSizing | goColMoving);
    guitest::ShowForm(form);
    const int widthsBefore = g->widthsChanged;
    // Column 2's border (its right edge) dragged 20 to the right.
    TRect c2 = g->CellRect(2, 0);
    guitest::MouseDown(g, TPoint(c2.Right, 5));
    EXPECT_EQ(g->GridState(), gsColSizing);
    guitest::MouseMove(g, TPoint(c2.Right + 20, 5));
    guitest::MouseUp(g, TPoint(c2.Right + 20, 5));
    EXPECT_EQ(g->ColWidths(2), 64 + 20);
    EXPECT_EQ(g->widthsChanged, widthsBefore + 1);
    EXPECT_EQ(g->GridState(), gsNormal);

    struct Case {
        const char* name;
        int from, to;
        std::function<void()> abort;  // null: the drag ends with the release
    } cases[] = {
        {"title of 1 dropped on 3", 1, 3, nullptr},
        {"Esc aborts", 1, 3, [&] { guitest::Key(VK_ESCAPE, 0, g); }},
        {"cancel mode aborts", 1, 3, [&] { g->Perform(WM_CANCELMODE); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g->moved.clear();
        g->SetFocus();
        TRect from = g->CellRect(c.from, 0), to = g->CellRect(c.to, 0);
        guitest::MouseDown(g, TPoint(from.Left + 10, 5));
        EXPECT_EQ(g->GridState(), gsColMoving);
        guitest::MouseMove(g, TPoint(to.Left + 10, 5));
        if (c.abort) c.abort();
        guitest::MouseUp(g, TPoint(to.Left + 10, 5));
        EXPECT_EQ(g->GridState(), gsNormal);
        if (c.abort) EXPECT_TRUE(g->moved.empty());
        else EXPECT_EQ(g->moved, (std::vector<std::pair<int, int>>{{c.from, c.to}}));
    }
    // The sizing line is aborted the same way: the width stays.
    TRect c3 = g->CellRect(3, 0);
    guitest::MouseDown(g, TPoint(c3.Right, 5));
    guitest::MouseMove(g, TPoint(c3.Right + 30, 5));
    g->Perform(WM_CANCELMODE);
    guitest::MouseUp(g, TPoint(c3.Right + 30, 5));
    EXPECT_EQ(g->ColWidths(3), 64);
}

TEST_F(GridFixture, ADoubleClickIsTheSecondPressAndTypingOpensTheEditorWithTheCharacter) {
    TTestGrid* g = grid(400, 200);
    g->SetOptions(g->Options() | goEditing);
    int dbl = 0;
    std::vector<std::string> seen;
    g->OnDblClick = [&](TObject*) { ++dbl; };
    g->OnMouseDown = [&](TObject*, TMouseButton, TShiftState s, int, int) { seen.push_back(s & ssDouble ? "double" : "press"); };
    guitest::ShowForm(form);
    TRect cell = g->CellRect(2, 2);
    // A double click: a press and release, then the double click and its release.
    guitest::Click(g, TPoint(cell.Left + 5, cell.Top + 5));
    guitest::DblClick(g, TPoint(cell.Left + 5, cell.Top + 5));
    EXPECT_EQ(dbl, 1);
    EXPECT_EQ(seen, (std::vector<std::string>{"press", "double"}));
    EXPECT_EQ(g->Col(), 2);
    EXPECT_EQ(g->Row(), 2);
    // The second press landed on the current cell: the editor opened there.
    ASSERT_NE(g->InplaceEditor(), nullptr);
    EXPECT_TRUE(g->InplaceEditor()->Visible());
    g->HideEditor();
    g->SetFocus();
    // The key comes down on the grid; its character opens the editor and is typed there.
    g->OnKeyDown = [&](TObject*, WORD& k, TShiftState) { seen.push_back("down " + std::to_string(k)); };
    g->OnKeyPress = [&](TObject*, WideChar& ch) { seen.push_back(std::string("press ") + static_cast<char>(ch)); };
    seen.clear();
    guitest::Key('Q');
    EXPECT_EQ(seen, (std::vector<std::string>{"down 81", "press q"}));
    EXPECT_EQ(g->InplaceEditor()->Text(), "q");
    EXPECT_TRUE(g->InplaceEditor()->Focused());
}

// ---- Editor hosting ------------------------------------------------------------------------------

TEST_F(GridFixture, TheEditorIsMadeWhenFirstShownAndFollowsItsCell) {
    TTestGrid* g = grid(300, 150);
    g->SetColCount(6);
    g->SetRowCount(30);
    g->SetOptions(g->Options() | goEditing);
    guitest::ShowForm(form);
    g->SetFocus();
    EXPECT_EQ(g->InplaceEditor(), nullptr) << "nothing until the editor is wanted";
    g->allowEditShow = false;
    g->ShowEditor();
    EXPECT_EQ(g->InplaceEditor(), nullptr) << "CanEditShow said no";
    g->allowEditShow = true;
    g->MoveColRow(2, 3, true, true);
    g->ShowEditor();
    TInplaceEdit* e = g->InplaceEditor();
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(e->Visible());
    EXPECT_EQ(e->BoundsRect(), g->CellRect(2, 3));
    EXPECT_EQ(e->Text(), "r3c2") << "the text comes from the grid";
    EXPECT_TRUE(e->Focused());
    EXPECT_EQ(reinterpret_cast<TInplaceEdit*>(g->lastKillFocusTo), e) << "the grid knows its editor took the focus";
    g->SetTopRow(2);
    EXPECT_EQ(e->BoundsRect(), g->CellRect(2, 3)) << "placed again after a scroll";
    g->SetTopRow(5);
    EXPECT_FALSE(e->Visible()) << "its cell scrolled out";
    g->SetTopRow(1);
    EXPECT_TRUE(e->Visible());

    // Typing: the grid is asked once before the first change, then gets every change.
    g->modifyAsked = 0;
    const int commandsBefore = g->commands;
    e->SetFocus();
    guitest::Type("ab", e);
    EXPECT_EQ(g->modifyAsked, 1);
    EXPECT_EQ(g->texts, (std::vector<std::string>{"a", "ab"}));
    EXPECT_EQ(g->commands - commandsBefore, 2) << "EN_CHANGE reached the grid as WM_COMMAND";
    // A refusal keeps the text and asks again next time.
    g->MoveColRow(3, 3, true, true);
    g->ShowEditor();
    g->allowModify = false;
    g->modifyAsked = 0;
    guitest::Type("xy", g->InplaceEditor());
    EXPECT_EQ(g->InplaceEditor()->Text(), "r3c3");
    EXPECT_EQ(g->modifyAsked, 2);
    // Navigation keys belong to the grid.
    guitest::Key(VK_DOWN, 0, g->InplaceEditor());
    EXPECT_EQ(g->Row(), 4);
    EXPECT_FALSE(g->InplaceEditor()->Visible()) << "a move closes the editor";
    g->allowModify = true;
    g->ShowEditor();
    guitest::Type("z", g->InplaceEditor());
    EXPECT_EQ(g->InplaceEditor()->Text(), "z");
    guitest::Key(VK_ESCAPE, 0, g->InplaceEditor());
    EXPECT_FALSE(g->InplaceEditor()->Visible());
    EXPECT_FALSE(g->EditorMode());
    EXPECT_EQ(g->InplaceEditor()->Text(), "r4c3") << "Esc gives the cell's text back";
}

TEST_F(GridFixture, TheEditorTakesTheCellsMask) {
    TTestGrid* g = grid(300, 150);
    g->SetOptions(g->Options() | goEditing);
    g->mask = "00/00;1;_";
    g->useFixedText = true;
    guitest::ShowForm(form);
    g->SetFocus();
    g->ShowEditor();
    TInplaceEdit* e = g->InplaceEditor();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->EditMask(), "00/00;1;_");
    EXPECT_EQ(e->EditText(), "__.__");
    e->SetSelStart(0);
    guitest::Type("1505", e);
    EXPECT_EQ(g->texts.back(), "15.05");
}

// ---- Painting ------------------------------------------------------------------------------------

TEST_F(GridFixture, APaintDrawsOnlyTheCellsThatShow) {
    auto* g = grid<TStringGrid>(400, 300);
    g->SetColCount(4);
    g->SetRowCount(10000);
    g->SetDefaultRowHeight(20);
    int drawn = 0;
    int lastRow = 0;
    g->OnDrawCell = [&](TObject*, int, int row, TRect, TGridDrawState) {
        ++drawn;
        lastRow = std::max(lastRow, row);
    };
    g->SetCells(1, 5005, "в середине");
    guitest::ShowForm(form);
    g->SetTopRow(5000);
    drawn = 0;
    lastRow = 0;
    g->Repaint();
    const int whole = g->VisibleRowCount();
    const bool inPart = !g->CellRect(0, 5000 + whole).IsEmpty();
    EXPECT_EQ(drawn, (1 + whole + (inPart ? 1 : 0)) * 4) << "the fixed row, the rows shown whole and one in part";
    EXPECT_EQ(lastRow, 5000 + whole - (inPart ? 0 : 1));
}

}  // namespace
