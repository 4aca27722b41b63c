// The flow arrow: shaft and head geometry, the bubble animation and the colour file.
#include "widgets/Arrow.h"
#include "WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using widgettest::ScratchDir;
using Arrow = Paintable<TArrow>;

std::vector<std::string> Lines(TStringList* l) {
    std::vector<std::string> out;
    for (int i = 0; i < l->Count(); ++i) out.push_back(l->Strings(i));
    return out;
}

TEST(Arrow, ShaftAndHeadFollowTheBoxAndTheAngle) {
    struct Case {
        const char* name;
        int w, h;
        double angle;
        int edge;
        TPoint tail, headBase;
        std::vector<TPoint> head;  // empty: no head
    };
    const Case cases[] = {
        {"flat, no head", 100, 10, 0, 0, TPoint(1, 5), TPoint(99, 5), {}},
        {"flat with head", 100, 10, 0, 5, TPoint(1, 5), TPoint(94, 5), {TPoint(99, 5), TPoint(94, 8), TPoint(94, 2)}},
        {"pointing up", 50, 50, 90, 5, TPoint(25, 49), TPoint(25, 6), {TPoint(25, 1), TPoint(28, 6), TPoint(22, 6)}},
        {"pointing left", 100, 10, 180, 0, TPoint(99, 5), TPoint(1, 5), {}},
        {"tall box spans its height", 10, 100, 270, 0, TPoint(5, 1), TPoint(5, 99), {}},
        {"negative head counts as none", 100, 10, 0, -3, TPoint(1, 5), TPoint(99, 5), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Arrow a(nullptr);
        a.SetBounds(0, 0, c.w, c.h);
        a.SetAngle(c.angle);
        a.SetEdgeLength(c.edge);
        a.SetColor(clLime);
        a.SetArrowWidth(4);
        auto ops = RecordPaint(a);
        auto lines = OfKind(ops, TCanvasOpKind::LineTo);
        ASSERT_EQ(lines.size(), 1u) << widgettest::Dump(ops);
        EXPECT_EQ(lines[0].Points[0], c.tail);
        EXPECT_EQ(lines[0].Points[1], c.headBase);
        EXPECT_EQ(lines[0].PenColor, clLime);
        EXPECT_EQ(lines[0].PenWidth, 4);
        auto heads = OfKind(ops, TCanvasOpKind::Polygon);
        if (c.head.empty()) {
            EXPECT_TRUE(heads.empty());
        } else {
            ASSERT_EQ(heads.size(), 1u);
            EXPECT_EQ(heads[0].Points, c.head);
            EXPECT_EQ(heads[0].BrushColor, clLime);
            EXPECT_EQ(heads[0].PenWidth, 1);
        }
    }
}

TEST(Arrow, ANegativeHeadLengthIsStoredAsZeroByThePaint) {
    Arrow a(nullptr);
    a.SetEdgeLength(-4);
    EXPECT_EQ(a.EdgeLength(), -4);
    RecordPaint(a);
    EXPECT_EQ(a.EdgeLength(), 0);
}

TEST(Arrow, ASourceEmitsBubblesThatMoveAlongTheShaft) {
    Arrow a(nullptr);
    a.SetBounds(0, 0, 100, 10);
    a.SetBubbleSource(true);
    RecordPaint(a);  // the shaft's length is known after a paint
    const std::vector<std::vector<std::string>> expected = {
        {"-2"}, {"0"}, {"2"}, {"4"}, {"6", "-3"}, {"8", "-1"},
    };
    for (const auto& lines : expected) {
        a.BubbleStep(false);
        EXPECT_EQ(Lines(a.BubbleList()), lines);
    }
    // Bubbles are drawn as dashes of BubbleLen along the shaft, in BubbleColor.
    a.SetBubbleColor(clWhite);
    auto ops = RecordPaint(a);
    auto dashes = OfKind(ops, TCanvasOpKind::LineTo);
    ASSERT_EQ(dashes.size(), 3u);
    EXPECT_EQ(dashes[1].Points[0], TPoint(9, 5));
    EXPECT_EQ(dashes[1].Points[1], TPoint(12, 5));
    EXPECT_EQ(dashes[1].PenColor, clWhite);
}

TEST(Arrow, ABubbleIsHandedOnOnceAndLeavesAtTheEnd) {
    Arrow first(nullptr), next(nullptr);
    first.SetBounds(0, 0, 100, 10);  // length 98
    next.SetBounds(0, 0, 100, 10);
    first.SetNextArrow(&next);
    first.SetBubbleSpeed(2);
    RecordPaint(first);
    RecordPaint(next);
    first.BubbleList()->Add("94");
    first.BubbleStep(false);
    EXPECT_EQ(Lines(first.BubbleList()), std::vector<std::string>{"96.1"});
    EXPECT_EQ(Lines(next.BubbleList()), std::vector<std::string>{"-2"});
    first.BubbleStep(false);
    EXPECT_TRUE(Lines(first.BubbleList()).empty()) << "past the end";
    EXPECT_EQ(Lines(next.BubbleList()), std::vector<std::string>{"0"}) << "handed on once only";
    EXPECT_EQ(next.BubbleSpeed(), 2);
}

TEST(Arrow, AChainThatLoopsBackStillEndsItsStep) {
    Arrow a(nullptr), b(nullptr);
    a.SetNextArrow(&b);
    b.SetNextArrow(&a);
    a.SetBubbleSource(true);
    a.BubbleStep(false);
    EXPECT_EQ(a.BubbleList()->Count(), 1);
}

TEST(Arrow, KeepsNoListOrArrowItsCallerMayFree) {
    Arrow a(nullptr);
    {
        TStringList mine;
        mine.Add("3");
        a.SetBubbleList(&mine);
    }
    EXPECT_EQ(Lines(a.BubbleList()), std::vector<std::string>{"3"});
    {
        auto next = std::make_unique<TArrow>(nullptr);
        a.SetNextArrow(next.get());
    }
    EXPECT_EQ(a.NextArrow(), nullptr);
    a.BubbleStep(false);
}

TEST(Arrow, ColourFileKeepsWidthAndColourOnly) {
    ScratchDir dir;
    TArrow a(nullptr);
    a.SetName("ArrowConc");
    EXPECT_EQ(a.ConfigName(), ".\\Colors.INI");
    a.SetColor(clFuchsia);
    a.SetArrowWidth(6);
    a.SetEdgeLength(9);
    a.SetEdgeAngle(40);
    ASSERT_TRUE(a.SaveConfig());
    TIniFile ini("./Colors.INI");
    EXPECT_EQ(ini.ReadInteger("ArrowConc", "EdgeLength", -1), 9);
    EXPECT_EQ(ini.ReadInteger("ArrowConc", "EdgeAngle", -1), 40);
    a.SetColor(clRed);
    a.SetArrowWidth(1);
    a.SetEdgeLength(2);
    a.SetEdgeAngle(90);
    EXPECT_TRUE(a.LoadConfig(""));
    EXPECT_EQ(a.Color(), clFuchsia);
    EXPECT_EQ(a.ArrowWidth(), 6);
    EXPECT_EQ(a.EdgeLength(), 2) << "the head keeps its designed size";
    EXPECT_EQ(a.EdgeAngle(), 90);

    a.SetConfigName("./no-folder/x.INI");
    EXPECT_FALSE(a.SaveConfig());
}

}  // namespace
