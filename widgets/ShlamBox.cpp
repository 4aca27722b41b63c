#include "widgets/ShlamBox.h"

#include "rtl/IniFiles.h"
#include "widgets/Tolmerautil.h"

TShlamBox::TShlamBox(TComponent* owner)
    : TPanel(owner), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {
    pen_->OnChange = TNotifyEvent(this, &TShlamBox::StyleChanged);
    brush_->OnChange = TNotifyEvent(this, &TShlamBox::StyleChanged);
}

TShlamBox::~TShlamBox() = default;

void TShlamBox::UpdateChanges() {
    picture_.SetRedraw(true);
    Invalidate();
}

void TShlamBox::StyleChanged(TObject*) { UpdateChanges(); }

#define SHLAM_SETTER(Name, Type, field) \
    void TShlamBox::Set##Name(Type v) { \
        if (v == field) return;         \
        field = v;                      \
        UpdateChanges();                \
    }
SHLAM_SETTER(L1, double, l1_)
SHLAM_SETTER(SubHPercent, double, subHPercent_)
SHLAM_SETTER(WPercent, double, wPercent_)
SHLAM_SETTER(Transparent, bool, transparent_)
#undef SHLAM_SETTER

void TShlamBox::SetPen(TPen* p) {
    if (p && p != pen_.get()) pen_->Assign(p);
}

void TShlamBox::SetBrush(TBrush* b) {
    if (b && b != brush_.get()) brush_->Assign(b);
}

void TShlamBox::Paint() {
    WidgetPaintGuard([this] {
        if (transparent_) {
            picture_.FitTo(this);
            if (!Visible()) return;
            // Nothing of a transparent tank is kept, so a paint for any reason draws it again.
            draw(Canvas());
            picture_.SetRedraw(false);
            return;
        }
        picture_.Show(this, Canvas(), [this](TCanvas* c) {
            c->Brush()->SetStyle(bsSolid);
            c->Brush()->SetColor(Color());
            c->FillRect(TRect(0, 0, Width(), Height()));
            draw(c);
        });
    });
}

void TShlamBox::draw(TCanvas* c) {
    const double m = 4;
    const double x2 = Width() - m;
    const double y2 = Height() - m;
    const double iw = x2 - m;
    // The bend counts from the control's left edge, not from the left wall.
    const double l1 = l1_ * iw * 0.01;
    const double ys = y2 - subHPercent_ * y2 * 0.01;
    const double yw = ys - wPercent_ * ys * 0.01;
    const int M = TruncPixel(m), X2 = TruncPixel(x2), Y2 = TruncPixel(y2);
    const int L1 = TruncPixel(l1), YS = TruncPixel(ys);

    c->Pen()->SetColor(brush_->Color());
    c->SetBrush(brush_.get());
    c->Polygon({TPoint(L1, YS), TPoint(X2, YS), TPoint(X2, Y2)});
    c->FillRect(TRect(M, TruncPixel(yw), X2, YS));

    c->SetPen(pen_.get());
    c->MoveTo(M, M);
    c->LineTo(M, YS);
    c->LineTo(L1, YS);
    c->LineTo(X2, Y2);
    c->LineTo(X2, M);
    c->MoveTo(L1, M);
    c->LineTo(L1, YS);
}

bool TShlamBox::SaveConfig() {
    // No unnamed file is ever written.
    if (configName_.IsEmpty()) return false;
    try {
        TMemIniFile ini(configName_);
        const AnsiString s = Name();
        ini.WriteInteger(s, "Color", Color());
        ini.WriteInteger(s, "BrushColor", brush_->Color());
        WritePenToIni(&ini, s, "Pen", pen_.get());
        ini.UpdateFile();
        return true;
    } catch (...) {
        return false;
    }
}

bool TShlamBox::LoadConfig(const AnsiString& section) {
    if (configName_.IsEmpty()) return false;
    try {
        const AnsiString s = section.IsEmpty() ? Name() : section;
        TMemIniFile ini(configName_);
        SetColor(ini.ReadInteger(s, "Color", Color()));
        brush_->SetColor(ini.ReadInteger(s, "BrushColor", brush_->Color()));
        ReadPenFromIni(&ini, s, "Pen", pen_.get());
        return true;
    } catch (...) {
        return false;
    }
}
