// The combo box editor off screen: key mode and text mode, completion, stepping, the drop-down list
// with its click protocol and the keys it takes, Delete, the grip's size kept, OnNotInList, and
// the key's text after the items change.
#include "gridlib/editors/DBCtrlsGx.h"

#include "EditorOnForm.h"

#include "testlib/DataTestSupport.h"
#include "testlib/gui/GuiHarness.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <vector>

#include <gtest/gtest.h>

namespace {

struct ComboFixture : editortest::EditorOnForm<TDBComboBoxGx> {
    TDBComboBoxGx*& combo = edit;

    ComboFixture() : EditorOnForm(200, 150, 150) {}
    void keyMode() {
        combo->Items()->SetCommaText("One,Two,Three");
        combo->KeyItems()->SetCommaText("1,2,3");
    }
    void focus() {
        combo->SetFocus();
        guitest::Pump();
        ASSERT_TRUE(combo->Focused());
    }
    TControl* button() const { return combo->EditButtonControls()[0].EditButtonControl; }
};

TEST_F(ComboFixture, KeyModeShowsTheTextOfTheKeyAndTypingSearchesByPrefix) {
    keyMode();
    EXPECT_TRUE(combo->KeyMode());
    EXPECT_TRUE(combo->EditButton()->Visible());
    combo->SetValue(Variant("2"));
    EXPECT_EQ(combo->Text(), "Two");
    EXPECT_EQ(combo->ItemIndex(), 1);
    combo->SetValue(Null());
    EXPECT_EQ(combo->Text(), "");
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_TRUE(VarIsNull(combo->Value()));

    focus();
    guitest::Type("t", combo);
    EXPECT_EQ(combo->Text(), "Two");
    EXPECT_EQ(combo->Value(), Variant("2"));
    guitest::Type("h", combo);
    EXPECT_EQ(combo->Text(), "Three");
    EXPECT_EQ(combo->Value(), Variant("3"));
    EXPECT_EQ(combo->SelStart(), 2);
    guitest::Key(VK_BACK);
    EXPECT_EQ(combo->SelStart(), 1);  // the match shrinks, the item stays
    EXPECT_EQ(combo->Text(), "Three");

    // A third text without a key is never offered.
    combo->KeyItems()->SetCommaText("1,2");
    EXPECT_EQ(combo->ItemsCount(), 2);
    combo->SetValue(Variant("3"));
    EXPECT_EQ(combo->Text(), "");
    combo->SetItemIndex(2);
    EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(ComboFixture, TextModeCompletesFromTheFirstMatchingItem) {
    combo->Items()->SetCommaText("Apple,Apricot,Banana");
    focus();
    guitest::Type("ap", combo);
    EXPECT_EQ(combo->Text(), "Apple");
    EXPECT_EQ(combo->SelStart(), 2);
    EXPECT_EQ(combo->SelLength(), 3);
    EXPECT_EQ(combo->ItemIndex(), 0);
    guitest::Type("r", combo);
    EXPECT_EQ(combo->Text(), "Apricot");
    EXPECT_EQ(combo->ItemIndex(), 1);
    // Free text: no item.
    combo->SelectAll();
    guitest::Type("kiwi", combo);
    EXPECT_EQ(combo->Text(), "kiwi");
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Value(), Variant("kiwi"));
}

TEST_F(ComboFixture, UpAndDownStepWithinTheItems) {
    combo->Items()->SetCommaText("a,b,c");
    focus();
    struct Step {
        int from;
        WORD key;
        int to;
    } steps[] = {{-1, VK_UP, 2}, {-1, VK_DOWN, 0}, {0, VK_UP, 0}, {1, VK_UP, 0}, {2, VK_DOWN, 2}, {1, VK_DOWN, 2}};
    for (const Step& s : steps) {
        combo->SetItemIndex(s.from);
        guitest::Key(s.key);
        EXPECT_EQ(combo->ItemIndex(), s.to) << s.from << " " << s.key;
    }
    // The wheel steps too, without modifier keys only.
    combo->SetItemIndex(0);
    guitest::Wheel(combo, TPoint(20, 10), -120);
    EXPECT_EQ(combo->ItemIndex(), 1);
    guitest::Wheel(combo, TPoint(20, 10), 120);
    EXPECT_EQ(combo->ItemIndex(), 0);
    guitest::Wheel(combo, TPoint(20, 10), -120, ssCtrl);
    EXPECT_EQ(combo->ItemIndex(), 0);
    combo->SetReadOnly(true);
    combo->SetItemIndex(-1);
    guitest::Key(VK_DOWN);
    EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(ComboFixture, TheButtonPressOpensItsClickKeepsItOpenTheNextClickClosesWithoutAccepting) {
    keyMode();
    std::vector<int> closes;
    combo->OnCloseUp = [&](TObject*, bool accept) { closes.push_back(accept ? 1 : 0); };
    guitest::Click(button(), TPoint(3, 3));
    ASSERT_TRUE(combo->ListVisible());
    EXPECT_TRUE(combo->IsDroppedDown());
    TPopupListboxGx* list = combo->PopupListboxIfMade();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->Visible());
    EXPECT_GE(list->Width(), combo->Width());
    EXPECT_EQ(list->RowCount(), 3);
    guitest::Click(button(), TPoint(3, 3));
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(closes, std::vector<int>{0});

    // Keys go to the open list; Return takes its item.
    focus();
    guitest::Key(VK_DOWN, ssAlt);
    ASSERT_TRUE(combo->ListVisible());
    guitest::Key(VK_DOWN);
    guitest::Key(VK_DOWN);
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "");
    guitest::Key(VK_RETURN);
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->Text(), "Two");
    EXPECT_EQ(closes.back(), 1);
    // Alt+Down with the list open closes it through the button.
    guitest::Key(VK_DOWN, ssAlt);
    ASSERT_TRUE(combo->ListVisible());
    guitest::Key(VK_DOWN, ssAlt);
    EXPECT_FALSE(combo->ListVisible());
    // A click elsewhere closes it without accepting.
    guitest::Key(VK_DOWN, ssAlt);
    guitest::Click(other);
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(closes.back(), 0);
}

// A press that opens the list and a drag into it: the row under the pointer at the release is
// chosen, whether the press was on the text or on the button.
TEST_F(ComboFixture, ADragFromTheTextOrTheButtonIntoTheOpenListPicksTheRowUnderThePointer) {
    keyMode();
    struct Case {
        const char* name;
        TControl* from;
        TPoint press;
        std::vector<int> rows;  // the rows the pointer passes over, the last one at the release
    } cases[] = {
        {"from the text, over two rows", combo, TPoint(20, 10), {0, 1}},
        {"from the button", button(), TPoint(3, 3), {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        combo->SetValue(Null());
        QWidget* w = c.from->Widget();
        QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(c.press.x, c.press.y));
        guitest::Pump();
        ASSERT_TRUE(combo->ListVisible());
        TPopupListboxGx* list = combo->PopupListboxIfMade();
        // The pointer, its left button held, over the rows.
        QPointF at;
        for (int row : c.rows) {
            const TRect item = list->ItemRect(row);
            const TPoint local =
                c.from->ScreenToClient(list->ClientToScreen(TPoint(item.Left + 5, (item.Top + item.Bottom) / 2)));
            at = QPointF(local.x, local.y);
            QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(w, &move);
            guitest::Pump();
        }
        QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, at.toPoint());
        guitest::Pump();
        EXPECT_FALSE(combo->ListVisible());
        EXPECT_EQ(combo->Text(), "Two");
        EXPECT_EQ(combo->Value(), Variant("2"));
        if (combo->ListVisible()) combo->CloseUp(false);
    }
}

TEST_F(ComboFixture, TheListIsSizedByItsWidestItemAndKeepsTheGripsSize) {
    combo->Items()->SetCommaText("a,\"a much longer item text than the box\",c");
    combo->DropDownBox()->SetWidth(-1);
    combo->DropDownBox()->SetSizable(true);
    combo->DropDown();
    TPopupListboxGx* list = combo->PopupListboxIfMade();
    ASSERT_TRUE(combo->ListVisible());
    EXPECT_GT(list->Width(), combo->Width());
    EXPECT_TRUE(list->SizeGrip()->Visible());
    combo->CloseUp(false);
    EXPECT_EQ(combo->DropDownBox()->Width(), -1);  // not resized: nothing stored

    combo->DropDown();
    list->SetBounds(list->Left(), list->Top(), 260, list->Height() - list->ItemHeight());
    combo->CloseUp(false);
    EXPECT_EQ(combo->DropDownBox()->Width(), 260);
    EXPECT_EQ(combo->DropDownBox()->Rows(), 2);
}

TEST_F(ComboFixture, DeleteClearsAnOptionalKeyButNotARequiredOne) {
    keyMode();
    TClientDataSet ds(nullptr);
    ds.FieldDefs()->Add("Opt", ftString, 5);
    ds.FieldDefs()->Add("Req", ftString, 5, true);
    ds.CreateDataSet();
    ds.AppendRecord({Variant("2"), Variant("3")});
    ds.First();
    TDataSource src(nullptr);
    src.SetDataSet(&ds);
    combo->SetDataSource(&src);
    struct Case {
        const char* field;
        const char* before;
        bool cleared;
    } cases[] = {{"Opt", "Two", true}, {"Req", "Three", false}};
    for (const Case& c : cases) {
        combo->SetDataField(c.field);
        focus();
        EXPECT_EQ(combo->Text(), c.before);
        guitest::Key(VK_DELETE);
        EXPECT_EQ(combo->Text(), c.cleared ? "" : c.before) << c.field;
        EXPECT_EQ(VarIsNull(combo->Value()), c.cleared) << c.field;
        other->SetFocus();
        guitest::Pump();
        EXPECT_EQ(ds.FieldByName(c.field)->IsNull(), c.cleared) << c.field;
    }
    combo->SetDataSource(nullptr);
}

TEST_F(ComboFixture, OnNotInListOnlyForTextThatIsNoItem) {
    combo->Items()->SetCommaText("Apple,Banana");
    std::vector<std::string> asked;
    combo->OnNotInList = [&](TObject*, const AnsiString& text, bool&) { asked.push_back(text.str()); };
    combo->SetText("Banana");
    EXPECT_TRUE(asked.empty());
    combo->SetText("Cherry");
    EXPECT_EQ(asked, std::vector<std::string>{"Cherry"});
}

TEST_F(ComboFixture, AKeyKeepsItsTextWhenTheItemsChange) {
    combo->KeyItems()->SetCommaText("1,2,3");
    combo->SetValue(Variant("2"));
    EXPECT_EQ(combo->Text(), "");  // no texts yet
    combo->Items()->SetCommaText("One,Two,Three");
    EXPECT_EQ(combo->Text(), "Two");
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Value(), Variant("2"));

    // Texts filled only when the list drops down.
    combo->Items()->Clear();
    EXPECT_EQ(combo->Text(), "");
    combo->OnListGetItems = [&](TObject*) { combo->Items()->SetCommaText("Uno,Dos,Tres"); };
    combo->DropDown();
    EXPECT_EQ(combo->Text(), "Dos");
    EXPECT_EQ(combo->PopupListboxIfMade()->ItemIndex(), 1);
    combo->CloseUp(false);
    EXPECT_EQ(combo->Value(), Variant("2"));
}

}  // namespace
