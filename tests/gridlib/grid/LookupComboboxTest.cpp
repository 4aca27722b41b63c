// The lookup combo box over a small list: the text of a key and the key of a text, completion and
// Backspace in list style, free text in drop-down style (the full stop looked up like any other
// character), OnNotInList and its recheck, the special row's shortcut, Delete, stepping, the
// drop-down's width and rows, a user's resize kept, and a choice written into the data side.
#include "GridTestSupport.h"

#include "gridlib/grid/DBLookupGx.h"

namespace {

class LookupComboboxTest : public ::testing::Test {
protected:
    void SetUp() override {
        guitest::EnsureApp();
        datatest::FillCodeNames(
            list, {{1, "Вода"}, {2, "Порода"}, {3, "Пена"}, {4, "Концентрат"}, {5, "Хвосты"}, {6, "Пена.сух"}});
        listSource.SetDataSet(&list);
        form = new TForm(nullptr);
        form->SetClientSize(400, 300);
        combo = new TDBLookupComboboxGx(form);
        combo->SetParent(form);
        combo->SetBounds(10, 10, 150, 21);
        other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(10, 200, 100, 21);
        guitest::ShowForm(form);
    }
    void TearDown() override {
        form->Free();
        guitest::FlushDeletes();
    }
    void Bind() {
        combo->SetListSource(&listSource);
        combo->SetKeyField("Code");
        combo->SetListField("Name");
    }
    void Focus() {
        combo->SetFocus();
        ASSERT_TRUE(guitest::WaitFor([this] { return combo->Focused(); }));
    }

    datatest::RussianLocale locale;
    TClientDataSet list{nullptr};
    TDataSource listSource{nullptr};
    TForm* form = nullptr;
    TDBLookupComboboxGx* combo = nullptr;
    TEdit* other = nullptr;
};

TEST_F(LookupComboboxTest, AKeyShowsItsTextAndATextGivesItsKey) {
    EXPECT_TRUE(combo->KeyTextIndependent());
    Bind();
    EXPECT_FALSE(combo->KeyTextIndependent());
    ASSERT_TRUE(combo->ListActive());
    combo->SetKeyValue(Variant(5));
    EXPECT_EQ(combo->Text(), "Хвосты");
    combo->SetText("порода");
    EXPECT_EQ(combo->KeyValue(), Variant(2));
    EXPECT_EQ(combo->Text(), "Порода");
    // The value of the control is its key.
    EXPECT_EQ(combo->GetValue(), Variant(2));
    // A key the list lacks shows no text.
    combo->SetKeyValue(Variant(42));
    EXPECT_EQ(combo->Text(), "");
}

TEST_F(LookupComboboxTest, TypingCompletesAndBackspaceWidensTheCompletedPart) {
    Bind();
    Focus();
    guitest::Type("к", combo);
    EXPECT_EQ(combo->Text(), "Концентрат");
    EXPECT_EQ(combo->KeyValue(), Variant(4));
    EXPECT_EQ(combo->SelStart(), 1);
    EXPECT_EQ(combo->SelLength(), 9);
    guitest::Type("о", combo);
    EXPECT_EQ(combo->SelStart(), 2);
    // Text that names no record changes nothing.
    guitest::Type("z", combo);
    EXPECT_EQ(combo->Text(), "Концентрат");
    EXPECT_EQ(combo->KeyValue(), Variant(4));
    EXPECT_EQ(combo->SelStart(), 2);
    // Backspace deletes nothing: the selected part grows by one character.
    guitest::Key(VK_BACK, 0, combo);
    EXPECT_EQ(combo->Text(), "Концентрат");
    EXPECT_EQ(combo->SelStart(), 1);
    EXPECT_EQ(combo->SelLength(), 9);
    EXPECT_EQ(combo->KeyValue(), Variant(4));
}

TEST_F(LookupComboboxTest, DropDownStyleTakesFreeTextAndLooksUpTheFullStop) {
    Bind();
    combo->SetStyle(csDropDownGx);
    Focus();
    guitest::Type("Пена", combo);
    EXPECT_EQ(combo->Text(), "Пена");
    EXPECT_EQ(combo->KeyValue(), Variant(3));
    // The full stop is looked up like any other character: the text before it keeps no key.
    guitest::Type(".", combo);
    EXPECT_EQ(combo->Text(), "Пена.сух");
    EXPECT_EQ(combo->KeyValue(), Variant(6));
    EXPECT_EQ(combo->SelStart(), 5);
    combo->SetText("Пена.");
    EXPECT_TRUE(VarIsNull(combo->KeyValue()));
    EXPECT_EQ(combo->Text(), "Пена.");
    // Text that names no record: no key, and the text itself is the posted value.
    combo->SelectAll();
    guitest::Type("Сульфат", combo);
    EXPECT_EQ(combo->Text(), "Сульфат");
    EXPECT_TRUE(VarIsNull(combo->KeyValue()));
    combo->UpdateData();
    EXPECT_TRUE(combo->GetDataLink()->TextValue);
    EXPECT_EQ(combo->FieldDataLink()->LocalValue, Variant("Сульфат"));
}

TEST_F(LookupComboboxTest, AReplacedSelectionIsLookedUpSoTextAndKeyAgree) {
    Bind();
    struct Case {
        const char* name;
        TDBLookupComboboxGxStyle style;
        int from;  // the key shown before
        int selStart, selLength;
        const char* with;
        const char* text;
        Variant key;
    } cases[] = {
        {"list style: the whole text", csDropDownListGx, 4, 0, 10, "пена", "Пена", Variant(3)},
        {"list style: the head", csDropDownListGx, 2, 0, 3, "В", "Вода", Variant(1)},
        {"list style: the tail", csDropDownListGx, 6, 4, 4, "", "Пена", Variant(3)},
        {"list style: a text the list lacks changes nothing", csDropDownListGx, 4, 0, 10, "Уголь", "Концентрат",
         Variant(4)},
        {"drop-down style: looked up after the replacement", csDropDownGx, 4, 0, 10, "хвосты", "Хвосты", Variant(5)},
        {"drop-down style: free text has no key", csDropDownGx, 4, 0, 10, "Уголь", "Уголь", Null()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        combo->SetStyle(c.style);
        combo->SetKeyValue(Variant(c.from));
        combo->SetSelStart(c.selStart);
        combo->SetSelLength(c.selLength);
        const std::string with = c.with;
        combo->Perform(EM_REPLACESEL, 1, reinterpret_cast<LPARAM>(with.c_str()));
        EXPECT_EQ(combo->Text(), c.text);
        EXPECT_EQ(combo->KeyValue(), c.key);
    }
}

TEST_F(LookupComboboxTest, NotInListAsksOnceAndARecheckTakesTheNewRecord) {
    Bind();
    combo->SetStyle(csDropDownGx);
    std::vector<std::string> asked;
    bool add = false;
    combo->OnNotInList = [&](TObject*, const AnsiString& text, bool& recheck) {
        asked.push_back(text.str());
        if (!add) return;
        list.AppendRecord({Variant(7), Variant(text)});
        recheck = true;
    };
    Focus();
    guitest::Type("Сульфат", combo);
    combo->UpdateData();
    EXPECT_EQ(asked, std::vector<std::string>{"Сульфат"});
    EXPECT_TRUE(VarIsNull(combo->KeyValue()));
    add = true;
    combo->UpdateData();
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(combo->KeyValue(), Variant(7));
    EXPECT_FALSE(combo->GetDataLink()->TextValue);
    EXPECT_EQ(combo->FieldDataLink()->LocalValue, Variant(7));
    // A text the list has asks nothing.
    combo->UpdateData();
    EXPECT_EQ(asked.size(), 2u);
}

TEST_F(LookupComboboxTest, SpecialRowShortcutDeleteAndStepping) {
    Bind();
    TSpecRowGx* specRow = combo->DropDownBox()->SpecRow();
    specRow->SetCellsText("(нет)");
    specRow->SetValue(Variant(0));
    specRow->SetVisible(true);
    Focus();
    combo->SetKeyValue(Variant(2));
    guitest::Key(VK_DELETE, ssAlt, combo);
    EXPECT_EQ(combo->KeyValue(), Variant(0));
    EXPECT_EQ(combo->Text(), "(нет)");
    // A key the list lacks shows the special row's text while it shows for absent keys.
    combo->SetKeyValue(Variant(42));
    EXPECT_EQ(combo->Text(), "(нет)");
    specRow->SetShowIfNotInKeyList(false);
    combo->SetKeyValue(Variant(43));
    EXPECT_EQ(combo->Text(), "");
    specRow->SetVisible(false);

    // Up and Down step; from a key the list lacks they go to the first record.
    struct Step {
        WORD key;
        int expected;
    };
    for (const Step& s : {Step{VK_DOWN, 1}, Step{VK_DOWN, 2}, Step{VK_UP, 1}, Step{VK_UP, 1}}) {
        guitest::Key(s.key, 0, combo);
        EXPECT_EQ(combo->KeyValue(), Variant(s.expected)) << s.key;
    }
    // An up-down main button steps by the half pressed: the upper half back, the lower on.
    combo->EditButton()->SetStyle(ebsUpDownGx);
    combo->SetKeyValue(Variant(3));
    combo->ButtonDown(true);
    EXPECT_EQ(combo->KeyValue(), Variant(4));
    combo->ButtonDown(false);
    combo->ButtonDown(false);
    EXPECT_EQ(combo->KeyValue(), Variant(2));
    EXPECT_EQ(combo->Text(), "Порода");

    // Delete over the whole text clears the key.
    combo->SelectAll();
    guitest::Key(VK_DELETE, 0, combo);
    EXPECT_TRUE(VarIsNull(combo->KeyValue()));
    EXPECT_EQ(combo->Text(), "");
}

TEST_F(LookupComboboxTest, WhileFocusedTheDropDownBoxsOwnListIsUsed) {
    // The short list offers two of the records; texts still come from the full list by key.
    TClientDataSet shortList(nullptr);
    shortList.FieldDefs()->Add("Code", ftInteger);
    shortList.FieldDefs()->Add("Name", ftString, 20);
    shortList.CreateDataSet();
    shortList.AppendRecord({Variant(2), Variant("Порода")});
    shortList.AppendRecord({Variant(4), Variant("Концентрат")});
    TDataSource shortSource(nullptr);
    shortSource.SetDataSet(&shortList);
    other->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([this] { return other->Focused(); }));
    Bind();
    combo->DropDownBox()->SetListSource(&shortSource);
    combo->SetValue(Variant(5));
    EXPECT_EQ(combo->ListLink()->DataSource(), &listSource);
    EXPECT_EQ(combo->Text(), "Хвосты");
    Focus();
    EXPECT_EQ(combo->ListLink()->DataSource(), &shortSource);
    EXPECT_EQ(combo->KeyValue(), Variant(5));
    EXPECT_EQ(combo->Text(), "Хвосты");
    // Stepping and typing go through the short list only.
    guitest::Key(VK_DOWN, 0, combo);
    EXPECT_EQ(combo->KeyValue(), Variant(2));
    guitest::Key(VK_DOWN, 0, combo);
    EXPECT_EQ(combo->KeyValue(), Variant(4));
    guitest::Type("х", combo);
    EXPECT_EQ(combo->KeyValue(), Variant(4));
    other->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([this] { return other->Focused(); }));
    EXPECT_EQ(combo->ListLink()->DataSource(), &listSource);
    EXPECT_EQ(combo->KeyValue(), Variant(4));
    EXPECT_EQ(combo->FieldDataLink()->LocalValue, Variant(4));
    EXPECT_EQ(combo->Text(), "Концентрат");
}

TEST_F(LookupComboboxTest, TheDropDownIsSizedAndKeepsTheUsersSize) {
    Bind();
    Focus();
    TPopupDataGridGx* g = combo->PopupGrid();
    struct Case {
        int width;
        bool fits;      // the list's client width fits its columns
        int expected;   // otherwise this width
    };
    for (const Case& c : {Case{-1, true, 0}, Case{0, false, 150}, Case{300, false, 300}, Case{60, false, 150}}) {
        combo->DropDownBox()->SetWidth(c.width);
        combo->DropDown();
        ASSERT_TRUE(combo->ListVisible());
        if (c.fits) EXPECT_EQ(g->ClientWidth(), std::max(g->GetColumnsWidthToFit(), g->ClientWidth())) << c.width;
        else EXPECT_EQ(g->Width(), c.expected) << c.width;
        EXPECT_GE(g->Width(), combo->Width());
        EXPECT_EQ(g->RowCount(), 6) << "six records, seven rows asked";
        combo->CloseUp(false);
    }
    // A list of three records opens three rows high.
    TClientDataSet three(nullptr);
    three.FieldDefs()->Add("Code", ftInteger);
    three.FieldDefs()->Add("Name", ftString, 20);
    three.CreateDataSet();
    for (int i = 1; i <= 3; ++i) three.AppendRecord({Variant(i), Variant("Row " + std::to_string(i))});
    TDataSource threeSource(nullptr);
    threeSource.SetDataSet(&three);
    combo->SetListSource(&threeSource);
    combo->DropDownBox()->SetWidth(0);
    combo->DropDown();
    EXPECT_EQ(g->RowCount(), 3);
    EXPECT_EQ(g->VisibleDataRowCount(), 3);
    combo->CloseUp(false);

    // The user's resize is kept for the next opening.
    combo->SetListSource(&listSource);
    combo->DropDownBox()->SetSizable(true);
    combo->DropDown();
    EXPECT_TRUE(g->SizeGrip()->Visible());
    g->SetBounds(g->Left(), g->Top(), 260, g->Height() - 2 * g->GetDataRowHeight());
    const int rows = g->RowCount();
    combo->CloseUp(false);
    EXPECT_EQ(combo->DropDownBox()->Rows(), rows);
    EXPECT_EQ(combo->DropDownBox()->Width(), 260);
    combo->DropDown();
    EXPECT_EQ(g->RowCount(), rows);
    EXPECT_EQ(g->Width(), 260);
    combo->CloseUp(false);
}

TEST_F(LookupComboboxTest, AChoiceInTheDropDownIsWrittenIntoTheDataSide) {
    TClientDataSet data(nullptr);
    data.FieldDefs()->Add("ID", ftInteger);
    data.FieldDefs()->Add("Code", ftInteger);
    data.CreateDataSet();
    data.AppendRecord({Variant(1), Variant(3)});
    data.MergeChangeLog();
    data.First();
    TDataSource dataSource(nullptr);
    dataSource.SetDataSet(&data);
    Bind();
    combo->SetDataSource(&dataSource);
    combo->SetDataField("Code");
    EXPECT_EQ(combo->Text(), "Пена");
    EXPECT_EQ(combo->KeyValue(), Variant(3));
    Focus();
    guitest::Key(VK_DOWN, ssAlt, combo);
    ASSERT_TRUE(combo->ListVisible());
    EXPECT_EQ(combo->PopupGrid()->KeyValue(), Variant(3));
    guitest::Key(VK_DOWN, 0, combo);
    EXPECT_EQ(combo->PopupGrid()->KeyValue(), Variant(4));
    EXPECT_EQ(combo->Text(), "Пена");  // nothing taken before the list closes
    guitest::Key(VK_RETURN, 0, combo);
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->Text(), "Концентрат");
    EXPECT_EQ(combo->KeyValue(), Variant(4));
    // Leaving the control writes the key.
    other->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([this] { return other->Focused(); }));
    EXPECT_EQ(data.FieldByName("Code")->AsInteger(), 4);

    // Escape closes without taking the list's row.
    Focus();
    guitest::Key(VK_DOWN, ssAlt, combo);
    guitest::Key(VK_DOWN, 0, combo);
    guitest::Key(VK_ESCAPE, 0, combo);
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->KeyValue(), Variant(4));

    // Delete in list style leaves a required key alone unless the whole text is selected.
    data.FieldByName("Code")->SetRequired(true);
    combo->SetSelStart(1);
    combo->SetSelLength(0);
    guitest::Key(VK_DELETE, 0, combo);
    EXPECT_EQ(combo->KeyValue(), Variant(4));
}

}  // namespace
