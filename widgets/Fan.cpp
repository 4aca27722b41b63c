#include "widgets/Fan.h"

#include "rtl/MathUtils.h"

#include <cmath>

namespace {
int Tx(double v) { return static_cast<int>(Trunc(v)); }
}  // namespace

TFan::TFan(TComponent* owner)
    : TPanel(owner), circleBrush_(std::make_unique<TBrush>()), circlePen_(std::make_unique<TPen>()) {
    circleBrush_->SetColor(clAqua);
    circlePen_->SetColor(clYellow);
    circleBrush_->OnChange = TNotifyEvent(this, &TFan::StyleChanged);
    circlePen_->OnChange = TNotifyEvent(this, &TFan::StyleChanged);
}

TFan::~TFan() = default;

void TFan::UpdateChanges() {
    picture_.SetRedraw(true);
    Invalidate();
}

void TFan::StyleChanged(TObject*) { UpdateChanges(); }

void TFan::ColorChanged() {
    TPanel::ColorChanged();
    UpdateChanges();
}

void TFan::SetCircleBrush(TBrush* b) {
    if (b && b != circleBrush_.get()) circleBrush_->Assign(b);
}

void TFan::SetCirclePen(TPen* p) {
    if (p && p != circlePen_.get()) circlePen_->Assign(p);
}

void TFan::SetRotorColor(TColor c) {
    if (c == rotorColor_) return;
    rotorColor_ = c;
    UpdateChanges();
}

void TFan::SetRotorAlpha(int degrees) {
    if (degrees == rotorAlpha_) return;
    rotorAlpha_ = degrees;
    UpdateChanges();
}

void TFan::setClamped(int& field, int v, int lo, int hi, int below) {
    if (v == field) return;
    field = v < lo ? below : v > hi ? hi : v;
    UpdateChanges();
}

void TFan::SetBladeCount(int n) { setClamped(bladeCount_, n, 0, 32, 0); }
void TFan::SetBladeWidth(int percent) { setClamped(bladeWidth_, percent, 1, 100, 1); }
void TFan::SetBladeLength(int percent) { setClamped(bladeLength_, percent, 1, 100, 1); }
void TFan::SetEdgeLength(int percent) { setClamped(edgeLength_, percent, 1, 90, 1); }

void TFan::RotatePoint(double& x, double& y, double angle) { RotateAboutOrigin(x, y, angle); }

void TFan::Paint() {
    WidgetPaintGuard([this] {
        if (!Visible()) return;
        picture_.FitTo(this);
        if (picture_.Redraw()) draw(picture_.Canvas());
        picture_.SetRedraw(false);
        picture_.CopyTo(Canvas(), this);
    });
}

void TFan::draw(TCanvas* c) {
    const int W = Width(), H = Height();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(TRect(0, 0, W, H));
    c->SetPen(circlePen_.get());
    c->SetBrush(circleBrush_.get());
    c->Ellipse(0, 0, W, H);
    if (bladeCount_ <= 0) return;

    const double bw = bladeWidth_ * static_cast<double>(H) / 100;
    const double bl = bladeLength_ * static_cast<double>(W) / 200;
    const double f = (100 - edgeLength_) * bl / 100;
    const double g = bw / 2;
    const int cx = W / 2, cy = H / 2;
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetColor(rotorColor_);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(rotorColor_);
    // Whole turns taken off first, so an angle a turn apart draws exactly the same rotor.
    const double alpha = (rotorAlpha_ % 360) * M_PI / 180;
    for (int i = 0; i < bladeCount_; ++i) {
        const double angle = alpha + i * 2 * M_PI / bladeCount_;
        double xs[5] = {0, f, bl, f, 0};
        double ys[5] = {g, g, 0, -g, -g};
        TPoint pts[5];
        for (int k = 0; k < 5; ++k) {
            RotatePoint(xs[k], ys[k], angle);
            pts[k] = TPoint(Tx(cx + xs[k]), Tx(cy - ys[k]));
        }
        c->Polygon(pts, 5);
    }
}
