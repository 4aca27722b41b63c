// Record moving on a shown grid: which presses on indicator cells start a drag, the dotted XOR
// insertion line drawn, moved and erased, the view scrolled by one record a tick of timer 1 on the
// test's clock, the moves asked of OnMoveRecords (checks while dragging, the move at the release),
// a release on the start row or after a refusal moving nothing, cancel mode ending the drag, and
// the default move keeping the view where it was.
#include "GridTestSupport.h"
#include "GridTimerClock.h"

#include "gridlib/editors/ToolCtrlsGx.h"
#include "gui/Forms.h"

#include <set>
#include <vector>

namespace {

using gridtest::ShownGridTest;
using gridtest::TimerClock;

// The moves a grid asked for.
struct MoveCall {
    std::vector<std::string> bookmarks;
    int toRecNo;
    int treeLevel;
    bool checkOnly;
};

class RowMovingTest : public ShownGridTest {
protected:
    void SetUp() override {
        ShownGridTest::SetUp();
        grid->SetOptionsGx(grid->OptionsGx() | dghRecordMoving);
    }
    // OnMoveRecords notes every call and answers allow.
    void ListenToMoves() {
        grid->OnMoveRecords = [this](TObject* sender, TStrings* list, int toRecNo, int treeLevel, bool checkOnly) {
            EXPECT_EQ(sender, grid.get());
            MoveCall call{{}, toRecNo, treeLevel, checkOnly};
            for (int i = 0; i < list->Count(); ++i) call.bookmarks.push_back(list->Strings(i).str());
            calls.push_back(call);
            return allow;
        };
    }
    std::vector<MoveCall> Moves() const {
        std::vector<MoveCall> done;
        for (const MoveCall& c : calls)
            if (!c.checkOnly) done.push_back(c);
        return done;
    }
    int Raw(int dataRow) const { return grid->TopDataOffset() + dataRow; }
    TPoint Indicator(int dataRow) const {
        const TRect r = grid->CellRect(0, Raw(dataRow));
        return TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    void SelectRecord(int recNo) {
        cds.SetRecNo(recNo);
        grid->SetCurrentRowSelected(true);
    }
    std::string BookmarkOf(int recNo) {
        cds.SetRecNo(recNo);
        return cds.Bookmark().str();
    }
    // Mouse messages as the window gets them while the left button is held.
    void Press(TPoint p) { grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y)); }
    void Move(TPoint p) { grid->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y)); }
    void Release(TPoint p) { grid->Perform(WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y)); }
    // The insertion lines drawn since the recorder was cleared: their heights, in order.
    std::vector<int> LinesDrawn() const {
        std::vector<int> ys;
        for (const TCanvasOp& op : metrics->recorder.OfKind(TCanvasOpKind::LineTo)) {
            if (op.PenMode != pmXor || op.PenWidth != 5) continue;
            EXPECT_EQ(op.PenStyle, psDot);
            ys.push_back(op.Points.back().y);
        }
        return ys;
    }

    // Timer 1 ticks only when a test moves the clock: no tick moves the line behind a test's back.
    TimerClock clock;
    std::vector<MoveCall> calls;
    bool allow = true;
};

TEST_F(RowMovingTest, ADragStartsOnTheIndicatorOfASelectedRecordWithoutModifiers) {
    Open(10);
    Show();
    struct Case {
        const char* what;
        bool multiSelect;  // record selection allowed
        bool moving;       // dghRecordMoving
        bool onIndicator;
        bool selected;     // the pressed record (record 3) is selected
        TShiftState shift;
        bool starts;
    };
    const Case cases[] = {
        {"a selected record", true, true, true, true, 0, true},
        {"an unselected record", true, true, true, false, 0, false},
        {"with Shift", true, true, true, true, ssShift, false},
        {"with Ctrl", true, true, true, true, ssCtrl, false},
        {"with Alt", true, true, true, true, ssAlt, false},
        {"on a data cell", true, true, false, true, 0, false},
        {"without the option", true, false, true, true, 0, false},
        {"no record selection: any record", false, true, true, false, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        grid->SetOptions(c.multiSelect ? grid->Options() | dgMultiSelect : grid->Options() & ~dgMultiSelect);
        grid->SetOptionsGx(c.moving ? grid->OptionsGx() | dghRecordMoving : grid->OptionsGx() & ~dghRecordMoving);
        grid->SelectedRows()->Clear();
        cds.First();
        if (c.selected) SelectRecord(3);
        cds.First();
        const TPoint at = c.onIndicator ? Indicator(2) : TPoint(grid->CellRect(grid->IndicatorOffset(), Raw(2)).Left + 5, Indicator(2).y);
        // Where a drag could start (no key held yet) the cursor is not the row-select arrow.
        guitest::MouseMove(grid.get(), TPoint(grid->CellRect(grid->IndicatorOffset(), Raw(5)).Left + 5, Indicator(5).y));
        const HCURSOR plain = GetCursor();
        guitest::MouseMove(grid.get(), at);
        if (c.multiSelect && c.onIndicator) {
            const bool couldStart = c.moving && c.selected;
            EXPECT_EQ(GetCursor(), couldStart ? plain : DBGridGxRowSelectCursor);
        }

        guitest::MouseDown(grid.get(), at, mbLeft, c.shift);
        EXPECT_EQ(grid->InteractionState() == dgsRowMoving, c.starts);
        if (c.starts) {
            EXPECT_EQ(grid->RowMoveStartRow(), Raw(2));
            EXPECT_EQ(grid->RowMoveTargetRow(), Raw(2));
            EXPECT_EQ(grid->RowMoveTargetLevel(), -1);
        }
        guitest::MouseUp(grid.get(), at, mbLeft, c.shift);
        EXPECT_EQ(grid->InteractionState(), dgsNormal);
    }
}

TEST_F(RowMovingTest, TheLineFollowsAllowedTargetsAndTheReleaseMovesTheSelectedRecords) {
    Open(10);
    ListenToMoves();
    grid->SetOptions(grid->Options() | dgMultiSelect);
    Show();
    SelectRecord(2);
    SelectRecord(3);
    cds.First();
    grid->Update();
    metrics->recorder.Clear();
    Press(Indicator(1));
    ASSERT_EQ(grid->InteractionState(), dgsRowMoving);
    const TRect start = grid->CellRect(0, Raw(1));
    EXPECT_EQ(LinesDrawn(), std::vector<int>{start.Top}) << "above the start row";
    for (const TCanvasOp& op : metrics->recorder.OfKind(TCanvasOpKind::LineTo))
        if (op.PenMode == pmXor) { EXPECT_EQ(op.Points.back().x, grid->ClientWidth()); }

    // Down to data row 4: asked first, then the line leaves the start row for the bottom of row 4.
    metrics->recorder.Clear();
    Move(Indicator(4));
    ASSERT_FALSE(calls.empty());
    EXPECT_TRUE(calls.back().checkOnly);
    EXPECT_EQ(calls.back().toRecNo, 5);
    EXPECT_EQ(calls.back().bookmarks, (std::vector<std::string>{BookmarkOf(2), BookmarkOf(3)}));
    EXPECT_EQ(calls.back().treeLevel, -1);
    EXPECT_EQ(LinesDrawn(), (std::vector<int>{start.Top, grid->CellRect(0, Raw(4)).Bottom}));
    EXPECT_EQ(grid->RowMoveTargetRow(), Raw(4));

    // A refused target leaves the line where it is.
    allow = false;
    metrics->recorder.Clear();
    Move(Indicator(6));
    EXPECT_TRUE(LinesDrawn().empty());
    EXPECT_EQ(grid->RowMoveTargetRow(), Raw(4));
    allow = true;

    // Up to row 0: the line at its top.
    metrics->recorder.Clear();
    Move(Indicator(0));
    EXPECT_EQ(LinesDrawn(), (std::vector<int>{grid->CellRect(0, Raw(4)).Bottom, grid->CellRect(0, Raw(0)).Top}));

    ASSERT_TRUE(Moves().empty()) << "nothing moves while dragging";
    metrics->recorder.Clear();
    Release(Indicator(0));
    EXPECT_EQ(LinesDrawn(), std::vector<int>{grid->CellRect(0, Raw(0)).Top}) << "erased at the release";
    EXPECT_EQ(grid->InteractionState(), dgsNormal);
    ASSERT_EQ(Moves().size(), 1u);
    EXPECT_EQ(Moves()[0].toRecNo, 1);
    EXPECT_EQ(Moves()[0].bookmarks, (std::vector<std::string>{BookmarkOf(2), BookmarkOf(3)}));
}

TEST_F(RowMovingTest, AReleaseOnTheStartRowOrAfterARefusalMovesNothing) {
    Open(10);
    ListenToMoves();
    Show();  // without record selection any record is dragged alone
    struct Case {
        const char* what;
        int overRow;  // the row the pointer passes
        bool allow;
        int releaseRow;
        int moves;
    };
    const Case cases[] = {
        {"released where it started", 2, true, 2, 0},
        {"back to the start row", 5, true, 2, 0},
        {"every target refused", 5, false, 5, 0},
        {"a move", 5, true, 5, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        calls.clear();
        allow = c.allow;
        cds.First();
        Press(Indicator(2));
        ASSERT_EQ(grid->InteractionState(), dgsRowMoving);
        Move(Indicator(c.overRow));
        Move(Indicator(c.releaseRow));
        Release(Indicator(c.releaseRow));
        ASSERT_EQ(static_cast<int>(Moves().size()), c.moves);
        if (c.moves) {
            EXPECT_EQ(Moves()[0].bookmarks, std::vector<std::string>{BookmarkOf(3)});
            EXPECT_EQ(Moves()[0].toRecNo, c.releaseRow + 1);
        }
    }
}

TEST_F(RowMovingTest, HeldBelowTheRowsTheViewScrollsOneRecordATickOfTimerOne) {
    Open(100);
    ListenToMoves();
    Show();
    Press(Indicator(1));
    ASSERT_EQ(grid->InteractionState(), dgsRowMoving);
    EXPECT_EQ(clock.Interval(grid.get(), 1), 60);
    const int lastRow = grid->TopDataOffset() + grid->DataRowCount() - 1;

    const TRect bottom = grid->CellRect(0, lastRow);
    SetCursorPos(grid->ClientToScreen(TPoint(5, grid->ClientHeight() + 20)).x,
                 grid->ClientToScreen(TPoint(5, grid->ClientHeight() + 20)).y);
    ASSERT_EQ(grid->ScreenToClient(Mouse->CursorPos()).y, grid->ClientHeight() + 20);
    const int top = grid->DataRowToRecNo(0);
    clock.Advance(59);
    EXPECT_EQ(grid->DataRowToRecNo(0), top);
    clock.Advance(1);
    EXPECT_EQ(grid->DataRowToRecNo(0), top + 1) << "one record a tick";
    EXPECT_EQ(grid->RowMoveTargetRow(), lastRow) << "the line stays on the last data row";
    clock.Advance(120);
    EXPECT_EQ(grid->DataRowToRecNo(0), top + 3);
    EXPECT_EQ(grid->CellRect(0, lastRow), bottom);

    // Back over the rows: the ticks leave the view alone.
    const TPoint inside = grid->ClientToScreen(Indicator(3));
    SetCursorPos(inside.x, inside.y);
    clock.Advance(60);
    const int held = grid->DataRowToRecNo(0);
    EXPECT_EQ(grid->RowMoveTargetRow(), Raw(3));
    clock.Advance(180);
    EXPECT_EQ(grid->DataRowToRecNo(0), held);
    // Beside the last column the pointer still stands over a row (no cell lies under it).
    const TPoint besideAt(grid->ClientWidth() - 3, Indicator(5).y);
    ASSERT_EQ(grid->MouseCoord(besideAt.x, besideAt.y).Y, -1);
    const TPoint beside = grid->ClientToScreen(besideAt);
    SetCursorPos(beside.x, beside.y);
    clock.Advance(120);
    EXPECT_EQ(grid->DataRowToRecNo(0), held);
    EXPECT_EQ(grid->RowMoveTargetRow(), Raw(5));

    // Above the rows it scrolls back up, the line on the first data row.
    const TPoint above = grid->ClientToScreen(TPoint(5, -10));
    SetCursorPos(above.x, above.y);
    clock.Advance(60);
    EXPECT_EQ(grid->DataRowToRecNo(0), held - 1);
    EXPECT_EQ(grid->RowMoveTargetRow(), Raw(0));

    Release(Indicator(0));
    EXPECT_EQ(clock.Interval(grid.get(), 1), -1) << "the release stops timer 1";
}

TEST_F(RowMovingTest, CancelModeAndEscEndTheDragWithoutAMove) {
    Open(10);
    ListenToMoves();
    Show();
    for (bool byEsc : {false, true}) {
        SCOPED_TRACE(byEsc ? "Esc" : "cancel mode");
        calls.clear();
        metrics->recorder.Clear();
        Press(Indicator(1));
        Move(Indicator(4));
        ASSERT_EQ(grid->RowMoveTargetRow(), Raw(4));
        if (byEsc) guitest::Key(VK_ESCAPE, 0, grid.get());
        else grid->Perform(WM_CANCELMODE);
        EXPECT_EQ(grid->InteractionState(), dgsNormal);
        EXPECT_EQ(clock.Interval(grid.get(), 1), -1);
        // Every line drawn was drawn again: nothing is left on the grid.
        std::multiset<int> ys;
        for (int y : LinesDrawn()) ys.insert(y);
        for (int y : ys) EXPECT_EQ(ys.count(y) % 2, 0u) << y;
        Release(Indicator(4));
        EXPECT_TRUE(Moves().empty());
    }
}

TEST_F(RowMovingTest, TheLineIsDrawnByXorAndDrawingItAgainErasesIt) {
    metrics->recorder.PassThrough = true;
    Open(10);
    ListenToMoves();
    Show();
    grid->Update();
    Press(Indicator(2));
    ASSERT_EQ(grid->InteractionState(), dgsRowMoving);
    const QImage with = guitest::Grab(grid.get());
    grid->DrawDataRowMove(grid->RowMoveLineLeft(), grid->ClientWidth());
    const QImage without = guitest::Grab(grid.get());
    grid->DrawDataRowMove(grid->RowMoveLineLeft(), grid->ClientWidth());
    EXPECT_TRUE(guitest::Grab(grid.get()) == with) << "drawn again";
    std::set<int> rows;
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x)
            if (with.pixel(x, y) != without.pixel(x, y)) rows.insert(y);
    ASSERT_FALSE(rows.empty());
    EXPECT_LE(*rows.rbegin() - *rows.begin() + 1, 5) << "a line 5 pixels wide";
    // The release erases it and, back on its start row, changes nothing else.
    Release(Indicator(2));
    EXPECT_TRUE(guitest::Grab(grid.get()) == without);
}

// The default move hands the bookmarks to the data service and keeps the view where it was.
class ServiceGrid : public gridtest::TestGrid {
public:
    using TestGrid::TestGrid;
    std::vector<MoveCall> calls;
    bool answer = true;
    bool DataServiceMoveRecords(TStrings* list, int toRecNo, bool checkOnly) override {
        MoveCall call{{}, toRecNo, -1, checkOnly};
        for (int i = 0; i < list->Count(); ++i) call.bookmarks.push_back(list->Strings(i).str());
        calls.push_back(call);
        return answer;
    }
};

TEST_F(RowMovingTest, TheDefaultMoveAsksTheDataServiceAndKeepsTheView) {
    auto* service = new ServiceGrid(form.get());
    service->SetParent(form.get());
    service->SetBounds(0, 0, 420, 220);
    datatest::FillRows(cds, 100);
    service->SetDataSource(&source);
    guitest::ShowForm(form.get());
    cds.SetRecNo(40);
    cds.MoveBy(3);  // current record below the window's centre
    const int recNo = cds.RecNo(), active = service->DataLink()->ActiveRecord(), top = service->DataRowToRecNo(0);
    TStringList list;
    list.Add(cds.Bookmark());
    for (bool answer : {false, true}) {
        SCOPED_TRACE(answer ? "moved" : "refused");
        service->calls.clear();
        service->answer = answer;
        EXPECT_EQ(service->DefaultMoveDataRows(&list, 12, -1, false), answer);
        ASSERT_EQ(service->calls.size(), 1u);
        EXPECT_EQ(service->calls[0].toRecNo, 12);
        EXPECT_FALSE(service->calls[0].checkOnly);
        EXPECT_EQ(cds.RecNo(), recNo);
        EXPECT_EQ(service->DataLink()->ActiveRecord(), active);
        EXPECT_EQ(service->DataRowToRecNo(0), top);
    }
    // A dataset without features moves nothing through the data service.
    grid->SetDataSource(&source);
    EXPECT_FALSE(grid->DefaultMoveDataRows(&list, 12, -1, true));
    grid->SetDataSource(nullptr);
    delete service;
}

// ---- The mem-table view ---------------------------------------------------------------------------

// A client dataset that is its own view, shown as a tree whose node levels a list gives (row i has
// levels[i]); a row read in place answers for itself. Moves are noted and answered by allow.
class TreeDataSet : public TClientDataSet, public IMemTableGx {
public:
    using TClientDataSet::TClientDataSet;
    std::vector<int> levels;
    bool tree = true;
    bool allow = true;
    std::vector<MoveCall> moves;
    int FetchRecords(int) override { return 0; }
    int GetViewRowIndex() override { return Active() && !IsEmpty() ? RecNo() - 1 : -1; }
    bool GetTreeNodeExpanded() override { return true; }
    bool GetTreeNodeHasChildren() override { return false; }
    int GetTreeNodeLevel() override { return levelAt(row()); }
    int GetTreeNodeLevelLimit() override { return levelAt(row()); }
    // The separator under a row lies at the level of the row after it (none after the last).
    int GetTreeLineLevel() override { return row() + 1 < static_cast<int>(levels.size()) ? levelAt(row() + 1) : -1; }
    int GetCurrentRecordNumber() override { return RecNo(); }
    int BookmarkToViewRow(const TBookmarkStr&) override { return -1; }
    int GetViewRecordCount() override { return Active() ? RecordCount() : 0; }
    bool GetTreeViewActive() override { return tree; }
    bool GetTreeNodeHasNextSibling(int) override { return false; }
    void GotoRecordNumber(int number) override { SetRecNo(number); }
    int SetTreeNodeExpanded(int, bool) override { return 0; }
    int MoveViewRecords(TStrings* list, int toIndex, int treeLevel, bool checkOnly) override {
        MoveCall call{{}, toIndex, treeLevel, checkOnly};
        for (int i = 0; i < list->Count(); ++i) call.bookmarks.push_back(list->Strings(i).str());
        moves.push_back(call);
        return allow ? 1 : 0;
    }
    void InstantReadEnter(int viewRow) override { readRow_ = viewRow; }
    void InstantReadLeave() override { readRow_ = -1; }

private:
    int row() { return readRow_ >= 0 ? readRow_ : RecNo() - 1; }
    int levelAt(int r) { return r >= 0 && r < static_cast<int>(levels.size()) ? levels[r] : 1; }
    int readRow_ = -1;
};

struct TreeMoveTest : ::testing::Test {
    TimerClock clock;
    datatest::RussianLocale locale;
    gridtest::FixedMetrics metrics;
    TreeDataSet tds{nullptr};
    TDataSource source{nullptr};
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    gridtest::TestGrid* grid = nullptr;

    void SetUp() override {
        guitest::EnsureApp();
        source.SetDataSet(&tds);
        grid = new gridtest::TestGrid(form.get());
        grid->SetParent(form.get());
        grid->SetBounds(0, 0, 420, 220);
        grid->SetOptionsGx(grid->OptionsGx() | dghRecordMoving);
        form->SetClientSize(420, 220);
    }
    void TearDown() override {
        form.reset();
        guitest::FlushDeletes();
        tds.Close();
    }
    void Open(int rows) {
        datatest::FillRows(tds, rows);
        grid->SetDataSource(&source);
        ASSERT_TRUE(grid->ViewScroll());
        guitest::ShowForm(form.get());
    }
    // The left of the first data column, where tree levels are counted from.
    int TreeLeft() const {
        int left = 0;
        for (int i = 0; i < grid->IndicatorOffset(); ++i) left += grid->ColWidths(i) + grid->GridLineWidth();
        return left;
    }
    TPoint At(int raw, int x) const {
        const TRect r = grid->CellRect(0, raw);
        return TPoint(x, (r.Top + r.Bottom) / 2);
    }
    void Press(TPoint p) { grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y)); }
    void Move(TPoint p) { grid->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.x, p.y)); }
    void Release(TPoint p) { grid->Perform(WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y)); }
};

TEST_F(TreeMoveTest, TheLineStartsAtTheLevelTheDropWouldTake) {
    tds.levels = {1, 2, 2, 1, 2, 3};
    Open(6);
    const int off = grid->TopDataOffset();
    tds.SetRecNo(2);  // view row 1, level 2
    const int left = TreeLeft();
    Press(At(off + 1, 3));
    ASSERT_EQ(grid->InteractionState(), dgsRowMoving);
    EXPECT_EQ(grid->RowMoveStartLevel(), 2);
    struct Step {
        const char* what;
        int viewRow;
        int x;
        int level;
    };
    const Step steps[] = {
        {"above the start: the row's own level", 0, 3, 1},
        {"the pointer further right: one level more at most", 0, left + 18 * 5, 2},
        {"below the start: the level of what follows", 3, 3, 2},
        {"below the last row: level 1 at least", 5, 3, 1},
        {"a pointer between two levels: the one it lies in", 2, left + 18 * 2 + 9, 2},
        {"the pointer right of the last row", 5, left + 18 * 3, 3},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        Move(At(off + s.viewRow, s.x));
        EXPECT_EQ(grid->RowMoveTargetRow(), off + s.viewRow);
        EXPECT_EQ(grid->RowMoveTargetLevel(), s.level);
        EXPECT_EQ(grid->RowMoveLineLeft(), left + 18 * s.level);
        ASSERT_FALSE(tds.moves.empty());
        EXPECT_TRUE(tds.moves.back().checkOnly);
        EXPECT_EQ(tds.moves.back().toRecNo, s.viewRow + 1);
        EXPECT_EQ(tds.moves.back().treeLevel, s.level);
    }
    // Back on the start row one level deeper: a move after all.
    Move(At(off + 1, left + 18 * 3));
    EXPECT_EQ(grid->RowMoveTargetLevel(), 3);
    Release(At(off + 1, left + 18 * 3));
    ASSERT_FALSE(tds.moves.back().checkOnly);
    EXPECT_EQ(tds.moves.back().toRecNo, 2);
    EXPECT_EQ(tds.moves.back().treeLevel, 3);
    EXPECT_EQ(tds.moves.back().bookmarks, std::vector<std::string>{tds.Bookmark().str()});
}

TEST_F(TreeMoveTest, TheViewScrollsByRowsAtItsEdges) {
    tds.tree = false;
    Open(50);
    const int off = grid->TopDataOffset();
    Press(At(off, 3));
    ASSERT_EQ(grid->InteractionState(), dgsRowMoving);
    EXPECT_EQ(grid->RowMoveTargetLevel(), -1);
    TGridDrawInfo di;
    grid->CalcDrawInfo(di);
    const int lastFull = di.Vert.LastFullVisibleCell;

    const TPoint below = grid->ClientToScreen(TPoint(3, grid->ClientHeight() + 10));
    SetCursorPos(below.x, below.y);
    clock.Advance(60);
    EXPECT_EQ(grid->TopRow(), off + 1) << "one row down";
    EXPECT_EQ(grid->RowMoveTargetRow(), lastFull + 1) << "the last row shown whole";
    clock.Advance(120);
    EXPECT_EQ(grid->TopRow(), off + 3);
    EXPECT_EQ(tds.RecNo(), 1) << "the current record stays";

    const TPoint above = grid->ClientToScreen(TPoint(3, 2));  // on the title row
    SetCursorPos(above.x, above.y);
    clock.Advance(60);
    EXPECT_EQ(grid->TopRow(), off + 2) << "one row up";
    EXPECT_EQ(grid->RowMoveTargetRow(), off + 2) << "the first row shown";

    Release(At(off + 2, 3));
    ASSERT_FALSE(tds.moves.empty());
    EXPECT_FALSE(tds.moves.back().checkOnly);
    EXPECT_EQ(tds.moves.back().toRecNo, 3);
    EXPECT_EQ(tds.moves.back().treeLevel, -1);
}

}  // namespace
