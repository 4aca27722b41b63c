// TMonGraph: construction, properties, the per-graph arrays, the time axis, conversions and the
// automatic limits.
#include "components/auxiliary/MonGraph.h"

#include "rtl/MathUtils.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

namespace {

// A whole number as an int, clamped to the int range (second indexes of absurd intervals).
int clampToInt(long long v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

// The candidate seconds between time labels, smallest first.
constexpr int TimeSteps[] = {10,    20,    30,    60,    120,   300,    600,    1200,   1800,    3600,   7200,
                             14400, 21600, 28800, 43200, 86400, 172800, 432000, 864000, 1296000, 2592000};

// The candidate value grid steps, smallest first.
constexpr double ValueSteps[] = {1e-5, 2e-5, 5e-5, 1e-4, 2e-4, 5e-4, 0.001, 0.002, 0.005, 0.01,
                                 0.02, 0.05, 0.1,  0.2,  0.5,  1,    2,     5,     10,    20,
                                 50,   100,  200,  500,  1000, 2000, 5000,  10000};

// Default colours of the first six graphs.
constexpr TColor DefaultGraphColors[] = {0x00FFFF, 0x008000, 0xFF0000, 0x00FF00, 0x000000, 0x800000};

}  // namespace

TMonGraph::TMonGraph(TComponent* owner) : TCustomControl(owner), picture_(std::make_unique<TBitmap>()) {
    miniLabelsTime_ = EncodeTime(0, 20, 0, 0);
    SetBounds(Left(), Top(), 210, 100);
    picture_->SetSize(Width(), Height());
    for (int i = 0; i < MaxGraphs; ++i) {
        paintNums_[i] = i;
        pens_[i] = std::make_unique<TPen>();
        visible_[i] = true;
    }
    auto hook = TNotifyEvent(this, &TMonGraph::StyleChanged);
    netPen_ = std::make_unique<TPen>();
    netPen_->OnChange = hook;
    scaleFont_ = std::make_unique<TFont>();
    scaleFont_->OnChange = hook;
    cursorPen_ = std::make_unique<TPen>();
    cursorPen_->SetMode(pmNotXor);
    cursorPen_->OnChange = hook;
    borderPen_ = std::make_unique<TPen>();
    borderPen_->OnChange = hook;
    start_ = Date() - 1;
    startDate_ = std::trunc(start_);
    startTime_ = start_ - startDate_;
    cursorTime_ = start_;
    intervalSize_ = 0;  // so that setting 720 places the stop
    SetIntervalSize(720);
    ResetGraphics();
}

TMonGraph::~TMonGraph() {
    for (TPen* p : {netPen_.get(), borderPen_.get(), cursorPen_.get()}) p->OnChange = nullptr;
    scaleFont_->OnChange = nullptr;
}

void TMonGraph::Change() {
    if (OnChange) OnChange(this);
}

void TMonGraph::redraw() {
    redraw_ = true;
    Invalidate();
}

void TMonGraph::StyleChanged(TObject*) { redraw(); }

// ---- Arrays ---------------------------------------------------------------------------------------------

bool TMonGraph::hasArrays(int graph) const {
    // A graph's arrays cover columns 0..GraphSize; arrays left shorter by a later growth of GraphSize
    // count as missing until the graph is reset again.
    return arrays_[graph].min.size() > static_cast<std::size_t>(graphSize_);
}

bool TMonGraph::inRange(int col, int graph) const {
    return graph >= 0 && graph < graphCount_ && col >= 0 && col <= graphSize_ && hasArrays(graph);
}

bool TMonGraph::growArrays(int graph) {
    GraphArrays& a = arrays_[graph];
    std::size_t n = static_cast<std::size_t>(graphSize_) + 1;
    if (a.min.size() >= n) return true;
    // The four grow together or not at all: hasArrays reads only the first, so arrays of different
    // lengths would let a point past the end of a shorter one.
    try {
        GraphArrays grown{a.min, a.max, a.alarm, a.present};
        grown.min.resize(n, 0.0);
        grown.max.resize(n, 0.0);
        grown.alarm.resize(n, 0);
        grown.present.resize(n, 0);
        a = std::move(grown);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void TMonGraph::clearArrays(int graph) {
    GraphArrays& a = arrays_[graph];
    std::size_t n = static_cast<std::size_t>(graphSize_) + 1;
    std::fill_n(a.min.begin(), n, 0.0);
    std::fill_n(a.max.begin(), n, 0.0);
    std::fill_n(a.alarm.begin(), n, 0);
    std::fill_n(a.present.begin(), n, 0);
}

void TMonGraph::ResetGraphics() {
    for (int g = 0; g < graphCount_; ++g) {
        if (palettePending_ && g < static_cast<int>(std::size(DefaultGraphColors)))
            pens_[g]->SetColor(DefaultGraphColors[g]);
        if (growArrays(g)) clearArrays(g);
    }
    palettePending_ = false;
    currentGraph_ = 0;
}

bool TMonGraph::ResetGraphData(int graph, bool repaint) {
    if (graph < 0 || graph >= graphCount_ || !hasArrays(graph)) return false;
    clearArrays(graph);
    autoYMin_ = 0.0;
    autoYMax_ = 0.0;
    if (repaint) redraw();
    return true;
}

// ---- Points -------------------------------------------------------------------------------------------

void TMonGraph::AddPoint(int col, int graph, double value, bool alarm) {
    if (value == 0.0 || !inRange(col, graph)) return;
    GraphArrays& a = arrays_[graph];
    a.alarm[col] = alarm ? 1 : 0;
    a.present[col] = 1;
    double& mn = a.min[col];
    double& mx = a.max[col];
    if (mn == 0.0) {
        mn = value;
    } else if (mx != 0.0) {
        if (value > mx) mx = value;
        if (value < mn) mn = value;
    } else {
        if (value < mn) {
            mx = mn;
            mn = value;
        }
        if (value > mn) mx = value;
    }
    CheckLimits(graph, col);
}

void TMonGraph::SetPoint(int col, int graph, double min, double max, bool alarm) {
    if (!inRange(col, graph)) return;
    GraphArrays& a = arrays_[graph];
    a.min[col] = min;
    a.max[col] = max;
    a.alarm[col] = alarm ? 1 : 0;
    a.present[col] = 1;
    CheckLimits(graph, col);
}

void TMonGraph::GetPoint(int col, int graph, double& min, double& max, bool& alarm) const {
    if (!inRange(col, graph)) return;
    const GraphArrays& a = arrays_[graph];
    min = a.min[col];
    max = a.max[col];
    alarm = a.alarm[col] != 0;
}

double TMonGraph::GetGraphPoint(int graph, int col) const {
    if (!inRange(col, graph)) return 0.0;
    return arrays_[graph].min[col];
}

bool TMonGraph::SetGraphData(const double* values, int graph) {
    if (!values || graph < 0 || graph >= graphCount_ || !hasArrays(graph)) return false;
    std::copy_n(values, graphSize_, arrays_[graph].min.begin());
    Change();
    redraw();
    return true;
}

bool TMonGraph::SetGraphDataM(const double* values, int graph) {
    if (!values || graph < 0 || graph >= graphCount_ || !hasArrays(graph)) return false;
    std::copy_n(values, graphSize_, arrays_[graph].max.begin());
    redraw();
    Change();
    return true;
}

void TMonGraph::ShowGraph(int graph) {
    if (graph < 0 || graph >= graphCount_) return;
    visible_[graph] = true;
    redraw();
}

void TMonGraph::HideGraph(int graph) {
    if (graph < 0 || graph >= graphCount_) return;
    visible_[graph] = false;
    redraw();
}

bool TMonGraph::IsGraphVisible(int graph) const {
    if (graph < 0 || graph >= graphCount_) return false;
    return visible_[graph];
}

void TMonGraph::SetPaintNums(const int* nums) {
    if (!nums) return;
    std::copy_n(nums, graphCount_, paintNums_.begin());
}

// ---- Automatic limits -----------------------------------------------------------------------------------

void TMonGraph::CheckLimits(int graph, int col) {
    if (!inRange(col, graph)) return;
    const GraphArrays& g = arrays_[graph];
    if (enablePresentArray_ && g.present[col] == 0) return;
    double a = g.min[col];
    double c = g.max[col];
    double margin = 0.1 * a;
    if (a < autoYMin_) {
        autoYMin_ = a - margin;
        if (c < autoYMin_) autoYMin_ = c - margin;
    }
    if (a > autoYMax_) {
        autoYMax_ = 1.1 * a;
        if (c > autoYMax_) autoYMax_ = 1.1 * c;
    }
    if (autoYMax_ - autoYMin_ < 0.0001) autoYMax_ = autoYMin_ + 0.0001;
    if (!keepAutoLimits_) return;
    if (enableAutoYMin_ && yMin_ != autoYMin_) yMin_ = autoYMin_;
    if (yMax_ != autoYMax_) SetYMax(autoYMax_);
}

void TMonGraph::SetAutoYLimit(bool b) {
    if (b == autoYLimit_) return;
    autoYLimit_ = b;
    if (!b) return;
    double hi = -1e300, lo = 1e300;
    for (int g = 0; g < graphCount_; ++g) {
        if (!hasArrays(g)) continue;
        const GraphArrays& a = arrays_[g];
        for (int j = 0; j < graphSize_; ++j) {
            if (enablePresentArray_ && a.present[j] == 0) continue;
            for (double v : {a.min[j], a.max[j]}) {
                if (v > hi) hi = v;
                if (v < lo) lo = v;
            }
        }
    }
    autoYMin_ = lo;
    autoYMax_ = hi;
    SelectYStep();
    if (hi != -1e300) {
        yMin_ = autoYMin_;
        SetYMax(autoYMax_);
    } else {
        autoYMax_ = 1.0;
        autoYMin_ = 0.0;
        SetYMax(1);
        SetYMin(0);
    }
}

void TMonGraph::SelectYStep() {
    double range = yMax_ - yMin_;
    if (range < 1e-5) return;
    double target = yLabelOptimum_ != 0 ? range / yLabelOptimum_ : range * 0.5;
    for (double step : ValueSteps) {
        if (step >= target) {
            netDY_ = step;
            return;
        }
    }
    netDY_ = 10000;
}

void TMonGraph::SelectTimeStep() {
    int wanted = intervalSize_ <= 300 ? 4 : 6;
    int best = TimeSteps[0];
    double bestError = std::fabs(static_cast<double>(intervalSize_) / best - wanted);
    for (int step : TimeSteps) {
        double error = std::fabs(static_cast<double>(intervalSize_) / step - wanted);
        if (error < bestError) {
            bestError = error;
            best = step;
        }
    }
    timeStep_ = best;
    timeLabelFormat_ = "hh:nn:ss";
    if (best > 30) timeLabelFormat_ = "hh:nn";
    if (best > 7200) timeLabelFormat_ = "dd.mm hh:nn";
    if (best > 86399) timeLabelFormat_ = "dd.mm";
    // Labels fall on whole multiples of the step counted from the start of the year.
    int year, month, day;
    DecodeDate(start_, year, month, day);
    long long n = Trunc((start_ - EncodeDate(year, 1, 1)) * SecsPerDay + 0.5);
    firstLabelSecond_ = clampToInt(best - n % best);
}

// ---- Time axis -----------------------------------------------------------------------------------------------

void TMonGraph::CalcIntervalSize() {
    intervalSize_ = TimeToIndex(stop_) + 1;
    SelectTimeStep();
}

void TMonGraph::SetStartDateTime(TDateTime t) {
    if (t == start_) return;
    start_ = t;
    startDate_ = std::trunc(t);
    startTime_ = t - startDate_;
    CalcIntervalSize();
    realInterval_ = false;
}

void TMonGraph::SetStopDateTime(TDateTime t) {
    if (t == stop_) return;
    stop_ = t;
    stopDate_ = std::trunc(t);
    stopTime_ = t - stopDate_;
    CalcIntervalSize();
    realInterval_ = false;
}

void TMonGraph::SetStartDate(TDateTime d) {
    if (d == startDate_) return;
    startDate_ = d;
    SetStartDateTime(std::trunc(d) + (start_ - std::trunc(start_)));
}

void TMonGraph::SetStartTime(TDateTime t) {
    if (t == startTime_) return;
    startTime_ = t;
    SetStartDateTime(std::trunc(start_) + (t - std::trunc(t)));
}

void TMonGraph::SetStopDate(TDateTime d) {
    if (d == stopDate_) return;
    stopDate_ = d;
    SetStopDateTime(std::trunc(d) + (stop_ - std::trunc(stop_)));
}

void TMonGraph::SetStopTime(TDateTime t) {
    if (t == stopTime_) return;
    stopTime_ = t;
    SetStopDateTime(std::trunc(stop_) + (t - std::trunc(t)));
}

void TMonGraph::SetIntervalSize(int n) {
    if (n == intervalSize_) return;
    intervalSize_ = n;
    SetStopDateTime(IndexToTime(n - 1));
    realInterval_ = false;
}

void TMonGraph::SetRealInterval(bool b) {
    if (!b || realInterval_) return;
    CalcIntervalSize();
    realInterval_ = true;
    redraw();
}

// ---- Conversions ------------------------------------------------------------------------------------------------

int TMonGraph::TimeToIndex(TDateTime t) const { return clampToInt(Trunc((t - start_) * SecsPerDay + 0.5)); }

TDateTime TMonGraph::IndexToTime(int i) const { return start_ + i / SecsPerDay; }

int TMonGraph::IndexToX(int i) const {
    // An interval that ends before it starts has no columns to map to.
    if (intervalSize_ <= 0) return 0;
    return clampToInt(Trunc(static_cast<double>(i) * graphSize_ / intervalSize_ + 0.5));
}

int TMonGraph::XtoScreen(double col) const { return clampToInt(Trunc(plotLeft_ + col * kx_)); }

int TMonGraph::ScreenToX(double x) const {
    if (kx_ <= 0) return 0;
    double c = (x - plotLeft_) / kx_;
    if (c < 1) return 0;
    if (c >= graphSize_) return graphSize_ - 1;
    return clampToInt(Trunc(c));
}

int TMonGraph::YtoScreen(double v) const {
    if (v < yMin_) return plotBottom_;
    if (v > yMax_) return plotTop_;
    return clampToInt(Trunc(plotBottom_ - ky_ * (v - yMin_)));
}

void TMonGraph::CalcRegion() {
    plotLeft_ = addX_;
    plotTop_ = addScale_;
    plotRight_ = Width() - addScale_;
    plotBottom_ = Height() - addY_;
    kx_ = static_cast<double>(plotRight_ - plotLeft_) / graphSize_;
    double range = yMax_ - yMin_;
    ky_ = range < 0.001 ? 0.0 : (plotBottom_ - plotTop_) / range;
}

// ---- Properties ---------------------------------------------------------------------------------------------------

void TMonGraph::SetGraphCount(int v) {
    if (v < 1 || v > MaxGraphs || v == graphCount_) return;
    FreeMemory();
    graphCount_ = v;
    ResetGraphics();
    Change();
    redraw();
}

void TMonGraph::SetGraphSize(int v) {
    if (v < MinGraphSize || v > MaxGraphSize || v == graphSize_) return;
    FreeMemory();
    graphSize_ = v;
    ResetGraphics();
    Change();
    redraw();
}

void TMonGraph::SetCurrentGraph(int v) {
    if (v < 0 || v >= graphCount_) return;
    setRedraw(currentGraph_, v);
}

void TMonGraph::SetCurrentGraphPen(TPen* p) {
    if (!p) return;
    pens_[currentGraph_]->Assign(p);
    redraw();
}

TPen* TMonGraph::GraphPen(int graph) const {
    if (graph < 0 || graph >= MaxGraphs) return nullptr;
    return pens_[graph].get();
}

void TMonGraph::SetYMin(double v) {
    if (v == yMin_) return;
    yMin_ = v;
    SelectYStep();
    redraw();
}

void TMonGraph::SetYMax(double v) {
    if (v == yMax_) return;
    yMax_ = v;
    SelectYStep();
    redraw();
}

void TMonGraph::SetYLabelOptimum(int v) {
    if (v == yLabelOptimum_) return;
    yLabelOptimum_ = v;
    SelectYStep();
    redraw();
}

void TMonGraph::SetNetDY(double v) {
    if (v > 0) setRedraw(netDY_, v);
}

void TMonGraph::SetNetDX(int v) {
    if (v > 0) setRedraw(netDX_, v);
}

// The painting skips the layers these step by while they cannot be stepped (not positive, or a
// mini-label time below one second), so any value is taken.
void TMonGraph::SetLabelDY(double v) { setRedraw(labelDY_, v); }

void TMonGraph::SetLabelDX(int v) {
    if (v > 0) setRedraw(labelDX_, v);
}

void TMonGraph::SetMiniLabelStep(double v) { setRedraw(miniLabelStep_, v); }
void TMonGraph::SetMiniLabelsTime(TDateTime v) { setRedraw(miniLabelsTime_, v); }

double TMonGraph::CursorY() const { return GetGraphPoint(currentGraph_, cursorX_); }

void TMonGraph::SetCursorY(double v) {
    if (!inRange(cursorX_, currentGraph_)) return;
    arrays_[currentGraph_].min[cursorX_] = v;
    Change();
    redraw();
}

void TMonGraph::SetDemoData(bool b) {
    if (b == demoData_) return;
    demoData_ = b;
    for (int i = 0; i < graphCount_; ++i) {
        if (!hasArrays(i)) return;
        double step = 10.0 * i + 100;
        double v = i + 2000;
        std::vector<double>& mn = arrays_[i].min;
        for (int j = 0; j < graphSize_; ++j) {
            v += step;
            if (v > yMax_ || v < yMin_) {
                step = -step;
                v += step;  // back by the old step
            }
            mn[j] = b ? v : 0.0;
        }
    }
    Change();
    redraw();
}

void TMonGraph::SetNetPen(TPen* p) {
    if (!p || p == netPen_.get()) return;
    netPen_->Assign(p);
    redraw();
}

void TMonGraph::SetBorderPen(TPen* p) {
    if (p && p != borderPen_.get()) borderPen_->Assign(p);
}

void TMonGraph::SetCursorPen(TPen* p) {
    if (p && p != cursorPen_.get()) cursorPen_->Assign(p);
}

void TMonGraph::SetScaleFont(TFont* f) {
    if (f && f != scaleFont_.get()) scaleFont_->Assign(f);
}
