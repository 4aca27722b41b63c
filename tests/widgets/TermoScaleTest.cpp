// The labelled vertical scale: marks and label boxes for its lines, and its colour file.
#include "widgets/TermoScale.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

namespace {

using widgettest::Dump;
using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using widgettest::ScratchDir;
using Scale = Paintable<TTermoScale>;

void SetLines(TTermoScale& s, const std::vector<std::string>& lines) {
    TStringList l;
    for (const auto& t : lines) l.Add(t);
    s.SetLines(&l);
}

TEST(TermoScale, MarksAndLabelsForItsLines) {
    // 50 x 100 (its own size), boxes 40 % wide; recorded text 7 pixels a character, 13 high.
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        double textH;
        std::vector<int> fullMarks;
        std::vector<int> shortMarks;
        std::vector<TRect> boxes;  // from the top down
        std::vector<std::string> texts;
        std::vector<TPoint> textCorners;
    };
    const Case cases[] = {
        {"no lines: the background only", {}, 10, {}, {}, {}, {}, {}},
        {"one line: the background only", {"0"}, 10, {}, {}, {}, {}, {}},
        // Boxes 10 high: marks h2 = 5 in from top and bottom, one short mark at mid-height.
        {"two lines", {"0", "50"}, 10, {5, 95}, {50}, {TRect(15, 0, 35, 10), TRect(15, 90, 35, 100)}, {"50", "0"},
         {TPoint(18, -1), TPoint(22, 88)}},
        {"three lines", {"a", "b", "c"}, 10, {5, 50, 95}, {27, 72},
         {TRect(15, 0, 35, 10), TRect(15, 45, 35, 55), TRect(15, 90, 35, 100)}, {"c", "b", "a"},
         {TPoint(22, -1), TPoint(22, 43), TPoint(22, 88)}},
        // Boxes of no height: marks on the edges, each text centred on its mark.
        {"TextHPercent 0", {"0", "50"}, 0, {0, 100}, {50}, {TRect(15, 0, 35, 0), TRect(15, 100, 35, 100)},
         {"50", "0"}, {TPoint(18, -6), TPoint(22, 93)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scale s(nullptr);
        EXPECT_EQ(s.Width(), 50);
        EXPECT_EQ(s.Height(), 100);
        s.Brush()->SetColor(clCream);
        s.WPen()->SetColor(clRed);
        s.SPen()->SetColor(clGreen);
        s.VPen()->SetColor(clBlue);
        SetLines(s, c.lines);
        s.SetTextHPercent(c.textH);
        auto ops = RecordPaint(s);

        auto fills = OfKind(ops, TCanvasOpKind::FillRect);
        ASSERT_EQ(fills.size(), 1u);
        EXPECT_EQ(fills[0].Rect, TRect(0, 0, 50, 100));
        EXPECT_EQ(fills[0].BrushColor, clCream);

        std::vector<int> full, shorts;
        bool axis = false;
        for (const auto& l : OfKind(ops, TCanvasOpKind::LineTo)) {
            if (l.PenColor == clBlue) {
                EXPECT_EQ(l.Points, (std::vector<TPoint>{{25, 0}, {25, 100}}));
                axis = true;
            } else if (l.PenColor == clRed) {
                EXPECT_EQ(l.Points[0].x, 0);
                EXPECT_EQ(l.Points[1].x, 50);
                full.push_back(l.Points[0].y);
            } else {
                EXPECT_EQ(l.Points[0].x, 10) << "short marks 60 % wide about the axis";
                EXPECT_EQ(l.Points[1].x, 40);
                shorts.push_back(l.Points[0].y);
            }
        }
        EXPECT_EQ(axis, !c.fullMarks.empty());
        EXPECT_EQ(full, c.fullMarks);
        EXPECT_EQ(shorts, c.shortMarks);

        std::vector<TRect> boxes;
        for (const auto& r : OfKind(ops, TCanvasOpKind::Rectangle)) boxes.push_back(r.Rect);
        EXPECT_EQ(boxes, c.boxes) << Dump(ops);
        std::vector<std::string> texts;
        std::vector<TPoint> corners;
        for (const auto& t : OfKind(ops, TCanvasOpKind::TextOut)) {
            texts.push_back(std::string(t.Text));
            corners.push_back(t.Points[0]);
            EXPECT_EQ(t.BkMode, TRANSPARENT);
        }
        EXPECT_EQ(texts, c.texts);
        EXPECT_EQ(corners, c.textCorners);
    }
}

TEST(TermoScale, ATransparentScaleLeavesItsBackgroundToTheErase) {
    Scale s(nullptr);
    SetLines(s, {"0", "1"});
    s.SetTransparent(true);
    auto ops = RecordPaint(s);
    EXPECT_TRUE(OfKind(ops, TCanvasOpKind::FillRect).empty());
    EXPECT_EQ(OfKind(ops, TCanvasOpKind::Rectangle).size(), 2u);
}

TEST(TermoScale, ColourFileKeepsPensBrushesAndFont) {
    ScratchDir dir;
    TTermoScale a(nullptr);
    a.SetName("TermoScale1");
    a.TextPen()->SetColor(clMaroon);
    a.SPen()->SetWidth(2);
    a.VPen()->SetStyle(psDot);
    a.WPen()->SetColor(clOlive);
    a.Brush()->SetColor(clSkyBlue);
    a.TextBrush()->SetColor(clMoneyGreen);
    a.Font()->SetSize(11);
    ASSERT_TRUE(a.SaveConfig());

    TTermoScale b(nullptr);
    b.SetName("TermoScale2");
    EXPECT_TRUE(b.LoadConfig("TermoScale1"));
    EXPECT_EQ(b.TextPen()->Color(), clMaroon);
    EXPECT_EQ(b.SPen()->Width(), 2);
    EXPECT_EQ(b.VPen()->Style(), psDot);
    EXPECT_EQ(b.WPen()->Color(), clOlive);
    EXPECT_EQ(b.Brush()->Color(), clSkyBlue);
    EXPECT_EQ(b.TextBrush()->Color(), clMoneyGreen);
    EXPECT_EQ(b.Font()->Size(), 11);

    a.SetConfigName("./missing-folder/Colors.INI");
    EXPECT_FALSE(a.SaveConfig());
}

}  // namespace
