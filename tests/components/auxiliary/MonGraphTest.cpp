// The trend control: points and limits, the time and value steps, setters, conversions, the layered
// picture, the cursor, keys and image export.
#include "components/auxiliary/MonGraph.h"

#include "gui/Forms.h"
#include "gui/WinApi.h"
#include "rtl/DateUtils.h"
#include "testlib/gui/GuiHarness.h"
#include "ChartTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using auxtest::Texts;

const TDateTime Now17May = EncodeDateTime(2010, 5, 17, 14, 20, 0, 0);

// A control made while the clock says 17 May 2010, 14:20 (so "yesterday" is 16 May).
std::unique_ptr<TMonGraph> MakeGraph() {
    guitest::EnsureApp();
    SetClockSource([] { return Now17May; });
    auto g = std::make_unique<TMonGraph>(nullptr);
    SetClockSource(nullptr);
    return g;
}

// ---- Construction and the time axis ------------------------------------------------------------------

TEST(MonGraphData, StartsWithTwelveMinutesFromYesterdaysMidnight) {
    auto g = MakeGraph();
    EXPECT_EQ(g->StartDateTime(), EncodeDate(2010, 5, 16));
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss", g->StopDateTime()), AnsiString("16.05.2010 00:11:59"));
    EXPECT_EQ(g->IntervalSize(), 720);
    EXPECT_EQ(g->GraphSize(), 720);
    EXPECT_EQ(g->GraphCount(), 3);
    EXPECT_EQ(g->CursorTime(), g->StartDateTime());
    EXPECT_EQ(g->TimeStep(), 120);
    EXPECT_EQ(g->GraphPen(0)->Color(), 0x00FFFF);
    EXPECT_EQ(g->GraphPen(2)->Color(), 0xFF0000);
    EXPECT_EQ(g->CursorPen()->Mode(), pmNotXor);

    // Start, stop and interval keep each other in step; the real-interval flag drops on any change.
    g->SetStartTime(EncodeTime(7, 0, 0, 0));
    EXPECT_EQ(FormatDateTime("dd.mm hh:nn:ss", g->StartDateTime()), AnsiString("16.05 07:00:00"));
    EXPECT_EQ(g->StartDate(), EncodeDate(2010, 5, 16));
    g->SetIntervalSize(3600);
    EXPECT_EQ(FormatDateTime("dd.mm hh:nn:ss", g->StopDateTime()), AnsiString("16.05 07:59:59"));
    EXPECT_EQ(g->IntervalSize(), 3600);
    g->SetStopDate(EncodeDate(2010, 5, 17));
    EXPECT_EQ(g->IntervalSize(), 86400 + 3600);
    g->SetRealInterval(true);
    EXPECT_TRUE(g->RealInterval());
    g->SetStopTime(EncodeTime(6, 59, 59, 0));
    EXPECT_FALSE(g->RealInterval());
    EXPECT_EQ(g->IntervalSize(), 86400);
}

TEST(MonGraphData, TimeStepsLabelFormatsAndTheFirstLabel) {
    auto g = MakeGraph();
    TDateTime midnight = EncodeDate(2010, 5, 16);
    struct Case {
        TDateTime start;
        int interval;
        int step;
        const char* format;
        int firstLabel;
    } cases[] = {
        {midnight, 100, 30, "hh:nn:ss", 30},        // 4 labels wanted: 3.3 beats 5
        {midnight, 300, 60, "hh:nn", 60},           // error 1 against 1.5 for 120 s
        {midnight, 720, 120, "hh:nn", 120},         // a start on a multiple: one whole step on
        {midnight + 90 * OneSecond, 720, 120, "hh:nn", 30},
        {EncodeDateTime(2010, 5, 16, 7, 0, 10, 0), 720, 120, "hh:nn", 110},
        {midnight, 86400, 14400, "dd.mm hh:nn", 14400},
        {midnight, 30 * 86400, 432000, "dd.mm", 432000 - (135 * 86400) % 432000},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.interval);
        g->SetStartDateTime(k.start);
        g->SetIntervalSize(k.interval);
        EXPECT_EQ(g->IntervalSize(), k.interval);
        EXPECT_EQ(g->TimeStep(), k.step);
        EXPECT_EQ(g->TimeLabelFormat(), AnsiString(k.format));
        EXPECT_EQ(g->FirstLabelSecond(), k.firstLabel);
    }
}

TEST(MonGraphData, ValueStepFollowsTheRangeAndTheWantedLabels) {
    auto g = MakeGraph();
    struct Case {
        double yMin, yMax;
        int optimum;
        double netDY;
    } cases[] = {
        {0, 100, 5, 20},
        {0, 100, 0, 50},      // no optimum: half the range
        {0, 1e6, 5, 10000},   // beyond the table
        {-1, 1, 5, 0.5},
        {0, 0.03, 5, 0.01},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.yMax);
        g->SetYMin(-1e9);  // moves away from the case's values so each setter acts
        g->SetYMax(k.yMax);
        g->SetYMin(k.yMin);
        g->SetYLabelOptimum(k.optimum);
        g->SelectYStep();
        EXPECT_DOUBLE_EQ(g->NetDY(), k.netDY);
    }
    // A range too small to divide leaves the step as it was.
    g->SetYMax(1e-6);
    g->SetYMin(0);
    g->SetNetDY(7);
    g->SelectYStep();
    EXPECT_EQ(g->NetDY(), 7);
}

TEST(MonGraphData, SettersTakeOnlyTheirRanges) {
    auto g = MakeGraph();
    struct Case {
        const char* what;
        std::function<void()> set;
        std::function<int()> get;
        int expected;
    } cases[] = {
        {"GraphCount 0", [&] { g->SetGraphCount(0); }, [&] { return g->GraphCount(); }, 3},
        {"GraphCount 33", [&] { g->SetGraphCount(33); }, [&] { return g->GraphCount(); }, 3},
        {"GraphCount 32", [&] { g->SetGraphCount(32); }, [&] { return g->GraphCount(); }, 32},
        {"CurrentGraph 32", [&] { g->SetCurrentGraph(32); }, [&] { return g->CurrentGraph(); }, 0},
        {"CurrentGraph 31", [&] { g->SetCurrentGraph(31); }, [&] { return g->CurrentGraph(); }, 31},
        {"GraphCount 1 resets CurrentGraph", [&] { g->SetGraphCount(1); }, [&] { return g->CurrentGraph(); }, 0},
        {"GraphSize 2", [&] { g->SetGraphSize(2); }, [&] { return g->GraphSize(); }, 720},
        {"GraphSize 34560000: more columns than the widest plot has pixels", [&] { g->SetGraphSize(34560000); },
         [&] { return g->GraphSize(); }, 720},
        {"GraphSize 32768", [&] { g->SetGraphSize(32768); }, [&] { return g->GraphSize(); }, 720},
        {"GraphSize 32767", [&] { g->SetGraphSize(32767); }, [&] { return g->GraphSize(); }, 32767},
        {"GraphSize 3", [&] { g->SetGraphSize(3); }, [&] { return g->GraphSize(); }, 3},
        {"LabelDX 0", [&] { g->SetLabelDX(0); }, [&] { return g->LabelDX(); }, 60},
        {"NetDX -1", [&] { g->SetNetDX(-1); }, [&] { return g->NetDX(); }, 60},
        {"NetDY 0", [&] { g->SetNetDY(0); }, [&] { return static_cast<int>(g->NetDY()); }, 5000},
        {"CursorX past GraphSize", [&] { g->SetCursorX(4); }, [&] { return g->CursorX(); }, 0},
        {"CursorX at GraphSize", [&] { g->SetCursorX(3); }, [&] { return g->CursorX(); }, 3},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        k.set();
        EXPECT_EQ(k.get(), k.expected);
    }
}

// ---- Points and automatic limits ------------------------------------------------------------------------

TEST(MonGraphData, PointsInOneColumnKeepTheirRange) {
    auto g = MakeGraph();
    struct Case {
        std::vector<double> values;
        double min, max;
    } cases[] = {
        {{5, 3}, 3, 5},
        {{5, 3, 4}, 3, 5},
        {{3, 5}, 3, 5},
        {{7, 7}, 7, 0},  // one value held: no range
        {{0, 6}, 6, 0},  // 0.0 is "no value"
        {{5, 3, 9, 1}, 1, 9},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.values.size());
        g->ResetGraphData(1, false);
        for (double v : k.values) g->AddPoint(10, 1, v, false);
        double mn = -1, mx = -1;
        bool alarm = true;
        g->GetPoint(10, 1, mn, mx, alarm);
        EXPECT_EQ(mn, k.min);
        EXPECT_EQ(mx, k.max);
        EXPECT_FALSE(alarm);
        EXPECT_EQ(g->GetGraphPoint(1, 10), k.min);
    }
    // Out of range: nothing written, nothing read past the arrays, outputs untouched.
    for (auto [col, graph] : {std::pair{-1, 0}, {721, 0}, {5, 3}, {5, -1}}) {
        g->AddPoint(col, graph, 1, true);
        g->SetPoint(col, graph, 1, 2, true);
        double mn = -1, mx = -1;
        bool alarm = false;
        g->GetPoint(col, graph, mn, mx, alarm);
        EXPECT_EQ(mn, -1);
        EXPECT_EQ(g->GetGraphPoint(graph, col), 0.0);
    }
    // The column GraphSize is addressable.
    g->AddPoint(720, 2, 42, true);
    EXPECT_EQ(g->GetGraphPoint(2, 720), 42);
}

TEST(MonGraphData, AutomaticLimitsFollowThePoints) {
    auto g = MakeGraph();
    g->AddPoint(0, 0, 100, false);
    EXPECT_EQ(g->AutoYMin(), 0.0);  // positive data leave the lower limit at 0
    EXPECT_DOUBLE_EQ(g->AutoYMax(), 110);
    g->AddPoint(1, 0, -50, false);
    EXPECT_DOUBLE_EQ(g->AutoYMin(), -45);  // the margin is a tenth of the (negative) value
    EXPECT_EQ(g->YMax(), 32768.0);         // kept only on request
    g->SetKeepAutoLimits(true);
    g->SetEnableAutoYMin(true);
    g->AddPoint(2, 0, 200, false);
    EXPECT_DOUBLE_EQ(g->YMax(), 220);
    EXPECT_DOUBLE_EQ(g->YMin(), -45);
    EXPECT_TRUE(g->ResetGraphData(0, false));
    EXPECT_EQ(g->AutoYMax(), 0.0);
    EXPECT_FALSE(g->ResetGraphData(5, false));
}

TEST(MonGraphData, AutoYLimitScansPresentOrAllColumns) {
    struct Case {
        const char* what;
        bool present;
        std::vector<std::pair<int, double>> points;
        double yMin, yMax;
    } cases[] = {
        {"no point, present marks", true, {}, 0, 1},
        {"no point, every column counts as 0", false, {}, 0, 0},
        {"a range in one column", true, {{4, 5}, {4, 50}}, 5, 50},
        {"single values: their empty maximum is a 0", true, {{4, 20}, {6, 40}}, 0, 40},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        auto g = MakeGraph();
        g->SetEnablePresentArray(k.present);
        for (auto [col, v] : k.points) g->AddPoint(col, 1, v, false);
        g->SetAutoYLimit(true);
        EXPECT_EQ(g->YMin(), k.yMin);
        EXPECT_EQ(g->YMax(), k.yMax);
    }
}

TEST(MonGraphData, LargeGraphSizesStayInsideTheArrays) {
    // Run under the address sanitizer: every column up to GraphSize must be backed by the arrays, also
    // for graphs whose arrays were made for a smaller size.
    auto g = MakeGraph();
    g->SetGraphCount(6);
    g->SetGraphSize(1000);
    g->SetGraphCount(3);
    g->SetGraphSize(TMonGraph::MaxGraphSize);
    g->SetGraphCount(6);
    const int last = TMonGraph::MaxGraphSize;
    for (int graph : {0, 5}) {
        g->AddPoint(last, graph, 7, false);
        g->AddPoint(last - 1, graph, 8, true);
        EXPECT_EQ(g->GetGraphPoint(graph, last), 7);
    }
    EXPECT_EQ(g->GetGraphPoint(0, last + 1), 0.0);
    std::vector<double> values(last, 3.0);
    EXPECT_TRUE(g->SetGraphData(values.data(), 5));
    EXPECT_TRUE(g->SetGraphDataM(values.data(), 5));
    EXPECT_FALSE(g->SetGraphData(values.data(), 6));
    g->SetAutoYLimit(true);
    g->SetDemoData(true);
    g->SetStepOut(true);
    int order[6] = {5, 4, 3, 2, 1, 0};
    g->SetPaintNums(order);
    TBitmap bmp;
    g->ExportImage(&bmp, true, true);
    EXPECT_TRUE(g->ResetGraphData(5, true));
}

TEST(MonGraphData, DemoDataRunsBetweenTheLimits) {
    auto g = MakeGraph();
    g->SetYMax(3000);
    g->SetDemoData(true);
    double lo = 1e9, hi = -1e9;
    for (int j = 0; j < g->GraphSize(); ++j) {
        double v = g->GetGraphPoint(2, j);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    EXPECT_EQ(g->GetGraphPoint(2, 0), 2002 + 120);
    EXPECT_GE(lo, 0);
    EXPECT_LE(hi, 3000);
    g->SetDemoData(false);
    EXPECT_EQ(g->GetGraphPoint(2, 5), 0.0);
}

TEST(MonGraphData, ConversionsClampToThePlot) {
    auto g = MakeGraph();  // 210 x 100: plot 30..195 x 15..80
    g->CalcRegion();
    EXPECT_EQ(g->XtoScreen(0), 30);
    struct Case {
        double x;
        int col;
    } cases[] = {{0, 0}, {29, 0}, {30.1, 0}, {31, 4}, {112, 357}, {195, 719}, {500, 719}};
    for (const Case& k : cases) EXPECT_EQ(g->ScreenToX(k.x), k.col) << k.x;
    EXPECT_EQ(g->YtoScreen(-1), 80);
    EXPECT_EQ(g->YtoScreen(1e9), 15);
    EXPECT_EQ(g->TimeToIndex(g->StartDateTime() + 59.6 * OneSecond), 60);
    EXPECT_EQ(g->IndexToX(719), 719);
    // An interval that ends before it starts maps every second to column 0 instead of dividing by 0.
    g->SetStopDateTime(g->StartDateTime() - OneHour);
    EXPECT_LE(g->IntervalSize(), 0);
    EXPECT_EQ(g->IndexToX(10), 0);
}

// ---- Drawing -------------------------------------------------------------------------------------------------

// The MoveTo and LineTo ends of a drawing, with the pen colour.
struct Stroke {
    char kind;
    int x, y;
    TColor color;
    bool operator==(const Stroke&) const = default;
};

std::vector<Stroke> Strokes(const std::vector<TCanvasOp>& ops) {
    std::vector<Stroke> out;
    for (const TCanvasOp& op : ops) {
        if (op.Kind == TCanvasOpKind::MoveTo) out.push_back({'M', op.Points[0].x, op.Points[0].y, op.PenColor});
        if (op.Kind == TCanvasOpKind::LineTo) out.push_back({'L', op.Points.back().x, op.Points.back().y, op.PenColor});
    }
    return out;
}

TEST(MonGraphPaint, CurvesJoinColumnsAsLinesOrSteps) {
    // Four columns of 10 pixels on a plot 0..40 x 0..100, value v at y = 100 - v.
    auto g = MakeGraph();
    g->SetBounds(0, 0, 40, 100);
    g->SetAddX(0);
    g->SetAddY(0);
    g->SetAddScale(0);
    g->SetGraphSize(4);
    g->SetGraphCount(1);
    g->SetYMax(100);
    g->SetAlarmColor(clRed);
    const TColor own = g->GraphPen(0)->Color();
    g->AddPoint(0, 0, 10, false);
    g->AddPoint(1, 0, 20, false);
    g->AddPoint(1, 0, 60, false);
    g->AddPoint(2, 0, 30, true);
    g->CalcRegion();
    struct Case {
        const char* what;
        bool steps;
        std::vector<Stroke> strokes;
    } cases[] = {
        {"lines",
         false,
         {{'M', 0, 90, own}, {'L', 10, 80, own}, {'L', 10, 40, own}, {'L', 20, 70, clRed}, {'M', 30, 100, clRed}}},
        {"steps",
         true,
         {{'M', 0, 90, own},
          {'L', 10, 90, own},
          {'L', 10, 80, own},  // down to the next column's value
          {'M', 15, 80, own},  // a range stands in the middle of its column
          {'L', 15, 40, own},
          {'M', 20, 70, clRed},
          {'L', 30, 70, clRed},
          {'L', 30, 100, clRed}}},  // alarm reaches into the empty last column
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        g->SetStepOut(k.steps);
        TRecordingCanvas canvas(TSize(40, 100));
        g->PaintGraphics(&canvas);
        EXPECT_EQ(Strokes(canvas.Ops()), k.strokes);
    }
    // The present marks decide instead of the values.
    g->SetStepOut(false);
    g->SetEnablePresentArray(true);
    g->SetPoint(3, 0, 0.0, 0.0, false);  // present, value 0
    TRecordingCanvas canvas(TSize(40, 100));
    g->PaintGraphics(&canvas);
    EXPECT_EQ(Strokes(canvas.Ops()).back(), (Stroke{'L', 30, 100, own}));
}

TEST(MonGraphPaint, ExportSkipsHiddenGraphsButNumbersThem) {
    auto g = MakeGraph();
    g->SetGraphCount(2);
    g->SetYMax(100);
    for (int col = 0; col < 720; ++col) {
        g->AddPoint(col, 0, 30, false);
        g->AddPoint(col, 1, 60, false);
    }
    g->HideGraph(1);
    EXPECT_FALSE(g->IsGraphVisible(1));
    TBitmap bmp;
    TCanvasRecorder rec;
    bmp.Canvas()->SetRecorder(&rec);
    g->ExportImage(&bmp, true, true);
    EXPECT_EQ(bmp.Width(), 210);
    EXPECT_EQ(bmp.Height(), 100);
    int lines[2] = {0, 0};
    for (const TCanvasOp& op : rec.OfKind(TCanvasOpKind::LineTo)) {
        if (op.PenColor == g->GraphPen(0)->Color()) ++lines[0];
        if (op.PenColor == g->GraphPen(1)->Color()) ++lines[1];
    }
    EXPECT_EQ(lines[0], 719);
    EXPECT_EQ(lines[1], 0);
    // One number per graph at each of the five time labels (120 .. 600 s), at the graph's height.
    std::vector<std::string> numbers = Texts(rec.Ops);
    EXPECT_EQ(std::count(numbers.begin(), numbers.end(), "1"), 5);
    EXPECT_EQ(std::count(numbers.begin(), numbers.end(), "2"), 5);
    for (const TCanvasOp& op : rec.OfKind(TCanvasOpKind::TextOut))
        EXPECT_EQ(op.Points[0].y, g->YtoScreen(op.Text == "1" ? 30 : 60)) << op.Text;
}

TEST(MonGraphPaint, TimeLabelsPastThePlotAreDropped) {
    auto g = MakeGraph();
    g->SetShowScaleX(true);
    g->SetStartDateTime(g->StartDateTime() + OneMinute);
    g->SetIntervalSize(720);
    ASSERT_EQ(g->FirstLabelSecond(), 60);
    TBitmap bmp;
    TCanvasRecorder rec;
    bmp.Canvas()->SetRecorder(&rec);
    g->ExportImage(&bmp, false, false);
    // 00:12 would end at x 199, past the plot's right edge at 195.
    EXPECT_EQ(Texts(rec.Ops), (std::vector<std::string>{"00:02", "00:04", "00:06", "00:08", "00:10"}));
    for (const TCanvasOp& op : rec.OfKind(TCanvasOpKind::TextOut)) EXPECT_EQ(op.Points[0].y, 82);
}

TEST(MonGraphPaint, ValueLabelsAndTheZeroLabel) {
    struct Case {
        double yMin;
        bool showZero;
        std::vector<std::string> labels;
    } cases[] = {
        {-10, true, {"-10", "-10", "0", "10", "20"}},  // YMin first, then the grid from -10
        {-10, false, {"-10", "-10", "10", "20"}},
        {0, false, {"10", "20"}},  // no separate YMin label at 0
        {0, true, {"0", "10", "20"}},
        {5, true, {"5", "10", "20"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.yMin);
        auto g = MakeGraph();
        g->SetViewNet(false);
        g->SetShowScaleY(true);
        g->SetShowZero(k.showZero);
        g->SetYMax(30);
        g->SetYMin(k.yMin);
        g->SetNetDY(10);
        TBitmap bmp;
        TCanvasRecorder rec;
        bmp.Canvas()->SetRecorder(&rec);
        g->ExportImage(&bmp, false, false);
        EXPECT_EQ(Texts(rec.Ops), k.labels);
        // Right-aligned 2 pixels left of the plot, centred on the value.
        for (const TCanvasOp& op : rec.OfKind(TCanvasOpKind::TextOut)) {
            EXPECT_EQ(op.Points[0].x, 30 - 7 * op.Text.Length() - 2);
            EXPECT_EQ(op.Points[0].y, g->YtoScreen(std::stod(op.Text.str())) - 6);
        }
    }
}

TEST(MonGraphPaint, LayersThatCannotBeSteppedAreSkipped) {
    // Each setting here would step a paint loop by nothing: the export must end, without the layer.
    struct Case {
        const char* what;
        std::function<void(TMonGraph&)> set;
        int rectangles, lines;
    } cases[] = {
        {"dots: value step 0, half the mini-label time below a second",
         [](TMonGraph& g) {
             g.SetAbsPointNet(true);
             g.SetMiniLabelStep(0);
             g.SetMiniLabelsTime(1.5 * OneSecond);
         },
         0, 0},
        {"dots: negative value step, mini-label time below a second",
         [](TMonGraph& g) {
             g.SetAbsPointNet(true);
             g.SetMiniLabelStep(-2);
             g.SetMiniLabelsTime(0.5 * OneSecond);
         },
         0, 0},
        {"mini-label ticks: negative value step, time below a second",
         [](TMonGraph& g) {
             g.SetShowMiniLabels(true);
             g.SetMiniLabelStep(-1);
             g.SetMiniLabelsTime(0.5 * OneSecond);
             g.SetYMin(1);
             g.SetNetDY(1e6);      // no grid row between YMin and YMax
             g.SetIntervalSize(10);  // the first label falls on second 10: no vertical line
         },
         0, 0},
        {"label net and axis ticks: value step 0",
         [](TMonGraph& g) {
             g.SetViewNet(false);
             g.SetShowAxis(true);
             g.SetLabelNet(true);
             g.SetLabelDX(1000);
             g.SetLabelDY(0);
         },
         0, 4},  // column 0 of the label net, the two axes, one time tick
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        auto g = MakeGraph();
        g->SetGraphCount(1);
        k.set(*g);
        TBitmap bmp;
        TCanvasRecorder rec;
        bmp.Canvas()->SetRecorder(&rec);
        g->ExportImage(&bmp, false, false);
        EXPECT_EQ(rec.OfKind(TCanvasOpKind::Rectangle).size(), static_cast<std::size_t>(k.rectangles));
        EXPECT_EQ(rec.OfKind(TCanvasOpKind::LineTo).size(), static_cast<std::size_t>(k.lines)) << rec.Dump();
    }
}

// ---- On the screen ---------------------------------------------------------------------------------------------

struct ShownGraph {
    std::unique_ptr<TForm> form;
    TMonGraph* g = nullptr;
    int changes = 0, leftScrolls = 0, rightScrolls = 0, keyDowns = 0;
    ShownGraph() {
        guitest::EnsureApp();
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 500, 300);
        SetClockSource([] { return Now17May; });
        g = new TMonGraph(form.get());
        SetClockSource(nullptr);
        g->SetParent(form.get());
        g->SetBounds(0, 0, 420, 200);
        g->SetTabStop(true);
        g->SetYMax(100);
        g->SetGrColor(clWhite);
        g->SetViewNet(false);
        g->OnChange = [this](TObject*) { ++changes; };
        g->OnLeftScroll = [this](TObject*) { ++leftScrolls; };
        g->OnRightScroll = [this](TObject*) { ++rightScrolls; };
        g->OnKeyDown = [this](TObject*, WORD&, TShiftState) { ++keyDowns; };
        guitest::ShowForm(form.get());
        g->SetFocus();
        guitest::Pump();
    }
};

TEST(MonGraphScreen, ArrowKeysMoveTheCursorAndScrollAtTheEnds) {
    ShownGraph s;
    guitest::Key(VK_LEFT, 0, s.g);
    EXPECT_EQ(s.leftScrolls, 1);
    EXPECT_EQ(s.g->AbsCursorSecond(), 0);
    EXPECT_EQ(s.changes, 1);
    EXPECT_EQ(s.keyDowns, 1);  // the inherited handling runs first
    guitest::Key(VK_RIGHT, 0, s.g);
    EXPECT_EQ(s.g->AbsCursorSecond(), 1);
    EXPECT_EQ(s.g->CursorX(), 1);
    EXPECT_EQ(s.g->CursorTime(), s.g->StartDateTime() + OneSecond);
    s.g->SetAbsCursorSecond(5000);  // clamped to the last second
    EXPECT_EQ(s.g->AbsCursorSecond(), 719);
    guitest::Key(VK_RIGHT, 0, s.g);
    EXPECT_EQ(s.rightScrolls, 1);
    EXPECT_EQ(s.g->AbsCursorSecond(), 719);
    guitest::Key(VK_LEFT, 0, s.g);
    EXPECT_EQ(s.g->AbsCursorSecond(), 718);
    EXPECT_EQ(s.leftScrolls, 1);
    EXPECT_EQ(s.changes, 4);
}

TEST(MonGraphScreen, LeftClickPlacesTheCursorOnItsColumn) {
    ShownGraph s;
    // Plot 30..405 over 720 columns.
    guitest::Click(s.g, TPoint(218, 100));  // 188 pixels of 375 into the plot
    EXPECT_EQ(s.g->CursorX(), 360);
    EXPECT_EQ(s.g->AbsCursorSecond(), 360);
    EXPECT_EQ(s.changes, 1);
    guitest::Click(s.g, TPoint(50, 100), mbRight);
    EXPECT_EQ(s.g->CursorX(), 360);
    EXPECT_EQ(s.changes, 1);
}

TEST(MonGraphScreen, CursorDrawnTwiceRestoresThePictureWithoutARebuild) {
    ShownGraph s;
    s.g->SetShowCursor(true);
    s.g->CursorPen()->SetColor(clBlack);
    s.g->SetCursorX(100);
    QImage shown = guitest::Grab(s.g);
    int paints = s.g->PaintCount();
    int x = s.g->XtoScreen(100);
    EXPECT_NE(guitest::PixelOf(shown, x, 100), clWhite);  // the cursor is on the picture
    s.g->PaintCursor();
    QImage without = guitest::Grab(s.g);
    EXPECT_EQ(guitest::PixelOf(without, x, 100), clWhite);
    s.g->PaintCursor();
    EXPECT_EQ(guitest::Grab(s.g), shown);
    // Moving the cursor takes the old line away and draws the new one, on the screen only.
    s.g->SetCursorX(300);
    QImage moved = guitest::Grab(s.g);
    EXPECT_EQ(guitest::PixelOf(moved, x, 100), clWhite);
    EXPECT_NE(guitest::PixelOf(moved, s.g->XtoScreen(300), 100), clWhite);
    EXPECT_EQ(s.g->PaintCount(), paints);
}

TEST(MonGraphScreen, RepaintIntervalStopsAtTheLastColumn) {
    ShownGraph s;
    for (int col = 0; col < 720; ++col) s.g->AddPoint(col, 0, 50, false);
    guitest::Pump();
    TCanvasRecorder rec;
    s.g->Canvas()->SetRecorder(&rec);
    s.g->RepaintInterval(s.g->StartDateTime() + 600 * OneSecond, s.g->StartDateTime() + 2);
    s.g->Canvas()->SetRecorder(nullptr);
    std::vector<TCanvasOp> copies = rec.OfKind(TCanvasOpKind::CopyRect);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].Rect, TRect(s.g->XtoScreen(600) + 1, 15, s.g->XtoScreen(719) - 1, 180));
}

TEST(MonGraphScreen, PointsThatCannotBePlacedBeepAtEveryPaintWithoutABox) {
    ShownGraph s;
    guitest::MessageBoxRecorder boxes;
    s.g->AddPoint(10, 0, std::numeric_limits<double>::quiet_NaN(), false);
    s.g->AddPoint(11, 0, 20, false);
    s.g->StyleChanged(nullptr);  // points are shown at the next full picture
    ResetBeepCount();
    s.g->Repaint();
    EXPECT_EQ(BeepCount(), 1);
    s.g->Repaint();
    EXPECT_EQ(BeepCount(), 2);
    EXPECT_EQ(boxes.Count(), 0);
    // The data mended, the picture is drawn again.
    s.g->SetPoint(10, 0, 20, 0, false);
    s.g->Repaint();
    EXPECT_EQ(BeepCount(), 2);
}

}  // namespace
