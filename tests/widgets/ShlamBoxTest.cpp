// The sludge tank: its bend, slope and sludge layer, when it redraws, and its colour file.
#include "widgets/ShlamBox.h"
#include "WidgetTestSupport.h"

#include "rtl/FileUtils.h"

#include <gtest/gtest.h>

namespace {

using widgettest::Dump;
using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using widgettest::ScratchDir;
using Tank = Paintable<TShlamBox>;

TEST(ShlamBox, BendSlopeAndSludgeLayer) {
    // 108 x 100: walls 4 in from the edges, inner width 100; the flat bottom at 96 - 19.2 = 76.8.
    struct Case {
        const char* name;
        double l1, subH, wPercent;
        int bend;       // x of the bend and the partition
        int bottom;     // y of the flat bottom
        int layerTop;   // top of the sludge layer
    };
    const Case cases[] = {
        {"defaults: 26 pixels right of the left wall", 30, 20, 30, 30, 76, 53},
        {"L1 0: on the control's left edge", 0, 20, 30, 0, 76, 53},
        {"L1 100: 4 pixels left of the right wall", 100, 20, 30, 100, 76, 53},
        {"no layer", 30, 20, 0, 30, 76, 76},
        {"a layer from the top edge", 30, 20, 100, 30, 76, 0},
        {"no slope", 30, 0, 30, 30, 96, 67},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Tank t(nullptr);
        t.SetBounds(0, 0, 108, 100);
        t.SetColor(clGray);
        t.Brush()->SetColor(clOlive);
        t.Pen()->SetColor(clNavy);
        t.SetL1(c.l1);
        t.SetSubHPercent(c.subH);
        t.SetWPercent(c.wPercent);
        auto ops = RecordPaint(t);
        auto fills = OfKind(ops, TCanvasOpKind::FillRect);
        ASSERT_EQ(fills.size(), 2u) << Dump(ops);
        EXPECT_EQ(fills[0].Rect, TRect(0, 0, 108, 100));
        EXPECT_EQ(fills[0].BrushColor, clGray) << "the panel's colour";
        EXPECT_EQ(fills[1].Rect, TRect(4, c.layerTop, 104, c.bottom));
        EXPECT_EQ(fills[1].BrushColor, clOlive);
        auto slope = OfKind(ops, TCanvasOpKind::Polygon);
        ASSERT_EQ(slope.size(), 1u);
        EXPECT_EQ(slope[0].Points, (std::vector<TPoint>{{c.bend, c.bottom}, {104, c.bottom}, {104, 96}}));
        EXPECT_EQ(slope[0].PenColor, clOlive) << "outlined in the sludge's colour";
        auto lines = OfKind(ops, TCanvasOpKind::LineTo);
        ASSERT_EQ(lines.size(), 5u);
        const std::vector<TPoint> outline = {{4, 4}, {4, c.bottom}, {c.bend, c.bottom}, {104, 96}, {104, 4}};
        for (int i = 0; i < 4; ++i) EXPECT_EQ(lines[i].Points, (std::vector<TPoint>{outline[i], outline[i + 1]}));
        EXPECT_EQ(lines[4].Points, (std::vector<TPoint>{{c.bend, 4}, {c.bend, c.bottom}})) << "the partition";
        EXPECT_EQ(lines[4].PenColor, clNavy);
        EXPECT_EQ(OfKind(ops, TCanvasOpKind::CopyRect).size(), 1u);
    }
}

TEST(ShlamBox, RedrawsAfterItsOwnChangesAndATransparentTankAtEveryPaint) {
    Tank t(nullptr);
    t.SetBounds(0, 0, 108, 100);
    RecordPaint(t);
    t.SetColor(clRed);
    auto ops = RecordPaint(t);
    EXPECT_TRUE(OfKind(ops, TCanvasOpKind::FillRect).empty()) << "the panel's colour alone redraws nothing";
    EXPECT_EQ(OfKind(ops, TCanvasOpKind::CopyRect).size(), 1u);
    t.Pen()->SetWidth(2);
    ops = RecordPaint(t);
    ASSERT_EQ(OfKind(ops, TCanvasOpKind::FillRect).size(), 2u);
    EXPECT_EQ(OfKind(ops, TCanvasOpKind::FillRect)[0].BrushColor, clRed) << "now the new colour shows";

    t.SetTransparent(true);
    for (int paint = 0; paint < 3; ++paint) {
        SCOPED_TRACE(paint);
        ops = RecordPaint(t);
        EXPECT_EQ(OfKind(ops, TCanvasOpKind::LineTo).size(), 5u) << "an uncovered tank must not go blank";
        EXPECT_EQ(OfKind(ops, TCanvasOpKind::FillRect).size(), 1u) << "the layer, no background";
        EXPECT_TRUE(OfKind(ops, TCanvasOpKind::CopyRect).empty());
    }
}

TEST(ShlamBox, ColourFileWithANameOnly) {
    ScratchDir dir;
    TShlamBox a(nullptr);
    a.SetName("ShlamBox1");
    a.SetColor(clTeal);
    a.Brush()->SetColor(clMaroon);
    a.Pen()->SetWidth(3);
    EXPECT_FALSE(a.SaveConfig()) << "no file name: nothing is written";
    EXPECT_FALSE(a.LoadConfig(""));
    EXPECT_EQ(a.Color(), clTeal);
    a.SetConfigName("./missing-folder/Colors.INI");
    EXPECT_FALSE(a.SaveConfig());
    a.SetConfigName(".\\Tanks.INI");
    ASSERT_TRUE(a.SaveConfig());

    TShlamBox b(nullptr);
    b.SetName("ShlamBox2");
    b.SetConfigName("./Tanks.INI");
    EXPECT_TRUE(b.LoadConfig("ShlamBox1"));
    EXPECT_EQ(b.Color(), clTeal);
    EXPECT_EQ(b.Brush()->Color(), clMaroon);
    EXPECT_EQ(b.Pen()->Width(), 3);
    EXPECT_TRUE(b.LoadConfig("")) << "its own section is missing: the values stay";
    EXPECT_EQ(b.Color(), clTeal);
}

}  // namespace
