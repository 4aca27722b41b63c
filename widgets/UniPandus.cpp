#include "widgets/UniPandus.h"

#include "rtl/MathUtils.h"

namespace {
int Tx(double v) { return static_cast<int>(Trunc(v)); }
}  // namespace

TUniPandus::TUniPandus(TComponent* owner)
    : TGraphicControl(owner), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {
    pen_->SetColor(clYellow);
    brush_->SetColor(clRed);
    pen_->OnChange = TNotifyEvent(this, &TUniPandus::StyleChanged);
    brush_->OnChange = TNotifyEvent(this, &TUniPandus::StyleChanged);
    SetBounds(Left(), Top(), 145, 75);
}

TUniPandus::~TUniPandus() = default;

void TUniPandus::StyleChanged(TObject*) { Invalidate(); }

// A pen or brush handed in is copied even when it equals the own one, and the chute is repainted.
void TUniPandus::SetPen(TPen* p) {
    if (p && p != pen_.get()) pen_->Assign(p);
    Invalidate();
}

void TUniPandus::SetBrush(TBrush* b) {
    if (b && b != brush_.get()) brush_->Assign(b);
    Invalidate();
}

void TUniPandus::setPercent(int& field, int v) {
    if (v == field) return;
    field = v;
    Invalidate();
}

void TUniPandus::SetTopPercent(int v) { setPercent(topPercent_, v); }
void TUniPandus::SetHPercent(int v) { setPercent(hPercent_, v); }
void TUniPandus::SetA1TopPercent(int v) { setPercent(a1TopPercent_, v); }
void TUniPandus::SetA2TopPercent(int v) { setPercent(a2TopPercent_, v); }
void TUniPandus::SetRightTopPercent(int v) { setPercent(rightTopPercent_, v); }

void TUniPandus::Paint() {
    WidgetPaintGuard([this] {
        const int W = Width(), H = Height();
        const int pw = pen_->Width();
        const double d = H * static_cast<double>(hPercent_) / 100;
        const int yL = Tx(H * static_cast<double>(topPercent_) / 100);
        const int yLb = Tx(yL + d);
        const int yR = Tx(H * static_cast<double>(rightTopPercent_) / 100);
        const int yRb = Tx(yR + d);

        // Whole pixels throughout, in 64 bits so no percentage can overflow the products.
        const int cx = W / 2;
        const int cy = static_cast<int>((static_cast<long long>(yLb) + yRb) / 2);
        const int ya1 = static_cast<int>(static_cast<long long>(H) * (100LL - a1TopPercent_) / 100);
        const int ya2 = static_cast<int>(static_cast<long long>(H) * (100LL - a2TopPercent_) / 100);
        const int q1 = W / 4;
        const int q3 = W - W / 4;

        TCanvas* c = Canvas();
        c->SetPen(pen_.get());
        c->SetBrush(brush_.get());
        c->Polygon({TPoint(pw, yL), TPoint(W - pw, yR), TPoint(W - pw, yRb), TPoint(pw, yLb)});
        c->MoveTo(0, yLb);
        c->LineTo(q1, ya1);
        c->LineTo(cx, cy);
        c->LineTo(q3, ya2);
        c->LineTo(W, yRb);
    });
}
