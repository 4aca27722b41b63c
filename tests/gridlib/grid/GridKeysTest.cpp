// The grid's keyboard, typed through the application into a shown grid: record moves by page and
// to the ends, the append at the last record and its cancel, tabbing with wrap, delete with its
// confirmation, Esc, F2 and the check-box keys.
#include "GridTestSupport.h"

#include "gui/Forms.h"
#include "gui/WinApi.h"

namespace {

using gridtest::ShownGridTest;

class GridKeysTest : public ShownGridTest {
protected:
    void Key(WORD vk, TShiftState shift = 0) { guitest::Key(vk, shift, grid.get()); }
};

TEST_F(GridKeysTest, RecordsMoveByVisibleRowsAndToTheEnds) {
    Open(60);
    Show();
    const int page = grid->VisibleDataRowCount();
    ASSERT_GT(page, 3);
    ASSERT_LT(page, 30);
    struct Step {
        WORD key;
        TShiftState shift;
        int recNo;
    };
    const Step steps[] = {
        {VK_NEXT, 0, 1 + page},
        {VK_NEXT, 0, 1 + 2 * page},
        {VK_PRIOR, 0, 1 + page},
        {VK_END, ssCtrl, 60},
        {VK_PRIOR, ssCtrl, 60 - (grid->DataLink()->BufferCount() - 1)},
        {VK_NEXT, ssCtrl, 60},
        {VK_HOME, ssCtrl, 1},
        {VK_DOWN, ssCtrl, grid->DataLink()->BufferCount()},
        {VK_UP, ssCtrl, 1},
        {VK_DOWN, 0, 2},
        {VK_UP, 0, 1},
        {VK_UP, 0, 1},
    };
    for (const Step& s : steps) {
        Key(s.key, s.shift);
        EXPECT_EQ(cds.RecNo(), s.recNo) << "key " << s.key << " shift " << s.shift;
        EXPECT_EQ(grid->Row(), grid->TopDataOffset() + grid->DataLink()->ActiveRecord()) << "the current row shows it";
    }
}

TEST_F(GridKeysTest, HomeEndAndArrowsMoveTheColumn) {
    Open(3);
    Show();
    const int first = grid->IndicatorOffset(), last = grid->ColCount() - 1;
    Key(VK_END);
    EXPECT_EQ(grid->Col(), last);
    Key(VK_LEFT);
    EXPECT_EQ(grid->Col(), last - 1);
    Key(VK_HOME);
    EXPECT_EQ(grid->Col(), first);
    Key(VK_LEFT);
    EXPECT_EQ(grid->Col(), first) << "no column before the first";
    Key(VK_RIGHT, ssCtrl);
    EXPECT_EQ(grid->Col(), last);
    EXPECT_EQ(cds.RecNo(), 1) << "column keys leave the record";
}

TEST_F(GridKeysTest, DownAtTheLastRecordAppendsAndUpCancelsTheUntouchedRecord) {
    Open(5);
    Show();
    Key(VK_END, ssCtrl);
    Key(VK_DOWN);
    EXPECT_EQ(cds.State(), dsInsert);
    EXPECT_TRUE(cds.Eof());
    Key(VK_DOWN);
    EXPECT_EQ(cds.State(), dsInsert) << "the untouched new record stays";
    Key(VK_UP);
    EXPECT_EQ(cds.State(), dsBrowse);
    EXPECT_EQ(cds.RecordCount(), 5);
    EXPECT_EQ(cds.RecNo(), 5);

    struct Case {
        const char* name;
        std::function<void()> forbid;
    };
    const Case cases[] = {
        {"read-only grid", [&] { grid->SetReadOnly(true); }},
        {"no editing", [&] { grid->SetOptions(grid->Options() & ~dgEditing); }},
        {"no append", [&] { grid->SetAllowedOperations(alopInsertGx | alopUpdateGx | alopDeleteGx); }},
    };
    for (const Case& c : cases) {
        grid->SetReadOnly(false);
        grid->SetOptions(DefaultDBGridOptions);
        grid->SetAllowedOperations(alopInsertGx | alopUpdateGx | alopDeleteGx | alopAppendGx);
        c.forbid();
        Key(VK_DOWN);
        EXPECT_EQ(cds.State(), dsBrowse) << c.name;
        EXPECT_EQ(cds.RecordCount(), 5) << c.name;
    }
}

TEST_F(GridKeysTest, TabWrapsToTheNextRecordAndShiftTabBack) {
    Open(3);
    Show();
    const int first = grid->IndicatorOffset(), last = grid->ColCount() - 1;
    Key(VK_TAB);
    EXPECT_EQ(grid->Col(), first + 1);
    Key(VK_END);
    Key(VK_TAB);
    EXPECT_EQ(grid->Col(), first);
    EXPECT_EQ(cds.RecNo(), 2) << "past the last column: the next record";
    Key(VK_TAB, ssShift);
    EXPECT_EQ(grid->Col(), last);
    EXPECT_EQ(cds.RecNo(), 1) << "before the first column: the prior record";

    Key(VK_END, ssCtrl);
    Key(VK_END);
    Key(VK_TAB);
    EXPECT_EQ(cds.State(), dsInsert) << "past the last record a record is appended";
    EXPECT_EQ(grid->Col(), first);
    Key(VK_TAB, ssShift);
    EXPECT_EQ(cds.State(), dsBrowse) << "back out of the untouched record";
    EXPECT_EQ(cds.RecNo(), 3);
    EXPECT_EQ(grid->Col(), last);

    // Only one column takes Tab: Tab stays where it is.
    for (int i = 1; i < grid->Columns()->Count(); ++i) grid->Columns()->Items(i)->SetReadOnly(true);
    grid->LayoutChanged();
    ASSERT_FALSE(grid->TabStops(first + 1));
    Key(VK_HOME);
    Key(VK_TAB);
    EXPECT_EQ(grid->Col(), first);
    EXPECT_EQ(cds.RecNo(), 3);
    EXPECT_EQ(cds.State(), dsBrowse);
}

TEST_F(GridKeysTest, CtrlDeleteAsksFirstAndCancelKeepsTheRecord) {
    Open(4);
    Show();
    guitest::MessageBoxRecorder boxes;
    Key(VK_DOWN);
    boxes.Answer(mrCancel);
    Key(VK_DELETE, ssCtrl);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().Text, "Delete record?");
    EXPECT_EQ(cds.RecordCount(), 4);
    boxes.Answer(mrOk);
    Key(VK_DELETE, ssCtrl);
    EXPECT_EQ(boxes.Count(), 2);
    EXPECT_EQ(cds.RecordCount(), 3);
    EXPECT_EQ(cds.FieldByName("ID")->AsInteger(), 3) << "record 2 went";

    grid->SetOptions(grid->Options() & ~dgConfirmDelete);
    Key(VK_DELETE, ssCtrl);
    EXPECT_EQ(boxes.Count(), 2) << "without confirmation no box";
    EXPECT_EQ(cds.RecordCount(), 2);
    grid->SetReadOnly(true);
    Key(VK_DELETE, ssCtrl);
    EXPECT_EQ(cds.RecordCount(), 2) << "a read-only grid deletes nothing";
}

TEST_F(GridKeysTest, EscCancelsTheEditAndF2OpensTheEditor) {
    Open(3);
    Show();
    Key(VK_F2);
    EXPECT_TRUE(grid->EditorMode());
    ASSERT_NE(grid->InplaceEditor(), nullptr);
    EXPECT_TRUE(grid->InplaceEditor()->Visible());
    grid->SetFocus();
    cds.Edit();
    cds.FieldByName("Name")->SetAsString("changed");
    Key(VK_ESCAPE);
    EXPECT_EQ(cds.State(), dsBrowse);
    EXPECT_NE(cds.FieldByName("Name")->AsString(), "changed");
    EXPECT_FALSE(grid->InplaceEditor()->Visible()) << "Esc hides the editor";
}

class CheckBoxKeysTest : public GridKeysTest {
protected:
    void SetUp() override {
        GridKeysTest::SetUp();
        cds.FieldDefs()->Add("ID", ftInteger, 0, true);
        cds.FieldDefs()->Add("Flag", ftBoolean);
        cds.CreateDataSet();
        for (int i = 1; i <= 3; ++i) cds.AppendRecord({Variant(i), Variant(false)});
        cds.First();
        grid->SetDataSource(&source);
        flag = grid->GetFieldColumns("Flag");
        flag->SetCheckboxes(true);
        Show();
        grid->SetSelectedIndex(flag->Index());
    }
    TColumnGx* flag = nullptr;
};

TEST_F(CheckBoxKeysTest, SpaceStepsTheValueAndDeleteEmptiesAFieldThatMayBeEmpty) {
    Key(VK_SPACE);
    EXPECT_TRUE(cds.FieldByName("Flag")->AsBoolean());
    Key(VK_SPACE, ssShift);
    EXPECT_FALSE(cds.FieldByName("Flag")->AsBoolean());
    EXPECT_FALSE(grid->InplaceEditor() && grid->InplaceEditor()->Visible()) << "the space opens no editor";

    Key(VK_DELETE);
    EXPECT_TRUE(cds.FieldByName("Flag")->IsNull());
    cds.Post();
    cds.FieldByName("Flag")->SetRequired(true);
    Key(VK_SPACE);
    Key(VK_DELETE);
    EXPECT_FALSE(cds.FieldByName("Flag")->IsNull()) << "a required field keeps its value";
}

}  // namespace

namespace {

// What is typed into a cell stays when Tab leaves it for the next column, and the row posts both.
TEST_F(GridKeysTest, TextTypedIntoACellIsKeptWhenTabMovesOn) {
    Open(3);
    Show();
    grid->SetSelectedIndex(1);  // Name
    guitest::Type("x", grid.get());
    ASSERT_TRUE(grid->EditorMode());
    guitest::Type("yz", grid->InplaceEditor());
    // the keys go where the user's would: to the editor, which holds the focus
    guitest::Key(VK_TAB, 0, grid->InplaceEditor());
    EXPECT_EQ(grid->SelectedIndex(), 2);
    EXPECT_EQ(cds.FieldByName("Name")->AsString(), "xyz");
    Key(VK_DOWN);
    EXPECT_EQ(cds.State(), dsBrowse);
    cds.First();
    EXPECT_EQ(cds.FieldByName("Name")->AsString(), "xyz");
}

}  // namespace
