// The mixer tank: where its vessel, water and rotor are drawn, and when it redraws.
#include "widgets/Mixer.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

namespace {

using widgettest::Dump;
using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using Mixer = Paintable<TMixer>;

TEST(Mixer, DrawsVesselWaterAndRotorInPercentOfTheSmallerSide) {
    // 100 x 120: one percent is one pixel of the 100-pixel width.
    Mixer m(nullptr);
    m.SetBounds(0, 0, 100, 120);
    m.Pen()->SetWidth(3);  // walls 1 pixel in from the sides
    m.Pen()->SetColor(clNavy);
    m.RotorPen()->SetColor(clRed);
    auto ops = RecordPaint(m);

    auto lines = OfKind(ops, TCanvasOpKind::LineTo);
    ASSERT_GE(lines.size(), 4u) << Dump(ops);
    EXPECT_EQ(lines[0].Points, (std::vector<TPoint>{{1, 0}, {1, 115}})) << "left wall";
    EXPECT_EQ(lines[1].Points, (std::vector<TPoint>{{5, 120}, {95, 120}})) << "bottom, on the row below the picture";
    EXPECT_EQ(lines[2].Points, (std::vector<TPoint>{{99, 115}, {99, 0}})) << "right wall";
    EXPECT_EQ(lines[0].PenColor, clNavy);
    EXPECT_EQ(lines[3].Points, (std::vector<TPoint>{{1, 40}, {99, 40}})) << "water line 80 up";
    EXPECT_EQ(lines[3].PenColor, clAqua);
    EXPECT_EQ(lines[3].PenWidth, 1);

    auto arcs = OfKind(ops, TCanvasOpKind::Arc);
    ASSERT_EQ(arcs.size(), 2u);
    EXPECT_EQ(arcs[0].Points, (std::vector<TPoint>{{1, 110}, {10, 120}, {1, 115}, {5, 120}}));
    EXPECT_EQ(arcs[1].Points, (std::vector<TPoint>{{90, 110}, {99, 120}, {95, 120}, {99, 115}}));

    auto fills = OfKind(ops, TCanvasOpKind::FloodFill);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].Points[0], TPoint(50, 80)) << "halfway between the water line and the bottom";
    EXPECT_EQ(fills[0].Values, (std::vector<int>{clWhite, fsSurface})) << "replaces the background colour";
    EXPECT_EQ(fills[0].BrushColor, clAqua);

    auto hubs = OfKind(ops, TCanvasOpKind::Ellipse);
    ASSERT_EQ(hubs.size(), 1u);
    EXPECT_EQ(hubs[0].Rect, TRect(45, 85, 55, 95)) << "radius 5 about (50, 90)";
    EXPECT_EQ(hubs[0].BrushColor, clRed) << "the hub is filled in the rotor pen's colour";

    // Four blades, each a spoke from the centre and a five-point arc 30 degrees wide at its tip.
    auto spokes = std::vector<TCanvasOp>(lines.begin() + 4, lines.end());
    auto arcsOfBlades = OfKind(ops, TCanvasOpKind::Polyline);
    ASSERT_EQ(spokes.size(), 4u);
    ASSERT_EQ(arcsOfBlades.size(), 4u);
    EXPECT_EQ(spokes[0].Points, (std::vector<TPoint>{{50, 90}, {75, 90}}));
    EXPECT_EQ(spokes[1].Points, (std::vector<TPoint>{{50, 90}, {50, 65}}));
    EXPECT_EQ(spokes[2].Points, (std::vector<TPoint>{{50, 90}, {25, 90}}));
    EXPECT_EQ(arcsOfBlades[0].Points, (std::vector<TPoint>{{74, 83}, {74, 86}, {75, 90}, {74, 93}, {74, 96}}));
    EXPECT_EQ(arcsOfBlades[0].PenColor, clRed);

    EXPECT_EQ(OfKind(ops, TCanvasOpKind::CopyRect).size(), 1u);
}

TEST(Mixer, RedrawsOnlyAfterAChange) {
    Mixer m(nullptr);
    m.SetBounds(0, 0, 60, 60);
    RecordPaint(m);
    struct Case {
        const char* name;
        std::function<void()> change;
        bool redraws;
    };
    const Case cases[] = {
        {"nothing", [] {}, false},
        {"the same Alpha", [&] { m.SetAlpha(0); }, false},
        {"the same water colour", [&] { m.SetWaterColor(clAqua); }, false},
        {"Alpha", [&] { m.SetAlpha(10); }, true},
        {"the rotor pen's width", [&] { m.RotorPen()->SetWidth(2); }, true},
        {"the brush", [&] { m.Brush()->SetColor(clSilver); }, true},
        {"a pen given to copy", [&] {
             TPen p;
             p.SetColor(clGreen);
             m.SetPen(&p);
         }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        auto ops = RecordPaint(m);
        EXPECT_EQ(OfKind(ops, TCanvasOpKind::FloodFill).size(), c.redraws ? 1u : 0u);
        EXPECT_EQ(OfKind(ops, TCanvasOpKind::CopyRect).size(), 1u);
    }
}

}  // namespace
