// Fonts, text output and text layout.
#include "GfxTestSupport.h"

#include <QFontInfo>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

TEST(Fonts, SizeInPointsAndHeightInPixelsAt96Dpi) {
    struct Case {
        int size;
        int height;
    };
    for (Case c : {Case{10, -13}, Case{8, -11}, Case{12, -16}, Case{14, -19}, Case{9, -12}}) {
        TFont f;
        f.SetSize(c.size);
        EXPECT_EQ(f.Height(), c.height) << "size " << c.size;
        TFont g;
        g.SetHeight(c.height);
        EXPECT_EQ(g.Size(), c.size) << "height " << c.height;
    }
}

TEST(Fonts, NamesResolveToTheMetricCompatibleFaces) {
    struct Case {
        const char* name;
        const char* face;
    };
    for (Case c : {Case{"Arial", "Liberation Sans"}, Case{"Times New Roman", "Liberation Serif"},
                   Case{"Courier New", "Liberation Mono"}, Case{"MS Sans Serif", "Liberation Sans"}}) {
        TFont f;
        f.SetName(c.name);
        f.SetSize(10);
        EXPECT_EQ(QFontInfo(ToQFont(f)).family().toStdString(), c.face) << c.name;
        EXPECT_EQ(QFontInfo(ToQFont(f)).pixelSize(), 13) << c.name;
    }
}

TEST(Fonts, ALogicalFontHandleIsDrawnAsItStands) {
    TLogFont lf;
    lf.lfHeight = -13;
    lf.lfEscapement = lf.lfOrientation = 900;
    lf.lfWeight = 600;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfPitchAndFamily = FF_SCRIPT;
    lf.SetFaceName("Times New Roman");
    TFont f;
    int changes = 0;
    f.OnChange = [&](TObject*) { ++changes; };
    f.SetHandle(CreateFontIndirect(lf));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(f.Weight(), 600);
    EXPECT_FALSE(f.Style().Contains(fsBold)) << "600 is not bold";
    EXPECT_EQ(f.Orientation(), 900);
    EXPECT_EQ(f.Name(), "Times New Roman");
    EXPECT_EQ(ToQFont(f).weight(), QFont::DemiBold);

    f.SetColor(clRed);  // colour is not part of the logical font
    EXPECT_EQ(f.Weight(), 600);
    f.SetName("Arial");  // anything else goes back to plain properties
    EXPECT_EQ(f.Weight(), FW_NORMAL);
    EXPECT_EQ(f.Height(), -13);
    EXPECT_EQ(f.Orientation(), 900);
    EXPECT_EQ(f.Color(), clRed);

    lf.lfWeight = 700;
    f.SetHandle(CreateFontIndirect(lf));
    EXPECT_TRUE(f.Style().Contains(fsBold));
}

TEST(Fonts, EqualFontsShareOneHandle) {
    TFont a, b;
    a.SetName("Arial");
    b.SetName("Arial");
    b.SetColor(clRed);
    EXPECT_EQ(a.Handle(), b.Handle()) << "colour is not part of the handle";
    HFONT kept = a.Handle();
    b.SetSize(14);
    EXPECT_NE(kept, b.Handle());
    b.SetSize(a.Size());
    EXPECT_EQ(kept, b.Handle());
    a.SetStyle(TFontStyles{fsItalic});
    EXPECT_NE(kept, a.Handle());
}

TEST(Fonts, TheScreenMeasuresWithTheSystemFont) {
    TTextMetric tm;
    ASSERT_TRUE(GetTextMetrics(GetScreenDC(), tm));
    EXPECT_NEAR(tm.tmHeight, 16, 1);
    EXPECT_EQ(GetDeviceCaps(GetScreenDC(), LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(GetScreenDC(), NUMCOLORS), -1);
    GetScreenDC()->FillRect(TRect(0, 0, 10, 10));  // drawing on the screen context does nothing
}

TEST(Fonts, FaceNamesHoldAtMost31BytesOfWholeCharacters) {
    TLogFont lf;
    lf.SetFaceName(std::string(40, 'A'));
    EXPECT_EQ(lf.FaceName().Length(), 31);
    AnsiString cyrillic;
    for (int i = 0; i < 20; ++i) cyrillic += "Ш";  // two bytes a letter
    lf.SetFaceName(cyrillic);
    EXPECT_EQ(lf.FaceName().Length(), 30);
    EXPECT_EQ(lf.FaceName(), cyrillic.SubString(1, 30));
}

// The output field's rotated text: the reference corner is placed so that the text turns about
// the box centre, by the arithmetic of the field's paint.
namespace {

struct Turned {
    TRect ink;
    int first = 0, last = 0;  // ink in the quarter where the text starts and in the one where it ends
};

Turned drawTurned(int alpha, const AnsiString& text) {
    Picture p(140, 140);
    TCanvas* c = p.C();
    SetBkMode(c, TRANSPARENT);
    TLogFont lf;
    lf.lfHeight = -19;
    lf.lfEscapement = lf.lfOrientation = alpha;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.SetFaceName("Times New Roman");
    HFONT h = CreateFontIndirect(lf);
    c->Font()->SetHandle(h);
    DeleteObject(h);
    c->Font()->SetColor(clBlack);

    const double tw = c->TextWidth(text), th = c->TextHeight(text);
    const double cx = 70, cy = 70;
    const double r = std::sqrt((tw / 2) * (tw / 2) + (th / 2) * (th / 2));
    const double a = std::atan2(th / 2, -tw / 2) + alpha * 0.1 * std::numbers::pi / 180;
    c->TextOut(static_cast<int>(std::trunc(cx + r * std::cos(a))), static_cast<int>(std::trunc(cy - r * std::sin(a))),
               text);

    Turned t;
    t.ink = p.InkBounds();
    // Quarters along the direction the text runs.
    const double ux = std::cos(alpha * std::numbers::pi / 1800), uy = -std::sin(alpha * std::numbers::pi / 1800);
    for (int y = 0; y < 140; ++y)
        for (int x = 0; x < 140; ++x) {
            if (!p.Ink(x, y)) continue;
            double along = (x - cx) * ux + (y - cy) * uy;
            if (along < -tw / 4) ++t.first;
            else if (along > tw / 4) ++t.last;
        }
    return t;
}

}  // namespace

TEST(CanvasText, RotatedTextTurnsAboutTheCentreTheFieldComputes) {
    // Glyph ink does not fill the text cell evenly; its offset from the cell centre turns with the
    // text. A row of equal letters inks a rectangle, whose turned bounds keep their centre.
    const Turned flat = drawTurned(0, "MMMMMMMM");
    ASSERT_FALSE(flat.ink.IsEmpty());
    const double dx = (flat.ink.Left + flat.ink.Right) / 2.0 - 70, dy = (flat.ink.Top + flat.ink.Bottom) / 2.0 - 70;
    EXPECT_NEAR(dx, 0, 3);
    EXPECT_NEAR(dy, 0, 3);
    for (int alpha : {0, 450, 900, 1800, 2700, -900}) {
        const Turned t = drawTurned(alpha, "MMMMMMMM");
        ASSERT_FALSE(t.ink.IsEmpty()) << alpha;
        const double th = alpha * std::numbers::pi / 1800;
        const double ex = 70 + dx * std::cos(th) + dy * std::sin(th), ey = 70 - dx * std::sin(th) + dy * std::cos(th);
        EXPECT_NEAR((t.ink.Left + t.ink.Right) / 2.0, ex, 2) << "alpha " << alpha;
        EXPECT_NEAR((t.ink.Top + t.ink.Bottom) / 2.0, ey, 2) << "alpha " << alpha;
        if (alpha % 1800 == 0) {
            EXPECT_GT(t.ink.Width(), t.ink.Height()) << alpha;
        }
        if ((alpha + 3600) % 1800 == 900) {
            EXPECT_GT(t.ink.Height(), t.ink.Width()) << alpha;
        }
        const Turned d = drawTurned(alpha, "MMMM....");
        EXPECT_GT(d.first, d.last * 2) << "alpha " << alpha << ": the heavy start of the text leads";
    }
}

TEST(CanvasText, TextOutFillsTheCellOnlyWithAnOpaqueBackground) {
    Picture p(100, 40);
    TCanvas* c = p.C();
    c->Font()->SetName("Arial");
    c->Font()->SetColor(clBlack);
    c->Brush()->SetColor(clRed);  // solid brush: opaque text background in red
    const TSize sz = c->TextExtent("Hi");
    c->TextOut(5, 5, "Hi");
    EXPECT_EQ(c->PenPos(), TPoint(5 + sz.cx, 5));
    EXPECT_EQ(p.At(5, 5), clRed) << "top-left of the cell";
    EXPECT_EQ(p.At(5 + sz.cx - 1, 5 + sz.cy - 1), clRed) << "bottom-right of the cell";
    EXPECT_EQ(p.At(5 + sz.cx, 5), clWhite);
    EXPECT_EQ(p.At(5, 5 + sz.cy), clWhite);
    EXPECT_GT(p.Count(clBlack), 0);

    Picture q(100, 40);
    q.C()->Font()->SetName("Arial");
    q.C()->Brush()->SetColor(clRed);
    SetBkMode(q.C(), TRANSPARENT);
    q.C()->Font()->SetColor(clBlack);  // a font change keeps the background mode
    q.C()->TextOut(5, 5, "Hi");
    EXPECT_EQ(q.Count(clRed), 0);
    EXPECT_FALSE(q.InkBounds().IsEmpty());
    EXPECT_GE(q.InkBounds().Left, 5);
    EXPECT_GE(q.InkBounds().Top, 5);
}

TEST(CanvasText, TextRectClipsToItsRectangle) {
    Picture p(60, 40);
    TCanvas* c = p.C();
    c->Font()->SetColor(clBlack);
    c->Brush()->SetStyle(bsClear);
    c->TextRect(TRect(10, 10, 25, 30), 5, 12, "WWWWWWWW");
    TRect ink = p.InkBounds();
    EXPECT_FALSE(ink.IsEmpty());
    EXPECT_GE(ink.Left, 10);
    EXPECT_LE(ink.Right, 25);

    Picture q(60, 40);
    q.C()->Brush()->SetColor(clYellow);
    q.C()->TextRect(TRect(10, 10, 25, 30), 5, 12, "");
    EXPECT_EQ(q.Count(clYellow), 15 * 20) << "a solid brush fills the whole rectangle";
}

// DrawText layouts measured by the recorder's fixed rule: 7 pixels a character, 13 a line.
TEST(CanvasText, DrawTextLayoutByFlags) {
    struct Case {
        const char* name;
        AnsiString text;
        unsigned flags;
        TRect in;
        int leftMargin, rightMargin;
        TRect out;
        int result;
    };
    const unsigned calc = DT_CALCRECT;
    const Case cases[] = {
        {"one line", "Hello", calc, TRect(0, 0, 100, 0), 0, 0, TRect(0, 0, 35, 13), 13},
        {"word break", "aaa bbb ccc", calc | DT_WORDBREAK, TRect(0, 0, 50, 0), 0, 0, TRect(0, 0, 49, 26), 26},
        {"long word widens", "abcdefghij", calc | DT_WORDBREAK, TRect(0, 0, 30, 0), 0, 0, TRect(0, 0, 70, 13), 13},
        {"edit control breaks words", "abcdefghij", calc | DT_WORDBREAK | DT_EDITCONTROL, TRect(0, 0, 30, 0), 0, 0,
         TRect(0, 0, 28, 39), 39},
        {"prefix", "&File", calc, TRect(0, 0, 100, 0), 0, 0, TRect(0, 0, 28, 13), 13},
        {"no prefix", "&File", calc | DT_NOPREFIX, TRect(0, 0, 100, 0), 0, 0, TRect(0, 0, 35, 13), 13},
        {"doubled ampersand", "a&&b", calc, TRect(0, 0, 100, 0), 0, 0, TRect(0, 0, 21, 13), 13},
        {"line breaks", "a\nbb\r\nccc", calc, TRect(0, 0, 100, 0), 0, 0, TRect(0, 0, 21, 39), 39},
        {"single line", "a\nbb\r\nccc", calc | DT_SINGLELINE, TRect(0, 0, 100, 0), 0, 0, TRect(0, 0, 42, 13), 13},
        {"end ellipsis", "abcdefghij", calc | DT_END_ELLIPSIS, TRect(0, 0, 50, 0), 0, 0, TRect(0, 0, 49, 13), 13},
        {"tabs expanded", "a\tb", calc | DT_EXPANDTABS, TRect(0, 0, 100, 0), 0, 0, TRect(0, 0, 63, 13), 13},
        {"tabs kept", "a\tb", calc, TRect(0, 0, 100, 0), 0, 0, TRect(0, 0, 21, 13), 13},
        {"margins", "abc", calc, TRect(10, 5, 100, 5), 4, 6, TRect(10, 5, 41, 18), 13},
        {"empty", "", calc, TRect(0, 0, 100, 50), 0, 0, TRect(0, 0, 0, 0), 0},
        {"vertical centre returns the text bottom", "abc", DT_SINGLELINE | DT_VCENTER, TRect(0, 0, 100, 40), 0, 0,
         TRect(0, 0, 100, 40), 26},
        {"bottom", "abc", DT_SINGLELINE | DT_BOTTOM, TRect(0, 0, 100, 40), 0, 0, TRect(0, 0, 100, 40), 40},
    };
    for (const auto& tc : cases) {
        TRecordingCanvas rc;
        TRect r = tc.in;
        TDrawTextParams params;
        params.iLeftMargin = tc.leftMargin;
        params.iRightMargin = tc.rightMargin;
        int got = DrawTextEx(&rc, tc.text, -1, r, tc.flags, &params);
        EXPECT_EQ(got, tc.result) << tc.name;
        EXPECT_EQ(RectText(r), RectText(tc.out)) << tc.name;
    }
}

TEST(CanvasText, DrawTextAlignsAndClips) {
    auto inkOf = [](unsigned flags, const AnsiString& text, TRect box) {
        Picture p(200, 30);
        p.C()->Font()->SetName("Arial");
        p.C()->Font()->SetColor(clBlack);
        SetBkMode(p.C(), TRANSPARENT);
        DrawText(p.C(), text, -1, box, flags);
        return p.InkBounds();
    };
    const TRect full(0, 0, 200, 30);
    TRect left = inkOf(DT_SINGLELINE | DT_VCENTER, "Hello", full);
    TRect right = inkOf(DT_SINGLELINE | DT_VCENTER | DT_RIGHT, "Hello", full);
    TRect centre = inkOf(DT_SINGLELINE | DT_VCENTER | DT_CENTER, "Hello", full);
    EXPECT_LE(left.Left, 3);
    EXPECT_GE(right.Right, 195);
    EXPECT_LE(right.Right, 200);
    EXPECT_NEAR((centre.Left + centre.Right) / 2.0, 100, 3);
    EXPECT_NEAR((left.Top + left.Bottom) / 2.0, 15, 4);

    TRect clipped = inkOf(DT_SINGLELINE, "WWWWWWWWWWWW", TRect(0, 0, 30, 30));
    EXPECT_LE(clipped.Right, 30);
    TRect unclipped = inkOf(DT_SINGLELINE | DT_NOCLIP, "WWWWWWWWWWWW", TRect(0, 0, 30, 30));
    EXPECT_GT(unclipped.Right, 30);

    // Right-to-left reading order moves the neutral '!' to the other end.
    Picture ltr(100, 30), rtl(100, 30);
    TRect b1(0, 0, 100, 30), b2(0, 0, 100, 30);
    DrawText(ltr.C(), "abc!", -1, b1, DT_SINGLELINE);
    DrawText(rtl.C(), "abc!", -1, b2, DT_SINGLELINE | DT_RTLREADING);
    EXPECT_NEAR(ltr.InkBounds().Left, rtl.InkBounds().Left, 2) << "same place, same width";
    EXPECT_NEAR(ltr.InkBounds().Right, rtl.InkBounds().Right, 2);
    EXPECT_NE(BitmapQImage(ltr.bmp), BitmapQImage(rtl.bmp));

    // The prefix character is underlined: the same letters draw more ink.
    Picture a(100, 30), b(100, 30);
    TRect r1(0, 0, 100, 30), r2(0, 0, 100, 30);
    DrawText(a.C(), "&File", -1, r1, DT_SINGLELINE);
    DrawText(b.C(), "File", -1, r2, DT_SINGLELINE);
    EXPECT_GT(a.InkCount(), b.InkCount());
}

TEST(CanvasText, MetricsFollowTheFont) {
    TBitmap b(10, 10);
    TCanvas* c = b.Canvas();
    c->Font()->SetName("Times New Roman");
    c->Font()->SetHeight(-13);
    TTextMetric tm;
    ASSERT_TRUE(GetTextMetrics(c, tm));
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_EQ(c->TextHeight("x"), tm.tmHeight);
    EXPECT_GE(tm.tmHeight, 13);
    EXPECT_LE(tm.tmHeight, 17);
    const int w = c->TextWidth("abc");
    c->Font()->SetStyle(TFontStyles{fsBold});
    EXPECT_GE(c->TextWidth("abc"), w);
    c->Font()->SetHeight(-26);
    EXPECT_GT(c->TextWidth("abc"), w * 3 / 2);

    // A positive height is the height of the whole cell.
    c->Font()->SetHeight(20);
    EXPECT_NEAR(c->TextHeight("x"), 20, 1);
    c->Font()->SetHeight(-26);

    // Italic text leans: its slope is reported as rise over run.
    c->Font()->SetStyle(TFontStyles{fsItalic});
    TOutlineTextMetric otm;
    ASSERT_EQ(GetOutlineTextMetrics(c, sizeof otm, &otm), sizeof otm);
    EXPECT_LT(otm.otmItalicAngle, 0);
    EXPECT_GT(otm.otmsCharSlopeRun, 0);
    c->Font()->SetStyle(TFontStyles{});
    ASSERT_EQ(GetOutlineTextMetrics(c, sizeof otm, &otm), sizeof otm);
    EXPECT_EQ(otm.otmsCharSlopeRun, 0);

    // Measuring needs no device.
    TCanvas bare;
    EXPECT_GT(bare.TextWidth("abc"), 0);
}

TEST(CanvasText, ExtTextOutFillsAndClipsItsRectangle) {
    Picture p(60, 30);
    TCanvas* c = p.C();
    SetBkColor(c, clYellow);
    SetBkMode(c, TRANSPARENT);
    TRect r(10, 5, 30, 25);
    ExtTextOut(c, 12, 8, ETO_OPAQUE | ETO_CLIPPED, &r, "WWWWWWWW");
    EXPECT_EQ(p.At(10, 5), clYellow);
    EXPECT_EQ(p.At(29, 24), clYellow);
    TRect ink = p.InkBounds();
    EXPECT_EQ(ink, r) << "nothing outside the rectangle";
    EXPECT_GT(p.Count(clBlack), 0);
    EXPECT_EQ(c->PenPos(), TPoint(0, 0)) << "the pen position stays";
}

}  // namespace
