// The conical tank: which shapes the water level gives.
#include "widgets/ConusBox.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

namespace {

using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using Conus = Paintable<TConusBox>;

struct Shapes {
    std::vector<TCanvasOp> rects, polys;
};

Shapes Draw(Conus& c) {
    auto ops = RecordPaint(c);
    return {OfKind(ops, TCanvasOpKind::Rectangle), OfKind(ops, TCanvasOpKind::Polygon)};
}

// 100 x 100 with a pen of 1: the cone from y 20 to the outlet 45..55 at y 99.
void Tank(Conus& c, int waterH, int conusH = 80) {
    c.SetBounds(0, 0, 100, 100);
    c.SetColor(clTeal);
    c.SetWaterColor(clAqua);
    c.SetBackColor(clBlack);
    c.SetConusH(conusH);
    c.SetWaterH(waterH);
}

TEST(ConusBox, WaterInTheConeFillsAScaledCone) {
    Conus c(nullptr);
    Tank(c, 40);
    auto s = Draw(c);
    ASSERT_EQ(s.polys.size(), 2u);
    EXPECT_EQ(s.polys[0].Points, (std::vector<TPoint>{{1, 20}, {45, 99}, {55, 99}, {99, 20}}));
    EXPECT_EQ(s.polys[0].BrushColor, clTeal) << "the empty cone";
    EXPECT_EQ(s.polys[1].Points, (std::vector<TPoint>{{22, 60}, {45, 99}, {55, 99}, {77, 60}}));
    EXPECT_EQ(s.polys[1].BrushColor, clAqua);
    ASSERT_EQ(s.rects.size(), 3u);
    EXPECT_EQ(s.rects[0].Rect, TRect(1, 0, 100, 20)) << "the empty cylinder";
    EXPECT_EQ(s.rects[0].BrushColor, clTeal);
    EXPECT_EQ(s.rects[1].Rect, TRect(2, 19, 98, 21)) << "the seam, hidden";
    EXPECT_EQ(s.rects[2].Rect, TRect(0, 0, 100, 2)) << "the open top";
    EXPECT_EQ(s.rects[2].BrushColor, clBlack);
}

TEST(ConusBox, LevelBranches) {
    struct Case {
        const char* name;
        int waterH, conusH;
        size_t polygons;
        std::vector<TPoint> water;  // the last polygon
        bool emptyPartAbove;        // a rectangle in Color above the water in the cylinder
    };
    const Case cases[] = {
        {"full to the top", 100, 80, 1, {{1, 20}, {45, 99}, {55, 99}, {99, 20}}, false},
        {"above the cone", 90, 80, 1, {{1, 20}, {45, 99}, {55, 99}, {99, 20}}, true},
        {"level with the cone top: the cone branch", 80, 80, 2, {{0, 20}, {45, 99}, {55, 99}, {100, 20}}, true},
        {"empty: a strip as wide as the outlet", 0, 80, 2, {{45, 100}, {45, 99}, {55, 99}, {55, 100}}, true},
        {"no cone and no water: no water polygon", 0, 0, 1, {{1, 100}, {45, 99}, {55, 99}, {99, 100}}, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Conus c(nullptr);
        Tank(c, k.waterH, k.conusH);
        auto s = Draw(c);
        ASSERT_EQ(s.polys.size(), k.polygons);
        EXPECT_EQ(s.polys.back().Points, k.water);
        bool emptyPart = false;
        for (const auto& r : s.rects) emptyPart |= r.BrushColor == clTeal;
        EXPECT_EQ(emptyPart, k.emptyPartAbove);
    }
}

TEST(ConusBox, HalfConeHasItsWallOnTheFlippedSide) {
    for (bool flip : {false, true}) {
        SCOPED_TRACE(flip);
        Conus c(nullptr);
        Tank(c, 90);
        c.SetHalfConus(true);
        c.SetXFlip(flip);
        auto s = Draw(c);
        ASSERT_EQ(s.polys.size(), 1u);
        const auto& p = s.polys[0].Points;
        if (flip) {
            EXPECT_EQ(p[1], TPoint(1, 99));
            EXPECT_EQ(p[2], TPoint(10, 99));
        } else {
            EXPECT_EQ(p[1], TPoint(90, 99));
            EXPECT_EQ(p[2], TPoint(99, 99));
        }
    }
}

TEST(ConusBox, RedrawsOnlyWhenSomethingChanged) {
    Conus c(nullptr);
    Tank(c, 40);
    RecordPaint(c);
    auto again = RecordPaint(c);
    EXPECT_TRUE(OfKind(again, TCanvasOpKind::Polygon).empty());
    EXPECT_EQ(OfKind(again, TCanvasOpKind::CopyRect).size(), 1u);
    c.SetWaterColor(clSilver);
    auto redrawn = OfKind(RecordPaint(c), TCanvasOpKind::Polygon);
    ASSERT_EQ(redrawn.size(), 2u);
    EXPECT_EQ(redrawn[1].BrushColor, clSilver);
    c.Pen()->SetColor(clAqua);
    EXPECT_EQ(OfKind(RecordPaint(c), TCanvasOpKind::Polygon)[0].PenColor, clAqua);
}

}  // namespace
