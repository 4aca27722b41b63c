// The pie of the water-air value window: which values get a slice, in what colour and where the
// slices lie, and what it looks like on a white ground.
#include "charts/PieChart.h"

#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Slice {
    double value;
    TColor color;
};

TEST(PieChartTest, OnlyValuesAboveZeroGetASliceOfTheirShare) {
    guitest::EnsureApp();
    struct Case {
        const char* what;
        std::vector<Slice> slices;
        std::vector<TColor> pies;  // brush colour of each pie drawn
        int ellipses;              // a slice that is the whole pie
    } cases[] = {
        {"three phases", {{40, clRed}, {35, clBlue}, {25, clPurple}}, {clRed, clBlue, clPurple}, 0},
        {"an empty slot and a zero left out", {{-1, clRed}, {0, clBlue}, {50, clPurple}}, {}, 1},
        {"a zero among two", {{0, clRed}, {60, clBlue}, {40, clPurple}}, {clBlue, clPurple}, 0},
        {"nothing above zero: no pie", {{-1, clRed}, {-1, clBlue}, {0, clPurple}}, {}, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        TPieChart pie(nullptr);
        pie.AddSlice(0, 99, "old", clGreen);
        pie.Clear();
        for (std::size_t i = 0; i < k.slices.size(); ++i) pie.AddSlice(i + 1, k.slices[i].value, "x", k.slices[i].color);
        EXPECT_EQ(pie.Slices().size(), k.pies.size() + k.ellipses);
        TRecordingCanvas canvas(TSize(140, 130));
        pie.PaintTo(&canvas, TRect(0, 0, 140, 130));
        std::vector<TCanvasOp> pies = canvas.Log().OfKind(TCanvasOpKind::Pie);
        ASSERT_EQ(pies.size(), k.pies.size());
        for (std::size_t i = 0; i < pies.size(); ++i) EXPECT_EQ(pies[i].BrushColor, k.pies[i]) << i;
        EXPECT_EQ(canvas.Log().OfKind(TCanvasOpKind::Ellipse).size(), static_cast<std::size_t>(k.ellipses));
        // The ground is white in every case.
        std::vector<TCanvasOp> fills = canvas.Log().OfKind(TCanvasOpKind::FillRect);
        ASSERT_FALSE(fills.empty());
        EXPECT_EQ(fills[0].BrushColor, clWhite);
    }
}

TEST(PieChartTest, SlicesFollowEachOtherFromTwelveOClock) {
    guitest::EnsureApp();
    TPieChart pie(nullptr);
    pie.AddSlice(1, 25, "Впуск", clRed);
    pie.AddSlice(2, 25, "Выпуск", clBlue);
    pie.AddSlice(3, 50, "Пауза", clPurple);
    TRecordingCanvas canvas(TSize(140, 130));
    pie.PaintTo(&canvas, TRect(0, 0, 140, 130));
    std::vector<TCanvasOp> pies = canvas.Log().OfKind(TCanvasOpKind::Pie);
    ASSERT_EQ(pies.size(), 3u);
    // Points: the box corners, then the radial points of the start and the end.
    const TPoint& a = pies[0].Points[0];
    const TPoint& b = pies[0].Points[1];
    const int cx = (a.x + b.x) / 2, cy = (a.y + b.y) / 2;
    EXPECT_NEAR(pies[0].Points[2].x, cx, 1);  // straight up
    EXPECT_LT(pies[0].Points[2].y, cy);
    EXPECT_LT(pies[0].Points[3].x, cx);  // a quarter on, counter-clockwise: straight left
    EXPECT_NEAR(pies[0].Points[3].y, cy, 1);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(pies[i].Points[3], pies[i + 1].Points[2]) << i;
    EXPECT_EQ(pies[2].Points[3], pies[0].Points[2]);  // the last slice closes the circle

    TBitmap picture(140, 130);
    pie.PaintTo(picture.Canvas(), TRect(0, 0, 140, 130));
    EXPECT_EQ(picture.Canvas()->Pixels(2, 2), clWhite);
    EXPECT_EQ(picture.Canvas()->Pixels(100, 65), clPurple);  // the right half: the pause
    EXPECT_EQ(picture.Canvas()->Pixels(50, 40), clRed);      // upper left: the intake
}

}  // namespace
