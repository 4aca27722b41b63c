#include "rtl/Currency.h"

#include "rtl/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

using i128 = __int128;

constexpr i128 kMax = std::numeric_limits<std::int64_t>::max();
constexpr i128 kMin = std::numeric_limits<std::int64_t>::min();

std::int64_t checked(i128 v) {
    if (v > kMax || v < kMin) throw EOverflow("Currency overflow");
    return static_cast<std::int64_t>(v);
}

// num / den rounded half to even (den > 0 or < 0).
i128 divRoundEven(i128 num, i128 den) {
    if (den < 0) {
        num = -num;
        den = -den;
    }
    i128 q = num / den;
    i128 r = num % den;
    if (r < 0) {  // make the remainder non-negative (floor division)
        r += den;
        q -= 1;
    }
    i128 twice = 2 * r;
    if (twice > den || (twice == den && (q & 1) != 0)) q += 1;
    return q;
}

// Parses "[-]digits[.digits][e[+-]digits]" (the form to_chars writes) into a value scaled by
// 10,000, rounded half to even. False on malformed text or overflow.
bool decimalToRaw(std::string_view s, char sep, std::int64_t& out) {
    std::size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        neg = s[i] == '-';
        ++i;
    }
    std::string digits;  // all significant digits
    int pointPos = -1;   // digits before the separator
    bool any = false;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c >= '0' && c <= '9') {
            digits += c;
            any = true;
        } else if ((c == sep || c == '.') && pointPos < 0) {
            pointPos = static_cast<int>(digits.size());
        } else {
            break;
        }
    }
    if (!any) return false;
    if (pointPos < 0) pointPos = static_cast<int>(digits.size());
    int exp10 = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool eneg = false;
        if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
            eneg = s[i] == '-';
            ++i;
        }
        if (i >= s.size()) return false;
        int e = 0;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
            e = e * 10 + (s[i] - '0');
            if (e > 1000) return false;
        }
        exp10 = eneg ? -e : e;
    }
    if (i != s.size()) return false;
    // value = 0.digits × 10^(pointPos + exp10); we want value × 10^4
    int intDigits = pointPos + exp10 + 4;  // digits that form the integer part of the scaled value
    i128 scaled = 0;
    int n = static_cast<int>(digits.size());
    for (int k = 0; k < intDigits; ++k) {
        int d = k < n ? digits[k] - '0' : 0;
        scaled = scaled * 10 + d;
        if (scaled > kMax + 1) return false;
    }
    // rounding from the remaining digits
    if (intDigits < n) {
        int first = intDigits >= 0 ? intDigits : 0;
        bool beyond = false;
        int roundDigit = 0;
        if (intDigits >= 0) {
            roundDigit = digits[first] - '0';
            for (int k = first + 1; k < n; ++k)
                if (digits[k] != '0') beyond = true;
        } else {
            // all digits lie below the rounding position: the value is less than half a unit
            roundDigit = 0;
            for (char c : digits)
                if (c != '0') beyond = true;
        }
        if (roundDigit > 5 || (roundDigit == 5 && (beyond || (scaled & 1) != 0))) scaled += 1;
    }
    if (neg) scaled = -scaled;
    if (scaled > kMax || scaled < kMin) return false;
    out = static_cast<std::int64_t>(scaled);
    return true;
}

std::string rawToText(std::int64_t raw, int decimals, char sep, bool trimZeros) {
    i128 v = raw;
    bool neg = v < 0;
    if (neg) v = -v;
    // round to `decimals` (0..4) half to even
    int drop = 4 - decimals;
    if (drop > 0) {
        i128 p = 1;
        for (int k = 0; k < drop; ++k) p *= 10;
        v = divRoundEven(v, p);
        for (int k = 0; k < drop; ++k) v *= 10;
    }
    i128 ip = v / 10000;
    i128 fp = v % 10000;
    std::string is;
    if (ip == 0) is = "0";
    while (ip > 0) {
        is.insert(is.begin(), static_cast<char>('0' + static_cast<int>(ip % 10)));
        ip /= 10;
    }
    std::string fs(4, '0');
    for (int k = 3; k >= 0; --k) {
        fs[k] = static_cast<char>('0' + static_cast<int>(fp % 10));
        fp /= 10;
    }
    fs.resize(decimals > 4 ? 4 : decimals);
    if (trimZeros)
        while (!fs.empty() && fs.back() == '0') fs.pop_back();
    std::string out;
    bool zero = is == "0" && fs.find_first_not_of('0') == std::string::npos;
    if (neg && !zero) out += '-';
    out += is;
    if (!fs.empty()) {
        out += sep;
        out += fs;
    }
    if (decimals > 4) out += std::string(decimals - 4, '0');
    return out;
}

std::string groupThousands(const std::string& digitsWithSign, const TFormatSettings& fs) {
    std::size_t start = (!digitsWithSign.empty() && digitsWithSign[0] == '-') ? 1 : 0;
    std::size_t end = digitsWithSign.find(fs.DecimalSeparator, start);
    if (end == std::string::npos) end = digitsWithSign.size();
    return digitsWithSign.substr(0, start) +
           rtl_detail::GroupThousands(digitsWithSign.substr(start, end - start), fs.ThousandSeparator.str()) +
           digitsWithSign.substr(end);
}

}  // namespace

Currency::Currency(int v) : v_(static_cast<std::int64_t>(v) * Scale) {}
Currency::Currency(long v) : v_(checked(static_cast<i128>(v) * Scale)) {}
Currency::Currency(long long v) : v_(checked(static_cast<i128>(v) * Scale)) {}
Currency::Currency(double v) : v_(FloatToCurr(v).Raw()) {}

std::int64_t Currency::RoundToInt64() const noexcept { return static_cast<std::int64_t>(divRoundEven(v_, Scale)); }

Currency& Currency::operator+=(Currency o) {
    v_ = checked(static_cast<i128>(v_) + o.v_);
    return *this;
}
Currency& Currency::operator-=(Currency o) {
    v_ = checked(static_cast<i128>(v_) - o.v_);
    return *this;
}
Currency& Currency::operator*=(Currency o) {
    v_ = checked(divRoundEven(static_cast<i128>(v_) * o.v_, Scale));
    return *this;
}
Currency& Currency::operator/=(Currency o) {
    if (o.v_ == 0) throw EZeroDivide("Floating point division by zero");
    v_ = checked(divRoundEven(static_cast<i128>(v_) * Scale, o.v_));
    return *this;
}
Currency Currency::operator-() const { return FromRaw(checked(-static_cast<i128>(v_))); }

bool TryFloatToCurr(double v, Currency& out) {
    if (!std::isfinite(v)) return false;
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    if (res.ec != std::errc()) return false;
    std::int64_t raw = 0;
    if (!decimalToRaw(std::string_view(buf, res.ptr - buf), '.', raw)) return false;
    out = Currency::FromRaw(raw);
    return true;
}

Currency FloatToCurr(double v) {
    if (!std::isfinite(v)) throw EInvalidOp("Invalid floating point operation");
    Currency c;
    if (!TryFloatToCurr(v, c)) throw EOverflow("Currency overflow");
    return c;
}

AnsiString CurrToStr(Currency v) { return CurrToStr(v, FormatSettings()); }
AnsiString CurrToStr(Currency v, const TFormatSettings& fs) {
    return AnsiString(rawToText(v.Raw(), 4, fs.DecimalSeparator, true));
}

AnsiString CurrToStrF(Currency v, TFloatFormat format, int digits) { return CurrToStrF(v, format, digits, FormatSettings()); }
AnsiString CurrToStrF(Currency v, TFloatFormat format, int digits, const TFormatSettings& fs) {
    if (digits < 0) digits = 0;
    if (digits > 18) digits = 18;
    switch (format) {
    case ffFixed: return AnsiString(rawToText(v.Raw(), digits, fs.DecimalSeparator, false));
    case ffNumber: return AnsiString(groupThousands(rawToText(v.Raw(), digits, fs.DecimalSeparator, false), fs));
    case ffCurrency: {
        std::string text = rawToText(v.Raw(), digits, fs.DecimalSeparator, false);
        bool neg = !text.empty() && text[0] == '-';
        if (neg) text.erase(0, 1);
        return AnsiString(rtl_detail::CurrencyLayout(groupThousands(text, fs), neg, fs));
    }
    default: return FloatToStrF(v.ToDouble(), format, 18, digits, fs);
    }
}

AnsiString FormatCurr(const AnsiString& fmt, Currency v) { return FormatCurr(fmt, v, FormatSettings()); }
AnsiString FormatCurr(const AnsiString& fmt, Currency v, const TFormatSettings& fs) {
    return FormatFloat(fmt, v.ToDouble(), fs);
}

bool TryStrToCurr(const AnsiString& s, Currency& out) { return TryStrToCurr(s, out, FormatSettings()); }
bool TryStrToCurr(const AnsiString& s, Currency& out, const TFormatSettings& fs) {
    std::string t = Trim(s).str();
    // thousands separators may appear in typed text
    if (!fs.ThousandSeparator.IsEmpty() && fs.ThousandSeparator.str() != std::string(1, fs.DecimalSeparator)) {
        std::size_t p;
        while ((p = t.find(fs.ThousandSeparator.str())) != std::string::npos) t.erase(p, fs.ThousandSeparator.size());
    }
    std::int64_t raw = 0;
    if (t.empty() || !decimalToRaw(t, fs.DecimalSeparator, raw)) return false;
    out = Currency::FromRaw(raw);
    return true;
}

Currency StrToCurr(const AnsiString& s) { return StrToCurr(s, FormatSettings()); }
Currency StrToCurr(const AnsiString& s, const TFormatSettings& fs) {
    Currency c;
    if (!TryStrToCurr(s, c, fs)) throw EConvertError("'" + s + "' is not a valid floating point value");
    return c;
}

Currency StrToCurrDef(const AnsiString& s, Currency def) {
    Currency c;
    return TryStrToCurr(s, c) ? c : def;
}
