// The actuator stroke gauge: bar, scale marks and arrow for a position, horizontal and vertical.
#include "widgets/WaterMEO.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

namespace {

using widgettest::Dump;
using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using Gauge = Paintable<TWaterMEO>;

std::vector<int> MarkColumns(const std::vector<TCanvasOp>& ops, TColor markColour) {
    std::vector<int> xs;
    for (const auto& l : OfKind(ops, TCanvasOpKind::LineTo))
        if (l.PenColor == markColour) xs.push_back(l.Points[0].x);
    return xs;
}

TEST(WaterMEO, HorizontalBarMarksAndArrow) {
    // 80 x 40 (its own size), 0 to 100 in steps of 10 unless a case says otherwise.
    struct Case {
        const char* name;
        double min, max, step, position;
        std::vector<int> marks;
        int water;   // right end of the water part
        int arrow;   // the arrow's x
        int left, right;  // the head's back corners: 2.89 pixels to either side, cut toward zero
    };
    const std::vector<int> defaultMarks = {8, 16, 24, 32, 40, 48, 56, 64, 72};
    std::vector<int> everyLine(80);
    for (int x = 0; x < 80; ++x) everyLine[x] = x;
    const Case cases[] = {
        {"defaults", 0, 100, 10, 20, defaultMarks, 16, 16, 13, 18},
        {"at Min: no water", 0, 100, 10, 0, defaultMarks, 0, 0, -2, 2},
        {"at Max: all water", 0, 100, 10, 100, defaultMarks, 80, 80, 77, 82},
        {"Max equal to Min: everything at the origin, no marks", 50, 50, 10, 20, {}, 0, 0, -2, 2},
        {"Max below Min: the mapping reversed, no marks", 100, 0, 10, 20, {}, 64, 64, 61, 66},
        {"a step of 0 draws no marks", 0, 100, 0, 20, {}, 16, 16, 13, 18},
        {"a negative step draws no marks", 0, 100, -5, 20, {}, 16, 16, 13, 18},
        {"a scale from 50: marks and water measured from Min", 50, 150, 10, 70, defaultMarks, 16, 16, 13, 18},
        {"a step that does not divide the scale: the last mark below Max", 0, 100, 30, 20, {24, 48, 72}, 16, 16, 13,
         18},
        {"Max 1000 in steps of 10: a mark on every line up to the far end", 0, 1000, 10, 200, everyLine, 16, 16, 13,
         18},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Gauge g(nullptr);
        EXPECT_EQ(g.Width(), 80);
        EXPECT_EQ(g.Height(), 40);
        g.ScalePen()->SetColor(clGreen);
        g.WaterBrush()->SetColor(clAqua);
        g.SetArrowColor(clRed);
        g.SetMin(c.min);
        g.SetMax(c.max);
        g.SetScaleStep(c.step);
        g.SetPosition(c.position);
        auto ops = RecordPaint(g);
        auto bars = OfKind(ops, TCanvasOpKind::Rectangle);
        ASSERT_EQ(bars.size(), 2u) << Dump(ops);
        EXPECT_EQ(bars[0].Rect, TRect(c.water, 0, 80, 40));
        EXPECT_EQ(bars[0].BrushColor, clWhite);
        EXPECT_EQ(bars[1].Rect, TRect(0, 0, c.water, 40));
        EXPECT_EQ(bars[1].BrushColor, clAqua);
        EXPECT_EQ(MarkColumns(ops, clGreen), c.marks);
        for (const auto& l : OfKind(ops, TCanvasOpKind::LineTo))
            if (l.PenColor == clGreen) { EXPECT_EQ(l.Points[0].y, 39) << "marks 20 long from the bottom edge"; }
        auto shafts = OfKind(ops, TCanvasOpKind::LineTo);
        ASSERT_FALSE(shafts.empty());
        EXPECT_EQ(shafts.back().Points, (std::vector<TPoint>{{c.arrow, 2}, {c.arrow, 35}}));
        EXPECT_EQ(shafts.back().PenColor, clRed);
        EXPECT_EQ(shafts.back().PenWidth, 2);
        // A head 5 long and about 5.8 wide, its tip on the bottom edge.
        auto heads = OfKind(ops, TCanvasOpKind::Polygon);
        ASSERT_EQ(heads.size(), 1u);
        EXPECT_EQ(heads[0].Points, (std::vector<TPoint>{{c.arrow, 39}, {c.left, 35}, {c.right, 35}}));
        EXPECT_EQ(heads[0].PenWidth, 1);
        EXPECT_EQ(heads[0].BrushColor, clRed);
    }
}

TEST(WaterMEO, NeverMoreMarksThanTheBarHasPixels) {
    Gauge g(nullptr);
    g.SetScaleStep(1e-9);
    g.ScalePen()->SetColor(clGreen);
    EXPECT_EQ(MarkColumns(RecordPaint(g), clGreen).size(), 80u);
}

TEST(WaterMEO, VerticalAndInvertedScales) {
    // 80 x 40 vertical: the origin at the top, 40 pixels of 100.
    struct Case {
        bool invert;
        TPoint markFrom, markTo;  // the first mark, at 10
        TPoint shaftFrom, shaftTo, tip;
    };
    const Case cases[] = {
        {false, TPoint(79, 4), TPoint(59, 4), TPoint(2, 8), TPoint(75, 8), TPoint(79, 8)},
        {true, TPoint(1, 4), TPoint(20, 4), TPoint(78, 8), TPoint(5, 8), TPoint(1, 8)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.invert);
        Gauge g(nullptr);
        g.SetVerticalFlag(true);
        g.SetInvertScale(c.invert);
        g.ScalePen()->SetColor(clGreen);
        g.Pen()->SetColor(clNavy);
        g.WaterBrush()->SetColor(clAqua);
        auto ops = RecordPaint(g);
        auto fills = OfKind(ops, TCanvasOpKind::FillRect);
        ASSERT_EQ(fills.size(), 2u) << Dump(ops);
        EXPECT_EQ(fills[0].Rect, TRect(0, 8, 80, 40));
        EXPECT_EQ(fills[1].Rect, TRect(0, 0, 80, 8));
        EXPECT_EQ(fills[1].BrushColor, clAqua);
        auto frames = OfKind(ops, TCanvasOpKind::FrameRect);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].BrushColor, clNavy) << "framed in the pen's colour";
        auto lines = OfKind(ops, TCanvasOpKind::LineTo);
        ASSERT_EQ(lines.size(), 10u) << "9 marks and the shaft";
        EXPECT_EQ(lines[0].Points, (std::vector<TPoint>{c.markFrom, c.markTo}));
        EXPECT_EQ(lines[8].Points[0].y, 36);
        EXPECT_EQ(lines[9].Points, (std::vector<TPoint>{c.shaftFrom, c.shaftTo}));
        auto heads = OfKind(ops, TCanvasOpKind::Polygon);
        ASSERT_EQ(heads.size(), 1u);
        EXPECT_EQ(heads[0].Points[0], c.tip);
        EXPECT_EQ(heads[0].Points[1], TPoint(c.shaftTo.x, 5));
        EXPECT_EQ(heads[0].Points[2], TPoint(c.shaftTo.x, 10));
    }
}

TEST(WaterMEO, MeoLengthIsCutTowardZeroAsDrawn) {
    Gauge g(nullptr);
    const std::pair<double, int> cases[] = {{20, 16}, {20.9, 16}, {-1, 0}, {-2, -1}, {150, 120}};
    for (auto [position, pixels] : cases) {
        g.SetPosition(position);
        EXPECT_EQ(g.MeoLength(), pixels) << position;
    }
}

}  // namespace
