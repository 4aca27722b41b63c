// Valve and pump symbols: their shapes in both orientations, what they own, the pump's colour file.
#include "widgets/Pump.h"
#include "widgets/Valve.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using widgettest::ScratchDir;

TEST(Valve, TrianglesMeetFromTheSidesOrFromTopAndBottom) {
    Paintable<TValve> v(nullptr);
    EXPECT_EQ(v.Width(), 40);
    v.SetBounds(0, 0, 22, 26);
    v.Pen()->SetWidth(2);
    auto horizontal = OfKind(RecordPaint(v), TCanvasOpKind::Polygon);
    ASSERT_EQ(horizontal.size(), 1u);
    EXPECT_EQ(horizontal[0].Points, (std::vector<TPoint>{{2, 2}, {2, 24}, {20, 2}, {20, 24}}));
    EXPECT_EQ(horizontal[0].PenColor, clYellow);
    EXPECT_EQ(horizontal[0].BrushColor, clRed);
    v.SetVertMode(true);
    auto vertical = OfKind(RecordPaint(v), TCanvasOpKind::Polygon);
    EXPECT_EQ(vertical[0].Points, (std::vector<TPoint>{{2, 2}, {20, 2}, {2, 24}, {20, 24}}));
}

TEST(Valve, CopiesThePenAndBrushItIsGiven) {
    Paintable<TValve> v(nullptr);
    {
        auto pen = std::make_unique<TPen>();
        pen->SetColor(clAqua);
        auto brush = std::make_unique<TBrush>();
        brush->SetColor(clGreen);
        v.SetPen(pen.get());
        v.SetBrush(brush.get());
        EXPECT_NE(v.Pen(), pen.get());
    }  // the caller's objects are gone; the valve still paints with their colours
    auto p = OfKind(RecordPaint(v), TCanvasOpKind::Polygon);
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].PenColor, clAqua);
    EXPECT_EQ(p[0].BrushColor, clGreen);
}

TEST(Pump, DrawsItsPartsMirroredByVertFlip) {
    // 60 x 60: thirds of 20, halves of thirds 10.
    struct Case {
        bool flip;
        TRect inlet, casing, outlet;
        std::vector<TPoint> arc, outline;  // arc: box corners, then start and end points
    };
    const Case cases[] = {
        // The right half of the impeller: counter-clockwise from its bottom to its top.
        {false, TRect(40, 0, 60, 40), TRect(20, 20, 60, 60), TRect(0, 30, 30, 50),
         {{20, 30}, {40, 50}, {30, 50}, {30, 30}}, {{30, 50}, {0, 50}, {0, 30}, {30, 30}}},
        // Mirrored: reversed boxes, and the left half from its top to its bottom.
        {true, TRect(20, 0, 0, 40), TRect(40, 20, 0, 60), TRect(30, 30, 60, 50),
         {{40, 30}, {20, 50}, {30, 30}, {30, 50}}, {{30, 50}, {59, 50}, {59, 30}, {30, 30}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flip);
        Paintable<TPump> p(nullptr);
        p.SetBounds(0, 0, 60, 60);
        p.SetVertFlip(c.flip);
        auto ops = RecordPaint(p);
        auto one = [&](TCanvasOpKind k) {
            auto f = OfKind(ops, k);
            EXPECT_EQ(f.size(), 1u) << widgettest::Dump(ops);
            return f.empty() ? TCanvasOp() : f[0];
        };
        EXPECT_EQ(one(TCanvasOpKind::Rectangle).Rect, c.inlet);
        EXPECT_EQ(one(TCanvasOpKind::Ellipse).Rect, c.casing);
        TCanvasOp arc = one(TCanvasOpKind::Arc);
        EXPECT_EQ(arc.Points, c.arc);
        EXPECT_EQ(arc.PenColor, clRed);
        EXPECT_EQ(one(TCanvasOpKind::FillRect).Rect, c.outlet);
        EXPECT_EQ(one(TCanvasOpKind::FillRect).BrushColor, clYellow);
        auto lines = OfKind(ops, TCanvasOpKind::LineTo);
        ASSERT_EQ(lines.size(), 3u);
        std::vector<TPoint> outline{lines[0].Points[0]};
        for (const auto& l : lines) outline.push_back(l.Points[1]);
        EXPECT_EQ(outline, c.outline);
    }
}

TEST(Pump, ColourFileRoundTrip) {
    ScratchDir dir;
    TPump p(nullptr);
    p.SetName("Pump1");
    p.Pen()->SetWidth(3);
    p.Pen()->SetColor(clNavy);
    p.Pen()->SetStyle(psDash);
    p.Brush()->SetColor(clLime);
    ASSERT_TRUE(p.SaveConfig());
    p.Pen()->SetWidth(1);
    p.Pen()->SetColor(clRed);
    p.Pen()->SetStyle(psSolid);
    p.Brush()->SetColor(clYellow);
    EXPECT_TRUE(p.LoadConfig("NoSuchPump"));
    EXPECT_EQ(p.Brush()->Color(), clYellow) << "a missing section changes nothing";
    EXPECT_TRUE(p.LoadConfig(""));
    EXPECT_EQ(p.Pen()->Width(), 3);
    EXPECT_EQ(p.Pen()->Color(), clNavy);
    EXPECT_EQ(p.Pen()->Style(), psDash);
    EXPECT_EQ(p.Brush()->Color(), clLime);
    p.SetConfigName("./none/x.INI");
    EXPECT_FALSE(p.SaveConfig());
}

}  // namespace
