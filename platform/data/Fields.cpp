// Fields: typed access to the values of the record a dataset reads.
#include "data/DataInternal.h"

#include "rtl/MaskUtils.h"
#include "rtl/MathUtils.h"

#include <cmath>
#include <limits>

using dbdetail::Msg;

namespace {

// Characters (not bytes) of UTF-8 text, cut to at most n characters.
std::string_view utf8Prefix(std::string_view s, int n) {
    std::size_t i = 0;
    int chars = 0;
    while (i < s.size() && chars < n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        i += len;
        ++chars;
    }
    return s.substr(0, std::min(i, s.size()));
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

// ---- TField ----------------------------------------------------------------------------------
TField::TField(TComponent* owner) : TComponent(owner) {}

TField::TField(TComponent* owner, TFieldType type) : TComponent(owner), dataType_(type) {}

TField::~TField() {
    if (lookupDataSet_) RemoveFreeNotification(lookupDataSet_);
    if (dataSet_) dataSet_->removeField(this);
}

void TField::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == lookupDataSet_) lookupDataSet_ = nullptr;
}

void TField::CheckInactive() const {
    if (dataSet_ && dataSet_->Active()) DatabaseError(DBText::DataSetOpen, dataSet_);
}

void TField::SetDataSet(TDataSet* ds) {
    if (ds == dataSet_) return;
    CheckInactive();
    if (ds && ds->Active()) DatabaseError(DBText::DataSetOpen, ds);
    if (ds && !fieldName_.IsEmpty() && ds->FindField(fieldName_))
        DatabaseError(Msg(DBText::DuplicateFieldName, {fieldName_}), ds);
    if (dataSet_) dataSet_->removeField(this);
    dataSet_ = nullptr;
    if (ds) ds->addField(this);
}

void TField::SetFieldName(const AnsiString& name) {
    if (name == fieldName_) return;
    CheckInactive();
    if (dataSet_ && !name.IsEmpty()) {
        TField* other = dataSet_->FindField(name);
        if (other && other != this) DatabaseError(Msg(DBText::DuplicateFieldName, {name}), dataSet_);
    }
    fieldName_ = name;
}

void TField::propertyChanged(bool layout) {
    if (dataSet_ && dataSet_->Active()) dataSet_->DataEvent(layout ? deLayoutChange : deDataSetChange);
}

void TField::SetDisplayLabel(const AnsiString& s) {
    AnsiString v = s == fieldName_ ? AnsiString() : s;
    if (v == displayLabel_) return;
    displayLabel_ = v;
    propertyChanged(true);
}

void TField::SetFieldKind(TFieldKind k) {
    if (k == fieldKind_) return;
    CheckInactive();
    fieldKind_ = k;
}

int TField::Index() const { return dataSet_ ? dataSet_->Fields()->IndexOf(this) : -1; }

void TField::SetIndex(int i) {
    if (!dataSet_) return;
    auto& list = dataSet_->fields_->list_;
    int cur = Index();
    if (i < 0) i = 0;
    if (i >= static_cast<int>(list.size())) i = static_cast<int>(list.size()) - 1;
    if (cur == i || cur < 0) return;
    list.erase(list.begin() + cur);
    list.insert(list.begin() + i, this);
    propertyChanged(true);
}

void TField::SetSize(int s) {
    CheckInactive();
    size_ = s < 0 ? 0 : s;
}

void TField::SetAlignment(TAlignment a) {
    if (a == alignment_) return;
    alignment_ = a;
    propertyChanged(false);
}

int TField::DisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : DefaultDisplayWidth(); }

void TField::SetDisplayWidth(int w) {
    if (w == DisplayWidth() && displayWidth_ != 0) return;
    displayWidth_ = w < 0 ? 0 : w;
    propertyChanged(true);
}

void TField::SetVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    propertyChanged(true);
}

void TField::SetEditMask(const AnsiString& m) {
    if (m == editMask_) return;
    editMask_ = m;
    propertyChanged(false);
}

void TField::SetLookupDataSet(TDataSet* ds) {
    if (ds == lookupDataSet_) return;
    if (lookupDataSet_) RemoveFreeNotification(lookupDataSet_);
    lookupDataSet_ = ds;
    if (ds) FreeNotification(ds);
}

void TField::GetData(TFieldValue& v) const {
    if (validating_) {
        v = *validating_;
        return;
    }
    if (!dataSet_) {
        v = TFieldValue();
        v.kind = slotKind_;
        return;
    }
    dataSet_->GetFieldData(this, v);
}

void TField::SetData(const TFieldValue& v) {
    if (!dataSet_) DatabaseError(DBText::DataSetClosed, this);
    dataSet_->checkFieldWritable(this);
    if (dataSet_->inTempState_) {
        dataSet_->SetFieldData(this, v);
        return;
    }
    if (!v.null) CheckValue(v);
    validating_ = &v;
    try {
        OnValidate(this);
    } catch (...) {
        validating_ = nullptr;
        throw;
    }
    validating_ = nullptr;
    dataSet_->SetFieldData(this, v);
    OnChange(this);
}

bool TField::IsNull() const {
    TFieldValue v;
    GetData(v);
    return v.null;
}

void TField::Clear() {
    TFieldValue v;
    v.kind = slotKind_;
    SetData(v);
}

bool TField::CanModify() const {
    if (!dataSet_ || readOnly_) return false;
    switch (fieldKind_) {
    case fkData: return dataSet_->CanModify();
    case fkLookup: {
        if (!dataSet_->CanModify()) return false;
        std::vector<TField*> keys;
        try {
            dataSet_->GetFieldList(keys, keyFields_);
        } catch (const Exception&) {
            return false;
        }
        for (TField* k : keys)
            if (!k->CanModify()) return false;
        return !keys.empty();
    }
    default: return false;
    }
}

bool TField::IsValidChar(char) const { return true; }

void TField::FocusControl() {
    if (!dataSet_ || !dataSet_->Active()) return;
    TField* f = this;
    dataSet_->DataEvent(deFocusControl, reinterpret_cast<std::intptr_t>(&f));
}

AnsiString TField::Text() const {
    if (OnGetText) {
        AnsiString t;
        OnGetText(const_cast<TField*>(this), t, false);
        return t;
    }
    return GetText(false);
}

AnsiString TField::DisplayText() const {
    if (OnGetText) {
        AnsiString t;
        OnGetText(const_cast<TField*>(this), t, true);
        return t;
    }
    return GetText(true);
}

void TField::SetText(const AnsiString& t) {
    if (OnSetText) OnSetText(this, t);
    else SetTextImpl(t);
}

void TField::AccessError(const char* typeName) const {
    DatabaseError(Msg(DBText::FieldAccessError, {DisplayName(), typeName}));
}

void TField::RangeError(const AnsiString& value, const AnsiString& min, const AnsiString& max) const {
    DatabaseError(Msg(DBText::FieldRangeError, {value, DisplayName(), min, max}));
}

AnsiString TField::GetAsString() const { AccessError("String"); }
int TField::GetAsInteger() const { AccessError("Integer"); }
long long TField::GetAsLargeInt() const { return GetAsInteger(); }
double TField::GetAsFloat() const { AccessError("Float"); }
Currency TField::GetAsCurrency() const { return Currency(GetAsFloat()); }
TDateTime TField::GetAsDateTime() const { AccessError("DateTime"); }
bool TField::GetAsBoolean() const { AccessError("Boolean"); }
Variant TField::GetAsVariant() const { AccessError("Variant"); }
void TField::SetAsStringImpl(const AnsiString&) { AccessError("String"); }
void TField::SetAsIntegerImpl(int) { AccessError("Integer"); }
void TField::SetAsLargeIntImpl(long long v) {
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) AccessError("Largeint");
    SetAsIntegerImpl(static_cast<int>(v));
}
void TField::SetAsFloatImpl(double) { AccessError("Float"); }
void TField::SetAsCurrencyImpl(Currency v) { SetAsFloatImpl(v.ToDouble()); }
void TField::SetAsDateTimeImpl(TDateTime) { AccessError("DateTime"); }
void TField::SetAsBooleanImpl(bool) { AccessError("Boolean"); }
void TField::SetAsVariantImpl(const Variant& v) {
    if (v.IsNull() || v.IsEmpty()) Clear();
    else AccessError("Variant");
}
AnsiString TField::GetText(bool) const { return GetAsString(); }
void TField::SetTextImpl(const AnsiString& t) { SetAsStringImpl(t); }

std::int64_t TField::ValueToInt64(const TFieldValue& v) {
    if (v.null) return 0;
    switch (v.kind) {
    case skInteger: return v.i;
    case skCurrency: return Currency::FromRaw(v.i).RoundToInt64();
    case skFloat: return Round(v.d);
    default: return StrToInt64(Trim(AnsiString(v.s)));
    }
}

double TField::ValueToDouble(const TFieldValue& v) {
    if (v.null) return 0;
    switch (v.kind) {
    case skInteger: return static_cast<double>(v.i);
    case skCurrency: return Currency::FromRaw(v.i).ToDouble();
    case skFloat: return v.d;
    default: return StrToFloat(Trim(AnsiString(v.s)));
    }
}

void TField::StoreInt(std::int64_t x) {
    TFieldValue v;
    v.null = false;
    v.kind = slotKind_;
    switch (slotKind_) {
    case skInteger: v.i = x; break;
    case skFloat: v.d = static_cast<double>(x); break;
    case skCurrency: v.i = Currency(static_cast<long long>(x)).Raw(); break;
    case skBytes: v.s = IntToStr(x).str(); break;
    }
    SetData(v);
}

void TField::StoreFloat(double x) {
    TFieldValue v;
    v.null = false;
    v.kind = slotKind_;
    switch (slotKind_) {
    case skInteger: v.i = Round(x); break;
    case skFloat: v.d = x; break;
    case skCurrency: v.i = FloatToCurr(x).Raw(); break;
    case skBytes: v.s = FloatToStr(x).str(); break;
    }
    SetData(v);
}

void TField::StoreCurrency(Currency x) {
    TFieldValue v;
    v.null = false;
    v.kind = slotKind_;
    switch (slotKind_) {
    case skInteger: v.i = x.RoundToInt64(); break;
    case skFloat: v.d = x.ToDouble(); break;
    case skCurrency: v.i = x.Raw(); break;
    case skBytes: v.s = CurrToStr(x).str(); break;
    }
    SetData(v);
}

void TField::StoreBytes(std::string_view s) {
    TFieldValue v;
    v.null = false;
    v.kind = slotKind_;
    switch (slotKind_) {
    case skInteger: v.i = StrToInt64(Trim(AnsiString(s))); break;
    case skFloat: v.d = StrToFloat(Trim(AnsiString(s))); break;
    case skCurrency: v.i = StrToCurr(Trim(AnsiString(s))).Raw(); break;
    case skBytes: v.s.assign(s.data(), s.size()); break;
    }
    SetData(v);
}

// ---- TStringField ----------------------------------------------------------------------------
TStringField::TStringField(TComponent* owner) : TField(owner, ftString) { SetSizeRaw(20); }
TStringField::TStringField(TComponent* owner, TFieldType type) : TField(owner, type) { SetSizeRaw(20); }

AnsiString TStringField::GetAsString() const {
    TFieldValue v;
    GetData(v);
    if (v.null) return AnsiString();
    switch (v.kind) {
    case skBytes: return AnsiString(v.s);
    case skInteger: return IntToStr(v.i);
    case skCurrency: return CurrToStr(Currency::FromRaw(v.i));
    default: return FloatToStr(v.d);
    }
}

int TStringField::GetAsInteger() const {
    AnsiString s = Trim(GetAsString());
    return s.IsEmpty() ? 0 : StrToInt(s);
}

long long TStringField::GetAsLargeInt() const {
    AnsiString s = Trim(GetAsString());
    return s.IsEmpty() ? 0 : StrToInt64(s);
}

double TStringField::GetAsFloat() const {
    AnsiString s = Trim(GetAsString());
    return s.IsEmpty() ? 0 : StrToFloat(s);
}

TDateTime TStringField::GetAsDateTime() const {
    AnsiString s = Trim(GetAsString());
    return s.IsEmpty() ? 0 : StrToDateTime(s);
}

bool TStringField::GetAsBoolean() const {
    AnsiString s = Trim(GetAsString());
    if (s.IsEmpty()) return false;
    return StrToBool(s);
}

Variant TStringField::GetAsVariant() const { return IsNull() ? Variant::Null() : Variant(GetAsString()); }

void TStringField::SetAsStringImpl(const AnsiString& v) {
    if (v.IsEmpty()) {
        Clear();
        return;
    }
    StoreBytes(Size() > 0 ? utf8Prefix(v.str(), Size()) : std::string_view(v.str()));
}

void TStringField::SetAsIntegerImpl(int v) { SetAsStringImpl(IntToStr(v)); }
void TStringField::SetAsLargeIntImpl(long long v) { SetAsStringImpl(IntToStr(v)); }
void TStringField::SetAsFloatImpl(double v) { SetAsStringImpl(FloatToStr(v)); }
void TStringField::SetAsDateTimeImpl(TDateTime v) { SetAsStringImpl(DateTimeToStr(v)); }
void TStringField::SetAsBooleanImpl(bool v) { SetAsStringImpl(v ? "True" : "False"); }

void TStringField::SetAsVariantImpl(const Variant& v) {
    if (v.IsNull() || v.IsEmpty()) Clear();
    else SetAsStringImpl(v.AsString());
}

AnsiString TStringField::GetText(bool displayText) const {
    AnsiString s = GetAsString();
    if (displayText && !EditMask().IsEmpty()) return FormatMaskText(EditMask(), s);
    return s;
}
void TStringField::SetTextImpl(const AnsiString& t) { SetAsStringImpl(t); }

TWideStringField::TWideStringField(TComponent* owner) : TStringField(owner, ftWideString) {}

// ---- numeric fields ------------------------------------------------------------------------
TNumericField::TNumericField(TComponent* owner, TFieldType type) : TField(owner, type) {
    SetAlignmentRaw(taRightJustify);
}

void TNumericField::SetDisplayFormat(const AnsiString& f) {
    if (f == displayFormat_) return;
    displayFormat_ = f;
    propertyChanged(false);
}

void TNumericField::SetEditFormat(const AnsiString& f) {
    if (f == editFormat_) return;
    editFormat_ = f;
    propertyChanged(false);
}

bool TNumericField::IsValidChar(char ch) const {
    return isDigit(ch) || ch == '+' || ch == '-' || ch == 'E' || ch == 'e' || ch == FormatSettings().DecimalSeparator;
}

void TNumericField::SetTextImpl(const AnsiString& t) {
    if (Trim(t).IsEmpty()) Clear();
    else SetAsStringImpl(Trim(t));
}

const AnsiString& TNumericField::PickFormat(bool displayText) const {
    if (displayText || editFormat_.IsEmpty()) return displayFormat_;
    return editFormat_;
}

// TIntegerField
TIntegerField::TIntegerField(TComponent* owner) : TNumericField(owner, ftInteger) {}
TIntegerField::TIntegerField(TComponent* owner, TFieldType type) : TNumericField(owner, type) {}

bool TIntegerField::IsValidChar(char ch) const { return isDigit(ch) || ch == '+' || ch == '-'; }

AnsiString TIntegerField::GetAsString() const {
    TFieldValue v;
    GetData(v);
    return v.null ? AnsiString() : IntToStr(ValueToInt64(v));
}

long long TIntegerField::GetAsLargeInt() const {
    TFieldValue v;
    GetData(v);
    return ValueToInt64(v);
}

int TIntegerField::GetAsInteger() const { return static_cast<int>(GetAsLargeInt()); }
double TIntegerField::GetAsFloat() const { return static_cast<double>(GetAsLargeInt()); }
Currency TIntegerField::GetAsCurrency() const { return Currency(GetAsLargeInt()); }
bool TIntegerField::GetAsBoolean() const { return GetAsLargeInt() != 0; }

Variant TIntegerField::GetAsVariant() const {
    TFieldValue v;
    GetData(v);
    if (v.null) return Variant::Null();
    return Variant(static_cast<int>(ValueToInt64(v)));
}

void TIntegerField::SetAsStringImpl(const AnsiString& v) {
    AnsiString t = Trim(v);
    if (t.IsEmpty()) Clear();
    else SetAsLargeIntImpl(StrToInt64(t));
}

void TIntegerField::SetAsIntegerImpl(int v) { StoreInt(v); }
void TIntegerField::SetAsLargeIntImpl(long long v) { StoreInt(v); }
void TIntegerField::SetAsFloatImpl(double v) { StoreInt(Round(v)); }
void TIntegerField::SetAsCurrencyImpl(Currency v) { StoreInt(v.RoundToInt64()); }
void TIntegerField::SetAsBooleanImpl(bool v) { StoreInt(v ? 1 : 0); }

void TIntegerField::SetAsVariantImpl(const Variant& v) {
    if (v.IsNull() || v.IsEmpty()) Clear();
    else if (VarIsStr(v)) SetAsStringImpl(v.AsString());
    else StoreInt(v.AsInt64());
}

AnsiString TIntegerField::GetText(bool displayText) const {
    TFieldValue v;
    GetData(v);
    if (v.null) return AnsiString();
    const AnsiString& fmt = PickFormat(displayText);
    long long x = ValueToInt64(v);
    return fmt.IsEmpty() ? IntToStr(x) : FormatFloat(fmt, static_cast<double>(x));
}

void TIntegerField::CheckValue(const TFieldValue& v) const {
    long long x = ValueToInt64(v);
    if (x < TypeMin() || x > TypeMax()) RangeError(IntToStr(x), IntToStr(TypeMin()), IntToStr(TypeMax()));
    if ((minValue_ != 0 || maxValue_ != 0) && (x < minValue_ || x > maxValue_))
        RangeError(IntToStr(x), IntToStr(minValue_), IntToStr(maxValue_));
}

TSmallintField::TSmallintField(TComponent* owner) : TIntegerField(owner, ftSmallint) {}

Variant TSmallintField::GetAsVariant() const {
    TFieldValue v;
    GetData(v);
    if (v.null) return Variant::Null();
    return Variant(static_cast<short>(ValueToInt64(v)));
}

TWordField::TWordField(TComponent* owner) : TIntegerField(owner, ftWord) {}
TAutoIncField::TAutoIncField(TComponent* owner) : TIntegerField(owner, ftAutoInc) {}

// TLargeintField
TLargeintField::TLargeintField(TComponent* owner) : TNumericField(owner, ftLargeint) {}

bool TLargeintField::IsValidChar(char ch) const { return isDigit(ch) || ch == '+' || ch == '-'; }

long long TLargeintField::GetAsLargeInt() const {
    TFieldValue v;
    GetData(v);
    return ValueToInt64(v);
}

AnsiString TLargeintField::GetAsString() const { return IsNull() ? AnsiString() : IntToStr(GetAsLargeInt()); }

int TLargeintField::GetAsInteger() const {
    long long x = GetAsLargeInt();
    if (x < std::numeric_limits<int>::min() || x > std::numeric_limits<int>::max())
        RangeError(IntToStr(x), IntToStr(std::numeric_limits<int>::min()), IntToStr(std::numeric_limits<int>::max()));
    return static_cast<int>(x);
}

double TLargeintField::GetAsFloat() const { return static_cast<double>(GetAsLargeInt()); }
Currency TLargeintField::GetAsCurrency() const { return Currency(GetAsLargeInt()); }
Variant TLargeintField::GetAsVariant() const { return IsNull() ? Variant::Null() : Variant(GetAsLargeInt()); }

void TLargeintField::SetAsStringImpl(const AnsiString& v) {
    AnsiString t = Trim(v);
    if (t.IsEmpty()) Clear();
    else StoreInt(StrToInt64(t));
}

void TLargeintField::SetAsIntegerImpl(int v) { StoreInt(v); }
void TLargeintField::SetAsLargeIntImpl(long long v) { StoreInt(v); }
void TLargeintField::SetAsFloatImpl(double v) { StoreInt(Round(v)); }
void TLargeintField::SetAsCurrencyImpl(Currency v) { StoreInt(v.RoundToInt64()); }

void TLargeintField::SetAsVariantImpl(const Variant& v) {
    if (v.IsNull() || v.IsEmpty()) Clear();
    else if (VarIsStr(v)) SetAsStringImpl(v.AsString());
    else StoreInt(v.AsInt64());
}

AnsiString TLargeintField::GetText(bool displayText) const {
    if (IsNull()) return AnsiString();
    const AnsiString& fmt = PickFormat(displayText);
    long long x = GetAsLargeInt();
    return fmt.IsEmpty() ? IntToStr(x) : FormatFloat(fmt, static_cast<double>(x));
}

void TLargeintField::CheckValue(const TFieldValue& v) const {
    long long x = ValueToInt64(v);
    if ((minValue_ != 0 || maxValue_ != 0) && (x < minValue_ || x > maxValue_))
        RangeError(IntToStr(x), IntToStr(minValue_), IntToStr(maxValue_));
}

// TFloatField
TFloatField::TFloatField(TComponent* owner) : TNumericField(owner, ftFloat) {}
TFloatField::TFloatField(TComponent* owner, TFieldType type) : TNumericField(owner, type) {}

void TFloatField::SetCurrency(bool c) {
    if (c == currency_) return;
    currency_ = c;
    propertyChanged(false);
}

void TFloatField::SetPrecision(int p) {
    if (p < 2) p = 2;
    if (p > 15) p = 15;
    if (p == precision_) return;
    precision_ = p;
    propertyChanged(false);
}

double TFloatField::GetAsFloat() const {
    TFieldValue v;
    GetData(v);
    return ValueToDouble(v);
}

AnsiString TFloatField::GetAsString() const { return IsNull() ? AnsiString() : FloatToStr(GetAsFloat()); }
int TFloatField::GetAsInteger() const { return static_cast<int>(Round(GetAsFloat())); }
long long TFloatField::GetAsLargeInt() const { return Round(GetAsFloat()); }
Currency TFloatField::GetAsCurrency() const { return FloatToCurr(GetAsFloat()); }
Variant TFloatField::GetAsVariant() const { return IsNull() ? Variant::Null() : Variant(GetAsFloat()); }

void TFloatField::SetAsStringImpl(const AnsiString& v) {
    AnsiString t = Trim(v);
    if (t.IsEmpty()) Clear();
    else StoreFloat(StrToFloat(t));
}

void TFloatField::SetAsIntegerImpl(int v) { StoreFloat(v); }
void TFloatField::SetAsLargeIntImpl(long long v) { StoreFloat(static_cast<double>(v)); }
void TFloatField::SetAsFloatImpl(double v) { StoreFloat(v); }
void TFloatField::SetAsCurrencyImpl(Currency v) { StoreFloat(v.ToDouble()); }

void TFloatField::SetAsVariantImpl(const Variant& v) {
    if (v.IsNull() || v.IsEmpty()) Clear();
    else if (VarIsStr(v)) SetAsStringImpl(v.AsString());
    else StoreFloat(v.AsDouble());
}

AnsiString TFloatField::GetText(bool displayText) const {
    if (IsNull()) return AnsiString();
    double x = GetAsFloat();
    const AnsiString& fmt = PickFormat(displayText);
    if (!fmt.IsEmpty()) return FormatFloat(fmt, x);
    if (currency_)
        return FloatToStrF(x, displayText ? ffCurrency : ffFixed, precision_, FormatSettings().CurrencyDecimals);
    return FloatToStrF(x, ffGeneral, precision_, 0);
}

void TFloatField::CheckValue(const TFieldValue& v) const {
    double x = ValueToDouble(v);
    if ((minValue_ != 0 || maxValue_ != 0) && (x < minValue_ || x > maxValue_))
        RangeError(FloatToStr(x), FloatToStr(minValue_), FloatToStr(maxValue_));
}

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner, ftCurrency) { SetCurrency(true); }

TFMTBCDField::TFMTBCDField(TComponent* owner) : TFloatField(owner, ftFMTBcd) {}

// TBCDField
TBCDField::TBCDField(TComponent* owner) : TNumericField(owner, ftBCD) { SetSizeRaw(4); }
TBCDField::TBCDField(TComponent* owner, TFieldType type) : TNumericField(owner, type) { SetSizeRaw(4); }

void TBCDField::SetCurrency(bool c) {
    if (c == currency_) return;
    currency_ = c;
    propertyChanged(false);
}

Currency TBCDField::GetAsCurrency() const {
    TFieldValue v;
    GetData(v);
    if (v.null) return Currency();
    switch (v.kind) {
    case skCurrency: return Currency::FromRaw(v.i);
    case skInteger: return Currency(static_cast<long long>(v.i));
    case skFloat: return FloatToCurr(v.d);
    default: return StrToCurr(Trim(AnsiString(v.s)));
    }
}

AnsiString TBCDField::GetAsString() const { return IsNull() ? AnsiString() : CurrToStr(GetAsCurrency()); }
int TBCDField::GetAsInteger() const { return static_cast<int>(GetAsCurrency().RoundToInt64()); }
long long TBCDField::GetAsLargeInt() const { return GetAsCurrency().RoundToInt64(); }
double TBCDField::GetAsFloat() const { return GetAsCurrency().ToDouble(); }
Variant TBCDField::GetAsVariant() const { return IsNull() ? Variant::Null() : Variant(GetAsCurrency()); }

void TBCDField::SetAsStringImpl(const AnsiString& v) {
    AnsiString t = Trim(v);
    if (t.IsEmpty()) Clear();
    else StoreCurrency(StrToCurr(t));
}

void TBCDField::SetAsIntegerImpl(int v) { StoreCurrency(Currency(v)); }
void TBCDField::SetAsLargeIntImpl(long long v) { StoreCurrency(Currency(v)); }
void TBCDField::SetAsFloatImpl(double v) { StoreCurrency(FloatToCurr(v)); }
void TBCDField::SetAsCurrencyImpl(Currency v) { StoreCurrency(v); }

void TBCDField::SetAsVariantImpl(const Variant& v) {
    if (v.IsNull() || v.IsEmpty()) Clear();
    else if (VarIsStr(v)) SetAsStringImpl(v.AsString());
    else StoreCurrency(v.AsCurrency());
}

AnsiString TBCDField::GetText(bool displayText) const {
    if (IsNull()) return AnsiString();
    Currency c = GetAsCurrency();
    const AnsiString& fmt = PickFormat(displayText);
    if (!fmt.IsEmpty()) return FormatCurr(fmt, c);
    if (currency_) return CurrToStrF(c, displayText ? ffCurrency : ffFixed, FormatSettings().CurrencyDecimals);
    return CurrToStr(c);
}

void TBCDField::CheckValue(const TFieldValue& v) const {
    Currency c;
    switch (v.kind) {
    case skCurrency: c = Currency::FromRaw(v.i); break;
    case skInteger: c = Currency(static_cast<long long>(v.i)); break;
    case skFloat: c = FloatToCurr(v.d); break;
    default: return;
    }
    if ((minValue_ != Currency() || maxValue_ != Currency()) && (c < minValue_ || c > maxValue_))
        RangeError(CurrToStr(c), CurrToStr(minValue_), CurrToStr(maxValue_));
}

// ---- TBooleanField ---------------------------------------------------------------------------
TBooleanField::TBooleanField(TComponent* owner) : TField(owner, ftBoolean) {}

AnsiString TBooleanField::DisplayValues() const { return trueText_ + ";" + falseText_; }

void TBooleanField::SetDisplayValues(const AnsiString& v) {
    int p = v.Pos(";");
    if (p == 0) {
        trueText_ = v;
        falseText_ = AnsiString();
    } else {
        trueText_ = v.SubString(1, p - 1);
        falseText_ = v.SubString(p + 1, v.Length() - p);
    }
    propertyChanged(false);
}

bool TBooleanField::GetAsBoolean() const {
    TFieldValue v;
    GetData(v);
    if (v.null) return false;
    switch (v.kind) {
    case skBytes: {
        AnsiString s = Trim(AnsiString(v.s));
        return SameText(s, trueText_) || SameText(s, "True") || s == "1";
    }
    case skFloat: return v.d != 0;
    default: return v.i != 0;
    }
}

AnsiString TBooleanField::GetAsString() const {
    if (IsNull()) return AnsiString();
    return GetAsBoolean() ? trueText_ : falseText_;
}

int TBooleanField::GetAsInteger() const { return GetAsBoolean() ? 1 : 0; }
Variant TBooleanField::GetAsVariant() const { return IsNull() ? Variant::Null() : Variant(GetAsBoolean()); }

void TBooleanField::SetAsBooleanImpl(bool b) {
    if (SlotKind() == skBytes) StoreBytes(b ? "True" : "False");
    else StoreInt(b ? 1 : 0);
}

void TBooleanField::SetAsIntegerImpl(int v) { SetAsBooleanImpl(v != 0); }

void TBooleanField::SetAsStringImpl(const AnsiString& v) {
    AnsiString t = Trim(v);
    if (t.IsEmpty()) {
        Clear();
        return;
    }
    auto prefixOf = [&](const AnsiString& full) {
        return !full.IsEmpty() && t.Length() <= full.Length() && AnsiSameText(full.SubString(1, t.Length()), t);
    };
    if (prefixOf(trueText_)) SetAsBooleanImpl(true);
    else if (prefixOf(falseText_)) SetAsBooleanImpl(false);
    else DatabaseError(Msg(DBText::NotBoolean, {t, DisplayName()}));
}

void TBooleanField::SetAsVariantImpl(const Variant& v) {
    if (v.IsNull() || v.IsEmpty()) Clear();
    else if (VarIsStr(v)) SetAsStringImpl(v.AsString());
    else SetAsBooleanImpl(v.AsBoolean());
}

AnsiString TBooleanField::GetText(bool) const { return GetAsString(); }

int TBooleanField::DefaultDisplayWidth() const {
    return std::max(5, std::max(trueText_.Length(), falseText_.Length()));
}

// ---- date and time fields --------------------------------------------------------------------
TDateTimeField::TDateTimeField(TComponent* owner) : TField(owner, ftDateTime) {}
TDateTimeField::TDateTimeField(TComponent* owner, TFieldType type) : TField(owner, type) {}

void TDateTimeField::SetDisplayFormat(const AnsiString& f) {
    if (f == displayFormat_) return;
    displayFormat_ = f;
    propertyChanged(false);
}

TDateTime TDateTimeField::GetAsDateTime() const {
    TFieldValue v;
    GetData(v);
    if (v.null) return 0;
    if (v.kind == skBytes) {
        AnsiString s = Trim(AnsiString(v.s));
        TDateTime d;
        if (TryStrToDateTime(s, d)) return d;
        return SqlTextToDateTime(s);
    }
    return ValueToDouble(v);
}

double TDateTimeField::GetAsFloat() const { return GetAsDateTime(); }
AnsiString TDateTimeField::GetAsString() const { return GetText(false); }
Variant TDateTimeField::GetAsVariant() const { return IsNull() ? Variant::Null() : VarFromDateTime(GetAsDateTime()); }

void TDateTimeField::SetAsDateTimeImpl(TDateTime v) {
    if (DataType() == ftDate) v = DateOf(v);
    else if (DataType() == ftTime) v = TimeOf(v);
    if (SlotKind() == skBytes) StoreBytes(DateTimeToSqlText(v).str());
    else StoreFloat(v);
}

void TDateTimeField::SetAsFloatImpl(double v) { SetAsDateTimeImpl(v); }

void TDateTimeField::SetAsStringImpl(const AnsiString& v) {
    AnsiString t = Trim(v);
    if (t.IsEmpty()) {
        Clear();
        return;
    }
    TDateTime d = 0;
    bool ok = false;
    switch (DataType()) {
    case ftDate: ok = TryStrToDate(t, d); break;
    case ftTime: ok = TryStrToTime(t, d); break;
    default: ok = TryStrToDateTime(t, d); break;
    }
    if (!ok && t.Length() >= 10 && t[5] == '-' && t[8] == '-') {
        d = SqlTextToDateTime(t);
        ok = d != 0;
    }
    if (!ok) throw EConvertError("'" + t + "' is not a valid date and time");
    SetAsDateTimeImpl(d);
}

void TDateTimeField::SetAsVariantImpl(const Variant& v) {
    if (v.IsNull() || v.IsEmpty()) Clear();
    else if (VarIsStr(v)) SetAsStringImpl(v.AsString());
    else SetAsDateTimeImpl(v.AsDateTime());
}

void TDateTimeField::SetTextImpl(const AnsiString& t) { SetAsStringImpl(t); }

AnsiString TDateTimeField::GetText(bool displayText) const {
    if (IsNull()) return AnsiString();
    TDateTime d = GetAsDateTime();
    if (displayText && !displayFormat_.IsEmpty()) return FormatDateTime(displayFormat_, d);
    switch (DataType()) {
    case ftDate: return FormatDateTime(FormatSettings().ShortDateFormat, d);
    case ftTime: return FormatDateTime(FormatSettings().LongTimeFormat, d);
    default: return DateTimeToStr(d);
    }
}

int TDateTimeField::DefaultDisplayWidth() const {
    const TFormatSettings& fs = FormatSettings();
    switch (DataType()) {
    case ftDate: return fs.ShortDateFormat.Length();
    case ftTime: return fs.LongTimeFormat.Length();
    default: return fs.ShortDateFormat.Length() + 1 + fs.LongTimeFormat.Length();
    }
}

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner, ftDate) {}
TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner, ftTime) {}
TSQLTimeStampField::TSQLTimeStampField(TComponent* owner) : TDateTimeField(owner, ftTimeStamp) {}

// ---- blobs -----------------------------------------------------------------------------------
TBlobField::TBlobField(TComponent* owner) : TField(owner, ftBlob) {}
TBlobField::TBlobField(TComponent* owner, TFieldType type) : TField(owner, type) {}

AnsiString TBlobField::GetAsString() const {
    TFieldValue v;
    GetData(v);
    if (v.null) return AnsiString();
    if (v.kind == skBytes) return AnsiString(v.s);
    return AnsiString();
}

int TBlobField::BlobSize() const { return GetAsString().Length(); }
Variant TBlobField::GetAsVariant() const { return IsNull() ? Variant::Null() : Variant(GetAsString()); }

void TBlobField::SetAsStringImpl(const AnsiString& v) {
    if (v.IsEmpty()) Clear();
    else StoreBytes(v.str());
}

void TBlobField::SetAsVariantImpl(const Variant& v) {
    if (v.IsNull() || v.IsEmpty()) Clear();
    else SetAsStringImpl(v.AsString());
}

AnsiString TBlobField::GetText(bool) const { return IsNull() ? "(blob)" : "(BLOB)"; }

TMemoField::TMemoField(TComponent* owner) : TBlobField(owner, ftMemo) {}

AnsiString TMemoField::GetText(bool) const { return IsNull() ? "(memo)" : "(MEMO)"; }

// ---- factory ---------------------------------------------------------------------------------
TField* CreateFieldOfType(TFieldType type, TComponent* owner) {
    switch (type) {
    case ftString:
    case ftFixedChar: {
        auto* f = new TStringField(owner);
        if (type == ftFixedChar) f->SetDataType(ftFixedChar);
        return f;
    }
    case ftWideString: return new TWideStringField(owner);
    case ftSmallint: return new TSmallintField(owner);
    case ftInteger: return new TIntegerField(owner);
    case ftWord: return new TWordField(owner);
    case ftAutoInc: return new TAutoIncField(owner);
    case ftLargeint: return new TLargeintField(owner);
    case ftBoolean: return new TBooleanField(owner);
    case ftFloat: return new TFloatField(owner);
    case ftCurrency: return new TCurrencyField(owner);
    case ftBCD: return new TBCDField(owner);
    case ftFMTBcd: return new TFMTBCDField(owner);
    case ftDate: return new TDateField(owner);
    case ftTime: return new TTimeField(owner);
    case ftDateTime: return new TDateTimeField(owner);
    case ftTimeStamp: return new TSQLTimeStampField(owner);
    case ftMemo:
    case ftFmtMemo: {
        auto* f = new TMemoField(owner);
        if (type == ftFmtMemo) f->SetDataType(ftFmtMemo);
        return f;
    }
    case ftBlob:
    case ftGraphic:
    case ftBytes:
    case ftVarBytes: {
        auto* f = new TBlobField(owner);
        if (type != ftBlob) f->SetDataType(type);
        return f;
    }
    default: return nullptr;
    }
}
