// The tank in virtual units: which shapes the water level and the pen give, the guard against a
// zero scale, repaints for unchanged values, the transparent mode and the colour file.
#include "widgets/WaterBox.h"
#include "WidgetTestSupport.h"
#include "testlib/gui/GuiHarness.h"

#include "gui/Forms.h"
#include "gui/WinApi.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using widgettest::ScratchDir;
using Tank = Paintable<TWaterBox>;

// 30 x 60 with 10 pixels a unit both ways: the upper box 40 px high, the funnel 10 px down to an
// end 10 px wide (x 10 to 20), the outlet 10 px down to the bottom.
void Scaled(TWaterBox& t) {
    t.SetBounds(0, 0, 30, 60);
    t.SetMainW(3);
    t.SetBoxH(6);
    t.SetMainH(4);
    t.SetBottomH(1);
    t.SetBottomW(1);
    t.SetWaterColor(clTeal);
    t.SetBackColor(clBlack);
}

TEST(WaterBox, LevelAndPenGiveTheBoxItsWater) {
    struct Case {
        const char* name;
        double level;
        int penWidth;
        bool outlined;   // the box as four lines with a water rectangle in it
        TRect water;     // the water rectangle, or the one filled box
        int p;           // the pen offset
    };
    const Case cases[] = {
        {"the surface inside the box", 3, 1, true, TRect(2, 8, 28, 40), 1},
        {"a wider pen moves outline and water inward", 3, 2, true, TRect(4, 6, 26, 40), 2},
        {"a pen of width 0 counts as 1", 3, 0, true, TRect(2, 8, 28, 40), 1},
        {"level 0 still shows a strip 2p high", 0, 1, true, TRect(2, 38, 28, 40), 1},
        {"a level far below the box leaves it dry", -1, 1, true, TRect(2, 48, 28, 40), 1},
        {"full to the top: one filled rectangle", 4, 1, false, TRect(1, 1, 29, 39), 1},
        {"over-full: the same", 7, 2, false, TRect(2, 2, 28, 38), 2},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Tank t(nullptr);
        Scaled(t);
        t.SetWaterLevel(k.level);
        t.Pen()->SetWidth(k.penWidth);
        const auto ops = RecordPaint(t);
        const int p = k.p;

        const auto fills = OfKind(ops, TCanvasOpKind::FillRect);
        const auto rects = OfKind(ops, TCanvasOpKind::Rectangle);
        const auto lines = OfKind(ops, TCanvasOpKind::LineTo);
        ASSERT_FALSE(fills.empty());
        EXPECT_EQ(fills[0].Rect, TRect(0, 0, 30, 60)) << "the background";
        EXPECT_EQ(fills[0].BrushColor, clBlack);
        if (k.outlined) {
            ASSERT_EQ(lines.size(), 4u);
            EXPECT_EQ(lines[0].Points, (std::vector<TPoint>{{p, p}, {30 - p, p}}));
            EXPECT_EQ(lines[3].Points, (std::vector<TPoint>{{p, 40}, {p, p}}));
            ASSERT_EQ(fills.size(), 2u);
            EXPECT_EQ(fills[1].Rect, k.water);
            EXPECT_EQ(fills[1].BrushColor, clTeal);
            ASSERT_EQ(rects.size(), 1u) << "the outlet only";
        } else {
            EXPECT_TRUE(lines.empty()) << "no surface line";
            EXPECT_EQ(fills.size(), 1u);
            ASSERT_EQ(rects.size(), 2u);
            EXPECT_EQ(rects[0].Rect, k.water);
            EXPECT_EQ(rects[0].BrushColor, clTeal);
        }
        const auto polys = OfKind(ops, TCanvasOpKind::Polygon);
        ASSERT_EQ(polys.size(), 1u);
        EXPECT_EQ(polys[0].Points, (std::vector<TPoint>{{p, 40 - p}, {30 - p, 40 - p}, {20, 50}, {10, 50}}));
        EXPECT_EQ(polys[0].BrushColor, clTeal);
        EXPECT_EQ(rects.back().Rect, TRect(10, 50, 20, 60)) << "the outlet";
        EXPECT_EQ(OfKind(ops, TCanvasOpKind::CopyRect).size(), 1u);
    }
}

TEST(WaterBox, TheDiagramsTankIsABoxOverAHopper) {
    // 30 x 44, MainH 5 and BottomH 9 of BoxH 14: the funnel reaches the bottom, the outlet has no height.
    Tank t(nullptr);
    t.SetBounds(0, 0, 30, 44);
    t.SetMainW(3);
    t.SetMainH(5);
    t.SetBoxH(14);
    t.SetBottomH(9);
    t.SetBottomW(1);
    t.SetWaterLevel(3);
    const auto ops = RecordPaint(t);
    const auto polys = OfKind(ops, TCanvasOpKind::Polygon);
    ASSERT_EQ(polys.size(), 1u);
    EXPECT_GE(polys[0].Points[2].y, 43);
    const auto rects = OfKind(ops, TCanvasOpKind::Rectangle);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_LE(rects[0].Rect.Height(), 1);
}

TEST(WaterBox, AZeroOrUndefinedScaleBeepsAndCopiesNoPicture) {
    struct Case {
        const char* name;
        double mainW, boxH;
        bool transparent;
    };
    const Case cases[] = {
        {"MainW 0", 0, 6, false},
        {"BoxH 0", 3, 0, false},
        {"both 0", 0, 0, false},
        {"BoxH 0, drawn straight onto the control", 3, 0, true},
        {"not a number", 3, std::nan(""), false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Tank t(nullptr);
        Scaled(t);
        t.SetTransparent(k.transparent);
        t.SetMainW(k.mainW);
        t.SetBoxH(k.boxH);
        ResetBeepCount();
        const auto ops = RecordPaint(t);
        EXPECT_EQ(BeepCount(), 1);
        EXPECT_TRUE(OfKind(ops, TCanvasOpKind::CopyRect).empty()) << "the screen keeps what it showed";
        EXPECT_TRUE(OfKind(ops, TCanvasOpKind::Polygon).empty()) << "no funnel from a broken scale";
    }
}

TEST(WaterBox, SettersRepaintEvenForAnUnchangedValue) {
    Tank t(nullptr);
    Scaled(t);
    RecordPaint(t);  // the bitmap's canvas keeps the pen of the last paint: compare from the second on
    const auto picture = RecordPaint(t);
    struct Step {
        const char* name;
        std::function<void()> set;
        bool repaints;
    };
    TPen same;
    same.Assign(t.Pen());
    const Step steps[] = {
        {"WaterLevel unchanged", [&] { t.SetWaterLevel(t.WaterLevel()); }, true},
        {"BorderColor changed", [&] { t.SetBorderColor(clRed); }, true},
        {"BorderColor unchanged", [&] { t.SetBorderColor(clRed); }, true},
        {"MainW unchanged", [&] { t.SetMainW(3); }, true},
        {"StepsCount", [&] { t.SetStepsCount(4); }, true},
        {"the same pen", [&] { t.SetPen(&same); }, true},
        {"its own pen", [&] { t.SetPen(t.Pen()); }, true},
        {"ConfigName", [&] { t.SetConfigName("./Other.INI"); }, false},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        const int before = t.InvalidateCount();
        s.set();
        EXPECT_EQ(t.InvalidateCount() > before, s.repaints);
    }
    // Neither the border colour nor the step count is part of the picture.
    const auto again = RecordPaint(t);
    ASSERT_EQ(again.size(), picture.size());
    for (size_t i = 0; i < again.size(); ++i) EXPECT_EQ(again[i].ToString(), picture[i].ToString());
}

TEST(WaterBox, TransparentDrawsOnlyTheShapesStraightOntoTheControl) {
    Tank t(nullptr);
    Scaled(t);
    t.SetTransparent(true);
    const auto ops = RecordPaint(t);
    const auto fills = OfKind(ops, TCanvasOpKind::FillRect);
    ASSERT_EQ(fills.size(), 1u) << "the water only, no background";
    EXPECT_EQ(fills[0].BrushColor, clTeal);
    EXPECT_TRUE(OfKind(ops, TCanvasOpKind::CopyRect).empty());
    EXPECT_EQ(OfKind(ops, TCanvasOpKind::Polygon).size(), 1u);
}

TEST(WaterBox, OnScreenTheParentShowsAroundTheWaterOnlyWhenTransparent) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 120, 100);
    form->SetColor(clNavy);
    auto* opaque = new TWaterBox(form.get());
    opaque->SetParent(form.get());
    Scaled(*opaque);
    opaque->SetWaterLevel(2);
    auto* clear = new TWaterBox(form.get());
    clear->SetParent(form.get());
    Scaled(*clear);
    clear->SetLeft(50);
    clear->SetWaterLevel(2);
    clear->SetTransparent(true);
    guitest::ShowForm(form.get());
    const QImage img = guitest::Grab(form.get());
    struct Probe {
        const char* where;
        int x, y;
        TColor opaque, transparent;
    };
    const Probe probes[] = {
        {"in the box above the water", 15, 10, clBlack, clNavy},
        {"in the water", 15, 30, clTeal, clTeal},
        {"in the funnel", 15, 45, clTeal, clTeal},
        {"beside the outlet", 3, 55, clBlack, clNavy},
        {"the box's left wall", 1, 10, clYellow, clYellow},
    };
    for (const Probe& p : probes) {
        SCOPED_TRACE(p.where);
        EXPECT_EQ(guitest::PixelOf(img, p.x, p.y), p.opaque);
        EXPECT_EQ(guitest::PixelOf(img, 50 + p.x, p.y), p.transparent);
    }
}

TEST(WaterBox, ColourFileRoundTripAndAFileThatCannotBeWritten) {
    ScratchDir dir;
    TWaterBox t(nullptr);
    t.SetName("WaterBox1");
    t.Pen()->SetColor(clLime);
    t.Pen()->SetWidth(3);
    t.Pen()->SetStyle(psDot);
    t.SetBackColor(clNavy);
    t.SetBorderColor(clRed);
    t.SetWaterColor(clTeal);
    ASSERT_TRUE(t.SaveConfig());
    {
        TIniFile ini("./Colors.INI");
        EXPECT_EQ(ini.ReadInteger("WaterBox1", "PenWidth", -1), 3);
        EXPECT_EQ(ini.ReadInteger("WaterBox1", "PenStyle", -1), static_cast<int>(psDot));
        EXPECT_EQ(ini.ReadInteger("WaterBox1", "BackColor", -1), clNavy);
        EXPECT_EQ(ini.ReadInteger("WaterBox1", "BorderColor", -1), clRed);
        EXPECT_EQ(ini.ReadInteger("WaterBox1", "WaterColor", -1), clTeal);
    }

    t.Pen()->SetColor(clYellow);
    t.Pen()->SetWidth(1);
    t.SetBackColor(clBlack);
    t.SetBorderColor(clYellow);
    t.SetWaterColor(clAqua);
    const int before = t.InvalidateCount();
    EXPECT_TRUE(t.LoadConfig(""));
    EXPECT_GE(t.InvalidateCount() - before, 3) << "each colour through its setter";
    EXPECT_EQ(t.Pen()->Color(), clLime);
    EXPECT_EQ(t.Pen()->Width(), 3);
    EXPECT_EQ(t.Pen()->Style(), psDot);
    EXPECT_EQ(t.BackColor(), clNavy);
    EXPECT_EQ(t.BorderColor(), clRed);
    EXPECT_EQ(t.WaterColor(), clTeal);

    // Another tank takes the look of the named section; a section the file lacks changes nothing.
    TWaterBox other(nullptr);
    other.SetName("WaterBox2");
    EXPECT_TRUE(other.LoadConfig("WaterBox1"));
    EXPECT_EQ(other.WaterColor(), clTeal);
    other.SetWaterColor(clGreen);
    EXPECT_TRUE(other.LoadConfig(""));
    EXPECT_EQ(other.WaterColor(), clGreen);

    other.SetConfigName("./no-such-folder/Colors.INI");
    EXPECT_FALSE(other.SaveConfig());
    other.SetConfigName("");
    EXPECT_FALSE(other.SaveConfig()) << "no file name";
}

}  // namespace
