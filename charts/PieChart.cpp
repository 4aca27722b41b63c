#include "charts/PieChart.h"

#include <algorithm>
#include <cmath>
#include <numbers>

TPieChart::TPieChart(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 140, 130); }

void TPieChart::Clear() {
    if (slices_.empty()) return;
    slices_.clear();
    Invalidate();
}

void TPieChart::AddSlice(double x, double value, const AnsiString& label, TColor color) {
    if (!(value > 0)) return;
    slices_.push_back({x, value, label, color});
    Invalidate();
}

void TPieChart::Paint() { PaintTo(Canvas(), TRect(0, 0, Width(), Height())); }

void TPieChart::PaintTo(TCanvas* canvas, const TRect& r) {
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(r);
    double sum = 0;
    for (const TPieSlice& s : slices_) sum += s.Value;
    if (!(sum > 0)) return;

    // The largest circle that fits, with a small margin.
    const int side = std::max(0, std::min(r.Width(), r.Height()) - 8);
    const int left = r.Left + (r.Width() - side) / 2, top = r.Top + (r.Height() - side) / 2;
    const int right = left + side, bottom = top + side;
    const double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
    // A far point on a radial line: its direction is all that counts.
    auto radial = [&](double degrees) {
        const double a = degrees * std::numbers::pi / 180.0;
        return TPoint(static_cast<int>(std::lround(cx + 1000 * std::cos(a))),
                      static_cast<int>(std::lround(cy - 1000 * std::sin(a))));
    };
    canvas->Pen()->SetColor(clBlack);
    canvas->Pen()->SetWidth(1);
    canvas->Pen()->SetStyle(psSolid);
    double angle = 90;
    for (const TPieSlice& s : slices_) {
        canvas->Brush()->SetColor(s.Color);
        const double sweep = 360.0 * s.Value / sum;
        if (sweep >= 359.999) {
            canvas->Ellipse(left, top, right, bottom);
            break;
        }
        TPoint a = radial(angle), b = radial(angle + sweep);
        // A sliver too thin to show: equal radial points would draw the whole circle.
        if (a != b) canvas->Pie(left, top, right, bottom, a.x, a.y, b.x, b.y);
        angle += sweep;
    }
}
