// The standard controls: what each one adds to the base behaviour.
#include "gui/ActnList.h"
#include "gui/Buttons.h"
#include "gui/ComCtrls.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/Grids.h"
#include "gui/ImgList.h"
#include "gui/Menus.h"
#include "gui/QtControlsInternal.h"
#include "gui/Spin.h"
#include "gui/StdCtrls.h"
#include "gui/WebView.h"
#include "testlib/gui/GuiHarness.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Fixture : ::testing::Test {
    TForm* form = nullptr;
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetClientSize(500, 400);
    }
    void TearDown() override { form->Free(); }
    template <class T>
    T* add(int left = 0, int top = 0) {
        auto* c = new T(form);
        c->SetParent(form);
        c->SetLeft(left);
        c->SetTop(top);
        return c;
    }
};

TEST(ShortCuts, TextAndCodesRoundTrip) {
    struct Case {
        TShortCut sc;
        const char* text;
    };
    const Case cases[] = {
        {0x4051, "Ctrl+Q"},           {0x8073, "Alt+F4"},       {0x70, "F1"},
        {0xC043, "Ctrl+Alt+C"},       {0x6078, "Shift+Ctrl+F9"}, {0x402E, "Ctrl+Del"},
        {0x0D, "Enter"},              {0x8000 | 0x7A, "Alt+F11"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ShortCutToText(c.sc), c.text);
        EXPECT_EQ(TextToShortCut(c.text), c.sc);
    }
    EXPECT_EQ(TextToShortCut("alt+ctrl+c"), 0xC043);  // any order and case
    EXPECT_EQ(TextToShortCut("Ctrl+"), 0);
    EXPECT_EQ(TextToShortCut("Hyper+Q"), 0);
    EXPECT_EQ(ShortCut(VK_F9, ssCtrl), 0x4078);
}

TEST(KeyMap, QtKeysGiveVirtualKeys) {
    using plantmon::gui::QtKeyToVK;
    EXPECT_EQ(QtKeyToVK(Qt::Key_F4), VK_F4);
    EXPECT_EQ(QtKeyToVK(Qt::Key_Return), VK_RETURN);
    EXPECT_EQ(QtKeyToVK(Qt::Key_Enter), VK_RETURN);
    EXPECT_EQ(QtKeyToVK(Qt::Key_A), 'A');
    EXPECT_EQ(QtKeyToVK(0x0444), 'A');   // Cyrillic "ф" lies on A
    EXPECT_EQ(QtKeyToVK(0x0416), VK_OEM_1);
    EXPECT_EQ(QtKeyToVK(Qt::Key_5, true), VK_NUMPAD5);
    EXPECT_EQ(QtKeyToVK(Qt::Key_Minus, true), VK_SUBTRACT);
    EXPECT_EQ(QtKeyToVK(Qt::Key_Delete), VK_DELETE);
    for (WORD vk : {VK_F1, VK_F12, WORD('Z'), WORD('0'), VK_PRIOR, VK_NEXT, VK_ESCAPE, VK_TAB})
        EXPECT_EQ(QtKeyToVK(plantmon::gui::VKToQtKey(vk)), vk) << vk;
}

using Labels = Fixture;

TEST_F(Labels, AutoSizeFollowsTheTextAndKeepsTheAnchoredSide) {
    auto* l = add<TLabel>(100, 10);
    l->SetCaption("Состояние:");
    int w1 = l->Width();
    EXPECT_GT(w1, 20);
    EXPECT_GT(l->Height(), 5);
    l->SetCaption("Состояние: остановлен");
    EXPECT_GT(l->Width(), w1);
    // A right-aligned label grows to the left.
    l->SetAlignment(taRightJustify);
    int right = l->Left() + l->Width();
    l->SetCaption("x");
    EXPECT_EQ(l->Left() + l->Width(), right);
    l->SetAutoSize(false);
    l->SetWidth(300);
    l->SetCaption("much longer text that would not fit otherwise");
    EXPECT_EQ(l->Width(), 300);
}

TEST_F(Labels, AcceleratorMovesTheFocus) {
    auto* e = add<TEdit>(100, 10);
    auto* l = add<TLabel>(10, 10);
    l->SetCaption("&Порт:");
    l->SetFocusControl(e);
    guitest::ShowForm(form);
    auto* other = add<TEdit>(100, 50);
    other->SetFocus();
    guitest::Pump();
    guitest::KeyText('G', ssAlt, "п");  // Alt+П on a Russian layout (the G key)
    EXPECT_TRUE(e->Focused());
    EXPECT_TRUE(IsAccel(L'П', "&Порт:"));
    EXPECT_FALSE(IsAccel(L'о', "&Порт:"));
    EXPECT_FALSE(IsAccel(L'x', "a && x"));
}

using Edits = Fixture;

TEST_F(Edits, TextMaxLengthPasswordAndChange) {
    auto* e = add<TEdit>();
    int changes = 0;
    e->OnChange = [&](TObject*) { ++changes; };
    e->SetText("COM1");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(e->Text(), "COM1");
    e->SetMaxLength(5);
    e->SetPasswordChar('$');
    guitest::ShowForm(form);
    e->SetFocus();
    e->SetSelStart(4);
    guitest::Type("2345");
    EXPECT_EQ(e->Text(), "COM12");
    // Shown masked, held in clear.
    QImage img = guitest::Grab(e);
    EXPECT_FALSE(img.isNull());
    e->Perform(EM_SETSEL, 0, -1);
    EXPECT_EQ(e->SelLength(), 5);
    e->SetCharCase(ecLowerCase);
    EXPECT_EQ(e->Text(), "com12");
}

TEST_F(Edits, MemoLinesAndReturn) {
    auto* m = add<TMemo>();
    m->Lines()->Add("первая");
    m->Lines()->Add("вторая");
    EXPECT_EQ(m->Lines()->Count(), 2);
    EXPECT_EQ(m->Text(), "первая\r\nвторая");
    m->Lines()->Delete(0);
    EXPECT_EQ(m->Lines()->Get(0), "вторая");
    m->SetText("a\r\nb\r\n");
    EXPECT_EQ(m->Lines()->Count(), 2);
    // Without WantReturns, Return goes to the default button.
    m->SetWantReturns(false);
    auto* ok = add<TButton>(0, 200);
    ok->SetDefault(true);
    int clicks = 0;
    ok->OnClick = [&](TObject*) { ++clicks; };
    guitest::ShowForm(form);
    m->SetFocus();
    guitest::Key(VK_RETURN);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(m->Lines()->Count(), 2);
}

using Choices = Fixture;

TEST_F(Choices, CheckBoxFiresOnClickForCodeAndUser) {
    auto* c = add<TCheckBox>();
    int clicks = 0;
    c->OnClick = [&](TObject*) { ++clicks; };
    c->SetChecked(true);
    c->SetChecked(true);  // no change, no click
    EXPECT_EQ(clicks, 1);
    guitest::ShowForm(form);
    guitest::Click(c, TPoint(6, 8));
    EXPECT_FALSE(c->Checked());
    EXPECT_EQ(clicks, 2);
}

// A button that draws itself: a box filled by its check state, toggled by each click.
class TPaintedToggle : public TButtonControl {
public:
    explicit TPaintedToggle(TComponent* owner) : TButtonControl(owner) {
        UsePaintedWindow();
        SetBounds(0, 0, 30, 20);
    }
    void SetChecked(bool b) override {
        if (b == on_) return;
        on_ = b;
        Invalidate();
    }
    void Click() override {
        SetChecked(!Checked());
        TButtonControl::Click();
    }

protected:
    bool GetChecked() const override { return on_; }
    void Paint() override {
        Canvas()->Brush()->SetColor(on_ ? clGreen : clRed);
        Canvas()->FillRect(ClientRect());
    }

private:
    bool on_ = false;
};

TEST_F(Choices, AButtonControlThatDrawsItselfAndChecksThroughItsBase) {
    auto* t = add<TPaintedToggle>(10, 10);
    int clicks = 0;
    t->OnClick = [&](TObject*) { ++clicks; };
    guitest::ShowForm(form);
    EXPECT_EQ(guitest::PixelOf(guitest::Grab(form), 20, 20), clRed);
    guitest::Click(t, TPoint(5, 5));
    EXPECT_EQ(clicks, 1);
    TButtonControl* base = t;
    EXPECT_TRUE(base->Checked());
    EXPECT_TRUE(guitest::WaitFor([&] { return guitest::PixelOf(guitest::Grab(form), 20, 20) == clGreen; }));

    // The toolkit's kinds answer through the base as well; a plain button is never checked.
    auto* c = add<TCheckBox>(100, 0);
    auto* r = add<TRadioButton>(100, 40);
    auto* b = add<TButton>(100, 80);
    int boxClicks = 0;
    c->OnClick = [&](TObject*) { ++boxClicks; };
    for (TButtonControl* each : {static_cast<TButtonControl*>(c), static_cast<TButtonControl*>(r),
                                 static_cast<TButtonControl*>(b)})
        each->SetChecked(true);
    EXPECT_TRUE(c->Checked());
    EXPECT_EQ(c->State(), cbChecked);
    EXPECT_EQ(boxClicks, 1);
    EXPECT_TRUE(r->Checked());
    EXPECT_FALSE(b->Checked());
    EXPECT_EQ(b->Canvas(), nullptr);
}

TEST_F(Choices, ComboBoxSelectionAndFreeText) {
    auto* c = add<TComboBox>();
    for (const char* s : {"2400", "9600", "38400", "57600"}) c->Items()->Add(s);
    int changes = 0;
    c->OnChange = [&](TObject*) { ++changes; };
    c->SetItemIndex(2);
    EXPECT_EQ(c->Text(), "38400");
    EXPECT_EQ(changes, 0);  // set by code
    guitest::ShowForm(form);
    c->SetFocus();
    c->SelectAll();
    guitest::Type("12345");
    EXPECT_EQ(c->Text(), "12345");
    EXPECT_EQ(c->ItemIndex(), -1);
    EXPECT_GT(changes, 0);
    c->SetText("9600");
    EXPECT_EQ(c->ItemIndex(), 1);
    // A list-only box: the text follows the selection.
    c->SetStyle(csDropDownList);
    c->SetItemIndex(0);
    EXPECT_EQ(c->Text(), "2400");
    c->Items()->Clear();
    EXPECT_EQ(c->ItemIndex(), -1);
}

TEST_F(Choices, RadioGroupAndListBox) {
    auto* g = add<TRadioGroup>();
    g->SetBounds(0, 0, 200, 120);
    g->Items()->Add("ПУ №1");
    g->Items()->Add("ПУ №2");
    g->SetItemIndex(1);
    EXPECT_TRUE(g->Buttons(1)->Checked());
    int clicks = 0;
    g->OnClick = [&](TObject*) { ++clicks; };
    guitest::ShowForm(form);
    guitest::Click(g->Buttons(0), TPoint(5, 5));
    EXPECT_EQ(g->ItemIndex(), 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(g->Buttons(1)->Checked());

    auto* l = add<TListBox>(250, 0);
    l->SetSorted(true);
    l->Items()->Add("b");
    l->Items()->Add("a");
    EXPECT_EQ(l->Items()->Get(0), "a");
    l->SetItemIndex(1);
    EXPECT_EQ(l->ItemIndex(), 1);
    TRect r = l->ItemRect(0);
    EXPECT_EQ(l->ItemAtPos(TPoint(r.Left + 2, r.Top + 2), true), 0);
    EXPECT_EQ(l->ItemAtPos(TPoint(5, l->Height() - 3), true), -1);
}

using Pages = Fixture;

TEST_F(Pages, ChangingByTheUserAsksFirst) {
    auto* pc = add<TPageControl>();
    pc->SetBounds(0, 0, 300, 200);
    auto* s1 = new TTabSheet(form);
    s1->SetPageControl(pc);
    s1->SetCaption("Текущее состояние");
    auto* s2 = new TTabSheet(form);
    s2->SetPageControl(pc);
    s2->SetCaption("Настройки");
    EXPECT_EQ(pc->PageCount(), 2);
    EXPECT_EQ(pc->ActivePage(), s1);
    std::vector<std::string> seen;
    bool allow = false;
    pc->OnChanging = [&](TObject*, bool& a) {
        seen.push_back("changing");
        a = allow;
    };
    pc->OnChange = [&](TObject*) { seen.push_back("change"); };
    s2->OnShow = [&](TObject*) { seen.push_back("show 2"); };
    pc->SetActivePage(s2);  // by code: no events of the page control
    EXPECT_EQ(pc->ActivePageIndex(), 1);
    pc->SetActivePage(s1);
    guitest::ShowForm(form);
    pc->SelectNextPage(true);  // refused
    EXPECT_EQ(pc->ActivePage(), s1);
    allow = true;
    pc->SelectNextPage(true);
    EXPECT_EQ(pc->ActivePage(), s2);
    EXPECT_EQ(seen, (std::vector<std::string>{"show 2", "changing", "changing", "show 2", "change"}));
    s1->SetTabVisible(false);
    EXPECT_EQ(s2->TabIndex(), 0);
    // The pages fill the page control's display area.
    guitest::Pump();
    EXPECT_GT(s2->Width(), 250);
    EXPECT_GT(s2->Height(), 150);
}

using Bars = Fixture;

TEST_F(Bars, ToolButtonsLineUpAndRunTheirActions) {
    auto* tb = add<TToolBar>();
    tb->SetButtonWidth(71);
    tb->SetButtonHeight(38);
    auto* list = new TActionList(form);
    auto* act = new TAction(form);
    act->SetActionList(list);
    act->SetCaption("Главное меню");
    act->SetHint("Главное меню");
    int runs = 0;
    act->OnExecute = [&](TObject*) { ++runs; };
    auto* b1 = new TToolButton(form);
    b1->SetParent(tb);
    b1->SetAction(act);
    auto* sep = new TToolButton(form);
    sep->SetParent(tb);
    sep->SetStyle(tbsSeparator);
    auto* b2 = new TToolButton(form);
    b2->SetParent(tb);
    b2->SetStyle(tbsCheck);
    EXPECT_EQ(b1->BoundsRect(), TRect(0, 0, 71, 38));
    EXPECT_EQ(sep->Left(), 71);
    EXPECT_EQ(b2->Left(), 71 + sep->Width());
    EXPECT_EQ(b1->Hint(), "Главное меню");
    guitest::ShowForm(form);
    guitest::Click(b1);
    EXPECT_EQ(runs, 1);
    guitest::Click(b2);
    EXPECT_TRUE(b2->Down());
    act->SetEnabled(false);
    EXPECT_FALSE(b1->Enabled());
}

// A bar showing captions sizes each button to its caption as it is added; the last one added is not
// left at the bar's plain button size until something realigns the bar.
TEST_F(Bars, ButtonsWithCaptionsAreSizedAsTheyAreAdded) {
    auto* tb = add<TToolBar>();
    tb->SetAlign(alTop);
    tb->SetShowCaptions(true);
    tb->SetAutoSize(true);
    auto* images = new TImageList(form);
    TBitmap glyph(16, 16);
    images->AddMasked(&glyph, clFuchsia);
    tb->SetImages(images);
    std::vector<TToolButton*> buttons;
    for (const char* caption : {"Печатать", "Стоп", "Закрыть"}) {
        auto* b = new TToolButton(form);
        b->SetCaption(caption);
        b->SetImageIndex(0);
        b->SetParent(tb);
        buttons.push_back(b);
        for (TToolButton* each : buttons) {
            SCOPED_TRACE(each->Caption().str());
            const TRect text = CalcTextRect(each->Font(), each->Caption(), TRect(), DT_SINGLELINE);
            EXPECT_GE(each->Width(), text.Width());
            EXPECT_GE(each->Height(), images->Height() + text.Height());
            EXPECT_EQ(each->Height(), tb->Height());
        }
    }
}

TEST_F(Bars, StatusBarPanelsAndProgress) {
    auto* sb = add<TStatusBar>();
    auto* p1 = sb->Panels()->Add();
    p1->SetWidth(100);
    p1->SetText("Связь");
    auto* p2 = sb->Panels()->Add();
    p2->SetText("12:00:00");
    EXPECT_EQ(sb->Align(), alBottom);
    EXPECT_EQ(sb->Top() + sb->Height(), form->ClientHeight());
    EXPECT_EQ(sb->PanelRect(1).Right, sb->ClientWidth() - 2);  // the last panel runs to the edge
    sb->SetAutoHint(true);
    Application->SetHint("Подсказка");
    EXPECT_EQ(p1->Text(), "Подсказка");
    Application->SetHint("");
    sb->SetAutoHint(false);

    auto* pb = add<TProgressBar>(0, 10);
    pb->SetMax(30);
    pb->SetStep(10);
    pb->StepIt();
    pb->StepIt();
    EXPECT_EQ(pb->Position(), 20);
    pb->SetPosition(50);
    EXPECT_EQ(pb->Position(), 30);
}

using Buttons = Fixture;

TEST_F(Buttons, BitBtnKindsSetCaptionResultAndKeys) {
    struct Case {
        TBitBtnKind kind;
        const char* caption;
        int result;
        bool def;
        bool cancel;
    };
    const Case cases[] = {
        {bkOK, "OK", mrOk, true, false},       {bkCancel, "Отмена", mrCancel, false, true},
        {bkYes, "&Да", mrYes, true, false},    {bkNo, "&Нет", mrNo, false, true},
        {bkClose, "&Закрыть", mrNone, false, false}, {bkAbort, "Прервать", mrAbort, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        auto* b = add<TBitBtn>();
        b->SetKind(c.kind);
        EXPECT_EQ(b->Caption(), c.caption);
        EXPECT_EQ(b->ModalResult(), c.result);
        EXPECT_EQ(b->Default(), c.def);
        EXPECT_EQ(b->Cancel(), c.cancel);
        delete b;
    }
    // A Close button on a modal form ends it; Return on a form with an OK button gives mrOk.
    guitest::ModalDriver driver;
    auto* dlg = new TForm(nullptr);
    auto* close = new TBitBtn(dlg);
    close->SetParent(dlg);
    close->SetKind(bkClose);
    driver.Then([close](TCustomForm*) { guitest::Click(close); });
    EXPECT_EQ(dlg->ShowModal(), mrCancel);
    auto* ok = new TBitBtn(dlg);
    ok->SetParent(dlg);
    ok->SetTop(40);
    ok->SetKind(bkOK);
    // The focused button takes Return itself: the focus is on an edit here.
    auto* edit = new TEdit(dlg);
    edit->SetParent(dlg);
    edit->SetTop(80);
    dlg->SetActiveControl(edit);
    driver.Then([edit](TCustomForm*) {
        EXPECT_TRUE(edit->Focused());
        guitest::Key(VK_RETURN);
    });
    EXPECT_EQ(dlg->ShowModal(), mrOk);
    dlg->Free();
}

TEST_F(Buttons, SpeedButtonsOfAGroupStayDownOneAtATime) {
    auto* a = add<TSpeedButton>(0, 0);
    auto* b = add<TSpeedButton>(30, 0);
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    int clicks = 0;
    a->OnClick = [&](TObject*) { ++clicks; };
    guitest::ShowForm(form);
    guitest::Click(a);
    EXPECT_TRUE(a->Down());
    guitest::Click(b);
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    guitest::Click(b);  // without AllowAllUp it stays down
    EXPECT_TRUE(b->Down());
    // Moving off the button before releasing cancels the click.
    guitest::MouseDown(a, TPoint(5, 5));
    guitest::MouseMove(a, TPoint(200, 200));
    guitest::MouseUp(a, TPoint(200, 200));
    EXPECT_EQ(clicks, 1);
}

TEST_F(Buttons, UpDownStepsItsAssociate) {
    auto* e = add<TEdit>(10, 10);
    e->SetWidth(100);
    auto* ud = add<TUpDown>();
    ud->SetMin(0);
    ud->SetMax(1500);
    ud->SetIncrement(600);
    ud->SetAssociate(e);
    EXPECT_EQ(ud->Left(), e->Left() + e->Width());
    EXPECT_EQ(e->Width() + ud->Width(), 100);
    ud->Step(btNext);
    ud->Step(btNext);
    EXPECT_EQ(ud->Position(), 1200);
    EXPECT_EQ(e->Text(), AnsiString("1") + FormatSettings().ThousandSeparator + "200");
    ud->Step(btNext);
    EXPECT_EQ(ud->Position(), 1500);  // stops at Max
    ud->SetWrap(true);
    ud->Step(btNext);
    EXPECT_EQ(ud->Position(), 0);
    e->SetText("700");  // typed text counts
    ud->Step(btNext);
    EXPECT_EQ(ud->Position(), 1300);

    auto* sp = add<TSpinEdit>(10, 60);
    sp->SetMinValue(1);
    sp->SetMaxValue(10);
    sp->SetValue(20);
    EXPECT_EQ(sp->Value(), 10);
}

// The font's colour is the text colour of an enabled control only: disabled, a button or label shows the
// greyed text of its style instead of looking usable.
TEST_F(Fixture, DisabledControlsPaintTheirTextGreyedNotInTheFontColour) {
    auto pureRed = [](const QImage& img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) n += img.pixelColor(x, y) == QColor(255, 0, 0);
        return n;
    };
    form->Font()->SetColor(clRed);  // the dialogs set their colour on the form, the controls inherit it
    TButton* button = add<TButton>(10, 10);
    TBitBtn* bitBtn = add<TBitBtn>(10, 50);
    TLabel* label = add<TLabel>(10, 90);
    button->SetCaption("Прервать");
    bitBtn->SetCaption("Стоп");
    label->SetCaption("Состояние");
    guitest::ShowForm(form);
    for (TControl* c : std::initializer_list<TControl*>{button, bitBtn, label}) {
        SCOPED_TRACE(c->ClassName().str());
        c->Font()->SetStyle(TFontStyles{fsBold});
        c->SetEnabled(true);
        guitest::Pump();
        EXPECT_GT(pureRed(guitest::Grab(c)), 0);
        c->SetEnabled(false);
        guitest::Pump();
        EXPECT_EQ(pureRed(guitest::Grab(c)), 0);
    }
}

// A "-" item is a line across the menu and nothing else.
TEST_F(Fixture, AMenuSeparatorPaintsALineAndNoText) {
    auto* popup = new TPopupMenu(form);
    TMenuItem* parent = popup->Items();
    for (const char* caption : {"Один", "-", "Два"}) {
        auto* item = new TMenuItem(form);
        item->SetCaption(caption);
        parent->Add(item);
    }
    TMenuItem* line = parent->Items(1);
    ASSERT_TRUE(line->IsLine());
    QMenu* menu = parent->QtMenu();
    menu->ensurePolished();
    menu->adjustSize();
    const QImage img = menu->grab().toImage();
    const QRect row = menu->actionGeometry(line->QtAction());
    ASSERT_FALSE(row.isEmpty());
    // Text is dark; the line is a light shade of the menu's background.
    int dark = 0;
    for (int y = row.top(); y <= row.bottom(); ++y)
        for (int x = row.left(); x <= row.right(); ++x) dark += qGray(img.pixel(x, y)) < 100;
    EXPECT_EQ(dark, 0);
    EXPECT_TRUE(line->QtAction()->text().isEmpty());
    // The items around it do show their text.
    const QRect first = menu->actionGeometry(parent->Items(0)->QtAction());
    int firstDark = 0;
    for (int y = first.top(); y <= first.bottom(); ++y)
        for (int x = first.left(); x <= first.right(); ++x) firstDark += qGray(img.pixel(x, y)) < 100;
    EXPECT_GT(firstDark, 0);
}

using GridTest = Fixture;

TEST_F(GridTest, CellsGeometryAndKeys) {
    auto* g = add<TStringGrid>();
    g->SetColCount(2);
    g->SetRowCount(20);
    g->SetDefaultColWidth(190);
    g->SetScrollBars(ssNone);
    g->SetBounds(0, 0, 400, 120);
    g->SetCells(0, 0, "Параметр");
    g->SetCells(1, 3, "42");
    EXPECT_EQ(g->Cells(1, 3), "42");
    EXPECT_EQ(g->Cells(5, 5), "");
    EXPECT_EQ(g->CellRect(1, 1), TRect(191, 25, 381, 49));
    EXPECT_EQ(g->MouseCoord(200, 30), (TGridCoord{1, 1}));
    EXPECT_EQ(g->VisibleRowCount(), 3);
    guitest::ShowForm(form);
    g->SetFocus();
    for (int i = 0; i < 5; ++i) guitest::Key(VK_DOWN);
    EXPECT_EQ(g->Row(), 6);
    EXPECT_EQ(g->TopRow(), 4);  // scrolled so the current row shows; the fixed row stays
    EXPECT_EQ(g->CellRect(1, 0).Top, 0);
    std::vector<int> asked;
    g->OnSelectCell = [&](TObject*, int, int r, bool& can) {
        asked.push_back(r);
        can = r != 7;
    };
    guitest::Key(VK_DOWN);
    EXPECT_EQ(g->Row(), 6);
    EXPECT_EQ(asked, std::vector<int>{7});
    EXPECT_THROW(g->SetFixedRows(20), EInvalidOperation);
}

// A grid without fixed columns starts at column 0; one that was scrolled starts afresh when its fixed
// part changes, so no column is left where neither the view nor a scroll bar reaches it.
TEST_F(GridTest, ChangingTheFixedPartShowsTheFirstScrollingCell) {
    struct Case {
        const char* name;
        int fixedCols, fixedRows;
    } cases[] = {{"no fixed column", 0, 1}, {"no fixed row", 1, 0}, {"nothing fixed", 0, 0}, {"two fixed columns", 2, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* g = add<TStringGrid>();
        g->SetColCount(6);
        g->SetRowCount(6);
        g->SetBounds(0, 0, 400, 200);
        g->SetLeftCol(3);
        g->SetTopRow(3);
        g->SetFixedCols(c.fixedCols);
        g->SetFixedRows(c.fixedRows);
        EXPECT_EQ(g->LeftCol(), c.fixedCols);
        EXPECT_EQ(g->TopRow(), c.fixedRows);
        EXPECT_EQ(g->Col(), c.fixedCols);
        EXPECT_EQ(g->Row(), c.fixedRows);
        EXPECT_EQ(g->CellRect(0, 0).Left, 0);
        EXPECT_EQ(g->CellRect(0, 0).Top, 0);
        EXPECT_EQ(g->MouseCoord(5, 5), (TGridCoord{0, 0}));
    }
}

TEST_F(Fixture, WebViewShowsAFileFreshEachTime) {
    QTemporaryDir dir;
    QString path = dir.filePath("PrintWeb3.html");
    auto write = [&](const char* text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    auto* w = add<TWebView>();
    write("<html><body><h1>Отчёт</h1><p>первый</p></body></html>");
    ASSERT_TRUE(w->Navigate(AnsiString(path.toStdString())));
    EXPECT_NE(w->PlainText().Pos("первый"), 0);
    write("<html><body><p>второй</p></body></html>");
    ASSERT_TRUE(w->Navigate(AnsiString(path.toStdString())));
    EXPECT_NE(w->PlainText().Pos("второй"), 0);
    EXPECT_EQ(w->PlainText().Pos("первый"), 0);
    // An old page in Windows-1251.
    write("<p>\xEE\xF2\xF7\xE5\xF2</p>");
    ASSERT_TRUE(w->Navigate(AnsiString(path.toStdString())));
    EXPECT_NE(w->PlainText().Pos("отчет"), 0);
    EXPECT_FALSE(w->Navigate(AnsiString(dir.filePath("missing.html").toStdString())));
}

TEST(Timer, FiresWhileEnabledAndStopsWhenFreed) {
    auto* f = new TForm(nullptr);
    auto* t = new TTimer(f);
    t->SetInterval(5);
    int ticks = 0;
    t->OnTimer = [&](TObject*) { ++ticks; };
    EXPECT_TRUE(guitest::WaitFor([&] { return ticks >= 2; }));
    t->SetEnabled(false);
    int now = ticks;
    guitest::Pump(30);
    EXPECT_EQ(ticks, now);
    t->SetEnabled(true);
    // A timer freed from its own handler.
    t->OnTimer = [&](TObject*) {
        ++ticks;
        delete t;
    };
    EXPECT_TRUE(guitest::WaitFor([&] { return ticks > now; }));
    guitest::Pump(20);
    EXPECT_EQ(ticks, now + 1);
    f->Free();
}

}  // namespace
