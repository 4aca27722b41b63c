#include "rtl/Variant.h"

#include "rtl/MathUtils.h"

#include <cmath>
#include <limits>
#include <ostream>

struct VariantAccess {
    static const Variant::ArrayData& array(const Variant& v) {
        if (!v.arr_) throw EVariantError("Variant is not an array");
        return *v.arr_;
    }
    static Variant::ArrayData& mutableArray(Variant& v) { return v.mutableArray(); }
    static Variant makeArray(std::vector<TVarArrayBound> bounds, TVarType elementType);
    static long long rawInt(const Variant& v) { return v.i_; }
    static double rawDouble(const Variant& v) { return v.d_; }
    static float rawSingle(const Variant& v) { return v.f_; }
    static bool rawBool(const Variant& v) { return v.b_; }
    static const AnsiString& rawString(const Variant& v) { return v.s_; }
};

namespace {

using i128 = __int128;

bool isIntegral(TVarType t) { return t == varSmallint || t == varInteger || t == varInt64; }
bool isFloatKind(TVarType t) { return t == varSingle || t == varDouble || t == varDate; }
bool isStr(TVarType t) { return t == varString || t == varOleStr; }
bool isNumber(TVarType t) { return isIntegral(t) || isFloatKind(t) || t == varCurrency; }

[[noreturn]] void castError(const Variant& v, TVarType to) {
    throw EVariantTypeCastError("Could not convert variant of type (" + VarTypeAsText(v.Type()) + ") into type (" +
                                VarTypeAsText(to) + ")");
}
[[noreturn]] void invalidOp() { throw EVariantError("Invalid variant operation"); }
[[noreturn]] void overflow() { throw EVariantError("Arithmetic overflow"); }

bool textToDouble(const AnsiString& s, double& out) {
    AnsiString t = Trim(s);
    if (t.IsEmpty()) return false;
    if (TryStrToFloat(t, out, FormatSettings())) return true;
    return TryStrToFloat(t, out, TFormatSettings::Invariant());
}

bool textToInt64(const AnsiString& s, long long& out) {
    AnsiString t = Trim(s);
    if (TryStrToInt64(t, out)) return true;
    double d;
    if (!textToDouble(t, d) || !std::isfinite(d) || d >= 9.2233720368547758e18 || d < -9.2233720368547758e18)
        return false;
    out = Round(d);
    return true;
}

bool textToBool(const AnsiString& s, bool& out) {
    AnsiString t = Trim(s);
    if (SameText(t, "True")) {
        out = true;
        return true;
    }
    if (SameText(t, "False")) {
        out = false;
        return true;
    }
    double d;
    if (textToDouble(t, d)) {
        out = d != 0;
        return true;
    }
    return false;
}

bool textToDate(const AnsiString& s, TDateTime& out) {
    AnsiString t = Trim(s);
    if (TryStrToDateTime(t, out)) return true;
    if (t.Length() >= 10 && t[5] == '-' && t[8] == '-') {
        TDateTime d = SqlTextToDateTime(t);
        if (d != 0) {
            out = d;
            return true;
        }
    }
    return false;
}

int sign3(double a, double b) { return a < b ? -1 : (a > b ? 1 : 0); }
template <class T>
int sign3i(T a, T b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

// The neutral value of a kind, used for Empty next to it.
Variant zeroOf(TVarType t) {
    if (isStr(t)) return Variant(AnsiString());
    if (t == varBoolean) return Variant(false);
    if (t == varDate) return Variant::FromDateTime(0);
    return Variant(0);
}

int compareScalars(const Variant& a0, const Variant& b0) {
    TVarType ta = a0.Type(), tb = b0.Type();
    if (ta == varError || tb == varError || a0.IsArray() || b0.IsArray()) invalidOp();
    if (ta == varEmpty && tb == varEmpty) return 0;
    const Variant a = ta == varEmpty ? zeroOf(tb) : a0;
    const Variant b = tb == varEmpty ? zeroOf(ta) : b0;
    ta = a.Type();
    tb = b.Type();
    if (isStr(ta) && isStr(tb)) {
        int c = AnsiCompareStr(VariantAccess::rawString(a), VariantAccess::rawString(b));
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    if (isStr(ta) || isStr(tb)) {
        bool aIsText = isStr(ta);
        const Variant& text = aIsText ? a : b;
        const Variant& other = aIsText ? b : a;
        Variant conv;
        TVarType to = other.Type();
        if (to == varBoolean) {
            bool v;
            if (!textToBool(VariantAccess::rawString(text), v)) castError(text, varBoolean);
            conv = Variant(v);
        } else if (to == varDate) {
            TDateTime d;
            if (!textToDate(VariantAccess::rawString(text), d)) castError(text, varDate);
            conv = Variant::FromDateTime(d);
        } else if (isIntegral(to)) {
            long long i;
            double d;
            if (TryStrToInt64(Trim(VariantAccess::rawString(text)), i)) conv = Variant(i);
            else if (textToDouble(VariantAccess::rawString(text), d)) conv = Variant(d);
            else castError(text, varDouble);
        } else {
            double d;
            if (!textToDouble(VariantAccess::rawString(text), d)) castError(text, varDouble);
            conv = Variant(d);
        }
        return aIsText ? compareScalars(conv, other) : compareScalars(other, conv);
    }
    if (ta == varBoolean && tb == varBoolean) return sign3i<int>(VariantAccess::rawBool(a), VariantAccess::rawBool(b));
    if (ta == varBoolean) return compareScalars(Variant(VariantAccess::rawBool(a) ? -1 : 0), b);
    if (tb == varBoolean) return compareScalars(a, Variant(VariantAccess::rawBool(b) ? -1 : 0));
    if (isIntegral(ta) && isIntegral(tb)) return sign3i(VariantAccess::rawInt(a), VariantAccess::rawInt(b));
    if ((ta == varCurrency || isIntegral(ta)) && (tb == varCurrency || isIntegral(tb))) {
        i128 x = ta == varCurrency ? i128(VariantAccess::rawInt(a)) : i128(VariantAccess::rawInt(a)) * Currency::Scale;
        i128 y = tb == varCurrency ? i128(VariantAccess::rawInt(b)) : i128(VariantAccess::rawInt(b)) * Currency::Scale;
        return sign3i(x, y);
    }
    return sign3(a.AsDouble(), b.AsDouble());
}

TVarType arithmeticKind(const Variant& v) {
    TVarType t = v.Type();
    if (t == varBoolean) return varInteger;
    return t;
}

Variant intResult(i128 r, bool wide) {
    if (!wide && r >= std::numeric_limits<int>::min() && r <= std::numeric_limits<int>::max())
        return Variant(static_cast<int>(r));
    if (r >= std::numeric_limits<long long>::min() && r <= std::numeric_limits<long long>::max())
        return Variant(static_cast<long long>(r));
    return Variant(static_cast<double>(r));
}

Variant arith(const Variant& a0, const Variant& b0, char op) {
    if (a0.IsArray() || b0.IsArray() || a0.Type() == varError || b0.Type() == varError) invalidOp();
    if (a0.IsNull() || b0.IsNull()) return Variant::Null();
    if (a0.IsEmpty() && b0.IsEmpty()) return Variant();
    if (op == '+' && (isStr(a0.Type()) || a0.IsEmpty()) && (isStr(b0.Type()) || b0.IsEmpty()))
        return Variant(VarToStr(a0) + VarToStr(b0));
    Variant a = a0.IsEmpty() ? Variant(0) : a0;
    Variant b = b0.IsEmpty() ? Variant(0) : b0;
    // texts become numbers (dates next to a date)
    auto fromText = [](const Variant& text, const Variant& other) -> Variant {
        if (other.Type() == varDate) {
            TDateTime d;
            if (textToDate(VariantAccess::rawString(text), d)) return Variant::FromDateTime(d);
        }
        double d;
        if (!textToDouble(VariantAccess::rawString(text), d)) castError(text, varDouble);
        return Variant(d);
    };
    if (isStr(a.Type())) a = fromText(a, b);
    if (isStr(b.Type())) b = fromText(b, a);
    if (a.Type() == varBoolean) a = Variant(VariantAccess::rawBool(a) ? -1 : 0);
    if (b.Type() == varBoolean) b = Variant(VariantAccess::rawBool(b) ? -1 : 0);
    TVarType ta = arithmeticKind(a), tb = arithmeticKind(b);
    if (isIntegral(ta) && isIntegral(tb) && op != '/') {
        i128 x = VariantAccess::rawInt(a), y = VariantAccess::rawInt(b);
        i128 r = op == '+' ? x + y : op == '-' ? x - y : x * y;
        return intResult(r, ta == varInt64 || tb == varInt64);
    }
    bool curA = ta == varCurrency || isIntegral(ta), curB = tb == varCurrency || isIntegral(tb);
    if (curA && curB && (ta == varCurrency || tb == varCurrency)) {
        Currency x = a.AsCurrency(), y = b.AsCurrency();
        try {
            switch (op) {
            case '+': return Variant(x + y);
            case '-': return Variant(x - y);
            case '*': return Variant(x * y);
            default: return Variant(x / y);
            }
        } catch (const EOverflow&) {
            overflow();
        }
    }
    double x = a.AsDouble(), y = b.AsDouble();
    double r = 0;
    switch (op) {
    case '+': r = x + y; break;
    case '-': r = x - y; break;
    case '*': r = x * y; break;
    default:
        if (y == 0) throw EZeroDivide("Floating point division by zero");
        r = x / y;
    }
    if ((op == '+' || op == '-') && ((ta == varDate) != (tb == varDate))) return Variant::FromDateTime(r);
    return Variant(r);
}

Currency intToCurrency(long long v) {
    try {
        return Currency(v);
    } catch (const EOverflow&) {
        overflow();
    }
}

Currency negateCurrency(Currency c) {
    try {
        return -c;
    } catch (const EOverflow&) {
        overflow();
    }
}

std::size_t elementCount(const std::vector<TVarArrayBound>& bounds) {
    std::size_t n = 1;
    for (const auto& b : bounds) n *= static_cast<std::size_t>(b.ElementCount);
    return n;
}

std::size_t offsetOf(const Variant::ArrayData& a, const int* idx, std::size_t n) {
    if (n != a.bounds.size()) throw EVariantError("Variant or safe array index out of bounds");
    std::size_t off = 0;
    for (std::size_t d = 0; d < n; ++d) {
        const auto& b = a.bounds[d];
        long long k = static_cast<long long>(idx[d]) - b.LowBound;
        if (k < 0 || k >= b.ElementCount) throw EVariantError("Variant or safe array index out of bounds");
        off = off * static_cast<std::size_t>(b.ElementCount) + static_cast<std::size_t>(k);
    }
    return off;
}

}  // namespace

Variant VariantAccess::makeArray(std::vector<TVarArrayBound> bounds, TVarType elementType) {
    Variant v;
    v.type_ = static_cast<TVarType>(varArray | elementType);
    v.arr_ = std::make_shared<Variant::ArrayData>();
    v.arr_->elementType = elementType;
    v.arr_->bounds = std::move(bounds);
    Variant init = elementType == varVariant ? Variant() : VarAsType(Variant(0), elementType);
    if (isStr(elementType)) init = Variant(AnsiString());
    v.arr_->items.assign(elementCount(v.arr_->bounds), init);
    return v;
}

// ---- construction ----------------------------------------------------------------------------
Variant::Variant(bool v) noexcept : type_(varBoolean), b_(v) {}
Variant::Variant(short v) noexcept : type_(varSmallint), i_(v) {}
Variant::Variant(int v) noexcept : type_(varInteger), i_(v) {}
Variant::Variant(long v) noexcept : type_(varInt64), i_(v) {}
Variant::Variant(long long v) noexcept : type_(varInt64), i_(v) {}
Variant::Variant(float v) noexcept : type_(varSingle), f_(v) {}
Variant::Variant(double v) noexcept : type_(varDouble), d_(v) {}
Variant::Variant(Currency v) noexcept : type_(varCurrency), i_(v.Raw()) {}
Variant::Variant(const char* s) : type_(varString), i_(0), s_(s) {}
Variant::Variant(const AnsiString& s) : type_(varString), i_(0), s_(s) {}
Variant::Variant(const std::string& s) : type_(varString), i_(0), s_(s) {}

Variant Variant::Null() {
    Variant v;
    v.type_ = varNull;
    return v;
}

Variant Variant::FromDateTime(TDateTime dt) {
    Variant v(dt);
    v.type_ = varDate;
    return v;
}

Variant Variant::FromError(int code) {
    Variant v(code);
    v.type_ = varError;
    return v;
}

Variant::ArrayData& Variant::mutableArray() {
    if (!arr_) throw EVariantError("Variant is not an array");
    if (arr_.use_count() > 1) arr_ = std::make_shared<ArrayData>(*arr_);
    return *arr_;
}

// ---- conversions -----------------------------------------------------------------------------
long long Variant::AsInt64() const {
    switch (type_) {
    case varEmpty: return 0;
    case varSmallint:
    case varInteger:
    case varInt64: return i_;
    case varBoolean: return b_ ? -1 : 0;
    case varCurrency: return Currency::FromRaw(i_).RoundToInt64();
    case varSingle:
    case varDouble:
    case varDate: {
        double d = type_ == varSingle ? static_cast<double>(f_) : d_;
        if (!std::isfinite(d) || d >= 9.2233720368547758e18 || d < -9.2233720368547758e18) castError(*this, varInt64);
        return Round(d);
    }
    case varString:
    case varOleStr: {
        long long v;
        if (!textToInt64(s_, v)) castError(*this, varInt64);
        return v;
    }
    default: castError(*this, varInt64);
    }
}

int Variant::AsInteger() const {
    long long v = AsInt64();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) overflow();
    return static_cast<int>(v);
}

double Variant::AsDouble() const {
    switch (type_) {
    case varEmpty: return 0;
    case varSmallint:
    case varInteger:
    case varInt64: return static_cast<double>(i_);
    case varBoolean: return b_ ? -1 : 0;
    case varCurrency: return Currency::FromRaw(i_).ToDouble();
    case varSingle: return f_;
    case varDouble:
    case varDate: return d_;
    case varString:
    case varOleStr: {
        double d;
        if (!textToDouble(s_, d)) castError(*this, varDouble);
        return d;
    }
    default: castError(*this, varDouble);
    }
}

Currency Variant::AsCurrency() const {
    switch (type_) {
    case varCurrency: return Currency::FromRaw(i_);
    case varSmallint:
    case varInteger:
    case varInt64: return intToCurrency(i_);
    case varString:
    case varOleStr: {
        Currency c;
        if (TryStrToCurr(Trim(s_), c) || TryStrToCurr(Trim(s_), c, TFormatSettings::Invariant())) return c;
        castError(*this, varCurrency);
    }
    case varEmpty:
    case varBoolean:
    case varSingle:
    case varDouble:
    case varDate: {
        Currency c;
        if (!TryFloatToCurr(AsDouble(), c)) overflow();
        return c;
    }
    default: castError(*this, varCurrency);
    }
}

TDateTime Variant::AsDateTime() const {
    switch (type_) {
    case varString:
    case varOleStr: {
        TDateTime d;
        if (!textToDate(s_, d)) castError(*this, varDate);
        return d;
    }
    case varBoolean:
    case varNull:
    case varError: castError(*this, varDate);
    default:
        if (IsArray()) castError(*this, varDate);
        return AsDouble();
    }
}

bool Variant::AsBoolean() const {
    switch (type_) {
    case varEmpty: return false;
    case varBoolean: return b_;
    case varSmallint:
    case varInteger:
    case varInt64:
    case varCurrency: return i_ != 0;
    case varSingle: return f_ != 0;
    case varDouble:
    case varDate: return d_ != 0;
    case varString:
    case varOleStr: {
        bool b;
        if (!textToBool(s_, b)) castError(*this, varBoolean);
        return b;
    }
    default: castError(*this, varBoolean);
    }
}

AnsiString Variant::AsString() const {
    switch (type_) {
    case varEmpty: return AnsiString();
    case varSmallint:
    case varInteger:
    case varInt64: return IntToStr(i_);
    case varBoolean: return b_ ? "True" : "False";
    case varCurrency: return CurrToStr(Currency::FromRaw(i_));
    case varSingle: return FloatToStrF(f_, ffGeneral, 7, 0);
    case varDouble: return FloatToStr(d_);
    case varDate: return DateTimeToStr(d_);
    case varString:
    case varOleStr: return s_;
    default: castError(*this, varString);
    }
}

int Variant::ErrorCode() const {
    if (type_ != varError) castError(*this, varError);
    return static_cast<int>(i_);
}

// ---- arrays ----------------------------------------------------------------------------------
int Variant::DimCount() const noexcept { return IsArray() && arr_ ? static_cast<int>(arr_->bounds.size()) : 0; }

int Variant::LowBound(int dim) const {
    const auto& a = VariantAccess::array(*this);
    if (dim < 1 || dim > static_cast<int>(a.bounds.size())) throw EVariantError("Variant array dimension out of range");
    return a.bounds[dim - 1].LowBound;
}

int Variant::HighBound(int dim) const {
    const auto& a = VariantAccess::array(*this);
    if (dim < 1 || dim > static_cast<int>(a.bounds.size())) throw EVariantError("Variant array dimension out of range");
    return a.bounds[dim - 1].LowBound + a.bounds[dim - 1].ElementCount - 1;
}

Variant Variant::GetElement(int index) const {
    const auto& a = VariantAccess::array(*this);
    return a.items[offsetOf(a, &index, 1)];
}

Variant Variant::GetElement(std::initializer_list<int> indices) const {
    const auto& a = VariantAccess::array(*this);
    return a.items[offsetOf(a, indices.begin(), indices.size())];
}

void Variant::PutElement(int index, const Variant& value) { PutElement({index}, value); }

void Variant::PutElement(std::initializer_list<int> indices, const Variant& value) {
    {
        const auto& ro = VariantAccess::array(*this);
        (void)offsetOf(ro, indices.begin(), indices.size());  // check before copying
    }
    auto& a = mutableArray();
    std::size_t off = offsetOf(a, indices.begin(), indices.size());
    a.items[off] = a.elementType == varVariant ? value : VarAsType(value, a.elementType);
}

void Variant::Redim(int highBound) {
    auto& a = mutableArray();
    auto& last = a.bounds.back();
    int newCount = highBound - last.LowBound + 1;
    if (newCount < 0) throw EVariantError("Variant array bounds error");
    std::size_t outer = 1;
    for (std::size_t d = 0; d + 1 < a.bounds.size(); ++d) outer *= static_cast<std::size_t>(a.bounds[d].ElementCount);
    Variant init = a.elementType == varVariant ? Variant() : zeroOf(a.elementType);
    if (a.elementType != varVariant && !isStr(a.elementType)) init = VarAsType(Variant(0), a.elementType);
    std::vector<Variant> items(outer * static_cast<std::size_t>(newCount), init);
    std::size_t keep = static_cast<std::size_t>(std::min(newCount, last.ElementCount));
    for (std::size_t o = 0; o < outer; ++o)
        for (std::size_t k = 0; k < keep; ++k)
            items[o * newCount + k] = a.items[o * static_cast<std::size_t>(last.ElementCount) + k];
    last.ElementCount = newCount;
    a.items = std::move(items);
}

// ---- comparison and arithmetic -------------------------------------------------------------
bool operator==(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull();
    return compareScalars(a, b) == 0;
}

bool operator<(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) return a.IsNull() && !b.IsNull();
    return compareScalars(a, b) < 0;
}

Variant operator+(const Variant& a, const Variant& b) { return arith(a, b, '+'); }
Variant operator-(const Variant& a, const Variant& b) { return arith(a, b, '-'); }
Variant operator*(const Variant& a, const Variant& b) { return arith(a, b, '*'); }
Variant operator/(const Variant& a, const Variant& b) { return arith(a, b, '/'); }

Variant Variant::operator-() const {
    switch (type_) {
    case varNull:
    case varEmpty: return *this;
    case varSmallint:
    case varInteger: return intResult(-static_cast<i128>(i_), false);
    case varInt64: return intResult(-static_cast<i128>(i_), true);
    case varBoolean: return Variant(b_ ? 1 : 0);
    case varCurrency: return Variant(negateCurrency(Currency::FromRaw(i_)));
    case varSingle: return Variant(-f_);
    case varDouble: return Variant(-d_);
    case varDate: return Variant::FromDateTime(-d_);
    case varString:
    case varOleStr: return Variant(-AsDouble());
    default: invalidOp();
    }
}

// ---- free functions --------------------------------------------------------------------------
Variant Null() { return Variant::Null(); }
Variant Unassigned() { return Variant(); }

bool VarIsNumeric(const Variant& v) { return isNumber(v.Type()) && v.Type() != varDate; }
bool VarIsOrdinal(const Variant& v) { return isIntegral(v.Type()) || v.Type() == varBoolean; }
bool VarIsFloat(const Variant& v) { return v.Type() == varSingle || v.Type() == varDouble || v.Type() == varCurrency; }
bool VarIsStr(const Variant& v) { return isStr(v.Type()); }
bool VarIsError(const Variant& v) { return v.Type() == varError; }
Variant VarAsError(int code) { return Variant::FromError(code); }

Variant VarAsType(const Variant& v, TVarType type) {
    if (type == varEmpty) return Variant();
    if (v.IsNull() || type == varNull) return Variant::Null();
    if (v.Type() == type) return v;
    switch (type) {
    case varSmallint: {
        long long x = v.AsInt64();
        if (x < -32768 || x > 32767) overflow();
        return Variant(static_cast<short>(x));
    }
    case varInteger: return Variant(v.AsInteger());
    case varInt64: return Variant(v.AsInt64());
    case varSingle: return Variant(static_cast<float>(v.AsDouble()));
    case varDouble: return Variant(v.AsDouble());
    case varCurrency: return Variant(v.AsCurrency());
    case varDate: return Variant::FromDateTime(v.AsDateTime());
    case varBoolean: return Variant(v.AsBoolean());
    case varString:
    case varOleStr: return Variant(v.AsString());
    case varError: return Variant::FromError(v.AsInteger());
    case varVariant: return v;
    default: castError(v, type);
    }
}

AnsiString VarToStr(const Variant& v) { return v.IsNull() ? AnsiString() : v.AsString(); }

AnsiString VarToStrDef(const Variant& v, const AnsiString& def) {
    return v.IsNull() || v.IsEmpty() ? def : v.AsString();
}

TDateTime VarToDateTime(const Variant& v) { return v.AsDateTime(); }
Variant VarFromDateTime(TDateTime dt) { return Variant::FromDateTime(dt); }

AnsiString VarTypeAsText(TVarType t) {
    AnsiString base;
    switch (t & varTypeMask) {
    case varEmpty: base = "Empty"; break;
    case varNull: base = "Null"; break;
    case varSmallint: base = "Smallint"; break;
    case varInteger: base = "Integer"; break;
    case varSingle: base = "Single"; break;
    case varDouble: base = "Double"; break;
    case varCurrency: base = "Currency"; break;
    case varDate: base = "Date"; break;
    case varOleStr: base = "OleStr"; break;
    case varError: base = "Error"; break;
    case varBoolean: base = "Boolean"; break;
    case varVariant: base = "Variant"; break;
    case varInt64: base = "Int64"; break;
    case varString: base = "String"; break;
    default: base = "Unknown"; break;
    }
    return (t & varArray) ? "Array " + base : base;
}

Variant VarArrayCreate(std::initializer_list<int> bounds, TVarType elementType) {
    return VarArrayCreate(std::vector<int>(bounds), elementType);
}

Variant VarArrayCreate(const std::vector<int>& bounds, TVarType elementType) {
    if (bounds.empty() || bounds.size() % 2 != 0) throw EVariantError("Variant array bounds error");
    std::vector<TVarArrayBound> b;
    for (std::size_t k = 0; k < bounds.size(); k += 2) {
        int count = bounds[k + 1] - bounds[k] + 1;
        if (count < 0) throw EVariantError("Variant array bounds error");
        b.push_back({bounds[k], count});
    }
    return VariantAccess::makeArray(std::move(b), elementType);
}

Variant VarArrayOf(std::initializer_list<Variant> values) { return VarArrayOf(std::vector<Variant>(values)); }

Variant VarArrayOf(const std::vector<Variant>& values) {
    Variant v = VariantAccess::makeArray({{0, static_cast<int>(values.size())}}, varVariant);
    VariantAccess::mutableArray(v).items = values;
    return v;
}

int VarArrayDimCount(const Variant& v) { return v.DimCount(); }
int VarArrayLowBound(const Variant& v, int dim) { return v.LowBound(dim); }
int VarArrayHighBound(const Variant& v, int dim) { return v.HighBound(dim); }
void VarArrayRedim(Variant& v, int highBound) { v.Redim(highBound); }

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
    if (a.IsEmpty() || b.IsEmpty()) return a.IsEmpty() && b.IsEmpty() ? vrEqual : vrNotEqual;
    if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull() ? vrEqual : vrNotEqual;
    if (a.IsArray() || b.IsArray()) {
        if (!a.IsArray() || !b.IsArray()) return vrNotEqual;
        const auto& x = VariantAccess::array(a);
        const auto& y = VariantAccess::array(b);
        if (x.bounds.size() != y.bounds.size()) return vrNotEqual;
        for (std::size_t d = 0; d < x.bounds.size(); ++d)
            if (x.bounds[d].LowBound != y.bounds[d].LowBound || x.bounds[d].ElementCount != y.bounds[d].ElementCount)
                return vrNotEqual;
        for (std::size_t k = 0; k < x.items.size(); ++k)
            if (VarCompareValue(x.items[k], y.items[k]) != vrEqual) return vrNotEqual;
        return vrEqual;
    }
    int c = compareScalars(a, b);
    return c == 0 ? vrEqual : (c < 0 ? vrLessThan : vrGreaterThan);
}

bool VarSameValue(const Variant& a, const Variant& b) {
    try {
        return VarCompareValue(a, b) == vrEqual;
    } catch (const Exception&) {
        return false;
    }
}

std::ostream& operator<<(std::ostream& os, const Variant& v) {
    if (v.IsNull()) return os << "Null";
    if (v.IsEmpty()) return os << "Unassigned";
    if (v.IsArray()) {
        os << "[";
        const auto& a = VariantAccess::array(v);
        for (std::size_t k = 0; k < a.items.size(); ++k) os << (k ? ", " : "") << a.items[k];
        return os << "]";
    }
    if (v.Type() == varError) return os << "Error(" << v.ErrorCode() << ")";
    return os << v.AsString().str();
}
