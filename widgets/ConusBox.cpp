#include "widgets/ConusBox.h"

#include "rtl/MathUtils.h"

namespace {
void ConusBoxGroupColor(TComponent* c, TColor colour) { static_cast<TConusBox*>(c)->SetWaterColor(colour); }
const bool registered = RegisterColorGroupRoutine("TConusBox", &ConusBoxGroupColor);

int Tx(double v) { return static_cast<int>(Trunc(v)); }
}  // namespace

TConusBox::TConusBox(TComponent* owner) : TPanel(owner), pen_(std::make_unique<TPen>()) {
    (void)registered;
    pen_->OnChange = TNotifyEvent(this, &TConusBox::StyleChanged);
    SetColor(clBlack);
}

TConusBox::~TConusBox() = default;

void TConusBox::UpdateChanges() {
    picture_.SetRedraw(true);
    Invalidate();
}

void TConusBox::StyleChanged(TObject*) { UpdateChanges(); }

void TConusBox::ColorChanged() {
    TPanel::ColorChanged();
    UpdateChanges();
}

void TConusBox::SetPen(TPen* p) {
    if (p && p != pen_.get()) pen_->Assign(p);
}

#define CONUS_SETTER(Name, Type, field) \
    void TConusBox::Set##Name(Type v) { \
        if (v == field) return;         \
        field = v;                      \
        UpdateChanges();                \
    }
CONUS_SETTER(BackColor, TColor, backColor_)
CONUS_SETTER(WaterColor, TColor, waterColor_)
CONUS_SETTER(ConusH, int, conusH_)
CONUS_SETTER(ShowTopLine, bool, showTopLine_)
CONUS_SETTER(ShowConusTop, bool, showConusTop_)
CONUS_SETTER(DownW, int, downW_)
CONUS_SETTER(WaterH, int, waterH_)
CONUS_SETTER(HalfConus, bool, halfConus_)
CONUS_SETTER(XFlip, bool, xFlip_)
#undef CONUS_SETTER

void TConusBox::Paint() {
    WidgetPaintGuard([this] { picture_.Show(this, Canvas(), [this](TCanvas* c) { draw(c); }); });
}

void TConusBox::draw(TCanvas* c) {
    const int W = Width(), H = Height();
    const int pw = pen_->Width();
    c->SetPen(pen_.get());
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(backColor_);
    c->FillRect(TRect(0, 0, W, H));

    const double yW = H - CalcYVal(waterH_);
    const double yC = H - CalcYVal(conusH_);
    const int cx = W / 2;
    const double hd = CalcXVal(downW_) / 2;
    const double dw = 2 * hd;

    TPoint p[4] = {TPoint(pw, Tx(yC)), TPoint(Tx(cx - hd), H - pw), TPoint(Tx(cx + hd), H - pw),
                   TPoint(W - pw, Tx(yC))};
    if (halfConus_) {
        // The outlet under a vertical wall at one side.
        if (xFlip_) {
            p[1].x = pw;
            p[2].x = Tx(dw);
        } else {
            p[1].x = Tx(W - dw);
            p[2].x = W - pw;
        }
    }
    // The seam between cylinder and cone, hidden unless asked for.
    const TRect seam(2 * pw, Tx(yC - pw), W - 2 * pw, Tx(yC + pw));

    if (waterH_ > conusH_) {
        if (waterH_ < 100) {
            c->Brush()->SetColor(Color());
            c->Rectangle(pw, pw, W, Tx(yW));
        }
        c->Brush()->SetColor(waterColor_);
        c->Rectangle(pw, Tx(yW), W, Tx(yC));
        c->SetPen(pen_.get());
        c->Brush()->SetColor(waterColor_);
        c->Polygon(p, 4);
        if (!showConusTop_) {
            c->Pen()->SetColor(waterColor_);
            c->Brush()->SetColor(waterColor_);
            c->Rectangle(seam);
        }
    } else {
        c->Brush()->SetColor(Color());
        c->Rectangle(pw, 0, W, Tx(yC));
        c->SetPen(pen_.get());
        c->Brush()->SetColor(Color());
        c->Polygon(p, 4);
        if (!showConusTop_) {
            c->Pen()->SetColor(Color());
            c->Brush()->SetColor(Color());
            c->Rectangle(seam);
        }
        c->SetPen(pen_.get());
        c->Brush()->SetColor(waterColor_);
        if (conusH_ > 0) {
            const double q = static_cast<double>(waterH_) / conusH_;
            TPoint w[4] = {p[0], p[1], p[2], p[3]};
            w[0].y = Tx(yW);
            w[3].y = Tx(yW);
            if (halfConus_) {
                const double t = dw + q * (W - dw);
                if (xFlip_) {
                    w[0].x = pw;
                    w[3].x = Tx(t);
                } else {
                    w[0].x = Tx(W - t);
                    w[3].x = W - pw;
                }
            } else {
                const double hx = hd + q * (W / 2 - hd);
                w[0].x = Tx(cx - hx);
                w[3].x = Tx(cx + hx);
            }
            c->Polygon(w, 4);
        }
    }
    if (!showTopLine_) {
        c->Pen()->SetColor(backColor_);
        c->Brush()->SetColor(backColor_);
        c->Rectangle(0, 0, W, 2 * pw);
    }
}
