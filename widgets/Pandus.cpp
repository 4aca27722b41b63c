#include "widgets/Pandus.h"

TPandus::TPandus(TComponent* owner)
    : TGraphicControl(owner), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {
    pen_->SetColor(clYellow);
    brush_->SetColor(clRed);
    pen_->OnChange = TNotifyEvent(this, &TPandus::StyleChanged);
    brush_->OnChange = TNotifyEvent(this, &TPandus::StyleChanged);
    SetBounds(Left(), Top(), 145, 75);
}

TPandus::~TPandus() = default;

void TPandus::StyleChanged(TObject*) { Invalidate(); }

#define PANDUS_SETTER(Name, field)      \
    void TPandus::Set##Name(double v) { \
        if (v == field) return;         \
        field = v;                      \
        Refresh();                      \
    }
PANDUS_SETTER(virtH, virtH_)
PANDUS_SETTER(virtW, virtW_)
PANDUS_SETTER(H1, h1_)
PANDUS_SETTER(H2, h2_)
PANDUS_SETTER(L1, l1_)
#undef PANDUS_SETTER

void TPandus::SetXFlip(bool b) {
    if (b == xFlip_) return;
    xFlip_ = b;
    Invalidate();
}

void TPandus::SetPen(TPen* p) {
    if (p && p != pen_.get()) pen_->Assign(p);
    Refresh();
}

void TPandus::SetBrush(TBrush* b) {
    if (b && b != brush_.get()) brush_->Assign(b);
    Refresh();
}

void TPandus::Paint() {
    WidgetPaintGuard([this] {
        const int W = Width(), H = Height();
        if (virtH_ == 0 || virtW_ == 0) throw EZeroDivide("Деление на ноль");
        const double ky = H / virtH_;
        const double kx = W / virtW_;
        TCanvas* c = Canvas();
        c->SetPen(pen_.get());
        c->SetBrush(brush_.get());
        const int hp = pen_->Width() / 2;
        auto pt = [&](int x, int y) { return TPoint(xFlip_ ? W - x : x, y); };
        const TPoint a = pt(hp, TruncPixel(ky * h1_));
        const TPoint b = pt(W - hp, hp);
        const TPoint cc = pt(W - hp, TruncPixel(ky * h2_));
        const TPoint d = pt(hp, TruncPixel(ky * (h1_ + h2_)));
        const TPoint e = pt(TruncPixel(kx * l1_), H - hp);
        c->Polygon({a, b, cc, d});
        c->Polyline({cc, d, e, cc});
    });
}
