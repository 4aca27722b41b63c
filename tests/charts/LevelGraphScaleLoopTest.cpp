// The value scale of the trend chart draws in bounded time whatever scale a dialog or a screen's file
// gives it: a step that vanishes in the rounding of values far from zero, a step far below the range.
// A scale that never finished painting would hang the test here.
#include "charts/LevelGraph.h"

#include "gui/Forms.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(LevelGraphScaleLoop, EveryScaleIsDrawnWithAtMostOneLinePerStepOfItsRange) {
    struct Case {
        const char* what;
        double yMin, yMax, step;
        int fewest, most;  // grid lines drawn
    } cases[] = {
        {"a step lost in the rounding of 1e12", 1e12, 1e12 + 0.001, 1e-5, 1, 101},
        {"the same below zero", -1e12 - 0.001, -1e12, 1e-5, 1, 101},
        {"a hundredth at 1e15", 1e15, 1e15 + 1, 0.01, 1, 101},
        {"tens at 1e17", 1e17, 1e17 + 1000, 10, 1, 101},
        {"a million steps in the range: no grid", 0, 1, 1e-6, 0, 0},
        {"the middle beyond any line index: no grid", 1e21, 1e21 + 1e7, 100, 0, 0},
        {"an ordinary scale", 0, 401, 50, 8, 8},
        {"one step wider than the range", 0, 10, 50, 1, 1},
    };
    guitest::EnsureApp();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        auto g = std::make_unique<TLevelGraph>(nullptr);
        g->SetXLabelStep(OneHour);
        g->SetNewIntervalAccepted(false);
        g->SetNewStartTime(EncodeDateTime(2010, 3, 15, 7, 0, 0, 0));
        g->SetNewStopTime(EncodeDateTime(2010, 3, 15, 19, 0, 0, 0));
        g->SetNewIntervalAccepted(true);
        g->Bitmap->SetSize(1000, 300);
        g->SetYMax(1e301);
        g->SetYMin(k.yMin);
        g->SetYMax(k.yMax);
        g->SetYLabelStep(k.step);
        ASSERT_TRUE(g->CalcRegion());
        TRecordingCanvas canvas(TSize(1000, 300));
        g->PaintYScale(&canvas);
        int lines = 0;
        for (const TCanvasOp& op : canvas.Ops()) lines += op.Kind == TCanvasOpKind::LineTo;
        EXPECT_GE(lines, k.fewest);
        EXPECT_LE(lines, k.most);
        // The whole picture, as a screen's timer or an export draws it, comes back too.
        g->ExportImage(600, 200, true);
    }
}

}  // namespace
