// The grid's cell editor off screen, driven through the grid's editing flow: the edit style of a
// column, the button strip, key-list typing, Delete on a key list, the buttons' shortcuts, the pick
// list's height, the keys that open and close a drop-down, the calendar's write-back, Up and Down
// in a word-wrapped cell, the up-down buttons, the MRU list, the required mark, a failed lookup
// write, and the grid as holder of a hosted editor.
#include "GridTestSupport.h"

#include "gui/Clipbrd.h"
#include "gui/ExtCtrls.h"
#include "gui/WinApi.h"

#include <algorithm>
#include <vector>

namespace {

// A grid that records the keys its editor passes on.
class KeyGrid : public gridtest::TestGrid {
    PLANTMON_CLASS(KeyGrid, gridtest::TestGrid)
public:
    using gridtest::TestGrid::TestGrid;
    std::vector<WORD> keys;
    std::vector<std::string> findTexts;  // the texts the find dialog was opened on

    void ExecuteFindDialog(const AnsiString& text, const AnsiString&, bool) override {
        findTexts.push_back(text.str());
    }

protected:
    void KeyDown(WORD& key, TShiftState shift) override {
        keys.push_back(key);
        gridtest::TestGrid::KeyDown(key, shift);
    }
};

struct InplaceFixture : ::testing::Test {
    datatest::RussianLocale locale;
    TForm* form = nullptr;
    KeyGrid* grid = nullptr;
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};

    void SetUp() override {
        guitest::EnsureApp();
        form = new TForm(nullptr);
        form->SetClientSize(520, 300);
        grid = new KeyGrid(form);
        grid->SetParent(form);
        grid->SetBounds(0, 0, 520, 300);
        cds.FieldDefs()->Add("ID", ftInteger, 0, true);
        cds.FieldDefs()->Add("Name", ftString, 20);
        cds.FieldDefs()->Add("Kind", ftString, 5);
        cds.FieldDefs()->Add("Day", ftDate);
        cds.FieldDefs()->Add("Amount", ftFloat);
    }
    void TearDown() override {
        form->Free();
        guitest::FlushDeletes();
        cds.Close();
    }
    // Three rows; Kind holds keys of the key list the tests give.
    void open() {
        cds.CreateDataSet();
        cds.AppendRecord({Variant(1), Variant("Apple"), Variant("A"), Variant(TDateTime(46000)), Variant(1.5)});
        cds.AppendRecord({Variant(2), Variant("Banana"), Variant("B"), Variant(TDateTime(46001)), Null()});
        cds.AppendRecord({Variant(3), Variant("Cherry"), Null(), Null(), Variant(4.5)});
        cds.MergeChangeLog();
        cds.First();
        source.SetDataSet(&cds);
        grid->SetDataSource(&source);
        guitest::ShowForm(form);
        grid->SetFocus();
        guitest::Pump();
    }
    TColumnGx* column(const char* name) { return grid->GetFieldColumns(name); }
    // The editor over the cell of that column in the current record.
    TDBGridInplaceEdit* edit(const char* name) {
        grid->SetSelectedIndex(column(name)->Index());
        grid->ShowEditor();
        TDBGridInplaceEdit* e = grid->DBInplaceEditor();
        EXPECT_NE(e, nullptr);
        if (e && !e->Focused()) e->SetFocus();
        guitest::Pump();
        return e;
    }
    void keyList() {
        column("Kind")->PickList()->SetCommaText("Apple,Banana,Cherry");
        column("Kind")->KeyList()->SetCommaText("A,B,C");
    }
    TEditButtonControlGx* mainButton(TDBGridInplaceEdit* e) { return e->EditButtonControls()[0].EditButtonControl; }
};

TEST_F(InplaceFixture, TheColumnDecidesTheEditStyleAndTheMainButton) {
    open();
    struct Case {
        const char* name;
        std::function<void(TColumnGx*)> setup;
        const char* field;
        TInplaceEditStyleGx style;
        TEditButtonStyleGx button;
    } cases[] = {
        {"plain text", [](TColumnGx*) {}, "Name", esNoneGx, ebsDropDownGx},
        {"pick list", [](TColumnGx* c) { c->PickList()->SetCommaText("x,y"); }, "Name", esPickListGx, ebsDropDownGx},
        {"read-only pick list",
         [](TColumnGx* c) {
             c->PickList()->SetCommaText("x,y");
             c->SetReadOnly(true);
         },
         "Name", esNoneGx, ebsDropDownGx},
        {"date", [](TColumnGx*) {}, "Day", esCalendarGx, ebsDropDownGx},
        {"read-only date", [](TColumnGx* c) { c->SetReadOnly(true); }, "Day", esNoneGx, ebsDropDownGx},
        {"ellipsis", [](TColumnGx* c) { c->SetButtonStyle(cbsEllipsis); }, "Name", esEllipsisGx, ebsEllipsisGx},
        {"up-down", [](TColumnGx* c) { c->SetButtonStyle(cbsUpDown); }, "Amount", esUpDownGx, ebsUpDownGx},
        {"drop-down", [](TColumnGx* c) { c->SetButtonStyle(cbsDropDown); }, "Amount", esDropDownGx, ebsDropDownGx},
        {"none on a date", [](TColumnGx* c) { c->SetButtonStyle(cbsNone); }, "Day", esNoneGx, ebsDropDownGx},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        grid->HideEditor();
        grid->Columns()->RestoreDefaults();
        TColumnGx* c = column(k.field);
        c->PickList()->Clear();
        c->SetButtonStyle(cbsAuto);
        k.setup(c);
        EXPECT_EQ(GetColumnEditStyle(c), k.style);
        TDBGridInplaceEdit* e = edit(k.field);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->EditStyle(), k.style);
        TEditButtonControlGx* b = mainButton(e);
        EXPECT_EQ(b->Visible(), k.style != esNoneGx);
        // Without a visible button the strip takes no height either.
        if (k.style == esNoneGx) EXPECT_EQ(b->Height(), 0);
        if (k.style != esNoneGx) EXPECT_EQ(b->Style(), k.button);
        EXPECT_EQ(e->ButtonsWidth(), k.style != esNoneGx ? GetSystemMetrics(SM_CXVSCROLL) : 0);
        // The text stops before the buttons.
        TRect r;
        e->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
        EXPECT_EQ(r.Right, e->Width() - 2 - e->ButtonsWidth());
        EXPECT_EQ(e->ReadOnly(), c->ReadOnly());
    }
}

TEST_F(InplaceFixture, ButtonStripWidthsAndSeparatorsFollowTheGridsFlatness) {
    open();
    TColumnGx* c = column("Name");
    c->SetButtonStyle(cbsEllipsis);
    TEditButtonGx* sized = c->EditButtons()->Add();
    sized->SetVisible(true);
    sized->SetWidth(25);
    TEditButtonGx* unsized = c->EditButtons()->Add();
    unsized->SetVisible(true);
    TEditButtonGx* hidden = c->EditButtons()->Add();
    hidden->SetVisible(false);
    for (bool flat : {false, true}) {
        SCOPED_TRACE(flat ? "flat" : "3-D");
        grid->HideEditor();
        grid->SetFlat(flat);
        TDBGridInplaceEdit* e = edit("Name");
        const int w = flat ? FlatButtonWidth : GetSystemMetrics(SM_CXVSCROLL);
        const TEditButtonControlList& list = e->EditButtonControls();
        ASSERT_EQ(list.size(), 4u);
        EXPECT_EQ(list[0].EditButtonControl->Width(), w);
        EXPECT_EQ(list[1].EditButtonControl->Width(), 25);
        EXPECT_EQ(list[2].EditButtonControl->Width(), w);
        EXPECT_FALSE(list[3].EditButtonControl->Visible());
        for (int i = 0; i < 3; ++i) EXPECT_EQ(list[static_cast<std::size_t>(i)].ButtonLine->Visible(), flat);
        const int lines = flat ? 3 : 0;
        EXPECT_EQ(e->ButtonsWidth(), w + 25 + w + lines);
        // The strip ends at the right edge with the last visible button; the main button is first.
        EXPECT_EQ(list[2].EditButtonControl->Left() + w, e->ClientWidth());
        EXPECT_LT(list[0].EditButtonControl->Left(), list[1].EditButtonControl->Left());
        EXPECT_LT(list[1].EditButtonControl->Left(), list[2].EditButtonControl->Left());
    }
}

TEST_F(InplaceFixture, TypingIntoAKeyListColumnTakesOnlyListEntriesUnlessNotInListIsSet) {
    open();
    keyList();
    struct Case {
        const char* name;
        bool notInList;
        const char* typed;
        const char* text;
        int selStart;
        Variant stored;
    } cases[] = {
        {"prefix completes", false, "b", "Banana", 1, Variant("B")},
        {"two letters", false, "ch", "Cherry", 2, Variant("C")},
        {"no entry, no event", false, "x", "Apple", 0, Variant("A")},
        {"no entry, event", true, "x", "x", 1, Null()},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        grid->HideEditor();
        cds.First();
        TColumnGx* c = column("Kind");
        int events = 0;
        c->OnNotInList = k.notInList ? TNotInListEventGx([&](TObject*, const AnsiString&, bool&) { ++events; })
                                     : TNotInListEventGx();
        TDBGridInplaceEdit* e = edit("Kind");
        ASSERT_EQ(e->Text(), "Apple");
        e->SelectAll();
        e->SetSelStart(0);
        e->SetSelLength(0);
        guitest::Type(k.typed, e);
        EXPECT_EQ(e->Text(), k.text);
        EXPECT_EQ(e->SelStart(), k.selStart);
        cds.Post();
        EXPECT_EQ(cds.FieldByName("Kind")->AsVariant(), k.stored);
        EXPECT_EQ(events, k.notInList ? 1 : 0);
        cds.Edit();
        cds.FieldByName("Kind")->SetAsString("A");
        cds.Post();
    }
}

TEST_F(InplaceFixture, DeleteOfTheWholeKeyTextWritesNull) {
    open();
    keyList();
    TDBGridInplaceEdit* e = edit("Kind");
    ASSERT_EQ(e->Text(), "Apple");
    // Part of the text: nothing happens without OnNotInList.
    e->SetSelStart(1);
    e->SetSelLength(2);
    guitest::Key(VK_DELETE, 0, e);
    EXPECT_EQ(e->Text(), "Apple");
    e->SelectAll();
    guitest::Key(VK_DELETE, 0, e);
    EXPECT_EQ(e->Text(), "");
    EXPECT_EQ(grid->EditText(), "");
    cds.Post();
    EXPECT_TRUE(cds.FieldByName("Kind")->IsNull());
}

TEST_F(InplaceFixture, DeleteWithNotInListRemovesTheSelectionOrTheNextCharacterOnce) {
    open();
    keyList();
    column("Kind")->OnNotInList = [](TObject*, const AnsiString&, bool&) {};
    struct Case {
        int start, length;
        const char* text;
    } cases[] = {{1, 0, "Aple"}, {1, 2, "Ale"}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        grid->HideEditor();
        TDBGridInplaceEdit* e = edit("Kind");
        ASSERT_EQ(e->Text(), "Apple");
        e->SetSelStart(k.start);
        e->SetSelLength(k.length);
        guitest::Key(VK_DELETE, 0, e);
        EXPECT_EQ(e->Text(), k.text);
        EXPECT_EQ(e->SelStart(), k.start);
        EXPECT_EQ(grid->EditText(), k.text);
        cds.Cancel();
    }
}

TEST_F(InplaceFixture, PasteIntoAKeyListColumnCompletesToAnEntry) {
    open();
    keyList();
    struct Case {
        const char* clip;
        bool notInList;
        const char* text;
        int selStart, selLength;
    } cases[] = {
        {"ba", false, "Banana", 2, 4},
        {"zz", false, "Apple", 0, 5},  // no entry: nothing is taken
        {"zz", true, "zz", 2, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.clip);
        grid->HideEditor();
        column("Kind")->OnNotInList =
            k.notInList ? TNotInListEventGx([](TObject*, const AnsiString&, bool&) {}) : TNotInListEventGx();
        TDBGridInplaceEdit* e = edit("Kind");
        e->SelectAll();
        Clipboard()->SetAsText(k.clip);
        e->Perform(WM_PASTE, 0, 0);
        EXPECT_EQ(e->Text(), k.text);
        EXPECT_EQ(e->SelStart(), k.selStart);
        EXPECT_EQ(e->SelLength(), k.selLength);
        cds.Cancel();
    }
}

TEST_F(InplaceFixture, TheImageFollowsTheTextAndTheTextMakesRoomForIt) {
    open();
    TImageList images(nullptr);
    images.SetWidth(16);
    images.SetHeight(16);
    TColumnGx* c = column("Name");
    c->PickList()->SetCommaText("Apple,Banana,Cherry");
    c->SetImageList(&images);
    c->SetShowImageAndText(true);
    c->SetNotInKeyListIndex(7);
    TDBGridInplaceEdit* e = edit("Name");
    EXPECT_EQ(e->ImageIndex(), 0);
    TRect r;
    e->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.Left, 2 + 16 + 5);
    e->SelectAll();
    guitest::Type("c", e);
    EXPECT_EQ(e->Text(), "Cherry");
    EXPECT_EQ(e->ImageIndex(), 2);
    e->SelectAll();
    guitest::Type("x", e);
    EXPECT_EQ(e->ImageIndex(), 7) << "text of no entry";
    grid->HideEditor();
    c->SetImageList(nullptr);
}

TEST_F(InplaceFixture, AnEditButtonsShortcutPressesAndClicksIt) {
    open();
    TColumnGx* c = column("Name");
    TEditButtonGx* b = c->EditButtons()->Add();
    b->SetVisible(true);
    b->SetShortCut(ShortCut('B', ssCtrl));
    int downs = 0, clicks = 0;
    b->OnDown = [&](TObject*, bool, bool&, bool&) { ++downs; };
    b->OnClick = [&](TObject*, bool&) { ++clicks; };
    int gridClicks = 0;
    grid->OnEditButtonClick = [&](TObject*) { ++gridClicks; };
    c->SetButtonStyle(cbsEllipsis);
    TDBGridInplaceEdit* e = edit("Name");
    guitest::Key('B', ssCtrl, e);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(e->Text(), "Apple");
    // Ctrl+Enter clicks the ellipsis button: the grid's event.
    guitest::Key(VK_RETURN, ssCtrl, e);
    EXPECT_EQ(gridClicks, 1);
    EXPECT_EQ(clicks, 1);
}

TEST_F(InplaceFixture, TheFindKeysOpenTheDialogOnTheEditorsSelectedText) {
    open();
    const TShortCut findKey = DBGridGxFindDialogKey;
    struct KeyBack {
        TShortCut key;
        ~KeyBack() { DBGridGxFindDialogKey = key; }
    } keyBack{findKey};
    struct Case {
        const char* name;
        TDBGridGxOptions options;
        TShortCut dialogKey;
        int selStart, selLength;
        WORD key;
        TShiftState shift;
        std::vector<std::string> dialog;
        bool searching;
    } cases[] = {
        {"Ctrl+F on the whole text", dghDialogFind, findKey, 0, 5, 'F', ssCtrl, {"Apple"}, false},
        {"Ctrl+F on a part", dghDialogFind, findKey, 1, 3, 'F', ssCtrl, {"ppl"}, false},
        {"Ctrl+F with nothing selected", dghDialogFind, findKey, 2, 0, 'F', ssCtrl, {""}, false},
        {"Ctrl+F searches when the search is on", dghDialogFind | dghIncSearch, findKey, 0, 5, 'F', ssCtrl, {}, true},
        {"the dialog's own key beside the search's",
         dghDialogFind | dghIncSearch, ShortCut('G', ssCtrl), 0, 3, 'G', ssCtrl, {"App"}, false},
        {"no dialog without its option", 0, findKey, 0, 5, 'F', ssCtrl, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid->StopInplaceSearch();
        grid->findTexts.clear();
        grid->SetOptionsGx((grid->OptionsGx() & ~(dghDialogFind | dghIncSearch)) | c.options);
        DBGridGxFindDialogKey = c.dialogKey;
        TDBGridInplaceEdit* e = edit("Name");
        ASSERT_NE(e, nullptr);
        e->SetSelStart(c.selStart);
        e->SetSelLength(c.selLength);
        guitest::Key(c.key, c.shift, e);
        EXPECT_EQ(grid->findTexts, c.dialog);
        EXPECT_EQ(grid->InplaceSearching(), c.searching);
    }
    grid->StopInplaceSearch();
}

TEST_F(InplaceFixture, ThePickListIsAsHighAsItsEntriesUpToTheColumnsRows) {
    open();
    for (int entries : {3, 20}) {
        SCOPED_TRACE(entries);
        grid->HideEditor();
        TColumnGx* c = column("Name");
        c->PickList()->Clear();
        for (int i = 0; i < entries; ++i) c->PickList()->Add("Item " + std::to_string(i));
        c->SetDropDownRows(7);
        TDBGridInplaceEdit* e = edit("Name");
        guitest::Key(VK_DOWN, ssAlt, e);
        ASSERT_TRUE(e->ListVisible());
        TPopupListboxGx* list = e->PickList();
        ASSERT_NE(list, nullptr);
        const int rows = entries < 7 ? entries : 7;
        EXPECT_EQ(list->Height(), rows * list->ItemHeight() + 4);
        EXPECT_GE(list->Width(), e->Width());
        EXPECT_EQ(list->ItemIndex(), -1);  // "Apple" is no entry
        guitest::Key(VK_ESCAPE, 0, e);
        EXPECT_FALSE(e->ListVisible());
    }
}

TEST_F(InplaceFixture, AltDownOpensAltUpAndEnterAcceptEscRestores) {
    open();
    column("Name")->PickList()->SetCommaText("Apple,Banana,Cherry");
    TDBGridInplaceEdit* e = edit("Name");
    struct Step {
        WORD move;  // the key the open list takes
        WORD key;   // the key that closes it
        TShiftState shift;
        const char* shown;  // the editor's text while the list is open
        const char* text;   // and after it closed
    } steps[] = {{VK_DOWN, VK_UP, ssAlt, "Banana", "Banana"},
                 {VK_DOWN, VK_RETURN, 0, "Cherry", "Cherry"},
                 {VK_UP, VK_ESCAPE, 0, "Banana", "Cherry"}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.key);
        guitest::Key(VK_DOWN, ssAlt, e);
        ASSERT_TRUE(e->ListVisible());
        EXPECT_TRUE(e->DroppedDown());
        EXPECT_TRUE(mainButton(e)->AlwaysDown());
        // The list takes the arrows, the editor shows its choice.
        guitest::Key(s.move, 0, e);
        EXPECT_EQ(e->Text(), s.shown);
        guitest::Key(s.key, s.shift, e);
        EXPECT_FALSE(e->ListVisible());
        EXPECT_FALSE(mainButton(e)->AlwaysDown());
        EXPECT_EQ(e->Text(), s.text);
        EXPECT_EQ(grid->EditText(), s.text);
    }
    cds.Post();
    EXPECT_EQ(cds.FieldByName("Name")->AsString(), "Cherry");
    EXPECT_TRUE(grid->keys.empty()) << "the keys of the list stayed in the editor";
}

TEST_F(InplaceFixture, TheMainButtonsClickOpensTheListAndTheNextClickClosesIt) {
    open();
    column("Name")->PickList()->SetCommaText("Apple,Banana,Cherry");
    TDBGridInplaceEdit* e = edit("Name");
    TEditButtonControlGx* b = mainButton(e);
    guitest::Click(b, TPoint(3, 3));
    EXPECT_TRUE(e->ListVisible()) << "the click that opened the list keeps it open";
    EXPECT_FALSE(e->NoClickCloseUp());
    guitest::Click(b, TPoint(3, 3));
    EXPECT_FALSE(e->ListVisible());
    EXPECT_EQ(e->Text(), "Apple") << "closed without accepting";
}

TEST_F(InplaceFixture, AKeyListShowsItsTextWhileTheGridStoresTheKey) {
    open();
    keyList();
    TDBGridInplaceEdit* e = edit("Kind");
    ASSERT_EQ(e->EditStyle(), esPickListGx);
    guitest::Key(VK_DOWN, ssAlt, e);
    ASSERT_TRUE(e->ListVisible());
    EXPECT_EQ(e->PickList()->ItemIndex(), 0);
    guitest::Key(VK_DOWN, 0, e);
    guitest::Key(VK_RETURN, 0, e);
    EXPECT_EQ(e->Text(), "Banana");
    cds.Post();
    EXPECT_EQ(cds.FieldByName("Kind")->AsString(), "B");
}

TEST_F(InplaceFixture, APickListResizedWithItsGripKeepsItsSizeInTheColumn) {
    open();
    TColumnGx* c = column("Name");
    for (int i = 0; i < 20; ++i) c->PickList()->Add("Item " + std::to_string(i));
    c->SetDropDownSizing(true);
    TDBGridInplaceEdit* e = edit("Name");
    e->DropDown();
    TPopupListboxGx* list = e->PickList();
    ASSERT_TRUE(list->SizeGrip() && list->SizeGrip()->Visible());
    const int ih = list->ItemHeight();
    list->SetBounds(list->Left(), list->Top(), 230, 4 * ih + list->GetBorderSize());
    list->SetResizedBySizeGrip(true);
    e->CloseUp(false);
    EXPECT_EQ(c->DropDownRows(), 4u);
    EXPECT_EQ(c->DropDownWidth(), 230);
    e->DropDown();
    EXPECT_EQ(list->Height(), 4 * ih + 4);
    e->CloseUp(false);
}

TEST_F(InplaceFixture, TheCalendarOpensOnTheCellsDateAndWritesTheChosenOne) {
    open();
    TDBGridInplaceEdit* e = edit("Day");
    ASSERT_EQ(e->EditStyle(), esCalendarGx);
    guitest::Key(VK_DOWN, ssAlt, e);
    ASSERT_TRUE(e->ListVisible());
    ASSERT_NE(e->Calendar(), nullptr);
    EXPECT_EQ(e->Calendar()->Date(), TDateTime(46000));
    guitest::Key(VK_RIGHT, 0, e);
    EXPECT_EQ(e->Calendar()->Date(), TDateTime(46001));
    guitest::Key(VK_RETURN, 0, e);
    EXPECT_FALSE(e->ListVisible());
    EXPECT_EQ(cds.State(), dsEdit);
    EXPECT_EQ(cds.FieldByName("Day")->AsDateTime(), TDateTime(46001));
    EXPECT_EQ(e->Text(), DateToStr(TDateTime(46001)));
    cds.Post();
    // Text that is no date opens the calendar on the field's date; Esc writes nothing.
    cds.Next();
    e = edit("Day");
    e->SetText("no date");
    guitest::Key(VK_DOWN, ssAlt, e);
    EXPECT_EQ(e->Calendar()->Date(), TDateTime(46001));
    guitest::Key(VK_ESCAPE, 0, e);
    EXPECT_EQ(cds.FieldByName("Day")->AsDateTime(), TDateTime(46001));
}

TEST_F(InplaceFixture, UpAndDownInAWordWrappedCellLeaveItOnlyFromItsEdgeLines) {
    open();
    column("Name")->SetWordWrap(true);
    grid->SetRowLines(3);
    grid->SetOptions(grid->Options() | dgAlwaysShowEditor);
    cds.Edit();
    cds.FieldByName("Name")->SetAsString("aa bb cc dd ee ff gg");
    column("Name")->SetWidth(40);
    TDBGridInplaceEdit* e = edit("Name");
    ASSERT_TRUE(e->WordWrap());
    const int length = CharCount(e->Text());
    const int last = static_cast<int>(e->Perform(EM_LINEFROMCHAR, static_cast<WPARAM>(length), 0));
    ASSERT_GE(last, 2) << "the text wraps into three lines at least";
    int middle = 0;
    while (middle < length && e->Perform(EM_LINEFROMCHAR, static_cast<WPARAM>(middle), 0) < 1) ++middle;
    struct Case {
        const char* name;
        int caret;
        WORD key;
        bool leaves;
    } cases[] = {
        {"up from the first line", 1, VK_UP, true},
        {"down from the first line", 1, VK_DOWN, false},
        {"up from a middle line", middle, VK_UP, false},
        {"down from the last line", length, VK_DOWN, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        grid->keys.clear();
        e->SetSelStart(k.caret);
        e->SetSelLength(0);
        guitest::Key(k.key, 0, e);
        EXPECT_EQ(!grid->keys.empty() && grid->keys.front() == k.key, k.leaves);
        if (!k.leaves) EXPECT_NE(e->SelStart(), k.caret) << "the caret moved between the lines";
        if (!e->Visible()) e = edit("Name");
    }
    // Without the always-shown editor the arrows never leave the cell.
    grid->SetOptions(grid->Options() & ~dgAlwaysShowEditor);
    e = edit("Name");
    grid->keys.clear();
    e->SetSelStart(1);
    e->SetSelLength(0);
    guitest::Key(VK_UP, 0, e);
    EXPECT_TRUE(grid->keys.empty());
}

TEST_F(InplaceFixture, UpDownButtonsStepNumbersAndMoveDownAKeyList) {
    open();
    keyList();
    struct Case {
        const char* field;
        bool top;  // the upper half of the button
        Variant value;
    } cases[] = {
        {"Amount", true, Variant(2.5)},
        {"Amount", false, Variant(1.5)},
        {"Kind", false, Variant("B")},  // down goes to the next entry of the list
        {"Kind", true, Variant("A")},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.field) + (k.top ? " up" : " down"));
        grid->HideEditor();
        column(k.field)->SetButtonStyle(cbsUpDown);
        TDBGridInplaceEdit* e = edit(k.field);
        ASSERT_EQ(e->EditStyle(), esUpDownGx);
        bool autoRepeat = false;
        mainButton(e)->EditButtonDown(k.top, autoRepeat);
        EXPECT_EQ(cds.FieldByName(k.field)->AsVariant(), k.value);
    }
}

TEST_F(InplaceFixture, BackspaceInAKeyListColumnOnlyMovesTheCaretWithoutNotInList) {
    open();
    keyList();
    TDBGridInplaceEdit* e = edit("Kind");
    e->SetSelStart(3);
    e->SetSelLength(0);
    guitest::KeyText(VK_BACK, 0, "\b", e);
    EXPECT_EQ(e->Text(), "Apple");
    EXPECT_EQ(e->SelStart(), 2);
    // With OnNotInList the character before the caret goes and the key is looked up again.
    column("Kind")->OnNotInList = [](TObject*, const AnsiString&, bool&) {};
    guitest::KeyText(VK_BACK, 0, "\b", e);
    EXPECT_EQ(e->Text(), "Aple");
    EXPECT_EQ(e->SelStart(), 1);
    EXPECT_EQ(grid->EditText(), "Aple");
}

TEST_F(InplaceFixture, AutoDropDownOpensTheListAndKeepsTheTypedCharacter) {
    open();
    TColumnGx* c = column("Name");
    c->PickList()->SetCommaText("Apple,Banana,Cherry");
    c->SetAutoDropDown(true);
    TDBGridInplaceEdit* e = edit("Name");
    e->SelectAll();
    guitest::Type("c", e);
    EXPECT_TRUE(e->ListVisible());
    EXPECT_EQ(e->Text(), "Cherry");
    EXPECT_EQ(e->SelStart(), 1);
    EXPECT_EQ(e->PickList()->ItemIndex(), 2);
    guitest::Key(VK_ESCAPE, 0, e);
    EXPECT_FALSE(e->ListVisible());
}

TEST_F(InplaceFixture, TheMruListOpensOnTypingAndEnterTakesItsEntry) {
    open();
    TColumnGx* c = column("Name");
    c->MRUList()->SetActive(true);
    c->MRUList()->Items()->SetCommaText("Apricot,Avocado,Plum");
    TDBGridInplaceEdit* e = edit("Name");
    e->SelectAll();
    guitest::Type("a", e);
    ASSERT_TRUE(e->MRUDroppedDown());
    TMRUListboxGx* list = e->MRUListControlIfMade();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Items()->Count(), 2);
    guitest::Key(VK_DOWN, 0, e);
    guitest::Key(VK_DOWN, 0, e);
    EXPECT_EQ(list->ItemIndex(), 1);
    guitest::KeyText(VK_RETURN, 0, "\r", e);
    EXPECT_FALSE(e->MRUDroppedDown());
    EXPECT_EQ(e->Text(), "Avocado");
    EXPECT_EQ(grid->EditText(), "Avocado");
    // With Enter as Tab the open MRU list still takes Enter; a closed one lets it go to the grid.
    grid->SetOptionsGx(grid->OptionsGx() | dghEnterAsTab);
    grid->keys.clear();
    guitest::Key(VK_RETURN, 0, e);
    EXPECT_EQ(grid->keys, std::vector<WORD>{VK_RETURN});
}

TEST_F(InplaceFixture, TheRequiredMarkShowsOnlyWhileAnEmptyRequiredFieldIsEdited) {
    open();
    cds.FieldByName("Name")->SetRequired(true);
    TColumnGx* c = column("Name");
    c->SetHighlightRequired(true);
    auto redAtBottom = [&](TDBGridInplaceEdit* e) {
        guitest::Pump();
        const QImage img = guitest::Grab(e);
        const int y = e->ClientHeight() - 1;
        for (int x = 0; x < e->ClientWidth(); ++x)
            if (guitest::PixelOf(img, x, y) == clRed) return true;
        return false;
    };
    TDBGridInplaceEdit* e = edit("Name");
    EXPECT_FALSE(redAtBottom(e)) << "browsing";
    cds.Edit();
    EXPECT_FALSE(redAtBottom(e)) << "edited, not empty";
    cds.FieldByName("Name")->Clear();
    e->Invalidate();
    EXPECT_TRUE(redAtBottom(e)) << "edited and empty";
    cds.Cancel();
}

// A lookup column whose list is a stand-in reporting a chosen key.
class FakeListEditor : public TDBGridInplaceEdit {
    PLANTMON_CLASS(FakeListEditor, TDBGridInplaceEdit)
public:
    using TDBGridInplaceEdit::TDBGridInplaceEdit;
    TWinControl* list = nullptr;
    Variant chosenKey = Null();
    AnsiString chosenText;
    TWinControl* GetDataList() override { return list; }
    Variant DataListKeyValue(TWinControl*) override { return chosenKey; }
    AnsiString DataListSelectedText(TWinControl*) override { return chosenText; }
};

class FakeListGrid : public KeyGrid {
    PLANTMON_CLASS(FakeListGrid, KeyGrid)
public:
    using KeyGrid::KeyGrid;

protected:
    TInplaceEdit* CreateEditor() override { return new FakeListEditor(this); }
};

TEST(InplaceLookupTest, AFailedLookupWriteLeavesTheFieldsTextWithABlank) {
    guitest::EnsureApp();
    datatest::RussianLocale locale;
    TComponent owner(nullptr);
    auto* names = new TClientDataSet(&owner);
    names->FieldDefs()->Add("Code", ftInteger);
    names->FieldDefs()->Add("Title", ftString, 20);
    names->CreateDataSet();
    names->AppendRecord({Variant(1), Variant("Вода")});
    names->AppendRecord({Variant(2), Variant("Порода")});
    auto* ds = new TClientDataSet(&owner);
    auto* code = new TIntegerField(&owner);
    code->SetFieldName("Code");
    code->SetDataSet(ds);
    auto* title = new TStringField(&owner);
    title->SetFieldName("Title");
    title->SetFieldKind(fkLookup);
    title->SetKeyFields("Code");
    title->SetLookupDataSet(names);
    title->SetLookupKeyFields("Code");
    title->SetLookupResultField("Title");
    title->SetDataSet(ds);
    ds->CreateDataSet();
    ds->AppendRecord({Variant(1)});
    ds->MergeChangeLog();
    ds->First();
    TDataSource source(&owner);
    source.SetDataSet(ds);
    TForm* form = new TForm(nullptr);
    form->SetClientSize(400, 200);
    auto* grid = new FakeListGrid(form);
    grid->SetParent(form);
    grid->SetBounds(0, 0, 400, 200);
    grid->SetDataSource(&source);
    guitest::ShowForm(form);
    grid->SetFocus();
    TColumnGx* c = grid->GetFieldColumns("Title");
    ASSERT_NE(c, nullptr);
    grid->SetSelectedIndex(c->Index());
    EXPECT_EQ(GetColumnEditStyle(c), esDataListGx);
    // The editor must exist before its list is given.
    grid->ShowEditor();
    auto* e = dynamic_cast<FakeListEditor*>(grid->InplaceEditor());
    ASSERT_NE(e, nullptr);
    // The editor holds the list as its child and frees it.
    e->list = new TPanel(nullptr);
    grid->HideEditor();
    grid->ShowEditor();
    ASSERT_EQ(e->EditStyle(), esDataListGx);
    ASSERT_EQ(e->Text(), "Вода");

    // Typing completes from the lookup dataset: the rest selected, the key found.
    e->SetFocus();
    e->SelectAll();
    guitest::Type("п", e);
    EXPECT_EQ(e->Text(), "Порода");
    EXPECT_EQ(e->SelStart(), 1);
    EXPECT_EQ(e->SelLength(), 5);
    EXPECT_EQ(grid->EditKeyValue(), Variant(2));
    ds->Cancel();
    grid->HideEditor();
    grid->ShowEditor();
    ASSERT_EQ(e->Text(), "Вода");

    // Delete over the whole text clears the key: Null is written.
    e->SelectAll();
    guitest::Key(VK_DELETE, 0, e);
    EXPECT_EQ(e->Text(), "");
    EXPECT_TRUE(VarIsNull(grid->EditKeyValue()));
    ds->Post();
    EXPECT_TRUE(code->IsNull());
    ds->Edit();
    code->SetAsInteger(1);
    ds->Post();
    grid->HideEditor();
    grid->ShowEditor();
    ASSERT_EQ(e->Text(), "Вода");

    // A good choice is taken as key and text.
    e->chosenKey = Variant(2);
    e->chosenText = "Порода";
    e->DropDown();
    ASSERT_TRUE(e->ListVisible());
    e->CloseUp(true);
    EXPECT_EQ(e->Text(), "Порода");
    EXPECT_EQ(grid->EditKeyValue(), Variant(2));
    ds->Cancel();

    // A dataset that refuses the edit: the field's text and one blank stay, and the error goes on.
    ds->BeforeEdit = [](TDataSet*) { throw EDatabaseError("locked"); };
    e->DropDown();
    ASSERT_TRUE(e->ListVisible());
    EXPECT_THROW(e->CloseUp(true), EDatabaseError);
    EXPECT_EQ(e->Text(), "Вода ");
    EXPECT_FALSE(e->ListVisible());
    ds->BeforeEdit = nullptr;
    form->Free();
    guitest::FlushDeletes();
}

}  // namespace

namespace {

// A grid whose filter row is a stand-in: the filter editor's column and which columns filter.
class FilterRowGrid : public gridtest::TestGrid {
    PLANTMON_CLASS(FilterRowGrid, gridtest::TestGrid)
public:
    using gridtest::TestGrid::TestGrid;
    int filterCol = 1;
    std::vector<int> filterable{1, 3, 4};
    bool stopped = false;
    bool CanFilterCol(int dataCol) override {
        return std::find(filterable.begin(), filterable.end(), dataCol) != filterable.end();
    }
    void StartEditFilter(int dataCol) override { filterCol = dataCol; }
    void StopEditFilter() override { stopped = true; }
    int FilterEditCol() const override { return filterCol; }
};

TEST(InplaceHolderTest, KeysOfAHostedEditorMoveItBetweenTheFilterableColumns) {
    guitest::EnsureApp();
    datatest::RussianLocale locale;
    TClientDataSet cds(nullptr);
    cds.FieldDefs()->Add("ID", ftInteger);
    cds.FieldDefs()->Add("Name", ftString, 20);
    cds.FieldDefs()->Add("Kind", ftString, 5);
    cds.FieldDefs()->Add("Day", ftDate);
    cds.FieldDefs()->Add("Amount", ftFloat);
    cds.CreateDataSet();
    for (int i = 1; i <= 5; ++i) cds.AppendRecord({Variant(i), Variant("Row"), Null(), Null(), Null()});
    TDataSource source(nullptr);
    source.SetDataSet(&cds);
    TForm* form = new TForm(nullptr);
    auto* grid = new FilterRowGrid(form);
    grid->SetParent(form);
    grid->SetBounds(0, 0, 500, 200);
    grid->SetDataSource(&source);
    auto* filterEdit = new TEdit(form);
    filterEdit->SetParent(form);
    filterEdit->SetBounds(0, 210, 100, 21);
    guitest::ShowForm(form);
    IInplaceEditHolderGx* holder = Supports<IInplaceEditHolderGx>(static_cast<TWinControl*>(grid));
    ASSERT_NE(holder, nullptr);

    struct Case {
        const char* name;
        int from;
        const char* text;
        int caret;  // -1: the whole text selected
        WORD key;
        TShiftState shift;
        int to;
        bool consumed;
    } cases[] = {
        {"Tab to the next", 1, "", 0, VK_TAB, 0, 3, true},
        {"Tab wraps round", 4, "", 0, VK_TAB, 0, 1, true},
        {"Shift+Tab wraps back", 1, "", 0, VK_TAB, ssShift, 4, true},
        {"Right at the end", 1, "ab", 2, VK_RIGHT, 0, 3, true},
        {"Right inside the text", 1, "ab", 1, VK_RIGHT, 0, 1, false},
        {"Right over all the text", 3, "ab", -1, VK_RIGHT, 0, 4, true},
        {"Ctrl+Right to the last", 1, "ab", 1, VK_RIGHT, ssCtrl, 4, true},
        {"End at the end to the last", 1, "ab", 2, VK_END, 0, 4, true},
        {"Left at the start", 4, "ab", 0, VK_LEFT, 0, 3, true},
        {"Home inside the text", 4, "ab", 1, VK_HOME, 0, 4, false},
        {"Ctrl+Home to the first", 4, "ab", 1, VK_HOME, ssCtrl, 1, true},
        {"Up is dropped", 3, "", 0, VK_UP, 0, 3, true},
        {"Enter is left alone", 3, "", 0, VK_RETURN, 0, 3, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        grid->filterCol = k.from;
        filterEdit->SetText(k.text);
        if (k.caret < 0) {
            filterEdit->SelectAll();
        } else {
            filterEdit->SetSelStart(k.caret);
            filterEdit->SetSelLength(0);
        }
        WORD key = k.key;
        holder->InplaceEditKeyDown(filterEdit, key, k.shift);
        EXPECT_EQ(grid->filterCol, k.to);
        EXPECT_EQ(key == 0, k.consumed);
    }
    // Without dgTabs Tab is not the filter row's.
    grid->SetOptions(grid->Options() & ~dgTabs);
    grid->filterCol = 1;
    WORD key = VK_TAB;
    holder->InplaceEditKeyDown(filterEdit, key, 0);
    EXPECT_EQ(key, VK_TAB);
    EXPECT_EQ(grid->filterCol, 1);
    // Down leaves the filter row for the first visible record of the filter's column.
    cds.Last();
    grid->filterCol = 3;
    key = VK_DOWN;
    holder->InplaceEditKeyDown(filterEdit, key, 0);
    EXPECT_EQ(key, 0);
    EXPECT_TRUE(grid->stopped);
    EXPECT_EQ(grid->SelectedIndex(), 3);
    EXPECT_EQ(grid->DataLink()->ActiveRecord(), 0);
    // F2 drops the selection, the caret at the end.
    filterEdit->SetText("abc");
    filterEdit->SelectAll();
    key = VK_F2;
    holder->InplaceEditKeyDown(filterEdit, key, 0);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(filterEdit->SelLength(), 0);
    EXPECT_EQ(filterEdit->SelStart(), 3);
    form->Free();
    guitest::FlushDeletes();
    cds.Close();
}

}  // namespace
