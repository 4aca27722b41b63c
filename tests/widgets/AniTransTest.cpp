// The belt conveyor: where the loop puts its pulleys, runs, markers and coal heaps for a position,
// the loop's wrap both ways, mirroring and a control too small to draw in.
#include "widgets/AniTrans.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using widgettest::Dump;
using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using Belt = Paintable<TAniTrans>;

// The overview's belt-scale conveyor: 433 x 50, 600 x 50 virtual units, scale 434 / 600.
void Conveyor(TAniTrans& t) {
    t.SetBounds(0, 0, 433, 50);
    t.SetVirtW(600);
    t.SetVirtH(50);
    t.SetX1(18);
    t.SetY1(25);
    t.SetX2(580);
    t.SetY2(25);
    t.SetR(18);
    t.SetIntR(6);
    t.SetRk(10);
    t.SetScoopCount(12);
    t.SetScoopLH(2);
    t.SetShowCoal(true);
}

// Circles of the markers (6 x 6) among the ellipses drawn.
size_t Markers(const std::vector<TCanvasOp>& ops) {
    size_t n = 0;
    for (const auto& e : OfKind(ops, TCanvasOpKind::Ellipse)) n += e.Rect.Width() == 6 && e.Rect.Height() == 6;
    return n;
}

TEST(AniTrans, ConveyorWithCoalHeapsOnTheUpperRun) {
    Belt t(nullptr);
    Conveyor(t);
    const auto ops = RecordPaint(t);
    EXPECT_NEAR(t.Scale(), 434.0 / 600, 1e-12);
    const auto ellipses = OfKind(ops, TCanvasOpKind::Ellipse);
    ASSERT_EQ(ellipses.size(), 4u) << "two pulleys and two hubs, no markers with coal alone";
    EXPECT_EQ(ellipses[0].Rect, TRect(0, 19, 26, 45));
    EXPECT_EQ(ellipses[0].BrushColor, clYellow);
    EXPECT_EQ(ellipses[2].BrushColor, clCream);
    EXPECT_EQ(Markers(ops), 0u);

    // The first heap sits where the upper run leaves the first pulley, 7 px wide each side.
    const auto heaps = OfKind(ops, TCanvasOpKind::Polygon);
    ASSERT_FALSE(heaps.empty());
    EXPECT_EQ(heaps[0].Points, (std::vector<TPoint>{{6, 18}, {9, 14}, {13, 10}, {16, 14}, {20, 18}}));
    EXPECT_EQ(heaps[0].BrushColor, clTeal);
    EXPECT_EQ(heaps[0].PenColor, clBlack);
    // The loop is 2 (562 + 18 pi) long; a twelfth of it apart (103.1), the upper run (562) holds
    // six heaps and the turn's first third (18 pi / 3) none more.
    EXPECT_EQ(heaps.size(), 6u);
    for (const auto& h : heaps) EXPECT_EQ(h.Points[2].y, 10) << "all on the upper run";
}

TEST(AniTrans, PositionWrapsRoundTheLoopBothWays) {
    auto picture = [](double position) {
        Belt t(nullptr);
        Conveyor(t);
        t.SetPosition(position);
        return Dump(RecordPaint(t));
    };
    EXPECT_EQ(picture(100), picture(0));
    EXPECT_EQ(picture(250), picture(50));
    EXPECT_EQ(picture(-0.1), picture(99.9));
    EXPECT_EQ(picture(-100), picture(0));
    EXPECT_NE(picture(1), picture(0));
}

TEST(AniTrans, ScoopsMarkersAndCoalByTheTwoFlags) {
    struct Case {
        const char* name;
        int scoops;
        bool showScoops, showCoal;
        size_t markers, polylines;
        bool coal;
    };
    const Case cases[] = {
        {"no scoops: pulleys and runs only", 0, true, true, 0, 0, false},
        {"neither flag: a marker per scoop", 12, false, false, 12, 0, false},
        {"coal alone: heaps, no markers", 12, false, true, 0, 0, true},
        {"scoops: marker and outline each", 12, true, false, 12, 12, false},
        {"scoops with coal: coal in the upper ones", 12, true, true, 12, 12, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Belt t(nullptr);
        Conveyor(t);
        t.SetScoopCount(k.scoops);
        t.SetShowScoops(k.showScoops);
        t.SetShowCoal(k.showCoal);
        const auto ops = RecordPaint(t);
        EXPECT_EQ(Markers(ops), k.markers);
        EXPECT_EQ(OfKind(ops, TCanvasOpKind::Polyline).size(), k.polylines);
        EXPECT_EQ(!OfKind(ops, TCanvasOpKind::Polygon).empty(), k.coal);
        size_t runs = 0;
        for (const auto& l : OfKind(ops, TCanvasOpKind::LineTo)) runs += l.PenColor == clRed;
        EXPECT_EQ(runs, 2u) << "the upper and the lower run";
    }
}

TEST(AniTrans, SpokesTurnWithTheBelt) {
    auto spokeEnds = [](double position) {
        Belt t(nullptr);
        Conveyor(t);
        t.SetBladeCount(6);
        t.BladePen()->SetColor(clNavy);
        t.SetPosition(position);
        std::vector<TPoint> ends;
        for (const auto& l : OfKind(RecordPaint(t), TCanvasOpKind::LineTo))
            if (l.PenColor == clNavy) ends.push_back(l.Points.back());
        return ends;
    };
    const auto still = spokeEnds(0);
    ASSERT_EQ(still.size(), 12u) << "six on each pulley";
    EXPECT_EQ(still[0], TPoint(26, 32)) << "the first spoke points right at position 0";
    EXPECT_NE(spokeEnds(1), still);
}

TEST(AniTrans, XFlipMirrorsLeftAndRightOnly) {
    Belt plain(nullptr), flipped(nullptr);
    Conveyor(plain);
    Conveyor(flipped);
    flipped.SetXFlip(true);
    const auto a = RecordPaint(plain), b = RecordPaint(flipped);
    const auto ea = OfKind(a, TCanvasOpKind::Ellipse), eb = OfKind(b, TCanvasOpKind::Ellipse);
    ASSERT_EQ(ea.size(), eb.size());
    for (size_t i = 0; i < ea.size(); ++i) {
        EXPECT_EQ(eb[i].Rect.Left, 433 - ea[i].Rect.Left);
        EXPECT_EQ(eb[i].Rect.Right, 433 - ea[i].Rect.Right);
        EXPECT_EQ(eb[i].Rect.Top, ea[i].Rect.Top);
        EXPECT_EQ(eb[i].Rect.Bottom, ea[i].Rect.Bottom);
    }
    const auto ha = OfKind(a, TCanvasOpKind::Polygon), hb = OfKind(b, TCanvasOpKind::Polygon);
    ASSERT_EQ(ha.size(), hb.size());
    for (size_t i = 0; i < ha.size(); ++i) {
        EXPECT_EQ(hb[i].Points[2].x, 433 - ha[i].Points[2].x) << "the heap's top mirrored";
        EXPECT_EQ(hb[i].Points[2].y, ha[i].Points[2].y);
        EXPECT_EQ(hb[i].Points[4].x - hb[i].Points[0].x, ha[i].Points[4].x - ha[i].Points[0].x) << "same width";
    }
}

TEST(AniTrans, TooSmallOrWithoutVirtualExtentCollapsesIntoTheCorner) {
    struct Case {
        const char* name;
        int w, h;
        double virtW;
    };
    for (const Case& k : {Case{"narrower than 10", 9, 50, 600}, Case{"lower than 10", 433, 9, 600},
                          Case{"no virtual width", 433, 50, 0}}) {
        SCOPED_TRACE(k.name);
        Belt t(nullptr);
        Conveyor(t);
        t.SetBounds(0, 0, k.w, k.h);
        t.SetVirtW(k.virtW);
        const auto ops = RecordPaint(t);
        EXPECT_EQ(t.Scale(), 0);
        const auto fills = OfKind(ops, TCanvasOpKind::FillRect);
        ASSERT_FALSE(fills.empty());
        EXPECT_EQ(fills[0].Rect, TRect(0, 0, k.w, k.h));
        for (const auto& e : OfKind(ops, TCanvasOpKind::Ellipse))
            if (e.Rect.Width() != 6) { EXPECT_EQ(e.Rect, TRect(0, k.h, 0, k.h)); }
    }
}

TEST(AniTrans, CoincidingPulleysDrawNoScoops) {
    Belt t(nullptr);
    Conveyor(t);
    t.SetX2(18);
    t.SetShowScoops(true);
    const auto ops = RecordPaint(t);
    EXPECT_EQ(Markers(ops), 0u);
    EXPECT_TRUE(OfKind(ops, TCanvasOpKind::Polygon).empty());
    EXPECT_EQ(OfKind(ops, TCanvasOpKind::Ellipse).size(), 4u);
}

TEST(AniTrans, APatternLargerThanOnePixelFillsTheCoal) {
    for (int size : {1, 2}) {
        SCOPED_TRACE(size);
        Belt t(nullptr);
        Conveyor(t);
        TBitmap pattern(size, size);
        t.SetCoalBitmap(&pattern);
        const auto heaps = OfKind(RecordPaint(t), TCanvasOpKind::Polygon);
        ASSERT_FALSE(heaps.empty());
        EXPECT_EQ(heaps[0].BrushHasBitmap, size > 1);
    }
}

}  // namespace
