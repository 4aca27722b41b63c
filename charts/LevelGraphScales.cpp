// TLevelGraph: the value scale, its automatic limits and label step, and the right label column.
#include "charts/LevelGraph.h"

#include "rtl/MathUtils.h"

#include <cmath>

double TLevelGraph::YToScreen(double v) const {
    double y = RegionBottom - (v - yMin_) * YScaleK;
    if (y < RegionTop) y = RegionTop;
    if (y > RegionBottom) y = RegionBottom;
    return y;
}

double TLevelGraph::ScreenToY(double y) const { return YScaleK > 0 ? (RegionBottom - y) / YScaleK : 0; }

void TLevelGraph::CheckDeltaY() {
    if (minDeltaY_ > 0 && yMax_ - yMin_ < minDeltaY_) {
        double c = yMin_ + (yMax_ - yMin_) / 2;
        yMin_ = c - minDeltaY_ / 2;
        yMax_ = c + minDeltaY_ / 2;
    }
}

void TLevelGraph::CheckAutoLimits() {
    // Envelope of the slots in use.
    double lo = 0, hi = 0;
    bool first = true;
    for (int g = 0; g < graphCount_; ++g) {
        const auto& row = (*slots_)[g];
        for (int j = 0; j < intervalPointCount_; ++j) {
            const TLevelGraphSlot& s = row[j];
            if (enablePresentArray_ && !s.HasMin) continue;
            if (first) {
                lo = hi = s.Min;
                first = false;
            }
            if (s.Min < lo) lo = s.Min;
            if (s.Min > hi) hi = s.Min;
            if (s.HasMax) {
                if (s.Max < lo) lo = s.Max;
                if (s.Max > hi) hi = s.Max;
            }
        }
    }
    if (autoYMin_) yMin_ = lo;
    if (autoYMax_) yMax_ = hi;
    CheckDeltaY();

    // A flat envelope is opened first, so the margins below have a range to work on.
    double r = yMax_ - yMin_;
    if (r < 0.001) {
        if (yMax_ == 0) {
            yMax_ = yMin_ + 1;
            hi = yMax_;
            r = 1;
        } else {
            double k = 0.15 * std::fabs(yMax_);
            if (autoYMin_) yMin_ -= k;
            if (autoYMax_) yMax_ += k;
            r = yMax_ - yMin_;
        }
    }
    lo -= 0.15 * r;
    hi += 0.15 * r;
    if (positiveY_ && lo < 0) lo = 0;
    if (autoYMin_) yMin_ = lo;
    if (autoYMax_) yMax_ = hi;
    CheckDeltaY();

    if (!autoYScale_) return;
    r = yMax_ - yMin_;
    if (r < 0.001) r = 0.01;
    long long e = Trunc(Log10(r));
    int n = bestNetLineCount_ < 3 ? 5 : bestNetLineCount_;
    double per = r / n;
    double s = 0.5 * IntPower(10, static_cast<int>(e - 1));
    long long m = s > 0 ? Trunc(per / s) : 0;
    if (m > 0 || s <= 0) {
        yLabelStep_ = m * s;
    } else {
        if (r / s < 3) {
            double d = 1.1 - per / s;
            if (autoYMin_ && autoYMax_) {
                yMin_ -= d * s / 2;
                yMax_ += d * s / 2;
                if (positiveY_ && yMin_ < 0) {
                    yMax_ -= yMin_;
                    yMin_ = 0;
                }
            } else if (autoYMax_) {
                yMax_ += d * s;
            } else if (autoYMin_) {
                yMin_ -= d * s;
            }
        }
        yLabelStep_ = s;
    }
    CheckDeltaY();
    r = yMax_ - yMin_;
    if (r / yLabelStep_ < 1) {
        if (autoYMin_ && autoYMax_) {
            yMin_ -= yLabelStep_;
            yMax_ += yLabelStep_;
        } else if (autoYMax_) {
            yMax_ += yLabelStep_;
        } else if (autoYMin_) {
            yMin_ -= yLabelStep_;
        }
    }
    if (autoYScaleFormat_) {
        scaleYFormat_ = "###0";
        if (r < 10.1) scaleYFormat_ = "#0.0";
        if (r < 2.1) scaleYFormat_ = "#0.00";
        if (r < 0.5) scaleYFormat_ = "#0.000";
    }
}

double TLevelGraph::TranslateVal(double v, double a, double b, double c, double d) {
    if (v <= a) return c;
    if (v >= b) return d;
    if (b - a == 0) return c;
    double r = c + (v - a) * (d - c) / (b - a);
    return std::isfinite(r) ? r : 0;
}

void TLevelGraph::PaintYScale(TCanvas* canvas) {
    if (YScaleK <= 0 || yLabelStep_ <= 0) return;
    const double step = yLabelStep_;
    // A step typed far below the range would draw a grey smear of lines; such a scale (and one whose
    // numbers are not finite) gets no grid.
    constexpr long long kMaxLines = 100000;
    const double lines = (yMax_ - yMin_) / step;
    if (!(lines <= kMaxLines)) return;
    const double middle = ((yMin_ + yMax_) / 2) / step;
    if (!(std::fabs(middle) < 9e18)) return;  // beyond the line index

    canvas->SetFont(yScaleFont_.get());
    canvas->Brush()->SetStyle(bsClear);

    // The grid lines are the multiples k * step. They are counted by their index, never by adding the
    // step to a value: far from zero a small step may vanish in the value's rounding (1e12 + 1e-5 is
    // 1e12), and a walk that adds it would never arrive.
    // Start at the multiple nearest the middle; when it lies above YMin, go down to the lowest multiple
    // above YMin.
    long long first = Round(middle);
    if (static_cast<double>(first) * step > yMin_) {
        long long low = static_cast<long long>(std::floor(yMin_ / step)) + 1;
        // The division rounds: put the index right by at most a step or two either way.
        for (int n = 0; n < 2 && static_cast<double>(low - 1) * step > yMin_; ++n) --low;
        for (int n = 0; n < 2 && static_cast<double>(low) * step <= yMin_; ++n) ++low;
        if (low < first) first = low;
    }
    for (long long i = 0; i <= kMaxLines + 1; ++i) {
        const double v = static_cast<double>(first + i) * step;
        if (!(v < yMax_)) break;
        // A line below YMin (a step wider than half the range) would sit on the bottom edge with a
        // label that is not the value there; it is left out, the right column still counts it.
        if (v < yMin_ - step * 1e-9) continue;
        int y = static_cast<int>(Trunc(YToScreen(v)));
        canvas->SetPen(labelNetPen_.get());
        canvas->MoveTo(RegionLeft, y - 1);
        canvas->LineTo(RegionRight, y - 1);
        if (showScaleY_) {
            AnsiString text = FormatFloat(scaleYFormat_, v);
            TSize sz = canvas->TextExtent(text);
            canvas->TextOut(RegionLeft - sz.cx - 4, y - sz.cy / 2, text);
        }
        if (showRightScale_) {
            AnsiString text = FormatFloat(scaleYFormat_, rightYMin_ + static_cast<double>(i) * rightScaleStep_);
            TSize sz = canvas->TextExtent(text);
            canvas->TextOut(RegionRight + 4, y - sz.cy / 2, text);
        }
    }
}
