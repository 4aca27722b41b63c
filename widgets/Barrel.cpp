#include "widgets/Barrel.h"

#include "rtl/IniFiles.h"
#include "rtl/MathUtils.h"
#include "widgets/Tolmerautil.h"

TBarrel::TBarrel(TComponent* owner)
    : TPanel(owner), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {
    pen_->OnChange = TNotifyEvent(this, &TBarrel::StyleChanged);
    brush_->OnChange = TNotifyEvent(this, &TBarrel::StyleChanged);
}

TBarrel::~TBarrel() = default;

void TBarrel::SetUpColor(TColor c) {
    if (c == upColor_) return;
    upColor_ = c;
    Invalidate();
}

void TBarrel::SetDownColor(TColor c) {
    if (c == downColor_) return;
    downColor_ = c;
    Invalidate();
}

void TBarrel::SetMaxLevel(double v) {
    if (v == maxLevel_) return;
    maxLevel_ = v;
    Invalidate();
}

void TBarrel::SetMinLevel(double v) {
    if (v == minLevel_) return;
    minLevel_ = v;
    Invalidate();
}

void TBarrel::SetWaterLevel(double v) {
    if (v == waterLevel_) return;
    waterLevel_ = v;
    Invalidate();
}

void TBarrel::SetPen(TPen* p) {
    if (p && p != pen_.get()) pen_->Assign(p);
}

void TBarrel::SetBrush(TBrush* b) {
    if (b && b != brush_.get()) brush_->Assign(b);
}

void TBarrel::UpdateChanges() {
    picture_.SetRedraw(true);
    Invalidate();
}

void TBarrel::StyleChanged(TObject*) { UpdateChanges(); }

void TBarrel::Paint() {
    WidgetPaintGuard([this] {
        picture_.FitTo(this);
        if (!Visible()) return;
        TCanvas* c = picture_.Canvas();
        const int w = Width(), h = Height();
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(Color());
        c->FillRect(TRect(0, 0, w, h));
        const double d = maxLevel_ - minLevel_;
        // No scale: nothing is copied, what lies beneath stays.
        if (!(d > 0)) return;
        double lv = waterLevel_;
        if (lv < minLevel_) lv = minLevel_;
        if (lv > maxLevel_) lv = maxLevel_;
        const double hp = (lv - minLevel_) * h / d;
        const TColor up = ColorToRGB(upColor_), down = ColorToRGB(downColor_);
        const int ur = GetRValue(up), ug = GetGValue(up), ub = GetBValue(up);
        const int dr = GetRValue(down), dg = GetGValue(down), db = GetBValue(down);
        const double s = h / 100.0;
        for (int t = 0; t < 100; ++t) {
            const int yb = static_cast<int>(Trunc(t * s));
            const int yt = static_cast<int>(Trunc((t + 1) * s));
            if (yt > hp) break;
            auto channel = [t](int u, int dn) { return static_cast<int>(Trunc(t * (u - dn) / 100.0 + dn)); };
            c->Brush()->SetColor(RGB(channel(ur, dr), channel(ug, dg), channel(ub, db)));
            c->FillRect(TRect(0, h - yt, w, h - yb));
        }
        c->SetPen(pen_.get());
        const int half = pen_->Width() / 2;
        c->MoveTo(half, half);
        c->LineTo(half, h - half);
        c->LineTo(w - half, h - half);
        c->LineTo(w - half, half);
        picture_.CopyTo(Canvas(), this);
    });
}

bool TBarrel::SaveConfig() {
    const AnsiString section = Name();
    return UpdateColourFile(configName_, [&](TCustomIniFile* ini) {
        ini->WriteInteger(section, "UpColor", upColor_);
        ini->WriteInteger(section, "DownColor", downColor_);
        ini->WriteInteger(section, "BackColor", brush_->Color());
        WritePenToIni(ini, section, "Pen", pen_.get());
    });
}

bool TBarrel::LoadConfig(const AnsiString& section) {
    const AnsiString s = section.IsEmpty() ? Name() : section;
    TMemIniFile ini(configName_);
    SetUpColor(ini.ReadInteger(s, "UpColor", upColor_));
    SetDownColor(ini.ReadInteger(s, "DownColor", downColor_));
    brush_->SetColor(ini.ReadInteger(s, "BackColor", brush_->Color()));
    ReadPenFromIni(&ini, s, "Pen", pen_.get());
    return true;
}
