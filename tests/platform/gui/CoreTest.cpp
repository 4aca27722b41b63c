// Components and controls: ownership, parents, alignment, messages and the message queue.
#include "gui/Forms.h"
#include "gui/QtControlsInternal.h"
#include "gui/WinApi.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <thread>
#include <string>
#include <vector>

namespace {

// Counts its destructions; the log shows the order.
std::vector<std::string>* g_log = nullptr;

class TLoggedPanel : public TCustomControl {
public:
    TLoggedPanel(TComponent* owner, const char* tag) : TCustomControl(owner), tag_(tag) {}
    ~TLoggedPanel() override {
        if (g_log) g_log->push_back(tag_);
    }
    std::string tag_;
};

class TLoggedGraphic : public TGraphicControl {
public:
    TLoggedGraphic(TComponent* owner, const char* tag) : TGraphicControl(owner), tag_(tag) {}
    ~TLoggedGraphic() override {
        if (g_log) g_log->push_back(tag_);
    }
    std::string tag_;
};

struct LogScope {
    std::vector<std::string> log;
    LogScope() { g_log = &log; }
    ~LogScope() { g_log = nullptr; }
};

TEST(Ownership, OwnerAndParentFreeEachControlOnce) {
    LogScope scope;
    auto* form = new TForm(nullptr);
    auto* panel = new TLoggedPanel(form, "panel");
    panel->SetParent(form);
    // Owned by the form, placed on the panel: the panel frees it, and the form does not again.
    auto* inner = new TLoggedGraphic(form, "inner");
    inner->SetParent(panel);
    // Owned by the panel, placed on the form.
    auto* cross = new TLoggedGraphic(panel, "cross");
    cross->SetParent(form);
    // Owned only.
    auto* loose = new TLoggedPanel(form, "loose");
    EXPECT_EQ(form->ComponentCount(), 3);
    EXPECT_EQ(panel->ComponentCount(), 1);
    EXPECT_EQ(form->ControlCount(), 2);
    (void)loose;
    form->Free();
    std::sort(scope.log.begin(), scope.log.end());
    EXPECT_EQ(scope.log, (std::vector<std::string>{"cross", "inner", "loose", "panel"}));
}

TEST(Ownership, FreeingAChildLeavesParentAndOwnerLists) {
    auto form = std::unique_ptr<TForm>(new TForm(nullptr));
    auto* a = new TLoggedPanel(form.get(), "a");
    a->SetParent(form.get());
    a->SetName("PanelA");
    EXPECT_EQ(form->FindComponent("panela"), a);
    delete a;
    EXPECT_EQ(form->ControlCount(), 0);
    EXPECT_EQ(form->ComponentCount(), 0);
    EXPECT_EQ(form->FindComponent("PanelA"), nullptr);
}

TEST(Ownership, ParentCannotBeADescendant) {
    auto form = std::unique_ptr<TForm>(new TForm(nullptr));
    auto* outer = new TLoggedPanel(form.get(), "o");
    outer->SetParent(form.get());
    auto* inner = new TLoggedPanel(form.get(), "i");
    inner->SetParent(outer);
    EXPECT_THROW(outer->SetParent(inner), EInvalidOperation);
    EXPECT_THROW(outer->SetParent(outer), EInvalidOperation);
}

TEST(Stacking, GraphicControlsLieBelowWindowedSiblings) {
    auto form = std::unique_ptr<TForm>(new TForm(nullptr));
    auto* win = new TLoggedPanel(form.get(), "w");
    win->SetParent(form.get());
    auto* g = new TLoggedGraphic(form.get(), "g");
    g->SetParent(form.get());  // inserted later, still below the panel
    QWidget* client = form->ClientWidget();
    auto order = client->children();
    int iw = order.indexOf(win->Widget()), ig = order.indexOf(g->Widget());
    ASSERT_GE(iw, 0);
    ASSERT_GE(ig, 0);
    EXPECT_LT(ig, iw);  // children() runs from bottom to top
    g->BringToFront();
    order = client->children();
    EXPECT_LT(order.indexOf(g->Widget()), order.indexOf(win->Widget()));
}

TEST(Align, ControlsTakeTheirSidesInOrder) {
    auto form = std::unique_ptr<TForm>(new TForm(nullptr));
    form->SetClientSize(400, 300);
    auto make = [&](TAlign a, int w, int h, int l = 0, int t = 0) {
        auto* c = new TLoggedPanel(form.get(), "");
        c->SetBounds(l, t, w, h);
        c->SetParent(form.get());
        c->SetAlign(a);
        return c;
    };
    TControl* top1 = make(alTop, 10, 20, 0, 0);
    TControl* top2 = make(alTop, 10, 30, 0, 50);
    TControl* bottom = make(alBottom, 10, 40);
    TControl* left = make(alLeft, 50, 10);
    TControl* right = make(alRight, 60, 10);
    TControl* client = make(alClient, 1, 1);
    EXPECT_EQ(top1->BoundsRect(), TRect(0, 0, 400, 20));
    EXPECT_EQ(top2->BoundsRect(), TRect(0, 20, 400, 50));
    EXPECT_EQ(bottom->BoundsRect(), TRect(0, 260, 400, 300));
    EXPECT_EQ(left->BoundsRect(), TRect(0, 50, 50, 260));
    EXPECT_EQ(right->BoundsRect(), TRect(340, 50, 400, 260));
    EXPECT_EQ(client->BoundsRect(), TRect(50, 50, 340, 260));
    // Resizing the parent lays them out again; hiding one gives its room to the others.
    form->SetClientSize(500, 300);
    EXPECT_EQ(right->BoundsRect(), TRect(440, 50, 500, 260));
    top2->Hide();
    EXPECT_EQ(left->BoundsRect(), TRect(0, 20, 50, 260));
    // Too little room: sizes never go negative.
    form->SetClientSize(30, 30);
    EXPECT_GE(client->Width(), 0);
    EXPECT_GE(client->Height(), 0);
}

TEST(Align, AnchoredRightKeepsItsDistance) {
    auto form = std::unique_ptr<TForm>(new TForm(nullptr));
    form->SetClientSize(300, 200);
    auto* c = new TLoggedGraphic(form.get(), "");
    c->SetParent(form.get());
    c->SetBounds(200, 10, 80, 20);
    c->SetAnchors(akTop | akRight);
    auto* s = new TLoggedGraphic(form.get(), "");
    s->SetParent(form.get());
    s->SetBounds(10, 40, 280, 20);
    s->SetAnchors(akLeft | akTop | akRight);
    form->SetClientSize(400, 200);
    EXPECT_EQ(c->BoundsRect(), TRect(300, 10, 380, 30));
    EXPECT_EQ(s->BoundsRect(), TRect(10, 40, 390, 60));
}

TEST(Constraints, MinimumSizeHolds) {
    auto form = std::unique_ptr<TForm>(new TForm(nullptr));
    auto* c = new TLoggedPanel(form.get(), "");
    c->SetParent(form.get());
    c->Constraints()->SetMinWidth(50);
    c->Constraints()->SetMinHeight(30);
    c->SetBounds(0, 0, 10, 10);
    EXPECT_EQ(c->Width(), 50);
    EXPECT_EQ(c->Height(), 30);
}

// A control that records the messages it gets and can consume some.
class TProbe : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    std::vector<UINT> seen;
    UINT consume = 0;
    void WndProc(TMessage& m) override {
        if (m.Msg >= WM_USER && m.Msg < WM_APP) seen.push_back(m.Msg);
        if (m.Msg == consume) {
            m.Result = 42;
            return;
        }
        TCustomControl::WndProc(m);
    }
};

TEST(Messages, PerformAndSendCallWndProcAtOnce) {
    auto form = std::unique_ptr<TForm>(new TForm(nullptr));
    auto* p = new TProbe(form.get());
    p->SetParent(form.get());
    p->consume = WM_USER + 5;
    EXPECT_EQ(p->Perform(WM_USER + 5, 1, 2), 42);
    EXPECT_EQ(SendMessage(p, WM_USER + 5, 0, 0), 42);
    EXPECT_EQ(p->seen.size(), 2u);
}

TEST(Messages, PostedMessagesArriveLaterAndCanBeTakenBack) {
    auto form = std::unique_ptr<TForm>(new TForm(nullptr));
    auto* p = new TProbe(form.get());
    p->SetParent(form.get());
    auto* other = new TProbe(form.get());
    other->SetParent(form.get());
    const UINT deferLayout = 0x464, closeUp = 0x465, ignoreDown = 0x466;
    ASSERT_TRUE(PostMessage(p, deferLayout, 0, 0));
    ASSERT_TRUE(PostMessage(p, ignoreDown, 7, 0));
    ASSERT_TRUE(PostMessage(other, closeUp, 0, 0));
    EXPECT_TRUE(p->seen.empty());
    TMsg msg;
    // Looking does not remove; the window and number range select.
    EXPECT_TRUE(PeekMessage(&msg, p, ignoreDown, ignoreDown, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(PeekMessage(&msg, p, closeUp, closeUp, PM_NOREMOVE));
    EXPECT_TRUE(PeekMessage(&msg, p, deferLayout, deferLayout, PM_REMOVE));
    EXPECT_FALSE(PeekMessage(&msg, p, deferLayout, deferLayout, PM_NOREMOVE));
    guitest::Pump();
    EXPECT_EQ(p->seen, std::vector<UINT>{ignoreDown});
    EXPECT_EQ(other->seen, std::vector<UINT>{closeUp});
    EXPECT_EQ(QueuedMessageCount(), 0);
}

TEST(Messages, PostedMessageForAFreedWindowIsDropped) {
    auto form = std::unique_ptr<TForm>(new TForm(nullptr));
    auto* p = new TProbe(form.get());
    p->SetParent(form.get());
    PostMessage(p, WM_USER + 1, 0, 0);
    delete p;
    EXPECT_EQ(QueuedMessageCount(), 0);
    guitest::Pump();  // nothing may reach the freed control
}

TEST(Messages, HookSeesPostedMessagesFirst) {
    auto form = std::unique_ptr<TForm>(new TForm(nullptr));
    auto* p = new TProbe(form.get());
    p->SetParent(form.get());
    std::vector<UINT> hooked;
    Application->OnMessage = [&](TMsg& m, bool& handled) {
        hooked.push_back(m.message);
        handled = m.message == WM_USER + 2;
    };
    PostMessage(p, WM_USER + 1, 0, 0);
    PostMessage(p, WM_USER + 2, 0, 0);
    guitest::Pump();
    Application->OnMessage = nullptr;
    EXPECT_EQ(hooked, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
    EXPECT_EQ(p->seen, std::vector<UINT>{WM_USER + 1});
}

TEST(Beep, CountsBeepsFromEveryThread) {
    ResetBeepCount();
    MessageBeep(static_cast<UINT>(-1));
    std::thread t([] {
        for (int i = 0; i < 10; ++i) Beep();
    });
    t.join();
    EXPECT_EQ(BeepCount(), 11);
    guitest::Pump();
}

}  // namespace
