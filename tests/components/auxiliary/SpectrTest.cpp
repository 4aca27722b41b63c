// The spectrum chart: energies, peaks, the view window, automatic limits, a shrinking spectrum, the
// picture, the cursor, mouse, keys and wheel, and export.
#include "components/auxiliary/Spectr.h"

#include "gui/Forms.h"
#include "gui/WinApi.h"
#include "testlib/gui/GuiHarness.h"
#include "ChartTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using auxtest::Texts;

std::unique_ptr<TSpectr> MakeSpectr() {
    guitest::EnsureApp();
    return std::make_unique<TSpectr>(nullptr);
}

// 16 channels over a 150 x 100 plot without margins: channel i at x = 10 i, count v at y = 100 - v.
std::unique_ptr<TSpectr> SmallSpectr() {
    auto s = MakeSpectr();
    s->SetSize(16);
    s->SetBounds(0, 0, 150, 100);
    s->SetSpectrLeft(0);
    s->SetSpectrTop(0);
    s->SetSpectrSubWidth(0);
    s->SetSpectrSubHeight(0);
    s->SetYMax(100);
    s->Bitmap()->SetSize(150, 100);
    s->CalcRegion();
    return s;
}

// ---- Data ---------------------------------------------------------------------------------------------------

TEST(SpectrData, EnergiesAndTheirChannels) {
    auto s = MakeSpectr();
    EXPECT_EQ(s->Size(), 512);
    EXPECT_EQ(s->Energy(0), 0.0);
    EXPECT_EQ(s->Energy(1), 0.0068359375);
    EXPECT_EQ(s->Energy(511), 511 * 0.0068359375);
    EXPECT_EQ(s->EnergyToIndex(0.5), 74);
    EXPECT_EQ(s->EnergyToIndex(0), 1);
    EXPECT_EQ(s->EnergyToIndex(10), 511);
    struct Case {
        double v, step, start;
    } cases[] = {{10, 5, 15}, {-7, 5, -5}, {5, 5, 10}, {0, 5, 0}, {3, 0, 0}, {3, -1, 0}, {0.3, 0.25, 0.5}};
    for (const Case& k : cases) EXPECT_EQ(TSpectr::CalcStartNetPoint(k.v, k.step), k.start) << k.v << " " << k.step;
}

TEST(SpectrData, PeakTextsParseOnlyWhenWhole) {
    auto s = MakeSpectr();
    struct Case {
        const char* text;
        bool ok;
        int left, centre, right;
    } cases[] = {
        {"12[30]45", true, 12, 30, 45},
        {"100[205]310", true, 100, 205, 310},
        {"1[5]9", false, 0, 0, 0},  // a centre needs two characters between the brackets
        {"1[05]9", true, 1, 5, 9},
        {"[30]45", false, 0, 0, 0},
        {"12[30", false, 0, 0, 0},
        {"12[30]", false, 0, 0, 0},
        {"12[3x]45", false, 0, 0, 0},
        {"a[30]45", false, 0, 0, 0},
    };
    for (const Case& k : cases) s->PicList()->Add(k.text);
    EXPECT_EQ(s->PickCount(), static_cast<int>(std::size(cases)));
    for (int n = 0; n < s->PickCount(); ++n) {
        const Case& k = cases[n];
        SCOPED_TRACE(k.text);
        int l = -2, c = -2, r = -2;
        EXPECT_EQ(s->PickLCR(n, l, c, r), k.ok);
        if (k.ok) {
            EXPECT_EQ(l, k.left);
            EXPECT_EQ(c, k.centre);
            EXPECT_EQ(r, k.right);
        }
        EXPECT_EQ(s->PickLeft(n), k.ok ? k.left : -1);
        EXPECT_EQ(s->PickRight(n), k.ok ? k.right : -1);
    }
    int l, c, r;
    EXPECT_FALSE(s->PickLCR(-1, l, c, r));
    EXPECT_FALSE(s->PickLCR(s->PickCount(), l, c, r));
    // The peak table has no records of its own.
    EXPECT_FALSE(s->ErasePick(0));
    EXPECT_EQ(s->PointInPick(20), 0);
    // A caller's list is used as it is, and the chart's own comes back for null.
    TStringList mine;
    mine.Add("2[10]20");
    s->SetPicList(&mine);
    EXPECT_EQ(s->PickLeft(0), 2);
    s->SetPicList(nullptr);
    EXPECT_EQ(s->PickCount(), static_cast<int>(std::size(cases)));
}

TEST(SpectrData, ViewWindowSettersCorrectTheirValues) {
    auto s = MakeSpectr();
    struct Case {
        const char* what;
        bool left;  // which limit is set
        int value;
        int leftAfter, rightAfter, cursorAfter;
    } cases[] = {
        {"right at 10: the whole spectrum", false, 10, 0, 511, 0},
        {"right past the channels", false, 600, 0, 511, 0},
        {"right 200", false, 200, 0, 200, 0},
        {"left 100: cursor to the middle", true, 100, 100, 200, 150},
        {"left at the right limit", true, 200, 0, 200, 150},
        {"left negative", true, -3, 0, 200, 150},
        {"left 50", true, 50, 50, 200, 150},
        {"right at the left limit", false, 50, 50, 511, 150},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        if (k.left) s->SetLeftViewLimit(k.value);
        else s->SetRightViewLimit(k.value);
        EXPECT_EQ(s->LeftViewLimit(), k.leftAfter);
        EXPECT_EQ(s->RightViewLimit(), k.rightAfter);
        EXPECT_EQ(s->CursorPosition(), k.cursorAfter);
    }
}

TEST(SpectrData, AutomaticLimitsAndCountScale) {
    struct Case {
        const char* what;
        std::vector<double> counts;  // channels 0.. of the view window, the rest 0
        bool autoMinMax, autoScale;
        double yMaxSet;  // 0: left as it is
        double yMin, yMax;
        double step;
        const char* format;
    } cases[] = {
        {"flat zeros", {}, true, false, 0, 0, 11.5, 10, "####0"},
        {"a peak of 110", {0, 110}, true, false, 0, 0, 126.5, 10, "####0"},
        {"range 37", {}, false, true, 37, 0, 37, 5, "###0"},
        {"range 1.5", {}, false, true, 1.5, 0, 1.5, 0.5, "#0.00"},
        {"range 0.3: raised to 1.1 units", {}, false, true, 0.3, 0, 0.55, 0.5, "#0.00"},
        {"range 0.02", {}, false, true, 0.02, 0, 0.055, 0.05, "#0.000"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        auto s = MakeSpectr();
        s->SetAutoYMin(k.autoMinMax);
        s->SetAutoYMax(k.autoMinMax);
        s->SetAutoYScale(k.autoScale);
        if (k.yMaxSet != 0) s->SetYMax(k.yMaxSet);
        for (std::size_t i = 0; i < k.counts.size(); ++i) s->Counts()[i] = k.counts[i];
        s->CheckAutoLimits();
        EXPECT_DOUBLE_EQ(s->YMin(), k.yMin);
        EXPECT_DOUBLE_EQ(s->YMax(), k.yMax);
        EXPECT_DOUBLE_EQ(s->ScaleYStep(), k.step);
        EXPECT_EQ(s->ScaleYFormat(), AnsiString(k.format));
    }
}

TEST(SpectrData, ShrinkingTheSpectrumKeepsEveryIndexInsideTheCounts) {
    // Run under the address sanitizer: the view window, cursor, limits and peaks of 512 channels must
    // not reach past 16.
    auto s = MakeSpectr();
    s->SetRightLimit(400);
    s->SetShowRightLimit(true);
    s->SetCursorPosition(300);
    s->SetShowCursor(true);
    s->SetCrossCursor(true);
    s->SetAutoYMin(true);
    s->SetAutoYMax(true);
    s->SetSize(16);
    EXPECT_EQ(s->LeftViewLimit(), 0);
    EXPECT_EQ(s->RightViewLimit(), 15);
    EXPECT_EQ(s->CursorPosition(), 15);
    EXPECT_EQ(s->RightLimit(), 15);
    EXPECT_EQ(s->Energy(15), 15 * 3.5 / 16);
    s->SetShowPics(true);
    s->PicList()->Add("100[200]300");  // written for the long spectrum: not drawn
    s->PicList()->Add("10[12]14");
    TCanvasRecorder rec;
    SetDefaultCanvasRecorder(&rec);
    s->ExportImage(300, 200, true);
    SetDefaultCanvasRecorder(nullptr);
    EXPECT_EQ(rec.OfKind(TCanvasOpKind::Polygon).size(), 2u);  // the spectrum and one peak

    // One channel: no energy range, and a cursor set past it reads the one count there is.
    s->SetSize(0);
    EXPECT_EQ(s->Size(), 16);
    s->SetSize(1);
    EXPECT_EQ(s->RightViewLimit(), 0);
    s->SetCursorPosition(5);
    rec.Clear();
    SetDefaultCanvasRecorder(&rec);
    s->ExportImage(300, 200, false);
    SetDefaultCanvasRecorder(nullptr);
    EXPECT_EQ(Texts(rec.Ops), (std::vector<std::string>{"0", "10"}));  // count labels only
}

TEST(SpectrData, DemoDataMakesTwoPeaks) {
    auto s = MakeSpectr();
    s->SetDemoData(true);
    ASSERT_EQ(s->PickCount(), 2);
    EXPECT_EQ(s->PicList()->Strings(0), AnsiString("154[179]204"));
    EXPECT_EQ(s->PicList()->Strings(1), AnsiString("300[332]364"));
    double inPeak = 0, total = 0;
    for (int i = 0; i < 512; ++i) {
        total += s->Counts()[i];
        if (i >= 154 && i <= 204) inPeak += s->Counts()[i];
    }
    EXPECT_GT(total, 5000);
    EXPECT_GT(inPeak, 1800);  // about two thirds of 3000 within one deviation
    s->SetDemoData(false);
    EXPECT_EQ(s->PickCount(), 0);
    EXPECT_EQ(s->Counts()[179], 0.0);
}

// ---- Drawing ----------------------------------------------------------------------------------------------

TEST(SpectrPaint, FilledOrOpenOutlineFromBottomLeftToBottomRight) {
    auto s = SmallSpectr();
    s->SetRightViewLimit(15);
    s->Counts()[0] = 10;
    s->Counts()[1] = 50;
    s->Counts()[15] = 20;
    struct Case {
        int viewMode;
        bool histogram;
        TCanvasOpKind kind;
        std::vector<TPoint> head;  // the first points
        int points;
    } cases[] = {
        {0, false, TCanvasOpKind::Polygon, {{0, 100}, {0, 90}, {10, 50}, {20, 100}}, 18},
        {1, false, TCanvasOpKind::Polyline, {{0, 100}, {0, 90}, {10, 50}, {20, 100}}, 18},
        {1, true, TCanvasOpKind::Polyline, {{0, 100}, {0, 90}, {10, 90}, {10, 50}, {20, 50}}, 34},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.viewMode);
        s->SetViewMode(k.viewMode);
        s->SetGistogramMode(k.histogram);
        TRecordingCanvas canvas(TSize(150, 100));
        s->PaintSpectr(&canvas);
        std::vector<TCanvasOp> ops = canvas.Log().OfKind(k.kind);
        ASSERT_EQ(ops.size(), 1u);
        const std::vector<TPoint>& p = ops[0].Points;
        ASSERT_EQ(static_cast<int>(p.size()), k.points);
        EXPECT_EQ(std::vector<TPoint>(p.begin(), p.begin() + k.head.size()), k.head);
        EXPECT_EQ(p.back(), TPoint(150, 100));
        EXPECT_EQ(p[p.size() - 2].y, 80);  // channel 15
        EXPECT_EQ(s->ViewWindowSum(), 80);
    }
}

TEST(SpectrPaint, CursorStandsOnItsChannelOrInTheMiddleOfItsStep) {
    auto s = SmallSpectr();
    s->SetCursorPosition(4);
    s->Counts()[4] = 30;
    for (bool histogram : {false, true}) {
        SCOPED_TRACE(histogram);
        s->SetGistogramMode(histogram);
        s->SetCrossCursor(true);
        TRecordingCanvas canvas(TSize(150, 100));
        s->PaintCursor(&canvas);
        std::vector<TCanvasOp> lines = canvas.Log().OfKind(TCanvasOpKind::LineTo);
        ASSERT_EQ(lines.size(), 2u);
        int x = histogram ? 45 : 40;
        EXPECT_EQ(lines[0].Points, (std::vector<TPoint>{{x, 100}, {x, 0}}));
        EXPECT_EQ(lines[1].Points, (std::vector<TPoint>{{0, 70}, {150, 70}}));
    }
}

TEST(SpectrPaint, EnergyLabelsArePulledInsideThePicture) {
    auto s = SmallSpectr();
    s->SetShowScaleY(false);
    s->SetShowNet(false);
    s->SetScaleXStep(1.0);
    s->SetScaleXFormat("#0.000");
    s->SetScaleXTop(3);
    TRecordingCanvas canvas(TSize(150, 100));
    s->PaintNet(&canvas);
    std::vector<TCanvasOp> labels = canvas.Log().OfKind(TCanvasOpKind::TextOut);
    // Energies 0, 1, 2, 3 fall on channels 1, 5, 10, 14; the labels (locale separator) are 35 pixels wide.
    ASSERT_EQ(Texts(canvas.Ops()), (std::vector<std::string>{"0,000", "1,000", "2,000", "3,000"}));
    EXPECT_EQ(labels[0].Points[0], TPoint(2, 103));         // would start at -7
    EXPECT_EQ(labels[1].Points[0], TPoint(32, 103));        // centred: 50 - 17.5
    EXPECT_EQ(labels[2].Points[0], TPoint(82, 103));
    EXPECT_EQ(labels[3].Points[0], TPoint(150 - 35 - 2, 103));  // would end at 157
}

TEST(SpectrPaint, StepsThatCannotBeSteppedLeaveTheirGridOut) {
    auto s = SmallSpectr();
    s->SetScaleYStep(0);
    s->SetScaleXStep(-0.5);
    TRecordingCanvas canvas(TSize(150, 100));
    s->PaintNet(&canvas);
    EXPECT_EQ(canvas.Log().Count(), 0) << canvas.Log().Dump();
}

TEST(SpectrPaint, ExportDrawsInBlackWithAFrame) {
    auto s = SmallSpectr();
    s->Counts()[3] = 40;
    s->SetShowLeftLimit(true);
    s->LeftLimitPen()->SetColor(clRed);
    s->SetShowPics(true);
    s->PicList()->Add("2[03]5");
    TCanvasRecorder rec;
    SetDefaultCanvasRecorder(&rec);
    s->ExportImage(300, 200, true);
    SetDefaultCanvasRecorder(nullptr);
    EXPECT_EQ(s->Bitmap()->Width(), 300);
    EXPECT_EQ(s->Bitmap()->Height(), 200);
    for (const TCanvasOp& op : rec.Ops) {
        if (op.Kind == TCanvasOpKind::LineTo || op.Kind == TCanvasOpKind::Polyline) { EXPECT_EQ(op.PenColor, clBlack); }
        if (op.Kind == TCanvasOpKind::TextOut) { EXPECT_EQ(op.FontColor, clBlack); }
    }
    std::vector<TCanvasOp> polys = rec.OfKind(TCanvasOpKind::Polygon);
    ASSERT_EQ(polys.size(), 2u);
    EXPECT_EQ(polys[1].BrushColor, clBlack);  // the peak
    std::vector<TCanvasOp> frame = rec.OfKind(TCanvasOpKind::Polyline);
    ASSERT_EQ(frame.size(), 1u);
    EXPECT_EQ(frame[0].Points, (std::vector<TPoint>{{1, 1}, {299, 1}, {299, 199}, {1, 199}, {1, 1}}));
}

// ---- On the screen -----------------------------------------------------------------------------------------

struct ShownSpectr {
    std::unique_ptr<TForm> form;
    TSpectr* s = nullptr;
    int moves = 0, wheels = 0;
    std::vector<TMouseButton> downs;
    ShownSpectr() {
        guitest::EnsureApp();
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 500, 300);
        s = new TSpectr(form.get());
        s->SetParent(form.get());
        s->SetBounds(0, 0, 400, 200);
        s->SetTabStop(true);
        s->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState, int, int) { downs.push_back(b); };
        guitest::ShowForm(form.get());
        guitest::Pump();
    }
    void countMoves() {
        s->OnCursorMove = [this](TObject*) { ++moves; };
    }
};

TEST(SpectrScreen, ClicksKeysAndTheRightButtonOption) {
    ShownSpectr v;
    v.countMoves();
    // Plot 50..370 over channels 0..511: 0.625 pixels per channel.
    guitest::Click(v.s, TPoint(50 + 100, 100));
    EXPECT_EQ(v.s->CursorPosition(), 159);
    EXPECT_EQ(v.moves, 1);
    EXPECT_TRUE(v.s->Focused());
    guitest::Click(v.s, TPoint(50 + 200, 100), mbRight);
    EXPECT_EQ(v.s->CursorPosition(), 159);
    v.s->SetMoveOnRightClick(true);
    guitest::Click(v.s, TPoint(50 + 200, 100), mbRight);
    EXPECT_EQ(v.s->CursorPosition(), 319);
    EXPECT_EQ(v.downs, (std::vector<TMouseButton>{mbLeft, mbRight, mbRight}));

    // The arrows walk every channel, outside the view window too, and stop at the ends.
    v.s->SetRightViewLimit(400);
    v.s->SetCursorPosition(511);
    guitest::Key(VK_RIGHT, 0, v.s);
    EXPECT_EQ(v.s->CursorPosition(), 511);
    guitest::Key(VK_LEFT, 0, v.s);
    EXPECT_EQ(v.s->CursorPosition(), 510);
    v.s->SetCursorPosition(0);
    guitest::Key(VK_LEFT, 0, v.s);
    EXPECT_EQ(v.s->CursorPosition(), 0);
}

TEST(SpectrScreen, TheWheelCountsOnlyForACursorHandler) {
    ShownSpectr v;
    v.s->OnMouseWheel = [&](TObject*) { ++v.wheels; };
    guitest::Wheel(v.s, TPoint(100, 100), 120);
    EXPECT_EQ(v.wheels, 1);
    EXPECT_EQ(v.s->WheelCounter(), 0);
    v.countMoves();
    guitest::Wheel(v.s, TPoint(100, 100), -120);
    guitest::Wheel(v.s, TPoint(100, 100), -120);
    EXPECT_EQ(v.wheels, 3);
    EXPECT_EQ(v.s->WheelCounter(), -240);
}

TEST(SpectrScreen, LeftMarginSettlesOnTheCountLabels) {
    struct Case {
        const char* what;
        double yMin, yMax;
        bool labels;
    } cases[] = {
        {"labels 0 .. 40", 0, 50, true},
        {"no count label between the limits", 100, 105, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        ShownSpectr v;
        v.s->SetYMax(k.yMax);
        v.s->SetYMin(k.yMin);
        v.s->SetAutoSpectrLeft(true);
        int previous = -1;
        int paints = 0;
        while (paints < 20 && v.s->SpectrLeft() != previous) {
            previous = v.s->SpectrLeft();
            v.s->Repaint();
            ++paints;
        }
        EXPECT_LT(paints, 20);
        if (k.labels) {
            EXPECT_LT(v.s->SpectrLeft(), 50);
        } else {
            EXPECT_EQ(v.s->SpectrLeft(), 50);
        }
        EXPECT_GE(v.s->SpectrLeft(), 0);
        // Settled: no further paint is asked for.
        int before = v.s->PaintCount();
        guitest::Pump();
        guitest::Pump();
        EXPECT_LE(v.s->PaintCount(), before + 1);
    }
}

TEST(SpectrScreen, CountsThatCannotBePlacedBeepAtEveryPaintWithoutABox) {
    ShownSpectr v;
    guitest::MessageBoxRecorder boxes;
    v.s->Counts()[100] = std::numeric_limits<double>::quiet_NaN();
    v.s->StyleChanged(nullptr);
    ResetBeepCount();
    v.s->Repaint();
    EXPECT_EQ(BeepCount(), 1);
    v.s->Repaint();
    EXPECT_EQ(BeepCount(), 2);
    EXPECT_EQ(boxes.Count(), 0);
    v.s->Counts()[100] = 3;
    v.s->StyleChanged(nullptr);
    v.s->Repaint();
    EXPECT_EQ(BeepCount(), 2);
}

}  // namespace
