#include "widgets/Mixer.h"

#include "rtl/MathUtils.h"

#include <cmath>

namespace {
// A mixer of a colour group shows the group's colour in its water.
void MixerGroupColor(TComponent* c, TColor colour) { static_cast<TMixer*>(c)->SetWaterColor(colour); }
const bool registered = RegisterColorGroupRoutine("TMixer", &MixerGroupColor);
}  // namespace

TMixer::TMixer(TComponent* owner)
    : TPanel(owner),
      pen_(std::make_unique<TPen>()),
      brush_(std::make_unique<TBrush>()),
      rotorPen_(std::make_unique<TPen>()) {
    (void)registered;
    pen_->OnChange = TNotifyEvent(this, &TMixer::StyleChanged);
    brush_->OnChange = TNotifyEvent(this, &TMixer::StyleChanged);
    rotorPen_->OnChange = TNotifyEvent(this, &TMixer::StyleChanged);
}

TMixer::~TMixer() = default;

void TMixer::UpdateChanges() {
    picture_.SetRedraw(true);
    Invalidate();
}

void TMixer::StyleChanged(TObject*) { UpdateChanges(); }

double TMixer::CalcVal(double percent) const { return percent * Min(Width(), Height()) * 0.01; }

#define MIXER_SETTER(Name, Type, field) \
    void TMixer::Set##Name(Type v) {    \
        if (v == field) return;         \
        field = v;                      \
        UpdateChanges();                \
    }
MIXER_SETTER(RotorCenterTop, int, rotorCenterTop_)
MIXER_SETTER(RotorR1, double, rotorR1_)
MIXER_SETTER(RotorR2, double, rotorR2_)
MIXER_SETTER(Beta, double, beta_)
MIXER_SETTER(Alpha, int, alpha_)
MIXER_SETTER(WaterLevel, double, waterLevel_)
MIXER_SETTER(WallBottomR, double, wallBottomR_)
MIXER_SETTER(WaterColor, TColor, waterColor_)
MIXER_SETTER(BladeCount, int, bladeCount_)
#undef MIXER_SETTER

void TMixer::SetPen(TPen* p) {
    if (p && p != pen_.get()) pen_->Assign(p);
}

void TMixer::SetBrush(TBrush* b) {
    if (b && b != brush_.get()) brush_->Assign(b);
}

void TMixer::SetRotorPen(TPen* p) {
    if (p && p != rotorPen_.get()) rotorPen_->Assign(p);
}

void TMixer::Paint() {
    // Only a picture drawn to the end reaches the screen; a failed one is tried again next time.
    WidgetPaintGuard([this] { picture_.Show(this, Canvas(), [this](TCanvas* c) { draw(c); }); });
}

void TMixer::draw(TCanvas* c) {
    const int W = Width(), H = Height();
    c->SetPen(pen_.get());
    c->SetBrush(brush_.get());
    c->FillRect(TRect(0, 0, W, H));

    // The vessel: walls hp in from the sides (their pen's centre line), rounded lower corners and
    // the bottom on row H; no top line.
    const int hp = pen_->Width() / 2;
    const double r = CalcVal(wallBottomR_);
    c->MoveTo(hp, 0);
    c->LineTo(hp, TruncPixel(H - r));
    c->Arc(hp, TruncPixel(H - 2 * r), TruncPixel(2 * r), H, hp, TruncPixel(H - r), TruncPixel(r), H);
    c->MoveTo(TruncPixel(r), H);
    c->LineTo(TruncPixel(W - r), H);
    c->Arc(TruncPixel(W - 2 * r), TruncPixel(H - 2 * r), W - hp, H, TruncPixel(W - r), H, W - hp,
           TruncPixel(H - r));
    c->MoveTo(W - hp, TruncPixel(H - r));
    c->LineTo(W - hp, 0);

    // Water: its line, then a fill of the background below it, inside the walls. The rotor comes
    // after, so the water never covers it.
    const double ys = H - CalcVal(waterLevel_);
    c->Pen()->SetColor(waterColor_);
    c->Pen()->SetWidth(1);
    c->MoveTo(hp, TruncPixel(ys));
    c->LineTo(W - hp, TruncPixel(ys));
    c->Brush()->SetColor(waterColor_);
    c->FloodFill(W / 2, TruncPixel((H + ys) * 0.5), brush_->Color(), fsSurface);

    const double r1 = CalcVal(rotorR1_);
    const double cx = W / 2;
    const double cy = H - CalcVal(rotorCenterTop_);
    c->SetPen(rotorPen_.get());
    c->Brush()->SetColor(rotorPen_->Color());
    c->Ellipse(TruncPixel(cx - r1), TruncPixel(cy - r1), TruncPixel(cx + r1), TruncPixel(cy + r1));

    // The blades share a full turn; no count shares nothing, and the paint fails here.
    if (bladeCount_ == 0) throw EZeroDivide("Деление на ноль");
    const double r2 = CalcVal(rotorR2_);
    const double step = 2 * M_PI / bladeCount_;
    const double h = (beta_ * 0.5) * M_PI / 180;
    double a = alpha_ * M_PI / 180;
    auto at = [&](double t) { return TPoint(TruncPixel(cx + r2 * std::cos(t)), TruncPixel(cy - r2 * std::sin(t))); };
    for (int i = 0; i < bladeCount_; ++i) {
        c->MoveTo(TruncPixel(cx), TruncPixel(cy));
        const TPoint tip = at(a);
        c->LineTo(tip.x, tip.y);
        c->Polyline({at(a + h), at(a + h / 2), tip, at(a - h / 2), at(a - h)});
        a += step;
    }
}
