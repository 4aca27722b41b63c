// Degenerate sizes and counts in the drawings: a paint that cannot be drawn beeps, shows nothing
// new and tries again next time; a count that draws nothing draws nothing quietly.
#include "widgets/BladeWheel.h"
#include "widgets/Mixer.h"
#include "widgets/Pandus.h"
#include "WidgetTestSupport.h"

#include "gui/WinApi.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using widgettest::Dump;
using widgettest::OfKind;
using widgettest::Paintable;
using widgettest::RecordPaint;

// One widget under test: its paint, and a way to make its input sound again.
struct Subject {
    std::shared_ptr<TControl> control;
    std::function<std::vector<TCanvasOp>()> paint;
    std::function<void()> mend;
};

template <class W>
Subject Make(std::function<void(W&)> setup, std::function<void(W&)> mend) {
    auto w = std::make_shared<Paintable<W>>(nullptr);
    w->SetBounds(0, 0, 100, 100);
    setup(*w);
    return {w, [w] { return RecordPaint(*w); }, [w, mend] { mend(*w); }};
}

TEST(DegenerateInput, ABadCountOrSizeBeepsAtEveryPaintAndShowsNothingNew) {
    struct Case {
        const char* name;
        std::function<Subject()> make;
        bool kept;               // keeps a picture that a good paint copies to the screen
        TCanvasOpKind drawnFirst;  // on the kept picture before the failure, at each paint
        TCanvasOpKind neverDrawn;
    };
    const Case cases[] = {
        {"mixer with no blades",
         [] { return Make<TMixer>([](TMixer& m) { m.SetBladeCount(0); }, [](TMixer& m) { m.SetBladeCount(4); }); },
         true, TCanvasOpKind::FloodFill, TCanvasOpKind::Polyline},
        {"wheel with no blades, circle mode",
         [] {
             return Make<TBladeWheel>([](TBladeWheel& w) { w.SetBladeCount(0); },
                                      [](TBladeWheel& w) { w.SetBladeCount(10); });
         },
         true, TCanvasOpKind::Rectangle, TCanvasOpKind::LineTo},
        {"wheel with no blades, flat mode",
         [] {
             return Make<TBladeWheel>(
                 [](TBladeWheel& w) {
                     w.SetCircleMode(false);
                     w.SetBladeCount(0);
                 },
                 [](TBladeWheel& w) { w.SetBladeCount(10); });
         },
         true, TCanvasOpKind::Rectangle, TCanvasOpKind::LineTo},
        {"chute with virtW 0",
         [] { return Make<TPandus>([](TPandus& p) { p.SetvirtW(0); }, [](TPandus& p) { p.SetvirtW(145); }); },
         false, TCanvasOpKind::CopyRect, TCanvasOpKind::Polygon},
        {"chute with virtH 0",
         [] { return Make<TPandus>([](TPandus& p) { p.SetvirtH(0); }, [](TPandus& p) { p.SetvirtH(75); }); },
         false, TCanvasOpKind::CopyRect, TCanvasOpKind::Polygon},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Subject s = c.make();
        ResetBeepCount();
        for (int paint = 1; paint <= 2; ++paint) {
            auto ops = s.paint();
            EXPECT_EQ(BeepCount(), paint);
            EXPECT_TRUE(OfKind(ops, TCanvasOpKind::CopyRect).empty()) << "nothing reaches the screen\n" << Dump(ops);
            EXPECT_TRUE(OfKind(ops, c.neverDrawn).empty());
            if (c.kept) { EXPECT_EQ(OfKind(ops, c.drawnFirst).size(), 1u) << "each paint tries again"; }
        }
        s.mend();
        auto ops = s.paint();
        EXPECT_EQ(BeepCount(), 2);
        EXPECT_FALSE(OfKind(ops, c.neverDrawn).empty());
        if (c.kept) { EXPECT_EQ(OfKind(ops, TCanvasOpKind::CopyRect).size(), 1u); }
    }
}

TEST(DegenerateInput, TheMixersBitmapHoldsWallsWaterAndHubWhenTheBladesFail) {
    Paintable<TMixer> m(nullptr);
    m.SetBounds(0, 0, 100, 100);
    m.SetBladeCount(0);
    auto ops = RecordPaint(m);
    EXPECT_EQ(OfKind(ops, TCanvasOpKind::Arc).size(), 2u);
    EXPECT_EQ(OfKind(ops, TCanvasOpKind::LineTo).size(), 4u) << "walls, bottom and the water line, no spoke";
    EXPECT_EQ(OfKind(ops, TCanvasOpKind::FloodFill).size(), 1u);
    EXPECT_EQ(OfKind(ops, TCanvasOpKind::Ellipse).size(), 1u);
}

TEST(DegenerateInput, ANegativeBladeCountDrawsNoBladesAndDoesNotBeep) {
    ResetBeepCount();
    Paintable<TMixer> m(nullptr);
    m.SetBounds(0, 0, 100, 100);
    m.SetBladeCount(-1);
    auto ops = RecordPaint(m);
    EXPECT_TRUE(OfKind(ops, TCanvasOpKind::Polyline).empty());
    EXPECT_EQ(OfKind(ops, TCanvasOpKind::CopyRect).size(), 1u);
    for (bool circle : {true, false}) {
        SCOPED_TRACE(circle);
        Paintable<TBladeWheel> w(nullptr);
        w.SetBounds(0, 0, 100, 100);
        w.SetCircleMode(circle);
        w.SetBladeCount(-3);
        ops = RecordPaint(w);
        EXPECT_TRUE(OfKind(ops, TCanvasOpKind::LineTo).empty());
        EXPECT_EQ(OfKind(ops, TCanvasOpKind::CopyRect).size(), 1u);
    }
    EXPECT_EQ(BeepCount(), 0);
}

}  // namespace
