// Colours, pens, brushes, font styles and the canvas state they drive.
#include "GfxTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(Colors, NamesAndNumbersRoundTrip) {
    struct Case {
        TColor color;
        const char* text;
    };
    for (Case c : {Case{clRed, "clRed"}, Case{clBtnFace, "clBtnFace"}, Case{clNone, "clNone"},
                   Case{clCream, "clCream"}, Case{RGB(1, 2, 3), "$00030201"}, Case{clMoneyGreen, "clMoneyGreen"}}) {
        EXPECT_EQ(ColorToString(c.color), c.text);
        EXPECT_EQ(StringToColor(c.text), c.color) << c.text;
    }
    EXPECT_EQ(StringToColor("clred"), clRed) << "names in any case";
    EXPECT_EQ(StringToColor("$000000FF"), clRed);
    EXPECT_EQ(StringToColor("255"), clRed);
    EXPECT_EQ(StringToColor("$80000005"), clWindow) << "system colours stored as numbers";
    EXPECT_EQ(StringToColor("-2147483643"), clWindow) << "and as signed numbers";
    EXPECT_THROW(StringToColor("bogus"), EConvertError);
}

TEST(Colors, SystemColoursResolveToRgb) {
    EXPECT_EQ(ColorToRGB(clWindow), clWhite);
    EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
    EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    EXPECT_EQ(ColorToRGB(0x02FF0000), 0xFF0000) << "flag bits of a colour are dropped";
    EXPECT_EQ(GetRValue(RGB(10, 20, 30)), 10);
    EXPECT_EQ(GetGValue(RGB(10, 20, 30)), 20);
    EXPECT_EQ(GetBValue(RGB(10, 20, 30)), 30);

    const TColor old = GetSysColor(COLOR_BTNFACE);
    SetSysColor(COLOR_BTNFACE, RGB(1, 2, 3));
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(1, 2, 3));
    SetSysColor(COLOR_BTNFACE, old);
}

TEST(GraphicsObjects, ChangesAreAnnouncedOnceAndEqualValuesAreNot) {
    int changes = 0;
    auto count = [&](TObject*) { ++changes; };
    TPen pen;
    pen.OnChange = count;
    pen.SetColor(clRed);
    pen.SetColor(clRed);
    pen.SetWidth(3);
    pen.SetStyle(psDot);
    pen.SetMode(pmXor);
    EXPECT_EQ(changes, 4);

    changes = 0;
    TPen other;
    other.OnChange = count;
    other.Assign(&pen);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(other.Color(), clRed);
    EXPECT_EQ(other.Width(), 3);
    EXPECT_EQ(other.Style(), psDot);
    EXPECT_EQ(other.Mode(), pmXor);

    TBrush brush;
    brush.SetStyle(bsClear);
    brush.SetColor(clYellow);
    EXPECT_EQ(brush.Style(), bsSolid) << "a colour makes a clear brush paint again";

    TFont font;
    EXPECT_THROW(font.Assign(&pen), EConvertError);
}

TEST(GraphicsObjects, FontStylesAsASet) {
    TFontStyles s;
    EXPECT_TRUE(s.Empty());
    s = s << fsBold << fsUnderline;
    EXPECT_TRUE(s.Contains(fsBold));
    EXPECT_FALSE(s.Contains(fsItalic));
    EXPECT_EQ(s.ToInt(), 1 | 4);
    s = s >> fsBold;
    EXPECT_EQ(s, TFontStyles{fsUnderline});
    EXPECT_EQ(TFontStyles::FromInt(2), TFontStyles{fsItalic});
}

TEST(CanvasState, BrushAndFontChangesSetTheTextBackgroundAndColour) {
    TBitmap b(4, 4);
    TCanvas* c = b.Canvas();
    EXPECT_EQ(c->BkMode(), OPAQUE);
    c->Brush()->SetStyle(bsClear);
    EXPECT_EQ(c->BkMode(), TRANSPARENT);
    c->Brush()->SetColor(clRed);
    EXPECT_EQ(c->BkMode(), OPAQUE);
    EXPECT_EQ(c->BkColor(), clRed);

    SetBkMode(c, TRANSPARENT);
    c->Font()->SetSize(12);
    EXPECT_EQ(c->BkMode(), TRANSPARENT) << "a font change keeps the background mode";
    c->Brush()->SetColor(clBlue);
    EXPECT_EQ(c->BkMode(), OPAQUE) << "the next brush change sets it again";

    SetTextColor(c, clLime);
    EXPECT_EQ(c->TextColor(), clLime);
    c->Font()->SetColor(clPurple);
    EXPECT_EQ(c->TextColor(), clPurple);

    EXPECT_EQ(SetROP2(c, R2_XORPEN), R2_COPYPEN);
    EXPECT_EQ(c->Pen()->Mode(), pmXor);
    EXPECT_EQ(GetROP2(c), R2_XORPEN);
}

}  // namespace
