// The three static equipment drawings: chute on its support, belt conveyor, discharge drum.
#include "widgets/Pandus.h"
#include "widgets/PullOut.h"
#include "widgets/Transporter.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

namespace {

using widgettest::Dump;
using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;

TEST(Pandus, ChuteAndSupportMirroredByXFlip) {
    // The defaults, 145 x 75: one unit is one pixel.
    struct Case {
        bool flip;
        std::vector<TPoint> chute, support;
    };
    const Case cases[] = {
        {false, {{0, 45}, {145, 0}, {145, 10}, {0, 55}}, {{145, 10}, {0, 55}, {60, 75}, {145, 10}}},
        {true, {{145, 45}, {0, 0}, {0, 10}, {145, 55}}, {{0, 10}, {145, 55}, {85, 75}, {0, 10}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flip);
        Paintable<TPandus> p(nullptr);
        EXPECT_EQ(p.Width(), 145);
        EXPECT_EQ(p.Height(), 75);
        p.SetXFlip(c.flip);
        auto ops = RecordPaint(p);
        auto chute = OfKind(ops, TCanvasOpKind::Polygon);
        ASSERT_EQ(chute.size(), 1u) << Dump(ops);
        EXPECT_EQ(chute[0].Points, c.chute);
        EXPECT_EQ(chute[0].PenColor, clYellow);
        EXPECT_EQ(chute[0].BrushColor, clRed);
        auto support = OfKind(ops, TCanvasOpKind::Polyline);
        ASSERT_EQ(support.size(), 1u);
        EXPECT_EQ(support[0].Points, c.support);
    }
}

TEST(Pandus, ScalesItsUnitsAndInsetsByHalfThePen) {
    Paintable<TPandus> p(nullptr);
    p.SetBounds(0, 0, 290, 150);  // two pixels a unit
    p.Pen()->SetWidth(4);
    auto ops = RecordPaint(p);
    auto chute = OfKind(ops, TCanvasOpKind::Polygon);
    ASSERT_EQ(chute.size(), 1u);
    EXPECT_EQ(chute[0].Points, (std::vector<TPoint>{{2, 90}, {288, 2}, {288, 20}, {2, 110}}));
    EXPECT_EQ(OfKind(ops, TCanvasOpKind::Polyline)[0].Points[2], TPoint(120, 148));
}

TEST(Transporter, BodyDrumsAndInnerCircles) {
    struct Case {
        short percent;
        TRect inner;  // of the left drum
    };
    const Case cases[] = {{70, TRect(3, 3, 17, 17)}, {100, TRect(0, 0, 20, 20)}, {0, TRect(10, 10, 10, 10)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.percent);
        Paintable<TTransporter> t(nullptr);
        EXPECT_EQ(t.Width(), 100);
        EXPECT_EQ(t.Height(), 20);
        t.SetR1Persent(c.percent);
        auto ops = RecordPaint(t);
        EXPECT_TRUE(OfKind(ops, TCanvasOpKind::FillRect).empty()) << "no background";
        auto body = OfKind(ops, TCanvasOpKind::Rectangle);
        ASSERT_EQ(body.size(), 1u);
        EXPECT_EQ(body[0].Rect, TRect(10, 0, 90, 20));
        EXPECT_EQ(body[0].BrushColor, clNavy);
        auto circles = OfKind(ops, TCanvasOpKind::Ellipse);
        ASSERT_EQ(circles.size(), 4u) << Dump(ops);
        EXPECT_EQ(circles[0].Rect, TRect(0, 0, 20, 20));
        EXPECT_EQ(circles[1].Rect, TRect(80, 0, 100, 20));
        EXPECT_EQ(circles[1].BrushColor, clYellow);
        EXPECT_EQ(circles[2].Rect, c.inner);
        EXPECT_EQ(circles[3].Rect, TRect(c.inner.Left + 80, c.inner.Top, c.inner.Right + 80, c.inner.Bottom));
        EXPECT_EQ(circles[3].BrushColor, clBlack);
        EXPECT_EQ(circles[3].PenColor, clRed);
    }
}

TEST(Transporter, WantsArrowsAndCharactersAndRepaintsOnlyForItsStyles) {
    TTransporter t(nullptr);
    EXPECT_EQ(t.Perform(WM_GETDLGCODE, 0, 0), 129);
    const int before = t.InvalidateCount();
    t.SetR1Persent(50);
    EXPECT_EQ(t.InvalidateCount(), before);
    t.C1Brush()->SetColor(clWhite);
    EXPECT_GT(t.InvalidateCount(), before);
}

TEST(PullOut, DrumAsWideAsTheControlOverItsHopper) {
    struct Case {
        const char* name;
        int w, h;
        std::vector<TPoint> hopper;
        TRect drum;
    };
    const Case cases[] = {
        {"taller than wide: the point below the drum", 40, 100, {{0, 20}, {40, 20}, {20, 100}}, TRect(0, 0, 40, 40)},
        {"wider than tall: the drum runs below the bottom", 100, 40, {{0, 50}, {100, 50}, {50, 40}},
         TRect(0, 0, 100, 100)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Paintable<TPullOut> p(nullptr);
        p.SetBounds(0, 0, c.w, c.h);
        p.BackGroundBrush()->SetColor(clBlack);
        auto ops = RecordPaint(p);
        auto fills = OfKind(ops, TCanvasOpKind::FillRect);
        ASSERT_EQ(fills.size(), 1u) << Dump(ops);
        EXPECT_EQ(fills[0].BrushColor, clBlack);
        auto hopper = OfKind(ops, TCanvasOpKind::Polygon);
        ASSERT_EQ(hopper.size(), 1u);
        EXPECT_EQ(hopper[0].Points, c.hopper);
        auto drum = OfKind(ops, TCanvasOpKind::Ellipse);
        ASSERT_EQ(drum.size(), 1u);
        EXPECT_EQ(drum[0].Rect, c.drum);
        EXPECT_EQ(drum[0].BrushColor, clWhite);
        // The kept picture is shown until something changes.
        ops = RecordPaint(p);
        EXPECT_TRUE(OfKind(ops, TCanvasOpKind::Ellipse).empty());
        EXPECT_EQ(OfKind(ops, TCanvasOpKind::CopyRect).size(), 1u);
        TBrush same;
        same.SetColor(clBlack);
        p.SetBackGroundBrush(&same);
        EXPECT_EQ(OfKind(RecordPaint(p), TCanvasOpKind::Ellipse).size(), 1u);
    }
}

}  // namespace
