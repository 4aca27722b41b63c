// The fan's clamped sizes and its rotor angle, and the circle with rays drawn at its scale.
#include "widgets/Fan.h"
#include "widgets/WaterCircle.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

namespace {

using widgettest::Dump;
using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using Fan = Paintable<TFan>;
using Circle = Paintable<TWaterCircle>;

TEST(Fan, SizesAreClampedToTheirRanges) {
    struct Case {
        const char* name;
        void (TFan::*set)(int);
        int (TFan::*get)() const;
        int value, stored;
    };
    const Case cases[] = {
        {"blades above", &TFan::SetBladeCount, &TFan::BladeCount, 40, 32},
        {"blades below", &TFan::SetBladeCount, &TFan::BladeCount, -1, 0},
        {"width below", &TFan::SetBladeWidth, &TFan::BladeWidth, 0, 1},
        {"width above", &TFan::SetBladeWidth, &TFan::BladeWidth, 101, 100},
        {"length above", &TFan::SetBladeLength, &TFan::BladeLength, 500, 100},
        {"tip above", &TFan::SetEdgeLength, &TFan::EdgeLength, 91, 90},
        {"tip below", &TFan::SetEdgeLength, &TFan::EdgeLength, -5, 1},
        {"tip inside", &TFan::SetEdgeLength, &TFan::EdgeLength, 45, 45},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        TFan f(nullptr);
        (f.*k.set)(k.value);
        EXPECT_EQ((f.*k.get)(), k.stored);
    }
}

// A 30 x 30 unloader with four blades: housing, then one polygon per blade.
TEST(Fan, DrawsTheHousingAndOneBladePerCount) {
    Fan f(nullptr);
    f.SetBounds(0, 0, 30, 30);
    f.SetColor(clBlack);
    f.SetBladeCount(4);
    f.SetRotorColor(clMaroon);
    auto ops = RecordPaint(f);
    const auto housing = OfKind(ops, TCanvasOpKind::Ellipse);
    ASSERT_EQ(housing.size(), 1u);
    EXPECT_EQ(housing[0].Rect, TRect(0, 0, 30, 30));
    EXPECT_EQ(housing[0].BrushColor, clAqua);
    EXPECT_EQ(housing[0].PenColor, clYellow);
    const auto blades = OfKind(ops, TCanvasOpKind::Polygon);
    ASSERT_EQ(blades.size(), 4u);
    // Length 98 % of 15, tip from 80 % of it, 3 px wide, pointing right from the centre.
    EXPECT_EQ(blades[0].Points, (std::vector<TPoint>{{15, 13}, {26, 13}, {29, 15}, {26, 16}, {15, 16}}));
    EXPECT_EQ(blades[0].BrushColor, clMaroon);
    EXPECT_EQ(blades[1].Points[2], TPoint(15, 0)) << "the second blade a quarter turn on, upward";

    f.SetBladeCount(-1);
    EXPECT_TRUE(OfKind(RecordPaint(f), TCanvasOpKind::Polygon).empty()) << "no blades: the housing alone";
}

TEST(Fan, AWholeTurnDrawsTheSameRotor) {
    auto rotor = [](int alpha) {
        Fan f(nullptr);
        f.SetBounds(0, 0, 30, 30);
        f.SetBladeCount(4);
        f.SetRotorAlpha(alpha);
        return Dump(OfKind(RecordPaint(f), TCanvasOpKind::Polygon));
    };
    EXPECT_EQ(rotor(360), rotor(0));
    EXPECT_EQ(rotor(-350), rotor(10));
    EXPECT_NE(rotor(10), rotor(0));
}

TEST(WaterCircle, DrawsItsCircleAndRaysAtTheScaleOfR3) {
    struct Case {
        const char* name;
        int w, h;
        double r1, r2, r3;
        TRect circle;
        // The down ray lies a pixel left of the centre: cos 270 degrees comes out a hair below
        // zero and the truncation takes it down.
        TPoint downRayFrom, downRayTo;
    };
    const Case cases[] = {
        {"the diagrams' lamp: radius 5 at (5, 5), rays of no length", 10, 10, 8, 8, 8, TRect(0, 0, 10, 10), {4, 10}, {4, 10}},
        {"the defaults on 50 x 50: scale 25 / 16", 50, 50, 6, 8, 16, TRect(15, 15, 34, 34), {24, 37}, {24, 50}},
        {"the smaller side counts", 80, 40, 8, 8, 8, TRect(20, 0, 60, 40), {39, 40}, {39, 40}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Circle c(nullptr);
        c.SetBounds(0, 0, k.w, k.h);
        c.SetR1(k.r1);
        c.SetR2(k.r2);
        c.SetR3(k.r3);
        c.SetWaterColor(clLime);
        const auto ops = RecordPaint(c);
        EXPECT_TRUE(OfKind(ops, TCanvasOpKind::FillRect).empty()) << "transparent";
        const auto e = OfKind(ops, TCanvasOpKind::Ellipse);
        ASSERT_EQ(e.size(), 1u);
        EXPECT_EQ(e[0].Rect, k.circle);
        EXPECT_EQ(e[0].BrushColor, clLime);
        EXPECT_EQ(e[0].PenWidth, 2);
        const auto rays = OfKind(ops, TCanvasOpKind::LineTo);
        ASSERT_EQ(rays.size(), 3u);
        EXPECT_EQ(rays[1].Points[0], k.downRayFrom);
        EXPECT_EQ(rays[1].Points[1], k.downRayTo);
        EXPECT_LT(rays[0].Points[1].x, rays[1].Points[1].x) << "down-left, down, down-right";
        EXPECT_GT(rays[2].Points[1].x, rays[1].Points[1].x);
    }
}

TEST(WaterCircle, BackgroundUnlessTransparentAndNothingWithoutScale) {
    Circle c(nullptr);
    c.SetBounds(0, 0, 10, 10);
    c.SetColor(clOlive);
    c.SetTransparent(false);
    auto fills = OfKind(RecordPaint(c), TCanvasOpKind::FillRect);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].BrushColor, clOlive);

    c.SetR3(0);
    EXPECT_TRUE(RecordPaint(c).empty());
}

}  // namespace
