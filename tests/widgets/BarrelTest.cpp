// The tank level gauge: stripes up to the level, walls, and its colour file.
#include "widgets/Barrel.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

namespace {

using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using widgettest::ScratchDir;
using Barrel = Paintable<TBarrel>;

// The stripes drawn: every FillRect after the background.
std::vector<TCanvasOp> Stripes(const std::vector<TCanvasOp>& ops) {
    auto fills = OfKind(ops, TCanvasOpKind::FillRect);
    if (!fills.empty()) fills.erase(fills.begin());
    return fills;
}

TEST(Barrel, FillsWholeStripesUpToTheLevel) {
    struct Case {
        const char* name;
        double min, max, level;
        size_t stripes;
    };
    const Case cases[] = {
        {"level 7 of 100 on 80 pixels: hp 5.6", 0, 100, 7, 7},
        {"below the scale: only the bottom stripe, of no height", 0, 100, -5, 1},
        {"at the bottom", 0, 100, 0, 1},
        {"above the scale: full", 0, 100, 500, 100},
        {"at the top", 0, 100, 100, 100},
        {"scale 50..150, level 57: hp 5.6 above the minimum", 50, 150, 57, 7},
        {"scale 50..150, level 40 below the minimum but above zero", 50, 150, 40, 1},
        {"scale 50..150, level 150 at the top", 50, 150, 150, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Barrel b(nullptr);
        b.SetBounds(0, 0, 20, 80);
        b.SetMaxLevel(c.max);
        b.SetMinLevel(c.min);
        b.SetWaterLevel(c.level);
        auto ops = RecordPaint(b);
        EXPECT_EQ(Stripes(ops).size(), c.stripes);
        EXPECT_EQ(OfKind(ops, TCanvasOpKind::CopyRect).size(), 1u);
    }
}

TEST(Barrel, StripesShadeFromDownColorTowardUpColor) {
    Barrel b(nullptr);
    b.SetBounds(0, 0, 20, 80);
    b.SetMaxLevel(100);
    b.SetWaterLevel(100);
    b.SetDownColor(RGB(0, 0, 100));
    b.SetUpColor(RGB(200, 100, 0));
    b.SetColor(clGray);
    auto ops = RecordPaint(b);
    auto fills = OfKind(ops, TCanvasOpKind::FillRect);
    ASSERT_EQ(fills.size(), 101u);
    EXPECT_EQ(fills[0].Rect, TRect(0, 0, 20, 80));
    EXPECT_EQ(fills[0].BrushColor, clGray) << "the background is the control's colour";
    auto stripes = Stripes(ops);
    EXPECT_EQ(stripes[0].BrushColor, RGB(0, 0, 100));
    EXPECT_EQ(stripes[0].Rect, TRect(0, 80, 20, 80)) << "stripes of 0.8 pixels, cut toward zero";
    EXPECT_EQ(stripes[6].Rect, TRect(0, 75, 20, 76));
    EXPECT_EQ(stripes[50].BrushColor, RGB(100, 50, 50));
    EXPECT_EQ(stripes[99].BrushColor, RGB(198, 99, 1)) << "a full gauge ends one hundredth short";
    EXPECT_EQ(stripes[99].Rect, TRect(0, 0, 20, 1));
}

TEST(Barrel, WallsAreInsetByHalfThePenWidth) {
    Barrel b(nullptr);
    b.SetBounds(0, 0, 30, 60);
    b.Pen()->SetWidth(4);
    b.Pen()->SetColor(clYellow);
    auto lines = OfKind(RecordPaint(b), TCanvasOpKind::LineTo);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].Points, (std::vector<TPoint>{TPoint(2, 2), TPoint(2, 58)}));
    EXPECT_EQ(lines[1].Points[1], TPoint(28, 58));
    EXPECT_EQ(lines[2].Points[1], TPoint(28, 2));
    EXPECT_EQ(lines[2].PenColor, clYellow);
    EXPECT_EQ(lines[2].PenWidth, 4);
}

TEST(Barrel, NoScaleShowsNothing) {
    Barrel b(nullptr);
    b.SetBounds(0, 0, 20, 80);
    b.SetMaxLevel(5);
    b.SetMinLevel(5);
    auto ops = RecordPaint(b);
    EXPECT_TRUE(OfKind(ops, TCanvasOpKind::CopyRect).empty()) << "what lies beneath stays";
    EXPECT_TRUE(OfKind(ops, TCanvasOpKind::LineTo).empty());
}

TEST(Barrel, TheBrushIsStoredButNeverDrawn) {
    Barrel b(nullptr);
    b.SetBounds(0, 0, 20, 80);
    b.SetWaterLevel(5);
    auto before = RecordPaint(b);
    b.Brush()->SetColor(clFuchsia);
    auto after = RecordPaint(b);
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(before[i].ToString(), after[i].ToString());
}

TEST(Barrel, LevelSettersInvalidateOnlyOnAChange) {
    TBarrel b(nullptr);
    const int before = b.InvalidateCount();
    b.SetWaterLevel(3.5);
    b.SetUpColor(clBlue);
    EXPECT_EQ(b.InvalidateCount(), before);
    b.SetWaterLevel(4);
    EXPECT_GT(b.InvalidateCount(), before);
}

TEST(Barrel, ColourFileCopiesAnotherGaugesLook) {
    ScratchDir dir;
    TBarrel source(nullptr);
    source.SetName("BarrelURS");
    source.SetUpColor(clLime);
    source.SetDownColor(clGreen);
    source.Brush()->SetColor(clSilver);
    source.Pen()->SetWidth(5);
    source.Pen()->SetColor(clAqua);
    ASSERT_TRUE(source.SaveConfig());
    TBarrel b(nullptr);
    b.SetName("BarrelURP");
    EXPECT_TRUE(b.LoadConfig("BarrelURS"));
    EXPECT_EQ(b.UpColor(), clLime);
    EXPECT_EQ(b.DownColor(), clGreen);
    EXPECT_EQ(b.Brush()->Color(), clSilver);
    EXPECT_EQ(b.Pen()->Width(), 5);
    EXPECT_EQ(b.Pen()->Color(), clAqua);
    b.SetUpColor(clRed);
    EXPECT_TRUE(b.LoadConfig(""));
    EXPECT_EQ(b.UpColor(), clRed) << "its own section is missing: nothing changes";
    b.SetConfigName("./none/x.INI");
    EXPECT_FALSE(b.SaveConfig());
}

}  // namespace
