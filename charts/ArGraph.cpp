#include "charts/ArGraph.h"

#include "gui/WinApi.h"
#include "rtl/MathUtils.h"
#include "rtl/SysUtils.h"

#include <atomic>
#include <cmath>

namespace {

// Held while some plot releases its series tables; shared by every plot.
std::atomic<bool> releaseBusy{false};

// Series colours by index; the seventh series and those after it keep a new pen's black.
const TColor SeriesColors[] = {clRed, clBlue, clYellow, clGreen, clLime, clNavy};

}  // namespace

TArGraph::TArGraph(TComponent* owner) : TPanel(owner) {
    bitmap_ = std::make_unique<TBitmap>();
    Bitmap = bitmap_.get();
    netPen_ = std::make_unique<TPen>();
    netPen_->OnChange = TNotifyEvent(this, &TArGraph::penChanged);
    SetBevelOuter(bvNone);
    SetBounds(Left(), Top(), 210, 100);
    NeedRedraw = true;
    ResetGraphics();
}

TArGraph::~TArGraph() {
    FreeMemory();
    netPen_->OnChange = nullptr;
}

void TArGraph::penChanged(TObject*) { Refresh(); }

// ---- Series -------------------------------------------------------------------------------------------

void TArGraph::FreeMemory() {
    bool expected = false;
    while (!releaseBusy.compare_exchange_weak(expected, true)) {
        expected = false;
        Sleep(250);
    }
    // Whatever happens while the tables go, the next release is not locked out.
    struct Release {
        ~Release() { releaseBusy = false; }
    } release;
    for (auto& p : pens_) p->OnChange = nullptr;
    pens_.clear();
    data_.clear();
}

void TArGraph::ResetGraphics() {
    FreeMemory();
    for (int i = 0; i < graphCount_; ++i) {
        auto pen = std::make_unique<TPen>();
        if (i < static_cast<int>(std::size(SeriesColors))) pen->SetColor(SeriesColors[i]);
        pen->OnChange = TNotifyEvent(this, &TArGraph::penChanged);
        pens_.push_back(std::move(pen));
        data_.emplace_back(static_cast<std::size_t>(graphSize_), 0.0);
    }
    cursorX_ = 0;
    currentGraph_ = 0;
}

bool TArGraph::SetGraphData(std::span<const double> data, int graph) {
    if (graph < 0 || graph >= static_cast<int>(data_.size())) return false;
    if (data.size() < static_cast<std::size_t>(graphSize_)) return false;
    std::vector<double>& series = data_[static_cast<std::size_t>(graph)];
    series.assign(data.begin(), data.begin() + graphSize_);
    Refresh();
    return true;
}

std::span<const double> TArGraph::GraphData(int graph) const {
    if (graph < 0 || graph >= static_cast<int>(data_.size())) return {};
    return data_[static_cast<std::size_t>(graph)];
}

void TArGraph::SetGrColors(int index, TColor color) {
    if (index < 0 || index >= graphCount_ || index >= static_cast<int>(pens_.size())) return;
    pens_[static_cast<std::size_t>(index)]->SetColor(color);  // its change hook repaints
}

TColor TArGraph::GetGrColors(int index) const {
    if (index < 0 || index >= graphCount_ || index >= static_cast<int>(pens_.size())) return 0;
    return pens_[static_cast<std::size_t>(index)]->Color();
}

TPen* TArGraph::GetCurrentGraphPen() const {
    if (pens_.empty()) return netPen_.get();
    return pens_[static_cast<std::size_t>(currentGraph_)].get();
}

void TArGraph::SetCurrentGraphPen(TPen* pen) {
    if (!pen || pens_.empty()) return;
    TPen* own = pens_[static_cast<std::size_t>(currentGraph_)].get();
    if (own == pen) return;
    own->Assign(pen);
    Refresh();
}

double TArGraph::GetCursorY() const {
    if (data_.empty()) return 0;
    return data_[static_cast<std::size_t>(currentGraph_)][static_cast<std::size_t>(cursorX_)];
}

void TArGraph::SetCursorY(double v) {
    if (data_.empty()) return;
    double& point = data_[static_cast<std::size_t>(currentGraph_)][static_cast<std::size_t>(cursorX_)];
    if (point == v) return;
    point = v;
    Refresh();
}

void TArGraph::SetCursorX(int v) {
    if (v < 0 || v >= graphSize_) return;
    cursorX_ = v;
}

// ---- Properties -----------------------------------------------------------------------------------------

void TArGraph::SetGraphCount(int v) {
    if (v < 1 || v > MaxGraphCount || v == graphCount_) return;
    FreeMemory();
    graphCount_ = v;
    ResetGraphics();
    Refresh();
}

void TArGraph::SetGraphSize(int v) {
    if (v < MinGraphSize || v > MaxGraphSize || v == graphSize_) return;
    graphSize_ = v;
    ResetGraphics();
    Refresh();
}

void TArGraph::SetCurrentGraph(int v) {
    if (v < 0 || v >= graphCount_ || v == currentGraph_) return;
    currentGraph_ = v;
    Refresh();
}

// A step of 0 or below would never leave its grid or tick loop.
void TArGraph::SetLabelDY(double v) {
    if (v > 0) change(labelDY_, v);
}

void TArGraph::SetLabelDX(int v) {
    if (v > 0) change(labelDX_, v);
}

void TArGraph::SetNetDX(int v) {
    if (v > 0) change(netDX_, v);
}

void TArGraph::SetNetDY(double v) {
    if (v > 0) change(netDY_, v);
}

void TArGraph::SetNetPen(TPen* p) {
    if (!p || p == netPen_.get()) return;
    netPen_->Assign(p);
    Refresh();
}

// ---- Painting -------------------------------------------------------------------------------------------

int TArGraph::XtoScreen(double index) const { return static_cast<int>(Trunc(RegionLeft + index * XScaleK)); }

int TArGraph::YtoScreen(double value) const {
    if (value < yMin_) return RegionBottom;
    if (value > yMax_) return RegionTop;
    return static_cast<int>(Trunc(RegionBottom - (value - yMin_) * YScaleK));
}

void TArGraph::Paint() {
    BeepGuard("array plot paint", [this] {
        if (Bitmap->Width() != Width() || Bitmap->Height() != Height()) {
            Bitmap->SetSize(Width(), Height());
            NeedRedraw = true;
        }
        if (!Visible()) return;
        draw(Bitmap->Canvas());
        Canvas()->Draw(0, 0, Bitmap);
    });
}

void TArGraph::drawGrid(TCanvas* c, int stepX, double stepY) {
    for (int i = 0; i < graphSize_; i += stepX) {
        const int x = XtoScreen(i);
        c->MoveTo(x, RegionTop);
        c->LineTo(x, RegionBottom);
    }
    // Each value from the start and a whole number of steps, so no rounding error piles up.
    for (long long k = 0;; ++k) {
        const double v = yMin_ + static_cast<double>(k) * stepY;
        if (!(v < yMax_)) break;
        const int y = YtoScreen(v);
        c->MoveTo(RegionLeft, y);
        c->LineTo(RegionRight, y);
    }
}

void TArGraph::draw(TCanvas* c) {
    const int w = Bitmap->Width(), h = Bitmap->Height();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    if (!transparent_) c->FillRect(TRect(0, 0, w, h));

    RegionLeft = addX_;
    RegionTop = addScale_;
    RegionRight = w - addScale_;
    RegionBottom = h - addY_;
    XScaleK = static_cast<double>(RegionRight - RegionLeft) / graphSize_;
    // Equal limits leave no value range to scale; unbounded ones no grid that ends.
    if (!std::isfinite(yMin_) || !std::isfinite(yMax_)) throw EInvalidOp("Invalid floating point operation");
    if (yMax_ == yMin_) throw EZeroDivide("Floating point division by zero");
    YScaleK = (RegionBottom - RegionTop) / (yMax_ - yMin_);
    c->Brush()->SetColor(grColor_);
    c->FillRect(TRect(RegionLeft, RegionTop, RegionRight, RegionBottom));

    if (viewNet_) {
        c->SetPen(netPen_.get());
        drawGrid(c, netDX_, netDY_);
    }
    if (labelNet_) {
        c->Pen()->SetColor(axisColor_);
        c->Pen()->SetWidth(axisWidth_);
        drawGrid(c, labelDX_, labelDY_);
    }

    // Each series as runs of joined points: a point joins the previous one when both lie above YMin.
    std::vector<TPoint> run;
    run.reserve(static_cast<std::size_t>(graphSize_));
    auto flush = [&] {
        if (run.size() >= 2) c->Polyline(run);
        run.clear();
    };
    for (std::size_t i = 0; i < data_.size(); ++i) {
        c->SetPen(pens_[i].get());
        const std::vector<double>& series = data_[i];
        for (int x = 0; x < graphSize_; ++x) {
            const double v = series[static_cast<std::size_t>(x)];
            const TPoint p(XtoScreen(x), YtoScreen(v));
            if (x == 0 || !(series[static_cast<std::size_t>(x) - 1] > yMin_) || !(v > yMin_)) flush();
            run.push_back(p);
        }
        flush();
    }

    // Axes with their arrowheads.
    c->Pen()->SetColor(axisColor_);
    c->Pen()->SetWidth(axisWidth_);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(axisColor_);
    const int half = edgeLen_ / 2;
    const int axisEnd = RegionRight + addScale_ - edgeLen_;
    c->MoveTo(RegionLeft - labelH_, RegionBottom);
    c->LineTo(axisEnd, RegionBottom);
    c->Polygon({TPoint(axisEnd, RegionBottom - half), TPoint(axisEnd, RegionBottom + half), TPoint(w - 1, RegionBottom)});
    c->MoveTo(RegionLeft, RegionBottom + labelH_);
    c->LineTo(RegionLeft, edgeLen_);
    c->Polygon({TPoint(RegionLeft - half, edgeLen_), TPoint(RegionLeft + half, edgeLen_), TPoint(RegionLeft, 1)});

    // Ticks at the label steps.
    for (int x = 0; x < graphSize_; x += labelDX_) {
        const int px = XtoScreen(x);
        c->MoveTo(px, RegionBottom);
        c->LineTo(px, RegionBottom + labelH_);
    }
    for (long long k = 0;; ++k) {
        const double v = yMin_ + static_cast<double>(k) * labelDY_;
        if (!(v < yMax_)) break;
        const int py = YtoScreen(v);
        c->MoveTo(RegionLeft, py);
        c->LineTo(RegionLeft - labelH_, py);
    }
}
