// The grid's selection: which kinds may be selected, the selection step over records and cells,
// column ranges with Shift, and the edit actions with their checks.
#include "GridTestSupport.h"

#include "gui/Clipbrd.h"
#include "gui/Forms.h"
#include "gui/StdActns.h"

namespace {

using gridtest::GridTest;

class GridSelectionTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        grid->OnSelectionChanged = TNotifyEvent([this](TObject*) { ++changes; });
    }
    // Rows 1..n with multi-selection on, the current record at recNo.
    void OpenAt(int rows, int recNo) {
        Open(rows);
        grid->SetOptions(grid->Options() | dgMultiSelect);
        cds.SetRecNo(recNo);
    }
    // The IDs of the selected records, in order.
    std::string SelectedIds() {
        std::string s;
        const TBookmark here = cds.Bookmark();
        TBookmarkListGx* rows = grid->SelectedRows();
        for (int i = 0; i < rows->Count(); ++i) {
            cds.GotoBookmark(rows->Items(i));
            s += (i ? "," : "") + cds.FieldByName("ID")->AsString().str();
        }
        cds.GotoBookmark(here);
        return s;
    }
    int changes = 0;
};

TEST_F(GridSelectionTest, AllowedKindsFollowTheOptions) {
    Open(3);
    const TDBGridGxSelectionType kinds[] = {gstRecordBookmarks, gstRectangle, gstColumns, gstAll};
    struct Case {
        const char* name;
        TDBGridOptions extra;
        bool expected[4];  // records, rectangle, columns, all
    } cases[] = {
        {"no multi-select", 0, {false, false, false, false}},
        {"multi-select", dgMultiSelect, {true, true, true, true}},
        {"row select keeps records and all", dgMultiSelect | dgRowSelect, {true, false, false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid->SetOptions((DefaultDBGridOptions & ~(dgMultiSelect | dgRowSelect)) | c.extra);
        EXPECT_TRUE(grid->CanSelectType(gstNon));
        for (int k = 0; k < 4; ++k) EXPECT_EQ(grid->CanSelectType(kinds[k]), c.expected[k]) << k;
    }
    grid->SetOptions(DefaultDBGridOptions | dgMultiSelect);
    grid->SetAllowedSelections(SelectionTypeBit(gstAll));
    EXPECT_FALSE(grid->CanSelectType(gstRecordBookmarks)) << "a kind left out of AllowedSelections";
    EXPECT_TRUE(grid->CanSelectType(gstAll));
}

TEST_F(GridSelectionTest, RecordStepsExtendAndGiveBackTowardTheAnchor) {
    OpenAt(10, 5);
    for (int i = 0; i < 3; ++i) grid->DoSelection(true, 1, false, true);
    EXPECT_EQ(SelectedIds(), "5,6,7,8");
    EXPECT_EQ(grid->Selection()->SelectionType(), gstRecordBookmarks);
    EXPECT_EQ(cds.RecNo(), 8);
    for (int i = 0; i < 2; ++i) grid->DoSelection(true, -1, false, true);
    EXPECT_EQ(SelectedIds(), "5,6") << "the moves back toward the anchor give 8 and 7 up";
    EXPECT_EQ(cds.RecNo(), 6);
    EXPECT_GT(changes, 0);

    // Past the anchor the other way the range grows again.
    for (int i = 0; i < 3; ++i) grid->DoSelection(true, -1, false, true);
    EXPECT_EQ(SelectedIds(), "3,4,5") << "6 given back, then 4 and 3 taken";

    // An unselected step clears the selection (dghClearSelection is on by default).
    grid->DoSelection(false, 1, false, true);
    EXPECT_EQ(SelectedIds(), "");
    EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
}

TEST_F(GridSelectionTest, ToggleModeAndTheEndsOfTheDataset) {
    OpenAt(10, 3);
    grid->SelectedRows()->SetCurrentRowSelected(true);
    ASSERT_EQ(SelectedIds(), "3");
    // Ctrl held: extending from a selected anchor unselects the anchor and every record passed.
    grid->SetSelectionToggleMode(true);
    grid->DoSelection(true, 1, false, true);
    grid->DoSelection(true, 1, false, true);
    EXPECT_EQ(SelectedIds(), "");
    grid->SetSelectionToggleMode(false);
    grid->ClearSelection();

    // To the end: the walk goes on until the dataset refuses to move, then ends quietly.
    cds.SetRecNo(7);
    grid->DoSelection(true, 1, true, true);
    EXPECT_EQ(SelectedIds(), "7,8,9,10");
    EXPECT_EQ(grid->UpdateLock(), 0) << "the update lock is released";
}

TEST_F(GridSelectionTest, CellStepsMakeARectangleAndOneCellIsNoSelection) {
    OpenAt(10, 2);
    grid->SetSelectedIndex(1);
    TDBGridGxSelectionRect* rect = grid->Selection()->Rect();

    rect->Select(1, cds.Bookmark(), true);
    EXPECT_EQ(grid->Selection()->SelectionType(), gstNon) << "a single cell";

    grid->DoSelection(true, 1, true, false);
    EXPECT_EQ(grid->Selection()->SelectionType(), gstRectangle);
    EXPECT_EQ(cds.RecNo(), 10) << "to the last record";
    EXPECT_EQ(rect->GetLeftCol(), 1);
    EXPECT_EQ(rect->GetRightCol(), 1);
    TBookmark second, fifth, first;
    cds.SetRecNo(1);
    first = cds.Bookmark();
    cds.SetRecNo(2);
    second = cds.Bookmark();
    cds.SetRecNo(5);
    fifth = cds.Bookmark();
    EXPECT_EQ(rect->GetTopRow(), second);
    EXPECT_TRUE(grid->Selection()->DataCellSelected(1, fifth));
    EXPECT_FALSE(grid->Selection()->DataCellSelected(1, first));
    EXPECT_FALSE(grid->Selection()->DataCellSelected(0, fifth));

    // A rectangle that shrinks back onto its anchor cell is no selection, and the accessors of a
    // grid without data refuse.
    rect->Select(1, second, true);
    EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
    grid->SetDataSource(nullptr);
    EXPECT_THROW(rect->GetBottomRow(), EInvalidGridOperation);
    EXPECT_THROW(rect->DataCellSelected(0, second), EInvalidGridOperation);
}

TEST_F(GridSelectionTest, ShiftRangesOfColumnsGiveBackWhatTheyTook) {
    Open(2);
    grid->SetOptions(grid->Options() | dgMultiSelect);
    grid->Columns()->SetState(csCustomized);
    for (int i = grid->Columns()->Count(); i < 7; ++i) grid->Columns()->Add()->SetFieldName("ID");
    ASSERT_EQ(grid->Columns()->Count(), 7);
    TDBGridGxSelectionCols* cols = grid->Selection()->Columns();
    auto selected = [&] {
        std::string s;
        for (int i = 0; i < cols->Count(); ++i) s += std::to_string(cols->GetColumn(i)->Index());
        return s;
    };
    auto col = [&](int i) { return grid->Columns()->Items(i); };

    cols->Select(col(2), false);
    struct Step {
        int to;
        const char* expected;
    } steps[] = {{5, "2345"}, {3, "23"}, {0, "012"}, {6, "23456"}, {2, "2"}};
    for (const Step& s : steps) {
        cols->SelectShift(col(s.to));
        EXPECT_EQ(selected(), s.expected) << "Shift to " << s.to;
    }
    EXPECT_EQ(grid->Selection()->SelectionType(), gstColumns);

    // A hidden column inside the range never joins it.
    col(4)->SetVisible(false);
    cols->Select(col(2), false);
    cols->SelectShift(col(6));
    EXPECT_EQ(selected(), "2356");

    // Columns no longer allowed: the selection goes.
    grid->SetAllowedSelections(SelectionTypeBit(gstRecordBookmarks) | SelectionTypeBit(gstAll));
    EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
    EXPECT_EQ(cols->Count(), 0);
}

TEST_F(GridSelectionTest, ASelectionKeepsTheEditorAwayUntilItIsCleared) {
    OpenAt(5, 3);
    grid->SetSelectedIndex(1);
    const TDBGridGxAllowedSelections everyKind = SelectionTypeBit(gstRecordBookmarks) |
                                                 SelectionTypeBit(gstRectangle) | SelectionTypeBit(gstColumns) |
                                                 SelectionTypeBit(gstAll);
    struct Case {
        const char* name;
        std::function<void()> change;
        TDBGridGxSelectionType after;
        bool editor;
    } cases[] = {
        {"a selection on show hides the editor", [] {}, gstRecordBookmarks, false},
        {"dropping multi-select clears it", [&] { grid->SetOptions(grid->Options() & ~dgMultiSelect); }, gstNon, true},
        {"copying the value above clears it", [&] { grid->SetValueFromPrevRecord(); }, gstNon, true},
        {"a selection that outlives moves leaves the editor",
         [&] { grid->SetOptionsGx(grid->OptionsGx() & ~dghClearSelection); }, gstRecordBookmarks, true},
        {"so does one where rectangles are not allowed",
         [&] { grid->SetAllowedSelections(SelectionTypeBit(gstRecordBookmarks)); }, gstRecordBookmarks, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cds.Cancel();
        cds.SetRecNo(3);
        grid->Selection()->Clear();
        grid->SetOptions(DefaultDBGridOptions | dgMultiSelect | dgAlwaysShowEditor);
        grid->SetOptionsGx(grid->OptionsGx() | dghClearSelection);
        grid->SetAllowedSelections(everyKind);
        grid->SetEditorMode(true);
        grid->SelectedRows()->SetCurrentRowSelected(true);
        ASSERT_EQ(grid->Selection()->SelectionType(), gstRecordBookmarks);
        c.change();
        EXPECT_EQ(grid->Selection()->SelectionType(), c.after);
        EXPECT_EQ(grid->SelectedRows()->Count() != 0, c.after != gstNon);
        EXPECT_EQ(grid->CanEditShow(), c.editor);
        ASSERT_NE(grid->InplaceEditor(), nullptr);
        EXPECT_EQ(grid->InplaceEditor()->Visible(), c.editor);
    }
}

class GridActionsTest : public GridSelectionTest {
protected:
    void SetUp() override {
        GridSelectionTest::SetUp();
        form = new TForm(nullptr);
        form->SetClientSize(400, 300);
        grid->SetParent(form);
        grid->SetBounds(0, 0, 400, 300);
        guitest::ShowForm(form);
        Open(5);
        grid->SetOptions(grid->Options() | dgMultiSelect);
        grid->SetEditActions(geaCopyGx | geaCutGx | geaPasteGx | geaDeleteGx | geaSelectAllGx);
        grid->SetFocus();
        ASSERT_TRUE(guitest::WaitFor([&] { return grid->Focused(); }));
    }
    void TearDown() override {
        grid->SetParent(nullptr);
        GridSelectionTest::TearDown();
        form->Free();
        guitest::FlushDeletes();
    }
    bool Enabled(TEditAction* a) {
        a->SetEnabled(!a->Enabled());
        EXPECT_TRUE(grid->UpdateAction(a));
        return a->Enabled();
    }
    TForm* form = nullptr;
};

TEST_F(GridActionsTest, EditActionsAreEnabledByTheirChecks) {
    TEditCopy copy(nullptr);
    TEditCut cut(nullptr);
    TEditPaste paste(nullptr);
    TEditSelectAll selectAll(nullptr);
    TEditDelete del(nullptr);
    const TClipboardFormat interchange = RegisterClipboardFormat("VCLDBIF");

    Clipboard()->SetAsText("1\tRow");
    EXPECT_FALSE(Enabled(&copy)) << "nothing selected";
    EXPECT_FALSE(Enabled(&del));
    EXPECT_TRUE(Enabled(&paste)) << "the clipboard has text";
    EXPECT_TRUE(Enabled(&selectAll));

    // Select all runs now; copy and delete of everything follow.
    EXPECT_TRUE(grid->ExecuteAction(&selectAll));
    EXPECT_EQ(grid->Selection()->SelectionType(), gstAll);
    EXPECT_TRUE(Enabled(&copy));
    EXPECT_TRUE(Enabled(&del));
    EXPECT_TRUE(Enabled(&cut));

    struct Case {
        const char* name;
        std::function<void()> setUp;
        TEditAction* action;
        bool enabled;
    } cases[] = {
        {"paste into a read-only grid", [&] { grid->SetReadOnly(true); }, &paste, false},
        {"delete from a read-only grid", [&] { grid->SetReadOnly(true); }, &del, false},
        {"paste with only another format on the clipboard",
         [&] { Clipboard()->SetAsBytes(RegisterClipboardFormat("Rich Text Format"), std::string("{\\rtf1}")); },
         &paste, false},
        {"paste with the interchange format",
         [&] { Clipboard()->SetAsBytes(interchange, std::string("VCLDBIF\0\1", 9)); }, &paste, true},
        {"paste without updates allowed", [&] { grid->SetAllowedOperations(alopInsertGx | alopDeleteGx); }, &paste,
         false},
        {"delete everything without deletes allowed", [&] { grid->SetAllowedOperations(alopUpdateGx); }, &del,
         false},
        {"cut without deletes allowed", [&] { grid->SetAllowedOperations(alopUpdateGx); }, &cut, false},
        {"empty a rectangle without updates allowed",
         [&] {
             grid->SetAllowedOperations(alopDeleteGx);
             grid->SetSelectedIndex(0);
             grid->DoSelection(true, 2, false, false);
             ASSERT_EQ(grid->Selection()->SelectionType(), gstRectangle);
         },
         &del, false},
        {"select all when not allowed", [&] { grid->SetAllowedSelections(SelectionTypeBit(gstRecordBookmarks)); },
         &selectAll, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid->SetReadOnly(false);
        grid->SetAllowedOperations(alopInsertGx | alopUpdateGx | alopDeleteGx | alopAppendGx);
        grid->SetAllowedSelections(SelectionTypeBit(gstRecordBookmarks) | SelectionTypeBit(gstRectangle) |
                                   SelectionTypeBit(gstColumns) | SelectionTypeBit(gstAll));
        Clipboard()->SetAsText("text");
        grid->Selection()->SelectAll();
        c.setUp();
        EXPECT_EQ(Enabled(c.action), c.enabled);
    }

    // An action the grid's EditActions leave out is not the grid's to answer.
    grid->SetEditActions(geaCopyGx);
    EXPECT_FALSE(grid->UpdateAction(&paste));
}

}  // namespace
