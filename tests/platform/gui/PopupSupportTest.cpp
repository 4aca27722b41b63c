// What drop-down windows stand on: message hooks, popup windows, window shapes and window-only
// visibility, virtual list boxes, scroll-bar notifications, the month calendar, and the window
// calls (scrolling with the uncovered part, finding windows, the work area, pictures by number).
#include "gui/ComCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/StdCtrls.h"
#include "gui/WinApi.h"
#include "testlib/gui/GuiHarness.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

namespace {

struct Form : ::testing::Test {
    TForm* form = nullptr;
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetClientSize(400, 300);
    }
    void TearDown() override { form->Free(); }
};

// Puts its own handler before a control's and passes everything on.
struct Hook {
    TControl* control;
    TWndMethod previous;
    std::vector<UINT> seen;
    bool swallowClicks = false;
    explicit Hook(TControl* c) : control(c), previous(c->WindowProc()) { c->SetWindowProc(TWndMethod(this, &Hook::proc)); }
    ~Hook() { control->SetWindowProc(previous); }
    void proc(TMessage& m) {
        seen.push_back(m.Msg);
        if (swallowClicks && m.Msg == WM_LBUTTONDOWN) return;
        previous(m);
    }
};

TEST_F(Form, AReplacedWindowProcSeesEveryMessageAndChains) {
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 100, 50);
    int downs = 0;
    panel->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    guitest::ShowForm(form);
    const TWndMethod own = panel->WindowProc();
    {
        Hook hook(panel);
        panel->Perform(CM_CHANGED);
        guitest::Click(panel, TPoint(5, 5));
        EXPECT_EQ(downs, 1);  // passed on
        EXPECT_NE(std::find(hook.seen.begin(), hook.seen.end(), UINT(CM_CHANGED)), hook.seen.end());
        EXPECT_NE(std::find(hook.seen.begin(), hook.seen.end(), UINT(WM_LBUTTONDOWN)), hook.seen.end());
        hook.swallowClicks = true;
        guitest::Click(panel, TPoint(5, 5));
        EXPECT_EQ(downs, 1);  // kept back
    }
    EXPECT_TRUE(panel->WindowProc() == own);  // taken back
    guitest::Click(panel, TPoint(5, 5));
    EXPECT_EQ(downs, 2);
}

TEST_F(Form, PopupWindowsStayWindowsAndTakeNoFocus) {
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    guitest::ShowForm(form);
    edit->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return edit->Focused(); }));

    auto* popup = new TPanel(form);
    popup->SetVisible(false);
    popup->SetPopupWindow(true);
    popup->SetParent(form);
    popup->SetBounds(500, 400, 80, 60);  // screen coordinates
    EXPECT_TRUE(popup->Widget()->isWindow());
    popup->SetVisible(true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup->Widget(), 3000));
    EXPECT_EQ(popup->ClientToScreen(TPoint(0, 0)), TPoint(500, 400));
    guitest::Click(popup, TPoint(10, 10));
    EXPECT_TRUE(edit->Focused());

    // Its shape and its window's own visibility.
    TPoint tri[3] = {TPoint(0, 60), TPoint(80, 60), TPoint(80, 0)};
    EXPECT_EQ(SetWindowRgn(popup, CreatePolygonRgn(tri, 3, ALTERNATE), true), 1);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(popup, rgn), COMPLEXREGION);
    EXPECT_TRUE(rgn->Contains(TPoint(79, 59)));
    EXPECT_FALSE(rgn->Contains(TPoint(2, 2)));
    EXPECT_TRUE(IsWindowVisible(popup));
    ShowWindow(popup, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(popup));
    EXPECT_TRUE(popup->Visible());  // the property stays
    ShowWindow(popup, SW_SHOWNOACTIVATE);
    EXPECT_TRUE(IsWindowVisible(popup));
    EXPECT_TRUE(edit->Focused());
    popup->SetParent(nullptr);
    EXPECT_TRUE(popup->Widget()->isWindow());
    delete popup;
}

TEST_F(Form, VirtualListTextsComeFromOnData) {
    auto* list = new TListBox(form);
    list->SetParent(form);
    EXPECT_THROW(list->SetCount(3), EListError);  // only virtual lists take a count
    list->SetStyle(lbVirtual);
    const std::vector<std::string> names = {"Уголь", "угол", "Вода", "вода", "Шлам"};
    int asked = 0;
    list->OnData = [&](TWinControl*, int i, AnsiString& s) {
        ++asked;
        s = names[static_cast<std::size_t>(i)];
    };
    list->SetCount(5);
    EXPECT_EQ(list->Count(), 5);
    EXPECT_EQ(list->Items()->Get(4), "Шлам");
    EXPECT_GT(asked, 0);
    auto select = [&](WPARAM after, const char* prefix) {
        return list->Perform(LB_SELECTSTRING, after, reinterpret_cast<LPARAM>(prefix));
    };
    EXPECT_EQ(select(static_cast<WPARAM>(-1), "вод"), 2);  // from the first row, ignoring case
    EXPECT_EQ(list->ItemIndex(), 2);
    EXPECT_EQ(select(2, "вод"), 3);                          // after row 2
    EXPECT_EQ(select(3, "вод"), 2);                          // round past the end
    EXPECT_EQ(select(0xFFFF, "угол"), 0);
    EXPECT_EQ(select(0xFFFF, "угольный"), LB_ERR);           // longer than every text
    EXPECT_EQ(list->ItemIndex(), 0);
    list->SetCount(2);
    EXPECT_EQ(list->Count(), 2);
    EXPECT_EQ(select(0xFFFF, "Шлам"), LB_ERR);
}

TEST_F(Form, ScrollBarNotificationsGoThroughItsWindowProc) {
    auto* bar = new TScrollBar(form);
    bar->SetParent(form);
    bar->SetKind(sbVertical);
    bar->SetParams(0, 0, 50);
    std::vector<std::pair<TScrollCode, int>> scrolls;
    bar->OnScroll = [&](TObject*, TScrollCode code, int& pos) {
        scrolls.emplace_back(code, pos);
        if (code == scLineDown) pos = 10;  // the handler decides where the bar goes
    };
    Hook hook(bar);
    auto* q = static_cast<QScrollBar*>(bar->Widget());
    q->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    ASSERT_EQ(scrolls.size(), 1u);
    EXPECT_EQ(scrolls[0].first, scLineDown);
    EXPECT_EQ(q->sliderPosition(), 10);
    EXPECT_EQ(std::count(hook.seen.begin(), hook.seen.end(), UINT(CN_VSCROLL)), 1);
}

TEST(MonthCalendar, HitAreasDatesAndKeys) {
    guitest::EnsureApp();
    TMonthCalendar cal(nullptr);
    cal.SetAutoSize(true);
    cal.SetDate(EncodeDate(2024, 9, 1));  // a Sunday: Monday 26 August opens the sheet
    const TRect min = cal.MinReqRect();
    EXPECT_EQ(cal.Width(), min.Width());
    std::map<DWORD, TPoint> first;
    std::map<double, DWORD> dates;
    for (int y = 1; y < cal.Height(); y += 2)
        for (int x = 1; x < cal.Width(); x += 2) {
            TDateTime d = 0;
            DWORD hit = cal.HitTest(TPoint(x, y), &d);
            first.emplace(hit, TPoint(x, y));
            if ((hit & MCHT_CALENDAR) && (hit & 0xFFFF) == 1) dates[d] = hit;
        }
    for (DWORD code : {MCHT_TITLEBTNPREV, MCHT_TITLEBTNNEXT, MCHT_TITLEMONTH, MCHT_TITLEYEAR, MCHT_CALENDARDAY,
                       MCHT_CALENDARDATE, MCHT_CALENDARDATEPREV, MCHT_CALENDARDATENEXT, MCHT_TODAYLINK})
        EXPECT_TRUE(first.count(code)) << std::hex << code;
    EXPECT_FALSE(first.count(MCHT_CALENDARWEEKNUM));
    ASSERT_EQ(dates.size(), 42u);  // six whole weeks
    EXPECT_EQ(dates.begin()->first, EncodeDate(2024, 8, 26));
    EXPECT_EQ(dates.begin()->second, MCHT_CALENDARDATEPREV);
    EXPECT_EQ(dates[EncodeDate(2024, 9, 30)], MCHT_CALENDARDATE);
    EXPECT_EQ(dates.rbegin()->second, MCHT_CALENDARDATENEXT);
    EXPECT_EQ(cal.HitTest(TPoint(cal.Width() + 5, 5)), MCHT_NOWHERE);

    TMCHitTestInfo info;
    info.pt = first[MCHT_CALENDARDAY];
    EXPECT_EQ(static_cast<DWORD>(cal.Perform(MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&info))), MCHT_CALENDARDAY);

    cal.SetWeekNumbers(true);
    EXPECT_GT(cal.Width(), min.Width());  // auto-sized for the week numbers
    TRect r;
    cal.Perform(MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.Width(), cal.Width());

    int changes = 0;
    cal.OnChange = [&](TObject*) { ++changes; };
    struct Key {
        WORD vk;
        TDateTime date;
    };
    for (Key k : {Key{VK_DOWN, EncodeDate(2024, 9, 8)}, Key{VK_LEFT, EncodeDate(2024, 9, 7)},
                  Key{VK_NEXT, EncodeDate(2024, 10, 7)}, Key{VK_END, EncodeDate(2024, 10, 31)},
                  Key{VK_HOME, EncodeDate(2024, 10, 1)}, Key{VK_PRIOR, EncodeDate(2024, 9, 1)}}) {
        cal.Perform(WM_KEYDOWN, k.vk, 0);
        EXPECT_EQ(cal.Date(), k.date) << k.vk;
    }
    EXPECT_EQ(changes, 6);
}

TEST_F(Form, WindowCallsOfTheDropDowns) {
    auto* panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(0, 0, 200, 100);
    auto* child = new TPanel(form);
    child->SetParent(panel);
    child->SetBounds(10, 60, 20, 20);
    guitest::ShowForm(form);

    HRGN update = CreateRectRgn(0, 0, 0, 0);
    TRect bounds;
    EXPECT_EQ(ScrollWindowEx(panel, 0, -20, nullptr, nullptr, update, &bounds, SW_SCROLLCHILDREN | SW_INVALIDATE),
              SIMPLEREGION);
    EXPECT_EQ(bounds, TRect(0, 80, 200, 100));  // the strip the scroll uncovered
    EXPECT_EQ(child->Top(), 40);                 // the child moved along
    TRect clip(0, 0, 200, 50);
    EXPECT_EQ(ScrollWindowEx(panel, 0, 0, nullptr, &clip, nullptr, nullptr, 0), NULLREGION);

    form->SetCaption("Окно поиска");
    EXPECT_EQ(FindWindow("TForm", "окно поиска"), form);
    EXPECT_EQ(FindWindow(nullptr, "Окно поиска"), form);
    EXPECT_EQ(FindWindow("TPanel", nullptr), nullptr);  // not a window of its own

    SetWorkAreaSource([](const TRect* nearRect) { return nearRect ? TRect(1000, 0, 1800, 600) : TRect(0, 0, 640, 450); });
    TRect area;
    EXPECT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0));
    EXPECT_EQ(area, TRect(0, 0, 640, 450));
    EXPECT_EQ(WorkAreaNear(TRect(1100, 10, 1200, 20)), TRect(1000, 0, 1800, 600));
    EXPECT_FALSE(SystemParametersInfo(0x0001, 0, &area, 0));
    SetWorkAreaSource(nullptr);

    HBITMAP boxes = LoadBitmap(nullptr, OBM_CHECKBOXES);
    ASSERT_TRUE(boxes);
    EXPECT_EQ(boxes->Width(), 52);
    EXPECT_FALSE(LoadBitmap(nullptr, 32000));
    EXPECT_FALSE(LoadBitmap(HInstance, 12345));
    TPoint pts[2] = {TPoint(3, 4), TPoint(5, 6)};
    TBitmap picture(4, 4);
    EXPECT_TRUE(LPtoDP(picture.Canvas(), pts, 2));
    EXPECT_EQ(pts[1], TPoint(5, 6));
}

TEST(TickCount, ATestClockStandsInForTheRealOne) {
    std::uint32_t now = 0xFFFFFF00u;
    SetTickCountSource([&] { return now; });
    EXPECT_EQ(GetTickCount(), 0xFFFFFF00u);
    now += 0x200;  // wraps like the real one
    EXPECT_EQ(GetTickCount() - 0xFFFFFF00u, 0x200u);
    SetTickCountSource(nullptr);
    const std::uint32_t a = GetTickCount();
    EXPECT_LE(GetTickCount() - a, 60000u);
}

}  // namespace
