// The date-time editor: the edit format grammar and what it gives (mask, display format, layout),
// years, merging typed parts into the value, stepping elements, separator jumps and the calendar.
#include "gridlib/editors/DBCtrlsGxDateTime.h"

#include "gui/WinApi.h"
#include "rtl/TypInfo.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {
enum { Y = 0, M = 1, D = 2, H = 3, N = 4, S = 5 };
constexpr char ElementLetters[] = "YMDHNS";

int elementIndex(char upper) {
    const char* p = std::char_traits<char>::find(ElementLetters, 6, upper);
    return p ? static_cast<int>(p - ElementLetters) : -1;
}

char upperAscii(const std::string& ch) {
    if (ch.size() != 1) return 0;
    const char c = ch[0];
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::vector<std::string> textChars(const AnsiString& s) { return Utf8Chars(s.str()); }

AnsiString joinChars(const std::vector<std::string>& v, std::size_t from = 0, std::size_t count = std::string::npos) {
    std::string out;
    for (std::size_t i = from; i < v.size() && (count == std::string::npos || i < from + count); ++i) out += v[i];
    return AnsiString(out);
}

int currentYear() {
    int y = 0, m = 0, d = 0;
    DecodeDate(Now(), y, m, d);
    return y;
}

void fillDateFromToday(int& y, int& m, int& d) {
    int ty = 0, tm = 0, td = 0;
    DecodeDate(Date(), ty, tm, td);
    if (y < 1) y = ty;
    if (m < 1) m = tm;
    if (d < 1) d = td;
    if (m > 12) m = 12;
    if (y > 9999) y = 9999;
    y = ExpandTwoDigitYear(y);
    if (d > DaysInAMonth(y, m)) d = DaysInAMonth(y, m);
}

void clampTimeParts(int& h, int& n, int& s) {
    h = std::clamp(h, 0, 23);
    n = std::clamp(n, 0, 59);
    s = std::clamp(s, 0, 59);
}

bool tryEncodeDatePart(int y, int m, int d, TDateTime& out) {
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInAMonth(y, m)) return false;
    out = EncodeDate(y, m, d);
    return true;
}

bool tryEncodeTimePart(int h, int n, int s, int ms, TDateTime& out) {
    if (h > 23 || n > 59 || s > 59 || ms > 999) return false;
    out = (h * 3600000.0 + n * 60000.0 + s * 1000.0 + ms) / 86400000.0;
    return true;
}

bool tryPartsToDateTime(const TDateTimePartsGx& p, TDateTime& out) {
    TDateTime date = 0, time = 0;
    if (!(p[Y] < 0 && p[M] < 0 && p[D] < 0)) {
        if (p[Y] < 1 || p[M] < 1 || p[D] < 1 || !tryEncodeDatePart(p[Y], p[M], p[D], date)) return false;
    }
    if (p[H] < 0 || p[N] < 0 || p[S] < 0 || !tryEncodeTimePart(p[H], p[N], p[S], 0, time)) return false;
    out = date + time;
    return true;
}

// -1 for blank text or text with anything but digits and spaces.
int parseElementNumber(const AnsiString& s) {
    std::string digits;
    for (char c : s.str()) {
        if (c == ' ') continue;
        if (c < '0' || c > '9') return -1;
        digits += c;
    }
    if (digits.empty() || digits.size() > 9) return -1;
    return std::stoi(digits);
}

bool isSeparatorPlaceholder(const std::string& c) {
    const TFormatSettings& fs = FormatSettings();
    return c == "/" || c == ":" || c == std::string(1, fs.DateSeparator) || c == std::string(1, fs.TimeSeparator);
}

const bool dateTimePropertiesRegistered = [] {
    PTypeInfo kind = EnumTypeInfo("TDateTimeKindGx", {"dtkDateGx", "dtkTimeGx", "dtkDateTimeGx", "dtkCustomGx"});
    PTypeInfo text = TypeInfoOf(tkLString, "String");
    TPropInfo k = MakeProperty<TCustomDBDateTimeEditGx>("Kind", kind, &TCustomDBDateTimeEditGx::Kind,
                                                        &TCustomDBDateTimeEditGx::SetKind);
    k.Stored = [](TObject* o) { return static_cast<TCustomDBDateTimeEditGx*>(o)->IsKindStored(); };
    TPropInfo f = MakeProperty<TCustomDBDateTimeEditGx>("EditFormat", text, &TCustomDBDateTimeEditGx::EditFormat,
                                                        &TCustomDBDateTimeEditGx::SetEditFormat);
    f.Stored = [](TObject* o) { return static_cast<TCustomDBDateTimeEditGx*>(o)->IsEditFormatStored(); };
    TPropInfo value = MakeProperty<TCustomDBEditGx>("Value", TypeInfoOf(tkVariant, "Variant"), &TCustomDBEditGx::GetValue,
                                                    &TCustomDBEditGx::SetValue);
    // Only an editor of its own keeps its value with the form.
    value.Stored = [](TObject* o) {
        auto* e = static_cast<TCustomDBEditGx*>(o);
        return e->DataIndepended() && !VarIsNull(e->GetValue());
    };
    TPropInfo button = MakeProperty<TCustomDBEditGx>("EditButton", ClassTypeInfo(TEditButtonGx::StaticClass()),
                                                     &TCustomDBEditGx::EditButton, &TCustomDBEditGx::SetEditButton);
    RegisterPublishedProperties(TDBDateTimeEditGx::StaticClass(), {button, k, f, value});
    return true;
}();
}  // namespace

// ---- Text rules ----------------------------------------------------------------------------------------

int ExpandTwoDigitYear(int year) {
    if (year >= 100) return year;
    const int t = currentYear() - TwoDigitYearWindowGx;
    int r = year + (t / 100) * 100;
    if (r < t) r += 100;
    return r;
}

AnsiString DefaultDateEditFormat(bool fourDigitYear) {
    const AnsiString yy = fourDigitYear ? "YYYY" : "YY";
    for (char c : FormatSettings().ShortDateFormat.str()) {
        const char u = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        if (u == 'M') return "MM/DD/" + yy;
        if (u == 'D') return "DD/MM/" + yy;
        if (u == 'Y') return yy + "/MM/DD";
    }
    return "DD/MM/" + yy;
}

AnsiString EditFormatToMask(const AnsiString& editFormat, TDateTimeElementsGx& elements) {
    elements = TDateTimeElementsGx{};
    const std::vector<std::string> cs = textChars(editFormat);
    std::string produced;
    int producedCount = 0;
    int run = -1, runStart = 0, runLength = 0;
    auto finishRun = [&] {
        if (run < 0) return;
        const bool ok = run == Y ? (runLength == 2 || runLength == 4) : runLength == 2;
        if (!ok)
            throw Exception("Invalid datetime format element length: \"" + AnsiString(ElementLetters[run]) + "\"");
        elements[static_cast<std::size_t>(run)] = {runStart + 1, runLength, true};
        run = -1;
    };
    auto literal = [&](const std::string& c) {
        static const std::string special = "!#09;<>ACLacl";
        if (c.size() == 1 && special.find(c[0]) != std::string::npos) produced += '\\';
        produced += c;
        ++producedCount;
    };
    for (std::size_t i = 0; i < cs.size(); ++i) {
        if (cs[i] == "\\") {
            finishRun();
            if (i + 1 < cs.size()) literal(cs[++i]);
            continue;
        }
        const char u = upperAscii(cs[i]);
        const int e = u ? elementIndex(u) : -1;
        if (e < 0) {
            finishRun();
            literal(cs[i]);
            continue;
        }
        if (e == run) {
            ++runLength;
            if (runLength > (e == Y ? 4 : 2))
                throw Exception("Element in EditFormat: \"" + editFormat + "\" is too long. Pos: " +
                                IntToStr(static_cast<long long>(i + 1)));
        } else {
            finishRun();
            if (elements[static_cast<std::size_t>(e)].Present)
                throw Exception("Duplicating datetime format element: \"" + AnsiString(ElementLetters[e]) + "\"");
            run = e;
            runStart = producedCount;
            runLength = 1;
        }
        produced += '9';
        ++producedCount;
    }
    finishRun();
    return AnsiString("!" + produced + ";1; ");
}

AnsiString EditFormatToDisplayFormat(const AnsiString& editFormat) {
    const std::vector<std::string> cs = textChars(editFormat);
    std::string out, quoted;
    auto flush = [&] {
        if (quoted.empty()) return;
        out += "'" + quoted + "'";
        quoted.clear();
    };
    auto literal = [&](const std::string& c) { quoted += c == "'" ? std::string("''") : c; };
    for (std::size_t i = 0; i < cs.size(); ++i) {
        if (cs[i] == "\\") {
            if (i + 1 < cs.size()) literal(cs[++i]);
            continue;
        }
        const char u = upperAscii(cs[i]);
        if (u && std::string("/:DHMNSY").find(u) != std::string::npos) {
            flush();
            out += u;
        } else {
            literal(cs[i]);
        }
    }
    flush();
    return AnsiString(out);
}

AnsiString EditFormatToLayout(const AnsiString& editFormat) {
    const std::vector<std::string> cs = textChars(editFormat);
    std::string out;
    for (std::size_t i = 0; i < cs.size(); ++i) {
        if (cs[i] == "\\") {
            if (i + 1 < cs.size()) {
                ++i;
                out += ' ';
            }
            continue;
        }
        const char u = upperAscii(cs[i]);
        out += (u && std::string("/:DHMNSY").find(u) != std::string::npos) ? u : ' ';
    }
    return AnsiString(out);
}

TDateTimePartsGx TextToParts(const AnsiString& text, const TDateTimeElementsGx& elements) {
    TDateTimePartsGx p;
    p.fill(-1);
    const std::vector<std::string> cs = textChars(text);
    for (std::size_t e = 0; e < 6; ++e) {
        const TDateTimeElementGx& el = elements[e];
        if (!el.Present) continue;
        p[e] = parseElementNumber(joinChars(cs, static_cast<std::size_t>(el.Pos - 1), static_cast<std::size_t>(el.Length)));
    }
    if (p[Y] >= 0) p[Y] = ExpandTwoDigitYear(p[Y]);
    return p;
}

TDateTimePartsGx ValueToParts(const Variant& value) {
    TDateTimePartsGx p;
    p.fill(-1);
    if (VarIsNull(value) || VarIsEmpty(value)) return p;
    int ms = 0;
    DecodeDateTime(VarToDateTime(value), p[Y], p[M], p[D], p[H], p[N], p[S], ms);
    return p;
}

bool MergePartsIntoValue(TDateTimePartsGx p, const TDateTimeElementsGx& elements, Variant& value, bool fill) {
    if (std::all_of(p.begin(), p.end(), [](int v) { return v == -1; })) {
        value = Null();
        return true;
    }
    if (fill) {
        fillDateFromToday(p[Y], p[M], p[D]);
        clampTimeParts(p[H], p[N], p[S]);
    } else {
        for (int e = 0; e < 6; ++e) {
            if (elements[static_cast<std::size_t>(e)].Present) continue;
            int& v = p[static_cast<std::size_t>(e)];
            if (e <= D && v < 1) v = 1;
            if (e >= H && v < 0) v = 0;
        }
    }
    TDateTime check = 0;
    if (!tryPartsToDateTime(p, check)) {
        value = Null();
        return false;
    }
    int b[6] = {1900, 1, 1, 0, 0, 0};
    int ms = 0;
    if (!VarIsNull(value) && !VarIsEmpty(value)) DecodeDateTime(VarToDateTime(value), b[Y], b[M], b[D], b[H], b[N], b[S], ms);
    for (int e = 0; e < 6; ++e) {
        const int v = p[static_cast<std::size_t>(e)];
        if (!elements[static_cast<std::size_t>(e)].Present) continue;
        if (e <= D ? v > 0 : v >= 0) b[e] = v;
    }
    // A date that does not exist (29 February kept from a leap year) raises the conversion error.
    const TDateTime time = EncodeTime(b[H], b[N], b[S], ms);
    if (b[Y] == 0 && b[M] == 0 && b[D] == 0) value = VarFromDateTime(time);
    else value = VarFromDateTime(EncodeDate(b[Y], b[M], b[D]) + time);
    return true;
}

// ---- Construction and formats -------------------------------------------------------------------------------

TCustomDBDateTimeEditGx::TCustomDBDateTimeEditGx(TComponent* owner) : TCustomDBEditGx(owner) {
    SetEditButtonObject(CreateEditButton());
    fourDigitYear_ = Pos("YYY", UpperCase(FormatSettings().ShortDateFormat)) > 0;
    UpdateMask();
    DataChange(this);
}

TCustomDBDateTimeEditGx::~TCustomDBDateTimeEditGx() { Destroying_(); }

std::unique_ptr<TEditButtonGx> TCustomDBDateTimeEditGx::CreateEditButton() {
    auto b = std::make_unique<TVisibleEditButtonGx>(static_cast<TWinControl*>(this));
    b->SetStyle(ebsDropDownGx);
    return b;
}

void TCustomDBDateTimeEditGx::UpdateFourDigitYear() {
    const bool four = Pos("YYY", UpperCase(FormatSettings().ShortDateFormat)) > 0;
    if (four == fourDigitYear_) return;
    fourDigitYear_ = four;
    UpdateMask();
}

void TCustomDBDateTimeEditGx::UpdateMask() {
    switch (kind_) {
    case dtkDateGx: editFormat_ = DefaultDateEditFormat(fourDigitYear_); break;
    case dtkTimeGx: editFormat_ = "HH:NN:SS"; break;
    case dtkDateTimeGx: editFormat_ = DefaultDateEditFormat(fourDigitYear_) + " HH:NN:SS"; break;
    case dtkCustomGx: break;
    }
    if (editFormat_.IsEmpty()) {
        displayFormat_ = AnsiString();
        elements_ = TDateTimeElementsGx{};
        SetControlEditMask(AnsiString());
        return;
    }
    displayFormat_ = EditFormatToDisplayFormat(editFormat_);
    SetControlEditMask(EditFormatToMask(editFormat_, elements_));
}

void TCustomDBDateTimeEditGx::SetKind(TDateTimeKindGx kind) {
    if (kind == kind_) return;
    kind_ = kind;
    UpdateMask();
    DataChange(this);
}

void TCustomDBDateTimeEditGx::SetEditFormat(const AnsiString& format) {
    // A bad format raises before anything changes.
    TDateTimeElementsGx check;
    if (!format.IsEmpty()) EditFormatToMask(format, check);
    kind_ = dtkCustomGx;
    if (format == editFormat_) return;
    editFormat_ = format;
    UpdateMask();
    DataChange(this);
}

// ---- Value and text -------------------------------------------------------------------------------------------

Variant TCustomDBDateTimeEditGx::GetVariantValue() const { return value_; }

void TCustomDBDateTimeEditGx::InternalSetControlText(const AnsiString& text) {
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

void TCustomDBDateTimeEditGx::InternalSetValue(const Variant& value) {
    if (VarIsNull(value) || VarIsEmpty(value)) {
        value_ = Null();
        InternalSetControlText(AnsiString());
        return;
    }
    const TDateTime dt = VarToDateTime(value);
    value_ = VarFromDateTime(dt);
    InternalSetControlText(IsMasked() ? FormatDateTime(displayFormat_, dt) : DateTimeToStr(dt));
}

void TCustomDBDateTimeEditGx::InternalSetText(const AnsiString& text) {
    Variant v = value_;
    if (IsMasked()) {
        if (!MergePartsIntoValue(TextToParts(text, elements_), elements_, v, false))
            throw Exception("Invalid datetime: \"" + text + "\"");
    } else {
        v = Trim(text).IsEmpty() ? Null() : VarFromDateTime(StrToDateTime(text));
    }
    InternalSetValue(v);
}

void TCustomDBDateTimeEditGx::UpdateValueFromText() {
    Variant v = value_;
    try {
        if (IsMasked()) {
            if (!MergePartsIntoValue(TextToParts(GetText(), elements_), elements_, v, false)) v = Null();
        } else {
            TDateTime dt = 0;
            v = TryStrToDateTime(GetText(), dt) ? VarFromDateTime(dt) : Null();
        }
    } catch (const EConvertError&) {
        v = Null();
    }
    value_ = v;
    UpdateImageIndex();
}

void TCustomDBDateTimeEditGx::Change() {
    if (!settingControlText_) UpdateValueFromText();
    TCustomDBEditGx::Change();
}

void TCustomDBDateTimeEditGx::ValidateEdit() {
    if (validating_) return;
    validating_ = true;
    try {
        TCustomDBEditGx::ValidateEdit();
        if (IsMasked()) {
            Variant v = value_;
            MergePartsIntoValue(TextToParts(GetText(), elements_), elements_, v, true);
            value_ = v;
            InternalSetControlText(VarIsNull(v) ? AnsiString() : FormatDateTime(displayFormat_, VarToDateTime(v)));
        }
    } catch (...) {
        validating_ = false;
        throw;
    }
    validating_ = false;
}

void TCustomDBDateTimeEditGx::DataChanged() {
    TField* f = GetField();
    if (f) {
        if (f->Alignment() != fieldAlignment_) {
            fieldAlignment_ = f->Alignment();
            Invalidate();
        }
        InternalSetValue(f->IsNull() ? Null() : f->Value());
    } else if (DataIndepended()) {
        InternalSetValue(FieldDataLink()->LocalValue);
    } else {
        InternalSetValue(Null());
    }
    UpdateControlReadOnly();
    SetModified(false);
}

void TCustomDBDateTimeEditGx::InternalUpdatePostData() {
    TField* f = GetField();
    if (!IsMasked()) {
        const AnsiString t = GetText();
        FieldDataLink()->SetValue(Trim(t).IsEmpty() ? Null() : VarFromDateTime(StrToDateTime(t)));
        return;
    }
    // The parts the format does not show (the time of a date-only editor) keep the stored ones.
    Variant v = f ? (f->IsNull() ? Null() : f->Value()) : FieldDataLink()->LocalValue;
    if (!VarIsNull(v) && !VarIsEmpty(v)) v = VarFromDateTime(VarToDateTime(v));
    MergePartsIntoValue(ValueToParts(value_), elements_, v, true);
    FieldDataLink()->SetValue(v);
}

AnsiString TCustomDBDateTimeEditGx::GetDisplayTextForPaintCopy() {
    TField* f = GetField();
    if ((ControlState() & csPaintCopy) && f) {
        if (f->IsNull()) return AnsiString();
        return IsMasked() ? FormatDateTime(displayFormat_, f->AsDateTime()) : DateTimeToStr(f->AsDateTime());
    }
    return TCustomDBEditGx::GetDisplayTextForPaintCopy();
}

void TCustomDBDateTimeEditGx::FilterMRUItem(const AnsiString& text, bool& accept) {
    std::string mask = GetText().str();
    const char sep = FormatSettings().DateSeparator;
    while (!mask.empty() && (mask.back() == ' ' || mask.back() == sep)) mask.pop_back();
    const int n = CharCount(AnsiString(mask));
    accept = CharCount(text) >= n && AnsiStrLIComp(text, AnsiString(mask), n) == 0;
}

// ---- Stepping and keys ------------------------------------------------------------------------------------------

bool TCustomDBDateTimeEditGx::canStep() { return IsMasked() && !ReadOnly() && FieldDataLink()->Edit(); }

void TCustomDBDateTimeEditGx::IncrementItemAtCurPos(bool up) {
    if (!IsMasked()) return;
    const std::vector<std::string> layout = textChars(EditFormatToLayout(editFormat_));
    if (layout.empty()) return;
    std::size_t pos = std::min<std::size_t>(static_cast<std::size_t>(SelStart()) + 1, layout.size());
    if (isSeparatorPlaceholder(layout[pos - 1])) {
        ++pos;
        if (pos > layout.size()) return;
    }
    const char letter = upperAscii(layout[pos - 1]);
    const int e = letter ? elementIndex(letter) : -1;
    if (e < 0) return;
    std::size_t start = 0;
    while (start < layout.size() && upperAscii(layout[start]) != letter) ++start;
    std::size_t len = 0;
    while (start + len < layout.size() && upperAscii(layout[start + len]) == letter) ++len;
    std::vector<std::string> text = textChars(GetText());
    if (text.size() < start + len) text.resize(start + len, " ");
    int v = 0;
    {
        std::string digits;
        for (std::size_t i = start; i < start + len; ++i) digits += text[i];
        if (!TryStrToInt(Trim(AnsiString(digits)), v)) v = 0;
    }
    struct Range {
        int lo, hi;
    };
    static const Range ranges[6] = {{1, 9999}, {1, 12}, {1, 31}, {0, 23}, {0, 59}, {0, 59}};
    Range r = ranges[e];
    if (e == Y && len == 2) r = {0, 99};  // a two-digit year wraps within its two digits
    v += up ? 1 : -1;
    if (v > r.hi) v = r.lo;
    if (v < r.lo) v = r.hi;
    std::string s = std::to_string(v);
    if (s.size() < len) s.insert(0, len - s.size(), '0');
    for (std::size_t i = 0; i < len; ++i) text[start + i] = std::string(1, s[i]);
    InternalSetControlText(joinChars(text));
    UpdateValueFromText();
    SetSelStart(static_cast<int>(start));
    SetSelLength(static_cast<int>(len));
}

void TCustomDBDateTimeEditGx::KeyDown(WORD& key, TShiftState shift) {
    const bool plain = (shift & (ssShift | ssCtrl | ssAlt)) == 0;
    if ((key == VK_UP || key == VK_DOWN) && plain && !ReadOnly()) {
        // The key is offered once to OnKeyDown and once to the holder; the edit's own handling
        // would only offer it again, and a masked edit has no use for Up and Down.
        if (OnKeyDown) OnKeyDown(this, key, shift);
        if (key == 0) return;
        if (InplaceMode())
            if (auto* holder = dynamic_cast<IInplaceEditHolderGx*>(InplaceEditHolder())) {
                holder->InplaceEditKeyDown(this, key, shift);
                if (key == 0) return;
            }
        if (canStep()) IncrementItemAtCurPos(key == VK_UP);
        key = 0;
        return;
    }
    if ((key == VK_LEFT || key == VK_RIGHT) && plain && SelLength() > 1) {
        const int start = SelStart(), len = SelLength();
        SetSelStart(key == VK_LEFT ? start : start + len - 1);
        SetSelLength(0);
    }
    TCustomDBEditGx::KeyDown(key, shift);
}

void TCustomDBDateTimeEditGx::jumpAfterSeparator(WideChar sep) {
    const std::vector<std::string> layout = textChars(EditFormatToLayout(editFormat_));
    const std::vector<std::string> text = textChars(GetText());
    const std::string typed = CharToText(sep).str();
    auto isLetter = [&](std::size_t i) { return elementIndex(upperAscii(layout[i])) >= 0 && upperAscii(layout[i]) != 0; };
    std::size_t from = layout.size();
    for (std::size_t i = static_cast<std::size_t>(SelStart()); i < layout.size(); ++i) {
        if (isLetter(i)) continue;
        if ((i < text.size() && text[i] == typed) || layout[i] == (sep == WideChar(FormatSettings().TimeSeparator) ? ":" : "/")) {
            from = i + 1;
            break;
        }
    }
    std::size_t start = from;
    while (start < layout.size() && !isLetter(start)) ++start;
    if (start >= layout.size()) {
        // None to the right: the first element.
        start = 0;
        while (start < layout.size() && !isLetter(start)) ++start;
        if (start >= layout.size()) return;
    }
    std::size_t len = 0;
    while (start + len < layout.size() && upperAscii(layout[start + len]) == upperAscii(layout[start])) ++len;
    SetSelStart(static_cast<int>(start));
    SetSelLength(static_cast<int>(len));
}

void TCustomDBDateTimeEditGx::KeyPress(WideChar& key) {
    if (calendarShown_ && (key == 13 || key == 27)) {
        CloseUp(key == 13);
        key = 0;
        return;
    }
    const TFormatSettings& fs = FormatSettings();
    if (IsMasked() && (key == WideChar(fs.DateSeparator) || key == WideChar(fs.TimeSeparator))) {
        // A separator moves on to the next element of this editor's own format.
        jumpAfterSeparator(key);
        key = 0;
        return;
    }
    TCustomDBEditGx::KeyPress(key);
}

bool TCustomDBDateTimeEditGx::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    if (TCustomDBEditGx::DoMouseWheelDown(shift, mousePos)) return true;
    if ((shift & (ssShift | ssCtrl | ssAlt)) || !canStep()) return false;
    IncrementItemAtCurPos(false);
    return true;
}

bool TCustomDBDateTimeEditGx::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    if (TCustomDBEditGx::DoMouseWheelUp(shift, mousePos)) return true;
    if ((shift & (ssShift | ssCtrl | ssAlt)) || !canStep()) return false;
    IncrementItemAtCurPos(true);
    return true;
}

void TCustomDBDateTimeEditGx::CMEnter(TMessage& m) {
    // A locale changed since the last visit takes effect.
    UpdateFourDigitYear();
    TCustomDBEditGx::CMEnter(m);
}

// ---- Calendar ------------------------------------------------------------------------------------------------

TPopupMonthCalendarGx* TCustomDBDateTimeEditGx::GetDropDownCalendar() {
    if (!calendar_) {
        calendar_ = new TPopupMonthCalendarGx(this);
        calendar_->SetVisible(false);
        calendar_->SetParent(this);
        ShowWindow(calendar_->Handle(), SW_HIDE);
    }
    return calendar_;
}

bool TCustomDBDateTimeEditGx::calendarContains(TControl* c) const {
    return c && calendar_ && (c == calendar_ || calendar_->ContainsControl(c));
}

void TCustomDBDateTimeEditGx::ButtonDown(bool isDownButton) {
    if (EditButton()->Style() == ebsUpDownGx) {
        if (canStep()) IncrementItemAtCurPos(!isDownButton);
        return;
    }
    TCustomDBEditGx::ButtonDown(isDownButton);
}

void TCustomDBDateTimeEditGx::DropDown() {
    TCustomDBEditGx::DropDown();
    if (calendarShown_) return;
    OnDropDown(this);
    TPopupMonthCalendarGx* cal = GetDropDownCalendar();
    cal->SetDate(VarIsNull(value_) ? Date() : DateOf(VarToDateTime(value_)));
    const TPoint p = AlignDropDownWindow(this, cal, daLeft);
    cal->SetBounds(p.x, p.y, cal->Width(), cal->Height());
    cal->SetVisible(true);
    ShowWindow(cal->Handle(), SW_SHOWNOACTIVATE);
    calendarShown_ = true;
    isDroppedDown_ = true;
    // The calendar takes the keys: the edit shows no caret meanwhile.
    HideCaret(Handle());
}

void TCustomDBDateTimeEditGx::CloseUp(bool accept) {
    if (!calendarShown_ || !calendar_) return;
    if (TControl* cap = Mouse->Capture()) cap->Perform(WM_CANCELMODE);
    if ((calendar_->Focused() || calendarContains(FindControl(GetFocus()))) && CanFocus()) SetFocus();
    ShowWindow(calendar_->Handle(), SW_HIDE);
    calendar_->SetVisible(false);
    calendarShown_ = false;
    isDroppedDown_ = false;
    ShowCaret(Handle());
    TCustomDBEditGx::CloseUp(accept);
    PostMessage(Handle(), CM_IGNOREEDITDOWN, 0, 0);
    if (accept && !ReadOnly() && FieldDataLink()->Edit()) {
        // The chosen day keeps the time of the current value.
        TDateTime d = DateOf(calendar_->Date());
        if (!VarIsNull(value_)) d += TimeOf(VarToDateTime(value_));
        Variant v = value_;
        MergePartsIntoValue(ValueToParts(VarFromDateTime(d)), elements_, v, true);
        InternalSetValue(v);
        if (Focused()) SelectAll();
    }
    OnCloseUp(this, accept);
}

bool TCustomDBDateTimeEditGx::isCalendarMessage(const TMessage& m) const {
    if (m.Msg != WM_KEYDOWN && m.Msg != WM_SYSKEYDOWN && m.Msg != WM_CHAR) return false;
    const WORD key = static_cast<WORD>(m.WParam);
    const TShiftState shift = KeyDataToShiftState(m.LParam);
    if (key == VK_PRIOR || key == VK_NEXT || (key >= VK_LEFT && key <= VK_DOWN)) {
        // A button's shortcut (Alt+Down) reaches the button, which closes the calendar.
        return m.Msg == WM_CHAR ||
               const_cast<TCustomDBDateTimeEditGx*>(this)->GetEditButtonByShortCut(
                   ShortCut(key, shift & (ssShift | ssCtrl | ssAlt))) == nullptr;
    }
    return (key == VK_END || key == VK_HOME) && (shift & ssCtrl);
}

void TCustomDBDateTimeEditGx::WndProc(TMessage& m) {
    if (calendarShown_ && calendar_) {
        if (isCalendarMessage(m)) {
            calendar_->Perform(m.Msg, m.WParam, m.LParam);
            return;
        }
        if (m.Msg == CM_MOUSEWHEEL && calendar_->Perform(CM_MOUSEWHEEL, m.WParam, m.LParam) != 0) {
            m.Result = 1;
            return;
        }
    }
    TCustomDBEditGx::WndProc(m);
}

void TCustomDBDateTimeEditGx::CMWantSpecialKey(TMessage& m) {
    if (calendarShown_ && (m.WParam == VK_RETURN || m.WParam == VK_ESCAPE)) {
        m.Result = 1;
        return;
    }
    TCustomDBEditGx::CMWantSpecialKey(m);
}

void TCustomDBDateTimeEditGx::CMCancelMode(TMessage& m) {
    TCustomDBEditGx::CMCancelMode(m);
    auto* sender = reinterpret_cast<TControl*>(m.LParam);
    if (!calendarShown_) return;
    if (sender == this || (sender && ContainsControl(sender)) || calendarContains(sender)) return;
    CloseUp(false);
}

void TCustomDBDateTimeEditGx::WMKillFocus(TMessage& m) {
    TCustomDBEditGx::WMKillFocus(m);
    auto* other = reinterpret_cast<TWinControl*>(m.WParam);
    if (calendarShown_ && !calendarContains(other)) CloseUp(false);
}

void TCustomDBDateTimeEditGx::EditButtonMouseMove(TObject* sender, TShiftState shift, int x, int y) {
    TCustomDBEditGx::EditButtonMouseMove(sender, shift, x, y);
    auto* c = dynamic_cast<TControl*>(sender);
    if (!calendarShown_ || !calendar_ || !c || Mouse->Capture() != c) return;
    const TPoint p = c->ClientToScreen(TPoint(x, y));
    if (!PtInRect(calendar_->BoundsRect(), p)) return;
    // Dragging from the button into the calendar presses there.
    c->Perform(WM_CANCELMODE);
    Mouse->SetCapture(nullptr);
    const TPoint lp = calendar_->ScreenToClient(p);
    calendar_->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(lp.x, lp.y));
}
