// Number to text and back: FloatToStr, FloatToStrF, FormatFloat, StrToFloat.
//
// Every conversion starts from the value's 15 significant decimal digits, the precision a double
// holds reliably, and rounds half away from zero on those digits: 0.15 shown with one decimal is
// "0,2" and 2.675 with two is "2,68", as a reader of the shown value expects.
#include "rtl/NumberText.h"
#include "rtl/SysUtils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// value = 0.d1 d2 d3 ... * 10^exp; digits hold no trailing zeros; zero has no digits.
struct Decimal {
    std::string digits;
    int exp = 0;
    bool neg = false;
    bool isZero() const { return digits.empty(); }
};

Decimal toDecimal(double v) {
    Decimal d;
    d.neg = std::signbit(v);
    v = std::fabs(v);
    if (v == 0) {
        d.neg = false;
        return d;
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", v);  // d.dddddddddddddde[+-]xx
    d.digits.push_back(buf[0]);
    d.digits.append(buf + 2, 14);
    d.exp = std::atoi(std::strchr(buf, 'e') + 1) + 1;
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    return d;
}

// Keeps the first `keep` digits, rounding half away from zero.
void roundKeep(Decimal& d, int keep) {
    if (d.isZero()) return;
    if (keep < 0) {
        d.digits.clear();
        d.exp = 0;
        return;
    }
    if (keep >= static_cast<int>(d.digits.size())) return;
    bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
            d.digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i < 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exp;
        } else {
            ++d.digits[static_cast<std::size_t>(i)];
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.exp = 0;
}

// Rounds to `decimals` places after the point.
void roundDecimals(Decimal& d, int decimals) { roundKeep(d, d.exp + decimals); }

// Digit i counted from the first (0-based), with zeros past the stored digits.
char digitAt(const Decimal& d, int i) {
    return i >= 0 && i < static_cast<int>(d.digits.size()) ? d.digits[static_cast<std::size_t>(i)] : '0';
}

// Integer part without leading zeros ("" for zero).
std::string intPart(const Decimal& d) {
    std::string s;
    for (int i = 0; i < d.exp; ++i) s += digitAt(d, i);
    return s;
}

std::string fracPart(const Decimal& d, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += digitAt(d, d.exp + i);
    return s;
}

std::string exponentText(int e, bool alwaysSign, int minDigits) {
    std::string s;
    if (e < 0) s += '-';
    else if (alwaysSign) s += '+';
    std::string n = std::to_string(e < 0 ? -e : e);
    if (static_cast<int>(n.size()) < minDigits) n.insert(0, static_cast<std::size_t>(minDigits) - n.size(), '0');
    return s + n;
}

const char* specialText(double v) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    return nullptr;
}

std::string generalText(double v, int precision, int digits, const TFormatSettings& fs) {
    if (const char* sp = specialText(v)) return sp;
    if (precision < 1) precision = 1;
    if (precision > 15) precision = 15;
    Decimal d = toDecimal(v);
    roundKeep(d, precision);
    if (d.isZero()) return "0";
    std::string out = d.neg ? "-" : "";
    if (d.exp > precision || d.exp < -4) {
        out += d.digits[0];
        if (d.digits.size() > 1) {
            out += fs.DecimalSeparator;
            out.append(d.digits, 1, std::string::npos);
        }
        out += 'E';
        out += exponentText(d.exp - 1, false, digits < 0 ? 0 : digits > 4 ? 4 : digits);
        return out;
    }
    std::string ip = intPart(d);
    out += ip.empty() ? "0" : ip;
    int fracCount = static_cast<int>(d.digits.size()) - d.exp;
    if (fracCount > 0) {
        out += fs.DecimalSeparator;
        out += fracPart(d, fracCount);
    }
    return out;
}

std::string exponentFormText(double v, int precision, int digits, const TFormatSettings& fs) {
    if (const char* sp = specialText(v)) return sp;
    if (precision < 1) precision = 1;
    if (precision > 15) precision = 15;
    Decimal d = toDecimal(v);
    roundKeep(d, precision);
    std::string out = d.neg ? "-" : "";
    out += digitAt(d, 0);
    if (precision > 1) {
        out += fs.DecimalSeparator;
        for (int i = 1; i < precision; ++i) out += digitAt(d, i);
    }
    out += 'E';
    out += exponentText(d.isZero() ? 0 : d.exp - 1, true, digits < 0 ? 0 : digits > 4 ? 4 : digits);
    return out;
}

// Fixed notation with `digits` decimals, optionally grouped; "" when the value needs more
// integer digits than the precision allows (the caller then falls back to general format).
bool fixedText(double v, int precision, int digits, bool grouped, const TFormatSettings& fs, std::string& out,
               bool& neg) {
    if (precision < 1) precision = 1;
    if (precision > 15) precision = 15;
    if (digits < 0) digits = 0;
    if (digits > 18) digits = 18;
    Decimal d = toDecimal(v);
    if (d.exp > precision) return false;
    roundKeep(d, std::min(precision, d.exp + digits));
    neg = d.neg && !d.isZero();
    std::string ip = intPart(d);
    if (ip.empty()) ip.push_back('0');
    out = grouped ? rtl_detail::GroupThousands(ip, fs.ThousandSeparator.str()) : ip;
    if (digits > 0) {
        out += fs.DecimalSeparator;
        out += fracPart(d, digits);
    }
    return true;
}

// ---- FormatFloat -----------------------------------------------------------------------------

// Splits a pattern into at most three sections at ';' outside quotes.
std::vector<std::string_view> splitSections(std::string_view fmt) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    char quote = 0;
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        char c = fmt[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            out.push_back(fmt.substr(start, i - start));
            start = i + 1;
            if (out.size() == 3) return out;
        }
    }
    out.push_back(fmt.substr(start));
    if (out.size() > 3) out.resize(3);
    return out;
}

struct Pattern {
    int intPlaces = 0;      // '0'/'#' before the decimal point
    int firstIntZero = -1;  // index among them of the first '0'
    bool point = false;
    int decPlaces = 0;      // '0'/'#' after the point
    int lastDecZero = -1;   // index among them of the last '0'
    bool thousands = false;
    bool scientific = false;
    int expDigits = 0;
    bool anyDigit = false;
};

Pattern analyse(std::string_view sec) {
    Pattern p;
    char quote = 0;
    bool inExp = false;
    for (std::size_t i = 0; i < sec.size(); ++i) {
        char c = sec[i];
        if (quote) {
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '"' || c == '\'') {
            quote = c;
            continue;
        }
        if (inExp) {
            if (c == '0' || c == '#') ++p.expDigits;
            continue;
        }
        if ((c == 'E' || c == 'e') && i + 1 < sec.size() && (sec[i + 1] == '+' || sec[i + 1] == '-') &&
            p.anyDigit) {
            p.scientific = true;
            inExp = true;
            ++i;
            continue;
        }
        if (c == '0' || c == '#') {
            p.anyDigit = true;
            if (p.point) {
                if (c == '0') p.lastDecZero = p.decPlaces;
                ++p.decPlaces;
            } else {
                if (c == '0' && p.firstIntZero < 0) p.firstIntZero = p.intPlaces;
                ++p.intPlaces;
            }
        } else if (c == '.' && !p.point) {
            p.point = true;
        } else if (c == ',' && !p.point) {
            p.thousands = true;
        }
    }
    return p;
}

std::string literalOnly(std::string_view sec) {
    std::string out;
    char quote = 0;
    for (char c : sec) {
        if (quote) {
            if (c == quote) quote = 0;
            else out += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else {
            out += c;
        }
    }
    return out;
}

// Renders one section for a value already rounded to the section's places.
std::string render(std::string_view sec, const Pattern& p, const Decimal& d, bool minus, int exponent,
                   const TFormatSettings& fs) {
    if (!p.anyDigit) return literalOnly(sec);
    const std::string& tsep = p.thousands ? fs.ThousandSeparator.str() : std::string();
    std::string ip, fp;
    if (p.scientific) {
        int n = std::max(p.intPlaces, 1);
        for (int i = 0; i < n; ++i) ip += digitAt(d, i);
        if (d.isZero()) ip = std::string(static_cast<std::size_t>(n), '0');
        // Leading zeros of a zero mantissa are shown only where the pattern asks for them.
        for (int i = 0; i < p.decPlaces; ++i) fp += digitAt(d, n + i);
    } else {
        ip = intPart(d);
        fp = fracPart(d, p.decPlaces);
    }
    if (p.scientific && d.isZero()) ip.clear();
    // Decimal digits shown: up to the last '0' place, and beyond it while non-zero digits remain.
    int fracShown = p.lastDecZero + 1;
    for (int i = p.decPlaces - 1; i >= fracShown; --i)
        if (fp[static_cast<std::size_t>(i)] != '0') {
            fracShown = i + 1;
            break;
        }

    std::string out;
    const int len = static_cast<int>(ip.size());
    int intIdx = 0, decIdx = 0;
    bool signDone = false, pointDone = false;
    auto sign = [&] {
        if (!signDone && minus) out += '-';
        signDone = true;
    };
    auto emitDigit = [&](char ch, int posFromRight) {
        out += ch;
        if (posFromRight > 0 && posFromRight % 3 == 0) out += tsep;
    };
    char quote = 0;
    for (std::size_t i = 0; i < sec.size(); ++i) {
        char c = sec[i];
        if (quote) {
            if (c == quote) quote = 0;
            else out += c;
            continue;
        }
        if (c == '"' || c == '\'') {
            quote = c;
            continue;
        }
        if ((c == '0' || c == '#') && !pointDone) {
            if (intIdx == 0) {
                sign();
                // Digits beyond the pattern's places come out at its first place.
                for (int k = 0; k < len - p.intPlaces; ++k) emitDigit(ip[static_cast<std::size_t>(k)], len - 1 - k);
            }
            int pos = p.intPlaces - 1 - intIdx;
            if (pos < len) emitDigit(ip[static_cast<std::size_t>(len - 1 - pos)], pos);
            else if (p.firstIntZero >= 0 && intIdx >= p.firstIntZero) emitDigit('0', pos);
            ++intIdx;
            continue;
        }
        if (c == '.' && !pointDone) {
            pointDone = true;
            if (p.intPlaces == 0) {
                sign();
                for (int k = 0; k < len; ++k) emitDigit(ip[static_cast<std::size_t>(k)], len - 1 - k);
            }
            if (fracShown > 0) out += fs.DecimalSeparator;
            continue;
        }
        if (c == '0' || c == '#') {
            if (decIdx < fracShown) out += fp[static_cast<std::size_t>(decIdx)];
            ++decIdx;
            continue;
        }
        if (c == ',') continue;
        if (p.scientific && (c == 'E' || c == 'e') && i + 1 < sec.size() && (sec[i + 1] == '+' || sec[i + 1] == '-')) {
            out += c;
            out += exponentText(exponent, sec[i + 1] == '+', p.expDigits);
            ++i;
            while (i + 1 < sec.size() && (sec[i + 1] == '0' || sec[i + 1] == '#')) ++i;
            pointDone = true;  // later placeholders belong to nothing
            decIdx = p.decPlaces;
            continue;
        }
        out += c;
    }
    return out;
}

}  // namespace

AnsiString FloatToStr(double v) { return FloatToStr(v, FormatSettings()); }
AnsiString FloatToStr(double v, const TFormatSettings& fs) { return AnsiString(generalText(v, 15, 0, fs)); }

AnsiString FloatToStrF(double v, TFloatFormat format, int precision, int digits) {
    return FloatToStrF(v, format, precision, digits, FormatSettings());
}

AnsiString FloatToStrF(double v, TFloatFormat format, int precision, int digits, const TFormatSettings& fs) {
    if (const char* sp = specialText(v)) return sp;
    switch (format) {
        case ffGeneral: return AnsiString(generalText(v, precision, digits, fs));
        case ffExponent: return AnsiString(exponentFormText(v, precision, digits, fs));
        case ffFixed:
        case ffNumber:
        case ffCurrency: {
            std::string num;
            bool neg = false;
            if (!fixedText(v, precision, digits, format != ffFixed, fs, num, neg))
                return AnsiString(generalText(v, precision, 0, fs));
            if (format == ffCurrency) return AnsiString(rtl_detail::CurrencyLayout(num, neg, fs));
            return AnsiString(neg ? "-" + num : num);
        }
    }
    return AnsiString(generalText(v, precision, digits, fs));
}

AnsiString FormatFloat(const AnsiString& fmt, double v) { return FormatFloat(fmt, v, FormatSettings()); }

AnsiString FormatFloat(const AnsiString& fmt, double v, const TFormatSettings& fs) {
    if (const char* sp = specialText(v)) return sp;
    if (fmt.IsEmpty()) return FloatToStr(v, fs);
    std::vector<std::string_view> secs = splitSections(fmt.str());
    auto present = [&](std::size_t i) { return i < secs.size() && !secs[i].empty(); };

    std::size_t si = 0;
    if (v < 0 && present(1)) si = 1;
    else if (v == 0 && present(2)) si = 2;
    bool minus = v < 0 && si == 0;

    for (int attempt = 0; attempt < 2; ++attempt) {
        std::string_view sec = secs[si];
        Pattern p = analyse(sec);
        Decimal d = toDecimal(v);
        int exponent = 0;
        if (p.scientific) {
            int n = std::max(p.intPlaces, 1);
            roundKeep(d, n + p.decPlaces);
            if (!d.isZero()) exponent = d.exp - n;
        } else {
            if (d.exp > 18) return FloatToStr(v, fs);
            roundDecimals(d, p.decPlaces);
        }
        if (p.anyDigit && d.isZero() && v != 0 && attempt == 0) {
            // A value that rounds to zero is shown as zero: with the zero section when there is
            // one, else with the positive section and no minus sign.
            si = present(2) ? 2 : 0;
            minus = false;
            v = 0;
            continue;
        }
        return AnsiString(render(sec, p, d, minus, exponent, fs));
    }
    return AnsiString();
}

// ---- Parsing ---------------------------------------------------------------------------------

bool TextToFloat(const AnsiString& s, double& out, const TFormatSettings& fs) {
    const std::string& t = s.str();
    std::size_t b = 0, e = t.size();
    while (b < e && static_cast<unsigned char>(t[b]) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(t[e - 1]) <= 0x20) --e;
    std::string c;
    std::size_t i = b;
    if (i < e && (t[i] == '+' || t[i] == '-')) {
        if (t[i] == '-') c += '-';
        ++i;
    }
    int mantissa = 0;
    while (i < e && t[i] >= '0' && t[i] <= '9') {
        c += t[i++];
        ++mantissa;
    }
    if (i < e && t[i] == fs.DecimalSeparator) {
        c += '.';
        ++i;
        while (i < e && t[i] >= '0' && t[i] <= '9') {
            c += t[i++];
            ++mantissa;
        }
    }
    if (mantissa == 0) return false;
    if (i < e && (t[i] == 'e' || t[i] == 'E')) {
        c += 'e';
        ++i;
        if (i < e && (t[i] == '+' || t[i] == '-')) c += t[i++];
        int ed = 0;
        while (i < e && t[i] >= '0' && t[i] <= '9') {
            c += t[i++];
            ++ed;
        }
        if (ed == 0) return false;
    }
    if (i != e) return false;
    double v = 0;
    auto r = std::from_chars(c.data(), c.data() + c.size(), v);
    if (r.ec == std::errc::result_out_of_range) {
        // Too small underflows to zero quietly; too large is an error.
        std::size_t ep = c.find('e');
        if (ep != std::string::npos && c.find('-', ep) != std::string::npos) {
            out = 0;
            return true;
        }
        return false;
    }
    if (r.ec != std::errc() || r.ptr != c.data() + c.size()) return false;
    out = v;
    return true;
}

bool TryStrToFloat(const AnsiString& s, double& out) { return TextToFloat(s, out, FormatSettings()); }
bool TryStrToFloat(const AnsiString& s, double& out, const TFormatSettings& fs) { return TextToFloat(s, out, fs); }

double StrToFloat(const AnsiString& s) { return StrToFloat(s, FormatSettings()); }

double StrToFloat(const AnsiString& s, const TFormatSettings& fs) {
    double v;
    if (!TextToFloat(s, v, fs))
        throw EConvertError("'" + s + "' не является допустимым числом с плавающей точкой");
    return v;
}

double StrToFloatDef(const AnsiString& s, double def) {
    double v;
    return TextToFloat(s, v, FormatSettings()) ? v : def;
}

namespace rtl_detail {

std::string GroupThousands(const std::string& digits, const std::string& sep) {
    if (sep.empty() || digits.size() <= 3) return digits;
    std::string out;
    std::size_t n = digits.size();
    for (std::size_t i = 0; i < n; ++i) {
        out += digits[i];
        std::size_t left = n - 1 - i;
        if (left > 0 && left % 3 == 0) out += sep;
    }
    return out;
}

std::string CurrencyLayout(const std::string& num, bool neg, const TFormatSettings& fs) {
    const std::string& c = fs.CurrencyString.str();
    if (!neg) {
        switch (fs.CurrencyFormat) {
            case 0: return c + num;
            case 1: return num + c;
            case 2: return c + " " + num;
            default: return num + " " + c;
        }
    }
    switch (fs.NegCurrFormat) {
        case 0: return "(" + c + num + ")";
        case 1: return "-" + c + num;
        case 2: return c + "-" + num;
        case 3: return c + num + "-";
        case 4: return "(" + num + c + ")";
        case 5: return "-" + num + c;
        case 6: return num + "-" + c;
        case 7: return num + c + "-";
        case 8: return "-" + num + " " + c;
        case 9: return "-" + c + " " + num;
        case 10: return num + " " + c + "-";
        case 11: return c + " " + num + "-";
        case 12: return c + " -" + num;
        case 13: return num + "- " + c;
        case 14: return "(" + c + " " + num + ")";
        default: return "(" + num + " " + c + ")";
    }
}

}  // namespace rtl_detail
