// Keys, the message hook, shortcuts, dialog keys, focus and the mouse.
#include "gui/ActnList.h"
#include "gui/ComCtrls.h"
#include "gui/Dialogs.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/Menus.h"
#include "gui/QtControlsInternal.h"
#include "gui/StdCtrls.h"
#include "gui/WinApi.h"
#include "testlib/gui/GuiHarness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Pressing Ctrl, Shift or Alt is a key of its own, as on the window system.
bool isModifier(WORD k) { return k == VK_SHIFT || k == VK_CONTROL || k == VK_MENU; }

struct FormFixture : ::testing::Test {
    TForm* form = nullptr;
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetClientSize(400, 300);
    }
    void TearDown() override { form->Free(); }
    TEdit* edit(int top) {
        auto* e = new TEdit(form);
        e->SetParent(form);
        e->SetTop(top);
        return e;
    }
};

using Keys = FormFixture;

TEST_F(Keys, KeyDownThenKeyPressThenKeyUp) {
    TEdit* e = edit(10);
    std::vector<std::string> seen;
    e->OnKeyDown = [&](TObject*, WORD& k, TShiftState) { seen.push_back("down " + std::to_string(k)); };
    e->OnKeyPress = [&](TObject*, WideChar& c) { seen.push_back("press " + std::string(1, static_cast<char>(c))); };
    e->OnKeyUp = [&](TObject*, WORD& k, TShiftState) { seen.push_back("up " + std::to_string(k)); };
    guitest::ShowForm(form);
    e->SetFocus();
    guitest::Key('A');
    EXPECT_EQ(seen, (std::vector<std::string>{"down 65", "press a", "up 65"}));
    EXPECT_EQ(e->Text(), "a");
}

TEST_F(Keys, HandlersDecideWhatReachesTheEdit) {
    TEdit* e = edit(10);
    guitest::ShowForm(form);
    e->SetFocus();
    struct Case {
        const char* name;
        bool zeroKey;       // OnKeyDown sets Key := 0
        WideChar replace;   // OnKeyPress changes the character (0: takes it away; 1: leaves it)
        const char* typed;  // what the edit shows after typing "x"
    };
    const Case cases[] = {
        {"untouched", false, 1, "x"},
        {"key-down consumed: the character still comes", true, 1, "x"},
        {"character removed", false, 0, ""},
        {"character replaced", false, L'Я', "Я"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        e->SetText("");
        e->OnKeyDown = [&](TObject*, WORD& k, TShiftState) {
            if (c.zeroKey) k = 0;
        };
        e->OnKeyPress = [&](TObject*, WideChar& ch) {
            if (c.replace != 1) ch = c.replace;
        };
        guitest::Key('X');
        EXPECT_EQ(e->Text(), c.typed);
    }
}

// An edit that takes the queued character out of the queue in its key-down handling.
class TPeekingEdit : public TEdit {
public:
    using TEdit::TEdit;
    int presses = 0;
    bool peeked = false;

protected:
    void KeyDown(WORD& key, TShiftState shift) override {
        TMsg m;
        peeked = PeekMessage(&m, Handle(), WM_CHAR, WM_CHAR, PM_REMOVE);
        TEdit::KeyDown(key, shift);
    }
    void KeyPress(WideChar& key) override {
        ++presses;
        TEdit::KeyPress(key);
    }
};

TEST_F(Keys, AQueuedCharacterCanBeRemovedDuringKeyDown) {
    auto* e = new TPeekingEdit(form);
    e->SetParent(form);
    guitest::ShowForm(form);
    e->SetFocus();
    guitest::Key('Q');
    EXPECT_TRUE(e->peeked);
    EXPECT_EQ(e->presses, 0);
    EXPECT_EQ(e->Text(), "");
}

TEST_F(Keys, KeyPreviewGivesTheFormTheKeysFirst) {
    TEdit* e = edit(10);
    form->SetKeyPreview(true);
    std::vector<std::string> seen;
    form->OnKeyDown = [&](TObject*, WORD& k, TShiftState) {
        seen.push_back("form");
        if (k == VK_F2) k = 0;
    };
    e->OnKeyDown = [&](TObject*, WORD&, TShiftState) { seen.push_back("edit"); };
    guitest::ShowForm(form);
    e->SetFocus();
    guitest::Key(VK_F3);
    guitest::Key(VK_F2);
    EXPECT_EQ(seen, (std::vector<std::string>{"form", "edit", "form"}));
}

TEST_F(Keys, TabMovesAlongTheTabOrder) {
    TEdit* a = edit(10);
    TEdit* b = edit(40);
    TEdit* c = edit(70);
    b->SetTabOrder(0);  // b, a, c
    std::vector<std::string> seen;
    auto log = [&](const char* s) { return [&seen, s](TObject*) { seen.push_back(s); }; };
    a->OnEnter = log("enter a");
    a->OnExit = log("exit a");
    b->OnEnter = log("enter b");
    b->OnExit = log("exit b");
    c->OnEnter = log("enter c");
    guitest::ShowForm(form);
    EXPECT_EQ(form->ActiveControl(), b);  // the first in tab order takes the focus
    guitest::Key(VK_TAB);
    EXPECT_TRUE(a->Focused());
    guitest::Key(VK_TAB);
    EXPECT_TRUE(c->Focused());
    guitest::Key(VK_TAB, ssShift);
    EXPECT_TRUE(a->Focused());
    EXPECT_EQ(seen, (std::vector<std::string>{"enter b", "exit b", "enter a", "exit a", "enter c", "enter a"}));
}

// Ctrl+Tab and Ctrl+Shift+Tab turn the pages of the page control that holds the focus, wrapping
// round and passing over hidden tabs; a control outside it keeps Ctrl+Tab from turning them.
TEST_F(Keys, CtrlTabTurnsThePagesOfThePageControlWithTheFocus) {
    auto* pc = new TPageControl(form);
    pc->SetParent(form);
    pc->SetBounds(0, 0, 400, 200);
    std::vector<TEdit*> edits;
    for (const char* caption : {"Первая", "Вторая", "Скрытая", "Четвёртая"}) {
        auto* page = new TTabSheet(form);
        page->SetPageControl(pc);
        page->SetCaption(caption);
        auto* e = new TEdit(form);
        e->SetParent(page);
        edits.push_back(e);
    }
    pc->Pages(2)->SetTabVisible(false);
    TEdit* outside = edit(250);
    int changes = 0;
    pc->OnChange = [&](TObject*) { ++changes; };
    guitest::ShowForm(form);
    edits[0]->SetFocus();
    struct Step {
        TShiftState shift;
        int page;
    } steps[] = {{ssCtrl, 1}, {ssCtrl, 3}, {ssCtrl, 0}, {ssCtrl | ssShift, 3}, {ssCtrl | ssShift, 1}};
    for (const Step& st : steps) {
        guitest::Key(VK_TAB, st.shift);
        EXPECT_EQ(pc->ActivePageIndex(), st.page);
        // The focus stays inside the page control, so the next Ctrl+Tab turns the page again.
        TWinControl* f = GetFocus();
        EXPECT_TRUE(f && pc->ContainsControl(f));
    }
    EXPECT_EQ(changes, 5);
    outside->SetFocus();
    guitest::Key(VK_TAB, ssCtrl);
    EXPECT_EQ(pc->ActivePageIndex(), 1);
    EXPECT_TRUE(outside->Focused());
}

TEST_F(Keys, AnExceptionOnExitKeepsTheFocusAndIsShown) {
    guitest::MessageBoxRecorder boxes;
    TEdit* a = edit(10);
    TEdit* b = edit(40);
    bool valid = false;
    a->OnExit = [&](TObject*) {
        if (!valid) throw EConvertError("Неверное значение");
    };
    guitest::ShowForm(form);
    a->SetFocus();
    guitest::Pump();
    b->SetFocus();
    guitest::Pump();
    EXPECT_TRUE(a->Focused());
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().Text, "Неверное значение.");
    valid = true;
    b->SetFocus();
    guitest::Pump();
    EXPECT_TRUE(b->Focused());
}

TEST_F(Keys, ReturnAndEscapeClickTheDefaultAndCancelButtons) {
    TEdit* e = edit(10);
    auto* ok = new TButton(form);
    ok->SetParent(form);
    ok->SetDefault(true);
    auto* cancel = new TButton(form);
    cancel->SetParent(form);
    cancel->SetCancel(true);
    std::vector<std::string> seen;
    ok->OnClick = [&](TObject*) { seen.push_back("ok"); };
    cancel->OnClick = [&](TObject*) { seen.push_back("cancel"); };
    guitest::ShowForm(form);
    e->SetFocus();
    guitest::Key(VK_RETURN);
    guitest::Key(VK_ESCAPE);
    // A focused button takes Return itself.
    cancel->SetFocus();
    guitest::Pump();
    guitest::Key(VK_RETURN);
    EXPECT_EQ(seen, (std::vector<std::string>{"ok", "cancel", "cancel"}));
}

TEST_F(Keys, ActionShortcutsRunFromTheForm) {
    TEdit* e = edit(10);
    auto* list = new TActionList(form);
    auto* act = new TAction(form);
    act->SetActionList(list);
    act->SetShortCut(ShortCut(VK_F5, ssAlt));
    int runs = 0;
    act->OnExecute = [&](TObject*) { ++runs; };
    auto* disabled = new TAction(form);
    disabled->SetActionList(list);
    disabled->SetShortCut(ShortCut('Q', ssCtrl));
    disabled->SetEnabled(false);
    disabled->OnExecute = [&](TObject*) { ADD_FAILURE() << "a disabled action ran"; };
    std::vector<WORD> reached;
    e->OnKeyDown = [&](TObject*, WORD& k, TShiftState) {
        if (!isModifier(k)) reached.push_back(k);
    };
    guitest::ShowForm(form);
    e->SetFocus();
    guitest::Key(VK_F5, ssAlt);
    guitest::Key('Q', ssCtrl);
    EXPECT_EQ(runs, 1);
    // The shortcut key does not reach the control; the disabled one does.
    EXPECT_EQ(reached, std::vector<WORD>{'Q'});
}

TEST_F(Keys, MenuItemsAnswerTheirShortcuts) {
    auto* menu = new TMainMenu(form);
    auto* top = new TMenuItem(form);
    top->SetCaption("&Файл");
    menu->Items()->Add(top);
    auto* item = new TMenuItem(form);
    item->SetCaption("Вы&ход");
    item->SetShortCut(TextToShortCut("Ctrl+Q"));
    int clicks = 0;
    item->OnClick = [&](TObject*) { ++clicks; };
    top->Add(item);
    form->SetMenu(menu);
    TEdit* e = edit(10);
    guitest::ShowForm(form);
    e->SetFocus();
    guitest::Key('Q', ssCtrl);
    EXPECT_EQ(clicks, 1);
    // The menu bar takes room above the client area.
    EXPECT_LT(form->ClientHeight(), form->Height());
}

// The main window's MDI frame with a child screen, as the program runs.
struct MdiKeys : ::testing::Test {
    TForm* frame = nullptr;
    TForm* child = nullptr;
    TEdit* edit = nullptr;
    void SetUp() override {
        frame = new TForm(Application);
        Application->FormCreated(frame);
        frame->SetFormStyle(fsMDIForm);
        frame->SetClientSize(800, 600);
        guitest::ShowForm(frame);
        child = new TForm(Application);
        child->SetFormStyle(fsMDIChild);
        child->AfterConstruction();
        edit = new TEdit(child);
        edit->SetParent(child);
        guitest::Pump();
        edit->SetFocus();
        guitest::Pump();
    }
    void TearDown() override {
        Application->OnMessage = nullptr;
        child->Free();
        Application->FormDestroyed(frame);
        frame->Free();
    }
};

TEST_F(MdiKeys, TheHookSeesCtrlF4AndCtrlF6BeforeTheMdiArea) {
    std::vector<WORD> hooked;
    Application->OnMessage = [&](TMsg& m, bool& handled) {
        if (m.message == WM_KEYDOWN && GetKeyState(VK_CONTROL) < 0 && (m.wParam == VK_F4 || m.wParam == VK_F6)) {
            hooked.push_back(static_cast<WORD>(m.wParam));
            handled = true;
        }
    };
    std::vector<WORD> reached;
    edit->OnKeyDown = [&](TObject*, WORD& k, TShiftState) {
        if (!isModifier(k)) reached.push_back(k);
    };
    guitest::Key(VK_F4, ssCtrl);
    guitest::Key(VK_F6, ssCtrl);
    EXPECT_EQ(hooked, (std::vector<WORD>{VK_F4, VK_F6}));
    // Neither the MDI area (close, next window) nor the control saw them.
    EXPECT_TRUE(child->Visible());
    EXPECT_TRUE(child->SubWindow()->isVisible());
    EXPECT_EQ(frame->MDIArea()->activeSubWindow(), child->SubWindow());
    EXPECT_TRUE(reached.empty());
    // Keys the hook leaves alone go on to the control.
    guitest::Key(VK_F7, ssCtrl);
    EXPECT_EQ(reached, std::vector<WORD>{VK_F7});
}

// A modal dialog that closes hands the focus back to the control that had it, in a top-level form
// and in an MDI child: Tab and the shortcuts go on working there.
TEST_F(MdiKeys, TheFocusReturnsToItsControlAfterAModalDialog) {
    auto* single = new TForm(Application);
    single->SetClientSize(300, 200);
    auto* singleEdit = new TEdit(single);
    singleEdit->SetParent(single);
    auto* dialog = new TForm(Application);
    dialog->SetClientSize(200, 100);
    auto* dialogEdit = new TEdit(dialog);
    dialogEdit->SetParent(dialog);
    struct Case {
        const char* name;
        std::function<void()> show;
        TEdit* focused;
    } cases[] = {
        {"MDI child", [&] { child->BringToFront(); }, edit},
        {"top-level form", [&] { guitest::ShowForm(single); }, singleEdit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.show();
        guitest::Settle();
        c.focused->SetFocus();
        guitest::Settle();
        ASSERT_TRUE(c.focused->Focused());
        guitest::ModalDriver modal;
        modal.Then([&](TCustomForm* f) {
            EXPECT_TRUE(dialogEdit->Focused());
            f->SetModalResult(mrOk);
        });
        EXPECT_EQ(dialog->ShowModal(), mrOk);
        guitest::Settle();
        EXPECT_TRUE(c.focused->Focused());
        EXPECT_EQ(GetFocus(), c.focused);
        single->Hide();
    }
    dialog->Free();
    single->Free();
}

// The same after a real message box, answered by a click on its button.
TEST_F(MdiKeys, TheFocusReturnsToItsControlAfterAMessageBox) {
    edit->SetFocus();
    guitest::Settle();
    ASSERT_TRUE(edit->Focused());
    const TMessageBoxSink previous = SetMessageBoxSink(nullptr);
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            if (!box->buttons().isEmpty()) box->buttons().front()->click();
    });
    answer.start(10);
    const int r = Application->MessageBox("Проверка", "Внимание", MB_OK);
    answer.stop();
    SetMessageBoxSink(previous);
    EXPECT_EQ(r, IDOK);
    guitest::Settle();
    EXPECT_TRUE(edit->Focused());
}

TEST_F(MdiKeys, TheMainWindowsActionsAnswerFromAChildScreen) {
    auto* list = new TActionList(frame);
    auto* act = new TAction(frame);
    act->SetActionList(list);
    act->SetShortCut(ShortCut(VK_F4, ssAlt));
    int runs = 0;
    act->OnExecute = [&](TObject*) { ++runs; };
    guitest::Key(VK_F4, ssAlt);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(child->Visible());
}

using Mouse = FormFixture;

// A custom control that logs the mouse.
class TMouseProbe : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    std::vector<std::string> seen;
    std::vector<LPARAM> cancels;

protected:
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
        seen.push_back(std::string(b == mbLeft ? "down" : "rdown") + ((s & ssDouble) ? " double" : "") + " " +
                       std::to_string(x) + "," + std::to_string(y));
        TCustomControl::MouseDown(b, s, x, y);
    }
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override {
        seen.push_back("up");
        TCustomControl::MouseUp(b, s, x, y);
    }
    void CMCancelMode(TMessage& m) override {
        cancels.push_back(m.LParam);
        TCustomControl::CMCancelMode(m);
    }
};

TEST_F(Mouse, ClicksAndDoubleClicks) {
    auto* p = new TMouseProbe(form);
    p->SetParent(form);
    p->SetBounds(10, 10, 100, 50);
    int clicks = 0, dbl = 0;
    p->OnClick = [&](TObject*) { ++clicks; };
    p->OnDblClick = [&](TObject*) { ++dbl; };
    guitest::ShowForm(form);
    guitest::Click(p, TPoint(5, 6));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(p->seen, (std::vector<std::string>{"down 5,6", "up"}));
    p->seen.clear();
    guitest::DblClick(p, TPoint(7, 8));
    EXPECT_EQ(dbl, 1);
    ASSERT_FALSE(p->seen.empty());
    EXPECT_NE(std::find(p->seen.begin(), p->seen.end(), "down double 7,8"), p->seen.end());
}

TEST_F(Mouse, APressElsewhereCancelsTheFocusedControlsMode) {
    auto* focused = new TMouseProbe(form);
    focused->SetParent(form);
    focused->SetBounds(10, 10, 100, 50);
    focused->SetTabStop(true);
    focused->Widget()->setFocusPolicy(Qt::StrongFocus);
    auto* other = new TMouseProbe(form);
    other->SetParent(form);
    other->SetBounds(10, 100, 100, 50);
    guitest::ShowForm(form);
    focused->SetFocus();
    guitest::Pump();
    ASSERT_TRUE(focused->Focused());
    guitest::Click(other, TPoint(3, 3));
    ASSERT_EQ(focused->cancels.size(), 1u);
    EXPECT_EQ(focused->cancels[0], reinterpret_cast<LPARAM>(other));
}

TEST_F(Mouse, CaptureSendsTheMouseToOneWindow) {
    auto* a = new TMouseProbe(form);
    a->SetParent(form);
    a->SetBounds(0, 0, 50, 50);
    auto* b = new TMouseProbe(form);
    b->SetParent(form);
    b->SetBounds(100, 0, 50, 50);
    guitest::ShowForm(form);
    SetCapture(a);
    EXPECT_EQ(GetCapture(), a);
    guitest::MouseDown(b, TPoint(10, 10));
    ASSERT_EQ(a->seen.size(), 1u);
    EXPECT_EQ(a->seen[0], "down 110,10");  // in a's coordinates
    EXPECT_TRUE(b->seen.empty());
    ReleaseCapture();
    guitest::MouseUp(b, TPoint(10, 10));
    EXPECT_EQ(b->seen.back(), "up");
}

TEST_F(Mouse, RightPressOpensThePopupMenu) {
    guitest::DialogDriver dialogs;
    auto* p = new TMouseProbe(form);
    p->SetParent(form);
    p->SetBounds(10, 10, 100, 50);
    auto* menu = new TPopupMenu(form);
    auto* item = new TMenuItem(form);
    item->SetCaption("&Печать");
    int printed = 0;
    item->OnClick = [&](TObject*) { ++printed; };
    menu->Items()->Add(item);
    p->SetPopupMenu(menu);
    guitest::ShowForm(form);
    dialogs.ChoosePopupItem("Печать");
    guitest::Click(p, TPoint(20, 20), mbRight);
    EXPECT_EQ(dialogs.PopupsShown(), 1);
    EXPECT_EQ(printed, 1);
    EXPECT_EQ(menu->PopupComponent(), p);
    // The right press came first.
    EXPECT_EQ(p->seen.front(), "rdown 20,20");
}

}  // namespace
