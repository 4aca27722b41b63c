#include "widgets/OutField.h"

#include "rtl/IniFiles.h"
#include "rtl/MathUtils.h"
#include "widgets/Tolmerautil.h"

#include <cmath>

namespace {
// The group colour of an output field is its frame.
void OutFieldGroupColor(TComponent* c, TColor colour) { static_cast<TOutField*>(c)->Pen()->SetColor(colour); }
const bool registered = RegisterColorGroupRoutine("TOutField", &OutFieldGroupColor);
}  // namespace

TOutField::TOutField(TComponent* owner)
    : TPanel(owner), brush_(std::make_unique<TBrush>()), pen_(std::make_unique<TPen>()) {
    (void)registered;
    brush_->OnChange = TNotifyEvent(this, &TOutField::StyleChanged);
    pen_->OnChange = TNotifyEvent(this, &TOutField::StyleChanged);
    // The field's font is its own: a parent's font change must not restyle the numbers.
    SetParentFont(false);
    Font()->SetName("Times New Roman");
    Font()->SetSize(10);
    constructed_ = true;
    // The value is 0 already, so the caption the form gives stays until a different value comes.
    SetOutValue(0);
}

TOutField::~TOutField() = default;

void TOutField::SetBrush(TBrush* b) {
    if (b && b != brush_.get()) brush_->Assign(b);
    StyleChanged(this);
}

void TOutField::SetPen(TPen* p) {
    if (p && p != pen_.get()) pen_->Assign(p);
    StyleChanged(this);
}

void TOutField::SetOutFormat(const AnsiString& fmt) {
    if (fmt == outFormat_) return;
    outFormat_ = fmt;
    StyleChanged(this);
}

void TOutField::SetOutValue(double value) {
    if (value == outValue_) return;
    outValue_ = value;
    SetCaption(FormatFloat(outFormat_, value));
    StyleChanged(this);
}

void TOutField::SetAlpha(int tenths) {
    if (tenths == alpha_) return;
    alpha_ = tenths;
    StyleChanged(this);
}

void TOutField::SetHandWriting(bool b) {
    if (b == handWriting_) return;
    handWriting_ = b;
    StyleChanged(this);
}

void TOutField::SetTransparent(bool b) {
    if (b == transparent_) return;
    transparent_ = b;
    StyleChanged(this);
}

void TOutField::SetVAlign(TKelvaronVAlign v) {
    if (v == vAlign_) return;
    vAlign_ = v;
    StyleChanged(this);
}

void TOutField::StyleChanged(TObject*) {
    picture_.SetRedraw(true);
    Invalidate();
}

void TOutField::FontChanged() {
    TPanel::FontChanged();
    if (constructed_) StyleChanged(this);
}

void TOutField::TextChanged() {
    TPanel::TextChanged();
    if (constructed_) StyleChanged(this);
}

void TOutField::WMEraseBkgnd(TMessage& m) {
    // The box covers the whole control, so erasing first would only flicker. A transparent field
    // has no box: there the background is laid first, so an old text does not show under a new one.
    if (transparent_) {
        TPanel::WMEraseBkgnd(m);
        return;
    }
    m.Result = 1;
}

void TOutField::Paint() {
    WidgetPaintGuard([this] {
        picture_.FitTo(this);
        if (!Visible()) return;
        // A transparent field draws straight onto the control, and at every paint: its text is in
        // no kept picture, so a paint for any other reason (a window uncovered) must draw it again.
        if (transparent_) {
            drawText(Canvas());
            picture_.SetRedraw(false);
            return;
        }
        if (picture_.Redraw()) {
            TCanvas* c = picture_.Canvas();
            c->SetBrush(brush_.get());
            c->SetPen(pen_.get());
            c->Rectangle(0, 0, Width(), Height());
            drawText(c);
            picture_.SetRedraw(false);
        }
        picture_.CopyTo(Canvas(), this);
    });
}

void TOutField::drawText(TCanvas* canvas) {
    canvas->SetBkMode(TRANSPARENT);
    // A logical font for each redraw: rotation, the weight of 600 for bold and the script family
    // are beyond what a plain font carries.
    TLogFont lf;
    lf.lfHeight = Font()->Height();
    lf.lfEscapement = alpha_;
    lf.lfOrientation = alpha_;
    const TFontStyles style = Font()->Style();
    lf.lfWeight = style.Contains(fsBold) ? FW_SEMIBOLD : FW_NORMAL;
    lf.lfItalic = style.Contains(fsItalic) ? 1 : 0;
    lf.lfUnderline = style.Contains(fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = style.Contains(fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfPitchAndFamily = handWriting_ ? FF_SCRIPT : 0;
    lf.SetFaceName(Font()->Name());
    HFONT font = CreateFontIndirect(lf);
    canvas->Font()->SetHandle(font);
    canvas->Font()->SetColor(Font()->Color());

    const AnsiString text = Caption();
    const int tw = canvas->TextWidth(text);
    const int th = canvas->TextHeight(text);
    const double r = std::sqrt((tw / 2.0) * (tw / 2.0) + (th / 2.0) * (th / 2.0));
    const double cx = Width() * 0.5;
    double cy = Height() * 0.5;
    if (vAlign_ == kv_VAlignTop) cy = th + 1;
    else if (vAlign_ == kv_VAlignBottom) cy = Height() - th;
    // The text's top-left corner seen from its centre (y up), turned by Alpha: the text turns
    // about the centre of its cell.
    const double a = std::atan2(th / 2.0, -tw / 2.0) + alpha_ * 0.1 * M_PI / 180.0;
    const int x = static_cast<int>(Trunc(cx + r * std::cos(a)));
    const int y = static_cast<int>(Trunc(cy - r * std::sin(a)));
    canvas->TextOut(x, y, text);
    DeleteObject(font);
}

bool TOutField::SaveConfig() {
    // An unwritable or unnamed file is a failure, and the caller is told so.
    const AnsiString section = Name();
    return UpdateColourFile(configName_, [&](TCustomIniFile* ini) {
        WritePenToIni(ini, section, "Pen", pen_.get());
        WriteFontToIni(ini, section, "Font", Font());
        ini->WriteString(section, "OutFormat", outFormat_);
        ini->WriteInteger(section, "BrushColor", brush_->Color());
    });
}

bool TOutField::LoadConfig(const AnsiString& section) {
    const AnsiString s = section.IsEmpty() ? Name() : section;
    TMemIniFile ini(configName_);
    ReadPenFromIni(&ini, s, "Pen", pen_.get());
    ReadFontFromIni(&ini, s, "Font", Font());
    brush_->SetColor(ini.ReadInteger(s, "BrushColor", brush_->Color()));
    return true;
}
