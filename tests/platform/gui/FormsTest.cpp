// Forms and the application: creation order, MDI children, modal loops, closing, freeing.
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/QtControlsInternal.h"
#include "gui/StdCtrls.h"
#include "testlib/gui/GuiHarness.h"

#include <QMdiArea>
#include <QTimer>
#include <QMdiSubWindow>
#include <QPointer>
#include <QStyle>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_events;

class TFormFirst;
TFormFirst* FormFirst = nullptr;

// Its constructor reaches its own global, as the main window's does.
class TFormFirst : public TForm {
public:
    explicit TFormFirst(TComponent* owner) : TForm(owner) {
        sawItself = FormFirst == this;
        OnCreate = TNotifyEvent(this, &TFormFirst::FormCreate);
        OnDestroy = TNotifyEvent(this, &TFormFirst::FormDestroy);
        g_events.push_back("ctor");
    }
    void FormCreate(TObject*) { g_events.push_back("create"); }
    void FormDestroy(TObject*) { g_events.push_back("destroy " + std::to_string(field)); }
    bool sawItself = false;
    int field = 7;  // still readable in OnDestroy
};

TEST(Application, CreateFormSetsTheGlobalBeforeTheConstructorAndRunsOnCreateAfterIt) {
    g_events.clear();
    auto* app = new TApplication(nullptr);
    app->CreateForm(FormFirst);
    ASSERT_NE(FormFirst, nullptr);
    EXPECT_TRUE(FormFirst->sawItself);
    EXPECT_EQ(app->MainForm(), FormFirst);
    EXPECT_EQ(g_events, (std::vector<std::string>{"ctor", "create"}));
    delete app;  // frees its forms, OnDestroy first
    EXPECT_EQ(g_events.back(), "destroy 7");
    FormFirst = nullptr;
}

class TFailing : public TForm {
public:
    explicit TFailing(TComponent* owner) : TForm(owner) { throw EConvertError("bad form"); }
};

TEST(Application, AFailedConstructorLeavesTheGlobalEmpty) {
    auto* app = new TApplication(nullptr);
    TFailing* ref = nullptr;
    EXPECT_THROW(app->CreateForm(ref), EConvertError);
    EXPECT_EQ(ref, nullptr);
    delete app;
}

TEST(Forms, OwnedFormsSayOnDestroyWhileWhole) {
    g_events.clear();
    auto* owner = new TForm(nullptr);
    auto* child = NewForm<TFormFirst>(owner);
    child->field = 9;
    owner->Free();
    EXPECT_EQ(g_events.back(), "destroy 9");
}

TEST(Forms, ReleaseFreesTheFormFromTheLoop) {
    g_events.clear();
    auto* f = NewForm<TFormFirst>(nullptr);
    auto* b = new TButton(f);
    b->SetParent(f);
    guitest::ShowForm(f);
    // The form frees itself from its own button's handler.
    b->OnClick = [f](TObject*) { f->Release(); };
    guitest::Click(b);
    EXPECT_EQ(g_events.back(), "destroy 7");
    guitest::FlushDeletes();
}

TEST(Forms, ShowModalEndsWithTheButtonsModalResult) {
    guitest::ModalDriver driver;
    auto* f = new TForm(nullptr);
    auto* ok = new TButton(f);
    ok->SetParent(f);
    ok->SetModalResult(mrOk);
    driver.Then([ok](TCustomForm*) { guitest::Click(ok); });
    EXPECT_EQ(f->ShowModal(), mrOk);
    EXPECT_FALSE(f->Visible());
    EXPECT_EQ(Application->ModalLevel(), 0);
    // Closing a modal form gives mrCancel; OnCloseQuery may refuse, and the dialog stays up.
    int asked = 0;
    f->OnCloseQuery = [&](TObject*, bool& can) {
        can = ++asked > 1;
        if (!can) QTimer::singleShot(0, [f] { f->Close(); });
    };
    driver.Then([](TCustomForm* form) { form->Close(); });
    EXPECT_EQ(f->ShowModal(), mrCancel);
    EXPECT_EQ(asked, 2);
    f->Free();
}

TEST(Forms, TimerKeepsFiringWhileAModalDialogIsOpen) {
    guitest::ModalDriver driver;
    auto* host = new TForm(nullptr);
    auto* timer = new TTimer(host);
    timer->SetInterval(10);
    int ticks = 0;
    timer->OnTimer = [&](TObject*) { ++ticks; };
    auto* dlg = new TForm(nullptr);
    // The dialog stays up until the timer has ticked a few times.
    driver.Then([&](TCustomForm* form) {
        auto* watch = new TTimer(form);
        watch->SetInterval(5);
        watch->OnTimer = [&, form](TObject*) {
            if (ticks >= 3) form->SetModalResult(mrOk);
        };
    });
    EXPECT_EQ(dlg->ShowModal(), mrOk);
    EXPECT_GE(ticks, 3);
    dlg->Free();
    host->Free();
}

TEST(Forms, CloseHidesAndCanBeRefused) {
    auto* f = new TForm(nullptr);
    guitest::ShowForm(f);
    std::vector<std::string> seen;
    bool allow = false;
    f->OnCloseQuery = [&](TObject*, bool& can) {
        seen.push_back("query");
        can = allow;
    };
    f->OnClose = [&](TObject*, TCloseAction&) { seen.push_back("close"); };
    f->OnHide = [&](TObject*) { seen.push_back("hide"); };
    f->Close();
    EXPECT_TRUE(f->Visible());
    allow = true;
    f->Close();
    EXPECT_FALSE(f->Visible());
    EXPECT_EQ(seen, (std::vector<std::string>{"query", "query", "close", "hide"}));
    f->Free();
}

struct MdiFixture : ::testing::Test {
    TApplication* app = nullptr;
    TForm* frame = nullptr;
    void SetUp() override {
        // The MDI frame must be the application's main form.
        frame = new TForm(Application);
        Application->FormCreated(frame);
        frame->SetFormStyle(fsMDIForm);
        frame->SetClientSize(800, 600);
        guitest::ShowForm(frame);
    }
    void TearDown() override {
        Application->FormDestroyed(frame);
        frame->Free();
    }
    TForm* child(const char* name) {
        auto* c = new TForm(Application);
        c->SetName(name);
        c->SetFormStyle(fsMDIChild);
        c->AfterConstruction();
        return c;
    }
};

TEST_F(MdiFixture, ChildrenAreVisibleFromCreationInsideTheFrame) {
    TForm* a = child("A");
    TForm* b = child("B");
    guitest::Pump();
    EXPECT_TRUE(a->Visible());
    EXPECT_TRUE(a->SubWindow()->isVisible());
    EXPECT_EQ(a->SubWindow()->mdiArea(), frame->MDIArea());
    EXPECT_EQ(frame->MDIChildCount(), 2);
    b->SetWindowState(wsMaximized);
    guitest::Pump();
    EXPECT_EQ(b->WindowState(), wsMaximized);
    // A maximized child fills the area: its client grows with the frame.
    int before = b->ClientWidth();
    frame->SetClientSize(900, 600);
    guitest::Pump();
    EXPECT_GT(b->ClientWidth(), before);
    a->Free();
    b->Free();
    EXPECT_EQ(frame->MDIChildCount(), 0);
}

TEST_F(MdiFixture, AlignedControlsLeaveTheRestToTheArea) {
    auto* top = new TPanel(frame);
    top->SetParent(frame);
    top->SetHeight(76);
    top->SetAlign(alTop);
    guitest::Pump();
    QRect area = frame->MDIArea()->geometry();
    EXPECT_EQ(area.top(), 76);
    EXPECT_EQ(area.height(), frame->ClientHeight() - 76);
}

// A form sets its border before it becomes an MDI child (as a form's constructor does) or after:
// either way its sub-window shows only the buttons the border asks for.
TEST_F(MdiFixture, SubWindowShowsTheButtonsOfTheFormsBorder) {
    struct Case {
        const char* name;
        TBorderStyle style;
        TBorderIcons icons;
        bool close, minimize, maximize;
    } cases[] = {
        {"system menu only", bsSizeable, biSystemMenu, true, false, false},
        {"no icons", bsSizeable, 0, false, false, false},
        {"all icons", bsSizeable, biSystemMenu | biMinimize | biMaximize, true, true, true},
        {"min/max without system menu", bsSingle, biMinimize | biMaximize, false, false, false},
        {"dialog border", bsDialog, biSystemMenu | biMinimize | biMaximize, true, false, false},
        {"tool window", bsToolWindow, biSystemMenu | biMaximize, true, false, false},
    };
    for (const Case& c : cases) {
        for (bool borderFirst : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (borderFirst ? ", border set first" : ", border set after"));
            auto* f = new TForm(Application);
            if (borderFirst) {
                f->SetBorderStyle(c.style);
                f->SetBorderIcons(c.icons);
            }
            f->SetFormStyle(fsMDIChild);
            f->AfterConstruction();
            if (!borderFirst) {
                f->SetBorderStyle(c.style);
                f->SetBorderIcons(c.icons);
            }
            guitest::Pump();
            ASSERT_NE(f->SubWindow(), nullptr);
            EXPECT_TRUE(f->SubWindow()->isVisible());
            const Qt::WindowFlags flags = f->SubWindow()->windowFlags();
            EXPECT_EQ(flags.testFlag(Qt::WindowCloseButtonHint), c.close);
            EXPECT_EQ(flags.testFlag(Qt::WindowMinimizeButtonHint), c.minimize);
            EXPECT_EQ(flags.testFlag(Qt::WindowMaximizeButtonHint), c.maximize);
            f->Free();
        }
    }
}

// No window shows the toolkit's logo: an MDI sub-window and a top-level form carry the program's
// own (blank) icon.
TEST_F(MdiFixture, WindowsDoNotShowTheToolkitsLogo) {
    TForm* c = child("WithIcon");
    guitest::Pump();
    const QPixmap logo = c->SubWindow()->style()->standardIcon(QStyle::SP_TitleBarMenuButton).pixmap(16, 16);
    for (QWidget* w : {static_cast<QWidget*>(c->SubWindow()), frame->Widget()}) {
        SCOPED_TRACE(w == frame->Widget() ? "top-level form" : "MDI sub-window");
        const QIcon icon = w->windowIcon();
        ASSERT_FALSE(icon.isNull());
        EXPECT_NE(icon.pixmap(16, 16).toImage(), logo.toImage());
    }
    c->Free();
}

TEST_F(MdiFixture, FreeingTheFrameLeavesChildFormsIntact) {
    auto* f2 = new TForm(nullptr);
    Application->FormDestroyed(frame);
    Application->FormCreated(f2);
    f2->SetFormStyle(fsMDIForm);
    TForm* c = new TForm(Application);
    c->SetFormStyle(fsMDIChild);
    c->AfterConstruction();
    auto* panel = new TPanel(c);
    panel->SetParent(c);
    QPointer<QWidget> window = c->Widget(), inner = panel->Widget();
    f2->Free();  // the child's window leaves the frame first
    guitest::Pump();
    // The child is a window of its own now, with its controls in it.
    EXPECT_EQ(c->SubWindow(), nullptr);
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(window->parentWidget(), nullptr);
    ASSERT_FALSE(inner.isNull());
    EXPECT_TRUE(window->isAncestorOf(inner));
    c->SetCaption("после рамки");
    EXPECT_EQ(c->Caption(), "после рамки");
    c->Free();
    Application->FormCreated(frame);
}

}  // namespace
