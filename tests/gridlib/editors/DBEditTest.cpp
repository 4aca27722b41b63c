// The data-aware edit control off screen: its own value without a dataset, writing back with and
// without OnUpdateData, Escape, the field's length and texts, a field name without a source,
// leaving with an incomplete mask or a value the field refuses, keys, and the in-place mode.
#include "gridlib/editors/DBCtrlsGx.h"

#include "testlib/DataTestSupport.h"
#include "testlib/gui/GuiHarness.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

struct EditFixture : ::testing::Test {
    datatest::RussianLocale locale;
    TForm* form = nullptr;
    TDBEditGx* edit = nullptr;
    TEdit* other = nullptr;
    TClientDataSet ds{nullptr};
    TDataSource src{nullptr};

    void SetUp() override {
        guitest::EnsureApp();
        ds.FieldDefs()->Add("ID", ftInteger, 0, true);
        ds.FieldDefs()->Add("Name", ftString, 20);
        ds.FieldDefs()->Add("Short", ftString, 10);
        ds.FieldDefs()->Add("Amount", ftFloat);
        ds.CreateDataSet();
        ds.AppendRecord({Variant(1), Variant("one"), Variant("s"), Variant(1.5)});
        ds.MergeChangeLog();
        ds.First();
        src.SetDataSet(&ds);
        form = new TForm(nullptr);
        form->SetClientSize(300, 120);
        edit = new TDBEditGx(form);
        edit->SetParent(form);
        edit->SetBounds(10, 10, 150, 21);
        other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(10, 60, 100, 21);
        guitest::ShowForm(form);
    }
    void TearDown() override {
        form->Free();
        guitest::FlushDeletes();
    }
    void bind(const char* field) {
        edit->SetDataSource(&src);
        edit->SetDataField(field);
    }
    void focusEdit() {
        edit->SetFocus();
        guitest::Pump();
        ASSERT_TRUE(edit->Focused());
    }
    void leave() {
        other->SetFocus();
        guitest::Pump();
    }
};

TEST_F(EditFixture, ADataIndependentEditorKeepsItsOwnValue) {
    EXPECT_TRUE(edit->DataIndepended());
    EXPECT_FALSE(edit->IsTextStored());
    focusEdit();
    guitest::Type("abc", edit);
    EXPECT_EQ(edit->Text(), "abc");
    leave();
    EXPECT_EQ(edit->FieldDataLink()->LocalValue, Variant("abc"));
    EXPECT_FALSE(edit->FieldDataLink()->Editing());
    EXPECT_TRUE(edit->IsTextStored());
    edit->SetValue(Variant(42));
    EXPECT_EQ(edit->Text(), "42");
    EXPECT_EQ(edit->FieldDataLink()->LocalValue, Variant("42"));
    edit->Clear();
    EXPECT_EQ(edit->Text(), "");
    EXPECT_FALSE(edit->IsTextStored());
}

TEST_F(EditFixture, OnUpdateDataThatHandlesLeavesTheFieldButClearsModifiedAndFeedsTheMRUList) {
    bind("Name");
    edit->MRUList()->SetActive(true);
    int calls = 0;
    edit->OnUpdateData = [&](TObject*, bool& handled) {
        ++calls;
        handled = true;
    };
    focusEdit();
    edit->SelectAll();
    guitest::Type("zz", edit);
    leave();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(ds.FieldByName("Name")->AsString(), "one");
    EXPECT_FALSE(edit->Modified());
    ASSERT_EQ(edit->MRUList()->Items()->Count(), 1);
    EXPECT_EQ(edit->MRUList()->Items()->Get(0), "zz");

    // Without a handler the text reaches the field.
    edit->OnUpdateData = TUpdateDataEventGx();
    focusEdit();
    edit->SelectAll();
    guitest::Type("two", edit);
    leave();
    EXPECT_EQ(ds.FieldByName("Name")->AsString(), "two");
}

TEST_F(EditFixture, EscapeRestoresTheFieldAndStaysWithTheEditor) {
    bind("Name");
    auto* cancel = new TButton(form);
    cancel->SetParent(form);
    cancel->SetBounds(200, 60, 60, 25);
    cancel->SetCancel(true);
    int cancelled = 0;
    cancel->OnClick = [&](TObject*) { ++cancelled; };
    focusEdit();
    edit->SelectAll();
    guitest::Type("xyz", edit);
    ASSERT_TRUE(edit->Modified());
    guitest::Key(VK_ESCAPE);
    EXPECT_EQ(edit->Text(), "one");
    EXPECT_EQ(cancelled, 0);
    EXPECT_EQ(edit->SelLength(), 3);
}

TEST_F(EditFixture, MaxLengthComesFromTheStringFieldAndGoesWithIt) {
    bind("Name");
    EXPECT_EQ(edit->MaxLength(), 20);
    edit->SetDataField("Short");
    EXPECT_EQ(edit->MaxLength(), 10);
    edit->SetDataField("Amount");
    EXPECT_EQ(edit->MaxLength(), 0);
}

TEST_F(EditFixture, FocusedShowsTheEditTextUnfocusedTheDisplayText) {
    static_cast<TFloatField*>(ds.FieldByName("Amount"))->SetDisplayFormat("0.000");
    static_cast<TFloatField*>(ds.FieldByName("Amount"))->SetEditFormat("0.##");
    bind("Amount");
    leave();
    EXPECT_EQ(edit->Text(), "1,500");
    focusEdit();
    EXPECT_EQ(edit->Text(), "1,5");
    leave();
    EXPECT_EQ(edit->Text(), "1,500");
}

TEST_F(EditFixture, AFieldNameWithoutASourceEditsNothing) {
    edit->SetDataField("Name");
    EXPECT_FALSE(edit->DataIndepended());
    edit->SetText("x");
    edit->SetValue(Variant(5));
    edit->Clear();
    edit->Undo();
    EXPECT_EQ(edit->Text(), "");
    // The same with a closed dataset.
    bind("Name");
    ds.Close();
    edit->SetText("x");
    EXPECT_EQ(edit->Text(), "");
}

TEST_F(EditFixture, LeavingWithAnIncompleteMaskOrARefusedValueKeepsTheFocus) {
    guitest::MessageBoxRecorder boxes;
    edit->SetEditMask("00-00;1;_");
    focusEdit();
    edit->SetSelStart(0);
    guitest::Type("12", edit);
    leave();
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(boxes.Count(), 1);
    guitest::Type("34", edit);
    leave();
    EXPECT_TRUE(other->Focused());
    EXPECT_EQ(edit->FieldDataLink()->LocalValue, Variant("12-34"));

    // A value the integer field refuses.
    boxes.Clear();
    edit->SetEditMask("");
    bind("ID");
    focusEdit();
    edit->SelectAll();
    guitest::Type("x99999999999", edit);  // a letter is refused at once, the number when written
    EXPECT_EQ(edit->Text(), "99999999999");
    leave();
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(boxes.Count(), 1);
    EXPECT_EQ(edit->SelLength(), CharCount(edit->Text()));
}

TEST_F(EditFixture, CtrlASelectsAllOnlyWithCtrlAlone) {
    edit->SetText("hello");
    focusEdit();
    edit->SetSelStart(2);
    guitest::Key('A', ssCtrl | ssShift);
    EXPECT_EQ(edit->SelLength(), 0);
    guitest::Key('A', ssCtrl);
    EXPECT_EQ(edit->SelLength(), 5);
}

TEST_F(EditFixture, ReturnAndTabReachTheTextOnlyWhenWanted) {
    focusEdit();
    edit->Perform(WM_CHAR, '\r', 0);
    edit->Perform(WM_CHAR, '\t', 0);
    edit->Perform(WM_CHAR, '\n', 0);
    guitest::Pump();
    EXPECT_EQ(edit->Text(), "");
    EXPECT_EQ(edit->Perform(WM_GETDLGCODE) & (DLGC_WANTTAB | DLGC_WANTALLKEYS), 0);
    edit->SetWantTabs(true);
    edit->SetWantReturns(true);
    EXPECT_EQ(edit->Perform(WM_GETDLGCODE) & (DLGC_WANTTAB | DLGC_WANTALLKEYS), DLGC_WANTTAB | DLGC_WANTALLKEYS);
}

TEST_F(EditFixture, WordWrapBreaksLinesAtReturnOnlyWhenReturnsAreWanted) {
    edit->SetAutoSize(false);
    edit->SetHeight(60);
    edit->EditButton()->SetVisible(true);
    edit->SetWordWrap(true);
    EXPECT_TRUE(edit->MultiLine());
    // The buttons stay on the edit.
    EXPECT_EQ(edit->EditButtonControls()[0].EditButtonControl->Parent(), edit);
    EXPECT_TRUE(edit->EditButtonControls()[0].EditButtonControl->Widget()->isVisible());
    focusEdit();
    guitest::Type("ab", edit);
    guitest::Key(VK_RETURN);
    guitest::Type("c", edit);
    EXPECT_EQ(edit->Text(), "abc");
    edit->SetWantReturns(true);
    guitest::Key(VK_RETURN);
    guitest::Type("d", edit);
    EXPECT_EQ(edit->Text(), "abc\r\nd");
    leave();
    EXPECT_EQ(edit->FieldDataLink()->LocalValue, Variant("abc\r\nd"));
    edit->SetWordWrap(false);
    EXPECT_FALSE(edit->MultiLine());
}

// ---- In-place mode ----------------------------------------------------------------------------------

class FakeHolder : public TPanel, public IInplaceEditHolderGx {
public:
    explicit FakeHolder(TComponent* owner) : TPanel(owner) {}
    bool canModify = true;
    std::vector<UINT> seen;
    WORD swallowKey = 0;
    bool InplaceEditCanModify(TControl*) override { return canModify; }
    void GetMouseDownInfo(TPoint& pos, DWORD& time) override {
        pos = TPoint(-100, -100);
        time = 0;
    }
    void InplaceEditWndProc(TControl*, TMessage& m) override {
        if (m.Msg == WM_KEYDOWN || m.Msg == CM_CANCELMODE) seen.push_back(m.Msg);
    }
    void InplaceEditKeyDown(TControl*, WORD& key, TShiftState) override {
        if (key == swallowKey) key = 0;
    }
    void InplaceEditKeyPress(TControl*, WideChar&) override {}
    void InplaceEditKeyUp(TControl*, WORD&, TShiftState) override {}
};

TEST_F(EditFixture, InPlaceModeNeedsAHolderAndHidesTheWindowOnly) {
    auto* plain = new TPanel(form);
    try {
        edit->SetInplaceEditHolder(plain);
        FAIL() << "accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "InplaceEditHolder have to support IInplaceEditHolderGx interface");
    }
    EXPECT_FALSE(edit->InplaceMode());

    auto* holder = new FakeHolder(form);
    holder->SetParent(form);
    holder->SetBounds(170, 10, 120, 40);
    IInplaceEditGx* intf = edit;
    intf->SetInplaceEditHolder(holder);
    EXPECT_TRUE(edit->InplaceMode());
    intf->SetColor(clYellow);
    EXPECT_EQ(edit->Color(), clYellow);

    edit->SetVisible(false);
    EXPECT_TRUE(edit->Visible());
    EXPECT_FALSE(edit->GetVisible());
    edit->Move(TRect(20, 20, 120, 41));
    EXPECT_TRUE(edit->GetVisible());
    EXPECT_EQ(edit->BoundsRect(), TRect(20, 20, 120, 41));
    EXPECT_NE(std::find(holder->seen.begin(), holder->seen.end(), CM_CANCELMODE), holder->seen.end());
    edit->Move(TRect());
    EXPECT_FALSE(edit->GetVisible());
    EXPECT_TRUE(edit->Visible());

    // The holder sees the keys first and may take them; it decides whether the text may change.
    edit->Move(TRect(20, 20, 120, 41));
    holder->swallowKey = VK_DELETE;
    edit->SetText("abc");
    edit->Perform(WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_FALSE(edit->FieldDataLink()->Editing());
    holder->canModify = false;
    edit->FieldDataLink()->Edit();
    EXPECT_TRUE(edit->FieldDataLink()->Editing());
    // Editing, but the holder refuses changes: the native edit stays read-only.
    EXPECT_TRUE(static_cast<TCustomEdit*>(edit)->ReadOnly());
    holder->canModify = true;
    edit->SetReadOnly(true);
    edit->SetReadOnly(false);
    EXPECT_FALSE(static_cast<TCustomEdit*>(edit)->ReadOnly());
    intf->SetInplaceEditHolder(nullptr);
    EXPECT_FALSE(edit->InplaceMode());
}

}  // namespace
