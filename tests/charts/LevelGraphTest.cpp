// The trend chart: slots and the time axis, automatic limits, the value scale, the line rule,
// cursor input, image export and the pen colour file.
#include "charts/LevelGraph.h"

#include "gui/Forms.h"
#include "gui/WinApi.h"
#include "rtl/FileUtils.h"
#include "rtl/IniFiles.h"
#include "testlib/gui/GuiHarness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>
#include <memory>
#include <string>
#include <vector>

namespace {

TDateTime At(int day, int h, int m, int s, int ms = 0) { return EncodeDateTime(2010, 3, day, h, m, s, ms); }

// A chart with a window from 07:00:00 to 06:59:59 of the next day, one-minute slots, a 1000 x 300
// picture and the geometry pass run.
struct DayChart {
    std::unique_ptr<TLevelGraph> g;
    TDateTime start = At(15, 7, 0, 0);
    TDateTime stop = At(16, 6, 59, 59);
    DayChart(TDateTime from = 0, TDateTime to = 0) {
        guitest::EnsureApp();
        if (from != 0 || to != 0) {
            start = from;
            stop = to;
        }
        g = std::make_unique<TLevelGraph>(nullptr);
        g->SetXLabelStep(2 * OneHour);
        g->SetYLabelStep(50);
        g->SetYMax(400);
        g->SetNewIntervalAccepted(false);
        g->SetNewStartTime(start);
        g->SetNewStopTime(stop);
        g->SetNewCursorTime((start + stop) / 2);
        g->SetNewIntervalAccepted(true);
        g->Bitmap->SetSize(1000, 300);
        g->CalcRegion();
    }
};

// ---- Slots and the time axis -----------------------------------------------------------------------

TEST(LevelGraphSlots, TimesLandInTheSlotTheyNameAtEveryBoundary) {
    DayChart c;
    ASSERT_EQ(c.g->IntervalPointCount(), 1439);
    struct Case {
        const char* what;
        TDateTime t;
        int slot;  // -1: dropped
    } cases[] = {
        {"one second before the start", At(15, 6, 59, 59), 0},
        {"the start", At(15, 7, 0, 0), 0},
        {"a millisecond before a minute", At(15, 7, 0, 59, 999), 0},
        {"on the minute", At(15, 7, 1, 0), 1},
        {"on the minute one hour on", At(15, 8, 1, 0), 61},
        {"the last full minute", At(16, 6, 58, 59), 1438},
        {"the last, incomplete minute", At(16, 6, 59, 0), -1},
        {"the stop itself", At(16, 6, 59, 59), -1},
        {"after the stop", At(16, 7, 0, 0), -1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        c.g->ResetData();
        c.g->AddPoint(0, k.t, 42);
        int found = -1;
        for (int j = 0; j < TLevelGraph::MaxSlots; ++j)
            if (c.g->Slots()[0][j].HasMin) found = j;
        EXPECT_EQ(found, k.slot);
    }
    EXPECT_EQ(c.g->GetPoint(0, At(16, 7, 0, 0)), -1);
}

TEST(LevelGraphSlots, MinuteStampsBuiltByAdditionStayInTheirSlot) {
    // start + k minutes computed in doubles lands a hair below the boundary for many k; every row
    // stamped on a whole minute must still land in slot k.
    DayChart c;
    int wrong = 0;
    for (int k = 0; k < 1439; ++k) {
        TDateTime t = c.start + k * (1.0 / 1440);
        c.g->AddPoint(1, t, k);
        if (c.g->TimeToIndex(t) < k) ++wrong;
    }
    EXPECT_EQ(wrong, 0);
    for (int k = 0; k < 1439; ++k) ASSERT_TRUE(c.g->Slots()[1][k].HasMin) << "slot " << k;
}

TEST(LevelGraphSlots, PointsMergeIntoTheirSlot) {
    DayChart c;
    TDateTime t = At(15, 9, 30, 10);
    struct Case {
        const char* what;
        std::vector<std::pair<double, bool>> points;
        double min, max;
        bool hasMax, alarm;
    } cases[] = {
        {"one value", {{7, false}}, 7, 0, false, false},
        {"7 then 3", {{7, false}, {3, false}}, 3, 7, true, false},
        {"7, 3, then 5 inside", {{7, false}, {3, false}, {5, false}}, 3, 7, true, false},
        {"3 then 7", {{3, false}, {7, false}}, 3, 7, true, false},
        {"equal values", {{4, false}, {4, false}}, 4, 0, false, false},
        {"a later extreme widens", {{7, false}, {3, false}, {9, false}, {1, false}}, 1, 9, true, false},
        {"one alarm marks the slot", {{5, false}, {6, true}, {7, false}}, 5, 7, true, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        c.g->ResetGraph(2);
        for (auto [v, alarm] : k.points) c.g->AddPoint(2, t, v, alarm);
        const TLevelGraphSlot& s = c.g->Slots()[2][150];
        EXPECT_TRUE(s.HasMin);
        EXPECT_EQ(s.Min, k.min);
        EXPECT_EQ(s.HasMax, k.hasMax);
        if (k.hasMax) {
            EXPECT_EQ(s.Max, k.max);
        }
        EXPECT_EQ(s.Alarm, k.alarm);
        EXPECT_EQ(c.g->GetPoint(2, t), k.min);
    }
    c.g->DelPoint(2, t);
    EXPECT_EQ(c.g->GetPoint(2, t), -1);
}

TEST(LevelGraphSlots, PointsOutsideTheGraphsOrBeforeTheGeometryPassAreDropped) {
    guitest::EnsureApp();
    TLevelGraph g(nullptr);
    g.SetNewStartTime(At(15, 7, 0, 0));
    g.SetNewStopTime(At(15, 18, 59, 59));
    g.SetNewIntervalAccepted(true);
    g.AddPoint(0, At(15, 8, 0, 0), 1);  // no geometry pass yet: no slots in use
    EXPECT_EQ(g.GetPoint(0, At(15, 8, 0, 0)), -1);
    g.Bitmap->SetSize(400, 100);
    g.SetYLabelStep(10);
    g.SetXLabelStep(OneHour);
    g.CalcRegion();
    EXPECT_EQ(g.IntervalPointCount(), 719);  // a shift
    for (int graph : {-1, 16, 100}) {
        g.AddPoint(graph, At(15, 8, 0, 0), 1);
        EXPECT_EQ(g.GetPoint(graph, At(15, 8, 0, 0)), -1);
        g.DelPoint(graph, At(15, 8, 0, 0));
        g.ResetGraph(graph);
    }
}

TEST(LevelGraphSlots, AWindowLongerThanTheSlotTableStaysInsideIt) {
    // 30-second slots over a whole day would need 2879 slots; 10-second ones 8639.
    DayChart c;
    c.g->SetSecondStep(10);
    c.g->CalcRegion();
    EXPECT_EQ(c.g->IntervalPointCount(), TLevelGraph::MaxSlots);
    TDateTime last = c.start + 2999 * 10 * OneSecond;
    TDateTime beyond = c.start + 3000 * 10 * OneSecond;
    TDateTime far = At(16, 6, 0, 0);
    c.g->AddPoint(0, last, 5);
    c.g->AddPoint(0, beyond, 6);
    c.g->AddPoint(0, far, 7);
    EXPECT_EQ(c.g->GetPoint(0, last), 5);
    EXPECT_EQ(c.g->GetPoint(0, beyond), -1);
    EXPECT_EQ(c.g->GetPoint(0, far), -1);
    c.g->DelPoint(0, far);  // nothing to clear, and nothing written past the table
    EXPECT_EQ(c.g->GetPoint(0, last), 5);
    // Painting and the automatic pass read only the slots that exist.
    c.g->SetAutoYMax(true);
    c.g->CheckAutoLimits();
    TRecordingCanvas canvas(TSize(1000, 300));
    c.g->PaintGraphs(&canvas);
}

TEST(LevelGraphProperties, SettersKeepTheirRules) {
    guitest::EnsureApp();
    TLevelGraph g(nullptr);
    g.SetSecondStep(0.005);
    EXPECT_EQ(g.SecondStep(), 1.0);
    EXPECT_DOUBLE_EQ(g.DataStep(), OneSecond);
    g.SetDataStep(5 * OneMillisecond);
    EXPECT_DOUBLE_EQ(g.DataStep(), OneSecond);
    g.SetDataStep(1.6 * OneSecond);
    EXPECT_EQ(g.SecondStep(), 2.0);
    g.SetDataStep(OneMinute);
    EXPECT_EQ(g.SecondStep(), 60.0);

    g.SetYMax(5);
    g.SetYMin(10);
    EXPECT_DOUBLE_EQ(g.YMax(), 10.001);
    g.SetYMax(3);
    EXPECT_DOUBLE_EQ(g.YMin(), 2.999);

    // Graph count and current graph index the pens and the slot table: out of range is refused.
    struct Case {
        int value;
        bool countTaken, currentTaken;
    } cases[] = {{16, true, false}, {15, true, true}, {0, true, true}, {17, false, false}, {-1, false, false}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.value);
        int count = g.GraphCount(), current = g.CurrentGraph();
        g.SetGraphCount(k.value);
        g.SetCurrentGraph(k.value);
        EXPECT_EQ(g.GraphCount(), k.countTaken ? k.value : count);
        EXPECT_EQ(g.CurrentGraph(), k.currentTaken ? k.value : current);
    }

    // The staged window moves in only when accepted.
    g.SetNewIntervalAccepted(false);
    g.SetNewStartTime(At(15, 7, 0, 0));
    g.SetNewStopTime(At(15, 19, 0, 0));
    g.SetNewCursorTime(At(15, 13, 0, 0));
    EXPECT_EQ(g.StartTime(), 0);
    g.SetNewIntervalAccepted(true);
    EXPECT_EQ(g.StartTime(), At(15, 7, 0, 0));
    EXPECT_EQ(g.CursorTime(), At(15, 13, 0, 0));
    g.SetNewStopTime(At(15, 20, 0, 0));
    EXPECT_FALSE(g.NewIntervalAccepted());
}

TEST(LevelGraphProperties, ReadOnlyFieldsAndArraySizeAnswerWithTheirMessages) {
    guitest::EnsureApp();
    guitest::MessageBoxRecorder boxes;
    TLevelGraph g(nullptr);
    g.SetIntervalPointCount(5);
    ASSERT_EQ(boxes.Count(), 1);
    EXPECT_EQ(boxes.Last().Text, AnsiString("Это поле только для чтения 2."));
    EXPECT_EQ(boxes.Last().Caption, AnsiString("Справка"));
    EXPECT_EQ(g.IntervalPointCount(), 0);
    g.SetArraySize(5000);
    ASSERT_EQ(boxes.Count(), 2);
    EXPECT_EQ(boxes.Last().Text, AnsiString("Допускаются целые числа в диапазоне от 10 до 3000"));
    EXPECT_EQ(g.ArraySize(), 1000);
    g.SetArraySize(3000);
    EXPECT_EQ(g.ArraySize(), 3000);
}

TEST(LevelGraphAxis, GridPointsAndScreenConversions) {
    struct Case {
        double origin, step, first;
    } cases[] = {{0, 50, 0}, {12, 5, 15}, {13, 5, 20}, {-13, 5, -15}, {10, 5, 15}, {7, 0, 0}};
    for (const Case& k : cases)
        EXPECT_EQ(TLevelGraph::CalcStartNetPoint(k.origin, k.step), k.first) << k.origin << "/" << k.step;

    DayChart c;
    EXPECT_EQ(c.g->ScreenToTime(c.g->RegionLeft), c.start);
    EXPECT_LT(c.g->ScreenToTime(c.g->RegionLeft - 10), c.start);
    EXPECT_EQ(c.g->IndexToScreenX(-5), c.g->RegionLeft);
    EXPECT_EQ(c.g->IndexToScreenX(5000), c.g->RegionRight);
    // A day from 07:00 with a two-hour grid: labels from 10:00 (one step past the nearest multiple).
    EXPECT_EQ(FormatDateTime("hh:nn:ss", c.g->FirstXLabel), AnsiString("10:00:00"));
}

TEST(LevelGraphAxis, GeometryPassFailsWithoutSlotsOrSteps) {
    DayChart c;
    EXPECT_TRUE(c.g->CalcRegion());
    c.g->SetXLabelStep(50 * OneMillisecond);
    EXPECT_FALSE(c.g->CalcRegion());
    c.g->SetXLabelStep(OneHour);
    c.g->SetYLabelStep(0);
    EXPECT_FALSE(c.g->CalcRegion());
    // An automatic label step is found by the automatic pass, so a stored 0 must not stop the redraw.
    c.g->SetAutoYScale(true);
    EXPECT_TRUE(c.g->CalcRegion());
    c.g->SetNewIntervalAccepted(false);
    c.g->SetNewStopTime(c.start);
    c.g->SetNewIntervalAccepted(true);
    EXPECT_FALSE(c.g->CalcRegion());
    EXPECT_EQ(c.g->IntervalPointCount(), 0);
}

// ---- Automatic limits ------------------------------------------------------------------------------

TEST(LevelGraphScales, AutomaticLimitsStepAndFormat) {
    struct Case {
        const char* what;
        std::vector<double> values;
        bool positive;
        double minDelta;
        double yMin, yMax, step;
        const char* format;
    } cases[] = {
        {"20..380", {20, 380}, false, 0, -34, 434, 115, "###0"},
        {"flat 100", {100}, false, 0, 95.5, 104.5, 2.25, "#0.0"},
        {"flat 0", {0}, false, 0, -0.15, 1.15, 0.3, "#0.00"},
        {"empty chart", {}, false, 0, -0.15, 1.15, 0.3, "#0.00"},
        {"positive 0..10", {0, 10}, true, 0, 0, 11.5, 2.5, "###0"},
        {"least range 50", {10, 20}, false, 50, -10, 40, 12.5, "###0"},
        {"range 2.0 gives two decimals", {0, 2.0 / 1.3}, false, 0, -0.230769, 1.769231, -1, "#0.00"},
        {"range 0.4 gives three decimals", {0, 0.4 / 1.3}, false, 0, -0.0461538, 0.353846, -1, "#0.000"},
        {"a narrow range widens by part of a step", {0, 0.011 / 1.3}, false, 0, -0.00264423077, 0.01110576923,
         0.005, "#0.000"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        DayChart c;
        c.g->SetAutoYMin(true);
        c.g->SetAutoYMax(true);
        c.g->SetAutoYScale(true);
        c.g->SetPositiveY(k.positive);
        c.g->SetMinDeltaY(k.minDelta);
        c.g->SetBestNetLineCount(4);
        for (std::size_t i = 0; i < k.values.size(); ++i) c.g->AddPoint(0, c.start + i * OneMinute, k.values[i]);
        c.g->CheckAutoLimits();
        EXPECT_NEAR(c.g->YMin(), k.yMin, 1e-5);
        EXPECT_NEAR(c.g->YMax(), k.yMax, 1e-5);
        if (k.step > 0) {
            EXPECT_NEAR(c.g->YLabelStep(), k.step, 1e-9);
        }
        EXPECT_EQ(c.g->ScaleYFormat(), AnsiString(k.format));
    }
}

TEST(LevelGraphScales, RangeTenPointOneKeepsWholeNumbers) {
    DayChart c;
    c.g->SetAutoYScale(true);
    c.g->SetYMin(0);
    c.g->SetYMax(10.1);
    c.g->CheckAutoLimits();
    EXPECT_EQ(c.g->ScaleYFormat(), AnsiString("###0"));
    c.g->SetYMax(10.09);
    c.g->CheckAutoLimits();
    EXPECT_EQ(c.g->ScaleYFormat(), AnsiString("#0.0"));
}

TEST(LevelGraphScales, AStoredStepOfZeroWithAutomaticScaleStillDraws) {
    guitest::EnsureApp();
    TForm form(nullptr);
    form.SetBounds(0, 0, 640, 400);
    auto* g = new TLevelGraph(&form);
    g->SetParent(&form);
    g->SetBounds(0, 0, 600, 300);
    g->SetXLabelStep(OneHour);
    g->SetYLabelStep(0);
    g->SetAutoYScale(true);
    g->SetAutoYMin(true);
    g->SetAutoYMax(true);
    g->SetNewStartTime(At(15, 7, 0, 0));
    g->SetNewStopTime(At(15, 18, 59, 59));
    g->SetNewIntervalAccepted(true);
    g->CalcRegion();
    g->AddPoint(0, At(15, 9, 0, 0), 20);
    g->AddPoint(0, At(15, 9, 1, 0), 380);
    guitest::ShowForm(&form);
    g->Repaint();
    EXPECT_EQ(g->YLabelStep(), 115);
    EXPECT_EQ(guitest::Pixel(g, 310, 150), clWhite);  // the plot area is drawn
}

std::vector<std::string> texts(const TRecordingCanvas& c) {
    std::vector<std::string> out;
    for (const TCanvasOp& op : c.Ops())
        if (op.Kind == TCanvasOpKind::TextOut) out.push_back(op.Text.str());
    return out;
}

TEST(LevelGraphScales, ValueGridLinesAndLabels) {
    struct Case {
        const char* what;
        double yMin, yMax, step;
        bool right;
        std::vector<std::string> labels;
        int firstLineUp;  // pixels from the plot's bottom edge up to the lowest grid line
    } cases[] = {
        {"0..401 by 50", 0, 401, 50, false, {"50", "100", "150", "200", "250", "300", "350", "400"}, 35},
        {"0..10 by 50", 0, 10, 50, false, {"0"}, 0},
        {"a step wider than the range above 0 draws no line below the scale", 10, 20, 50, false, {}, -1},
        {"right column", 0, 35, 10, true, {"10", "150", "20", "300", "30", "450"}, 79},
        {"a scale from 100 whose middle rounds onto it: a line on the bottom edge", 100, 150, 100, false, {"100"}, 0},
        {"a scale from 110 by 90: the lowest line 70 above it", 110, 470, 90, false, {"180", "270", "360", "450"}, 54},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        DayChart c;
        c.g->SetYMax(1e9);
        c.g->SetYMin(k.yMin);
        c.g->SetYMax(k.yMax);
        c.g->SetYLabelStep(k.step);
        c.g->SetScaleYFormat("###0");
        c.g->SetShowRightScale(k.right);
        c.g->SetRightYMin(150);
        c.g->SetRightScaleStep(150);
        c.g->CalcRegion();
        TRecordingCanvas canvas(TSize(1000, 300));
        c.g->PaintYScale(&canvas);
        EXPECT_EQ(texts(canvas), k.labels);
        std::vector<int> lines;
        for (const TCanvasOp& op : canvas.Ops())
            if (op.Kind == TCanvasOpKind::LineTo) lines.push_back(op.Points.back().y);
        if (k.firstLineUp < 0) {
            EXPECT_TRUE(lines.empty());
        } else {
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(c.g->RegionBottom - 1 - lines.front(), k.firstLineUp);
        }
        // Each label sits 4 pixels left of the plot, centred on its grid line (one above it).
        for (const TCanvasOp& op : canvas.Ops()) {
            if (op.Kind != TCanvasOpKind::TextOut || op.Points[0].x > c.g->RegionLeft) continue;
            int w = 7 * op.Text.Length();
            EXPECT_EQ(op.Points[0].x, c.g->RegionLeft - w - 4) << op.Text;
        }
    }
}

// ---- The line rule ---------------------------------------------------------------------------------

// The LineTo ends (and MoveTo starts) of graph drawing, as (kind, x, y, colour).
struct Stroke {
    char kind;
    int x, y;
    TColor color;
    bool operator==(const Stroke&) const = default;
};

std::vector<Stroke> strokes(const TRecordingCanvas& c) {
    std::vector<Stroke> out;
    for (const TCanvasOp& op : c.Ops()) {
        if (op.Kind == TCanvasOpKind::MoveTo) out.push_back({'M', op.Points[0].x, op.Points[0].y, op.PenColor});
        if (op.Kind == TCanvasOpKind::LineTo) out.push_back({'L', op.Points.back().x, op.Points.back().y, op.PenColor});
    }
    return out;
}

TEST(LevelGraphPaint, LinesBreakAtEmptySlotsStrokeMinMaxNearestFirstAndColourAlarms) {
    // Plot 0..100 over 100 pixels and 10 slots of 10 pixels: slot j at x = 10 j, value v at y = 99 - v.
    guitest::EnsureApp();
    TLevelGraph g(nullptr);
    g.SetGraphLeft(0);
    g.SetGraphTop(0);
    g.SetGraphSubWidth(0);
    g.SetGraphSubHeight(0);
    g.SetYMax(100);
    g.SetYLabelStep(10);
    g.SetXLabelStep(OneHour);
    g.SetNewStartTime(At(15, 7, 0, 0));
    g.SetNewStopTime(At(15, 7, 10, 0));
    g.SetNewIntervalAccepted(true);
    g.Bitmap->SetSize(99, 99);
    g.CalcRegion();
    ASSERT_EQ(g.IntervalPointCount(), 10);
    ASSERT_EQ(g.XScaleK, 10);
    ASSERT_EQ(g.YScaleK, 1);
    g.GetGraphPen(0)->SetColor(clBlue);
    auto at = [](int slot) { return At(15, 7, slot, 0); };
    // Slot 0 alone (isolated: nothing drawn), slot 2 = 45, slot 3 = 10..50, slot 4 = 30 alarm, slot 5 = 20.
    g.AddPoint(0, at(0), 70);
    g.AddPoint(0, at(2), 45);
    g.AddPoint(0, at(3), 10);
    g.AddPoint(0, at(3), 50);
    g.AddPoint(0, at(4), 30, true);
    g.AddPoint(0, at(5), 20);
    TRecordingCanvas canvas(TSize(100, 100));
    g.PaintGraphs(&canvas);
    std::vector<Stroke> want = {
        {'M', 0, 29, clBlue},   // slot 0 starts a line and draws nothing
        {'M', 20, 54, clBlue},  // slot 2 after the empty slot 1 starts again
        {'L', 30, 49, clBlue},  // to 50, nearer to 45 ...
        {'L', 30, 89, clBlue},  // ... then down to 10
        {'L', 40, 69, clRed},   // the alarm slot in the alarm colour
        {'L', 50, 79, clBlue},  // and the next one in the pen's colour again
    };
    EXPECT_EQ(strokes(canvas), want);

    // Without the presence flags, empty slots pull the line to 0.
    g.SetEnablePresentArray(false);
    canvas.Log().Clear();
    g.PaintGraphs(&canvas);
    std::vector<Stroke> all = strokes(canvas);
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[1].y, 99);  // slot 1, value 0, at the bottom edge
}

// ---- Cursor, keys and mouse ------------------------------------------------------------------------

struct ShownChart {
    std::unique_ptr<TForm> form;
    TLevelGraph* g = nullptr;
    int changes = 0;
    std::vector<TMouseButton> handled;
    void onChange(TObject*) { ++changes; }
    void onMouse(TObject*, TMouseButton b, TShiftState, int, int) { handled.push_back(b); }
    ShownChart() {
        guitest::EnsureApp();
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 800, 400);
        g = new TLevelGraph(form.get());
        g->SetParent(form.get());
        g->SetBounds(0, 0, 764, 300);
        g->SetTabStop(true);
        g->SetShowCursor(true);
        g->SetYMax(100);
        g->SetYLabelStep(20);
        g->SetXLabelStep(OneHour);
        g->SetGraphLeft(50);
        g->SetNewStartTime(At(15, 7, 0, 0));
        g->SetNewStopTime(At(15, 18, 59, 59));
        g->SetNewCursorTime(At(15, 7, 0, 0));
        g->SetNewIntervalAccepted(true);
        g->OnChange = TNotifyEvent(this, &ShownChart::onChange);
        guitest::ShowForm(form.get());
        g->SetFocus();
        guitest::Pump();
    }
};

TEST(LevelGraphInput, ArrowKeysStepTheCursorInsideTheWindow) {
    ShownChart c;
    guitest::Key(VK_LEFT, 0, c.g);
    EXPECT_EQ(c.g->CursorTime(), At(15, 7, 0, 0));  // at the start: consumed, not moved
    EXPECT_EQ(c.changes, 0);
    guitest::Key(VK_RIGHT, 0, c.g);
    EXPECT_EQ(FormatDateTime("hh:nn:ss", c.g->CursorTime()), AnsiString("07:01:00"));
    EXPECT_EQ(c.changes, 1);
    guitest::Key(VK_LEFT, 0, c.g);
    EXPECT_EQ(c.changes, 2);
    EXPECT_EQ(MilliSecondsBetweenRounded(At(15, 7, 0, 0), c.g->CursorTime()), 0);

    // Half a step before the stop the cursor may still step once, past the stop.
    c.g->SetCursorTime(At(15, 18, 59, 29));
    guitest::Key(VK_RIGHT, 0, c.g);
    EXPECT_EQ(FormatDateTime("hh:nn:ss", c.g->CursorTime()), AnsiString("19:00:29"));
    guitest::Key(VK_RIGHT, 0, c.g);
    EXPECT_EQ(FormatDateTime("hh:nn:ss", c.g->CursorTime()), AnsiString("19:00:29"));
}

TEST(LevelGraphInput, ClicksMoveTheCursorUnlessARightPressHasAHandler) {
    ShownChart c;
    c.g->CalcRegion();
    guitest::Click(c.g, TPoint(c.g->RegionLeft, 100));
    EXPECT_EQ(c.g->CursorTime(), At(15, 7, 0, 0));
    EXPECT_EQ(c.changes, 1);

    TDateTime before = c.g->CursorTime();
    c.g->OnMouseDown = TMouseEvent(&c, &ShownChart::onMouse);
    guitest::Click(c.g, TPoint(400, 100), mbRight);
    EXPECT_EQ(c.handled, std::vector<TMouseButton>{mbRight});
    EXPECT_EQ(c.g->CursorTime(), before);
    EXPECT_EQ(c.changes, 1);

    // A left press goes to the cursor even with a handler.
    guitest::Click(c.g, TPoint(400, 100));
    EXPECT_GT(c.g->CursorTime(), before);
    EXPECT_EQ(c.handled.size(), 1u);
}

// ---- Export and painting ---------------------------------------------------------------------------

TEST(LevelGraphPaint, ExportedPictureHasTheAskedSizeAndTheScreenGetsItsOwnBack) {
    ShownChart c;
    c.g->SetGraphSubWidth(40);
    c.g->GetGraphPen(0)->SetColor(clRed);
    c.g->GetGraphPen(0)->SetWidth(3);
    c.g->CalcRegion();
    for (int m = 0; m < 720; ++m) c.g->AddPoint(0, At(15, 7, 0, 0) + m * OneMinute, 50);
    c.g->ExportImage(1000, 200, true);
    EXPECT_EQ(c.g->Bitmap->Width(), 1000);
    EXPECT_EQ(c.g->Bitmap->Height(), 200);
    EXPECT_EQ(c.g->RegionRight, 1000 - 40);
    // The line at 50 runs through the middle of the plot in the pen's colour; the white background.
    TCanvas* bc = c.g->Bitmap->Canvas();
    int y = static_cast<int>(c.g->YToScreen(50));
    bool red = false;
    for (int dy = -2; dy <= 2; ++dy) red = red || ColorToRGB(bc->Pixels(500, y + dy)) == clRed;
    EXPECT_TRUE(red);
    EXPECT_EQ(ColorToRGB(bc->Pixels(500, c.g->RegionTop + 5)), clWhite);
    EXPECT_EQ(ColorToRGB(bc->Pixels(5, 5)), clWhite);

    c.g->Repaint();
    guitest::Pump();
    EXPECT_EQ(c.g->Bitmap->Width(), 764);
    EXPECT_EQ(c.g->Bitmap->Height(), 300);
    EXPECT_EQ(c.g->RegionRight, 764 - 40);
    EXPECT_EQ(guitest::Pixel(c.g, 5, 5), ColorToRGB(clSilver));
}

TEST(LevelGraphPaint, StopLabelSitsAnEighthOfItsWidthLeftOfThePlotEdge) {
    DayChart c;
    c.g->SetMaxXLabel(true);
    c.g->SetMinXLabel(false);
    c.g->SetGraphSubWidth(40);
    c.g->SetScaleXFormat("hh:mm");
    c.g->CalcRegion();
    TRecordingCanvas canvas(TSize(1000, 300));
    c.g->PaintXScale(&canvas, -1);
    std::vector<TCanvasOp> ops = canvas.Log().OfKind(TCanvasOpKind::TextOut);
    ASSERT_FALSE(ops.empty());
    const TCanvasOp& stop = ops.back();
    EXPECT_EQ(stop.Text, AnsiString("06:59"));
    EXPECT_EQ(stop.Points[0], TPoint(c.g->RegionRight - 35 / 8, c.g->RegionBottom + 2));
    // The grid labels every two hours, from 10:00.
    EXPECT_EQ(ops.front().Text, AnsiString("10:00"));
    EXPECT_EQ(ops.size(), 12u);  // 10:00 .. 06:00 and the stop
}

// ---- Pen colour file -------------------------------------------------------------------------------

TEST(LevelGraphPens, ColourFileRoundTripKeepsSystemColours) {
    guitest::EnsureApp();
    AnsiString dir = GetCurrentDir();
    AnsiString file = dir + "/GraphColorsTest_" + IntToStr(::getpid()) + ".INI";
    DeleteFile(file);
    WritePrivateProfileString("LevelGraphP", "pc1", "16711680", file);
    WritePrivateProfileString("LevelGraphP", "pw1", "3", file);
    {
        TLevelGraph g(nullptr);
        g.SetName("LevelGraphP");
        g.SetIniName(file);
        EXPECT_EQ(g.GetGraphPen(1)->Color(), clBlue);
        EXPECT_EQ(g.GetGraphPen(1)->Width(), 3);
        EXPECT_EQ(g.GetGraphPen(2)->Color(), clBlack);  // missing keys leave the pen
        g.GetGraphPen(2)->SetColor(clBtnFace);
        g.GetGraphPen(3)->SetColor(clWindowText);
    }  // saved on destruction
    EXPECT_EQ(GetPrivateProfileString("LevelGraphP", "pc1", "", file), AnsiString("16711680"));
    {
        TLevelGraph g(nullptr);
        g.SetName("LevelGraphP");
        g.SetIniName(".\\" + ExtractFileName(file));
        EXPECT_EQ(g.GetGraphPen(2)->Color(), clBtnFace);
        EXPECT_EQ(g.GetGraphPen(3)->Color(), clWindowText);
        g.SetIniName("");
    }
    DeleteFile(file);
}

}  // namespace
