// TSpectr: construction, properties, the arrays, conversions, automatic limits, the view window and
// the peaks.
#include "components/auxiliary/Spectr.h"

#include "rtl/MathUtils.h"

#include <algorithm>
#include <cmath>

TSpectr::TSpectr(TComponent* owner)
    : TPanel(owner), ownPicList_(std::make_unique<TStringList>()), bitmap_(std::make_unique<TBitmap>()) {
    picList_ = ownPicList_.get();
    InitArrays();
    redraw_ = true;
    SetBounds(Left(), Top(), 210, 100);
    bitmap_->SetSize(Width(), Height());

    auto hook = TNotifyEvent(this, &TSpectr::StyleChanged);
    auto brush = [&](std::unique_ptr<TBrush>& b, TColor c) {
        b = std::make_unique<TBrush>();
        b->SetColor(c);
        b->OnChange = hook;
    };
    auto pen = [&](std::unique_ptr<TPen>& p, TColor c) {
        p = std::make_unique<TPen>();
        p->SetColor(c);
        p->OnChange = hook;
    };
    Brush()->SetColor(0x808080);
    Brush()->OnChange = hook;
    brush(spBackBrush_, 0x800000);
    brush(spBrush_, 0x00FFFF);
    brush(pic0Brush_, 0x0000FF);
    brush(pic1Brush_, 0x000080);
    pen(spPen_, 0x00FFFF);
    pen(netPen_, 0xFFFFFF);
    pen(cursorPen_, 0xFFFFFF);
    pen(leftLimitPen_, clBlack);
    pen(rightLimitPen_, clBlack);
    pen(scalePen_, clBlack);
    scalePen_->SetWidth(2);
    scaleXFont_ = std::make_unique<TFont>();
    scaleXFont_->OnChange = hook;
    scaleYFont_ = std::make_unique<TFont>();
    scaleYFont_->OnChange = hook;
}

TSpectr::~TSpectr() {
    Brush()->OnChange = nullptr;
    for (TBrush* b : {spBackBrush_.get(), spBrush_.get(), pic0Brush_.get(), pic1Brush_.get()}) b->OnChange = nullptr;
    for (TPen* p : {spPen_.get(), netPen_.get(), cursorPen_.get(), leftLimitPen_.get(), rightLimitPen_.get(),
                    scalePen_.get()})
        p->OnChange = nullptr;
    scaleXFont_->OnChange = nullptr;
    scaleYFont_->OnChange = nullptr;
}

void TSpectr::StyleChanged(TObject*) {
    CheckAutoLimits();
    redraw_ = true;
    Invalidate();
}

// ---- Arrays ----------------------------------------------------------------------------------------------

double TSpectr::Energy(int i) const {
    if (i < 0 || i >= size_) return 0.0;
    return energies_[i];
}

void TSpectr::InitArrays() {
    counts_.assign(size_, 0.0);
    energies_.resize(size_);
    for (int i = 0; i < size_; ++i) energies_[i] = i * (3.5 / size_);
    points_.assign(2 * static_cast<std::size_t>(size_) + 2, TPoint());
    ResetSpectr();
}

void TSpectr::ResetSpectr() {
    std::fill(counts_.begin(), counts_.end(), 0.0);
    viewWindowSum_ = 0.0;
    picList_->Clear();
}

void TSpectr::SetSize(int v) {
    // At least one channel: the view window and every conversion index the counts.
    if (v < 1 || v == size_) return;
    size_ = v;
    InitArrays();
    // The view window, the cursor and the limit markers keep to the new channels.
    const int last = size_ - 1;
    if (rightViewLimit_ > last) rightViewLimit_ = last;
    if (leftViewLimit_ > last || (leftViewLimit_ >= rightViewLimit_ && last > 0)) leftViewLimit_ = 0;
    cursorPosition_ = std::clamp(cursorPosition_, 0, last);
    leftLimit_ = std::clamp(leftLimit_, 0, last);
    rightLimit_ = std::clamp(rightLimit_, 0, last);
    StyleChanged(this);
}

void TSpectr::CheckAutoLimits() {
    if (counts_.empty()) return;
    int from = std::max(leftViewLimit_, 0);
    int to = std::min(rightViewLimit_, size_ - 1);
    // Counts that cannot be scaled to (NaN, infinite) take no part; painting them fails with a beep.
    bool any = false;
    double hi = 0, lo = 0;
    for (int i = from; i <= to; ++i) {
        double c = counts_[i];
        if (!std::isfinite(c)) continue;
        if (!any || c > hi) hi = c;
        if (!any || c < lo) lo = c;
        any = true;
    }
    double range;
    if (hi - lo < 0.001) {
        hi = lo + 10;
        range = 10;
    } else {
        range = hi - lo;
    }
    double margin = 0.15 * range;
    lo = std::max(lo - margin, 0.0);
    hi = hi + margin;
    if (autoYMin_) yMin_ = lo;
    if (autoYMax_) yMax_ = hi;
    if (!autoYScale_) return;
    double r = yMax_ - yMin_;
    if (!(r > 0)) r = 0.01;
    if (!std::isfinite(r)) return;
    int e = static_cast<int>(Trunc(Log10(r)));
    double unit = IntPower(10, e) * 0.5;
    double f = std::trunc(0.2 * r / unit);
    if (f == 0 && unit > 0) {
        scaleYStep_ = unit;
        if (yMax_ < unit * 1.1 + yMin_) yMax_ = unit * 1.1 + yMin_;
    } else {
        scaleYStep_ = f * unit;
    }
    r = yMax_ - yMin_;
    scaleYFormat_ = "###0";
    if (r < 10.1) scaleYFormat_ = "#0.0";
    if (r < 2.1) scaleYFormat_ = "#0.00";
    if (r < 0.5) scaleYFormat_ = "#0.000";
}

// ---- Geometry -------------------------------------------------------------------------------------------

void TSpectr::CalcRegion() {
    if (!(yMax_ > yMin_)) yMax_ = yMin_ + 10;
    plotLeft_ = spectrLeft_;
    plotTop_ = spectrTop_;
    plotRight_ = bitmap_->Width() - spectrSubWidth_;
    plotBottom_ = bitmap_->Height() - spectrSubHeight_;
    double span = rightViewLimit_ - leftViewLimit_;
    if (span < 1) span = size_;
    kx_ = (plotRight_ - plotLeft_) / span;
    ky_ = (plotTop_ - plotBottom_) / (yMax_ - yMin_);
}

double TSpectr::IndexToScreen(double i) const {
    if (i < leftViewLimit_) return plotLeft_;
    if (i > rightViewLimit_) return plotRight_;
    return plotLeft_ + (i - leftViewLimit_) * kx_;
}

double TSpectr::ScreenToIndex(double x) const {
    if (kx_ <= 0 || x < plotLeft_) return 0;
    double c = leftViewLimit_ + (x - plotLeft_) / kx_;
    if (c > size_ - 1) c = size_ - 1;
    if (c < 0) c = 0;
    return c;
}

double TSpectr::SpYToScreen(double v) const {
    // A NaN count stays NaN here, so the pixel conversion that follows refuses it.
    double y = plotBottom_ + (v - yMin_) * ky_;
    if (y < plotTop_) y = plotTop_;
    if (y > plotBottom_) y = plotBottom_;
    return y;
}

double TSpectr::ScreenToSpY(double y) const {
    if (ky_ == 0) return 0;
    double v = (y - plotBottom_) / ky_;
    return v < 0 ? 0 : v;
}

int TSpectr::EnergyToIndex(double e) const {
    for (int i = 0; i < size_; ++i)
        if (energies_[i] > e) return i;
    return size_ - 1;
}

double TSpectr::CalcStartNetPoint(double v, double step) {
    if (step <= 0 || v == 0) return 0;
    if (v > 0) return step * (std::trunc(v / step) + 1);
    return step * std::trunc(v / step);
}

// ---- View window and cursor -------------------------------------------------------------------------------

void TSpectr::SetLeftViewLimit(int n) {
    if (n == leftViewLimit_) return;
    leftViewLimit_ = n;
    if (n >= rightViewLimit_ || n >= size_ || n < 0) leftViewLimit_ = 0;
    viewWindowChanged();
}

void TSpectr::SetRightViewLimit(int n) {
    if (n == rightViewLimit_) return;
    rightViewLimit_ = n;
    if (leftViewLimit_ >= n || n <= 10 || n > size_ - 1) rightViewLimit_ = size_ - 1;
    viewWindowChanged();
}

void TSpectr::viewWindowChanged() {
    if (cursorPosition_ < leftViewLimit_ || cursorPosition_ > rightViewLimit_)
        SetCursorPosition((leftViewLimit_ + rightViewLimit_) / 2);
    Invalidate();
    redraw_ = true;
}

void TSpectr::SetCursorPosition(int v) {
    if (v == cursorPosition_) return;
    cursorPosition_ = v;
    StyleChanged(this);
    if (OnCursorMove) OnCursorMove(this);
}

void TSpectr::SetAutoSpectrLeft(bool b) {
    if (b == autoSpectrLeft_) return;
    autoSpectrLeft_ = b;
    redraw_ = true;
}

void TSpectr::SetBrush(TBrush* b) {
    if (b && b != Brush()) Brush()->Assign(b);
}

void TSpectr::SetPicList(TStrings* list) {
    picList_ = list ? list : ownPicList_.get();
}

// ---- Demonstration data -------------------------------------------------------------------------------------

void TSpectr::SetDemoData(bool b) {
    if (b == demoData_) return;
    demoData_ = b;
    StyleChanged(this);
    ResetSpectr();
    if (!b) return;
    Randomize();
    const int c1 = static_cast<int>(Trunc(0.35 * size_));
    const int c2 = static_cast<int>(Trunc(0.65 * size_));
    const int w1 = static_cast<int>(Trunc(0.05 * size_));
    const int w2 = static_cast<int>(Trunc(0.0625 * size_));
    auto hit = [&](double mean, double deviation) {
        double ch = std::trunc(RandG(mean, deviation));
        if (ch >= 1 && ch <= size_ - 1) counts_[static_cast<int>(ch)] += 1;
    };
    for (int pass = 0; pass < 3000; ++pass) {
        hit(c1, w1);
        hit(c2, w2);
        if (pass % 10 == 0) counts_[Random(size_)] += 1;
    }
    auto peak = [](int l, int c, int r) { return IntToStr(l) + "[" + IntToStr(c) + "]" + IntToStr(r); };
    picList_->Add(peak(c1 - w1, c1, c1 + w1));
    picList_->Add(peak(c2 - w2, c2, c2 + w2));
}

// ---- Peaks ---------------------------------------------------------------------------------------------------

int TSpectr::GetPickCount() const { return picList_->Count(); }

bool TSpectr::PickLCR(int n, int& left, int& centre, int& right) const {
    if (n < 0 || n >= picList_->Count()) return false;
    AnsiString s = picList_->Strings(n);
    int p1 = Pos("[", s);
    int p2 = Pos("]", s);
    if (p1 <= 1 || p2 <= p1 || p2 - p1 - 1 < 2 || s.Length() - p1 <= 1) return false;
    int l, c, r;
    if (!TryStrToInt(s.SubString(1, p1 - 1), l)) return false;
    if (!TryStrToInt(s.SubString(p1 + 1, p2 - p1 - 1), c)) return false;
    if (!TryStrToInt(s.SubString(p2 + 1, s.Length() - p2), r)) return false;
    left = l;
    centre = c;
    right = r;
    return true;
}

int TSpectr::PickLeft(int n) const {
    int l, c, r;
    return PickLCR(n, l, c, r) ? l : -1;
}

int TSpectr::PickRight(int n) const {
    int l, c, r;
    return PickLCR(n, l, c, r) ? r : -1;
}

bool TSpectr::pickChannels(int n, int& left, int& right) const {
    int centre;
    if (!PickLCR(n, left, centre, right)) return false;
    // A peak outside the counts (a text written for a longer spectrum) is not drawn.
    return left >= 0 && left < size_ && right >= 0 && right < size_;
}

int TSpectr::PointInPick(double x) const {
    if (picList_->Count() == 0) return 0;
    for (int i = 0; i < pickRecords_; ++i)
        if (picks_[i].Left <= x && x <= picks_[i].Right) return i + 1;
    return 0;
}

void TSpectr::SortPickList() {
    if (pickRecords_ >= 2) {
        // Centres less than one channel apart count as equal; an insertion sort keeps such records in
        // their order (the comparison is not a strict order, which library sorts need).
        auto before = [](const TPickRecord& a, const TPickRecord& b) { return std::trunc(a.Center - b.Center) < 0; };
        for (int i = 1; i < pickRecords_; ++i) {
            TPickRecord r = picks_[i];
            int j = i;
            for (; j > 0 && before(r, picks_[j - 1]); --j) picks_[j] = picks_[j - 1];
            picks_[j] = r;
        }
    }
    UpdatePickList();
}

void TSpectr::UpdatePickList() {
    picList_->Clear();
    for (int i = 0; i < pickRecords_; ++i) {
        const TPickRecord& r = picks_[i];
        picList_->Add(FloatToStr(r.Left) + "[" + FloatToStr(r.Center) + "]" + FloatToStr(r.Right));
    }
}

bool TSpectr::ErasePick(int n) {
    if (n < 0 || n >= pickRecords_) return false;
    for (int i = n; i + 1 < pickRecords_; ++i) picks_[i] = picks_[i + 1];
    picks_[--pickRecords_] = TPickRecord();
    UpdatePickList();
    return true;
}
