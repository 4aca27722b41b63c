#include "widgets/WaterCircle.h"

#include "rtl/MathUtils.h"

#include <algorithm>
#include <cmath>

namespace {
void WaterCircleGroupColor(TComponent* c, TColor colour) { static_cast<TWaterCircle*>(c)->SetWaterColor(colour); }
const bool registered = RegisterColorGroupRoutine("TWaterCircle", &WaterCircleGroupColor);

int Tx(double v) { return static_cast<int>(Trunc(v)); }
}  // namespace

TWaterCircle::TWaterCircle(TComponent* owner) : TGraphicControl(owner) {
    (void)registered;
    SetColor(clBlack);
    SetBounds(Left(), Top(), 50, 50);
}

TWaterCircle::~TWaterCircle() = default;

#define WATERCIRCLE_SETTER(Name, Type, field) \
    void TWaterCircle::Set##Name(Type v) {    \
        if (v == field) return;               \
        field = v;                            \
        Refresh();                            \
    }
WATERCIRCLE_SETTER(R1, double, r1_)
WATERCIRCLE_SETTER(R2, double, r2_)
WATERCIRCLE_SETTER(R3, double, r3_)
WATERCIRCLE_SETTER(RayWidth, int, rayWidth_)
WATERCIRCLE_SETTER(WaterColor, TColor, waterColor_)
WATERCIRCLE_SETTER(Transparent, bool, transparent_)
#undef WATERCIRCLE_SETTER

void TWaterCircle::Paint() {
    WidgetPaintGuard([this] {
        // R3 is the unit of the picture: without it there is no scale to draw anything in.
        if (r3_ == 0) return;
        TCanvas* c = Canvas();
        const int W = Width(), H = Height();
        if (!transparent_) {
            c->Brush()->SetStyle(bsSolid);
            c->Brush()->SetColor(Color());
            c->FillRect(TRect(0, 0, W, H));
        }
        const double k = std::min(W, H) / 2.0 / r3_;
        const int cx = W / 2, cy = H / 2;
        const double r1 = k * r1_;
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(waterColor_);
        c->Pen()->SetStyle(psSolid);
        c->Pen()->SetColor(waterColor_);
        c->Pen()->SetWidth(rayWidth_);
        c->Ellipse(Tx(cx - r1), Tx(cy - r1), Tx(cx + r1), Tx(cy + r1));
        // Down-left, down and down-right (210, 270 and 330 degrees, y upward).
        const double last = 332.86 * M_PI / 180;
        for (double t = 7 * M_PI / 6; t < last; t += M_PI / 3) {
            c->MoveTo(Tx(cx + std::cos(t) * k * r2_), Tx(cy - std::sin(t) * k * r2_));
            c->LineTo(Tx(cx + std::cos(t) * k * r3_), Tx(cy - std::sin(t) * k * r3_));
        }
    });
}
