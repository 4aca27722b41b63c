// The bladed wheel: where its blade lines lie in both modes, and its transparent mode.
#include "widgets/BladeWheel.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using widgettest::Dump;
using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using Wheel = Paintable<TBladeWheel>;

// The rows of the blade lines drawn, in drawing order; each runs across the whole width.
std::vector<int> BladeRows(const std::vector<TCanvasOp>& ops, int width) {
    std::vector<int> rows;
    for (const auto& op : OfKind(ops, TCanvasOpKind::LineTo)) {
        EXPECT_EQ(op.Points[0].x, 0);
        EXPECT_EQ(op.Points[1], TPoint(width, op.Points[0].y));
        rows.push_back(op.Points[0].y);
    }
    return rows;
}

TEST(BladeWheel, BladeLinesFollowTheAngle) {
    // 50 x 100, 10 blades per half turn.
    struct Case {
        const char* name;
        bool circle;
        int alpha;
        std::vector<int> rows;
    };
    const Case cases[] = {
        // 20 blades 18 degrees apart; the near half (0 to 90, 288 to 342) shows, the one at 270
        // has a cosine a hair below zero and does not.
        {"circle at 0", true, 0, {50, 34, 20, 9, 2, 0, 97, 90, 79, 65}},
        // Flat: 10 pixels apart, from the bottom row (just below the picture) up.
        {"flat at 0", false, 0, {100, 90, 80, 70, 60, 50, 40, 30, 20, 10, 0}},
        // Half a turn starts at half the height; what runs more than the height above the top
        // comes back from the bottom.
        {"flat at 180", false, 180, {50, 40, 30, 20, 10, 0, 90, 80, 70, 60}},
        // A negative angle starts below the bottom edge and needs no wrapping.
        {"flat at -90", false, -90, {95, 85, 75, 65, 55, 45, 35, 25, 15, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Wheel w(nullptr);
        w.SetBounds(0, 0, 50, 100);
        w.SetCircleMode(c.circle);
        w.SetAlpha(c.alpha);
        w.BladePen()->SetColor(clBlue);
        auto ops = RecordPaint(w);
        EXPECT_EQ(BladeRows(ops, 50), c.rows) << Dump(ops);
        auto frame = OfKind(ops, TCanvasOpKind::Rectangle);
        ASSERT_EQ(frame.size(), 1u);
        EXPECT_EQ(frame[0].Rect, TRect(0, 0, 50, 100));
        EXPECT_EQ(OfKind(ops, TCanvasOpKind::LineTo)[0].PenColor, clBlue);
    }
}

TEST(BladeWheel, ANegativeAngleLiesOnTheLatticeOfAFullTurnLater) {
    auto rows = [](int alpha) {
        Wheel w(nullptr);
        w.SetBounds(0, 0, 50, 100);
        w.SetCircleMode(false);
        w.SetAlpha(alpha);
        auto r = BladeRows(RecordPaint(w), 50);
        std::sort(r.begin(), r.end());
        return r;
    };
    EXPECT_EQ(rows(-90), rows(270));
    EXPECT_EQ(rows(-400), rows(320));
}

TEST(BladeWheel, ATransparentWheelDrawsOnlyItsBladesAtEveryPaint) {
    Wheel w(nullptr);
    w.SetBounds(0, 0, 50, 100);
    w.SetCircleMode(false);
    w.SetTransparent(true);
    for (int paint = 0; paint < 3; ++paint) {
        SCOPED_TRACE(paint);
        auto ops = RecordPaint(w);
        EXPECT_EQ(OfKind(ops, TCanvasOpKind::LineTo).size(), 11u) << "an uncovered wheel must not go blank";
        EXPECT_TRUE(OfKind(ops, TCanvasOpKind::Rectangle).empty()) << "no frame, no background";
        EXPECT_TRUE(OfKind(ops, TCanvasOpKind::CopyRect).empty()) << "no kept picture";
    }
}

TEST(BladeWheel, AKeptPictureIsRedrawnOnlyAfterAChange) {
    Wheel w(nullptr);
    w.SetBounds(0, 0, 50, 100);
    RecordPaint(w);
    auto ops = RecordPaint(w);
    EXPECT_TRUE(OfKind(ops, TCanvasOpKind::LineTo).empty());
    EXPECT_EQ(OfKind(ops, TCanvasOpKind::CopyRect).size(), 1u);
    w.SetAlpha(0);
    EXPECT_TRUE(OfKind(RecordPaint(w), TCanvasOpKind::LineTo).empty()) << "the same angle";
    w.SetAlpha(18);
    EXPECT_FALSE(OfKind(RecordPaint(w), TCanvasOpKind::LineTo).empty());
    w.Pen()->SetColor(clRed);
    EXPECT_EQ(OfKind(RecordPaint(w), TCanvasOpKind::Rectangle).size(), 1u);
}

}  // namespace
