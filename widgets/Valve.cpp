#include "widgets/Valve.h"

namespace {
void ValveGroupColor(TComponent* c, TColor colour) {
    auto* v = static_cast<TValve*>(c);
    v->Pen()->SetColor(colour);
    v->Brush()->SetColor(colour);
    v->Invalidate();
}
const bool registered = RegisterColorGroupRoutine("TValve", &ValveGroupColor);
}  // namespace

TValve::TValve(TComponent* owner)
    : TGraphicControl(owner), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {
    (void)registered;
    SetBounds(Left(), Top(), 40, 40);
    pen_->SetColor(clYellow);
    brush_->SetColor(clRed);
}

TValve::~TValve() = default;

void TValve::SetPen(TPen* p) {
    if (p && p != pen_.get()) pen_->Assign(p);
}

void TValve::SetBrush(TBrush* b) {
    if (b && b != brush_.get()) brush_->Assign(b);
}

void TValve::SetVertMode(bool b) {
    if (b == vertMode_) return;
    vertMode_ = b;
    Refresh();
}

void TValve::Paint() {
    WidgetPaintGuard([this] {
        TCanvas* c = Canvas();
        c->SetPen(pen_.get());
        c->SetBrush(brush_.get());
        const int pw = pen_->Width(), W = Width(), H = Height();
        // The crossing edges make two triangles that meet in the centre.
        if (vertMode_)
            c->Polygon({TPoint(pw, pw), TPoint(W - pw, pw), TPoint(pw, H - pw), TPoint(W - pw, H - pw)});
        else
            c->Polygon({TPoint(pw, pw), TPoint(pw, H - pw), TPoint(W - pw, pw), TPoint(W - pw, H - pw)});
    });
}
