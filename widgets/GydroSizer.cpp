#include "widgets/GydroSizer.h"

#include "rtl/MathUtils.h"

namespace {
int Tx(double v) { return static_cast<int>(Trunc(v)); }
}  // namespace

TGydroSizer::TGydroSizer(TComponent* owner)
    : TPanel(owner),
      pen_(std::make_unique<TPen>()),
      brush_(std::make_unique<TBrush>()),
      waterBrush_(std::make_unique<TBrush>()) {
    pen_->SetColor(clBlue);
    brush_->SetColor(clSilver);
    waterBrush_->SetColor(clAqua);
    pen_->OnChange = TNotifyEvent(this, &TGydroSizer::StyleChanged);
    brush_->OnChange = TNotifyEvent(this, &TGydroSizer::StyleChanged);
    waterBrush_->OnChange = TNotifyEvent(this, &TGydroSizer::StyleChanged);
    SetBounds(Left(), Top(), 50, 100);
    SetBevelOuter(bvNone);
    SetColor(clBlack);
}

TGydroSizer::~TGydroSizer() = default;

void TGydroSizer::StyleChanged(TObject*) {
    picture_.SetRedraw(true);
    Invalidate();
}

void TGydroSizer::SetPen(TPen* p) {
    if (p && p != pen_.get()) pen_->Assign(p);
}

void TGydroSizer::SetBrush(TBrush* b) {
    if (b && b != brush_.get()) brush_->Assign(b);
}

void TGydroSizer::SetWaterBrush(TBrush* b) {
    if (b && b != waterBrush_.get()) waterBrush_->Assign(b);
}

void TGydroSizer::setPercent(double& field, double v) {
    if (v == field) return;
    field = v;
    StyleChanged(this);
}

void TGydroSizer::SetMainD(double v) { setPercent(mainD_, v); }
void TGydroSizer::SetD1(double v) { setPercent(d1_, v); }
void TGydroSizer::SetD2(double v) { setPercent(d2_, v); }
void TGydroSizer::SetTopH(double v) { setPercent(topH_, v); }
void TGydroSizer::SetH1(double v) { setPercent(h1_, v); }
void TGydroSizer::SetH2(double v) { setPercent(h2_, v); }
void TGydroSizer::SetWaterH(double v) { setPercent(waterH_, v); }

void TGydroSizer::Paint() {
    WidgetPaintGuard([this] {
        picture_.FitTo(this);
        if (!Visible()) return;
        // Nothing ever clears the redraw flag: the picture is drawn anew at every paint.
        draw(picture_.Canvas());
        picture_.CopyTo(Canvas(), this);
    });
}

void TGydroSizer::draw(TCanvas* c) {
    const int W = Width(), H = Height();
    const int pw = pen_->Width();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(TRect(0, 0, W, H));

    c->SetPen(pen_.get());
    c->SetBrush(brush_.get());
    const int yT = Tx(Calc_y(100 - topH_));
    const int xM = Tx(Calc_x((100 - mainD_) / 2));
    c->Rectangle(pw, pw, xM, yT);
    c->Rectangle(W - xM, pw, W - pw, yT);

    const int x1 = Tx(Calc_x((100 - d1_) / 2));
    const int x2 = Tx(Calc_x((100 - d2_) / 2));
    const int y2 = Tx(Calc_y(h2_));
    const int y1 = Tx(Calc_y(h1_));
    TPoint vessel[8] = {TPoint(xM, pw),     TPoint(W - xM, pw), TPoint(W - xM, y2), TPoint(W - x1, y1),
                        TPoint(W - x2, H),  TPoint(x2, H),      TPoint(x1, y1),     TPoint(xM, y2)};
    c->Polygon(vessel, 8);

    // The water is the same outline with its top lowered to the surface; a surface at or below the
    // bottom of the cylinder keeps the top, so the whole vessel shows as water.
    c->SetBrush(waterBrush_.get());
    if (waterH_ > h2_) {
        const int yW = Tx(Calc_y(waterH_));
        vessel[0].y = yW;
        vessel[1].y = yW;
    }
    c->Polygon(vessel, 8);
}
