// The grid's mouse on a shown grid: column sizing (also of a frozen column) and moving, title
// buttons with immediate and Ctrl-deferred sort marking, check-box clicks, the automatic scroll on
// a timer clock the test runs, the wheel and the scroll-bar messages.
#include "GridTestSupport.h"
#include "GridTimerClock.h"

#include "gui/Forms.h"
#include "gui/WinApi.h"

namespace {

using gridtest::ShownGridTest;
using gridtest::TimerClock;

class GridMouseTest : public ShownGridTest {
protected:
    TRect Cell(int col, int row) const { return grid->CellRect(col, row); }
    TPoint Centre(int col, int row) const {
        const TRect r = Cell(col, row);
        return TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    // Mouse messages as the window gets them while the left button is held.
    void Press(TPoint p, WPARAM keys = 0) { grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(p.x, p.y)); }
    void Move(TPoint p, WPARAM keys = 0) { grid->Perform(WM_MOUSEMOVE, MK_LBUTTON | keys, MAKELPARAM(p.x, p.y)); }
    void Release(TPoint p, WPARAM keys = 0) { grid->Perform(WM_LBUTTONUP, keys, MAKELPARAM(p.x, p.y)); }
};

TEST_F(GridMouseTest, AColumnIsSizedByItsTitleBorderTracedOrOnRelease) {
    Open(5);
    Show();
    const int raw = grid->DataToRawColumn(1);
    for (bool traced : {false, true}) {
        SCOPED_TRACE(traced ? "traced" : "on release");
        grid->SetOptionsGx(traced ? grid->OptionsGx() | dghTraceColSizing : grid->OptionsGx() & ~dghTraceColSizing);
        const int before = grid->ColWidths(raw);
        const TPoint border(Cell(raw, 0).Right, Cell(raw, 0).Top + 3);
        Press(border);
        EXPECT_EQ(grid->GridState(), gsColSizing);
        Move(TPoint(border.x + 15, border.y));
        EXPECT_EQ(grid->ColWidths(raw), traced ? before + 15 : before) << "a traced column follows the mouse";
        Move(TPoint(border.x + 20, border.y));
        Release(TPoint(border.x + 20, border.y));
        EXPECT_EQ(grid->ColWidths(raw), before + 20);
        EXPECT_EQ(grid->GridState(), gsNormal);
    }
}

TEST_F(GridMouseTest, AFrozenColumnIsSizedInTheTitles) {
    Open(5);
    grid->SetFrozenCols(1);
    Show();
    ASSERT_EQ(grid->FixedCols(), grid->IndicatorOffset() + 1);
    const int raw = grid->DataToRawColumn(0);
    const int before = grid->ColWidths(raw);
    const TPoint border(Cell(raw, 0).Right, Cell(raw, 0).Top + 3);
    Press(border);
    EXPECT_EQ(grid->InteractionState(), dgsColSizing);
    Move(TPoint(border.x + 12, border.y));
    Release(TPoint(border.x + 12, border.y));
    EXPECT_EQ(grid->InteractionState(), dgsNormal);
    EXPECT_EQ(grid->ColWidths(raw), before + 12);

    const TPoint inData(Cell(raw, 2).Right, Centre(raw, 2).y);
    Press(inData);
    EXPECT_EQ(grid->InteractionState(), dgsNormal) << "only within the titles";
    Release(inData);
}

TEST_F(GridMouseTest, ATitleButtonDraggedSidewaysMovesTheColumnWithoutAClick) {
    Open(5);
    Show();
    for (int i = 0; i < grid->Columns()->Count(); ++i) grid->Columns()->Items(i)->Title()->SetTitleButton(true);
    int clicks = 0;
    grid->OnTitleBtnClick = [&](TObject*, int, TColumnGx*) { ++clicks; };
    const int first = grid->IndicatorOffset();
    const TPoint from = Centre(first, 0);
    Press(from);
    EXPECT_EQ(grid->PressedTitleCol(), first);
    EXPECT_TRUE(grid->TitleButtonDown());
    Move(TPoint(from.x + 3, from.y));
    EXPECT_EQ(grid->GridState(), gsNormal) << "3 pixels are still a press";
    Move(TPoint(from.x + 4, from.y));
    EXPECT_EQ(grid->GridState(), gsColMoving);
    EXPECT_EQ(grid->PressedTitleCol(), -1);
    const TPoint to = Centre(first + 2, 0);
    Move(to);
    Release(to);
    EXPECT_EQ(FieldNames(), "Name,Amount,ID");
    EXPECT_EQ(clicks, 0);
}

TEST_F(GridMouseTest, TitleClicksMarkTheSortAndCtrlWaitsForItsRelease) {
    Open(5);
    Show();
    grid->SetOptionsGx(grid->OptionsGx() | dghAutoSortMarking | dghMultiSortMarking);
    for (int i = 0; i < grid->Columns()->Count(); ++i) grid->Columns()->Items(i)->Title()->SetTitleButton(true);
    std::vector<int> clicked;
    int applied = 0;
    grid->OnTitleBtnClick = [&](TObject*, int col, TColumnGx*) { clicked.push_back(col); };
    grid->OnSortMarkingChanged = [&](TObject*) { ++applied; };
    const int first = grid->IndicatorOffset();
    TColumnTitleGx* idTitle = grid->Columns()->Items(0)->Title();
    TColumnTitleGx* nameTitle = grid->Columns()->Items(1)->Title();

    guitest::Click(grid.get(), Centre(first, 0));
    EXPECT_EQ(clicked, std::vector<int>{0});
    EXPECT_NE(idTitle->SortMarker(), smNoneGx);
    EXPECT_EQ(applied, 1) << "without Ctrl the sort applies at once";

    guitest::Click(grid.get(), Centre(first + 1, 0), mbLeft, ssCtrl);
    EXPECT_NE(nameTitle->SortMarker(), smNoneGx);
    EXPECT_NE(idTitle->SortMarker(), smNoneGx) << "Ctrl keeps the other marks";
    EXPECT_EQ(applied, 1);
    EXPECT_TRUE(grid->PendingSortMarkingChange());
    guitest::Key(VK_CONTROL, 0, grid.get());
    EXPECT_EQ(applied, 2) << "applied when Ctrl goes up";
    EXPECT_FALSE(grid->PendingSortMarkingChange());

    guitest::Click(grid.get(), Centre(first + 2, 0), mbLeft, ssCtrl);
    EXPECT_EQ(applied, 2);
    TEdit other(form.get());
    other.SetParent(form.get());
    other.SetBounds(0, 0, 10, 10);
    other.SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return applied == 3; })) << "or when the focus leaves";

    // Released outside the pressed title: no click.
    grid->SetFocus();
    Press(Centre(first, 0));
    Release(Centre(first, 2));
    EXPECT_EQ(clicked.size(), 3u);
}

TEST_F(GridMouseTest, TheCursorComesFromWhatLiesUnderThePointer) {
    Open(5);
    grid->SetFrozenCols(1);
    grid->SetOptions(grid->Options() | dgMultiSelect);
    Show();
    const int frozen = grid->IndicatorOffset(), scrolled = frozen + 1;
    const TRect title = Cell(scrolled, 0);
    struct Case {
        const char* where;
        TPoint at;
        HCURSOR cursor;
    };
    const Case cases[] = {
        {"indicator of a data row", Centre(0, grid->TopDataOffset() + 1), DBGridGxRowSelectCursor},
        {"lowest pixels of a title", TPoint(title.Left + 5, title.Bottom - 2), DBGridGxColSelectCursor},
        {"border of the frozen column", TPoint(Cell(frozen, 0).Right, Cell(frozen, 0).Top + 2), Screen->Cursors(crHSplit)},
    };
    for (const Case& c : cases) {
        guitest::MouseMove(grid.get(), c.at);
        EXPECT_EQ(GetCursor(), c.cursor) << c.where;
    }
}

class CheckBoxMouseTest : public GridMouseTest {
protected:
    void SetUp() override {
        GridMouseTest::SetUp();
        cds.FieldDefs()->Add("ID", ftInteger, 0, true);
        cds.FieldDefs()->Add("Flag", ftBoolean);
        cds.CreateDataSet();
        for (int i = 1; i <= 3; ++i) cds.AppendRecord({Variant(i), Variant(false)});
        cds.First();
        grid->SetDataSource(&source);
        flag = grid->GetFieldColumns("Flag");
        flag->SetCheckboxes(true);
        Show();
        raw = grid->DataToRawColumn(flag->Index());
    }
    bool Flag(int recNo) {
        cds.SetRecNo(recNo);
        return cds.FieldByName("Flag")->AsBoolean();
    }
    TColumnGx* flag = nullptr;
    int raw = 0;
};

TEST_F(CheckBoxMouseTest, AClickStepsTheValueUnlessDoubleClicksDo) {
    const int row2 = grid->TopDataOffset() + 1;
    guitest::Click(grid.get(), Centre(raw, row2));
    if (cds.State() != dsBrowse) cds.Post();
    EXPECT_TRUE(Flag(2)) << "a click on the box steps it";

    Press(Centre(raw, grid->TopDataOffset() + 2));
    Release(Centre(raw, grid->TopDataOffset()));
    if (cds.State() != dsBrowse) cds.Post();
    EXPECT_FALSE(Flag(3)) << "released on another cell: nothing";
    EXPECT_FALSE(Flag(1));

    flag->SetDblClickNextVal(true);
    cds.SetRecNo(1);
    guitest::Click(grid.get(), Centre(raw, grid->TopDataOffset()));
    if (cds.State() != dsBrowse) cds.Post();
    EXPECT_FALSE(Flag(1)) << "with DblClickNextVal one click does nothing";
    cds.SetRecNo(1);
    guitest::DblClick(grid.get(), Centre(raw, grid->TopDataOffset()));
    if (cds.State() != dsBrowse) cds.Post();
    EXPECT_TRUE(Flag(1)) << "the double click steps it";
}

TEST_F(GridMouseTest, HeldBelowTheRowsTheGridScrollsFasterTheFurtherAway) {
    Open(100);
    Show();
    TimerClock clock;
    const int raw = grid->IndicatorOffset() + 1;
    Press(Centre(raw, grid->TopDataOffset()));
    ASSERT_EQ(cds.RecNo(), 1);
    const int bottom = grid->DataRect().Bottom;

    Move(TPoint(Centre(raw, 0).x, bottom + 29));  // 30 pixels below
    const int afterMove = cds.RecNo();
    EXPECT_EQ(clock.Interval(grid.get(), 1), 10) << "re-armed at 0 ms, which the window system makes 10";
    clock.Advance(9);
    EXPECT_EQ(cds.RecNo(), afterMove);
    clock.Advance(1);
    EXPECT_EQ(cds.RecNo(), afterMove + 5) << "5 records a step";
    clock.Advance(10);
    EXPECT_EQ(cds.RecNo(), afterMove + 10);

    Move(TPoint(Centre(raw, 0).x, bottom + 5));  // 6 pixels below
    const int near = cds.RecNo();
    EXPECT_EQ(clock.Interval(grid.get(), 1), 110);
    clock.Advance(109);
    EXPECT_EQ(cds.RecNo(), near);
    clock.Advance(1);
    EXPECT_EQ(cds.RecNo(), near + 1) << "1 record every 110 ms";
    clock.Advance(110);
    EXPECT_EQ(cds.RecNo(), near + 2);

    Release(TPoint(Centre(raw, 0).x, bottom + 5));
    EXPECT_EQ(clock.Interval(grid.get(), 1), -1) << "the release stops the timer";
    EXPECT_EQ(grid->Row(), grid->TopDataOffset() + grid->DataLink()->ActiveRecord());
}

TEST_F(GridMouseTest, WheelNotchesAndScrollBarCodesMoveByRecords) {
    Open(60);
    Show();
    const TPoint in = Centre(grid->IndicatorOffset(), grid->TopDataOffset() + 1);
    for (int i = 0; i < 3; ++i) guitest::Wheel(grid.get(), in, -120);
    EXPECT_EQ(cds.RecNo(), 4) << "one record a notch";
    guitest::Wheel(grid.get(), in, 120);
    EXPECT_EQ(cds.RecNo(), 3);

    const int page = grid->VisibleDataRowCount();
    auto vscroll = [&](WORD code, int pos = 0) {
        if (code == SB_THUMBPOSITION) {
            SCROLLINFO si;
            // the client dataset numbers its records: the grid's bar runs by record numbers
            si.fMask = SIF_POS;
            si.nPos = pos;
            SetScrollInfo(grid->Handle(), SB_VERT, &si, false);
        }
        grid->Perform(WM_VSCROLL, MAKEWPARAM(code, pos), 0);
    };
    cds.First();
    struct Step {
        WORD code;
        int pos;
        int recNo;
    };
    const Step steps[] = {
        {SB_PAGEDOWN, 0, 1 + page},
        {SB_PAGEUP, 0, 1},
        {SB_BOTTOM, 0, 60},
        {SB_TOP, 0, 1},
        {SB_LINEDOWN, 0, 1 + grid->DataLink()->RecordCount()},
        {SB_LINEUP, 0, 0},  // filled below: one before the first record shown
        {SB_THUMBPOSITION, 60, 60},
        {SB_THUMBPOSITION, 1, 1},
        {SB_THUMBPOSITION, 30, 30},
        {SB_THUMBPOSITION, 12, 12},
    };
    for (const Step& s : steps) {
        int expected = s.recNo;
        if (s.code == SB_LINEUP) expected = cds.RecNo() - grid->DataLink()->ActiveRecord() - 1;
        vscroll(s.code, s.pos);
        EXPECT_EQ(cds.RecNo(), expected) << "code " << s.code << " position " << s.pos;
    }

    const int left = grid->LeftCol();
    grid->Columns()->Items(0)->SetWidth(300);
    grid->Columns()->Items(1)->SetWidth(300);
    grid->Perform(WM_HSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
    EXPECT_EQ(grid->LeftCol(), left + 1);
    grid->Perform(WM_HSCROLL, MAKEWPARAM(SB_LINEUP, 0), 0);
    EXPECT_EQ(grid->LeftCol(), left);
}

}  // namespace
