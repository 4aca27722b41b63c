// Edit buttons: their settings, the pressed half, auto-repeat on a real timer, the glyphs drawn into
// pictures (directly and through the shared cache), check-box cells, tree glyphs and where drop-downs
// open on the screen.
#include "gridlib/editors/ToolCtrlsGx.h"

#include "testlib/gui/GuiHarness.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

TColor rgb(TColor c) { return ColorToRGB(c); }

TEST(ButtonMeasurements, FlatWidthAndHeight) {
    struct Case {
        int fontHeight, scrollBar, width;
    };
    for (Case c : {Case{16, 17, 11}, Case{15, 17, 11}, Case{12, 17, 9}, Case{13, 17, 9}, Case{30, 17, 17}})
        EXPECT_EQ(FlatButtonWidthFor(c.fontHeight, c.scrollBar), c.width) << c.fontHeight;
    const int w = GetDefaultFlatButtonWidth();
    EXPECT_EQ(w % 2, 1);
    EXPECT_LE(w, GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(DefaultEditButtonHeight(11, true), 16);  // 16.5 to even
    EXPECT_EQ(DefaultEditButtonHeight(13, true), 20);  // 19.5 to even
    EXPECT_EQ(DefaultEditButtonHeight(11, false), 11);
    ButtonsBitmapCache();
    EXPECT_EQ(FlatButtonWidth, w);
    EXPECT_EQ(DefaultCheckBoxWidth, 13);  // a quarter of the system check-box sheet
    EXPECT_EQ(DefaultCheckBoxHeight, 13);
}

TEST(EditButtonSettings, ChangesReachTheOwnerOnlyWhenSomethingChanged) {
    std::vector<TCollectionItem*> notified;
    TEditButtonsGx buttons(nullptr, CollectionItemClassOf<TEditButtonGx>());
    buttons.OnChangeNotify = [&](TCollectionItem* item) { notified.push_back(item); };
    TEditButtonGx* b = buttons.Add();
    notified.clear();
    b->SetNumGlyphs(0);  // 1 already: nothing changes
    EXPECT_TRUE(notified.empty());
    b->SetNumGlyphs(9);
    EXPECT_EQ(b->NumGlyphs(), 4);
    b->SetStyle(ebsUpDownGx);
    b->SetStyle(ebsUpDownGx);
    EXPECT_EQ(notified, (std::vector<TCollectionItem*>{b, b}));

    int own = 0;
    b->OnChangeNotify = [&](TObject*) { ++own; };  // an owning editor takes the notifications
    b->SetWidth(20);
    EXPECT_EQ(own, 1);
    EXPECT_EQ(notified.size(), 2u);

    TDropDownEditButtonGx dropDown(static_cast<TWinControl*>(nullptr));
    TVisibleEditButtonGx visible(static_cast<TWinControl*>(nullptr));
    EXPECT_EQ(dropDown.ShortCut(), 32808);
    EXPECT_FALSE(dropDown.Visible());
    EXPECT_TRUE(visible.Visible());
    visible.Assign(b);
    EXPECT_EQ(visible.Style(), ebsUpDownGx);
    EXPECT_EQ(visible.Width(), 20);
    EXPECT_FALSE(visible.Visible());
}

struct ButtonForm : ::testing::Test {
    TForm* form = nullptr;
    TEditButtonControlGx* button = nullptr;
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetClientSize(200, 100);
        button = new TEditButtonControlGx(form);
        button->SetParent(form);
        button->SetBounds(10, 10, 16, 17);
        button->SetStyle(ebsUpDownGx);
        guitest::ShowForm(form);
    }
    void TearDown() override { form->Free(); }
};

TEST_F(ButtonForm, PressedHalfOfAnUpDownPair) {
    // Height 17: rows 0..7 the upper half, 8 and 9 neither, 10..16 the lower half.
    for (int y = 0; y < 17; ++y) {
        const int expected = y <= 7 ? 1 : y <= 9 ? 0 : 2;
        guitest::MouseDown(button, TPoint(8, y));
        EXPECT_EQ(button->DownButtonNum(), expected) << "y " << y;
        guitest::MouseUp(button, TPoint(8, y));
        EXPECT_EQ(button->DownButtonNum(), 0);
    }
}

TEST_F(ButtonForm, AutoRepeatsUntilTheHandlerSaysNo) {
    std::vector<bool> downs;
    button->OnButtonDown = [&](TObject*, bool top, bool& autoRepeat, bool&) {
        downs.push_back(top);
        if (downs.size() == 4) autoRepeat = false;
    };
    guitest::MouseDown(button, TPoint(8, 3));
    ASSERT_EQ(downs.size(), 1u);  // at the press
    ASSERT_NE(button->RepeatTimer(), nullptr);
    EXPECT_EQ(button->RepeatTimer()->Interval(), 400u);
    ASSERT_TRUE(guitest::WaitFor([&] { return downs.size() >= 2; }, 10000));
    EXPECT_EQ(button->RepeatTimer()->Interval(), 100u);  // after the first repeat
    ASSERT_TRUE(guitest::WaitFor([&] { return downs.size() >= 4; }, 10000));
    EXPECT_FALSE(button->RepeatTimer()->Enabled());  // the handler stopped it
    EXPECT_EQ(downs, (std::vector<bool>{true, true, true, true}));
    guitest::MouseUp(button, TPoint(8, 3));
}

TEST_F(ButtonForm, LeavingThePressedHalfLetsItUpWithoutAClick) {
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    guitest::MouseDown(button, TPoint(8, 14));
    EXPECT_EQ(button->DownButtonNum(), 2);
    QTest::mouseMove(button->Widget(), QPoint(8, 2));  // the button is held: the move goes to it
    guitest::Pump();
    guitest::MouseUp(button, TPoint(8, 2));
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(button->RepeatTimer() && button->RepeatTimer()->Enabled());

    guitest::Click(button, TPoint(8, 14));
    EXPECT_EQ(clicks, 1);
}

TEST_F(ButtonForm, AlwaysDownStaysDownUntilReleasedByCode) {
    button->SetStyle(ebsDropDownGx);
    button->SetAlwaysDown(true);
    EXPECT_TRUE(button->Down());
    EXPECT_EQ(button->DownButtonNum(), 1);
    guitest::Click(button, TPoint(8, 8));
    EXPECT_TRUE(button->Down());
    button->SetAlwaysDown(false);
    EXPECT_FALSE(button->Down());
    EXPECT_EQ(button->GroupIndex(), 0);
    EXPECT_EQ(button->DownButtonNum(), 0);
}

// A button glyph drawn into a picture of its own.
struct Glyph {
    TBitmap bmp;
    Glyph(int w, int h, TDrawButtonControlStyleGx style, int down, bool flat, bool active, bool enabled = true,
          TCheckBoxState state = cbUnchecked)
        : bmp(w, h) {
        bmp.Canvas()->Brush()->SetColor(clFuchsia);
        bmp.Canvas()->FillRect(TRect(0, 0, w, h));
        PaintButtonControlGx(bmp.Canvas(), TRect(0, 0, w, h), clFuchsia, style, down, flat, active, enabled, state);
    }
    TColor at(int x, int y) { return bmp.Canvas()->Pixels(x, y); }
    bool operator==(Glyph& o) {
        for (int y = 0; y < bmp.Height(); ++y)
            for (int x = 0; x < bmp.Width(); ++x)
                if (at(x, y) != o.at(x, y)) return false;
        return true;
    }
};

TEST(ButtonGlyphs, PlusBarsWhereTheLengthRulesPutThem) {
    // Not flat, inner 14 x 14 inside a 2-pixel edge: an 8 x 2 bar at (3, 6) and a 2 x 8 bar at (6, 3).
    Glyph g(18, 18, bcsPlusGx, 0, false, false);
    const TColor text = rgb(clBtnText);
    for (auto [x, y] : {std::pair{3, 6}, {10, 7}, {6, 3}, {7, 10}}) EXPECT_EQ(g.at(2 + x, 2 + y), text) << x << "," << y;
    for (auto [x, y] : {std::pair{2, 6}, {11, 6}, {6, 2}, {6, 11}, {4, 4}}) EXPECT_NE(g.at(2 + x, 2 + y), text) << x << "," << y;
    // Flat, inner 15 x 15 (the rectangle itself): bars 6 long and 2 thick.
    Glyph f(15, 15, bcsPlusGx, 0, true, true);
    for (int x = 4; x < 10; ++x) EXPECT_EQ(f.at(x, 6), text) << x;
    EXPECT_NE(f.at(3, 6), text);
    EXPECT_NE(f.at(10, 6), text);
    EXPECT_EQ(f.at(6, 4), text);  // the vertical bar runs from 4 to 9
    EXPECT_EQ(f.at(6, 9), text);
    EXPECT_NE(f.at(6, 10), text);
    // Minus: the horizontal bar only.
    Glyph m(18, 18, bcsMinusGx, 0, false, false);
    EXPECT_EQ(m.at(2 + 4, 2 + 6), text);
    EXPECT_NE(m.at(2 + 6, 2 + 3), text);
    // Disabled: embossed, the marks in the shadow colour.
    Glyph d(18, 18, bcsMinusGx, 0, false, false, false);
    EXPECT_EQ(d.at(2 + 4, 2 + 6), rgb(clBtnShadow));
}

TEST(ButtonGlyphs, FlatButtonsFramedInTheParentColourUntilActive) {
    Glyph inactive(15, 17, bcsDropDownGx, 0, true, false);
    EXPECT_EQ(inactive.at(0, 8), rgb(clFuchsia));
    EXPECT_EQ(inactive.at(14, 0), rgb(clFuchsia));
    Glyph active(15, 17, bcsDropDownGx, 0, true, true);
    EXPECT_NE(active.at(0, 8), rgb(clFuchsia));  // its one-pixel edge
    // An odd up/down pair: the middle row between the halves in the parent colour.
    Glyph updown(15, 17, bcsUpDownGx, 0, false, false);
    EXPECT_EQ(updown.at(7, 8), rgb(clFuchsia));
    EXPECT_NE(updown.at(7, 7), rgb(clFuchsia));
    EXPECT_NE(updown.at(7, 9), rgb(clFuchsia));
}

TEST(ButtonGlyphs, TheCacheDrawsWhatDirectDrawingDraws) {
    struct Case {
        TDrawButtonControlStyleGx style;
        int w, h, down;
        bool flat, active, enabled;
        TCheckBoxState state;
    };
    const Case cases[] = {
        {bcsDropDownGx, 15, 17, 0, true, true, true, cbUnchecked},   {bcsDropDownGx, 15, 17, 1, true, false, true, cbUnchecked},
        {bcsUpDownGx, 16, 17, 2, false, false, true, cbUnchecked},  {bcsUpDownGx, 16, 21, 1, true, false, true, cbUnchecked},
        {bcsEllipsisGx, 17, 17, 1, false, false, false, cbUnchecked}, {bcsPlusGx, 15, 15, 0, true, false, true, cbUnchecked},
        {bcsCheckboxGx, 20, 16, 0, true, true, true, cbChecked},    {bcsCheckboxGx, 13, 13, 0, false, false, true, cbGrayed},
    };
    for (const Case& c : cases) {
        UseButtonsBitmapCache = true;
        Glyph cached(c.w, c.h, c.style, c.down, c.flat, c.active, c.enabled, c.state);
        UseButtonsBitmapCache = false;
        Glyph direct(c.w, c.h, c.style, c.down, c.flat, c.active, c.enabled, c.state);
        UseButtonsBitmapCache = true;
        EXPECT_TRUE(cached == direct) << "style " << c.style << " " << c.w << "x" << c.h << " flat " << c.flat << " active "
                                      << c.active;
    }
}

TEST(ButtonGlyphs, SameKeySharesOneBitmapUntilTheCacheIsCleared) {
    ClearButtonsBitmapCache();
    Glyph a(13, 13, bcsCheckboxGx, 0, false, false, true, cbChecked);
    Glyph b(13, 13, bcsCheckboxGx, 0, false, false, true, cbChecked);
    EXPECT_EQ(ButtonsBitmapCache()->Count(), 1);
    Glyph c(13, 13, bcsCheckboxGx, 0, false, false, true, cbUnchecked);
    EXPECT_EQ(ButtonsBitmapCache()->Count(), 2);
    TButtonBitmapInfoGx key;
    key.Width = -5;
    key.Height = 4;
    EXPECT_EQ(ButtonsBitmapCache()->GetButtonBitmap(key)->Width(), 0);  // negative sizes count as 0
    ClearButtonsBitmapCache();
    EXPECT_EQ(ButtonsBitmapCache()->Count(), 0);
}

TEST(CheckBoxCells, WhereTheBoxSitsInACell) {
    ButtonsBitmapCache();
    const int w = DefaultCheckBoxWidth, h = DefaultCheckBoxHeight;
    struct Case {
        TRect cell;
        TAlignment a;
        TTextLayout l;
        TRect box;
    };
    const Case cases[] = {
        {TRect(0, 0, 10, 40), taCenter, tlTop, TRect(0, 0, 10, h)},                   // narrower than the box
        {TRect(0, 0, 50, 40), taRightJustify, tlBottom, TRect(50 - w, 40 - h, 50, 40)},
        {TRect(10, 10, 60, 50), taCenter, tlCenter, Bounds(10 + 25 - w / 2, 10 + 20 - h / 2, w, h)},
        {TRect(0, 0, 50, 8), taLeftJustify, tlCenter, TRect(0, 0, w, 8)},             // lower than the box
    };
    for (const Case& c : cases) EXPECT_EQ(AdjustCheckBoxRect(c.cell, c.a, c.l), c.box);
}

TEST(TreeGlyphs, BoxSignAndDotsInTheirPhase) {
    TBitmap bmp(21, 21);
    auto draw = [&](TTreeElementGx e, bool phase) {
        bmp.Canvas()->Brush()->SetColor(clWhite);
        bmp.Canvas()->FillRect(TRect(0, 0, 21, 21));
        DrawTreeElement(bmp.Canvas(), TRect(0, 0, 21, 21), e, phase, 1.0, 1.0);
    };
    auto px = [&](int x, int y) { return bmp.Canvas()->Pixels(x, y); };
    draw(tgxPlusUpDown, false);
    // Box from (6, 6) to (14, 14), the sign in the window-text colour.
    EXPECT_EQ(px(6, 10), rgb(clBtnShadow));
    EXPECT_EQ(px(14, 10), rgb(clBtnShadow));
    EXPECT_EQ(px(9, 10), rgb(clWindowText));
    EXPECT_EQ(px(10, 8), rgb(clWindowText));
    // Dotted connectors: every other pixel.
    const bool first = px(10, 0) == rgb(clBtnShadow);
    EXPECT_NE(first, px(10, 1) == rgb(clBtnShadow));
    draw(tgxPlusUpDown, true);
    EXPECT_NE(first, px(10, 0) == rgb(clBtnShadow));  // the other phase
    draw(tgxMinusDown, false);
    EXPECT_NE(px(10, 8), rgb(clWindowText));  // no vertical stroke
    EXPECT_EQ(px(10, 2), rgb(clWhite));       // nothing above the box
}

struct DropDownPlacement : ::testing::Test {
    TPopupListboxGx* list = nullptr;
    void SetUp() override {
        guitest::EnsureApp();
        SetWorkAreaSource([](const TRect*) { return TRect(0, 0, 800, 600); });
        list = new TPopupListboxGx(nullptr);
        list->SetItemHeight(16);
        list->SetBounds(0, 0, 200, 100);
    }
    void TearDown() override {
        delete list;
        SetWorkAreaSource(nullptr);
    }
};

TEST_F(DropDownPlacement, FourSidesOfTheWorkArea) {
    const int h = list->Height();
    // Room below: under the master, the grip at the bottom right.
    EXPECT_EQ(AlignDropDownWindowRect(TRect(100, 100, 250, 120), list, daLeft), TPoint(100, 120));
    EXPECT_EQ(list->SizeGrip()->Position(), sgpBottomRight);
    // No room below: above it, the grip at the top.
    EXPECT_EQ(AlignDropDownWindowRect(TRect(100, 560, 250, 580), list, daLeft), TPoint(100, 560 - h));
    EXPECT_EQ(list->SizeGrip()->Position(), sgpTopRight);
    // Near the right edge: shifted left, the grip on the left.
    EXPECT_EQ(AlignDropDownWindowRect(TRect(700, 100, 780, 120), list, daLeft), TPoint(600, 120));
    EXPECT_EQ(list->SizeGrip()->Position(), sgpBottomLeft);
    // Right-aligned past the left edge: at the edge, the grip on the right.
    EXPECT_EQ(AlignDropDownWindowRect(TRect(10, 100, 60, 120), list, daRight), TPoint(0, 120));
    EXPECT_EQ(list->SizeGrip()->Position(), sgpBottomRight);
    // Right-aligned with room: the right edges meet, the grip on the left.
    EXPECT_EQ(AlignDropDownWindowRect(TRect(300, 100, 450, 120), list, daRight), TPoint(250, 120));
    EXPECT_EQ(list->SizeGrip()->Position(), sgpBottomLeft);
    EXPECT_EQ(AlignDropDownWindowRect(TRect(300, 100, 450, 120), list, daCenter).x, 275);
}

TEST_F(DropDownPlacement, NoRoomEitherWayTakesTheLargerSideAndShortens) {
    list->SetHeight(16 * 40 + list->GetBorderSize());
    const TPoint p = AlignDropDownWindowRect(TRect(100, 250, 200, 270), list, daLeft);  // 250 above, 330 below
    EXPECT_EQ(p.y, 270);
    EXPECT_LE(list->Height(), 330);
    EXPECT_EQ(list->SizeGrip()->Position(), sgpBottomRight);
    list->SetHeight(16 * 40 + list->GetBorderSize());
    const TPoint q = AlignDropDownWindowRect(TRect(100, 350, 200, 370), list, daLeft);  // 350 above, 230 below
    EXPECT_LE(list->Height(), 350);
    EXPECT_EQ(q.y, 350 - list->Height());
    EXPECT_EQ(list->SizeGrip()->Position(), sgpTopRight);
    // Wider than the work area: as wide as it.
    list->SetWidth(900);
    EXPECT_EQ(AlignDropDownWindowRect(TRect(100, 100, 200, 120), list, daLeft).x, 0);
    EXPECT_EQ(list->Width(), 800);
}

}  // namespace
