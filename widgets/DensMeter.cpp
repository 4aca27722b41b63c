#include "widgets/DensMeter.h"

#include "rtl/IniFiles.h"
#include "rtl/MathUtils.h"
#include "widgets/Tolmerautil.h"

TDensMeter::TDensMeter(TComponent* owner)
    : TPanel(owner),
      outFont_(std::make_unique<TFont>()),
      termoPen_(std::make_unique<TPen>()),
      pen_(std::make_unique<TPen>()),
      strCellColors_(std::make_unique<TStringList>()),
      outBrush_(std::make_unique<TBrush>()),
      outPen_(std::make_unique<TPen>()) {
    const TNotifyEvent changed(this, &TDensMeter::StyleChanged);
    outFont_->OnChange = changed;
    termoPen_->OnChange = changed;
    pen_->OnChange = changed;
    strCellColors_->OnChange = changed;
    // Red cells until a list says otherwise.
    for (int i = 0; i < MaxColoredCells; ++i) strCellColors_->Add("0x000000FF");
    ReadColors();
    outPen_->OnChange = changed;
    outBrush_->OnChange = changed;
}

TDensMeter::~TDensMeter() = default;

void TDensMeter::UpdateChanges() {
    picture_.SetRedraw(true);
    Invalidate();
}

void TDensMeter::StyleChanged(TObject*) {
    ReadColors();
    UpdateChanges();
}

void TDensMeter::ReadColors() {
    const int n = Min(strCellColors_->Count(), MaxColoredCells);
    for (int i = 0; i < n; ++i) cellColors_[i] = StrToInt(strCellColors_->Strings(i));
}

TColor TDensMeter::CellColor(int i) const { return i >= 0 && i < MaxColoredCells ? cellColors_[i] : clBlack; }

#define DENS_SETTER(Name, Type, field)   \
    void TDensMeter::Set##Name(Type v) { \
        if (v == field) return;          \
        field = v;                       \
        UpdateChanges();                 \
    }
DENS_SETTER(TermoTop, int, termoTop_)
DENS_SETTER(TermoHeight, int, termoHeight_)
DENS_SETTER(TermoXSpace, int, termoXSpace_)
DENS_SETTER(OutTop, int, outTop_)
DENS_SETTER(OutXSpace, int, outXSpace_)
DENS_SETTER(OutHeight, int, outHeight_)
DENS_SETTER(OutFormat, const AnsiString&, outFormat_)
DENS_SETTER(TermoCellCount, int, termoCellCount_)
DENS_SETTER(OutMin, double, outMin_)
DENS_SETTER(OutMax, double, outMax_)
DENS_SETTER(OutValue, double, outValue_)
DENS_SETTER(TermoBackColor, TColor, termoBackColor_)
#undef DENS_SETTER

void TDensMeter::SetCellCount(int n) { cellCount_ = n; }

void TDensMeter::SetTermoPen(TPen* p) {
    if (p && p != termoPen_.get()) termoPen_->Assign(p);
    UpdateChanges();
}

void TDensMeter::SetPen(TPen* p) {
    if (p && p != pen_.get()) pen_->Assign(p);
    UpdateChanges();
}

void TDensMeter::SetOutBrush(TBrush* b) {
    if (b && b != outBrush_.get()) outBrush_->Assign(b);
    UpdateChanges();
}

void TDensMeter::SetOutFont(TFont* f) {
    if (f && f != outFont_.get()) outFont_->Assign(f);
}

void TDensMeter::SetOutPen(TPen* p) {
    if (p && p != outPen_.get()) outPen_->Assign(p);
}

void TDensMeter::SetStrCellColors(TStringList* list) {
    if (list && list != strCellColors_.get()) strCellColors_->Assign(list);
    ReadColors();
}

void TDensMeter::Paint() {
    WidgetPaintGuard([this] {
        picture_.FitTo(this);
        if (!Visible()) return;
        // The flag is never cleared: the meter draws its picture anew at every paint.
        if (picture_.Redraw()) {
            TCanvas* c = picture_.Canvas();
            PaintBackGround(c);
            PaintTermo(c);
            PaintOut(c);
        }
        picture_.CopyTo(Canvas(), this);
    });
}

void TDensMeter::PaintBackGround(TCanvas* c) {
    const int W = Width(), H = Height();
    c->SetPen(pen_.get());
    c->Brush()->SetColor(Color());
    c->Rectangle(0, 0, W, H);
    c->SetFont(Font());
    c->SetBkMode(TRANSPARENT);
    const AnsiString caption = Caption();
    c->TextOut(W / 2 - c->TextWidth(caption) / 2, 4, caption);
}

void TDensMeter::PaintTermo(TCanvas* c) {
    const int x1 = termoXSpace_, x2 = Width() - termoXSpace_;
    const int y1 = termoTop_, y2 = termoTop_ + termoHeight_;
    c->SetPen(termoPen_.get());
    c->Brush()->SetColor(termoBackColor_);
    c->Rectangle(x1, y1, x2, y2);

    const int span = x2 - x1;
    const double range = outMax_ - outMin_;
    const double k = range > 0 ? span / range : 0;
    const double xv = x1 + (outValue_ - outMin_) * k;
    for (int i = 0; i < cellCount_; ++i) {
        const double cw = static_cast<double>(span) / cellCount_;
        const int c1 = TruncPixel(i * cw + x1);
        const int c2 = TruncPixel(c1 + cw);
        c->Brush()->SetColor(CellColor(i));
        // A cell the value cuts is filled only up to the value.
        if (c2 < xv) c->Rectangle(c1, y1, c2, y2);
        else if (c1 < xv) c->Rectangle(c1, y1, TruncPixel(xv), y2);
        c->MoveTo(c1, y1);
        c->LineTo(c1, y2 + 4);
        c->MoveTo(c2, y1);
        c->LineTo(c2, y2 + 4);
    }
}

void TDensMeter::PaintOut(TCanvas* c) {
    const int x1 = outXSpace_, x2 = Width() - outXSpace_;
    const int y1 = outTop_, y2 = outTop_ + outHeight_;
    c->SetPen(outPen_.get());
    c->SetBrush(outBrush_.get());
    c->Rectangle(x1, y1, x2, y2);
    c->SetFont(outFont_.get());
    const AnsiString text = FormatFloat(outFormat_, outValue_);
    const int tw = c->TextWidth(text);
    const int th = c->TextHeight(text);
    c->SetBkMode(TRANSPARENT);
    c->TextOut((x2 - x1 - tw) / 2 + x1, (y2 - y1 - th) / 2 + y1, text);
}

bool TDensMeter::SaveConfig() {
    try {
        TMemIniFile ini(configName_);
        const AnsiString s = Name();
        ini.WriteInteger(s, "TermoTop", termoTop_);
        ini.WriteInteger(s, "TermoHeight", termoHeight_);
        ini.WriteInteger(s, "TermoXSpace", termoXSpace_);
        ini.WriteInteger(s, "OutTop", outTop_);
        ini.WriteInteger(s, "TermoCellCount", termoCellCount_);
        ini.WriteInteger(s, "CellCount", cellCount_);
        ini.WriteInteger(s, "TermoBackColor", termoBackColor_);
        ini.WriteInteger(s, "OutXSpace", outXSpace_);
        ini.WriteInteger(s, "OutHeight", outHeight_);
        ini.WriteFloat(s, "OutMin", outMin_);
        ini.WriteFloat(s, "OutMax", outMax_);
        ini.WriteFloat(s, "OutValue", outValue_);
        ini.WriteString(s, "OutFormat", outFormat_);
        WritePenToIni(&ini, s, "TermoPen", termoPen_.get());
        WritePenToIni(&ini, s, "Pen", pen_.get());
        WriteFontToIni(&ini, s, "OutFont", outFont_.get());
        WriteStringsToIni(&ini, s, "StrCellColors", strCellColors_.get());
        ini.UpdateFile();
        return true;
    } catch (...) {
        // An unwritable or unnamed file is a failure, and the caller is told so.
        return false;
    }
}

bool TDensMeter::LoadConfig(const AnsiString& section) {
    try {
        const AnsiString s = section.IsEmpty() ? Name() : section;
        TMemIniFile ini(configName_);
        SetTermoTop(ini.ReadInteger(s, "TermoTop", termoTop_));
        SetTermoHeight(ini.ReadInteger(s, "TermoHeight", termoHeight_));
        SetTermoXSpace(ini.ReadInteger(s, "TermoXSpace", termoXSpace_));
        SetOutTop(ini.ReadInteger(s, "OutTop", outTop_));
        SetTermoCellCount(ini.ReadInteger(s, "TermoCellCount", termoCellCount_));
        SetCellCount(ini.ReadInteger(s, "CellCount", cellCount_));
        SetTermoBackColor(ini.ReadInteger(s, "TermoBackColor", termoBackColor_));
        SetOutXSpace(ini.ReadInteger(s, "OutXSpace", outXSpace_));
        SetOutHeight(ini.ReadInteger(s, "OutHeight", outHeight_));
        SetOutMin(ini.ReadFloat(s, "OutMin", outMin_));
        SetOutMax(ini.ReadFloat(s, "OutMax", outMax_));
        SetOutValue(ini.ReadFloat(s, "OutValue", outValue_));
        SetOutFormat(ini.ReadString(s, "OutFormat", outFormat_));
        ReadPenFromIni(&ini, s, "TermoPen", termoPen_.get());
        ReadPenFromIni(&ini, s, "Pen", pen_.get());
        ReadFontFromIni(&ini, s, "OutFont", outFont_.get());
        ReadStringsFromIni(&ini, s, "StrCellColors", strCellColors_.get());
        return true;
    } catch (...) {
        return false;
    }
}
