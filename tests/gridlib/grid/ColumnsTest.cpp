// Columns and titles: values that follow their defaults until set, display texts with key lists and
// formats, check boxes, stepping values, sort marking, and the column defaults of the grid.
#include "GridTestSupport.h"

#include "gui/WinApi.h"

#include <vector>

namespace {

using gridtest::GridTest;

class ColumnValuesTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        cds.FieldDefs()->Add("ID", ftInteger);
        cds.FieldDefs()->Add("Code", ftString, 10);
        cds.FieldDefs()->Add("Value", ftFloat);
        cds.CreateDataSet();
        cds.AppendRecord({Variant(1), Variant("1"), Variant(2.0)});
        cds.First();
        grid->SetDataSource(&source);
    }
    TColumnGx* Column(const char* field) {
        TColumnGx* c = grid->Columns()->Add();
        c->SetFieldName(field);
        return c;
    }
    void Set(const char* field, const Variant& v) {
        cds.Edit();
        cds.FieldByName(field)->SetValue(v);
        cds.Post();
    }
};

TEST_F(ColumnValuesTest, ValuesFollowTheirDefaultsUntilSet) {
    TColumnGx* c = Column("Value");
    EXPECT_EQ(c->Color(), grid->Color());
    grid->SetColor(clYellow);
    EXPECT_EQ(c->Color(), clYellow) << "follows the grid";
    EXPECT_FALSE(c->IsColorStored());
    c->SetColor(clRed);
    grid->SetColor(clWhite);
    EXPECT_EQ(c->Color(), clRed);

    EXPECT_EQ(c->Title()->Color(), grid->FixedColor());
    grid->SetFixedColor(clGray);
    EXPECT_EQ(c->Title()->Color(), clGray) << "titles follow the fixed colour";

    EXPECT_EQ(c->Title()->Alignment(), taLeftJustify);
    grid->SetUseMultiTitle(true);
    EXPECT_EQ(c->Title()->Alignment(), taCenter) << "centred under multi-level titles";
    grid->ColumnDefValues()->Title()->SetAlignment(taLeftJustify);
    EXPECT_EQ(c->Title()->Alignment(), taLeftJustify);

    const int width = c->Width();
    EXPECT_EQ(width, 7 * cds.FieldByName("Value")->DisplayWidth() + 4) << "the field's width in digits";
    c->SetWidth(width);
    EXPECT_FALSE(c->IsAssigned(cvWidth)) << "the default width keeps it following";
    c->SetWidth(-1);
    EXPECT_EQ(c->Width(), width);
    c->SetMaxWidth(50);
    EXPECT_EQ(c->Width(), 50);
    c->SetWidth(80);
    EXPECT_EQ(c->Width(), 50);

    c->Font()->SetSize(12);
    EXPECT_TRUE(c->IsAssigned(cvFont));
    EXPECT_EQ(c->Title()->Font()->Size(), grid->TitleFont()->Size()) << "the title keeps the grid's title font";

    TColumnGx* copy = grid->Columns()->Add();
    copy->Assign(c);
    EXPECT_EQ(copy->FieldName(), "Value");
    EXPECT_EQ(copy->Color(), clRed);
    EXPECT_EQ(copy->Width(), 50);
    c->RestoreDefaults();
    grid->SetColor(clAqua);
    EXPECT_EQ(c->Color(), clAqua);
    TColumnGx* fresh = grid->Columns()->Add();
    fresh->Assign(c);
    EXPECT_FALSE(fresh->IsAssigned(cvColor)) << "an unset colour is not copied";
}

TEST_F(ColumnValuesTest, PassThroughColumnsWriteIntoTheirField) {
    grid->Columns()->Clear();
    grid->LayoutChanged();
    TColumnGx* code = grid->Columns()->Items(1);
    ASSERT_FALSE(code->StoredFlag());
    code->Title()->SetCaption("Код");
    EXPECT_EQ(cds.FieldByName("Code")->DisplayLabel(), "Код");
    code->SetAlignment(taCenter);
    EXPECT_EQ(cds.FieldByName("Code")->Alignment(), taCenter);
    code->SetReadOnly(true);
    EXPECT_TRUE(cds.FieldByName("Code")->ReadOnly());
    code->SetWidth(7 * 5 + 4);
    EXPECT_EQ(cds.FieldByName("Code")->DisplayWidth(), 5);
    EXPECT_EQ(grid->Columns()->Items(1)->Width(), 7 * 5 + 4);
}

TEST_F(ColumnValuesTest, KeyListsShowTheirPicks) {
    TColumnGx* c = Column("Code");
    c->KeyList()->SetText("1\n2");
    c->PickList()->SetText("One\nTwo");
    struct Case {
        const char* value;
        int notInKeyList;
        const char* shown;
    };
    for (const Case& k : {Case{"1", -1, "One"}, Case{"2", -1, "Two"}, Case{"3", -1, ""}, Case{"3", 0, "One"},
                          Case{"3", 2, ""}}) {
        Set("Code", Variant(k.value));
        c->SetNotInKeyListIndex(k.notInKeyList);
        EXPECT_EQ(c->DisplayText(), k.shown) << k.value << " " << k.notInKeyList;
    }
}

TEST_F(ColumnValuesTest, CheckBoxesFromKeyLists) {
    TColumnGx* c = Column("Code");
    c->SetCheckboxes(true);
    c->KeyList()->SetText("1;Y\n0;N");
    struct Case {
        Variant value;
        TCheckBoxState state;
    };
    for (const Case& k : {Case{Variant("1"), cbChecked}, Case{Variant("y"), cbChecked}, Case{Variant("0"), cbUnchecked},
                          Case{Variant("n"), cbUnchecked}, Case{Variant("5"), cbGrayed}, Case{Null(), cbGrayed}}) {
        Set("Code", k.value);
        EXPECT_EQ(c->CheckboxState(), k.state) << VarToStr(k.value);
    }
    cds.Edit();
    c->SetCheckboxState(cbChecked);
    EXPECT_EQ(cds.FieldByName("Code")->AsString(), "1") << "the first value of the checked item";
    c->SetCheckboxState(cbUnchecked);
    EXPECT_EQ(cds.FieldByName("Code")->AsString(), "0");
    c->SetCheckboxState(cbGrayed);
    EXPECT_TRUE(cds.FieldByName("Code")->IsNull());
    cds.Cancel();
}

TEST_F(ColumnValuesTest, DisplayFormatsOfTheScreens) {
    TColumnGx* c = Column("Value");
    c->SetDisplayFormat("# ### ##0.0 ;-# ### ##0.0 ;  ;");
    struct Case {
        Variant value;
        const char* shown;
    };
    for (const Case& k : {Case{Variant(1234567.89), "1 234 567,9 "}, Case{Variant(-7654321.0), "-7 654 321,0 "},
                          Case{Variant(0.0), "  "}, Case{Null(), ""}}) {
        Set("Value", k.value);
        EXPECT_EQ(c->DisplayText(), k.shown) << VarToStr(k.value);
    }
    c->SetDisplayFormat("### ##0.000");
    Set("Value", Variant(123456.7891));
    EXPECT_EQ(c->DisplayText(), "123 456,789");
    c->SetDisplayFormat("");
    EXPECT_EQ(c->DisplayText(), cds.FieldByName("Value")->DisplayText());

    cds.Close();
    auto* sum = new TAggregateField(&cds);
    sum->SetFieldName("Total");
    sum->SetExpression("SUM(Value)");
    sum->SetDataSet(&cds);
    cds.CreateDataSet();
    cds.SetAggregatesActive(true);
    cds.AppendRecord({Variant(1), Variant("1"), Variant(12.3456)});
    TColumnGx* total = grid->Columns()->Add();
    total->SetField(sum);
    total->SetDisplayFormat("0.0");
    EXPECT_EQ(total->DisplayText(), "12,3") << "an aggregate of floats takes the number format";
}

TEST_F(ColumnValuesTest, SteppingValues) {
    TColumnGx* picks = Column("Code");
    picks->PickList()->SetText("a\nb\nc");
    TColumnGx* number = Column("Value");
    TColumnGx* id = Column("ID");
    struct Case {
        TColumnGx* column;
        const char* field;
        Variant before;
        double increment;
        Variant after;
    };
    const Case cases[] = {
        {picks, "Code", Variant("c"), 1, Variant("a")},    // from the last item to the first
        {picks, "Code", Variant("x"), -1, Variant("c")},   // not in the list: backward to the last
        {picks, "Code", Variant("b"), 0.5, Variant("a")},  // anything but 1 steps backward
        {picks, "Code", Variant("a"), 1, Variant("b")},
        {id, "ID", Null(), 1, Variant(0)},                 // Null counts as -1: the first step gives 0
        {number, "Value", Variant(2.0), 0.5, Variant(2.5)},
    };
    for (const Case& k : cases) {
        Set(k.field, k.before);
        grid->SetSelectedIndex(k.column->Index());
        k.column->SetNextFieldValue(k.increment);
        cds.Post();
        EXPECT_EQ(VarToStr(cds.FieldByName(k.field)->AsVariant()), VarToStr(k.after))
            << k.field << " " << VarToStr(k.before) << " " << k.increment;
    }
    grid->SetReadOnly(true);
    Set("ID", Variant(4));
    id->SetNextFieldValue(1);
    EXPECT_EQ(cds.State(), dsBrowse) << "a read-only grid steps nothing";
    EXPECT_EQ(cds.FieldByName("ID")->AsInteger(), 4);
}

TEST_F(ColumnValuesTest, SortMarkersKeepTheirIndexes) {
    grid->SetOptionsGx(grid->OptionsGx() | dghMultiSortMarking);
    TColumnGx* a = Column("ID");
    TColumnGx* b = Column("Code");
    TColumnGx* c = Column("Value");
    auto indexes = [&] {
        return std::to_string(a->Title()->SortIndex()) + std::to_string(b->Title()->SortIndex()) +
               std::to_string(c->Title()->SortIndex());
    };
    auto order = [&] {
        std::string s;
        for (int i = 0; i < grid->SortMarkedColumns()->Count(); ++i)
            s += grid->SortMarkedColumns()->GetColumn(i)->FieldName().str().substr(0, 1);
        return s;
    };
    for (TColumnGx* col : {a, b, c}) col->Title()->SetSortMarker(smDownGx);
    EXPECT_EQ(indexes(), "123");
    b->Title()->SetSortMarker(smNoneGx);
    EXPECT_EQ(indexes(), "102");
    c->Title()->SetSortIndex(1);
    EXPECT_EQ(indexes(), "201") << "swapped with A";
    EXPECT_EQ(order(), "VI");
    c->Title()->SetSortIndex(5);
    EXPECT_EQ(indexes(), "201") << "no column has 5";

    b->Title()->SetSortMarker(smUpGx);
    EXPECT_EQ(indexes(), "231");
    grid->SetOptionsGx(grid->OptionsGx() & ~dghMultiSortMarking);
    EXPECT_EQ(c->Title()->SortMarker(), smDownGx) << "the first of the sort order keeps its marker";
    EXPECT_EQ(a->Title()->SortMarker(), smNoneGx);
    EXPECT_EQ(b->Title()->SortMarker(), smNoneGx);

    a->Title()->SetSortMarker(smUpGx);  // single marking: the others are cleared
    EXPECT_EQ(indexes(), "100");
    EXPECT_EQ(c->Title()->SortMarker(), smNoneGx);
    a->Title()->SetNextSortMarkerValue(false);
    EXPECT_EQ(a->Title()->SortMarker(), smDownGx) << "up wraps to down without Ctrl";

    grid->Columns()->BeginUpdate();
    b->Title()->SetSortMarker(smUpGx);
    grid->Columns()->EndUpdate();
    EXPECT_EQ(b->Title()->SortIndex(), 0) << "inside an update only the marker is stored";

}

TEST_F(ColumnValuesTest, SortMarkingWidthShrinksWithTheColumn) {
    TColumnGx* a = Column("ID");
    a->Title()->SetSortMarker(smDownGx);
    a->SetWidth(20);
    EXPECT_EQ(a->Title()->GetSortMarkingWidth(), 16);
    a->SetWidth(16);
    EXPECT_EQ(a->Title()->GetSortMarkingWidth(), 2) << "the glyph is dropped";
    TColumnGx* b = Column("Code");
    b->Title()->SetSortMarker(smDownGx);
    EXPECT_EQ(b->Title()->SortIndex(), 1) << "single marking: one column marked";
}

TEST_F(ColumnValuesTest, DropDownBoxReachesTheLookupGridOfItsOwner) {
    // What the lookup unit's columns provide: a lookup grid made on first use.
    class Owner : public TPersistent, public ILookupGridOwner {
    public:
        std::unique_ptr<TDBGridGx> made;
        TDBLookupGridGxOptions options = dlgColLinesGx;
        void SetDropDownBoxListSource(TDataSource*) override {}
        TCustomDBGridGx* GetLookupGrid() override {
            if (!made) made = std::make_unique<TDBGridGx>(nullptr);
            return made.get();
        }
        TDBLookupGridGxOptions GetOptions() override { return options; }
        void SetOptions(TDBLookupGridGxOptions o) override { options = o; }
    };
    Owner first, second;
    TColumnDropDownBoxGx box(&first), other(&second);
    EXPECT_EQ(box.Columns(), box.Columns());
    ASSERT_NE(box.Columns(), nullptr);
    EXPECT_FALSE(box.StoreColumns());
    box.Columns()->Add()->SetFieldName("Name");
    EXPECT_TRUE(box.StoreColumns());
    other.Columns()->Add()->SetFieldName("Other");
    other.Assign(&box);
    EXPECT_EQ(other.Columns()->Count(), 1);
    EXPECT_EQ(other.Columns()->Items(0)->FieldName(), "Name");
    box.Columns()->Clear();
    other.Assign(&box);
    EXPECT_EQ(other.Columns()->State(), csDefault) << "default columns of the source clear the target's";
    EXPECT_EQ(other.Columns()->Items(0)->FieldName(), "");

    // A grid column makes its drop-down lookup grid on first use and keeps it.
    TColumnGx* plain = Column("ID");
    ASSERT_NE(plain->DropDownBox()->Columns(), nullptr);
    EXPECT_EQ(plain->DropDownBox()->Columns(), plain->DropDownBox()->Columns());
    EXPECT_EQ(plain->DropDownBox()->Options(), dlgColLinesGx);
    plain->DropDownBox()->SetOptions(dlgColLinesGx | dlgRowLinesGx);
    EXPECT_EQ(plain->DropDownBox()->Options(), dlgColLinesGx | dlgRowLinesGx);
}

TEST_F(ColumnValuesTest, EditButtonsWidthOfACell) {
    const int bar = GetSystemMetrics(SM_CXVSCROLL), flat = FlatButtonWidth + 1;
    struct Button {
        int width;
        bool visible;
    };
    struct Case {
        const char* name;
        bool flatGrid;
        TColumnButtonStyleGx style;
        std::vector<Button> buttons;
        int expected;
    } cases[] = {
        {"nothing to show", false, cbsNone, {}, 0},
        {"the main button is as wide as a scroll bar", false, cbsEllipsis, {}, bar},
        {"edit buttons alone, hidden ones left out", false, cbsNone, {{0, true}, {10, true}, {25, false}}, bar + 10},
        {"a flat grid adds a pixel after every button", true, cbsUpDown, {{0, true}, {10, true}},
         flat + (flat + 1) + (10 + 1)},
        {"a pick list gives a main button", false, cbsAuto, {}, bar},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid->Columns()->Clear();
        grid->SetFlat(c.flatGrid);
        TColumnGx* col = Column("Code");
        col->SetButtonStyle(c.style);
        if (c.style == cbsAuto) col->PickList()->SetCommaText("1,2");
        for (const Button& b : c.buttons) {
            TEditButtonGx* e = col->EditButtons()->Add();
            e->SetWidth(b.width);
            e->SetVisible(b.visible);
        }
        EXPECT_EQ(col->EditButtonsWidth(), c.expected);
    }
}

TEST_F(ColumnValuesTest, OptimizeWidthFitsThatColumnAlone) {
    Set("Code", "ABCDEFGHIJ");
    TColumnGx* code = Column("Code");
    TColumnGx* id = Column("ID");
    code->SetWidth(20);
    id->SetWidth(20);
    code->OptimizeWidth();
    EXPECT_EQ(code->Width(), 10 * 7 + 4) << "the widest value";
    EXPECT_EQ(id->Width(), 20) << "the other columns keep theirs";
}

using ColumnDropDownTest = gridtest::ShownGridTest;

TEST_F(ColumnDropDownTest, DropDownOpensTheShownEditorOnly) {
    Open(3);
    grid->SetOptions(grid->Options() | dgEditing);
    Show();
    TColumnGx* name = grid->GetFieldColumns("Name");
    name->PickList()->SetCommaText("Apple,Banana");
    grid->SetSelectedIndex(name->Index());

    name->DropDown();
    EXPECT_FALSE(grid->EditorMode()) << "a hidden editor is not shown by it";
    TDBGridInplaceEdit* before = grid->DBInplaceEditor();
    EXPECT_FALSE(before && before->ListVisible());

    grid->ShowEditor();
    TDBGridInplaceEdit* e = grid->DBInplaceEditor();
    ASSERT_NE(e, nullptr);
    ASSERT_FALSE(e->ListVisible());
    name->DropDown();
    EXPECT_TRUE(e->ListVisible());
}

}  // namespace
