// The popup building blocks off screen: the MRU list and its filter, the special row, the popup
// list (rows, search, hot tracking, wheel), the MRU list's own scroll bar, the size grip's drag, the
// popup calendar closing through its owner, and no popup taking the focus.
#include "gridlib/editors/ToolCtrlsGx.h"

#include "testlib/gui/GuiHarness.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace {

std::vector<std::string> texts(TStrings* s) {
    std::vector<std::string> out;
    for (int i = 0; i < s->Count(); ++i) out.push_back(s->Get(i).str());
    return out;
}

// ---- MRU list ----------------------------------------------------------------------------------------

TEST(MRUList, AddMovesAnEntryUsedAgainToTheEndAndTrimsTheOldest) {
    TMRUListGx mru(nullptr);
    mru.Items()->SetCommaText("x,ABC,y");
    mru.Add("abc");
    EXPECT_EQ(texts(mru.Items()), (std::vector<std::string>{"x", "y", "ABC"}));  // the stored text stays
    mru.Add("  ");
    EXPECT_EQ(mru.Items()->Count(), 3);
    mru.SetCaseSensitive(true);
    mru.Add("abc");
    EXPECT_EQ(texts(mru.Items()), (std::vector<std::string>{"x", "y", "ABC", "abc"}));
    mru.SetLimit(2);
    EXPECT_EQ(texts(mru.Items()), (std::vector<std::string>{"ABC", "abc"}));
    mru.Add("Ёлка");
    EXPECT_EQ(texts(mru.Items()), (std::vector<std::string>{"abc", "Ёлка"}));
    mru.SetLimit(0);
    EXPECT_EQ(mru.Items()->Count(), 0);
    mru.Add("z");
    EXPECT_EQ(mru.Items()->Count(), 0);

    int activeChanges = 0;
    mru.OnActiveChangeNotify = [&](TObject*) { ++activeChanges; };
    mru.SetActive(true);
    mru.SetActive(true);
    EXPECT_EQ(activeChanges, 1);
    TMRUListGx copy(nullptr);
    copy.SetAutoAdd(false);
    copy.Assign(&mru);
    EXPECT_TRUE(copy.Active());
    EXPECT_EQ(copy.Limit(), 0);
    EXPECT_FALSE(copy.AutoAdd());  // not copied
}

TEST(MRUList, FilterByPrefixAndStopForAWaitingKey) {
    TMRUListGx mru(nullptr);
    mru.Items()->SetCommaText("Абрикос,ab,Абв,банан,абвгд");
    TStringList out;
    EXPECT_TRUE(mru.FilterItemsTo(&out, ""));
    EXPECT_EQ(out.Count(), 5);
    EXPECT_TRUE(mru.FilterItemsTo(&out, "абв"));
    EXPECT_EQ(texts(&out), (std::vector<std::string>{"Абв", "абвгд"}));
    EXPECT_TRUE(mru.FilterItemsTo(&out, "abc"));  // "ab" is shorter than the mask: no match
    EXPECT_TRUE(out.Count() == 0);
    mru.SetCaseSensitive(true);
    EXPECT_TRUE(mru.FilterItemsTo(&out, "абв"));
    EXPECT_EQ(texts(&out), (std::vector<std::string>{"абвгд"}));
    mru.SetCaseSensitive(false);
    mru.OnFilterMRUItem = [](TObject*, bool& accept) { accept = !accept; };
    EXPECT_TRUE(mru.FilterItemsTo(&out, "абв"));
    EXPECT_EQ(out.Count(), 3);
    mru.OnFilterMRUItem = TFilterMRUItemEventGx();

    // A key press waiting: the walk stops after the first entry (and after every hundredth).
    for (int i = 0; i < 250; ++i) mru.Items()->Add("row " + IntToStr(i));
    int looks = 0;
    SetKeyPendingProbe([&] { return ++looks == 3; });
    EXPECT_FALSE(mru.FilterItemsTo(&out, "row"));
    EXPECT_EQ(looks, 3);
    EXPECT_EQ(out.Count(), 201 - 5);  // entries 0 .. 200 looked at, the five fruit not accepted
    SetKeyPendingProbe([] { return true; });
    EXPECT_FALSE(mru.FilterItemsTo(&out, ""));
    EXPECT_EQ(out.Count(), 1);
    mru.CancelIfKeyPending = false;
    EXPECT_TRUE(mru.FilterItemsTo(&out, ""));
    SetKeyPendingProbe(nullptr);
}

// ---- Special row ---------------------------------------------------------------------------------------

TEST(SpecRow, CellsTextIsSplitAtSemicolonsOutsideQuotes) {
    struct Case {
        const char* text;
        std::vector<std::string> cells;
    };
    const Case cases[] = {
        {"A;\"B;C\";D", {"A", "B;C", "D"}},
        {"\t\tA; B", {"A", " B"}},                  // leading tabs skipped, a blank after ';' kept
        {"\"say \"\"hi\"\"\";x", {"say \"hi\"", "x"}},
        {"\"q\"tail", {"q", "tail"}},               // text after a closing quote starts a new cell
        {"a;;b", {"a", "", "b"}},
        {"a;\r\n b", {"a", " b"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> got;
        for (const AnsiString& s : ParseSpecRowCells(c.text)) got.push_back(s.str());
        EXPECT_EQ(got, c.cells) << c.text;
    }
    TSpecRowGx row(nullptr);
    row.SetCellsText("A;\"B;C\";D");
    EXPECT_EQ(row.GetCellText(1), "B;C");
    EXPECT_EQ(row.GetCellText(3), "");
    EXPECT_EQ(row.GetCellText(-1), "");
}

TEST(SpecRow, AssignedColourAndFontAreStoredOthersFollowTheOwner) {
    guitest::EnsureApp();
    TPanel owner(nullptr);
    owner.SetColor(clYellow);
    owner.Font()->SetName("Arial");
    TSpecRowGx row(&owner);
    int changes = 0;
    row.OnChangeNotify = [&](TObject*) { ++changes; };
    EXPECT_EQ(row.Color(), clYellow);
    EXPECT_FALSE(row.IsColorStored());
    owner.SetColor(clAqua);
    EXPECT_EQ(row.Color(), clAqua);
    row.SetColor(clAqua);  // the colour it has already: nothing changes
    EXPECT_FALSE(row.IsColorStored());
    row.SetColor(clRed);
    EXPECT_TRUE(row.IsColorStored());
    EXPECT_EQ(changes, 1);

    EXPECT_EQ(row.Font()->Name(), "Arial");
    EXPECT_FALSE(row.IsFontStored());
    EXPECT_EQ(changes, 1);  // copying the owner's font is no change
    row.Font()->SetSize(14);
    EXPECT_TRUE(row.IsFontStored());
    EXPECT_EQ(changes, 2);
    owner.Font()->SetName("Courier New");
    EXPECT_EQ(row.Font()->Name(), "Arial");

    EXPECT_FALSE(row.IsValueStored());
    row.SetValue(Variant(5));
    EXPECT_TRUE(row.IsValueStored());
    EXPECT_FALSE(row.LocateKey(Variant(5)));  // not visible
    row.SetVisible(true);
    EXPECT_TRUE(row.LocateKey(Variant(5)));
    EXPECT_TRUE(row.LocateKey(Variant("5")));
    EXPECT_FALSE(row.LocateKey(Variant("abc")));  // incomparable: no match

    TSpecRowGx copy(nullptr);
    int copyChanges = 0;
    copy.OnChangeNotify = [&](TObject*) { ++copyChanges; };
    copy.Assign(&row);
    EXPECT_EQ(copyChanges, 1);  // one notification for the whole copy
    EXPECT_EQ(copy.Color(), clRed);
    EXPECT_EQ(copy.Font()->Size(), 14);
    EXPECT_TRUE(copy.Visible());
    EXPECT_EQ(copy.ShortCut(), 32814);
}

// ---- Popup lists -------------------------------------------------------------------------------------------

struct PopupList : ::testing::Test {
    TPopupListboxGx* list = nullptr;
    std::uint32_t ticks = 100000;
    void SetUp() override {
        guitest::EnsureApp();
        SetTickCountSource([this] { return ticks; });
        SetWorkAreaSource([](const TRect*) { return TRect(0, 0, 640, 480); });
        list = new TPopupListboxGx(nullptr);
        list->SetItemHeight(16);
    }
    void TearDown() override {
        delete list;
        SetTickCountSource(nullptr);
        SetWorkAreaSource(nullptr);
    }
    void type(const AnsiString& chars) {
        for (char32_t c : std::u32string(QString::fromStdString(chars.str()).toStdU32String()))
            list->Perform(WM_CHAR, static_cast<WPARAM>(c), 0);
    }
    void show(int left, int top, int width, int rows) {
        list->SetBounds(left, top, width, rows * 16 + list->GetBorderSize());
        list->SetVisible(true);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(list->Widget(), 3000));
    }
};

TEST_F(PopupList, HeightKeepsWholeRows) {
    EXPECT_EQ(list->FrameWidth(), 2);  // a raised two-pixel edge with Ctl3D
    EXPECT_EQ(list->GetBorderSize(), 4);
    list->SetBounds(0, 0, 100, 100);
    EXPECT_EQ(list->Height(), 100);
    EXPECT_EQ(list->RowCount(), 6);
    list->SetBounds(0, 0, 100, 30);
    EXPECT_EQ(list->Height(), 20);
    EXPECT_EQ(list->RowCount(), 1);
    list->SetBounds(0, 0, 5, 5);  // never below a scroll bar's size
    EXPECT_EQ(list->Width(), GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(list->RowCount(), 1);
    list->SetRowCount(3);
    EXPECT_EQ(list->Height(), 3 * 16 + 4);
    list->SetRowCount(0);
    EXPECT_EQ(list->Height(), 16 + 4);
    EXPECT_FALSE(list->CanFocus());
}

TEST_F(PopupList, IncrementalSearchWithinTwoSeconds) {
    list->Items()->SetCommaText("alpha,beta,betamax,gamma,Ёлка");
    type("be");
    EXPECT_EQ(list->ItemIndex(), 1);
    ticks += 1999;
    type("t");
    EXPECT_EQ(list->SearchText(), "bet");
    type("am");
    EXPECT_EQ(list->ItemIndex(), 2);
    ticks += 2100;  // a pause: the search starts again
    type("g");
    EXPECT_EQ(list->SearchText(), "g");
    EXPECT_EQ(list->ItemIndex(), 3);
    list->Perform(WM_CHAR, VK_BACK, 0);
    EXPECT_EQ(list->SearchText(), "");
    type("ёл");
    EXPECT_EQ(list->ItemIndex(), 4);
    list->Perform(WM_CHAR, VK_ESCAPE, 0);
    type(AnsiString(std::string(40, 'z')));
    EXPECT_EQ(list->SearchText(), AnsiString(std::string(32, 'z')));  // at most 32 characters
    EXPECT_EQ(list->ItemIndex(), 4);  // nothing begins with them
}

TEST_F(PopupList, TextsKeptElsewhereInVirtualMode) {
    TStringList ext;
    ext.SetCommaText("один,два,три");
    list->SetExtItems(&ext);
    EXPECT_EQ(list->Count(), 3);
    EXPECT_EQ(list->Items()->Get(2), "три");
    type("дв");
    EXPECT_EQ(list->ItemIndex(), 1);
    list->SetExtItems(nullptr);
    EXPECT_EQ(list->Count(), 0);
}

TEST_F(PopupList, HotTrackingAndWheelScrolling) {
    for (int i = 0; i < 20; ++i) list->Items()->Add("row " + IntToStr(i));
    show(50, 50, 150, 5);
    guitest::MouseMove(list, TPoint(20, list->FrameWidth() + 2 * 16 + 5));
    EXPECT_EQ(list->ItemIndex(), 2);
    guitest::MouseMove(list, TPoint(20, list->FrameWidth() + 3 * 16 + 5));
    EXPECT_EQ(list->ItemIndex(), 3);
    EXPECT_EQ(list->TopIndex(), 0);
    guitest::Wheel(list, TPoint(20, 20), -120);
    EXPECT_EQ(list->TopIndex(), 1);
    guitest::Wheel(list, TPoint(20, 20), 120);
    guitest::Wheel(list, TPoint(20, 20), 120);
    EXPECT_EQ(list->TopIndex(), 0);
}

TEST_F(PopupList, GripIsATriangleInItsCorner) {
    show(50, 50, 150, 5);
    TSizeGripGx* grip = list->SizeGrip();
    EXPECT_EQ(grip->Left(), list->ClientWidth() - grip->Width());
    EXPECT_EQ(grip->Top(), list->ClientHeight() - grip->Height());
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(grip, rgn), RGN_ERROR);
    EXPECT_TRUE(rgn->Contains(TPoint(grip->Width() - 1, grip->Height() - 1)));
    EXPECT_FALSE(rgn->Contains(TPoint(1, 1)));
    grip->ChangePosition(sgcpToTop);
    EXPECT_EQ(grip->Position(), sgpTopRight);
    EXPECT_EQ(grip->Top(), 0);
    ASSERT_NE(GetWindowRgn(grip, rgn), RGN_ERROR);
    EXPECT_TRUE(rgn->Contains(TPoint(grip->Width() - 1, 0)));
    EXPECT_FALSE(rgn->Contains(TPoint(1, grip->Height() - 2)));
    grip->ChangePosition(sgcpToTop);  // already there
    EXPECT_EQ(grip->Position(), sgpTopRight);
    grip->SetLeft(3);  // moved by someone else: back into the corner
    EXPECT_EQ(grip->Left(), list->ClientWidth() - grip->Width());
    EXPECT_EQ(grip->Cursor(), crSizeNESW);
}

// Drags the grip with the left button held to a screen point.
void dragGrip(TSizeGripGx* grip, const std::vector<TPoint>& screenPoints) {
    QWidget* w = grip->Widget();
    auto local = [&](TPoint s) {
        const TPoint o = grip->ClientToScreen(TPoint(0, 0));
        return QPointF(s.x - o.x, s.y - o.y);
    };
    const TPoint start = grip->ClientToScreen(TPoint(grip->Width() / 2, grip->Height() / 2));
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, QPoint(grip->Width() / 2, grip->Height() / 2));
    for (TPoint s : screenPoints) {
        const QPointF l = local(s);
        QMouseEvent move(QEvent::MouseMove, l, w->mapToGlobal(l), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
    const QPointF end = local(screenPoints.empty() ? start : screenPoints.back());
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, end.toPoint());
    guitest::Pump();
}

TEST_F(PopupList, GripDragResizesTheParentWithinTheWorkArea) {
    show(100, 100, 150, 5);  // 150 x 84
    TSizeGripGx* grip = list->SizeGrip();
    int resized = 0;
    grip->OnParentResized = [&](TObject*) { ++resized; };
    const TPoint start = grip->ClientToScreen(TPoint(grip->Width() / 2, grip->Height() / 2));
    dragGrip(grip, {TPoint(start.x + 40, start.y + 32), TPoint(start.x + 400, start.y + 32)});
    EXPECT_GT(resized, 0);
    EXPECT_EQ(list->Left(), 100);
    EXPECT_EQ(list->Left() + list->Width(), 640);  // stopped at the work area's right edge
    EXPECT_EQ(list->RowCount(), 7);
    EXPECT_TRUE(list->ResizedBySizeGrip());
    EXPECT_EQ(grip->Left(), list->ClientWidth() - grip->Width());

    // A grip on the left moves the left edge; the right edge stays.
    grip->ChangePosition(sgcpToLeft);
    const int right = list->Left() + list->Width();
    const TPoint from = grip->ClientToScreen(TPoint(grip->Width() / 2, grip->Height() / 2));
    dragGrip(grip, {TPoint(from.x - 30, from.y), TPoint(from.x - 60, from.y)});
    EXPECT_EQ(list->Left(), 40);
    EXPECT_EQ(list->Left() + list->Width(), right);
    dragGrip(grip, {TPoint(-500, from.y)});
    EXPECT_EQ(list->Left(), 0);  // the work area's left edge
    EXPECT_EQ(list->Left() + list->Width(), right);
}

TEST_F(PopupList, MRUListsScrollBarScrollsTheRows) {
    delete list;
    auto* mru = new TMRUListboxGx(nullptr);
    list = mru;
    list->SetItemHeight(16);
    for (int i = 0; i < 20; ++i) list->Items()->Add("entry " + IntToStr(i));
    show(50, 50, 150, 5);
    mru->UpdateScrollBar();
    TScrollBar* bar = mru->ScrollBar();
    ASSERT_TRUE(bar->Visible());
    EXPECT_EQ(bar->PageSize(), 5);
    EXPECT_EQ(bar->Max(), 19);
    EXPECT_EQ(bar->Top() + bar->Height(), list->SizeGrip()->Top());  // up to the grip
    EXPECT_FALSE(list->SizeGrip()->TriangleWindow());                  // the bar lies beside it
    // The bar's scrolling goes to the list through the window procedure the list put before it.
    bar->Perform(CN_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
    EXPECT_EQ(list->TopIndex(), 1);
    EXPECT_EQ(bar->Position(), 1);
    bar->Perform(CN_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 7), 0);
    EXPECT_EQ(list->TopIndex(), 7);
    guitest::Wheel(list, TPoint(20, 20), -120);
    EXPECT_EQ(bar->Position(), 8);

    list->Items()->Clear();
    list->Items()->Add("one");
    mru->UpdateScrollBar();
    EXPECT_FALSE(bar->Visible());
    EXPECT_TRUE(list->SizeGrip()->TriangleWindow());
}

// ---- Popup calendar ---------------------------------------------------------------------------------------

// An editor that closes the calendar's drop-down.
class ComboOwner : public TComponent, public IComboEditGx {
    PLANTMON_CLASS(ComboOwner, TComponent)
public:
    using TComponent::TComponent;
    std::vector<bool> closes;
    void CloseUp(bool accept) override { closes.push_back(accept); }
};

struct PopupCalendar : ::testing::Test {
    ComboOwner owner{nullptr};
    TPopupMonthCalendarGx* calendar = nullptr;
    void SetUp() override {
        guitest::EnsureApp();
        calendar = new TPopupMonthCalendarGx(&owner);
        calendar->SetDate(EncodeDate(2024, 5, 15));
        calendar->SetLeft(60);
        calendar->SetTop(60);
        calendar->SetVisible(true);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(calendar->Widget(), 3000));
    }
    // A client point over the area asked for (and, for dates, that date).
    TPoint find(DWORD hit, TDateTime date = 0) {
        for (int y = 2; y < calendar->Height(); y += 4)
            for (int x = 2; x < calendar->Width(); x += 4) {
                TDateTime d = 0;
                if (calendar->HitTest(TPoint(x, y), &d) == hit && (date == 0 || d == date)) return TPoint(x, y);
            }
        ADD_FAILURE() << "no point with hit code " << std::hex << hit;
        return TPoint(-1, -1);
    }
};

TEST_F(PopupCalendar, SizedToTheMonthWithItsBorder) {
    const TRect min = calendar->MinReqRect();
    EXPECT_EQ(calendar->BorderWidth(), 2);
    EXPECT_EQ(calendar->Width(), min.Width() + 4);
    EXPECT_EQ(calendar->Height(), min.Height() + 4);
    TDateTime d = EncodeDate(2024, 7, 1);
    EXPECT_EQ(calendar->Perform(MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&d)), 1);
    EXPECT_EQ(calendar->Date(), d);
    EXPECT_EQ(calendar->Perform(MCM_SETCURSEL, 0, 0), 1);  // always reports success
}

TEST_F(PopupCalendar, ADateClickAcceptsTheMonthButtonsAndHeaderDoNot) {
    guitest::Click(calendar, find(MCHT_TITLEBTNPREV));
    EXPECT_EQ(calendar->Date(), EncodeDate(2024, 4, 15));
    guitest::Click(calendar, find(MCHT_CALENDARDAY));
    guitest::Click(calendar, find(MCHT_TITLEYEAR));
    EXPECT_TRUE(owner.closes.empty());
    guitest::Click(calendar, find(MCHT_CALENDARDATE, EncodeDate(2024, 4, 20)));
    EXPECT_EQ(calendar->Date(), EncodeDate(2024, 4, 20));
    EXPECT_EQ(owner.closes, std::vector<bool>{true});
    guitest::Click(calendar, find(MCHT_CALENDARDATENEXT));  // a date of the next month shown
    EXPECT_EQ(calendar->Date() >= EncodeDate(2024, 5, 1), true);
    guitest::Click(calendar, find(MCHT_TODAYLINK));
    EXPECT_EQ(calendar->Date(), Date());
    guitest::Click(calendar, find(MCHT_TITLEMONTH));
    EXPECT_EQ(owner.closes, (std::vector<bool>{true, true, true, true}));
}

TEST_F(PopupCalendar, EnterAcceptsEscapeDoesNotAndBothAreConsumed) {
    EXPECT_EQ(calendar->Perform(CM_WANTSPECIALKEY, VK_ESCAPE, 0), 1);
    EXPECT_EQ(calendar->Perform(WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS);
    calendar->Perform(WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(calendar->Date(), EncodeDate(2024, 5, 16));
    calendar->Perform(WM_KEYDOWN, VK_ESCAPE, 0);
    calendar->Perform(WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(owner.closes, (std::vector<bool>{false, true}));

    // The wheel moves the date a day.
    guitest::Wheel(calendar, TPoint(30, 60), -120);
    EXPECT_EQ(calendar->Date(), EncodeDate(2024, 5, 17));
    guitest::Wheel(calendar, TPoint(30, 60), 120);
    EXPECT_EQ(calendar->Date(), EncodeDate(2024, 5, 16));

    // Losing the focus closes it without accepting, through a posted message.
    calendar->Perform(WM_KILLFOCUS, 0, 0);
    EXPECT_TRUE(guitest::WaitFor([&] { return owner.closes.size() == 3; }));
    EXPECT_FALSE(owner.closes.back());
}

TEST(PopupCalendarWithoutOwner, KeysAreConsumedAndNothingCloses) {
    guitest::EnsureApp();
    TComponent plain(nullptr);
    auto* calendar = new TPopupMonthCalendarGx(&plain);
    EXPECT_EQ(calendar->Perform(CM_WANTSPECIALKEY, VK_RETURN, 0), 0);
    calendar->Perform(WM_KEYDOWN, VK_RETURN, 0);
    calendar->Perform(WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(calendar->Owner(), &plain);
}

// ---- Focus -------------------------------------------------------------------------------------------------

TEST(Popups, NoneTakesTheFocusFromTheEditor) {
    guitest::EnsureApp();
    auto* form = new TForm(nullptr);
    form->SetClientSize(300, 200);
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    guitest::ShowForm(form);
    edit->SetFocus();
    ASSERT_TRUE(guitest::WaitFor([&] { return edit->Focused(); }));

    auto* list = new TPopupListboxGx(form);
    list->SetParent(form);
    list->Items()->SetCommaText("a,b,c");
    const TPoint below = edit->ClientToScreen(TPoint(0, edit->Height()));
    list->SetBounds(below.x, below.y, 120, 3 * list->ItemHeight() + list->GetBorderSize());
    list->SetVisible(true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->Widget(), 3000));
    EXPECT_NE(list->Widget()->window(), form->Widget()->window());  // a window of its own
    EXPECT_EQ(list->Font()->Name(), form->Font()->Name());          // with its parent's font
    guitest::Click(list, TPoint(20, list->FrameWidth() + list->ItemHeight() + 3));
    EXPECT_EQ(list->ItemIndex(), 1);

    auto* calendar = new TPopupMonthCalendarGx(form);
    calendar->SetParent(form);
    calendar->SetBounds(below.x + 130, below.y, calendar->Width(), calendar->Height());
    calendar->SetVisible(true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(calendar->Widget(), 3000));
    guitest::Click(calendar, TPoint(calendar->Width() / 2, calendar->Height() / 2));
    guitest::Settle();

    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_EQ(QApplication::focusWidget(), edit->Widget());
    form->Free();
}

}  // namespace
