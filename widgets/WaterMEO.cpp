#include "widgets/WaterMEO.h"

#include <algorithm>
#include <cmath>

TWaterMEO::TWaterMEO(TComponent* owner)
    : TGraphicControl(owner),
      waterBrush_(std::make_unique<TBrush>()),
      brush_(std::make_unique<TBrush>()),
      scalePen_(std::make_unique<TPen>()),
      pen_(std::make_unique<TPen>()) {
    const TNotifyEvent changed(this, &TWaterMEO::StyleChanged);
    waterBrush_->OnChange = changed;
    brush_->OnChange = changed;
    scalePen_->OnChange = changed;
    pen_->OnChange = changed;
    SetBounds(Left(), Top(), 80, 40);
}

TWaterMEO::~TWaterMEO() = default;

void TWaterMEO::StyleChanged(TObject*) { Invalidate(); }

#define MEO_SETTER(Name, Type, field)   \
    void TWaterMEO::Set##Name(Type v) { \
        if (v == field) return;         \
        field = v;                      \
        Refresh();                      \
    }
MEO_SETTER(Min, double, min_)
MEO_SETTER(Max, double, max_)
MEO_SETTER(ScaleStep, double, scaleStep_)
MEO_SETTER(Position, double, position_)
MEO_SETTER(ArrowColor, TColor, arrowColor_)
MEO_SETTER(ScaleH, int, scaleH_)
MEO_SETTER(InvertScale, bool, invertScale_)
MEO_SETTER(EdgeLength, int, edgeLength_)
MEO_SETTER(ArrowWidth, int, arrowWidth_)
MEO_SETTER(EdgeAngle, int, edgeAngle_)
MEO_SETTER(VerticalFlag, bool, verticalFlag_)
#undef MEO_SETTER

void TWaterMEO::SetXFlip(bool b) {
    if (b == xFlip_) return;
    xFlip_ = b;
    StyleChanged(this);
}

void TWaterMEO::SetBrush(TBrush* b) {
    if (b && b != brush_.get()) brush_->Assign(b);
    Refresh();
}

void TWaterMEO::SetWaterBrush(TBrush* b) {
    if (b && b != waterBrush_.get()) waterBrush_->Assign(b);
    Refresh();
}

void TWaterMEO::SetScalePen(TPen* p) {
    if (p && p != scalePen_.get()) scalePen_->Assign(p);
    Refresh();
}

void TWaterMEO::SetPen(TPen* p) {
    if (p && p != pen_.get()) pen_->Assign(p);
    Refresh();
}

double TWaterMEO::PosToScreen(double x) const {
    const double length = verticalFlag_ ? Height() : Width();
    if (max_ - min_ == 0) return 0;
    return (x - min_) * length / (max_ - min_);
}

int TWaterMEO::MeoLength() const { return TruncPixel(PosToScreen(position_)); }

template <class F>
void TWaterMEO::forEachMark(F&& mark) const {
    // Marks stand at Min + k * ScaleStep strictly below Max. A step that does not move on would
    // never reach Max, so it draws none.
    if (!(scaleStep_ > 0)) return;
    double marks = std::ceil((max_ - min_) / scaleStep_) - 1;
    if (!(marks >= 1)) return;
    // The division may round across Max either way; the comparison as drawn decides.
    if (!(min_ + marks * scaleStep_ < max_))
        marks -= 1;
    else if (min_ + (marks + 1) * scaleStep_ < max_)
        marks += 1;
    if (!(marks >= 1)) return;
    const int pixels = verticalFlag_ ? Height() : Width();
    if (marks <= pixels) {
        for (int k = 1; k <= static_cast<int>(marks); ++k) mark(TruncPixel(PosToScreen(min_ + k * scaleStep_)));
        return;
    }
    // More marks than pixels lie less than a pixel apart, so every line from the first mark to the
    // last holds one: one mark a line draws the same scale without a loop as long as a tiny step.
    const int first = std::max(0, TruncPixel(PosToScreen(min_ + scaleStep_)));
    const int last = std::min(pixels, TruncPixel(PosToScreen(min_ + marks * scaleStep_)));
    for (int x = first; x <= last; ++x) mark(x);
}

void TWaterMEO::Paint() {
    WidgetPaintGuard([this] {
        TCanvas* c = Canvas();
        const int W = Width(), H = Height();
        const double ml = PosToScreen(position_);
        const int p = TruncPixel(ml);
        const double dh = std::tan(edgeAngle_ * M_PI / 360) * edgeLength_;
        c->SetPen(pen_.get());
        c->SetBrush(brush_.get());
        const int sw = scalePen_->Width();
        if (verticalFlag_) {
            c->FillRect(TRect(0, p, W, H));
            c->SetBrush(waterBrush_.get());
            c->FillRect(TRect(0, 0, W, p));
            c->Brush()->SetColor(pen_->Color());
            c->FrameRect(TRect(0, 0, W, H));
            c->Brush()->SetColor(brush_->Color());

            c->SetPen(scalePen_.get());
            forEachMark([&](int y) {
                if (invertScale_) {
                    c->MoveTo(sw, y);
                    c->LineTo(scaleH_, y);
                } else {
                    c->MoveTo(W - sw, y);
                    c->LineTo(W - sw - scaleH_, y);
                }
            });

            const int base = invertScale_ ? edgeLength_ : W - edgeLength_;
            const TPoint c1(base, TruncPixel(p - dh)), c2(base, TruncPixel(p + dh));
            if (invertScale_)
                drawArrow(c, TPoint(W - arrowWidth_, p), TPoint(edgeLength_, p), TPoint(1, p), c1, c2);
            else
                drawArrow(c, TPoint(arrowWidth_, p), TPoint(W - edgeLength_, p), TPoint(W - 1, p), c1, c2);
        } else {
            c->Rectangle(p, 0, W, H);
            c->SetBrush(waterBrush_.get());
            c->Rectangle(0, 0, p, H);

            c->SetPen(scalePen_.get());
            forEachMark([&](int x) {
                if (invertScale_) {
                    c->MoveTo(x, sw);
                    c->LineTo(x, scaleH_);
                } else {
                    c->MoveTo(x, H - sw);
                    c->LineTo(x, H - scaleH_);
                }
            });

            const int base = invertScale_ ? edgeLength_ : H - edgeLength_;
            const TPoint c1(TruncPixel(ml - dh), base), c2(TruncPixel(ml + dh), base);
            if (invertScale_)
                drawArrow(c, TPoint(p, H - arrowWidth_), TPoint(p, edgeLength_), TPoint(p, 1), c1, c2);
            else
                drawArrow(c, TPoint(p, arrowWidth_), TPoint(p, H - edgeLength_), TPoint(p, H - 1), c1, c2);
        }
    });
}

void TWaterMEO::drawArrow(TCanvas* c, TPoint from, TPoint to, TPoint tip, TPoint corner1, TPoint corner2) {
    c->Pen()->SetColor(arrowColor_);
    c->Pen()->SetWidth(arrowWidth_);
    c->Pen()->SetStyle(psSolid);
    c->Brush()->SetColor(arrowColor_);
    c->Brush()->SetStyle(bsSolid);
    c->MoveTo(from.x, from.y);
    c->LineTo(to.x, to.y);
    c->Pen()->SetWidth(1);
    c->Polygon({tip, corner1, corner2});
}
