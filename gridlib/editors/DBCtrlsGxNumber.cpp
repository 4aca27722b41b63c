// The number editor: text normalisation and regrouping, the edit and display formats, bounds and
// rounding, typing and pasting, stepping, and the calculator drop-down.
#include "gridlib/editors/DBCtrlsGxNumber.h"

#include "gui/WinApi.h"
#include "rtl/TypInfo.h"

#include <cmath>
#include <string>
#include <vector>

namespace {
std::vector<std::string> textChars(const AnsiString& s) { return Utf8Chars(s.str()); }

AnsiString joinChars(const std::vector<std::string>& v) {
    std::string out;
    for (const std::string& c : v) out += c;
    return AnsiString(out);
}

std::string decimalSeparator() { return std::string(1, FormatSettings().DecimalSeparator); }

// Rounds half to even at the given decimals. A value whose scaled magnitude reaches 2^53 is whole
// already at that scale (a double has no fraction digits left there), so it stays as it is; this
// also keeps huge values and many decimals from overflowing any integer.
double roundToPlaces(double value, unsigned places) {
    if (places > 37 || !std::isfinite(value)) return value;
    double scale = 1;
    for (unsigned i = 0; i < places; ++i) scale *= 10;
    const double scaled = value * scale;
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9007199254740992.0) return value;
    return std::nearbyint(scaled) / scale;
}

bool isNumberVariant(const Variant& v) {
    switch (VarType(v)) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency: return true;
    default: return false;
    }
}

const bool numberPropertiesRegistered = [] {
    PTypeInfo boolean = EnumTypeInfo("Boolean", {"False", "True"});
    PTypeInfo text = TypeInfoOf(tkLString, "String");
    PTypeInfo cardinal = TypeInfoOf(tkInteger, "Cardinal");
    PTypeInfo extended = TypeInfoOf(tkFloat, "Extended");
    using E = TCustomDBNumberEditGx;
    TPropInfo cur = MakeProperty<E>("currency", boolean, &E::GetCurrency, &E::SetCurrency);
    cur.Stored = [](TObject* o) { return static_cast<E*>(o)->IsCurrencyStored(); };
    TPropInfo df = MakeProperty<E>("DisplayFormat", text, &E::GetDisplayFormat, &E::SetDisplayFormat);
    df.Stored = [](TObject* o) { return static_cast<E*>(o)->IsDisplayFormatStored(); };
    TPropInfo inc = MakeProperty<E>("Increment", extended, &E::Increment, &E::SetIncrement);
    inc.Stored = [](TObject* o) { return static_cast<E*>(o)->Increment() != 1; };
    TPropInfo mx = MakeProperty<E>("MaxValue", extended, &E::GetMaxValue, &E::SetMaxValue);
    mx.Stored = [](TObject* o) { return static_cast<E*>(o)->IsMaxValueStored(); };
    TPropInfo mn = MakeProperty<E>("MinValue", extended, &E::GetMinValue, &E::SetMinValue);
    mn.Stored = [](TObject* o) { return static_cast<E*>(o)->IsMinValueStored(); };
    TPropInfo value = MakeProperty<TCustomDBEditGx>("Value", TypeInfoOf(tkVariant, "Variant"), &TCustomDBEditGx::GetValue,
                                                    &TCustomDBEditGx::SetValue);
    // Only an editor of its own keeps its value with the form.
    value.Stored = [](TObject* o) {
        auto* e = static_cast<TCustomDBEditGx*>(o);
        return e->DataIndepended() && !VarIsNull(e->GetValue());
    };
    RegisterPublishedProperties(
        TDBNumberEditGx::StaticClass(),
        {cur, MakeProperty<E>("DecimalPlaces", cardinal, &E::DecimalPlaces, &E::SetDecimalPlaces, 2), df,
         MakeProperty<E>("EditButton", ClassTypeInfo(TEditButtonGx::StaticClass()), &E::EditButton, &E::SetEditButton),
         inc, mx, mn, value});
    return true;
}();
}  // namespace

// ---- Text rules ------------------------------------------------------------------------------------------

bool TryTextToNumber(const AnsiString& text, double& value) {
    const char sep = FormatSettings().DecimalSeparator;
    for (char c : text.str())
        if (!(c == sep || c == '+' || c == '-' || (c >= '0' && c <= '9') || c == 'E' || c == 'e')) return false;
    if (text == "+" || text == "-") {
        value = 0;
        return true;
    }
    return TextToFloat(AnsiString(text.str().substr(0, 63)), value, FormatSettings());
}

AnsiString GroupDigitsText(const AnsiString& text, bool thousands) {
    const std::string& s = text.str();
    const std::string sep = decimalSeparator();
    std::size_t i = 0;
    std::string out;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) out += s[i++];
    std::size_t end = i;
    while (end < s.size() && s.compare(end, sep.size(), sep) != 0 && s[end] != 'E' && s[end] != 'e') ++end;
    std::string digits;
    for (std::size_t k = i; k < end; ++k)
        if (s[k] >= '0' && s[k] <= '9') digits += s[k];
    const std::string th = FormatSettings().ThousandSeparator.str();
    for (std::size_t k = 0; k < digits.size(); ++k) {
        if (thousands && k > 0 && (digits.size() - k) % 3 == 0) out += th;
        out += digits[k];
    }
    out += s.substr(end);
    return AnsiString(out);
}

AnsiString DisplayFormatToEditFormat(const AnsiString& displayFormat) {
    const std::string& s = displayFormat.str();
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"' || c == '\'') {
            const std::size_t close = s.find(c, i + 1);
            if (close == std::string::npos) break;
            i = close;
            continue;
        }
        if (c == ';') break;
        if (c == 'E' || c == 'e') {
            // The exponent: its sign and zeros are no part of the edited text.
            if (i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-')) ++i;
            while (i + 1 < s.size() && s[i + 1] == '0') ++i;
            continue;
        }
        if (c == '#' || c == '0' || c == ',' || c == '.') out += c;
    }
    return AnsiString(out);
}

// ---- Construction and properties ---------------------------------------------------------------------------

TCustomDBNumberEditGx::TCustomDBNumberEditGx(TComponent* owner) : TCustomDBEditGx(owner) {
    SetEditButtonObject(CreateEditButton());
    SetControlStyle(ControlStyle() & ~csSetCaption);
    SetMaxLength(0);
    applyAlignment();
    DataChange(this);
}

TCustomDBNumberEditGx::~TCustomDBNumberEditGx() { Destroying_(); }

std::unique_ptr<TEditButtonGx> TCustomDBNumberEditGx::CreateEditButton() {
    auto b = std::make_unique<TDropDownEditButtonGx>(static_cast<TWinControl*>(this));
    b->SetStyle(ebsDropDownGx);
    return b;
}

AnsiString TCustomDBNumberEditGx::DefaultDisplayFormat() const {
    TField* f = GetField();
    if (auto* n = dynamic_cast<TNumericField*>(f)) return n->DisplayFormat();
    if (auto* d = dynamic_cast<TDateTimeField*>(f)) return d->DisplayFormat();
    if (auto* a = dynamic_cast<TAggregateField*>(f)) return a->DisplayFormat();
    return AnsiString();
}

AnsiString TCustomDBNumberEditGx::GetDisplayFormat() const {
    return displayFormatAssigned_ ? displayFormat_ : DefaultDisplayFormat();
}

void TCustomDBNumberEditGx::SetDisplayFormat(const AnsiString& format) {
    if (displayFormatAssigned_ && format == displayFormat_) return;
    displayFormat_ = format;
    displayFormatAssigned_ = true;
    DataChange(this);
}

bool TCustomDBNumberEditGx::DefaultCurrency() const {
    TField* f = GetField();
    if (auto* fl = dynamic_cast<TFloatField*>(f)) return fl->IsCurrency();
    if (auto* b = dynamic_cast<TBCDField*>(f)) return b->IsCurrency();
    if (auto* a = dynamic_cast<TAggregateField*>(f)) return a->IsCurrency();
    return false;
}

bool TCustomDBNumberEditGx::GetCurrency() const { return currencyAssigned_ ? currency_ : DefaultCurrency(); }

void TCustomDBNumberEditGx::SetCurrency(bool value) {
    if (currencyAssigned_ && value == currency_) return;
    currency_ = value;
    currencyAssigned_ = true;
    DataChange(this);
}

double TCustomDBNumberEditGx::DefaultMinValue() const {
    TField* f = GetField();
    if (auto* i = dynamic_cast<TIntegerField*>(f)) return i->MinValue();
    if (auto* b = dynamic_cast<TBCDField*>(f)) return b->MinValue().ToDouble();
    if (auto* fl = dynamic_cast<TFloatField*>(f)) return fl->MinValue();
    return 0;
}

double TCustomDBNumberEditGx::DefaultMaxValue() const {
    TField* f = GetField();
    if (auto* i = dynamic_cast<TIntegerField*>(f)) return i->MaxValue();
    if (auto* b = dynamic_cast<TBCDField*>(f)) return b->MaxValue().ToDouble();
    if (auto* fl = dynamic_cast<TFloatField*>(f)) return fl->MaxValue();
    return 0;
}

double TCustomDBNumberEditGx::GetMinValue() const { return minValueAssigned_ ? minValue_ : DefaultMinValue(); }
double TCustomDBNumberEditGx::GetMaxValue() const { return maxValueAssigned_ ? maxValue_ : DefaultMaxValue(); }

void TCustomDBNumberEditGx::SetMinValue(double value) {
    if (minValueAssigned_ && value == minValue_) return;
    minValue_ = value;
    minValueAssigned_ = true;
    if (!(ComponentState() & csLoading) && DataIndepended()) UpdateData();
}

void TCustomDBNumberEditGx::SetMaxValue(double value) {
    if (maxValueAssigned_ && value == maxValue_) return;
    maxValue_ = value;
    maxValueAssigned_ = true;
    if (!(ComponentState() & csLoading) && DataIndepended()) UpdateData();
}

void TCustomDBNumberEditGx::SetDecimalPlaces(unsigned places) { decimalPlaces_ = places; }

TAlignment TCustomDBNumberEditGx::DefaultAlignment() {
    TField* f = GetField();
    return f ? f->Alignment() : taRightJustify;
}

void TCustomDBNumberEditGx::applyAlignment() {
    // Numbers align natively, also while focused.
    TCustomEdit::SetAlignment(Alignment());
}

void TCustomDBNumberEditGx::CreateWnd() {
    TCustomDBEditGx::CreateWnd();
    applyAlignment();
}

// ---- Value and text ------------------------------------------------------------------------------------------

AnsiString TCustomDBNumberEditGx::TextToValText(const AnsiString& text) const {
    const TFormatSettings& fs = FormatSettings();
    const std::string dec = decimalSeparator();
    const std::string th = fs.ThousandSeparator.str();
    std::string s = Trim(text).str();
    if (dec != th && !th.empty()) s = StringReplace(AnsiString(s), AnsiString(th), AnsiString()).str();
    if (dec != "." && th != ".") s = StringReplace(AnsiString(s), ".", AnsiString(dec)).str();
    if (dec != "," && th != ",") s = StringReplace(AnsiString(s), ",", AnsiString(dec)).str();
    return AnsiString(s);
}

double TCustomDBNumberEditGx::CheckValue(double value) const {
    const double lo = minValue_, hi = maxValue_;
    if (lo < hi) {
        value = std::clamp(value, lo, hi);
    } else if (lo > hi) {
        // One bound alone: the other is left 0.
        if (hi == 0) value = std::max(value, lo);
        else if (lo == 0) value = std::min(value, hi);
    }
    return roundToPlaces(value, decimalPlaces_);
}

AnsiString TCustomDBNumberEditGx::FormatDisplayText(double value) {
    const AnsiString df = GetDisplayFormat();
    if (!df.IsEmpty()) return FormatFloat(df, value);
    if (GetCurrency()) return CurrToStrF(Currency(value), ffCurrency, FormatSettings().CurrencyDecimals);
    return FloatToStr(value);
}

AnsiString TCustomDBNumberEditGx::GetDisplayText() {
    if (VarIsNull(value_)) return AnsiString();
    return FormatDisplayText(value_.AsDouble());
}

void TCustomDBNumberEditGx::updateEditFormat() {
    const AnsiString df = GetDisplayFormat();
    if (!df.IsEmpty() || !GetCurrency()) editFormat_ = DisplayFormatToEditFormat(df);
    else editFormat_ = ",#." + StringOfChar('0', FormatSettings().CurrencyDecimals);
}

Variant TCustomDBNumberEditGx::GetVariantValue() const { return value_; }

void TCustomDBNumberEditGx::InternalSetControlText(const AnsiString& text) {
    if (settingControlText_) return;
    settingControlText_ = true;
    try {
        TCustomDBEditGx::InternalSetText(text);
    } catch (...) {
        settingControlText_ = false;
        throw;
    }
    settingControlText_ = false;
}

void TCustomDBNumberEditGx::InternalSetValue(const Variant& value) {
    if (VarIsNull(value) || VarIsEmpty(value)) {
        InternalSetControlText(AnsiString());
        value_ = Null();
        return;
    }
    const double v = VarAsType(value, varDouble).AsDouble();
    value_ = Variant(v);
    FieldDataLink()->Modified();
    if (FocusedFlag() && FieldDataLink()->GetCanModify()) {
        const AnsiString t = editFormat_.IsEmpty() ? FloatToStr(v) : FormatFloat(editFormat_, v);
        InternalSetControlText(t);
        ReformatEditText(t);
    } else {
        InternalSetControlText(GetDisplayText());
    }
}

void TCustomDBNumberEditGx::InternalSetText(const AnsiString& text) {
    if (text.IsEmpty()) InternalSetValue(Null());
    else InternalSetValue(Variant(StrToFloat(TextToValText(text))));
}

void TCustomDBNumberEditGx::DataChanged() {
    updateEditFormat();
    TField* f = GetField();
    if (f) {
        if (!IsAlignmentStored() && f->Alignment() != fieldAlignment_) {
            fieldAlignment_ = f->Alignment();
            applyAlignment();
        }
        InternalSetValue(f->IsNull() ? Null() : Variant(f->AsFloat()));
    } else if (DataIndepended()) {
        InternalSetValue(FieldDataLink()->LocalValue);
    } else {
        InternalSetValue(Null());
    }
    UpdateControlReadOnly();
    FieldDataLink()->SetModified(false);
    SetModified(false);
}

void TCustomDBNumberEditGx::InternalUpdatePostData() { FieldDataLink()->SetValue(value_); }

void TCustomDBNumberEditGx::ReformatEditText(const AnsiString& text) {
    if (text.IsEmpty() || text == "-") return;
    const bool thousands = Pos(",", editFormat_) > 0;
    const AnsiString grouped = GroupDigitsText(TextToValText(text), thousands);
    const AnsiString now = GetText();
    if (grouped == now) return;
    // The caret keeps its distance from the end, counted in characters.
    const int fromEnd = CharCount(now) - SelStart();
    InternalSetControlText(grouped);
    if (Focused() && !(ComponentState() & csDesigning)) SetSelStart(std::max(0, CharCount(grouped) - fromEnd));
}

void TCustomDBNumberEditGx::UpdateValueFromText() {
    const AnsiString s = TextToValText(GetText());
    if (s.IsEmpty()) {
        value_ = Null();
        InternalSetControlText(AnsiString());
        return;
    }
    if (s == "+" || s == "-") {
        value_ = Variant(0.0);
        return;
    }
    value_ = Variant(CheckValue(StrToFloat(s)));
}

void TCustomDBNumberEditGx::Change() {
    if (!settingControlText_ && !pasting_) {
        ReformatEditText(GetText());
        UpdateValueFromText();
    }
    TCustomDBEditGx::Change();
}

// ---- Typing ------------------------------------------------------------------------------------------------

bool TCustomDBNumberEditGx::IsValidChar(WideChar key) {
    std::vector<std::string> cs = textChars(GetText());
    const std::size_t start = std::min<std::size_t>(static_cast<std::size_t>(std::max(0, SelStart())), cs.size());
    const std::size_t len = std::min<std::size_t>(static_cast<std::size_t>(std::max(0, SelLength())), cs.size() - start);
    cs.erase(cs.begin() + static_cast<std::ptrdiff_t>(start), cs.begin() + static_cast<std::ptrdiff_t>(start + len));
    cs.insert(cs.begin() + static_cast<std::ptrdiff_t>(start), CharToText(key).str());
    const std::string s = TextToValText(joinChars(cs)).str();
    const std::size_t p = s.find(decimalSeparator());
    if (p != std::string::npos) {
        std::size_t after = p + 1, end = s.find_first_of("Ee", after);
        if (end == std::string::npos) end = s.size();
        if (CharCount(AnsiString(s.substr(after, end - after))) > static_cast<int>(decimalPlaces_)) return false;
    }
    if (s.empty()) return true;
    double v = 0;
    if (!TryTextToNumber(AnsiString(s), v)) return false;
    if (minValue_ >= 0 && maxValue_ > 0 && v < 0) return false;
    return true;
}

void TCustomDBNumberEditGx::KeyPress(WideChar& key) {
    if (calculatorShown_ && (key == 13 || key == 27)) {
        CloseUp(key == 13);
        key = 0;
        return;
    }
    if (key == 8 && (backOverSeparator_ || afterSeparator())) {
        // Backspace right after a thousand separator steps over it instead of deleting it.
        if (!backOverSeparator_) SetSelStart(SelStart() - 1);
        backOverSeparator_ = false;
        key = 0;
        return;
    }
    TCustomDBEditGx::KeyPress(key);
    if (key == ',' || key == '.') key = static_cast<WideChar>(static_cast<unsigned char>(FormatSettings().DecimalSeparator));
    if (key >= 32 && !IsValidChar(key)) key = 0;
}

bool TCustomDBNumberEditGx::afterSeparator() const {
    if (SelLength() != 0 || SelStart() <= 0) return false;
    const std::vector<std::string> cs = textChars(GetText());
    const auto at = static_cast<std::size_t>(SelStart() - 1);
    return at < cs.size() && AnsiString(cs[at]) == FormatSettings().ThousandSeparator;
}

void TCustomDBNumberEditGx::KeyDown(WORD& key, TShiftState shift) {
    const TShiftState mods = shift & (ssShift | ssCtrl | ssAlt);
    backOverSeparator_ = false;
    if (key == VK_BACK && mods == 0 && !calculatorShown_ && afterSeparator()) {
        // The edit deletes on the key itself: the step over the separator happens here, and the
        // character the key types is dropped.
        SetSelStart(SelStart() - 1);
        backOverSeparator_ = true;
        key = 0;
        return;
    }
    if ((key == 'V' && mods == ssCtrl) || (key == VK_INSERT && mods == ssShift)) {
        // Pasting goes through the paste message, which takes the text back when it is no number.
        if (!ReadOnly()) Perform(WM_PASTE, 0, 0);
        key = 0;
        return;
    }
    TCustomDBEditGx::KeyDown(key, shift);
    if (key == 0) return;
    if ((key == VK_UP || key == VK_DOWN) && !(mods & ssAlt) && !ReadOnly()) {
        IncrementValue(key == VK_UP);
        key = 0;
    }
}

void TCustomDBNumberEditGx::paste() {
    const AnsiString before = GetText();
    pasting_ = true;
    try {
        TMessage m{};
        m.Msg = WM_PASTE;
        TCustomDBEditGx::Dispatch(m);
        pasting_ = false;
        UpdateValueFromText();
        ReformatEditText(GetText());
    } catch (...) {
        // A text that is no number is taken back without a word.
        pasting_ = false;
        InternalSetControlText(before);
        SelectAll();
        if (CanFocus()) SetFocus();
    }
}

void TCustomDBNumberEditGx::Dispatch(TMessage& m) {
    if (m.Msg == WM_PASTE) {
        paste();
        return;
    }
    TCustomDBEditGx::Dispatch(m);
}

// ---- Stepping ----------------------------------------------------------------------------------------------

void TCustomDBNumberEditGx::IncrementValue(bool up) {
    if (increment_ == 0 || !EditCanModify()) return;
    double v = increment_;
    if (!VarIsNull(value_)) v = value_.AsDouble() + (up ? increment_ : -increment_);
    InternalSetValue(Variant(CheckValue(v)));
    if (Focused()) SelectAll();
}

bool TCustomDBNumberEditGx::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    if (TCustomDBEditGx::DoMouseWheelDown(shift, mousePos)) return true;
    if ((shift & (ssShift | ssCtrl | ssAlt)) || ReadOnly() || !FieldDataLink()->Edit()) return false;
    IncrementValue(false);
    return true;
}

bool TCustomDBNumberEditGx::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    if (TCustomDBEditGx::DoMouseWheelUp(shift, mousePos)) return true;
    if ((shift & (ssShift | ssCtrl | ssAlt)) || ReadOnly() || !FieldDataLink()->Edit()) return false;
    IncrementValue(true);
    return true;
}

void TCustomDBNumberEditGx::ButtonDown(bool isDownButton) {
    if (EditButton()->Style() == ebsUpDownGx) {
        if (!ReadOnly()) IncrementValue(!isDownButton);
        return;
    }
    TCustomDBEditGx::ButtonDown(isDownButton);
}

// ---- Calculator ----------------------------------------------------------------------------------------------

TPopupCalculatorGx* TCustomDBNumberEditGx::GetDropDownCalculator() {
    if (!calculator_) {
        calculator_ = new TPopupCalculatorGx(this);
        calculator_->SetVisible(false);
        calculator_->SetParent(this);
        ShowWindow(calculator_->Handle(), SW_HIDE);
    }
    return calculator_;
}

bool TCustomDBNumberEditGx::calculatorContains(TControl* c) const {
    return c && calculator_ && (c == calculator_ || calculator_->ContainsControl(c));
}

void TCustomDBNumberEditGx::DropDown() {
    TCustomDBEditGx::DropDown();
    if (calculatorShown_) return;
    OnDropDown(this);
    TPopupCalculatorGx* calc = GetDropDownCalculator();
    calc->SetValue(VarIsNull(value_) ? Variant(0.0) : value_);
    calc->SetFlat(Flat());
    const TPoint p = AlignDropDownWindow(this, calc, daLeft);
    calc->SetBounds(p.x, p.y, calc->Width(), calc->Height());
    calc->SetVisible(true);
    ShowWindow(calc->Handle(), SW_SHOWNOACTIVATE);
    calculatorShown_ = true;
    isDroppedDown_ = true;
    // The calculator takes the keys: no caret and no selection in the edit meanwhile.
    HideCaret(Handle());
    SetSelLength(0);
}

void TCustomDBNumberEditGx::CloseUp(bool accept) {
    if (!calculatorShown_ || !calculator_) return;
    if (TControl* cap = Mouse->Capture()) cap->Perform(WM_CANCELMODE);
    ShowWindow(calculator_->Handle(), SW_HIDE);
    calculator_->SetVisible(false);
    ShowCaret(Handle());
    calculatorShown_ = false;
    isDroppedDown_ = false;
    TCustomDBEditGx::CloseUp(accept);
    PostMessage(Handle(), CM_IGNOREEDITDOWN, 0, 0);
    if (accept && !ReadOnly() && FieldDataLink()->Edit()) {
        const Variant v = calculator_->GetValue();
        // Only a number is taken, bounded and rounded like a typed one.
        if (isNumberVariant(v)) InternalSetValue(Variant(CheckValue(v.AsDouble())));
        if (Focused()) SelectAll();
    }
    OnCloseUp(this, accept);
}

void TCustomDBNumberEditGx::WndProc(TMessage& m) {
    if (calculatorShown_ && calculator_) {
        if (m.Msg == WM_KEYDOWN || m.Msg == WM_SYSKEYDOWN || m.Msg == WM_CHAR) {
            const WPARAM k = m.WParam;
            if (k == 8 || k == 13 || (k >= 32 && k <= 126)) {
                calculator_->Perform(m.Msg, m.WParam, m.LParam);
                return;
            }
        }
        if (m.Msg == CM_MOUSEWHEEL && calculator_->Perform(CM_MOUSEWHEEL, m.WParam, m.LParam) != 0) {
            m.Result = 1;
            return;
        }
    }
    TCustomDBEditGx::WndProc(m);
}

void TCustomDBNumberEditGx::CMWantSpecialKey(TMessage& m) {
    if (calculatorShown_ && (m.WParam == VK_RETURN || m.WParam == VK_ESCAPE)) {
        m.Result = 1;
        return;
    }
    TCustomDBEditGx::CMWantSpecialKey(m);
}

void TCustomDBNumberEditGx::CMCancelMode(TMessage& m) {
    TCustomDBEditGx::CMCancelMode(m);
    auto* sender = reinterpret_cast<TControl*>(m.LParam);
    if (!calculatorShown_) return;
    // A control inside the editor (the calculator among them) keeps it open; the editor itself not.
    if (sender != this && ((sender && ContainsControl(sender)) || calculatorContains(sender))) return;
    CloseUp(false);
}

void TCustomDBNumberEditGx::WMKillFocus(TMessage& m) {
    TCustomDBEditGx::WMKillFocus(m);
    auto* other = reinterpret_cast<TWinControl*>(m.WParam);
    if (calculatorShown_ && !calculatorContains(other)) CloseUp(false);
}
