// The lookup grid over small list and data datasets: binding key and list fields, the key moving the
// list, the special row, keys, incremental search on a clock the test sets, whole-row heights, moved
// columns, lookup mode, and the drop-down window's hover and choice on release.
#include "GridTestSupport.h"

#include "gridlib/grid/DBLookupGridsGx.h"

#include <memory>

namespace {

class LookupGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        guitest::EnsureApp();
        ticks = 100000;
        SetTickCountSource([this] { return ticks; });
        datatest::FillCodeNames(
            list, {{1, "Вода"}, {2, "Порода"}, {3, "Пена"}, {4, "Концентрат"}, {5, "Хвосты"}, {6, "Шлам"}});
        listSource.SetDataSet(&list);
        form = new TForm(nullptr);
        form->SetClientSize(400, 300);
        grid = new TDBLookupGridGx(form);
        grid->SetParent(form);
        grid->SetBounds(10, 10, 200, 100);
        guitest::ShowForm(form);
    }
    void TearDown() override {
        form->Free();
        guitest::FlushDeletes();
        SetTickCountSource(nullptr);
    }
    void Bind() {
        grid->SetListSource(&listSource);
        grid->SetKeyFieldName("Code");
        grid->SetListFieldName("Name");
    }
    // The key of the row the grid shows highlighted (the key's row), or Null.
    int ShownRow() { return grid->KeyRowVisible() ? grid->Row() - grid->TopDataOffset() : -1; }

    datatest::RussianLocale locale;
    std::uint32_t ticks = 0;
    TClientDataSet list{nullptr};
    TDataSource listSource{nullptr};
    TForm* form = nullptr;
    TDBLookupGridGx* grid = nullptr;
};

TEST_F(LookupGridTest, TheKeyMovesTheListToItsRecordOrShowsNoChoice) {
    Bind();
    ASSERT_TRUE(grid->ListActive());
    ASSERT_EQ(grid->DisplayField(), list.FieldByName("Name"));
    ASSERT_EQ(grid->Columns()->Count(), 1);

    grid->SetKeyValue(Variant(5));
    EXPECT_EQ(list.FieldByName("Code")->AsInteger(), 5);
    EXPECT_EQ(grid->SelectedText(), "Хвосты");
    EXPECT_TRUE(grid->KeyRowVisible());
    EXPECT_EQ(grid->DataLink()->ActiveRecord(), ShownRow());

    // A key the list lacks: the first record, nothing chosen, no text.
    grid->SetKeyValue(Variant(42));
    EXPECT_EQ(list.FieldByName("Code")->AsInteger(), 1);
    EXPECT_FALSE(grid->KeyRowVisible());
    EXPECT_EQ(grid->SelectedText(), "");

    // With a visible special row that shows for absent keys, it is chosen instead.
    grid->SpecRow()->SetCellsText("(нет)");
    grid->SpecRow()->SetVisible(true);
    grid->SetKeyValue(Variant(43));
    EXPECT_TRUE(grid->SpecRow()->IsSelected);
    EXPECT_EQ(grid->SelectedText(), "(нет)");
    grid->SpecRow()->SetShowIfNotInKeyList(false);
    grid->SetKeyValue(Variant(44));
    EXPECT_FALSE(grid->SpecRow()->IsSelected);
    EXPECT_EQ(grid->SelectedText(), "");

    // A list field that names no field is refused with its text.
    try {
        grid->SetListFieldName("Name;Nope");
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message().str().find("Field 'Name;Nope' not found"), std::string::npos) << e.Message().str();
    }
}

TEST_F(LookupGridTest, AChoiceIsWrittenIntoTheDataSideAndItsKeyMovesTheList) {
    TClientDataSet data(nullptr);
    data.FieldDefs()->Add("ID", ftInteger);
    data.FieldDefs()->Add("Code", ftInteger);
    data.CreateDataSet();
    data.AppendRecord({Variant(1), Variant(3)});
    data.AppendRecord({Variant(2), Variant(6)});
    data.MergeChangeLog();
    data.First();
    TDataSource dataSource(nullptr);
    dataSource.SetDataSet(&data);
    Bind();
    grid->SetDataSource(&dataSource);
    grid->SetDataFieldName("Code");
    EXPECT_EQ(grid->KeyValue(), Variant(3));
    EXPECT_EQ(grid->SelectedText(), "Пена");
    data.Next();
    EXPECT_EQ(grid->KeyValue(), Variant(6));
    EXPECT_EQ(grid->SelectedText(), "Шлам");

    // Up chooses the record above: the data side is put into edit and gets its key.
    grid->SetFocus();
    guitest::Key(VK_UP, 0, grid);
    EXPECT_EQ(data.State(), dsEdit);
    EXPECT_EQ(data.FieldByName("Code")->AsInteger(), 5);
    EXPECT_EQ(grid->KeyValue(), Variant(5));
    data.Post();

    // A read-only data side takes nothing: keys go to the grid itself.
    grid->SetReadOnly(true);
    EXPECT_FALSE(grid->CanModify());
    guitest::Key(VK_UP, 0, grid);
    EXPECT_EQ(data.FieldByName("Code")->AsInteger(), 5);
    grid->SetReadOnly(false);

    // A list linked to the data side's own dataset is a circle.
    TDataSource sameSource(nullptr);
    sameSource.SetDataSet(&list);
    grid->SetDataSource(&sameSource);
    EXPECT_THROW(grid->SetDataFieldName("Name"), EDatabaseError);
    grid->SetDataSource(nullptr);
}

TEST_F(LookupGridTest, KeysStepThroughTheListAndTheSpecialRow) {
    Bind();
    grid->SpecRow()->SetCellsText("(нет)");
    grid->SpecRow()->SetValue(Variant(0));
    grid->SpecRow()->SetVisible(true);
    grid->SetFocus();
    grid->SetKeyValue(Variant(2));
    struct Step {
        WORD key;
        Variant key_after;
        bool specRow;
    };
    // Page Down from the first record moves a page less one row.
    const Variant pageDown(std::min(6, grid->VisibleDataRowCount()));
    const Step steps[] = {
        {VK_UP, Variant(1), false},   // the first record
        {VK_UP, Variant(0), true},    // Up on the first record: the special row
        {VK_UP, Variant(0), true},    // and it stays there
        {VK_DOWN, Variant(1), false}, // Down from the special row: the first record
        {VK_END, Variant(6), false},
        {VK_HOME, Variant(1), false},
        {VK_HOME, Variant(0), true},  // Home on the first record
        {VK_DOWN, Variant(1), false},
        {VK_NEXT, pageDown, false},
        {VK_PRIOR, Variant(1), false},
    };
    for (const Step& s : steps) {
        guitest::Key(s.key, 0, grid);
        EXPECT_EQ(grid->KeyValue(), s.key_after) << "key " << s.key;
        EXPECT_EQ(grid->SpecRow()->IsSelected, s.specRow) << "key " << s.key;
    }
    EXPECT_EQ(grid->SelectedText(), "Вода");

    // Left and Right step only while no horizontal scroll bar is needed.
    guitest::Key(VK_RIGHT, 0, grid);
    EXPECT_EQ(grid->KeyValue(), Variant(2));
    grid->Columns()->Items(0)->SetWidth(500);
    guitest::Key(VK_RIGHT, 0, grid);
    EXPECT_EQ(grid->KeyValue(), Variant(2));
    guitest::Key(VK_DOWN, 0, grid);
    EXPECT_EQ(grid->KeyValue(), Variant(3));
}

TEST_F(LookupGridTest, TypedCharactersSearchUntilAPauseOfTwoSeconds) {
    Bind();
    grid->SetFocus();
    guitest::Type("п", grid);
    EXPECT_EQ(grid->KeyValue(), Variant(2));  // Порода, the first beginning with "п"
    ticks += 1999;
    guitest::Type("е", grid);
    EXPECT_EQ(grid->KeyValue(), Variant(3));  // Пена
    EXPECT_EQ(grid->SearchText(), "пе");
    // Nothing begins with "пеx": the choice and the search text stay.
    ticks += 10;
    guitest::Type("x", grid);
    EXPECT_EQ(grid->KeyValue(), Variant(3));
    EXPECT_EQ(grid->SearchText(), "пе");
    // After a longer pause a new search starts.
    ticks += 2001;
    guitest::Type("ш", grid);
    EXPECT_EQ(grid->KeyValue(), Variant(6));
    EXPECT_EQ(grid->SearchText(), "ш");
    // Backspace empties the search.
    guitest::Key(VK_BACK, 0, grid);
    EXPECT_EQ(grid->SearchText(), "");
}

TEST_F(LookupGridTest, TheHeightIsAlwaysAWholeNumberOfRows) {
    Bind();
    struct Case {
        int rows, expected;
    };
    for (const Case& c : {Case{0, 1}, Case{150, 100}, Case{4, 4}}) {
        grid->SetRowCount(c.rows);
        EXPECT_EQ(grid->RowCount(), c.expected) << c.rows;
    }
    const int h4 = grid->Height();
    const int row = grid->GetDataRowHeight();
    grid->SetHeight(h4 + row / 2);
    EXPECT_EQ(grid->Height(), h4);
    EXPECT_EQ(grid->RowCount(), 4);
    grid->SetHeight(h4 + row);
    EXPECT_EQ(grid->RowCount(), 5);
    EXPECT_EQ(grid->VisibleDataRowCount(), 5);
    grid->SetHeight(3);
    EXPECT_EQ(grid->RowCount(), 1);
    // Titles and the special row add their own heights, the data rows stay whole.
    grid->SetShowTitles(true);
    grid->SpecRow()->SetVisible(true);
    grid->SetRowCount(3);
    EXPECT_EQ(grid->VisibleDataRowCount(), 3);
    grid->SetHeight(grid->Height() + row - 1);
    EXPECT_EQ(grid->RowCount(), 3);
    EXPECT_EQ(grid->VisibleDataRowCount(), 3);
}

TEST_F(LookupGridTest, MovingAnAutomaticColumnReordersTheListFields) {
    Bind();
    grid->SetListFieldName("Name;Code");
    grid->SpecRow()->SetCellsText("нет;0");
    ASSERT_EQ(grid->Columns()->Count(), 2);
    ASSERT_EQ(grid->ListFieldIndex(), 0);
    grid->Columns()->Items(1)->SetIndex(0);
    EXPECT_EQ(grid->ListFieldName(), "Code;Name");
    EXPECT_EQ(grid->ListFieldIndex(), 1);
    EXPECT_EQ(grid->DisplayField(), list.FieldByName("Name"));
    EXPECT_EQ(grid->SpecRow()->GetCellText(0), "0");
    EXPECT_EQ(grid->SpecRow()->GetCellText(1), "нет");
}

TEST_F(LookupGridTest, ALookupFieldGivesTheListKeyAndResult) {
    TClientDataSet data(nullptr);
    auto* code = new TIntegerField(&data);
    code->SetFieldName("Code");
    code->SetDataSet(&data);
    auto* name = new TStringField(&data);
    name->SetFieldName("Kind");
    name->SetFieldKind(fkLookup);
    name->SetKeyFields("Code");
    name->SetLookupDataSet(&list);
    name->SetLookupKeyFields("Code");
    name->SetLookupResultField("Name");
    name->SetDataSet(&data);
    data.CreateDataSet();
    data.AppendRecord({Variant(4)});
    TDataSource dataSource(nullptr);
    dataSource.SetDataSet(&data);
    grid->SetDataSource(&dataSource);
    grid->SetDataFieldName("Kind");
    EXPECT_TRUE(grid->LookupMode());
    EXPECT_EQ(grid->GetKeyFieldName(), "");
    EXPECT_EQ(grid->GetListSource(), nullptr);
    EXPECT_TRUE(grid->ListActive());
    EXPECT_EQ(grid->SelectedText(), "Концентрат");
    try {
        grid->SetListSource(&listSource);
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message().str().find("Property already defined by lookup field"), std::string::npos);
    }
    // A choice writes the lookup field's key field.
    grid->SetFocus();
    guitest::Key(VK_DOWN, 0, grid);
    EXPECT_EQ(code->AsInteger(), 5);
    EXPECT_EQ(name->AsString(), "Хвосты");
}

TEST_F(LookupGridTest, TheDropDownFollowsThePointerAndChoosesOnRelease) {
    auto* popup = new TPopupDataGridGx(form);
    popup->SetParent(form);
    popup->SetListSource(&listSource);
    popup->SetKeyFieldName("Code");
    popup->SetListFieldName("Name");
    popup->SetRowCount(4);
    popup->SetBounds(50, 50, 150, popup->Height());
    std::vector<int> choices;
    popup->OnMouseChoice = [&](TObject*, bool accept) { choices.push_back(accept ? 1 : 0); };
    int userChanges = 0;
    popup->OnUserKeyChange = [&](TObject*) { ++userChanges; };
    popup->SetVisible(true);
    ShowWindow(popup->Handle(), SW_SHOWNOACTIVATE);
    guitest::Pump();
    EXPECT_FALSE(popup->CanFocus());
    const int row = popup->GetDataRowHeight();

    // Hovering over the third row chooses it; the change counts as the user's.
    popup->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(20, 2 * row + row / 2));
    EXPECT_EQ(popup->KeyValue(), Variant(3));
    EXPECT_GT(userChanges, 0);
    EXPECT_TRUE(choices.empty());

    // Pressing and releasing on the second row chooses it and reports an accepted choice.
    guitest::MouseDown(popup, TPoint(20, row + row / 2));
    guitest::MouseUp(popup, TPoint(20, row + row / 2));
    EXPECT_EQ(popup->KeyValue(), Variant(2));
    EXPECT_EQ(choices, std::vector<int>{1});
    EXPECT_FALSE(popup->Focused());

    // A release outside the window cancels.
    guitest::MouseDown(popup, TPoint(20, row / 2));
    guitest::MouseUp(popup, TPoint(20, popup->Height() + 40));
    EXPECT_EQ(choices, (std::vector<int>{1, 0}));

    // A key change the program makes is not the user's.
    userChanges = 0;
    popup->SetKeyValue(Variant(6));
    EXPECT_EQ(userChanges, 0);
}

}  // namespace

namespace {

TEST_F(LookupGridTest, DraggingBelowTheGridScrollsOnTheWindowTimer) {
    Bind();
    grid->SetRowCount(3);
    std::vector<UINT> intervals;
    int kills = 0;
    SetWindowTimerDriver({[&](HWND, UINT_PTR id, UINT elapse) {
                              if (id == 1) intervals.push_back(elapse);
                          },
                          [&](HWND, UINT_PTR id) {
                              if (id == 1) ++kills;
                          }});
    const int row = grid->GetDataRowHeight();
    grid->SetFocus();
    guitest::MouseDown(grid, TPoint(20, row / 2));
    EXPECT_EQ(grid->KeyValue(), Variant(1));
    // Far below the grid: one record further at once, and the timer re-armed at its shortest.
    grid->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, grid->ClientHeight() + 300));
    ASSERT_FALSE(intervals.empty());
    EXPECT_GE(intervals.back(), 10u);
    const Variant before = grid->KeyValue();
    grid->Perform(WM_TIMER, 1, 0);
    EXPECT_EQ(grid->KeyValue().AsInteger(), before.AsInteger() + 1);
    // Back inside, the timer stops.
    grid->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, row / 2));
    EXPECT_GT(kills, 0);
    guitest::MouseUp(grid, TPoint(20, row / 2));
    SetWindowTimerDriver({});
}

}  // namespace
