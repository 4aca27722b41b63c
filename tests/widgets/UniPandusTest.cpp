// The chute on supports: the band and its support line, on the recorder and on screen.
#include "widgets/UniPandus.h"
#include "WidgetTestSupport.h"
#include "testlib/gui/GuiHarness.h"

#include "gui/Forms.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;
using Chute = Paintable<TUniPandus>;

TEST(UniPandus, BandAndSupportLine) {
    struct Case {
        const char* name;
        int topPercent, rightTopPercent;
        std::vector<TPoint> band;
        std::vector<TPoint> support;  // the ends of the support line's five points
    };
    const Case cases[] = {
        // The band's top falls from 14 to 72 (half pixels cut), 14 px thick at both ends; the
        // support line dips to 90 % and 95 % of 145 with whole-pixel division.
        {"defaults on 225 x 145", 10, 50,
         {{1, 14}, {224, 72}, {224, 86}, {1, 28}},
         {{0, 28}, {56, 130}, {112, 57}, {169, 137}, {225, 86}}},
        {"equal ends: a level band", 30, 30,
         {{1, 43}, {224, 43}, {224, 57}, {1, 57}},
         {{0, 57}, {56, 130}, {112, 57}, {169, 137}, {225, 57}}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Chute u(nullptr);
        u.SetBounds(0, 0, 225, 145);
        u.SetTopPercent(k.topPercent);
        u.SetRightTopPercent(k.rightTopPercent);
        const auto ops = RecordPaint(u);
        const auto polys = OfKind(ops, TCanvasOpKind::Polygon);
        ASSERT_EQ(polys.size(), 1u);
        EXPECT_EQ(polys[0].Points, k.band);
        EXPECT_EQ(polys[0].BrushColor, clRed);
        EXPECT_EQ(polys[0].PenColor, clYellow);

        const auto moves = OfKind(ops, TCanvasOpKind::MoveTo);
        const auto lines = OfKind(ops, TCanvasOpKind::LineTo);
        ASSERT_EQ(moves.size(), 1u);
        ASSERT_EQ(lines.size(), 4u);
        std::vector<TPoint> support = {moves[0].Points.back()};
        for (const auto& l : lines) support.push_back(l.Points.back());
        EXPECT_EQ(support, k.support);
        EXPECT_TRUE(OfKind(ops, TCanvasOpKind::CopyRect).empty()) << "straight onto its canvas";
    }
}

TEST(UniPandus, SettersRepaintOnlyOnAChange) {
    Chute u(nullptr);
    int before = u.InvalidateCount();
    u.SetTopPercent(10);
    EXPECT_EQ(u.InvalidateCount(), before);
    u.SetTopPercent(20);
    EXPECT_GT(u.InvalidateCount(), before);
    before = u.InvalidateCount();
    TBrush green;
    green.SetColor(clGreen);
    u.SetBrush(&green);
    EXPECT_GT(u.InvalidateCount(), before);
    EXPECT_EQ(u.Brush()->Color(), clGreen);
    EXPECT_NE(u.Brush(), &green) << "copied in, not taken over";
}

TEST(UniPandus, OnScreenBandSupportAndThePanelBeneath) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 260, 180);
    form->SetColor(clNavy);
    auto* u = new TUniPandus(form.get());
    u->SetParent(form.get());
    u->SetBounds(0, 0, 225, 145);
    guitest::ShowForm(form.get());
    const QImage img = guitest::Grab(form.get());
    EXPECT_EQ(guitest::PixelOf(img, 112, 50), clRed) << "inside the band";
    EXPECT_EQ(guitest::PixelOf(img, 56, 130), clYellow) << "the support's first low point";
    EXPECT_EQ(guitest::PixelOf(img, 200, 10), clNavy) << "above the band the form shows";
}

}  // namespace
