#include "widgets/Transporter.h"

TTransporter::TTransporter(TComponent* owner)
    : TPanel(owner),
      bodyBrush_(std::make_unique<TBrush>()),
      c1Brush_(std::make_unique<TBrush>()),
      c2Brush_(std::make_unique<TBrush>()),
      pen_(std::make_unique<TPen>()),
      r1Pen_(std::make_unique<TPen>()),
      r2Pen_(std::make_unique<TPen>()) {
    bodyBrush_->SetColor(clNavy);
    c1Brush_->SetColor(clBlack);
    c2Brush_->SetColor(clYellow);
    pen_->SetColor(clYellow);
    r1Pen_->SetColor(clRed);
    r2Pen_->SetColor(clRed);
    const TNotifyEvent changed(this, &TTransporter::StyleChanged);
    bodyBrush_->OnChange = changed;
    c1Brush_->OnChange = changed;
    c2Brush_->OnChange = changed;
    pen_->OnChange = changed;
    r1Pen_->OnChange = changed;
    r2Pen_->OnChange = changed;
    SetBounds(Left(), Top(), 100, 20);
}

TTransporter::~TTransporter() = default;

void TTransporter::StyleChanged(TObject*) { Invalidate(); }

void TTransporter::SetR1Persent(std::int16_t percent) { r1Persent_ = percent; }

void TTransporter::SetBodyBrush(TBrush* b) {
    if (b && b != bodyBrush_.get()) bodyBrush_->Assign(b);
}
void TTransporter::SetC1Brush(TBrush* b) {
    if (b && b != c1Brush_.get()) c1Brush_->Assign(b);
}
void TTransporter::SetC2Brush(TBrush* b) {
    if (b && b != c2Brush_.get()) c2Brush_->Assign(b);
}
void TTransporter::SetPen(TPen* p) {
    if (p && p != pen_.get()) pen_->Assign(p);
}
void TTransporter::SetR1Pen(TPen* p) {
    if (p && p != r1Pen_.get()) r1Pen_->Assign(p);
}
void TTransporter::SetR2Pen(TPen* p) {
    if (p && p != r2Pen_.get()) r2Pen_->Assign(p);
}

void TTransporter::Paint() {
    WidgetPaintGuard([this] {
        TCanvas* c = Canvas();
        const int W = Width(), H = Height();
        const double r = H / 2;
        const double centres[2] = {r, W - r};
        auto circle = [&](double cx, double radius) {
            c->Ellipse(TruncPixel(cx - radius), TruncPixel(r - radius), TruncPixel(cx + radius),
                       TruncPixel(r + radius));
        };
        c->SetBrush(bodyBrush_.get());
        c->SetPen(pen_.get());
        c->Rectangle(TruncPixel(r), 0, TruncPixel(W - r), H);
        c->SetBrush(c2Brush_.get());
        c->SetPen(r2Pen_.get());
        for (double cx : centres) circle(cx, r);
        c->SetBrush(c1Brush_.get());
        c->SetPen(r1Pen_.get());
        const double h = r1Persent_ * r * 0.01;
        for (double cx : centres) circle(cx, h);
    });
}
