// The grid's filter row over a client dataset that filters itself: opening the editor by key and by
// press, typing and Enter, leaving the row, moving between filterable columns, the drop-down's entries
// and its remembered size, a choice of list records keeping its keys, the sort-marked columns and
// the painted filter cells.
#include "GridTestSupport.h"

#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "gui/WinApi.h"

#include <vector>

namespace {

using gridtest::ShownGridTest;

// The client dataset filters with its own Filter text through the SQL features' local path.
class FeaturesScope {
public:
    FeaturesScope() { RegisterDatasetFeaturesGx(DatasetFeaturesClassOf<TSQLDatasetFeaturesGx>(), TClientDataSet::StaticClass()); }
    ~FeaturesScope() { UnregisterDatasetFeaturesGx(TClientDataSet::StaticClass()); }
};

class GridFilterRowTest : public ShownGridTest {
protected:
    void SetUp() override {
        ShownGridTest::SetUp();
        Resize(420, 240);
        grid->STFilter()->SetLocal(true);
        grid->STFilter()->SetVisible(true);
    }
    void TearDown() override {
        DBGridGxDataService->OnSortRequest = TDBGridGxRequestEvent();
        DBGridGxDefaultStyle()->SetApplyFilterOnCloseUp(false);
        ShownGridTest::TearDown();
    }
    TInplaceFilterEditGx* Editor() const { return grid->FilterEdit(); }
    bool EditorShown() const { return Editor() && Editor()->GetVisible(); }
    TSTColumnFilterGx* Filter(int col) const { return grid->Columns()->Items(col)->STFilter(); }
    std::vector<int> Ids() {
        std::vector<int> ids;
        for (cds.First(); !cds.Eof(); cds.Next()) ids.push_back(cds.FieldByName("ID")->AsInteger());
        cds.First();
        return ids;
    }
    FeaturesScope features;
};

TEST_F(GridFilterRowTest, TypingAndEnterFilterTheRowsAndTheEditorStaysUntilDown) {
    Open(10);
    grid->SetFixedColor(RGB(200, 200, 200));
    Show();
    EXPECT_EQ(grid->TopDataOffset(), 2) << "the filter row is the last title row";

    guitest::Key(VK_UP, 0, grid.get());
    ASSERT_TRUE(grid->FilterEditMode()) << "Up at the first record opens the filter row";
    EXPECT_EQ(grid->FilterEditCol(), 0);
    ASSERT_TRUE(EditorShown());
    TRect cell = grid->CellRect(grid->DataToRawColumn(0), 1);
    cell.Left += 1;
    EXPECT_EQ(Editor()->BoundsRect(), cell);
    EXPECT_FALSE(Editor()->EditButton()->Visible()) << "free typing without a list";
    EXPECT_EQ(Editor()->Color(), RGB(225, 225, 225)) << "the fixed colour lightened by an eighth";
    EXPECT_EQ(Editor()->Font()->Color(), RGB(0, 0, 255));

    guitest::Type("> 7", Editor());
    guitest::Key(VK_RETURN, 0, Editor());
    EXPECT_EQ(Ids(), (std::vector<int>{8, 9, 10}));
    EXPECT_TRUE(EditorShown()) << "Enter keeps the editor open";
    EXPECT_EQ(Editor()->SelStart(), 0);
    EXPECT_EQ(Editor()->SelLength(), 3) << "with its text selected";

    guitest::Key(VK_DOWN, 0, Editor());
    EXPECT_FALSE(grid->FilterEditMode());
    EXPECT_FALSE(EditorShown());
    EXPECT_EQ(Filter(0)->ExpressionStr(), "> 7");
    EXPECT_EQ(grid->GetFilterValue(0), "> 7");

    // Ctrl+Up opens it from any record; a press on a filter cell opens that cell.
    cds.Last();
    guitest::Key(VK_UP, ssCtrl, grid.get());
    EXPECT_TRUE(grid->FilterEditMode());
    guitest::Key(VK_DOWN, 0, Editor());
    const TRect nameCell = grid->CellRect(grid->DataToRawColumn(1), 1);
    guitest::Click(grid.get(), TPoint(nameCell.Left + 5, (nameCell.Top + nameCell.Bottom) / 2));
    EXPECT_TRUE(grid->FilterEditMode());
    EXPECT_EQ(grid->FilterEditCol(), 1);
    EXPECT_EQ(Editor()->Text(), "");
}

TEST_F(GridFilterRowTest, AScrollWhileTheFilterRowHoldsTheFocusGoesThrough) {
    Open(3);
    auto* other = new TEdit(form.get());
    other->SetParent(form.get());
    other->SetBounds(0, 0, 40, 20);
    Show();
    guitest::Key(VK_UP, 0, grid.get());
    ASSERT_TRUE(grid->FilterEditMode());
    other->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return other->Focused(); }));

    // The grid acts on its scroll bar only once it has the focus, which it hands on to the filter row.
    cds.First();
    grid->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_TRUE(Editor()->Focused());
    EXPECT_GT(cds.RecNo(), 1) << "the scroll went through";
}

TEST_F(GridFilterRowTest, UpInARowSelectGridOpensTheFirstFilterableColumnPastHiddenOnes) {
    // ID without a filter cell, Name and Amount hidden, then Name once more.
    Open(5);
    grid->SetOptions(grid->Options() | dgRowSelect);
    grid->Columns()->SetState(csCustomized);
    grid->Columns()->Add()->SetFieldName("Name");
    Filter(0)->SetVisible(false);
    grid->Columns()->Items(1)->SetVisible(false);
    grid->Columns()->Items(2)->SetVisible(false);
    Show();
    guitest::Key(VK_UP, 0, grid.get());
    ASSERT_TRUE(grid->FilterEditMode());
    EXPECT_EQ(grid->FilterEditCol(), 3);
}

TEST_F(GridFilterRowTest, TabSkipsColumnsWithoutAFilterCell) {
    Open(5);
    Filter(1)->SetVisible(false);
    Show();
    guitest::Key(VK_UP, 0, grid.get());
    ASSERT_EQ(grid->FilterEditCol(), 0);
    guitest::Key(VK_TAB, 0, Editor());
    EXPECT_EQ(grid->FilterEditCol(), 2) << "the column without a filter cell is passed";
    guitest::Key(VK_TAB, 0, Editor());
    EXPECT_EQ(grid->FilterEditCol(), 0) << "and the step wraps";
    guitest::Key(VK_TAB, ssShift, Editor());
    EXPECT_EQ(grid->FilterEditCol(), 2);

    // No editor for a hidden column or one whose filter cell is off.
    grid->StopEditFilter();
    grid->Columns()->Items(2)->SetVisible(false);
    for (int col : {1, 2, 7, -1}) {
        grid->StartEditFilter(col);
        EXPECT_FALSE(grid->FilterEditMode()) << col;
    }
}

TEST_F(GridFilterRowTest, AWrongTextAppliesNothingAndKeepsTheColumnsText) {
    Open(10);
    Show();
    grid->StartEditFilter(0);
    guitest::Type("> 7", Editor());
    grid->SetDataFilter();
    ASSERT_EQ(Ids(), (std::vector<int>{8, 9, 10}));
    // An open quote, and a list cut short after its comma: both refused before anything is stored.
    for (const char* wrong : {"> 'abc", "= 1 OR In (7,"}) {
        SCOPED_TRACE(wrong);
        Editor()->SetText(wrong);
        EXPECT_THROW(grid->SetDataFilter(), Exception);
        EXPECT_EQ(Filter(0)->ExpressionStr(), "> 7");
        EXPECT_EQ(Editor()->Text(), wrong) << "the typed text stays for correcting";
        EXPECT_EQ(Ids(), (std::vector<int>{8, 9, 10}));
    }
}

// A column whose filter lists the values of another dataset.
class FilterListTest : public GridFilterRowTest {
protected:
    void SetUp() override {
        GridFilterRowTest::SetUp();
        list.FieldDefs()->Add("K", ftInteger);
        list.FieldDefs()->Add("Name", ftString, 20);
        list.CreateDataSet();
        for (int i = 1; i <= 4; ++i) list.AppendRecord({Variant(i), Variant("Row " + std::to_string(i * 2))});
        listSource.SetDataSet(&list);
        Open(10);
        grid->SetOptionsGx(grid->OptionsGx() | dghAutoSortMarking);
        for (int i = 0; i < 3; ++i) grid->Columns()->Items(i)->Title()->SetTitleButton(true);
        Filter(1)->SetListSource(&listSource);
        Show();
        grid->StartEditFilter(1);
    }
    void Choose(const AnsiString& entry) {
        Editor()->DropDown();
        const int index = Editor()->Items()->IndexOf(entry);
        ASSERT_GE(index, 0) << entry.str();
        Editor()->PopupListboxIfMade()->SetItemIndex(index);
        Editor()->CloseUp(true);
    }
    TClientDataSet list{nullptr};
    TDataSource listSource{nullptr};
};

TEST_F(FilterListTest, TheListOffersTheSpecialEntriesAboveTheValues) {
    ASSERT_TRUE(EditorShown());
    EXPECT_TRUE(Editor()->EditButton()->Visible());
    EXPECT_EQ(Editor()->DropDownBox()->Width(), 100);
    EXPECT_EQ(Editor()->DropDownBox()->Rows(), 17);
    Editor()->DropDown();
    const std::vector<std::pair<std::string, std::intptr_t>> expected = {
        {"(Сортировка по возрастанию)", 7}, {"(Сортировка по убыванию)", 6}, {"-", 5}, {"(Очистить фильтр)", 4},
        {"(Все)", 3}, {"(Не пустые)", 2}, {"(Пустые)", 1}, {"Row 2", 0}, {"Row 4", 0}, {"Row 6", 0}, {"Row 8", 0},
    };
    ASSERT_EQ(Editor()->Items()->Count(), static_cast<int>(expected.size()));
    for (int i = 0; i < Editor()->Items()->Count(); ++i) {
        EXPECT_EQ(Editor()->Items()->Get(i).str(), expected[i].first);
        EXPECT_EQ(reinterpret_cast<std::intptr_t>(Editor()->Items()->Objects(i)), expected[i].second) << i;
    }
    Editor()->CloseUp(false);

    // Without the title button the sort entries stay out.
    grid->Columns()->Items(1)->Title()->SetTitleButton(false);
    grid->UpdateFilterEdit(true);
    Editor()->DropDown();
    EXPECT_EQ(Editor()->Items()->Get(0).str(), "(Очистить фильтр)");
    Editor()->CloseUp(false);
}

TEST_F(FilterListTest, ChoicesSetTheTextAndApplyAsTheStyleSays) {
    // Each choice starts from the column filtered to "Row 4"; it sets the text, and it applies at once
    // only with ApplyFilterOnCloseUp.
    struct Case {
        const char* entry;
        bool onCloseUp;
        const char* text;
        std::vector<int> ids;
    };
    const std::vector<int> all = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    const Case cases[] = {
        {"(Пустые)", false, "=Null", {4}},
        {"(Пустые)", true, "=Null", {}},
        {"(Не пустые)", false, "<>Null", {4}},
        {"(Не пустые)", true, "<>Null", all},
        {"(Все)", false, "", {4}},
        {"(Все)", true, "", all},
        {"Row 6", false, "Row 6", {4}},
        {"Row 6", true, "Row 6", {6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.entry) + (c.onCloseUp ? ", applied on close-up" : ", applied by Enter"));
        DBGridGxDefaultStyle()->SetApplyFilterOnCloseUp(true);
        Choose("Row 4");
        ASSERT_EQ(Ids(), std::vector<int>{4});
        DBGridGxDefaultStyle()->SetApplyFilterOnCloseUp(c.onCloseUp);
        Choose(c.entry);
        EXPECT_EQ(Editor()->Text(), c.text);
        EXPECT_EQ(Ids(), c.ids);
    }
    // Without ApplyFilterOnCloseUp, Enter applies the text a choice set.
    DBGridGxDefaultStyle()->SetApplyFilterOnCloseUp(false);
    Choose("(Пустые)");
    guitest::Key(VK_RETURN, 0, Editor());
    EXPECT_TRUE(Ids().empty());

    // Clearing empties every column, closes the editor and applies the empty filter.
    Filter(0)->SetExpressionStr("> 1");
    Choose("(Очистить фильтр)");
    EXPECT_FALSE(grid->FilterEditMode());
    EXPECT_EQ(Filter(0)->ExpressionStr(), "");
    EXPECT_EQ(Filter(1)->ExpressionStr(), "");
    EXPECT_EQ(Ids().size(), 10u);
}

TEST_F(FilterListTest, ASortEntryLeavesOnlyItsColumnMarkedAndSorts) {
    int requests = 0;
    DBGridGxDataService->OnSortRequest = [&](TCustomDBGridGx* g) {
        EXPECT_EQ(g, grid.get());
        ++requests;
    };
    grid->Columns()->Items(0)->Title()->SetSortMarker(smUpGx);
    ASSERT_EQ(requests, 0);
    struct Case {
        const char* entry;
        TSortMarkerGx marker;
    };
    for (const Case& c : {Case{"(Сортировка по возрастанию)", smDownGx}, Case{"(Сортировка по убыванию)", smUpGx}}) {
        SCOPED_TRACE(c.entry);
        const int before = requests;
        Choose(c.entry);
        EXPECT_EQ(grid->Columns()->Items(0)->Title()->SortMarker(), smNoneGx);
        EXPECT_EQ(grid->Columns()->Items(1)->Title()->SortMarker(), c.marker);
        ASSERT_EQ(grid->SortMarkedColumns()->Count(), 1);
        EXPECT_EQ(grid->SortMarkedColumns()->GetColumn(0), grid->Columns()->Items(1));
        EXPECT_EQ(requests, before + 1);
    }
}

TEST_F(FilterListTest, AChoiceRemembersTheListSizeForTheNextOpening) {
    Editor()->DropDown();
    TPopupListboxGx* popup = Editor()->PopupListboxIfMade();
    ASSERT_NE(popup, nullptr);
    popup->SetWidth(150);
    popup->SetRowCount(5);
    popup->SetItemIndex(Editor()->Items()->IndexOf("Row 6"));
    Editor()->CloseUp(true);
    EXPECT_EQ(Filter(1)->SavedListWidth(), 150);
    EXPECT_EQ(Filter(1)->SavedListRows(), 5);
    grid->StartEditFilter(0);
    grid->StartEditFilter(1);
    EXPECT_EQ(Editor()->DropDownBox()->Width(), 150);
    EXPECT_EQ(Editor()->DropDownBox()->Rows(), 5);
}

// A lookup-style filter: the ID column is tested against the keys of list records named by text.
TEST_F(FilterListTest, ListRecordsAreFoundByTheirTextsAndAChoiceKeepsItsKeys) {
    grid->StopEditFilter();
    // The Name column filters the grid's ID field by the keys of the list records it names.
    TSTColumnFilterGx* f = Filter(1);
    f->SetDataField("ID");
    f->SetKeyField("K");
    f->SetListField("Name");

    struct Case {
        const char* text;
        TSTFilterOperatorGx op;
        const char* keys;
    };
    const Case cases[] = {
        {"Row 6", foIn, "3"},
        {"Nobody", foNull, ""},  // a text no list record has: the key is Null
        {"", foNon, ""},
        {"=Null", foNull, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        f->SetExpressionStr(c.text);
        EXPECT_EQ(f->Expression().FirstOperator, c.op);
        EXPECT_EQ(VarToStr(f->LookupKeyValues()).str(), c.keys);
    }

    TStringList chosen;
    chosen.Add("Row 2");
    chosen.Add("Row 8");
    f->SetListValues(&chosen);
    EXPECT_EQ(f->ExpressionStr(), "'Row 2','Row 8'");
    // The editor shows the choice and closes again: the two keys stay.
    grid->StartEditFilter(1);
    EXPECT_EQ(Editor()->Text(), "'Row 2','Row 8'");
    grid->StopEditFilter();
    EXPECT_EQ(f->Expression().FirstOperator, foIn);
    ASSERT_TRUE(VarIsArray(f->LookupKeyValues()));
    EXPECT_EQ(VarToStr(f->GetOperand1().GetElement(0)), "1");
    EXPECT_EQ(VarToStr(f->GetOperand1().GetElement(1)), "4");
    const AnsiString filter =
        GetExpressionAsFilterString(grid.get(), GetOneExpressionAsLocalFilterString, {}, false, false);
    EXPECT_EQ(filter.str(), " ([ID] = '1' OR [ID] = '4')");
}

TEST_F(GridFilterRowTest, SortMarkedColumnsFollowTheSortIndexesAndApplyOnlyWithAutoMarking) {
    Open(3);
    grid->Columns()->Items(0)->Title()->SetSortIndexRaw(3);
    grid->Columns()->Items(0)->Title()->SetSortMarkerRaw(smUpGx);
    grid->Columns()->Items(2)->Title()->SetSortIndexRaw(1);
    grid->Columns()->Items(2)->Title()->SetSortMarkerRaw(smDownGx);
    grid->SetSortMarkedColumns();
    ASSERT_EQ(grid->SortMarkedColumns()->Count(), 3);
    EXPECT_EQ(grid->SortMarkedColumns()->GetColumn(0), grid->Columns()->Items(2));
    EXPECT_EQ(grid->SortMarkedColumns()->GetColumn(1), nullptr);
    EXPECT_EQ(grid->SortMarkedColumns()->GetColumn(2), grid->Columns()->Items(0));
    EXPECT_FALSE(grid->GetSortMarkedColumnInfo(1).Present);
    EXPECT_TRUE(grid->GetSortMarkedColumnInfo(2).Descending);

    int handler = 0, requests = 0;
    grid->OnSortMarkingChanged = [&](TObject*) { ++handler; };
    DBGridGxDataService->OnSortRequest = [&](TCustomDBGridGx*) { ++requests; };
    grid->DoSortMarkingChanged();
    EXPECT_EQ(handler + requests, 0) << "nothing without automatic sort marking";
    grid->SetOptionsGx(grid->OptionsGx() | dghAutoSortMarking);
    grid->DoSortMarkingChanged();
    EXPECT_EQ(handler, 1);
    grid->OnSortMarkingChanged = TNotifyEvent();
    grid->DoSortMarkingChanged();
    EXPECT_EQ(requests, 1) << "without a handler the service sorts";
}

// The grid's records move through the data service to the features of its dataset; a dataset
// without features moves nothing.
TEST_F(GridFilterRowTest, TheDataServiceHandsRecordMovesToTheDatasetsFeatures) {
    Open(5);
    auto bookmarkOf = [&](int id) {
        EXPECT_TRUE(cds.Locate("ID", Variant(id)));
        return cds.Bookmark();
    };
    TStringList moved;
    moved.Add(bookmarkOf(1));
    EXPECT_TRUE(DBGridGxDataService->MoveRecords(grid.get(), &moved, 3, true));
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3, 4, 5})) << "only asked";
    EXPECT_TRUE(DBGridGxDataService->MoveRecords(grid.get(), &moved, 5, false));
    EXPECT_EQ(Ids(), (std::vector<int>{2, 3, 4, 5, 1}));

    UnregisterDatasetFeaturesGx(TClientDataSet::StaticClass());
    TStringList again;
    again.Add(bookmarkOf(2));
    EXPECT_FALSE(DBGridGxDataService->MoveRecords(grid.get(), &again, 5, false));
    EXPECT_EQ(Ids(), (std::vector<int>{2, 3, 4, 5, 1}));
}

// A record drop with no OnMoveRecords handler reaches the dataset's features through the service.
TEST_F(GridFilterRowTest, ADroppedRecordMovesThroughTheDataService) {
    Open(5);
    Show();
    ASSERT_TRUE(cds.Locate("ID", Variant(2)));
    TStringList moved;
    moved.Add(cds.Bookmark());
    EXPECT_TRUE(grid->DefaultMoveDataRows(&moved, 4, -1, false));
    EXPECT_EQ(Ids(), (std::vector<int>{1, 3, 4, 2, 5}));
}

TEST_F(GridFilterRowTest, AStreamedColumnSetKeepsItsFilterSettingsButNotItsTexts) {
    Open(3);
    TColumnGx* name = grid->Columns()->Add();
    name->SetFieldName("Name");
    name->STFilter()->SetDataField("ID");
    name->STFilter()->SetKeyField("K");
    name->STFilter()->SetVisible(false);
    name->STFilter()->SetExpressionStr("= 'Row 1'");
    TMemoryStream stream;
    grid->Columns()->SaveToStream(&stream);
    stream.SetPosition(0);
    gridtest::TestGrid other(nullptr);
    other.SetDataSource(&source);
    other.Columns()->LoadFromStream(&stream);
    ASSERT_EQ(other.Columns()->Count(), 1);
    TSTColumnFilterGx* f = other.Columns()->Items(0)->STFilter();
    EXPECT_EQ(f->DataField(), "ID");
    EXPECT_EQ(f->KeyField(), "K");
    EXPECT_FALSE(f->Visible());
    EXPECT_EQ(f->ExpressionStr(), "");
}

TEST_F(GridFilterRowTest, FilterCellsPaintTheirTextOnALighterFixedColour) {
    metrics.reset();  // real text on the screen's canvas
    grid->SetBorderStyle(bsNone);
    Open(3);
    grid->SetFixedColor(RGB(200, 200, 200));
    Filter(0)->SetExpressionStr("> 1");
    Show();
    grid->Invalidate();
    guitest::Pump();
    const QImage image = guitest::Grab(grid.get());
    const TRect cell = grid->CellRect(grid->DataToRawColumn(1), 1);
    EXPECT_EQ(guitest::PixelOf(image, cell.Right - 3, cell.Bottom - 3), RGB(225, 225, 225));
    const TRect idCell = grid->CellRect(grid->DataToRawColumn(0), 1);
    bool blue = false;
    for (int x = idCell.Left; x < idCell.Right && !blue; ++x)
        for (int y = idCell.Top; y < idCell.Bottom && !blue; ++y) {
            const TColor p = guitest::PixelOf(image, x, y);
            blue = GetBValue(p) > 200 && GetRValue(p) < 120 && GetGValue(p) < 120;
        }
    EXPECT_TRUE(blue) << "the filter text is blue";
}

}  // namespace
