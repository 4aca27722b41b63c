#include "widgets/TermoScale.h"

#include "rtl/IniFiles.h"
#include "widgets/Tolmerautil.h"

TTermoScale::TTermoScale(TComponent* owner)
    : TPanel(owner),
      lines_(std::make_unique<TStringList>()),
      textPen_(std::make_unique<TPen>()),
      brush_(std::make_unique<TBrush>()),
      textBrush_(std::make_unique<TBrush>()),
      sPen_(std::make_unique<TPen>()),
      vPen_(std::make_unique<TPen>()),
      wPen_(std::make_unique<TPen>()) {
    const TNotifyEvent changed(this, &TTermoScale::StyleChanged);
    lines_->OnChange = changed;
    textPen_->OnChange = changed;
    brush_->OnChange = changed;
    textBrush_->OnChange = changed;
    sPen_->OnChange = changed;
    vPen_->OnChange = changed;
    wPen_->OnChange = changed;
    SetBounds(Left(), Top(), 50, 100);
}

TTermoScale::~TTermoScale() = default;

void TTermoScale::StyleChanged(TObject*) { Invalidate(); }

#define TERMO_SETTER(Name, field)            \
    void TTermoScale::Set##Name(double v) { \
        if (v == field) return;              \
        field = v;                           \
        Invalidate();                        \
    }
TERMO_SETTER(TextWPercent, textWPercent_)
TERMO_SETTER(TextHPercent, textHPercent_)
TERMO_SETTER(SLineXPercent, sLineXPercent_)
#undef TERMO_SETTER

void TTermoScale::SetTransparent(bool b) {
    if (b == transparent_) return;
    transparent_ = b;
    Invalidate();
}

void TTermoScale::SetLines(TStringList* list) {
    if (list && list != lines_.get()) lines_->Assign(list);
    Invalidate();
}

template <class T>
static void CopyStyle(T* owned, T* given) {
    if (given && given != owned) owned->Assign(given);
}

void TTermoScale::SetTextPen(TPen* p) { CopyStyle(textPen_.get(), p); }
void TTermoScale::SetBrush(TBrush* b) { CopyStyle(brush_.get(), b); }
void TTermoScale::SetTextBrush(TBrush* b) { CopyStyle(textBrush_.get(), b); }
void TTermoScale::SetSPen(TPen* p) { CopyStyle(sPen_.get(), p); }
void TTermoScale::SetVPen(TPen* p) { CopyStyle(vPen_.get(), p); }
void TTermoScale::SetWPen(TPen* p) { CopyStyle(wPen_.get(), p); }

void TTermoScale::Paint() {
    TCanvas* c = Canvas();
    // A transparent scale leaves the background to the erase, which lays the panel's Color.
    WidgetPaintGuard([&] {
        if (transparent_) return;
        c->SetBrush(brush_.get());
        c->FillRect(TRect(0, 0, Width(), Height()));
    });
    if (lines_->Count() < 2) return;
    WidgetPaintGuard([&] { draw(c); });
}

void TTermoScale::draw(TCanvas* c) {
    const int W = Width(), H = Height();
    const double cx = W / 2;
    const double tw = W * textWPercent_ * 0.01;
    const double th = H * textHPercent_ * 0.01;
    const double h2 = th * 0.5;
    const int n = lines_->Count() - 1;
    // The bottom mark h2 above the bottom edge, the top mark h2 below the top edge.
    const double dy = ((H - h2) - h2) / n;

    c->SetPen(vPen_.get());
    c->MoveTo(TruncPixel(cx), 0);
    c->LineTo(TruncPixel(cx), H);

    c->SetPen(wPen_.get());
    for (int i = 0; i <= n; ++i) {
        const int y = TruncPixel(i * dy + h2);
        c->MoveTo(0, y);
        c->LineTo(W, y);
    }

    const double sw = W * sLineXPercent_ * 0.01;
    c->SetPen(sPen_.get());
    for (int i = 0; i < n; ++i) {
        const int y = TruncPixel(i * dy + h2 + dy * 0.5);
        c->MoveTo(TruncPixel(cx - sw * 0.5), y);
        c->LineTo(TruncPixel(cx + sw * 0.5), y);
    }

    c->SetPen(textPen_.get());
    c->SetBrush(textBrush_.get());
    c->SetFont(Font());
    c->SetBkMode(TRANSPARENT);
    for (int i = 0; i <= n; ++i) {
        const double top = i * dy;
        c->Rectangle(TruncPixel(cx - tw * 0.5), TruncPixel(top), TruncPixel(cx + tw * 0.5), TruncPixel(top + th));
        // The top box shows the last line.
        const AnsiString text = lines_->Strings(n - i);
        c->TextOut(TruncPixel(cx - c->TextWidth(text) / 2), TruncPixel((th - c->TextHeight(text)) * 0.5 + top), text);
    }
}

bool TTermoScale::SaveConfig() {
    try {
        TMemIniFile ini(configName_);
        const AnsiString s = Name();
        WritePenToIni(&ini, s, "TextPen", textPen_.get());
        WritePenToIni(&ini, s, "SPen", sPen_.get());
        WritePenToIni(&ini, s, "VPen", vPen_.get());
        WritePenToIni(&ini, s, "WPen", wPen_.get());
        ini.WriteInteger(s, "BrushColor", brush_->Color());
        ini.WriteInteger(s, "TextBrushColor", textBrush_->Color());
        WriteFontToIni(&ini, s, "Font", Font());
        ini.UpdateFile();
        return true;
    } catch (...) {
        return false;
    }
}

bool TTermoScale::LoadConfig(const AnsiString& section) {
    try {
        const AnsiString s = section.IsEmpty() ? Name() : section;
        TMemIniFile ini(configName_);
        ReadPenFromIni(&ini, s, "TextPen", textPen_.get());
        ReadPenFromIni(&ini, s, "SPen", sPen_.get());
        ReadPenFromIni(&ini, s, "VPen", vPen_.get());
        ReadPenFromIni(&ini, s, "WPen", wPen_.get());
        brush_->SetColor(ini.ReadInteger(s, "BrushColor", brush_->Color()));
        textBrush_->SetColor(ini.ReadInteger(s, "TextBrushColor", textBrush_->Color()));
        ReadFontFromIni(&ini, s, "Font", Font());
        return true;
    } catch (...) {
        return false;
    }
}
