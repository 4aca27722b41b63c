// The grid's tool tips (a clipped text shown whole over its cell, the title hint first, none over
// buttons, with Ctrl or while the mouse is captured), the hint pause, and the window messages whose
// effects can go wrong: size changes inside an update, the parent's colour, the flat border, the
// in-place editor's change notification and the focus moving to the grid's own editor.
#include "GridTestSupport.h"

#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/WinApi.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <string>
#include <typeinfo>

namespace {

// A grid that counts what the hints and messages call of the Parts built beside them.
class HintGrid : public gridtest::TestGrid {
    PLANTMON_CLASS(HintGrid, gridtest::TestGrid)
public:
    explicit HintGrid(TComponent* owner) : gridtest::TestGrid(owner) {}
    int userChanges = 0;
    int sortApplied = 0;
    void InplaceEditUserChange() override { ++userChanges; }
    void ApplyPendingSortMarking() override { ++sortApplied; }
    bool frozenBorder = false;
    bool FrozenSizing(int, int) override { return frozenBorder; }
    AnsiString footerText;
    AnsiString GetFooterValue(int, TColumnGx*) override { return footerText; }
    // Paints of the indicator's title cell, which only a repaint of the whole title row reaches.
    int cornerPaints = 0;
    void DrawCell(int col, int row, TRect rect, TGridDrawState state) override {
        if (col == 0 && row == 0) ++cornerPaints;
        gridtest::TestGrid::DrawCell(col, row, rect, state);
    }
};

class GridHintsTest : public ::testing::Test {
protected:
    void SetUp() override {
        guitest::EnsureApp();
        metrics = std::make_unique<gridtest::FixedMetrics>();
        source.SetDataSet(&cds);
        grid = std::make_unique<HintGrid>(nullptr);
        grid->SetBounds(0, 0, 420, 200);
        datatest::FillRows(cds, 3);
        grid->SetDataSource(&source);
        grid->Columns()->SetState(csCustomized);
        grid->ColumnDefValues()->SetToolTips(true);
        grid->ColumnDefValues()->Title()->SetToolTips(true);
        SetCapture(nullptr);
        ReleaseCapture();
    }
    void TearDown() override {
        MoveWithCtrl(false);  // no Ctrl left behind
        Application->CancelHint();
        grid->SetParent(nullptr);
        grid.reset();
        form.reset();
        cds.Close();
        guitest::Pump();
    }
    // Puts the grid on a shown form, so that input reaches it as a user's does.
    void Host() {
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(50, 50, 500, 300);
        grid->SetParent(form.get());
        guitest::ShowForm(form.get());
    }
    TColumnGx* Column(const char* name) { return grid->GetFieldColumns(name); }
    int RawCol(const char* name) { return grid->DataToRawColumn(Column(name)->Index()); }
    // Asks the grid for its hint with the pointer at p (client coordinates).
    THintInfo Ask(TPoint p) {
        THintInfo info;
        info.HintControl = grid.get();
        info.CursorPos = p;
        info.CursorRect = grid->ClientRect();
        info.HintPos = TPoint(-100, -100);
        info.HintStr = "grid";
        grid->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
        return info;
    }
    // The keyboard state as a pointer move with or without Ctrl leaves it.
    void MoveWithCtrl(bool ctrl) {
        const QPointF local(1, 1);
        QMouseEvent e(QEvent::MouseMove, local, grid->Widget()->mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                      ctrl ? Qt::ControlModifier : Qt::NoModifier);
        QApplication::sendEvent(grid->Widget(), &e);
    }
    static TPoint Centre(const TRect& r) { return TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2); }
    static bool IsGridTip(const THintInfo& info) {
        return info.HintWindowClass.Type && *info.HintWindowClass.Type == typeid(DBGridGx::TToolTipsWindow);
    }

    datatest::RussianLocale locale;
    std::unique_ptr<gridtest::FixedMetrics> metrics;
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    std::unique_ptr<HintGrid> grid;
    std::unique_ptr<TForm> form;
};

// Text is 7 pixels a character and 13 a line; "Row 1" is 35 pixels wide and fits a cell at least
// 37 pixels wide.
TEST_F(GridHintsTest, ADataCellShowsItsTipOnlyWhenTheTextIsClipped) {
    struct Case {
        const char* what;
        int width;
        bool flat;
        bool tip;
    };
    const Case cases[] = {
        {"fits", 37, false, false},
        {"clipped by one pixel", 36, false, true},
        {"clipped in a flat grid", 36, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        grid->SetFlat(c.flat);
        Column("Name")->SetWidth(c.width);
        ASSERT_EQ(grid->ColWidths(RawCol("Name")), c.width);
        const TRect r = grid->CellRect(RawCol("Name"), grid->TopDataOffset());
        const THintInfo info = Ask(Centre(r));
        if (!c.tip) {
            EXPECT_EQ(info.HintStr, "");
            continue;
        }
        EXPECT_EQ(info.HintStr, "Row 1");
        EXPECT_EQ(info.CursorRect, r);
        EXPECT_EQ(info.HintPos, grid->ClientToScreen(TPoint(r.Left - 1, r.Top - (c.flat ? 2 : 1))));
        EXPECT_TRUE(IsGridTip(info));
        EXPECT_EQ(info.HintData, grid->ToolTipsFont());
    }
}

TEST_F(GridHintsTest, ARightAlignedTextThatFitsGetsATipWhenTheGridEdgeCutsItsCell) {
    TColumnGx* amount = Column("Amount");
    amount->SetWidth(64);
    const TRect whole = grid->CellRect(RawCol("Amount"), grid->TopDataOffset());
    struct Case {
        const char* what;
        TAlignment alignment;
        int visible;  // pixels of the cell left inside the grid
        bool tip;
    };
    const Case cases[] = {
        {"right-aligned, whole cell", taRightJustify, 64, false},
        {"right-aligned, cut by 2 pixels", taRightJustify, 62, false},
        {"right-aligned, cut by 3 pixels", taRightJustify, 61, true},
        {"left-aligned, cut by 30 pixels", taLeftJustify, 34, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        amount->SetAlignment(c.alignment);
        grid->SetClientWidth(whole.Left + c.visible);
        const TRect r = grid->CellRect(RawCol("Amount"), grid->TopDataOffset());
        ASSERT_EQ(r.Right, whole.Left + c.visible);
        const THintInfo info = Ask(TPoint(r.Left + 5, r.Top + 5));
        if (!c.tip) {
            EXPECT_EQ(info.HintStr, "");
            continue;
        }
        // "1,5": 21 pixels, right-aligned at the column's full width.
        EXPECT_EQ(info.HintStr, "1,5");
        EXPECT_EQ(info.HintPos, grid->ClientToScreen(TPoint(r.Left + 64 - 21 - 6, r.Top - 1)));
    }
}

TEST_F(GridHintsTest, TheButtonsOfAColumnThatAlwaysShowsThemGetNoTip) {
    TColumnGx* name = Column("Name");
    name->SetWidth(40);
    name->SetButtonStyle(cbsEllipsis);
    name->SetAlwaysShowEditButton(true);
    const int buttons = grid->ColumnEditButtonsWidth(name);
    ASSERT_GT(buttons, 5);
    const TRect r = grid->CellRect(RawCol("Name"), grid->TopDataOffset());
    // The text part is 40 - buttons wide: "Row 1" no longer fits.
    const THintInfo onText = Ask(TPoint(r.Left + 2, r.Top + 5));
    EXPECT_EQ(onText.HintStr, "Row 1");
    EXPECT_EQ(onText.CursorRect.Right, r.Left + 40 - buttons);
    const THintInfo onButton = Ask(TPoint(r.Right - 2, r.Top + 5));
    EXPECT_EQ(onButton.HintStr, "");
}

TEST_F(GridHintsTest, CtrlOrACapturedMouseKeepsToolTipsAwayButNotTheTitleHint) {
    Column("Name")->SetWidth(20);
    Column("ID")->Title()->SetHint("Номер|Номер записи");
    Host();
    const TPoint data = Centre(grid->CellRect(RawCol("Name"), grid->TopDataOffset()));
    const TRect idTitle = grid->CellRect(RawCol("ID"), 0);
    EXPECT_EQ(Ask(data).HintStr, "Row 1");

    MoveWithCtrl(true);
    ASSERT_LT(GetKeyState(VK_CONTROL), 0);
    EXPECT_EQ(Ask(data).HintStr, "grid");  // the grid's own hint, untouched
    EXPECT_EQ(Ask(Centre(idTitle)).HintStr, "Номер");
    MoveWithCtrl(false);

    SetCapture(grid->Handle());
    EXPECT_EQ(Ask(data).HintStr, "grid");
    EXPECT_EQ(Ask(Centre(idTitle)).HintStr, "Номер");
    ReleaseCapture();
    EXPECT_EQ(Ask(data).HintStr, "Row 1");
}

TEST_F(GridHintsTest, ATitleHintComesBeforeTheTitlesToolTip) {
    TColumnGx* name = Column("Name");
    name->SetWidth(20);  // "Name" (28 pixels) is clipped
    const int col = RawCol("Name");
    const TRect title = grid->CellRect(col, 0);
    const THintInfo tip = Ask(Centre(title));
    EXPECT_EQ(tip.HintStr, "Name");
    EXPECT_TRUE(IsGridTip(tip));
    EXPECT_EQ(tip.HintPos, grid->ClientToScreen(TPoint(title.Left - 1, title.Top - 1)));

    name->Title()->SetHint("Имя|Имя записи");
    const THintInfo hint = Ask(Centre(title));
    EXPECT_EQ(hint.HintStr, "Имя");
    EXPECT_EQ(hint.CursorRect, title);
    EXPECT_EQ(hint.HintPos, TPoint(-100, -100));
    EXPECT_FALSE(IsGridTip(hint));
}

TEST_F(GridHintsTest, ToolTipsShowAtOnceWhereACellOffersThem) {
    Application->SetHintPause(500);
    Host();
    Column("Amount")->SetToolTips(false);
    Column("ID")->Title()->SetHint("Номер");
    const int row = grid->TopDataOffset();
    auto pauseAt = [&](TPoint p) {
        guitest::MouseMove(grid.get(), p);
        int pause = 12345;
        grid->Perform(CM_HINTSHOWPAUSE, 0, reinterpret_cast<LPARAM>(&pause));
        return pause;
    };
    EXPECT_EQ(pauseAt(Centre(grid->CellRect(RawCol("Name"), row))), 0);
    EXPECT_EQ(pauseAt(Centre(grid->CellRect(RawCol("Name"), 0))), 0);
    EXPECT_EQ(pauseAt(Centre(grid->CellRect(RawCol("Amount"), row))), 500);
    EXPECT_EQ(pauseAt(Centre(grid->CellRect(RawCol("ID"), 0))), 500);  // its own hint waits
    EXPECT_EQ(pauseAt(Centre(grid->CellRect(0, row))), 12345);           // the indicator: untouched
}

TEST_F(GridHintsTest, TheTipShowsOverTheClippedCellWhenThePointerRestsThere) {
    grid->SetShowHint(true);
    Column("Name")->SetWidth(30);
    Host();
    const TRect r = grid->CellRect(RawCol("Name"), grid->TopDataOffset());
    guitest::MouseMove(grid.get(), TPoint(r.Left + 3, r.Top + 3));
    // The hint pause runs on a real timer; a loaded machine may take seconds to get to it.
    ASSERT_TRUE(guitest::WaitFor([] { return Application->HintWindow() && Application->HintWindow()->IsShowing(); },
                                 20000));
    THintWindow* tip = Application->HintWindow();
    EXPECT_TRUE(dynamic_cast<DBGridGx::TToolTipsWindow*>(tip) != nullptr);
    EXPECT_EQ(tip->Caption(), "Row 1");
    EXPECT_EQ(tip->Font()->Color(), clInfoText);
    const TPoint at = grid->ClientToScreen(TPoint(r.Left - 1, r.Top - 1));
    EXPECT_EQ(TPoint(tip->Left(), tip->Top()), at);
}

TEST_F(GridHintsTest, ASizeChangeInsideAnUpdateWaitsForTheSelectionStep) {
    const int before = grid->passes;
    grid->BeginUpdate();
    grid->SetBounds(0, 0, 420, 260);
    EXPECT_TRUE(grid->SizeChangedPending());
    EXPECT_EQ(grid->passes, before);
    grid->EndUpdate();
    grid->DoAfterSizeChanged();
    EXPECT_FALSE(grid->SizeChangedPending());
    EXPECT_GT(grid->passes, before);

    const int outside = grid->passes;
    grid->SetBounds(0, 0, 420, 320);
    EXPECT_FALSE(grid->SizeChangedPending());
    EXPECT_GT(grid->passes, outside);
}

TEST_F(GridHintsTest, TheFooterColourFollowsTheParentsAndParentColorStays) {
    TPanel panel(nullptr);
    grid->SetParent(&panel);
    grid->SetParentColor(true);
    panel.SetColor(clYellow);
    EXPECT_EQ(grid->Color(), clYellow);
    EXPECT_EQ(grid->FooterColor(), clYellow);
    EXPECT_TRUE(grid->ParentColor());
    grid->SetParent(nullptr);
}

TEST_F(GridHintsTest, AFlatGridKeepsOnePixelOfItsBorderOutsideTheClientArea) {
    Host();
    // the bars would take their own width from the client area
    grid->VertScrollBar()->SetVisibleMode(sbNeverShowGx);
    grid->HorzScrollBar()->SetVisibleMode(sbNeverShowGx);
    grid->SetFlat(true);
    ASSERT_TRUE(grid->FlatBorder());
    EXPECT_EQ(grid->Width() - grid->ClientWidth(), 2);
}

TEST_F(GridHintsTest, TheInPlaceEditorsChangeStillReachesTheGrid) {
    Host();
    grid->SetFocus();
    grid->SetCol(RawCol("Name"));
    grid->ShowEditor();
    ASSERT_TRUE(grid->InplaceEditor());
    grid->InplaceEditor()->SetText("Другое");
    EXPECT_GE(grid->userChanges, 1);
    EXPECT_EQ(grid->EditText(), "Другое");
}

TEST_F(GridHintsTest, FocusGoingToTheGridsOwnEditorKeepsAPendingSort) {
    Host();
    TEdit other(nullptr);
    other.SetParent(form.get());
    other.SetBounds(10, 250, 100, 20);
    grid->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return grid->Focused(); }));
    grid->SetCol(RawCol("Name"));
    grid->ShowEditor();
    ASSERT_TRUE(grid->InplaceEditor());
    grid->InplaceEditor()->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return grid->InplaceEditor()->Focused(); }));
    EXPECT_EQ(grid->sortApplied, 0);
    grid->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return grid->Focused(); }));
    other.SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return other.Focused(); }));
    EXPECT_EQ(grid->sortApplied, 1);
    other.SetParent(nullptr);
}

}  // namespace

namespace {

TEST_F(GridHintsTest, AFooterTipShowsTheFooterValueInTheFootersFont) {
    grid->SetFooterRowCount(1);
    grid->FooterFont()->SetSize(14);
    grid->footerText = "12 345,00";
    Column("Amount")->SetWidth(40);
    const TRect r = grid->CellRect(RawCol("Amount"), grid->RowCount() - 1);
    const THintInfo info = Ask(Centre(r));
    EXPECT_EQ(info.HintStr, "12 345,00");
    EXPECT_TRUE(IsGridTip(info));
    EXPECT_EQ(grid->ToolTipsFont()->Size(), 14);
    grid->footerText = "1,5";
    EXPECT_EQ(Ask(Centre(r)).HintStr, "");
}

TEST_F(GridHintsTest, TheTitlesRepaintWhenTheColumnsLeaveTheLeftEdgeAndComeBack) {
    for (const char* name : {"ID", "Name", "Amount"}) Column(name)->SetWidth(150);
    Host();
    grid->SetClientWidth(300);
    grid->Update();
    grid->cornerPaints = 0;
    const int fixed = grid->FixedCols();
    struct Step {
        int leftCol;
        int paints;
    };
    const Step steps[] = {{fixed + 1, 1}, {fixed + 2, 1}, {fixed, 2}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.leftCol);
        grid->SetLeftCol(s.leftCol);
        ASSERT_EQ(grid->LeftCol(), s.leftCol);
        grid->Update();
        EXPECT_EQ(grid->cornerPaints, s.paints);
    }
}

TEST_F(GridHintsTest, TheDesignerPassesTheMouseOnAColumnBorderOfACustomizedGridOnly) {
    const TRect title = grid->CellRect(RawCol("Name"), 0);
    const LPARAM border = MAKELPARAM(title.Right, title.Top + 3), inside = MAKELPARAM((title.Left + title.Right) / 2, title.Top + 3);
    auto hitTest = [&](LPARAM at) { return grid->Perform(CM_DESIGNHITTEST, 0, at); };
    EXPECT_EQ(hitTest(border), 1);
    EXPECT_EQ(hitTest(inside), 0);
    grid->frozenBorder = true;
    EXPECT_EQ(hitTest(inside), -1);
    grid->frozenBorder = false;
    grid->Columns()->SetState(csDefault);
    EXPECT_EQ(hitTest(border), 0);
}

}  // namespace
