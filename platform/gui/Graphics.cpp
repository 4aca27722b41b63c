// Colours, pens, brushes and fonts.
#include "gui/Graphics.h"

#include "rtl/TypInfo.h"

#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

// ---- Colours -------------------------------------------------------------------------------------
namespace {

// The classic Windows look the drawing code was designed against.
std::array<TColor, COLOR_ENDCOLORS + 1> makeSysColors() {
    std::array<TColor, COLOR_ENDCOLORS + 1> c{};
    c[COLOR_SCROLLBAR] = RGB(212, 208, 200);
    c[COLOR_BACKGROUND] = RGB(58, 110, 165);
    c[COLOR_ACTIVECAPTION] = RGB(10, 36, 106);
    c[COLOR_INACTIVECAPTION] = RGB(128, 128, 128);
    c[COLOR_MENU] = RGB(212, 208, 200);
    c[COLOR_WINDOW] = RGB(255, 255, 255);
    c[COLOR_WINDOWFRAME] = RGB(0, 0, 0);
    c[COLOR_MENUTEXT] = RGB(0, 0, 0);
    c[COLOR_WINDOWTEXT] = RGB(0, 0, 0);
    c[COLOR_CAPTIONTEXT] = RGB(255, 255, 255);
    c[COLOR_ACTIVEBORDER] = RGB(212, 208, 200);
    c[COLOR_INACTIVEBORDER] = RGB(212, 208, 200);
    c[COLOR_APPWORKSPACE] = RGB(128, 128, 128);
    c[COLOR_HIGHLIGHT] = RGB(10, 36, 106);
    c[COLOR_HIGHLIGHTTEXT] = RGB(255, 255, 255);
    c[COLOR_BTNFACE] = RGB(212, 208, 200);
    c[COLOR_BTNSHADOW] = RGB(128, 128, 128);
    c[COLOR_GRAYTEXT] = RGB(128, 128, 128);
    c[COLOR_BTNTEXT] = RGB(0, 0, 0);
    c[COLOR_INACTIVECAPTIONTEXT] = RGB(212, 208, 200);
    c[COLOR_BTNHIGHLIGHT] = RGB(255, 255, 255);
    c[COLOR_3DDKSHADOW] = RGB(64, 64, 64);
    c[COLOR_3DLIGHT] = RGB(212, 208, 200);
    c[COLOR_INFOTEXT] = RGB(0, 0, 0);
    c[COLOR_INFOBK] = RGB(255, 255, 225);
    c[25] = RGB(181, 181, 181);
    c[COLOR_HOTLIGHT] = RGB(0, 0, 128);
    c[COLOR_GRADIENTACTIVECAPTION] = RGB(166, 202, 240);
    c[COLOR_GRADIENTINACTIVECAPTION] = RGB(192, 192, 192);
    c[COLOR_MENUHILIGHT] = RGB(10, 36, 106);
    c[COLOR_MENUBAR] = RGB(212, 208, 200);
    return c;
}

std::mutex& sysColorMutex() {
    static std::mutex m;
    return m;
}
std::array<TColor, COLOR_ENDCOLORS + 1>& sysColors() {
    static std::array<TColor, COLOR_ENDCOLORS + 1> c = makeSysColors();
    return c;
}

struct NamedColor {
    TColor color;
    const char* name;
};
// Name lookup order: the first entry of a value is the name ColorToString gives.
constexpr NamedColor kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
    {clMenu, "clMenu"},
    {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuText, "clMenuText"},
    {clNone, "clNone"},
    {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
    // Aliases accepted when reading.
    {clLtGray, "clLtGray"},
    {clDkGray, "clDkGray"},
};

}  // namespace

TColor GetSysColor(int index) {
    if (index < 0 || index > COLOR_ENDCOLORS) return 0;
    std::lock_guard<std::mutex> g(sysColorMutex());
    return sysColors()[static_cast<std::size_t>(index)];
}

void SetSysColor(int index, TColor rgb) {
    if (index < 0 || index > COLOR_ENDCOLORS) return;
    std::lock_guard<std::mutex> g(sysColorMutex());
    sysColors()[static_cast<std::size_t>(index)] = rgb & 0xFFFFFF;
}

TColor ColorToRGB(TColor c) {
    if (c == clNone) return clBlack;
    if (c == clDefault) return clWhite;
    if (c < 0) return GetSysColor(c & 0xFF);
    return c & 0xFFFFFF;
}

bool ColorToIdent(TColor c, AnsiString& ident) {
    for (const auto& n : kColorNames) {
        if (n.color == c) {
            ident = n.name;
            return true;
        }
    }
    return false;
}

bool IdentToColor(const AnsiString& ident, TColor& c) {
    for (const auto& n : kColorNames) {
        if (SameText(ident, n.name)) {
            c = n.color;
            return true;
        }
    }
    return false;
}

namespace {
// Colour properties stream their named values by name ("clRed").
const bool colorConstsRegistered = [] {
    RegisterIntegerConsts(
        TypeInfoOf(tkInteger, "TColor"),
        [](const AnsiString& ident, long long& value) {
            TColor c = 0;
            if (!IdentToColor(ident, c)) return false;
            value = c;
            return true;
        },
        [](long long value, AnsiString& ident) {
            if (value < INT32_MIN || value > INT32_MAX) return false;
            return ColorToIdent(static_cast<TColor>(value), ident);
        });
    return true;
}();
}  // namespace

AnsiString ColorToString(TColor c) {
    AnsiString s;
    if (ColorToIdent(c, s)) return s;
    return "$" + IntToHex(static_cast<std::uint32_t>(c), 8);
}

TColor StringToColor(const AnsiString& s) {
    TColor c = 0;
    if (IdentToColor(Trim(s), c)) return c;
    // StrToInt accepts "$" hex and wraps 8 hex digits to negative, as colours need.
    return static_cast<TColor>(StrToInt(s));
}

// ---- Graphics objects ----------------------------------------------------------------------------
void TGraphicsObject::Changed() { OnChange(this); }

void TPen::SetColor(TColor c) {
    if (c == color_) return;
    color_ = c;
    Changed();
}
void TPen::SetWidth(int w) {
    if (w == width_) return;
    width_ = w;
    Changed();
}
void TPen::SetStyle(TPenStyle s) {
    if (s == style_) return;
    style_ = s;
    Changed();
}
void TPen::SetMode(TPenMode m) {
    if (m == mode_) return;
    mode_ = m;
    Changed();
}
void TPen::SetEndCap(TPenEndCap c) {
    if (c == endCap_) return;
    endCap_ = c;
    Changed();
}
void TPen::Assign(TPersistent* source) {
    if (auto* p = dynamic_cast<TPen*>(source)) {
        if (p == this) return;
        color_ = p->color_;
        width_ = p->width_;
        style_ = p->style_;
        mode_ = p->mode_;
        endCap_ = p->endCap_;
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

void TBrush::SetColor(TColor c) {
    if (c == color_ && style_ != bsClear) return;
    color_ = c;
    // A colour given to a clear brush makes it paint again, as the class library's brush does.
    if (style_ == bsClear) style_ = bsSolid;
    Changed();
}
void TBrush::SetStyle(TBrushStyle s) {
    if (s == style_) return;
    style_ = s;
    Changed();
}
TBitmap* TBrush::Bitmap() const {
    if (bitmap_ && bitmapAlive_.expired()) return nullptr;
    return bitmap_;
}
void TBrush::SetBitmap(TBitmap* b) {
    bitmap_ = b;
    bitmapAlive_ = b ? static_cast<TGraphic*>(b)->AliveToken() : std::weak_ptr<int>();
    Changed();
}
void TBrush::Assign(TPersistent* source) {
    if (auto* b = dynamic_cast<TBrush*>(source)) {
        if (b == this) return;
        color_ = b->color_;
        style_ = b->style_;
        bitmap_ = b->Bitmap();
        bitmapAlive_ = b->bitmapAlive_;
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

// ---- Fonts ---------------------------------------------------------------------------------------
void TLogFont::SetFaceName(const AnsiString& name) {
    std::memset(lfFaceName, 0, sizeof(lfFaceName));
    std::size_t n = std::min<std::size_t>(name.size(), LF_FACESIZE - 1);
    // Never cut a UTF-8 character in two.
    while (n > 0 && n < name.size() && (static_cast<unsigned char>(name.str()[n]) & 0xC0) == 0x80) --n;
    std::memcpy(lfFaceName, name.data(), n);
}

AnsiString TLogFont::FaceName() const {
    return AnsiString(lfFaceName, strnlen(lfFaceName, LF_FACESIZE));
}

HFONT CreateFontIndirect(const TLogFont& lf) {
    auto f = std::make_shared<TLogFont>(lf);
    f->lfFaceName[LF_FACESIZE - 1] = '\0';
    return f;
}

namespace {
// MulDiv rounds half away from zero.
int mulDiv(int a, int b, int c) {
    long long p = static_cast<long long>(a) * b;
    long long q = (std::llabs(p) * 2 + c) / (2LL * c);
    return static_cast<int>(p < 0 ? -q : q);
}
}  // namespace

namespace {
// A font streams as its face, size, colour, style, charset and pitch (what a component list keeps
// of a font it set itself).
const bool fontPropertiesRegistered = [] {
    PTypeInfo integer = TypeInfoOf(tkInteger, "Integer");
    RegisterPublishedProperties(
        TFont::StaticClass(),
        {MakeProperty<TFont>("Charset", TypeInfoOf(tkInteger, "TFontCharset"), &TFont::Charset, &TFont::SetCharset),
         MakeProperty<TFont>("Color", TypeInfoOf(tkInteger, "TColor"), &TFont::Color, &TFont::SetColor),
         MakeProperty<TFont>("Height", integer, &TFont::Height, &TFont::SetHeight),
         MakeProperty<TFont>("Name", TypeInfoOf(tkLString, "TFontName"), &TFont::Name, &TFont::SetName),
         MakeProperty<TFont>("Pitch", EnumTypeInfo("TFontPitch", {"fpDefault", "fpVariable", "fpFixed"}), &TFont::Pitch,
                             &TFont::SetPitch),
         MakeProperty<TFont>("Style", TypeInfoOf(tkInteger, "TFontStyles"),
                             [](TFont* f) { return f->Style().ToInt(); },
                             [](TFont* f, int v) { f->SetStyle(TFontStyles::FromInt(v)); })});
    return true;
}();
}  // namespace

TFont::TFont() = default;

void TFont::dropHandle() {
    if (!handle_) return;
    // The font goes back to plain properties, keeping what the logical font said.
    const TLogFont& lf = *handle_;
    name_ = lf.FaceName();
    height_ = lf.lfHeight;
    TFontStyles st;
    if (lf.lfWeight >= FW_BOLD) st.Include(fsBold);
    if (lf.lfItalic) st.Include(fsItalic);
    if (lf.lfUnderline) st.Include(fsUnderline);
    if (lf.lfStrikeOut) st.Include(fsStrikeOut);
    style_ = st;
    charset_ = lf.lfCharSet;
    int pitch = lf.lfPitchAndFamily & 0x3;
    pitch_ = pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
    orientation_ = lf.lfEscapement;
    handle_.reset();
}

AnsiString TFont::Name() const { return handle_ ? handle_->FaceName() : name_; }
void TFont::SetName(const AnsiString& name) {
    if (!handle_ && name == name_) return;
    dropHandle();
    name_ = name;
    Changed();
}
int TFont::Height() const { return handle_ ? handle_->lfHeight : height_; }
void TFont::SetHeight(int pixels) {
    if (!handle_ && pixels == height_) return;
    dropHandle();
    height_ = pixels;
    Changed();
}
int TFont::Size() const { return -mulDiv(Height(), 72, ppi_); }
void TFont::SetSize(int points) { SetHeight(-mulDiv(points, ppi_, 72)); }
void TFont::SetPixelsPerInch(int ppi) {
    if (ppi <= 0 || ppi == ppi_) return;
    ppi_ = ppi;
    Changed();
}
void TFont::SetColor(TColor c) {
    if (c == color_) return;
    color_ = c;
    Changed();
}
TFontStyles TFont::Style() const {
    if (!handle_) return style_;
    TFontStyles st;
    if (handle_->lfWeight >= FW_BOLD) st.Include(fsBold);
    if (handle_->lfItalic) st.Include(fsItalic);
    if (handle_->lfUnderline) st.Include(fsUnderline);
    if (handle_->lfStrikeOut) st.Include(fsStrikeOut);
    return st;
}
void TFont::SetStyle(TFontStyles s) {
    if (!handle_ && s == style_) return;
    dropHandle();
    style_ = s;
    Changed();
}
TFontCharset TFont::Charset() const { return handle_ ? handle_->lfCharSet : charset_; }
void TFont::SetCharset(TFontCharset c) {
    if (!handle_ && c == charset_) return;
    dropHandle();
    charset_ = c;
    Changed();
}
TFontPitch TFont::Pitch() const {
    if (!handle_) return pitch_;
    int pitch = handle_->lfPitchAndFamily & 0x3;
    return pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
}
void TFont::SetPitch(TFontPitch p) {
    if (!handle_ && p == pitch_) return;
    dropHandle();
    pitch_ = p;
    Changed();
}
int TFont::Orientation() const { return handle_ ? handle_->lfEscapement : orientation_; }
void TFont::SetOrientation(int tenths) {
    if (!handle_ && tenths == orientation_) return;
    dropHandle();
    orientation_ = tenths;
    Changed();
}
int TFont::Weight() const {
    if (handle_) return handle_->lfWeight == FW_DONTCARE ? FW_NORMAL : handle_->lfWeight;
    return style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
}

namespace {

// Logical fonts of plain TFonts, shared while anybody holds them.
HFONT internFont(const TLogFont& lf) {
    static std::mutex m;
    static std::map<std::string, std::weak_ptr<const TLogFont>> cache;
    std::string key = lf.FaceName().str();
    for (int v : {lf.lfHeight, lf.lfWidth, lf.lfEscapement, lf.lfOrientation, lf.lfWeight, int(lf.lfItalic),
                  int(lf.lfUnderline), int(lf.lfStrikeOut), int(lf.lfCharSet), int(lf.lfPitchAndFamily)})
        key += '|' + std::to_string(v);
    std::lock_guard<std::mutex> g(m);
    auto& slot = cache[key];
    if (HFONT h = slot.lock()) return h;
    if (cache.size() > 4096) {
        for (auto it = cache.begin(); it != cache.end();) it = it->second.expired() ? cache.erase(it) : std::next(it);
    }
    HFONT h = CreateFontIndirect(lf);
    cache[key] = h;
    return h;
}

}  // namespace

HFONT TFont::Handle() const {
    if (handle_) return handle_;
    if (interned_) {
        const TLogFont& c = *interned_;
        const std::size_t n = name_.size();
        if (c.lfHeight == height_ && c.lfWidth == 0 && c.lfEscapement == orientation_ &&
            c.lfOrientation == orientation_ && c.lfWeight == (style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL) &&
            c.lfItalic == style_.Contains(fsItalic) && c.lfUnderline == style_.Contains(fsUnderline) &&
            c.lfStrikeOut == style_.Contains(fsStrikeOut) && c.lfCharSet == charset_ &&
            c.lfPitchAndFamily ==
                (pitch_ == fpFixed ? FIXED_PITCH : pitch_ == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH) &&
            n < LF_FACESIZE && std::memcmp(c.lfFaceName, name_.data(), n) == 0 && c.lfFaceName[n] == '\0' &&
            std::memchr(name_.data(), '\0', n) == nullptr)
            return interned_;
    }
    TLogFont lf;
    lf.lfHeight = height_;
    lf.lfEscapement = orientation_;
    lf.lfOrientation = orientation_;
    lf.lfWeight = style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = style_.Contains(fsItalic);
    lf.lfUnderline = style_.Contains(fsUnderline);
    lf.lfStrikeOut = style_.Contains(fsStrikeOut);
    lf.lfCharSet = charset_;
    lf.lfPitchAndFamily = pitch_ == fpFixed ? FIXED_PITCH : pitch_ == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
    lf.SetFaceName(name_);
    interned_ = internFont(lf);
    return interned_;
}

void TFont::SetHandle(HFONT h) {
    if (h == handle_) return;
    handle_ = std::move(h);
    Changed();
}

void TFont::Assign(TPersistent* source) {
    if (auto* f = dynamic_cast<TFont*>(source)) {
        if (f == this) return;
        name_ = f->name_;
        height_ = f->height_;
        color_ = f->color_;
        style_ = f->style_;
        charset_ = f->charset_;
        pitch_ = f->pitch_;
        orientation_ = f->orientation_;
        handle_ = f->handle_;
        if (f->ppi_ != ppi_) {
            const int points = f->Size();
            dropHandle();
            height_ = -mulDiv(points, ppi_, 72);
        }
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

bool TFont::Equals(const TFont& o) const {
    return SameText(Name(), o.Name()) && Height() == o.Height() && color_ == o.color_ && Style() == o.Style() &&
           Charset() == o.Charset() && Pitch() == o.Pitch() && Orientation() == o.Orientation() &&
           Weight() == o.Weight();
}

AnsiString ResolveFontFamily(const AnsiString& name) {
    static const struct {
        const char* from;
        const char* to;
    } kMap[] = {
        {"Arial", "Liberation Sans"},
        {"Helvetica", "Liberation Sans"},
        {"MS Sans Serif", "Liberation Sans"},
        {"System", "Liberation Sans"},
        {"Microsoft Sans Serif", "Liberation Sans"},
        {"Tahoma", "Liberation Sans"},
        {"Verdana", "Liberation Sans"},
        {"Arial Narrow", "Liberation Sans Narrow"},
        {"Times New Roman", "Liberation Serif"},
        {"Times", "Liberation Serif"},
        {"MS Serif", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
        {"Courier", "Liberation Mono"},
        {"Lucida Console", "Liberation Mono"},
    };
    for (const auto& m : kMap)
        if (SameText(name, m.from)) return m.to;
    return name;
}
