#include "widgets/WaterBox.h"

#include "rtl/MathUtils.h"
#include "widgets/Tolmerautil.h"

namespace {
// Every coordinate goes through the checked conversion: MainW or BoxH at 0 give an infinite or
// undefined scale, which ends the paint with the guard's beep instead of drawing nonsense.
int Tx(double v) { return static_cast<int>(Trunc(v)); }
}  // namespace

TWaterBox::TWaterBox(TComponent* owner) : TGraphicControl(owner), pen_(std::make_unique<TPen>()) {
    pen_->SetColor(clYellow);
    pen_->SetWidth(1);
    pen_->SetMode(pmCopy);
    pen_->SetStyle(psSolid);
    pen_->OnChange = TNotifyEvent(this, &TWaterBox::StyleChanged);
    SetBounds(Left(), Top(), 100, 100);
}

TWaterBox::~TWaterBox() = default;

void TWaterBox::StyleChanged(TObject*) { Invalidate(); }

// The picture is cheap and always drawn whole, so a setter repaints whether or not the value changed.
template <class T>
void TWaterBox::set(T& field, T v) {
    if (v != field) field = v;
    Refresh();
}

void TWaterBox::SetBorderColor(TColor c) { set(borderColor_, c); }
void TWaterBox::SetWaterColor(TColor c) { set(waterColor_, c); }
void TWaterBox::SetBackColor(TColor c) { set(backColor_, c); }
void TWaterBox::SetMainW(double v) { set(mainW_, v); }
void TWaterBox::SetMainH(double v) { set(mainH_, v); }
void TWaterBox::SetBoxH(double v) { set(boxH_, v); }
void TWaterBox::SetBottomH(double v) { set(bottomH_, v); }
void TWaterBox::SetBottomW(double v) { set(bottomW_, v); }
void TWaterBox::SetWaterLevel(double v) { set(waterLevel_, v); }
void TWaterBox::SetStepsCount(int n) { set(stepsCount_, n); }
void TWaterBox::SetTransparent(bool b) { set(transparent_, b); }

void TWaterBox::SetPen(TPen* p) {
    if (p && p != pen_.get()) pen_->Assign(p);
    Refresh();
}

void TWaterBox::SetConfigName(const AnsiString& name) {
    if (name != configName_) configName_ = name;
}

void TWaterBox::Paint() {
    WidgetPaintGuard([this] {
        picture_.FitTo(this);
        if (!Visible()) return;
        draw(transparent_ ? Canvas() : picture_.Canvas());
        if (!transparent_) picture_.CopyTo(Canvas(), this);
    });
}

void TWaterBox::draw(TCanvas* c) {
    const double W = Width(), H = Height();
    c->Brush()->SetColor(backColor_);
    c->Brush()->SetStyle(bsSolid);
    if (!transparent_) c->FillRect(TRect(0, 0, Width(), Height()));

    const double ky = H / boxH_;
    const double kx = W / mainW_;
    const double bw = bottomW_ * kx;
    const double bh = bottomH_ * ky;
    const double xl = (W - bw) * 0.5;
    const double xr = W - (W - bw) * 0.5;
    const double mh = mainH_ * ky;
    const double gap = mh - waterLevel_ * ky;

    c->SetPen(pen_.get());
    const int p = pen_->Width() < 1 ? 1 : pen_->Width();
    if (gap > 0) {
        // The surface lies inside the upper box: its outline, then the water from the surface down.
        c->MoveTo(p, p);
        c->LineTo(Tx(W - p), p);
        c->LineTo(Tx(W - p), Tx(mh));
        c->LineTo(p, Tx(mh));
        c->LineTo(p, p);
        const int d = 2 * p;
        c->Brush()->SetColor(waterColor_);
        c->FillRect(TRect(d, Tx(gap) - d, Tx(W) - d, Tx(mh)));
    } else {
        // Full or over-full: the box is one rectangle of water.
        c->Brush()->SetColor(waterColor_);
        c->Rectangle(p, p, Tx(W) - p, Tx(mh) - p);
    }

    c->SetPen(pen_.get());
    c->Brush()->SetColor(waterColor_);
    c->Polygon({TPoint(p, Tx(mh - p)), TPoint(Tx(W - p), Tx(mh - p)), TPoint(Tx(xr), Tx(mh + bh)),
                TPoint(Tx(xl), Tx(mh + bh))});
    c->Rectangle(Tx(xl), Tx(mh + bh), Tx(xr), Tx(H));
}

bool TWaterBox::SaveConfig() {
    const AnsiString section = Name();
    return UpdateColourFile(configName_, [&](TCustomIniFile* ini) {
        WritePenToIni(ini, section, "Pen", pen_.get());
        ini->WriteInteger(section, "BackColor", backColor_);
        ini->WriteInteger(section, "BorderColor", borderColor_);
        ini->WriteInteger(section, "WaterColor", waterColor_);
    });
}

bool TWaterBox::LoadConfig(const AnsiString& section) {
    const AnsiString s = section.IsEmpty() ? Name() : section;
    return ReadColourFile(configName_, [&](TCustomIniFile* ini) {
        ReadPenFromIni(ini, s, "Pen", pen_.get());
        SetBackColor(ini->ReadInteger(s, "BackColor", backColor_));
        SetBorderColor(ini->ReadInteger(s, "BorderColor", borderColor_));
        SetWaterColor(ini->ReadInteger(s, "WaterColor", waterColor_));
    });
}
