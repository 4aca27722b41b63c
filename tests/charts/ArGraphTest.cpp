// The array plot: its setters and their limits, whole series and single points, and what a paint
// draws (series as joined runs above YMin, pens by series, the beep of a range that cannot scale).
#include "charts/ArGraph.h"

#include "gui/Forms.h"
#include "gui/WinApi.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace {

// A plot shown on a form, 400 x 200: plot rectangle 30..385 x 15..180.
struct ShownPlot {
    std::unique_ptr<TForm> form;
    TArGraph* g = nullptr;
    ShownPlot() {
        guitest::EnsureApp();
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 500, 300);
        g = new TArGraph(form.get());
        g->SetParent(form.get());
        g->SetBounds(0, 0, 400, 200);
        guitest::ShowForm(form.get());
        guitest::Pump();
    }
    // The canvas calls of one paint.
    std::vector<TCanvasOp> Paint() {
        TCanvasRecorder rec;
        SetDefaultCanvasRecorder(&rec);
        g->Repaint();
        SetDefaultCanvasRecorder(nullptr);
        return rec.Ops;
    }
};

std::vector<TCanvasOp> Polylines(const std::vector<TCanvasOp>& ops, TColor pen) {
    std::vector<TCanvasOp> out;
    for (const TCanvasOp& op : ops)
        if (op.Kind == TCanvasOpKind::Polyline && op.PenColor == pen) out.push_back(op);
    return out;
}

TEST(ArGraph, SettersKeepTheirLimits) {
    guitest::EnsureApp();
    TArGraph g(nullptr);
    EXPECT_EQ(g.Width(), 210);
    EXPECT_EQ(g.Height(), 100);
    struct Case {
        const char* what;
        std::function<void()> set;
        std::function<double()> get;
        double want;
    } cases[] = {
        {"GraphCount 0 ignored", [&] { g.SetGraphCount(0); }, [&] { return g.GraphCount(); }, 2},
        {"GraphCount 65 ignored", [&] { g.SetGraphCount(65); }, [&] { return g.GraphCount(); }, 2},
        {"GraphCount 64 taken", [&] { g.SetGraphCount(64); }, [&] { return g.GraphCount(); }, 64},
        {"GraphSize 2 ignored", [&] { g.SetGraphSize(2); }, [&] { return g.GraphSize(); }, 720},
        {"GraphSize 5000 ignored", [&] { g.SetGraphSize(5000); }, [&] { return g.GraphSize(); }, 720},
        {"GraphSize 4096 taken", [&] { g.SetGraphSize(4096); }, [&] { return g.GraphSize(); }, 4096},
        {"GraphSize 3 taken", [&] { g.SetGraphSize(3); }, [&] { return g.GraphSize(); }, 3},
        {"LabelDX 0 ignored", [&] { g.SetLabelDX(0); }, [&] { return g.LabelDX(); }, 60},
        {"LabelDY 0 ignored", [&] { g.SetLabelDY(0); }, [&] { return g.LabelDY(); }, 100},
        {"LabelDY below 0 ignored", [&] { g.SetLabelDY(-5); }, [&] { return g.LabelDY(); }, 100},
        {"NetDX 0 ignored", [&] { g.SetNetDX(0); }, [&] { return g.NetDX(); }, 10},
        {"NetDY below 0 ignored", [&] { g.SetNetDY(-1); }, [&] { return g.NetDY(); }, 20},
        {"CurrentGraph past the series ignored", [&] { g.SetCurrentGraph(64); }, [&] { return g.CurrentGraph(); }, 0},
        {"CurrentGraph 63 taken", [&] { g.SetCurrentGraph(63); }, [&] { return g.CurrentGraph(); }, 63},
        {"CursorX past the points ignored", [&] { g.SetCursorX(3); }, [&] { return g.CursorX(); }, 0},
        {"CursorX 2 taken", [&] { g.SetCursorX(2); }, [&] { return g.CursorX(); }, 2},
    };
    for (const Case& k : cases) {
        k.set();
        EXPECT_EQ(k.get(), k.want) << k.what;
    }
    // A new count or size discards the values and puts the cursor and the current series back.
    const double three[] = {1, 2, 3};
    ASSERT_TRUE(g.SetGraphData(three, 5));
    g.SetGraphSize(4);
    EXPECT_EQ(g.CursorX(), 0);
    EXPECT_EQ(g.CurrentGraph(), 0);
    EXPECT_EQ(g.GraphData(5)[0], 0);
    EXPECT_EQ(g.GraphData(5).size(), 4u);
}

TEST(ArGraph, SeriesAreReplacedWholeAndPointsThroughTheCursor) {
    guitest::EnsureApp();
    TArGraph g(nullptr);
    g.SetGraphSize(5);
    const std::vector<double> five = {1, 2, 3, 4, 5};
    const std::vector<double> six = {9, 9, 9, 9, 9, 7};
    const std::vector<double> four = {8, 8, 8, 8};
    struct Case {
        const char* what;
        const std::vector<double>& data;
        int graph;
        bool ok;
    } cases[] = {
        {"series 1", five, 1, true},
        {"graph = GraphCount", six, 2, false},
        {"a negative graph", six, -1, false},
        {"a buffer shorter than the series", four, 0, false},
        {"a longer buffer: its first GraphSize values", six, 0, true},
    };
    for (const Case& k : cases) EXPECT_EQ(g.SetGraphData(k.data, k.graph), k.ok) << k.what;
    EXPECT_EQ(std::vector<double>(g.GraphData(0).begin(), g.GraphData(0).end()), std::vector<double>(5, 9));
    EXPECT_EQ(std::vector<double>(g.GraphData(1).begin(), g.GraphData(1).end()), five);
    EXPECT_TRUE(g.GraphData(2).empty());

    // CursorX picks the point, CursorY reads and writes it in the current series.
    g.SetCurrentGraph(1);
    g.SetCursorX(3);
    EXPECT_EQ(g.GetCursorY(), 4);
    g.SetCursorY(2000);
    EXPECT_EQ(g.GraphData(1)[3], 2000);
    EXPECT_EQ(g.GraphData(0)[3], 9);

    // Pens: the series colours by index, reading past the series gives 0, writing there nothing.
    g.SetGraphCount(8);
    const TColor want[] = {clRed, clBlue, clYellow, clGreen, clLime, clNavy, clBlack, clBlack};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(g.GetGrColors(i), want[i]) << i;
    EXPECT_EQ(g.GetGrColors(8), 0);
    g.SetGrColors(8, clWhite);
    g.SetGrColors(7, clPurple);
    EXPECT_EQ(g.GetGrColors(7), clPurple);
    TPen thick;
    thick.SetWidth(4);
    thick.SetColor(clTeal);
    g.SetCurrentGraph(2);
    g.SetCurrentGraphPen(&thick);
    EXPECT_EQ(g.GetCurrentGraphPen()->Width(), 4);
    EXPECT_EQ(g.GetGrColors(2), clTeal);
}

TEST(ArGraph, APaintJoinsPointsAboveYMinInEachSeriesPen) {
    ShownPlot p;
    TArGraph* g = p.g;
    g->SetGraphSize(10);
    g->SetGraphCount(7);
    g->SetYMin(0);
    g->SetYMax(100);
    // Series 0 all zeros (at YMin: nothing); series 1 with a gap; series 6 in the new pen's black.
    const std::vector<double> zeros(10, 0.0);
    const std::vector<double> gap = {10, 20, 30, 0, 50, 60, 70, 80, 90, 100};
    const std::vector<double> high(10, 50.0);
    g->SetGraphData(zeros, 0);
    g->SetGraphData(gap, 1);
    g->SetGraphData(high, 6);
    std::vector<TCanvasOp> ops = p.Paint();
    EXPECT_TRUE(Polylines(ops, clRed).empty());
    std::vector<TCanvasOp> blue = Polylines(ops, clBlue);
    ASSERT_EQ(blue.size(), 2u);
    EXPECT_EQ(blue[0].Points.size(), 3u);  // points 0..2
    EXPECT_EQ(blue[1].Points.size(), 6u);  // points 4..9
    // Plot 30..385 x 15..180: point i at 30 + 35.5 i, value v at 180 - 1.65 v.
    EXPECT_EQ(blue[0].Points[0], TPoint(30, 163));
    EXPECT_EQ(blue[1].Points[5], TPoint(349, 15));
    std::vector<TCanvasOp> black = Polylines(ops, clBlack);
    ASSERT_EQ(black.size(), 1u);
    EXPECT_EQ(black[0].Points.size(), 10u);
    EXPECT_EQ(black[0].Points[0].y, 97);
    // Values outside the range lie on the plot's edges.
    EXPECT_EQ(g->XtoScreen(9), 349);
    EXPECT_EQ(g->YtoScreen(-5), 180);
    EXPECT_EQ(g->YtoScreen(500), 15);

    // The default YMin of 1700 puts a series of zeros and one of 1000s below the range: nothing drawn.
    g->SetYMin(1700);
    g->SetYMax(2200);
    const std::vector<double> thousands(10, 1000.0);
    g->SetGraphData(thousands, 1);
    g->SetGraphData(zeros, 6);
    ops = p.Paint();
    EXPECT_TRUE(Polylines(ops, clBlue).empty());
    EXPECT_TRUE(Polylines(ops, clBlack).empty());
}

TEST(ArGraph, ARangeThatCannotScaleBeepsAndDrawsNothing) {
    ShownPlot p;
    TArGraph* g = p.g;
    g->SetGraphSize(10);
    g->SetYMin(0);
    g->SetYMax(100);
    ASSERT_FALSE(p.Paint().empty());
    struct Case {
        const char* what;
        double yMin, yMax;
    } cases[] = {
        {"YMax equal to YMin", 50, 50},
        {"an unbounded YMax", 0, std::numeric_limits<double>::infinity()},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        g->SetYMin(k.yMin);
        g->SetYMax(k.yMax);
        const int before = BeepCount("array plot paint");
        std::vector<TCanvasOp> ops = p.Paint();
        EXPECT_EQ(BeepCount("array plot paint"), before + 1);
        for (const TCanvasOp& op : ops) EXPECT_NE(op.Kind, TCanvasOpKind::Draw) << op.ToString();
    }
    // Back to a range: the paint goes through again.
    g->SetYMin(0);
    g->SetYMax(100);
    const int before = BeepCount("array plot paint");
    p.Paint();
    EXPECT_EQ(BeepCount("array plot paint"), before);
}

}  // namespace
