// Actions that no handler takes go to the focused control: the edit actions act on an edit's text,
// a data-aware control hands dataset actions to its data link first.
#include "data/DBClient.h"
#include "gui/ActnList.h"
#include "gui/Clipbrd.h"
#include "gui/Forms.h"
#include "gui/StdActns.h"
#include "gui/StdCtrls.h"
#include "testlib/DataTestSupport.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <string>

namespace {

enum Act { Copy, Cut, Paste, SelectAll, Delete };

struct EditActions : ::testing::Test {
    TForm* form = nullptr;
    TEdit* edit = nullptr;
    TButton* button = nullptr;
    TActionList* list = nullptr;
    TEditAction* actions[5] = {};

    void SetUp() override {
        form = new TForm(nullptr);
        form->SetClientSize(300, 200);
        edit = new TEdit(form);
        edit->SetParent(form);
        button = new TButton(form);
        button->SetParent(form);
        button->SetTop(40);
        list = new TActionList(form);
        actions[Copy] = new TEditCopy(form);
        actions[Cut] = new TEditCut(form);
        actions[Paste] = new TEditPaste(form);
        actions[SelectAll] = new TEditSelectAll(form);
        actions[Delete] = new TEditDelete(form);
        for (TEditAction* a : actions) a->SetActionList(list);
        guitest::ShowForm(form);
    }
    void TearDown() override { form->Free(); }
};

TEST_F(EditActions, ActOnTheFocusedEditsTextAndSelection) {
    const char* T = "Уголь марки Ж";
    struct Case {
        const char* name;
        const char* text;
        int selStart, selLength;
        bool readOnly;
        const char* clipboard;  // nullptr: the clipboard holds no text
        Act action;
        bool enabled;
        const char* textAfter;
        const char* clipboardAfter;
    } cases[] = {
        {"copy a selection", T, 0, 5, false, "старое", Copy, true, T, "Уголь"},
        {"copy without a selection", T, 3, 0, false, "старое", Copy, false, T, "старое"},
        {"cut a selection", T, 0, 6, false, "старое", Cut, true, "марки Ж", "Уголь "},
        {"cut from a read-only edit", T, 0, 5, true, "старое", Cut, false, T, "старое"},
        {"paste over a selection", T, 0, 5, false, "Антрацит", Paste, true, "Антрацит марки Ж", "Антрацит"},
        {"paste into a read-only edit", T, 0, 5, true, "Антрацит", Paste, false, T, "Антрацит"},
        {"paste without text on the clipboard", T, 0, 5, false, nullptr, Paste, false, T, ""},
        {"select all", T, 2, 0, false, "старое", SelectAll, true, T, "старое"},
        {"select all in an empty edit", "", 0, 0, false, "старое", SelectAll, false, "", "старое"},
        {"delete a selection", T, 5, 6, false, "старое", Delete, true, "Уголь Ж", "старое"},
        {"delete without a selection", T, 5, 0, false, "старое", Delete, false, T, "старое"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        edit->SetReadOnly(c.readOnly);
        edit->SetText(c.text);
        edit->SetFocus();
        ASSERT_TRUE(guitest::WaitFor([&] { return edit->Focused(); }));
        edit->SetSelStart(c.selStart);
        edit->SetSelLength(c.selLength);
        if (c.clipboard) Clipboard()->SetAsText(c.clipboard);
        else Clipboard()->Clear();
        TEditAction* a = actions[c.action];
        a->SetEnabled(!c.enabled);
        EXPECT_TRUE(a->Update());
        EXPECT_EQ(a->Enabled(), c.enabled);
        EXPECT_EQ(a->Execute(), c.enabled);
        EXPECT_EQ(edit->Text(), c.textAfter);
        EXPECT_EQ(Clipboard()->AsText(), c.clipboardAfter);
        if (c.action == SelectAll && c.enabled) {
            EXPECT_EQ(edit->SelText(), c.text);
        }
    }
}

TEST_F(EditActions, NothingFocusedTakesThemSoTheyAreDisabledAndAHandlerComesFirst) {
    edit->SetText("Зола");
    Clipboard()->SetAsText("буфер");
    button->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return button->Focused(); }));
    for (TEditAction* a : actions) {
        SCOPED_TRACE(a->ClassName().str());
        a->SetEnabled(true);
        EXPECT_FALSE(a->Update());
        EXPECT_FALSE(a->Enabled());
        EXPECT_FALSE(a->Execute());
    }
    EXPECT_EQ(edit->Text(), "Зола");

    // With the edit focused, a handler of the action or of its list takes it before the edit does.
    edit->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return edit->Focused(); }));
    edit->SetSelStart(0);
    edit->SetSelLength(4);
    int ownHandler = 0;
    actions[Copy]->OnExecute = [&](TObject*) { ++ownHandler; };
    EXPECT_TRUE(actions[Copy]->Execute());
    EXPECT_EQ(ownHandler, 1);
    int listHandler = 0;
    list->OnExecute = [&](TBasicAction* a, bool& handled) {
        handled = a == actions[Cut];
        if (handled) ++listHandler;
    };
    EXPECT_TRUE(actions[Cut]->Execute());
    EXPECT_EQ(listHandler, 1);
    EXPECT_EQ(edit->Text(), "Зола");
    EXPECT_EQ(Clipboard()->AsText(), "буфер");
    // What nobody took reaches the edit.
    EXPECT_TRUE(actions[Delete]->Execute());
    EXPECT_EQ(edit->Text(), "");
}

// A focused data-aware control: its data link answers dataset actions first; select-all it takes
// itself.
class TLinkedControl : public TCustomControl {
public:
    explicit TLinkedControl(TComponent* owner) : TCustomControl(owner) { SetTabStop(true); }
    TDataLink link;
    int selectAllRuns = 0;

    bool ExecuteAction(TBasicAction* a) override {
        if (link.ExecuteAction(a)) return true;
        if (dynamic_cast<TEditSelectAll*>(a)) {
            ++selectAllRuns;
            return true;
        }
        return TCustomControl::ExecuteAction(a);
    }
    bool UpdateAction(TBasicAction* a) override {
        if (link.UpdateAction(a)) return true;
        if (auto* s = dynamic_cast<TEditSelectAll*>(a)) {
            s->SetEnabled(true);
            return true;
        }
        return TCustomControl::UpdateAction(a);
    }
};

// Goes to the first record of the open dataset behind a data source.
class TFirstRecord : public TAction {
public:
    explicit TFirstRecord(TComponent* owner) : TAction(owner) {}
    bool HandlesTarget(TObject* t) override {
        auto* src = dynamic_cast<TDataSource*>(t);
        return src && src->DataSet() && src->DataSet()->Active();
    }
    void ExecuteTarget(TObject* t) override { static_cast<TDataSource*>(t)->DataSet()->First(); }
    void UpdateTarget(TObject* t) override { SetEnabled(!static_cast<TDataSource*>(t)->DataSet()->Bof()); }
};

TEST_F(EditActions, ADataLinkAnswersBeforeItsControl) {
    TClientDataSet ds(nullptr);
    datatest::FillRows(ds, 5);
    TDataSource src(nullptr);
    src.SetDataSet(&ds);
    auto* c = new TLinkedControl(form);
    c->SetParent(form);
    c->SetBounds(0, 80, 100, 60);
    c->link.SetDataSource(&src);
    auto* first = new TFirstRecord(form);
    first->SetActionList(list);
    ds.Last();
    c->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return c->Focused(); }));

    EXPECT_TRUE(first->Update());
    EXPECT_TRUE(first->Enabled());
    EXPECT_TRUE(first->Execute());
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_TRUE(first->Update());
    EXPECT_FALSE(first->Enabled());

    // An action that does not act on the data source goes on to the control.
    EXPECT_TRUE(actions[SelectAll]->Update());
    EXPECT_TRUE(actions[SelectAll]->Execute());
    EXPECT_EQ(c->selectAllRuns, 1);

    // Without a data source the link takes nothing, and nothing else takes a dataset action.
    c->link.SetDataSource(nullptr);
    ds.Last();
    first->SetEnabled(true);
    EXPECT_FALSE(first->Update());
    EXPECT_FALSE(first->Execute());
    EXPECT_EQ(ds.RecNo(), 5);
    // A copy the control does not know is disabled.
    EXPECT_FALSE(actions[Copy]->Update());
    EXPECT_FALSE(actions[Copy]->Enabled());
}

}  // namespace
