#include "widgets/BladeWheel.h"

#include <cmath>

namespace {
// A wheel of a colour group shows the group's colour in its blades and its frame.
void BladeWheelGroupColor(TComponent* c, TColor colour) {
    auto* w = static_cast<TBladeWheel*>(c);
    w->BladePen()->SetColor(colour);
    w->Pen()->SetColor(colour);
}
const bool registered = RegisterColorGroupRoutine("TBladeWheel", &BladeWheelGroupColor);
}  // namespace

TBladeWheel::TBladeWheel(TComponent* owner)
    : TPanel(owner),
      bladePen_(std::make_unique<TPen>()),
      pen_(std::make_unique<TPen>()),
      brush_(std::make_unique<TBrush>()) {
    (void)registered;
    bladePen_->OnChange = TNotifyEvent(this, &TBladeWheel::StyleChanged);
    pen_->OnChange = TNotifyEvent(this, &TBladeWheel::StyleChanged);
    brush_->OnChange = TNotifyEvent(this, &TBladeWheel::StyleChanged);
}

TBladeWheel::~TBladeWheel() = default;

void TBladeWheel::UpdateChanges() {
    picture_.SetRedraw(true);
    Invalidate();
}

void TBladeWheel::StyleChanged(TObject*) { UpdateChanges(); }

#define WHEEL_SETTER(Name, Type, field)   \
    void TBladeWheel::Set##Name(Type v) { \
        if (v == field) return;           \
        field = v;                        \
        UpdateChanges();                  \
    }
WHEEL_SETTER(BladeCount, int, bladeCount_)
WHEEL_SETTER(CircleMode, bool, circleMode_)
WHEEL_SETTER(Alpha, int, alpha_)
WHEEL_SETTER(Transparent, bool, transparent_)
#undef WHEEL_SETTER

void TBladeWheel::SetBladePen(TPen* p) {
    if (p && p != bladePen_.get()) bladePen_->Assign(p);
}

void TBladeWheel::SetPen(TPen* p) {
    if (p && p != pen_.get()) pen_->Assign(p);
}

void TBladeWheel::SetBrush(TBrush* b) {
    if (b && b != brush_.get()) brush_->Assign(b);
}

void TBladeWheel::Paint() {
    if (!Visible()) return;
    WidgetPaintGuard([this] {
        if (transparent_) {
            // The lines are in no kept picture, so a paint for any reason (a window uncovered)
            // draws them again.
            picture_.FitTo(this);
            drawBlades(Canvas());
            picture_.SetRedraw(false);
            return;
        }
        picture_.Show(this, Canvas(), [this](TCanvas* c) {
            c->SetPen(pen_.get());
            c->SetBrush(brush_.get());
            c->Rectangle(0, 0, Width(), Height());
            drawBlades(c);
        });
    });
}

void TBladeWheel::drawBlades(TCanvas* c) {
    const int W = Width(), H = Height();
    const int n = 2 * bladeCount_;
    c->SetPen(bladePen_.get());
    auto blade = [&](double y) {
        c->MoveTo(0, TruncPixel(y));
        c->LineTo(W, TruncPixel(y));
    };
    // Both modes divide a turn or the height among the blades; no blades is no valid wheel.
    if (bladeCount_ == 0) throw EZeroDivide("Деление на ноль");
    if (circleMode_) {
        const double step = 360.0 / n;
        double a = alpha_;
        for (int i = 0; i < n; ++i) {
            const double t = a * M_PI / 180;
            const double y = H * 0.5 - std::sin(t) * H * 0.5;
            // Only the near half of the drum shows.
            if (std::cos(t) >= 0 && y >= 0 && y <= H) blade(y);
            a += step;
        }
    } else {
        const double dy = static_cast<double>(H) / bladeCount_;
        // The remainder keeps the sign of Alpha: a negative angle starts below the bottom edge.
        double y = H - (alpha_ % 360) * static_cast<double>(H) / 360;
        for (int i = 0; i < n; ++i) {
            // Lines that ran more than the height above the top come back from the bottom.
            if (y < -H) y += 2.0 * H;
            if (y >= 0 && y <= H) blade(y);
            y -= dy;
        }
    }
}
