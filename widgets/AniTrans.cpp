#include "widgets/AniTrans.h"

#include "rtl/MathUtils.h"

#include <cmath>

namespace {
int Tx(double v) { return static_cast<int>(Trunc(v)); }
}  // namespace

TAniTrans::TAniTrans(TComponent* owner)
    : TPanel(owner),
      brush_(std::make_unique<TBrush>()),
      pen_(std::make_unique<TPen>()),
      intPen_(std::make_unique<TPen>()),
      intBrush_(std::make_unique<TBrush>()),
      scoopPen_(std::make_unique<TPen>()),
      bladePen_(std::make_unique<TPen>()),
      coalBitmap_(std::make_unique<TBitmap>()) {
    brush_->SetColor(clYellow);
    pen_->SetColor(clRed);
    intPen_->SetColor(clBlue);
    intBrush_->SetColor(clCream);
    scoopPen_->SetColor(clSilver);
    bladePen_->SetColor(clSilver);
    for (TGraphicsObject* o : std::initializer_list<TGraphicsObject*>{brush_.get(), pen_.get(), intPen_.get(),
                                                                      intBrush_.get(), scoopPen_.get(), bladePen_.get()})
        o->OnChange = TNotifyEvent(this, &TAniTrans::StyleChanged);
    SetBounds(Left(), Top(), 100, 100);
    picture_.SetRedraw(true);
}

TAniTrans::~TAniTrans() = default;

void TAniTrans::StyleChanged(TObject*) {
    picture_.SetRedraw(true);
    Invalidate();
}

void TAniTrans::ColorChanged() {
    TPanel::ColorChanged();
    StyleChanged(this);
}

#define ANITRANS_SETTER(Name, Type, field) \
    void TAniTrans::Set##Name(Type v) {    \
        if (v == field) return;            \
        field = v;                         \
        StyleChanged(this);                \
    }
ANITRANS_SETTER(VirtH, double, virtH_)
ANITRANS_SETTER(VirtW, double, virtW_)
ANITRANS_SETTER(X1, double, x1_)
ANITRANS_SETTER(Y1, double, y1_)
ANITRANS_SETTER(X2, double, x2_)
ANITRANS_SETTER(Y2, double, y2_)
ANITRANS_SETTER(R, double, r_)
ANITRANS_SETTER(IntR, double, intR_)
ANITRANS_SETTER(Rk, double, rk_)
ANITRANS_SETTER(ScoopCount, int, scoopCount_)
ANITRANS_SETTER(ScoopLH, double, scoopLH_)
ANITRANS_SETTER(Position, double, position_)
ANITRANS_SETTER(BackColor, TColor, backColor_)
ANITRANS_SETTER(ShowScoops, bool, showScoops_)
ANITRANS_SETTER(ShowCoal, bool, showCoal_)
ANITRANS_SETTER(CoalColor, TColor, coalColor_)
ANITRANS_SETTER(BladeCount, int, bladeCount_)
ANITRANS_SETTER(CoalMin, double, coalMin_)
ANITRANS_SETTER(CoalMax, double, coalMax_)
ANITRANS_SETTER(XFlip, bool, xFlip_)
#undef ANITRANS_SETTER

#define ANITRANS_OBJECT_SETTER(Name, Type, field) \
    void TAniTrans::Set##Name(Type* v) {          \
        if (v && v != field.get()) field->Assign(v); \
    }
ANITRANS_OBJECT_SETTER(Brush, TBrush, brush_)
ANITRANS_OBJECT_SETTER(Pen, TPen, pen_)
ANITRANS_OBJECT_SETTER(IntPen, TPen, intPen_)
ANITRANS_OBJECT_SETTER(IntBrush, TBrush, intBrush_)
ANITRANS_OBJECT_SETTER(ScoopPen, TPen, scoopPen_)
ANITRANS_OBJECT_SETTER(BladePen, TPen, bladePen_)
#undef ANITRANS_OBJECT_SETTER

void TAniTrans::SetCoalBitmap(TBitmap* b) {
    if (!b || b == coalBitmap_.get()) return;
    coalBitmap_->Assign(b);
    StyleChanged(this);
}

double TAniTrans::XtoS(double x) const {
    const double px = static_cast<double>(Round(x * scale_));
    return xFlip_ ? Width() - px : px;
}

double TAniTrans::YtoS(double y) const { return Height() - static_cast<double>(Round(y * scale_)); }

void TAniTrans::RotatePoint(double& x, double& y, double angle) {
    if (angle != 0) RotateAboutOrigin(x, y, angle);
}

void TAniTrans::Paint() {
    WidgetPaintGuard([this] {
        picture_.FitTo(this);
        if (!Visible()) return;
        TCanvas* c = picture_.Canvas();
        CalcRegion();
        PaintBackGround(c);
        PaintBody(c);
        PaintScoops(c);
        // The flag stays set: every paint draws the belt afresh.
        picture_.CopyTo(Canvas(), this);
    });
}

void TAniTrans::CalcRegion() {
    if (virtH_ <= 0 || virtW_ <= 0 || Width() < 10 || Height() < 10) {
        scale_ = 0;
        return;
    }
    scale_ = std::min((Width() + 1) / virtW_, (Height() + 1) / virtH_);
    const double dx = x2_ - x1_, dy = y2_ - y1_;
    len_ = std::sqrt(dx * dx + dy * dy);
    // Coinciding centres give no direction; the runs then lie on the pulleys' common rim.
    ux_ = len_ > 0 ? dx / len_ : 0;
    uy_ = len_ > 0 ? dy / len_ : 0;
    a_ = std::atan2(dy, dx);
    c_ = 2 * (len_ + M_PI * r_);
    offset_ = position_ / 100 * c_;
    spacing_ = scoopCount_ > 0 ? c_ / scoopCount_ : 0;
    p1x_ = x1_ + r_ * std::cos(a_ + M_PI / 2);
    p1y_ = y1_ + r_ * std::sin(a_ + M_PI / 2);
    p2x_ = x2_ + r_ * std::cos(a_ + M_PI / 2);
    p2y_ = y2_ + r_ * std::sin(a_ + M_PI / 2);
    p3x_ = x2_ + r_ * std::cos(a_ - M_PI / 2);
    p3y_ = y2_ + r_ * std::sin(a_ - M_PI / 2);
    p4x_ = x1_ + r_ * std::cos(a_ - M_PI / 2);
    p4y_ = y1_ + r_ * std::sin(a_ - M_PI / 2);
}

void TAniTrans::PaintBackGround(TCanvas* c) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(backColor_);
    c->FillRect(TRect(0, 0, Width(), Height()));
}

void TAniTrans::PaintBody(TCanvas* c) {
    auto circle = [&](double x, double y, double r) {
        c->Ellipse(Tx(XtoS(x - r)), Tx(YtoS(y + r)), Tx(XtoS(x + r)), Tx(YtoS(y - r)));
    };
    auto line = [&](double xa, double ya, double xb, double yb) {
        c->MoveTo(Tx(XtoS(xa)), Tx(YtoS(ya)));
        c->LineTo(Tx(XtoS(xb)), Tx(YtoS(yb)));
    };
    c->SetPen(pen_.get());
    c->SetBrush(brush_.get());
    circle(x1_, y1_, r_);
    circle(x2_, y2_, r_);
    c->SetPen(intPen_.get());
    c->SetBrush(intBrush_.get());
    circle(x1_, y1_, intR_);
    circle(x2_, y2_, intR_);
    // Spokes turn by the distance travelled over the radius; a pulley without a radius has none.
    if (bladeCount_ > 0 && r_ > 0) {
        c->SetPen(bladePen_.get());
        const double step = 2 * M_PI / bladeCount_;
        double t = -offset_ / r_;
        for (int i = 0; i < bladeCount_; ++i, t += step) {
            const double cs = std::cos(t), sn = std::sin(t);
            line(x1_ + intR_ * cs, y1_ + intR_ * sn, x1_ + r_ * cs, y1_ + r_ * sn);
            line(x2_ + intR_ * cs, y2_ + intR_ * sn, x2_ + r_ * cs, y2_ + r_ * sn);
        }
    }
    c->SetPen(pen_.get());
    line(p1x_, p1y_, p2x_, p2y_);
    line(p3x_, p3y_, p4x_, p4y_);
}

void TAniTrans::PaintScoops(TCanvas* c) {
    // Pulleys on one centre leave the loop without a direction: no scoop has a place on it.
    if (spacing_ <= 0 || len_ <= 0) return;
    for (int i = 0; i < scoopCount_; ++i) {
        // Reduced into [0, C) from either side, so a belt run backwards below 0 goes on round.
        double s = std::fmod(i * spacing_ + offset_, c_);
        if (s < 0) s += c_;
        if (s >= c_) s = 0;
        PaintScoop(c, s);
    }
}

void TAniTrans::PaintScoop(TCanvas* c, double s) {
    const double arc = M_PI * r_;
    double px, py, phi;
    if (s <= len_) {
        px = p1x_ + s * ux_;
        py = p1y_ + s * uy_;
        phi = M_PI;
    } else if (s <= len_ + arc) {
        const double t = a_ + M_PI / 2 - (s - len_) / r_;
        px = x2_ + r_ * std::cos(t);
        py = y2_ + r_ * std::sin(t);
        phi = M_PI - (s - len_) * (3 * M_PI / 2) / arc;
    } else if (s <= c_ - arc) {
        px = p3x_ - (s - len_ - arc) * ux_;
        py = p3y_ - (s - len_ - arc) * uy_;
        phi = -M_PI / 2;
    } else {
        const double t = a_ - M_PI / 2 - (s - (c_ - arc)) / r_;
        px = x1_ + r_ * std::cos(t);
        py = y1_ + r_ * std::sin(t);
        phi = -M_PI / 2 - (s - (c_ - arc)) * (M_PI / 2) / arc;
    }
    const int x = Tx(XtoS(px));
    const int y = Tx(YtoS(py));

    if (showScoops_ || !showCoal_) {
        // Filled with whatever brush the canvas holds: the hubs', or the coal's once coal was drawn.
        c->SetPen(scoopPen_.get());
        c->Ellipse(x - 3, y - 3, x + 3, y + 3);
    }
    if (!showScoops_ && !showCoal_) return;

    const double k = rk_ / 3, h = scoopLH_;
    struct V {
        double x, y;
    };
    V pts[7] = {{h, 0}, {h + k, 2 * k}, {h + 2 * k, rk_}, {h + rk_ + k, rk_}, {h + rk_ + 2 * k, 2 * k},
                {h + 2 * rk_, 0}, {h + rk_, -k}};  // A, S0, S1, S2, S3, B, S4
    TPoint pix[7];
    for (int i = 0; i < 7; ++i) {
        RotatePoint(pts[i].x, pts[i].y, phi);
        pix[i] = TPoint(Tx(XtoS(px + pts[i].x)), Tx(YtoS(py + pts[i].y)));
    }
    if (showScoops_) c->Polyline({TPoint(x, y), pix[0], pix[1], pix[2], pix[3], pix[4], pix[5]});

    if (showCoal_ && phi >= M_PI / 2) {
        if (coalBitmap_->Width() > 1 || coalBitmap_->Height() > 1) {
            c->Brush()->SetBitmap(coalBitmap_.get());
        } else {
            c->Brush()->SetBitmap(nullptr);
            c->Brush()->SetStyle(bsSolid);
            c->Brush()->SetColor(coalColor_);
        }
        c->Pen()->SetStyle(psSolid);
        c->Pen()->SetColor(clBlack);
        c->Pen()->SetWidth(1);
        if (showScoops_) {
            c->Polygon({pix[1], pix[2], pix[3], pix[4], pix[6]});
        } else {
            const double w = static_cast<double>(Round(rk_ * scale_));
            c->Polygon({TPoint(Tx(x - w), Tx(y - 1.0)), TPoint(Tx(x - w / 2), Tx(y - 0.66 * w)),
                        TPoint(x, Tx(y - 1.2 * w)), TPoint(Tx(x + w / 2), Tx(y - 0.66 * w)),
                        TPoint(Tx(x + w), Tx(y - 1.0))});
        }
    }
}
