// Pixel-exact checks of the drawing rules on an off-screen bitmap.
#include "GfxTestSupport.h"

#include "gui/QtGraphicsInternal.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

void blackPen(TCanvas* c, int width = 1, TPenStyle style = psSolid) {
    c->Pen()->SetColor(clBlack);
    c->Pen()->SetWidth(width);
    c->Pen()->SetStyle(style);
}

struct BoundsCase {
    const char* name;
    std::function<void(TCanvas*)> draw;
    TRect ink;
};

// Shapes leave out their right and bottom edges; reversed corners are put in order; a rectangle
// without an outline is one pixel smaller; wide pens straddle the outline unless inside the frame.
TEST(CanvasRaster, ShapesCoverTheirBoxWithoutRightAndBottomEdge) {
    const BoundsCase cases[] = {
        {"Rectangle", [](TCanvas* c) { blackPen(c); c->Rectangle(2, 3, 9, 7); }, TRect(2, 3, 9, 7)},
        {"Rectangle reversed", [](TCanvas* c) { blackPen(c); c->Rectangle(9, 7, 2, 3); }, TRect(2, 3, 9, 7)},
        {"Rectangle without pen",
         [](TCanvas* c) {
             c->Pen()->SetStyle(psClear);
             c->Brush()->SetColor(clBlack);
             c->Rectangle(2, 3, 9, 7);
         },
         TRect(2, 3, 8, 6)},
        {"FillRect", [](TCanvas* c) { c->Brush()->SetColor(clBlack); c->FillRect(TRect(2, 3, 9, 7)); }, TRect(2, 3, 9, 7)},
        {"FillRect reversed", [](TCanvas* c) { c->Brush()->SetColor(clBlack); c->FillRect(TRect(9, 7, 2, 3)); }, TRect()},
        {"FrameRect", [](TCanvas* c) { c->Brush()->SetColor(clBlack); c->FrameRect(TRect(2, 3, 9, 7)); }, TRect(2, 3, 9, 7)},
        {"Ellipse", [](TCanvas* c) { blackPen(c); c->Ellipse(2, 3, 13, 10); }, TRect(2, 3, 13, 10)},
        {"Ellipse reversed", [](TCanvas* c) { blackPen(c); c->Ellipse(13, 10, 2, 3); }, TRect(2, 3, 13, 10)},
        {"RoundRect", [](TCanvas* c) { blackPen(c); c->RoundRect(2, 3, 13, 10, 4, 4); }, TRect(2, 3, 13, 10)},
        {"Wide rectangle straddles", [](TCanvas* c) { blackPen(c, 3); c->Rectangle(5, 5, 15, 15); }, TRect(4, 4, 16, 16)},
        {"Inside-frame rectangle", [](TCanvas* c) { blackPen(c, 4, psInsideFrame); c->Rectangle(2, 3, 12, 10); },
         TRect(2, 3, 12, 10)},
        {"Inside-frame ellipse", [](TCanvas* c) { blackPen(c, 4, psInsideFrame); c->Ellipse(2, 3, 20, 16); },
         TRect(2, 3, 20, 16)},
        {"Polygon fill only",
         [](TCanvas* c) {
             c->Pen()->SetStyle(psClear);
             c->Brush()->SetColor(clBlack);
             c->Polygon({TPoint(2, 3), TPoint(9, 3), TPoint(9, 7), TPoint(2, 7)});
         },
         TRect(2, 3, 9, 7)},
        {"Polygon with outline",
         [](TCanvas* c) {
             blackPen(c);
             c->Polygon({TPoint(2, 3), TPoint(9, 3), TPoint(9, 7), TPoint(2, 7)});
         },
         TRect(2, 3, 10, 8)},
        {"Degenerate ellipse", [](TCanvas* c) { blackPen(c); c->Ellipse(5, 5, 5, 12); }, TRect()},
    };
    for (const auto& tc : cases) {
        Picture p;
        tc.draw(p.C());
        EXPECT_EQ(RectText(p.InkBounds()), RectText(tc.ink)) << tc.name;
    }
}

TEST(CanvasRaster, OneWidthRectangleAndEllipseOutlinesAreOnePixelRings) {
    Picture p(20, 20);
    blackPen(p.C());
    p.C()->Brush()->SetColor(clRed);
    p.C()->Rectangle(1, 1, 6, 5);
    EXPECT_EQ(p.Art(TRect(0, 0, 7, 6)), ".......|.#####.|.#####.|.#####.|.#####.|.......");
    // Outline black, inside brush red, nothing beyond.
    for (int x = 1; x <= 5; ++x) {
        EXPECT_EQ(p.At(x, 1), clBlack);
        EXPECT_EQ(p.At(x, 4), clBlack);
    }
    for (int x = 2; x <= 4; ++x) EXPECT_EQ(p.At(x, 2), clRed);
    EXPECT_EQ(p.At(6, 2), clWhite);

    // A circle's ring: every inked pixel that is not red has a 4-neighbour outside the shape.
    Picture e(30, 30);
    blackPen(e.C());
    e.C()->Brush()->SetColor(clRed);
    e.C()->Ellipse(2, 2, 25, 25);
    EXPECT_EQ(e.At(13, 13), clRed);
    EXPECT_EQ(e.At(2, 13), clBlack);   // leftmost column, middle row
    EXPECT_EQ(e.At(24, 13), clBlack);  // rightmost column
    EXPECT_EQ(e.At(13, 2), clBlack);
    EXPECT_EQ(e.At(13, 24), clBlack);
    EXPECT_EQ(e.At(3, 13), clRed);
    EXPECT_EQ(e.At(1, 13), clWhite);
    EXPECT_EQ(e.At(25, 13), clWhite);
}

TEST(CanvasRaster, LineToLeavesOutItsEndPixelAndKeepsThePenPosition) {
    struct Case {
        const char* name;
        std::function<void(TCanvas*)> draw;
        TRect area;
        const char* art;
    };
    const Case cases[] = {
        {"horizontal", [](TCanvas* c) { c->MoveTo(1, 1); c->LineTo(6, 1); }, TRect(0, 0, 8, 3),
         "........|.#####..|........"},
        {"leftwards", [](TCanvas* c) { c->MoveTo(6, 1); c->LineTo(1, 1); }, TRect(0, 0, 8, 3),
         "........|..#####.|........"},
        {"diagonal", [](TCanvas* c) { c->MoveTo(1, 1); c->LineTo(4, 4); }, TRect(0, 0, 5, 5),
         ".....|.#...|..#..|...#.|....."},
        {"two segments", [](TCanvas* c) { c->MoveTo(1, 1); c->LineTo(4, 1); c->LineTo(4, 4); }, TRect(0, 0, 6, 5),
         "......|.####.|....#.|....#.|......"},
        {"zero length", [](TCanvas* c) { c->MoveTo(3, 3); c->LineTo(3, 3); }, TRect(0, 0, 5, 5),
         ".....|.....|.....|.....|....."},
        {"polyline", [](TCanvas* c) { c->Polyline({TPoint(1, 1), TPoint(4, 1), TPoint(4, 4)}); }, TRect(0, 0, 6, 5),
         "......|.####.|....#.|....#.|......"},
    };
    for (const auto& tc : cases) {
        Picture p(10, 10);
        blackPen(p.C());
        tc.draw(p.C());
        EXPECT_EQ(p.Art(tc.area), tc.art) << tc.name;
    }

    Picture p(10, 10);
    p.C()->MoveTo(1, 1);
    p.C()->LineTo(4, 4);
    EXPECT_EQ(p.C()->PenPos(), TPoint(4, 4));
    p.C()->Polyline({TPoint(0, 0), TPoint(8, 8)});
    EXPECT_EQ(p.C()->PenPos(), TPoint(4, 4)) << "Polyline neither uses nor moves the pen position";
}

TEST(CanvasRaster, PolygonsFillAlternateUnlessWindingIsAsked) {
    const std::vector<TPoint> star = {TPoint(20, 2), TPoint(31, 36), TPoint(2, 14), TPoint(38, 14), TPoint(9, 36)};
    for (int mode : {ALTERNATE, WINDING}) {
        Picture p;
        p.C()->Pen()->SetStyle(psClear);
        p.C()->Brush()->SetColor(clBlack);
        SetPolyFillMode(p.C(), mode);
        p.C()->Polygon(star);
        EXPECT_TRUE(p.Ink(20, 8)) << "an arm of the star";
        EXPECT_EQ(p.Ink(20, 22), mode == WINDING) << "the centre, mode " << mode;
    }
}

TEST(CanvasRaster, ArcsRunCounterClockwiseFromStartToEnd) {
    struct Case {
        const char* name;
        TPoint start, end;
        bool upperRight, upperLeft, lowerLeft, lowerRight;
    };
    // Circle centred on (10, 10) with radius 10; points on it at 45 degrees are about (17, 3).
    const Case cases[] = {
        {"east to north", TPoint(20, 10), TPoint(10, 0), true, false, false, false},
        {"north to east", TPoint(10, 0), TPoint(20, 10), false, true, true, true},
        {"west to east", TPoint(0, 10), TPoint(20, 10), false, false, true, true},
        {"radials far outside", TPoint(40, 10), TPoint(10, -50), true, false, false, false},
        {"same point is a full turn", TPoint(20, 10), TPoint(20, 10), true, true, true, true},
    };
    for (const auto& tc : cases) {
        Picture p(25, 25);
        blackPen(p.C());
        p.C()->Arc(0, 0, 21, 21, tc.start.x, tc.start.y, tc.end.x, tc.end.y);
        EXPECT_EQ(p.Ink(17, 3), tc.upperRight) << tc.name;
        EXPECT_EQ(p.Ink(3, 3), tc.upperLeft) << tc.name;
        EXPECT_EQ(p.Ink(3, 17), tc.lowerLeft) << tc.name;
        EXPECT_EQ(p.Ink(17, 17), tc.lowerRight) << tc.name;
        EXPECT_FALSE(p.Ink(10, 10)) << tc.name << ": an arc is not filled";
    }
}

TEST(CanvasRaster, PieAndChordFillTheirPartOfTheEllipse) {
    Picture pie(25, 25);
    blackPen(pie.C());
    pie.C()->Brush()->SetColor(clRed);
    pie.C()->Pie(0, 0, 21, 21, 20, 10, 10, 0);
    EXPECT_EQ(pie.At(13, 7), clRed) << "inside the quarter";
    EXPECT_EQ(pie.At(16, 4), clRed);
    EXPECT_EQ(pie.At(7, 13), clWhite) << "outside the quarter";
    EXPECT_EQ(pie.At(15, 10), clBlack) << "the radial line to the start";
    EXPECT_EQ(pie.At(10, 5), clBlack) << "the radial line to the end";

    Picture chord(25, 25);
    blackPen(chord.C());
    chord.C()->Brush()->SetColor(clRed);
    chord.C()->Chord(0, 0, 21, 21, 20, 10, 10, 0);
    EXPECT_EQ(chord.At(16, 4), clRed) << "between the arc and the chord";
    EXPECT_EQ(chord.At(12, 8), clWhite) << "on the centre's side of the chord";
    EXPECT_EQ(chord.At(15, 5), clBlack) << "on the chord";
}

TEST(CanvasRaster, XorAndNotXorDrawnTwiceRestoreThePicture) {
    struct Case {
        const char* name;
        TPenMode mode;
        int width;
        std::function<void(TCanvas*)> draw;
    };
    const Case cases[] = {
        {"line", pmNotXor, 1, [](TCanvas* c) { c->MoveTo(1, 2); c->LineTo(37, 29); }},
        {"polyline", pmNotXor, 1,
         [](TCanvas* c) { c->Polyline({TPoint(2, 2), TPoint(30, 5), TPoint(5, 30), TPoint(35, 35)}); }},
        {"dotted line", pmNotXor, 1, [](TCanvas* c) { c->Pen()->SetStyle(psDot); c->MoveTo(0, 20); c->LineTo(39, 21); }},
        {"wide polyline", pmXor, 5, [](TCanvas* c) { c->Polyline({TPoint(3, 3), TPoint(30, 8), TPoint(10, 30)}); }},
        {"rectangle", pmNotXor, 1,
         [](TCanvas* c) { c->Brush()->SetStyle(bsClear); c->Rectangle(3, 4, 30, 33); }},
        {"filled ellipse", pmXor, 1, [](TCanvas* c) { c->Ellipse(3, 4, 30, 33); }},
        {"wide ellipse outline", pmNotXor, 3,
         [](TCanvas* c) { c->Brush()->SetStyle(bsClear); c->Ellipse(5, 5, 35, 30); }},
    };
    for (const auto& tc : cases) {
        Picture p;
        // A picture with several colours under the strokes.
        for (int i = 0; i < 8; ++i) {
            p.C()->Brush()->SetColor(RGB(i * 30, 255 - i * 20, (i * 70) & 0xFF));
            p.C()->FillRect(TRect(i * 5, 0, i * 5 + 5, 40));
        }
        const QImage before = BitmapQImage(p.bmp).copy();
        p.C()->Pen()->SetColor(clRed);
        p.C()->Pen()->SetWidth(tc.width);
        p.C()->Pen()->SetMode(tc.mode);
        tc.draw(p.C());
        EXPECT_NE(BitmapQImage(p.bmp), before) << tc.name << ": the first drawing shows";
        tc.draw(p.C());
        EXPECT_EQ(BitmapQImage(p.bmp), before) << tc.name << ": the second drawing restores";
    }
}

TEST(CanvasRaster, WidePensAreSolidWithRoundCaps) {
    Picture p;
    blackPen(p.C(), 3, psDash);
    p.C()->MoveTo(5, 10);
    p.C()->LineTo(30, 10);
    for (int x = 5; x <= 30; ++x)
        for (int y = 9; y <= 11; ++y) EXPECT_TRUE(p.Ink(x, y)) << x << "," << y << ": no dashes on a wide pen";
    EXPECT_FALSE(p.Ink(15, 8));
    EXPECT_FALSE(p.Ink(15, 12));
    EXPECT_TRUE(p.Ink(4, 10)) << "round cap reaches half the width beyond the end";
    EXPECT_TRUE(p.Ink(31, 10)) << "a wide line keeps its end";
    EXPECT_FALSE(p.Ink(3, 10));

    Picture cap;
    blackPen(cap.C(), 7);
    cap.C()->MoveTo(10, 20);
    cap.C()->LineTo(30, 20);
    EXPECT_TRUE(cap.Ink(7, 20));
    EXPECT_FALSE(cap.Ink(7, 17)) << "the cap is round, not square";
    EXPECT_TRUE(cap.Ink(10, 17));

    // Flat ends stop at the end points (the end pixel left out, as with thin lines); square ends
    // reach half the width beyond them; round ends of an even width break the tie to the right.
    struct Cap {
        TPenEndCap cap;
        int first, last;
    };
    for (Cap tc : {Cap{pecFlat, 5, 14}, Cap{pecSquare, 4, 15}, Cap{pecRound, 5, 16}}) {
        Picture f;
        blackPen(f.C(), 2);
        f.C()->Pen()->SetEndCap(tc.cap);
        f.C()->MoveTo(5, 10);
        f.C()->LineTo(15, 10);
        TRect ink = f.InkBounds();
        EXPECT_EQ(ink.Left, tc.first) << tc.cap;
        EXPECT_EQ(ink.Right - 1, tc.last) << tc.cap;
        Picture v;
        blackPen(v.C(), 2);
        v.C()->Pen()->SetEndCap(tc.cap);
        v.C()->MoveTo(10, 5);
        v.C()->LineTo(10, 15);
        EXPECT_EQ(v.InkBounds().Top, tc.first) << tc.cap;
        EXPECT_EQ(v.InkBounds().Bottom - 1, tc.last) << tc.cap;
    }

    // An even width covers exactly that many rows.
    Picture q;
    blackPen(q.C(), 2);
    q.C()->MoveTo(5, 20);
    q.C()->LineTo(30, 20);
    int rows = 0;
    for (int y = 15; y <= 25; ++y) rows += q.Ink(15, y) ? 1 : 0;
    EXPECT_EQ(rows, 2);
}

TEST(CanvasRaster, DottedPensLeaveGapsFilledOnlyWithAnOpaqueBackground) {
    Picture p;
    blackPen(p.C(), 1, psDot);
    p.C()->Brush()->SetStyle(bsClear);  // transparent background
    p.C()->MoveTo(0, 5);
    p.C()->LineTo(36, 5);
    int ink = 0;
    for (int x = 0; x < 36; ++x) ink += p.Ink(x, 5) ? 1 : 0;
    EXPECT_GT(ink, 6);
    EXPECT_LT(ink, 30);
    EXPECT_TRUE(p.Ink(0, 5)) << "the pattern starts with a dot";

    Picture q;
    blackPen(q.C(), 1, psDot);
    q.C()->Brush()->SetColor(clRed);  // solid brush: opaque background in its colour
    q.C()->MoveTo(0, 5);
    q.C()->LineTo(36, 5);
    for (int x = 0; x < 36; ++x) EXPECT_TRUE(q.At(x, 5) == clBlack || q.At(x, 5) == clRed) << x;
    EXPECT_GT(q.Count(clRed), 6);
}

TEST(CanvasRaster, FloodFillIsAnExactColourFourConnectedFill) {
    Picture p(20, 20);
    blackPen(p.C());
    p.C()->Brush()->SetStyle(bsClear);
    p.C()->Rectangle(2, 2, 12, 12);
    p.C()->Brush()->SetColor(clRed);
    p.C()->FloodFill(5, 5, clWhite, fsSurface);
    EXPECT_EQ(p.Count(clRed), 64);
    EXPECT_EQ(p.At(3, 3), clRed);
    EXPECT_EQ(p.At(2, 2), clBlack);
    EXPECT_EQ(p.At(15, 15), clWhite);

    Picture b(20, 20);
    blackPen(b.C());
    b.C()->Brush()->SetStyle(bsClear);
    b.C()->Rectangle(2, 2, 12, 12);
    b.C()->Pen()->SetColor(clBlue);
    b.C()->MoveTo(4, 7);
    b.C()->LineTo(9, 7);  // another colour inside does not stop a border fill
    b.C()->Brush()->SetColor(clRed);
    b.C()->FloodFill(5, 5, clBlack, fsBorder);
    EXPECT_EQ(b.Count(clRed), 64);

    // A one-pixel diagonal is a wall for a four-connected fill.
    Picture d(12, 12);
    blackPen(d.C());
    d.C()->MoveTo(0, 10);
    d.C()->LineTo(11, -1);
    d.C()->Brush()->SetColor(clRed);
    d.C()->FloodFill(0, 0, clWhite, fsSurface);
    EXPECT_EQ(d.At(0, 0), clRed);
    EXPECT_EQ(d.At(11, 11), clWhite);

    // Starting on another colour fills nothing; so does a start outside the picture.
    Picture n(10, 10);
    n.C()->Brush()->SetColor(clRed);
    n.C()->FloodFill(5, 5, clBlack, fsSurface);
    n.C()->FloodFill(50, 5, clWhite, fsSurface);
    EXPECT_EQ(n.Count(clRed), 0);
}

TEST(CanvasRaster, PatternAndHatchBrushes) {
    TBitmap checker(2, 2);
    checker.Canvas()->SetPixels(0, 0, clBlack);
    checker.Canvas()->SetPixels(1, 1, clBlack);
    Picture p(8, 8);
    p.C()->Brush()->SetBitmap(&checker);
    p.C()->FillRect(TRect(1, 1, 7, 7));
    for (int y = 1; y < 7; ++y)
        for (int x = 1; x < 7; ++x)
            EXPECT_EQ(p.At(x, y), (x + y) % 2 == 0 ? clBlack : clWhite) << x << "," << y;

    // The brush forgets a pattern bitmap that is freed.
    auto* temp = new TBitmap(2, 2);
    TBrush brush;
    brush.SetBitmap(temp);
    EXPECT_EQ(brush.Bitmap(), temp);
    delete temp;
    EXPECT_EQ(brush.Bitmap(), nullptr);

    // Hatches: lines in the brush colour, the rest left alone on a transparent background.
    Picture h(16, 16, clRed);
    h.C()->Brush()->SetColor(clBlack);
    h.C()->Brush()->SetStyle(bsHorizontal);
    h.C()->FillRect(TRect(0, 0, 16, 16));
    EXPECT_EQ(h.Count(clBlack), 32);
    EXPECT_EQ(h.Count(clRed), 16 * 16 - 32);
    for (int x = 0; x < 16; ++x) EXPECT_EQ(h.At(x, 0), clBlack);
}

TEST(CanvasRaster, CopyRectStretchesMirrorsAndAppliesTheCopyMode) {
    TBitmap src(2, 2);
    src.Canvas()->SetPixels(0, 0, clRed);
    src.Canvas()->SetPixels(1, 0, clLime);
    src.Canvas()->SetPixels(0, 1, clBlue);
    src.Canvas()->SetPixels(1, 1, clYellow);

    Picture p(10, 10);
    p.C()->CopyRect(TRect(0, 0, 4, 4), src.Canvas(), TRect(0, 0, 2, 2));
    EXPECT_EQ(p.At(0, 0), clRed);
    EXPECT_EQ(p.At(1, 1), clRed);
    EXPECT_EQ(p.At(2, 0), clLime);
    EXPECT_EQ(p.At(3, 3), clYellow);
    EXPECT_EQ(p.At(0, 3), clBlue);
    EXPECT_EQ(p.At(4, 0), clWhite);

    Picture m(10, 10);
    m.C()->CopyRect(TRect(2, 0, 0, 2), src.Canvas(), TRect(0, 0, 2, 2));
    EXPECT_EQ(m.At(0, 0), clLime) << "a reversed destination mirrors";
    EXPECT_EQ(m.At(1, 0), clRed);

    Picture x(10, 10);
    const QImage before = BitmapQImage(x.bmp).copy();
    x.C()->SetCopyMode(cmSrcInvert);
    x.C()->CopyRect(TRect(3, 3, 7, 7), src.Canvas(), TRect(0, 0, 2, 2));
    EXPECT_NE(BitmapQImage(x.bmp), before);
    x.C()->CopyRect(TRect(3, 3, 7, 7), src.Canvas(), TRect(0, 0, 2, 2));
    EXPECT_EQ(BitmapQImage(x.bmp), before);

    // Copying within one picture reads the pixels from before the copy, as scrolling needs.
    Picture sc(10, 1);
    for (int i = 0; i < 10; ++i) sc.C()->SetPixels(i, 0, RGB(i, 0, 0));
    sc.C()->CopyRect(TRect(2, 0, 10, 1), sc.C(), TRect(0, 0, 8, 1));
    for (int i = 2; i < 10; ++i) EXPECT_EQ(sc.At(i, 0), RGB(i - 2, 0, 0)) << i;

    // A transparent bitmap leaves out its transparent colour (by default the bottom-left pixel).
    TBitmap sprite(3, 3);
    sprite.Canvas()->Brush()->SetColor(clGreen);
    sprite.Canvas()->FillRect(TRect(0, 0, 3, 3));
    sprite.Canvas()->SetPixels(1, 1, clRed);
    sprite.SetTransparent(true);
    Picture t(5, 5);
    t.C()->Draw(1, 1, &sprite);
    EXPECT_EQ(t.At(2, 2), clRed);
    EXPECT_EQ(t.Count(clGreen), 0);

    Picture s(10, 10);
    s.C()->StretchDraw(TRect(0, 0, 6, 6), &src);
    EXPECT_EQ(s.At(5, 5), clYellow);
    EXPECT_EQ(s.At(2, 0), clRed);
    EXPECT_EQ(s.At(3, 0), clLime);
}

TEST(CanvasRaster, ClipRegionsLimitDrawingAndAreSavedAndRestored) {
    Picture p(20, 20);
    TCanvas* c = p.C();
    EXPECT_EQ(c->ClipRect(), TRect(0, 0, 20, 20));
    int level = SaveDC(c);
    IntersectClipRect(c, 5, 5, 10, 12);
    EXPECT_EQ(c->ClipRect(), TRect(5, 5, 10, 12));
    c->Brush()->SetColor(clBlack);
    c->FillRect(TRect(0, 0, 20, 20));
    EXPECT_EQ(p.InkBounds(), TRect(5, 5, 10, 12));

    HRGN saved = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(c, saved), 1);
    SelectClipRgn(c, nullptr);
    EXPECT_EQ(c->ClipRect(), TRect(0, 0, 20, 20));
    SelectClipRgn(c, saved);
    EXPECT_EQ(c->ClipRect(), TRect(5, 5, 10, 12));

    EXPECT_EQ(c->Pixels(7, 7), clBlack);
    EXPECT_EQ(c->Pixels(2, 2), CLR_INVALID) << "pixels outside the clip region cannot be read";

    RestoreDC(c, level);
    EXPECT_FALSE(c->HasClipRegion());
    EXPECT_EQ(GetClipRgn(c, saved), 0);

    ExcludeClipRect(c, 0, 0, 20, 10);
    c->Brush()->SetColor(clRed);
    c->FillRect(TRect(0, 0, 20, 20));
    EXPECT_EQ(p.At(0, 9), clWhite);
    EXPECT_EQ(p.At(0, 10), clRed);
    EXPECT_EQ(p.At(7, 7), clBlack);
}

// Coordinates far outside the picture (a value off its scale) cost no more than what shows.
TEST(CanvasRaster, FarOffCoordinatesDrawOnlyWhatShows) {
    const int far = 1000000000;
    Picture p(20, 20);
    blackPen(p.C());
    p.C()->MoveTo(-far, -far);
    p.C()->LineTo(far, far);
    EXPECT_TRUE(p.Ink(5, 5));
    EXPECT_FALSE(p.Ink(5, 6));

    Picture e(20, 20);
    blackPen(e.C(), 3);
    e.C()->Brush()->SetColor(clRed);
    e.C()->Ellipse(-far, -far, far, far);
    EXPECT_EQ(e.Count(clRed), 400) << "the middle of a huge ellipse";
    e.C()->Polygon({TPoint(-far, -far), TPoint(far, 0), TPoint(-far, far)});
    e.C()->MoveTo(-far, 10);
    e.C()->LineTo(far, 10);
    e.C()->Arc(-far, -far, far, far, far, 0, 0, -far);
    e.C()->Brush()->SetColor(clBlue);
    e.C()->FillRect(TRect(-far, -far, far, 5));
    EXPECT_EQ(e.At(3, 3), clBlue);

    // A dotted line keeps its pattern where it enters the picture.
    TBitmap big(1100, 3);
    blackPen(big.Canvas(), 1, psDot);
    big.Canvas()->Brush()->SetStyle(bsClear);
    big.Canvas()->MoveTo(0, 1);
    big.Canvas()->LineTo(1041, 1);
    Picture small(40, 3);
    blackPen(small.C(), 1, psDot);
    small.C()->Brush()->SetStyle(bsClear);
    small.C()->MoveTo(-1001, 1);
    small.C()->LineTo(40, 1);
    for (int x = 0; x < 40; ++x) EXPECT_EQ(small.At(x, 1), big.Canvas()->Pixels(1001 + x, 1)) << x;
}

TEST(CanvasRaster, PixelsReadAndWriteInsideThePicture) {
    Picture p(10, 10);
    p.C()->SetPixels(3, 4, clNavy);
    EXPECT_EQ(p.At(3, 4), clNavy);
    EXPECT_EQ(p.At(-1, 0), CLR_INVALID);
    EXPECT_EQ(p.At(10, 0), CLR_INVALID);
    p.C()->SetPixels(20, 20, clNavy);  // outside: ignored
    EXPECT_EQ(p.Count(clNavy), 1);
    p.C()->SetPixels(5, 5, clBtnFace);
    EXPECT_EQ(p.At(5, 5), ColorToRGB(clBtnFace)) << "system colours are resolved";
}

TEST(CanvasRaster, FocusRectangleDrawnTwiceDisappears) {
    Picture p(20, 20);
    const QImage before = BitmapQImage(p.bmp).copy();
    p.C()->DrawFocusRect(TRect(2, 2, 15, 11));
    EXPECT_EQ(p.InkBounds(), TRect(2, 2, 15, 11));
    EXPECT_FALSE(p.Ink(3, 2) && p.Ink(2, 2)) << "dotted, not solid";
    p.C()->DrawFocusRect(TRect(2, 2, 15, 11));
    EXPECT_EQ(BitmapQImage(p.bmp), before);
}

TEST(CanvasRaster, DrawEdgeBevelsAndAdjusts) {
    Picture p(12, 12);
    TRect r(0, 0, 10, 10);
    DrawEdge(p.C(), r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    EXPECT_EQ(r, TRect(2, 2, 8, 8));
    EXPECT_EQ(p.At(0, 0), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(p.At(1, 1), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(p.At(9, 9), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(p.At(8, 8), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(p.At(9, 0), GetSysColor(COLOR_3DDKSHADOW)) << "the dark side owns the top-right corner";
    EXPECT_EQ(p.At(0, 9), GetSysColor(COLOR_3DDKSHADOW)) << "and the bottom-left corner";
    EXPECT_EQ(p.At(5, 5), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(p.At(10, 5), clWhite);

    Picture s(12, 12);
    TRect t(0, 0, 10, 10);
    DrawEdge(s.C(), t, BDR_SUNKENOUTER, BF_TOP | BF_BOTTOM);
    EXPECT_EQ(s.At(3, 0), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(s.At(3, 9), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(s.At(0, 5), clWhite) << "no left side asked for";
    EXPECT_EQ(t, TRect(0, 0, 10, 10)) << "without BF_ADJUST the rectangle stays";
}

TEST(CanvasRaster, FrameControlsDrawCheckMarksAndArrows) {
    auto marks = [](unsigned state) {
        Picture p(13, 13);
        TRect r(0, 0, 13, 13);
        DrawFrameControl(p.C(), r, DFC_BUTTON, DFCS_BUTTONCHECK | state);
        int dark = 0;
        for (int y = 3; y < 10; ++y)
            for (int x = 3; x < 10; ++x)
                if (p.At(x, y) == clBlack || p.At(x, y) == GetSysColor(COLOR_BTNSHADOW)) ++dark;
        return std::make_pair(dark, p.At(6, 9) == GetSysColor(COLOR_BTNFACE) || p.At(3, 3) == GetSysColor(COLOR_BTNFACE));
    };
    EXPECT_EQ(marks(0).first, 0) << "unchecked";
    EXPECT_EQ(marks(DFCS_CHECKED).first, 21) << "a 7 x 3 check mark";
    EXPECT_FALSE(marks(DFCS_CHECKED).second) << "checked box has a window-coloured inside";
    EXPECT_TRUE(marks(DFCS_CHECKED | DFCS_BUTTON3STATE).second) << "grey box of a three-state check";

    Picture a(17, 17);
    TRect r(0, 0, 17, 17);
    DrawFrameControl(a.C(), r, DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
    int widest = -1, widestRow = -1, lastRow = -1;
    for (int y = 0; y < 17; ++y) {
        int n = 0;
        for (int x = 2; x < 15; ++x) n += a.At(x, y) == GetSysColor(COLOR_BTNTEXT) ? 1 : 0;
        if (n > widest) { widest = n; widestRow = y; }
        if (n > 0) lastRow = y;
    }
    EXPECT_GE(widest, 5);
    EXPECT_LT(widestRow, lastRow) << "a down arrow narrows towards the bottom";
}

}  // namespace
