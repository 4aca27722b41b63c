// The grid's spine over client datasets: the column set and the field map, the dataset's events,
// the option mapping, the saved position and the editing flow into the field.
#include "GridTestSupport.h"

#include "gui/WinApi.h"

namespace {

using gridtest::GridTest;

TEST_F(GridTest, ColumnsFollowTheVisibleFieldsUntilTheSetIsCustomized) {
    Open(3);
    EXPECT_EQ(FieldNames(), "ID,Name,Amount");
    EXPECT_EQ(grid->Columns()->State(), csDefault);
    EXPECT_EQ(grid->ColCount(), 4);  // the indicator and one column per field

    cds.FieldByName("Name")->SetVisible(false);
    EXPECT_EQ(FieldNames(), "ID,Amount") << "a hidden field leaves the default set";

    // One stored column makes the set customized: the columns made from fields go.
    grid->Columns()->Add()->SetFieldName("Name");
    EXPECT_EQ(grid->Columns()->State(), csCustomized);
    EXPECT_EQ(FieldNames(), "Name");
    EXPECT_EQ(grid->Columns()->Items(0)->Field(), cds.FieldByName("Name")) << "a stored column shows a hidden field";

    cds.Close();
    EXPECT_EQ(FieldNames(), "Name") << "kept while the dataset is closed";
}

TEST_F(GridTest, AColumnWhoseFieldIsMissingStaysEmpty) {
    Open(3);
    grid->Columns()->Add()->SetFieldName("ID");
    grid->Columns()->Add()->SetFieldName("Nope");
    EXPECT_EQ(grid->GetFieldCount(), 2);
    EXPECT_TRUE(grid->ValidFieldIndex(0));
    EXPECT_FALSE(grid->ValidFieldIndex(1));
    EXPECT_EQ(grid->DataLink()->GetMappedIndex(1), -1);
    EXPECT_FALSE(grid->DataLink()->GetDefaultFields());
    TColumnGx* missing = grid->Columns()->Items(1);
    EXPECT_EQ(missing->Field(), nullptr);
    EXPECT_EQ(missing->DisplayText(), "");
    EXPECT_EQ(missing->Title()->Caption(), "Nope");
    EXPECT_EQ(missing->Width(), grid->DefaultColWidth());
}

TEST_F(GridTest, WithoutVisibleFieldsOrDataOneEmptyColumnStands) {
    grid->LayoutChanged();
    EXPECT_EQ(grid->Columns()->Count(), 1) << "no data source";
    EXPECT_EQ(grid->ColCount(), 2);
    Open(2);
    for (int i = 0; i < cds.FieldCount(); ++i) cds.Fields()->Fields(i)->SetVisible(false);
    ASSERT_EQ(grid->Columns()->Count(), 1);
    EXPECT_EQ(grid->Columns()->Items(0)->Field(), nullptr);
    EXPECT_FALSE(grid->Columns()->Items(0)->StoredFlag());
    EXPECT_EQ(grid->ColCount(), 2);
}

TEST_F(GridTest, DatasetEventsReachTheRecordWindowWithoutMovingTheCursor) {
    Open(100);
    const int top = grid->TopDataOffset();
    const int window = grid->DataLink()->BufferCount();
    ASSERT_GT(window, 1);
    ASSERT_LT(window, 100);
    EXPECT_EQ(grid->RowCount(), top + window) << "open: one data row per buffered record";
    EXPECT_EQ(grid->Row(), top);

    cds.MoveBy(window + 10);  // more than a page
    const int active = grid->DataLink()->ActiveRecord();
    EXPECT_EQ(grid->Row(), top + active);
    EXPECT_EQ(grid->DataRowToRecNo(active), window + 11);
    EXPECT_EQ(grid->DataRowToRecNo(0), window + 11 - active);
    EXPECT_EQ(cds.RecNo(), window + 11) << "reading another row leaves the cursor";

    TColumnGx* name = grid->Columns()->Items(1);
    cds.Edit();
    cds.FieldByName("Name")->SetAsString("changed");
    EXPECT_EQ(name->DisplayText(), "changed");
    cds.Post();
    grid->DataLink()->SetActiveRecord(0);
    EXPECT_EQ(name->DisplayText(), "Row " + std::to_string(window + 11 - active));
    grid->DataLink()->SetActiveRecord(active);
    EXPECT_EQ(name->DisplayText(), "changed");

    cds.Close();
    EXPECT_EQ(grid->Columns()->Count(), 1) << "closed: one empty column";
    EXPECT_EQ(grid->RowCount(), top + 1);
}

TEST_F(GridTest, OptionsMapOntoTheBaseGrid) {
    struct Case {
        TDBGridOptions set;
        TDBGridOptions stored;
        TGridOptions base;
    };
    const Case cases[] = {
        {dgColLines | dgRowLines, dgColLines | dgRowLines, goFixedVertLine | goVertLine | goFixedHorzLine | goHorzLine},
        {dgColumnResize | dgTabs, dgColumnResize | dgTabs, goColSizing | goColMoving | goTabs},
        {dgEditing | dgAlwaysShowEditor, dgEditing | dgAlwaysShowEditor, goEditing | goAlwaysShowEditor},
        {dgRowSelect | dgEditing | dgAlwaysShowEditor | dgTitles, dgRowSelect | dgTitles, goRowSelect},
    };
    for (const Case& c : cases) {
        grid->SetOptions(c.set);
        EXPECT_EQ(grid->Options(), c.stored) << c.set;
        EXPECT_EQ(grid->GridOptions(), c.base) << c.set;
    }
    grid->SetRowSizingAllowed(true);
    grid->SetOptions(dgTitles);
    EXPECT_EQ(grid->GridOptions(), static_cast<TGridOptions>(goRowSizing));
}

TEST_F(GridTest, FooterAndFrozenCountsIgnoreNegativeValues) {
    grid->SetFooterRowCount(2);
    grid->SetFooterRowCount(-1);
    EXPECT_EQ(grid->FooterRowCount(), 2);
    grid->SetFrozenCols(1);
    grid->SetFrozenCols(-3);
    EXPECT_EQ(grid->FrozenCols(), 1);
    grid->SetRowHeight(-5);
    EXPECT_EQ(grid->RowHeight(), 0);
}

// The grid's client area sized so that the data link buffers `rows` records.
void SizeForRows(gridtest::TestGrid& g, int rows) {
    const int line = g.GridLineWidth();
    g.SetClientHeight(g.TitleRowHeight() + line + rows * (g.DefaultRowHeight() + line));
    g.LayoutChanged();
}

TEST_F(GridTest, SavedPositionComesBackToTheSamePlaceInTheWindow) {
    Open(30);
    struct Case {
        int window, active, offset;
    };
    for (const Case& c : {Case{7, 5, 2}, Case{6, 5, 3}}) {
        SizeForRows(*grid, c.window);
        ASSERT_EQ(grid->DataLink()->BufferCount(), c.window);
        cds.First();
        cds.MoveBy(10);
        while (grid->DataLink()->ActiveRecord() < c.active) cds.Next();
        while (grid->DataLink()->ActiveRecord() > c.active) cds.Prior();
        ASSERT_EQ(grid->DataLink()->ActiveRecord(), c.active);
        const int recNo = cds.RecNo();
        grid->SaveBookmark();
        EXPECT_EQ(grid->SavedBookmarkOffset(), c.offset) << c.window;
        EXPECT_EQ(cds.RecNo(), recNo);
        cds.Last();
        grid->RestoreBookmark();
        EXPECT_EQ(cds.RecNo(), recNo) << c.window;
    }
}

TEST_F(GridTest, ValueFromThePreviousRecord) {
    Open(5);
    grid->SetSelectedIndex(1);
    grid->SetValueFromPrevRecord();
    EXPECT_EQ(cds.State(), dsBrowse) << "the first record of the window has none before it";
    cds.MoveBy(2);
    grid->SetValueFromPrevRecord();
    EXPECT_EQ(cds.FieldByName("Name")->AsString(), "Row 2");
    EXPECT_EQ(cds.RecNo(), 3);
}

// ---- The editing flow, per column type ----------------------------------------------------------------

class EditFlowTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        cds.FieldDefs()->Add("ID", ftInteger, 0, true);
        cds.FieldDefs()->Add("Code", ftString, 10);
        cds.FieldDefs()->Add("Kind", ftString, 10);
        cds.FieldDefs()->Add("Plain", ftString, 10);
        cds.CreateDataSet();
        cds.AppendRecord({Variant(1), Variant("1"), Variant("coal"), Variant("x")});
        cds.First();
        grid->SetDataSource(&source);
        keyed = grid->Columns()->Add();
        keyed->SetFieldName("Code");
        keyed->KeyList()->SetText("1\n2");
        keyed->PickList()->SetText("One\nTwo");
        picked = grid->Columns()->Add();
        picked->SetFieldName("Kind");
        picked->PickList()->SetText("coal\nwater");
        plain = grid->Columns()->Add();
        plain->SetFieldName("Plain");
    }
    // Types text into a column's cell and posts the record.
    void Enter(TColumnGx* column, const AnsiString& text) {
        grid->SetSelectedIndex(column->Index());
        grid->Type(text);
        cds.Post();
    }
    TColumnGx* keyed = nullptr;
    TColumnGx* picked = nullptr;
    TColumnGx* plain = nullptr;
};

TEST_F(EditFlowTest, TextsGoIntoTheFieldByColumnType) {
    EXPECT_EQ(keyed->GetColumnType(), ctKeyPickList);
    EXPECT_EQ(picked->GetColumnType(), ctPickList);
    grid->SetSelectedIndex(keyed->Index());
    EXPECT_EQ(grid->GetEditText(grid->Col(), grid->Row()), "One") << "a key shows as its pick";

    Enter(keyed, "Two");
    EXPECT_EQ(cds.FieldByName("Code")->AsString(), "2");
    Enter(keyed, "Three");
    EXPECT_TRUE(cds.FieldByName("Code")->IsNull()) << "not in the pick list, no OnNotInList: Null";

    std::vector<std::string> heard;
    keyed->OnNotInList = TNotInListEventGx([&](TObject*, const AnsiString& text, bool& recheck) {
        heard.push_back(text.str());
        keyed->PickList()->Add(text);
        keyed->KeyList()->Add("3");
        recheck = true;
    });
    Enter(keyed, "Three");
    EXPECT_EQ(cds.FieldByName("Code")->AsString(), "3") << "added by OnNotInList and found again";
    EXPECT_EQ(heard, std::vector<std::string>{"Three"});

    Enter(picked, "sand");
    EXPECT_EQ(cds.FieldByName("Kind")->AsString(), "sand") << "a pick list takes any text";
    Enter(plain, "text");
    EXPECT_EQ(cds.FieldByName("Plain")->AsString(), "text");
}

TEST_F(EditFlowTest, ColumnValueHooksSeeAndReplaceTheWrite) {
    plain->OnUpdateData = TColCellUpdateDataEventGx(
        [](TObject*, AnsiString& text, Variant&, bool&, bool&) { text = text + "!"; });
    Enter(plain, "hi");
    EXPECT_EQ(cds.FieldByName("Plain")->AsString(), "hi!");
    plain->OnGetCellParams().Assigned();
    plain->SetOnGetCellParams(TGetColCellParamsEventGx(
        [](TObject*, bool editMode, TColCellParamsGx* p) { if (editMode) p->Text = "<" + p->Text + ">"; }));
    grid->SetSelectedIndex(plain->Index());
    EXPECT_EQ(grid->GetEditText(grid->Col(), grid->Row()), "<hi!>");
}

TEST_F(EditFlowTest, NoEditorOnCheckBoxAndKeyImageColumns) {
    grid->SetOptions(grid->Options() | dgAlwaysShowEditor);
    grid->SetSelectedIndex(plain->Index());
    grid->SetEditorMode(true);
    EXPECT_TRUE(grid->CanEditShow());
    ASSERT_NE(grid->InplaceEditor(), nullptr);
    EXPECT_TRUE(grid->InplaceEditor()->Visible());
    plain->SetCheckboxes(true);
    EXPECT_FALSE(grid->CanEditShow());
    EXPECT_FALSE(grid->InplaceEditor()->Visible()) << "the editor is hidden as well";
    EXPECT_FALSE(grid->CanEditModify()) << "a check box changes by clicks, not by text";
}

TEST_F(EditFlowTest, ReadOnlyRulesStopTheEdit) {
    grid->SetSelectedIndex(plain->Index());
    struct Case {
        const char* name;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"grid", [&] { grid->SetReadOnly(true); }},
        {"column", [&] { plain->SetReadOnly(true); }},
        {"field", [&] { cds.FieldByName("Plain")->SetReadOnly(true); }},
        {"operations", [&] { grid->SetAllowedOperations(alopInsertGx); }},
    };
    for (const Case& c : cases) {
        grid->SetReadOnly(false);
        plain->SetReadOnly(false);
        cds.FieldByName("Plain")->SetReadOnly(false);
        grid->SetAllowedOperations(alopInsertGx | alopUpdateGx | alopDeleteGx | alopAppendGx);
        EXPECT_TRUE(plain->CanModify(false)) << c.name;
        c.make();
        EXPECT_FALSE(plain->CanModify(false)) << c.name;
        EXPECT_FALSE(grid->CanEditModify()) << c.name;
        EXPECT_EQ(cds.State(), dsBrowse) << c.name;
    }
}

TEST_F(GridTest, TypedCharactersAreJudgedByTheField) {
    Open(2);
    struct Case {
        int column;
        WideChar key;
        bool taken;
    };
    for (const Case& c : {Case{0, L'5', true}, Case{0, L'x', false}, Case{0, L'Ж', false}, Case{1, L'Ж', true},
                          Case{1, L'x', true}}) {
        grid->SetSelectedIndex(c.column);
        EXPECT_EQ(grid->CanEditAcceptKey(c.key), c.taken) << c.column << " " << static_cast<int>(c.key);
    }
}

TEST_F(GridTest, FieldColumnLookupByName) {
    Open(2);
    EXPECT_EQ(grid->GetFieldColumns("name"), grid->Columns()->Items(1));
    try {
        grid->GetFieldColumns("Other");
        FAIL() << "no such column";
    } catch (const EInvalidGridOperation& e) {
        EXPECT_EQ(e.Message(), "Имя поля 'Other' не найдено");
    }
}

TEST_F(GridTest, FieldMapGrowsByDoubling) {
    Open(1);
    TGridDataLinkGx* link = grid->DataLink();
    link->ClearMapping();
    link->SetSparseMap(true);
    std::vector<int> capacities;
    for (int i = 0; i < 17; ++i) {
        link->AddMapping("ID");
        capacities.push_back(link->MapCapacity());
    }
    EXPECT_EQ(capacities.front(), 8);
    EXPECT_EQ(capacities[8], 16);
    EXPECT_EQ(capacities.back(), 32);
}

}  // namespace

namespace {

using gridtest::GridTest;

TEST_F(GridTest, TheGridsCursorsAreTheProgramsResources) {
    for (const char* name : {"DOWNCURGX", "RIGHTCURGX", "LEFTCURGX"})
        EXPECT_NE(LoadCursor(HInstance, name), nullptr) << name;
    EXPECT_EQ(DBGridGxColSelectCursor, LoadCursor(HInstance, "DOWNCURGX"));
    EXPECT_EQ(DBGridGxFindDialogKey, ShortCut('F', ssCtrl));
    EXPECT_EQ(DBGridGxSetValueFromPrevRecordKey, ShortCut(222, ssCtrl));
}

}  // namespace
