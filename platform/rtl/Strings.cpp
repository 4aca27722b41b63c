// String routines of the runtime: trimming, case, comparison, search and replacement, integers.
#include "rtl/SysUtils.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>

// ---- Exceptions ------------------------------------------------------------------------------

void Abort() { throw EAbort("Операция прервана"); }

// ---- Format settings -------------------------------------------------------------------------

TFormatSettings TFormatSettings::Invariant() {
    TFormatSettings fs;
    fs.DecimalSeparator = '.';
    fs.ThousandSeparator = "";
    return fs;
}

TFormatSettings& FormatSettings() {
    static TFormatSettings settings;
    return settings;
}

// ---- UTF-8 code points -----------------------------------------------------------------------

namespace {

// Decodes the code point at s[i]; a malformed byte counts as itself (so Windows-1251 bytes that
// slipped in survive case mapping unchanged).
std::size_t nextCode(std::string_view s, std::size_t i, char32_t& out) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
        out = b;
        return 1;
    }
    std::size_t n = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > s.size()) {
        out = 0xDC00 + b;  // marker for a raw byte
        return 1;
    }
    char32_t c = b & (n == 2 ? 0x1F : n == 3 ? 0x0F : 0x07);
    for (std::size_t k = 1; k < n; ++k) {
        unsigned char t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) {
            out = 0xDC00 + b;
            return 1;
        }
        c = (c << 6) | (t & 0x3F);
    }
    out = c;
    return n;
}

void putCode(std::string& out, char32_t c) {
    if (c >= 0xDC80 && c <= 0xDCFF) {  // raw byte marker
        out += static_cast<char>(c - 0xDC00);
    } else {
        AppendUtf8(out, c);
    }
}

char32_t upperCode(char32_t c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;  // Latin-1
    if (c >= 0x430 && c <= 0x44F) return c - 32;              // а..я
    if (c >= 0x450 && c <= 0x45F) return c - 80;              // ѐ..џ (ё, ў, і, ...)
    if (c == 0x491) return 0x490;                             // ґ
    return c;
}

char32_t lowerCode(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    if (c == 0x490) return 0x491;
    return c;
}

template <class F>
AnsiString mapCodes(const AnsiString& s, F f) {
    std::string_view v = s.str();
    std::string out;
    out.reserve(v.size());
    for (std::size_t i = 0; i < v.size();) {
        char32_t c;
        i += nextCode(v, i, c);
        putCode(out, f(c));
    }
    return AnsiString(std::move(out));
}

// Collation key of one code point for the locale-aware comparisons: letters compare by their
// lower-case form, and "ё" sorts right after "е" as a Russian reader expects.
struct CollKey {
    unsigned primary;
    unsigned tie;  // lower case before upper case
};

CollKey collKey(char32_t c) {
    char32_t lo = lowerCode(c);
    unsigned tie = lo != c ? 1 : 0;
    unsigned p;
    if (lo == 0x451) p = (0x435u << 1) | 1;  // ё after е
    else if (lo >= 0x430 && lo <= 0x44F) p = lo << 1;
    else p = static_cast<unsigned>(lo) << 1;
    return {p, tie};
}

int collate(const AnsiString& a, const AnsiString& b, bool ignoreCase) {
    std::string_view x = a.str(), y = b.str();
    std::size_t i = 0, j = 0;
    int tie = 0;
    while (i < x.size() && j < y.size()) {
        char32_t ca, cb;
        i += nextCode(x, i, ca);
        j += nextCode(y, j, cb);
        CollKey ka = collKey(ca), kb = collKey(cb);
        if (ka.primary != kb.primary) return ka.primary < kb.primary ? -1 : 1;
        if (!ignoreCase && tie == 0 && ka.tie != kb.tie) tie = ka.tie < kb.tie ? -1 : 1;
    }
    if (i < x.size()) return 1;
    if (j < y.size()) return -1;
    return tie;
}

bool isBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

}  // namespace

// ---- Strings ---------------------------------------------------------------------------------

AnsiString Trim(const AnsiString& s) { return s.Trim(); }
AnsiString TrimLeft(const AnsiString& s) { return s.TrimLeft(); }
AnsiString TrimRight(const AnsiString& s) { return s.TrimRight(); }
AnsiString UpperCase(const AnsiString& s) { return s.UpperCase(); }
AnsiString LowerCase(const AnsiString& s) { return s.LowerCase(); }
AnsiString AnsiUpperCase(const AnsiString& s) { return mapCodes(s, upperCode); }
AnsiString AnsiLowerCase(const AnsiString& s) { return mapCodes(s, lowerCode); }

int CompareStr(const AnsiString& a, const AnsiString& b) {
    const std::string& x = a.str();
    const std::string& y = b.str();
    std::size_t n = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < n; ++i) {
        int d = static_cast<unsigned char>(x[i]) - static_cast<unsigned char>(y[i]);
        if (d) return d;
    }
    return static_cast<int>(x.size()) - static_cast<int>(y.size());
}

int CompareText(const AnsiString& a, const AnsiString& b) {
    const std::string& x = a.str();
    const std::string& y = b.str();
    std::size_t n = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < n; ++i) {
        int cx = static_cast<unsigned char>(x[i]);
        int cy = static_cast<unsigned char>(y[i]);
        if (cx >= 'a' && cx <= 'z') cx -= 32;
        if (cy >= 'a' && cy <= 'z') cy -= 32;
        if (cx != cy) return cx - cy;
    }
    return static_cast<int>(x.size()) - static_cast<int>(y.size());
}

int AnsiCompareStr(const AnsiString& a, const AnsiString& b) { return collate(a, b, false); }
int AnsiCompareText(const AnsiString& a, const AnsiString& b) { return collate(a, b, true); }
namespace {
// The first n characters (not bytes) of s.
AnsiString headChars(const AnsiString& s, int n) {
    std::string_view v = s.str();
    std::size_t i = 0;
    for (int k = 0; k < n && i < v.size(); ++k) {
        char32_t c;
        i += nextCode(v, i, c);
    }
    return AnsiString(v.substr(0, i));
}
}  // namespace

int CharCount(const AnsiString& s) {
    int n = 0;
    for (char c : s.str())
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

int AnsiStrLComp(const AnsiString& a, const AnsiString& b, int maxLen) {
    return collate(headChars(a, maxLen), headChars(b, maxLen), false);
}
int AnsiStrLIComp(const AnsiString& a, const AnsiString& b, int maxLen) {
    return collate(headChars(a, maxLen), headChars(b, maxLen), true);
}
bool SameText(const AnsiString& a, const AnsiString& b) { return CompareText(a, b) == 0; }
bool AnsiSameText(const AnsiString& a, const AnsiString& b) { return collate(a, b, true) == 0; }

int Pos(const AnsiString& sub, const AnsiString& s) { return s.Pos(sub); }
int AnsiPos(const AnsiString& sub, const AnsiString& s) { return s.Pos(sub); }

AnsiString StringReplace(const AnsiString& s, const AnsiString& from, const AnsiString& to, bool all,
                         bool ignoreCase) {
    if (from.IsEmpty()) return s;
    const std::string& src = s.str();
    // Searching the upper-cased copies keeps byte offsets valid: case mapping never changes the
    // UTF-8 length of the letters it maps.
    std::string hay = ignoreCase ? AnsiUpperCase(s).str() : src;
    std::string needle = ignoreCase ? AnsiUpperCase(from).str() : from.str();
    if (hay.size() != src.size()) {
        hay = src;
        needle = from.str();
    }
    std::string out;
    std::size_t at = 0;
    while (at <= src.size()) {
        std::size_t p = hay.find(needle, at);
        if (p == std::string::npos) break;
        out.append(src, at, p - at);
        out += to.str();
        at = p + needle.size();
        if (!all) break;
    }
    out.append(src, std::min(at, src.size()), std::string::npos);
    return AnsiString(std::move(out));
}

AnsiString QuotedStr(const AnsiString& s) { return AnsiQuotedStr(s, '\''); }

AnsiString AnsiQuotedStr(const AnsiString& s, char quote) {
    std::string out(1, quote);
    for (char c : s.str()) {
        out += c;
        if (c == quote) out += c;
    }
    out += quote;
    return AnsiString(std::move(out));
}

AnsiString AnsiExtractQuotedStr(const AnsiString& s, char quote) {
    const std::string& v = s.str();
    if (v.empty() || v[0] != quote) return AnsiString();
    std::string out;
    for (std::size_t i = 1; i < v.size(); ++i) {
        if (v[i] == quote) {
            if (i + 1 < v.size() && v[i + 1] == quote) {
                out += quote;
                ++i;
            } else {
                break;
            }
        } else {
            out += v[i];
        }
    }
    return AnsiString(std::move(out));
}

AnsiString StringOfChar(char c, int count) { return AnsiString(std::string(count > 0 ? count : 0, c)); }

AnsiString WrapText(const AnsiString& s, int maxCol) {
    // Breaks after a blank, a hyphen or a tab once a line would pass maxCol characters; a word
    // longer than a line stays whole. Existing line breaks start a new line.
    const std::string& v = s.str();
    if (maxCol < 1) return s;
    std::string out;
    std::size_t lineStart = 0;  // offset in out of the current line
    std::size_t lastBreak = std::string::npos;
    int col = 0;
    for (std::size_t i = 0; i < v.size();) {
        char32_t c;
        std::size_t n = nextCode(v, i, c);
        if (c == '\r' || c == '\n') {
            out.append(v, i, n);
            i += n;
            lineStart = out.size();
            lastBreak = std::string::npos;
            col = 0;
            continue;
        }
        out.append(v, i, n);
        i += n;
        ++col;
        if (c == ' ' || c == '-' || c == '\t') lastBreak = out.size();
        if (col > maxCol && lastBreak != std::string::npos && lastBreak > lineStart && lastBreak < out.size()) {
            std::string rest = out.substr(lastBreak);
            out.resize(lastBreak);
            while (out.size() > lineStart && out.back() == ' ') out.pop_back();
            out += "\r\n";
            lineStart = out.size();
            out += rest;
            col = 0;
            for (std::size_t k = 0; k < rest.size();) {
                char32_t t;
                k += nextCode(rest, k, t);
                ++col;
            }
            lastBreak = std::string::npos;
        }
    }
    return AnsiString(std::move(out));
}

// ---- Integers --------------------------------------------------------------------------------

AnsiString IntToStr(long long v) { return AnsiString(std::to_string(v)); }

AnsiString IntToHex(long long v, int digits) {
    // A negative value that fits 32 bits is shown as its 32-bit pattern (colours are 32-bit
    // integers: -1 reads "FFFFFFFF", not sixteen F's).
    unsigned long long u = (v < 0 && v >= INT_MIN) ? static_cast<unsigned long long>(static_cast<unsigned>(v))
                                                    : static_cast<unsigned long long>(v);
    char buf[32];
    int n = std::snprintf(buf, sizeof buf, "%llX", u);
    std::string out(buf, static_cast<std::size_t>(n));
    if (digits > static_cast<int>(out.size())) out.insert(0, static_cast<std::size_t>(digits) - out.size(), '0');
    return AnsiString(std::move(out));
}

namespace {

// Parses the text as an integer of the given width in bits. Decimal text must fit the signed
// range; hexadecimal text ("$1F", "0x1F") may use every bit, so "$FFFFFFFF" is -1 for 32 bits.
bool parseInteger(const std::string& s, int bits, long long& out) {
    std::size_t i = 0;
    while (i < s.size() && isBlank(s[i]) && s[i] != '\0') ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        neg = s[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < s.size() && s[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= s.size()) return false;
    unsigned long long acc = 0;
    const unsigned long long hexLimit = bits == 64 ? ~0ULL : ((1ULL << bits) - 1);
    const unsigned long long decLimit = (1ULL << (bits - 1)) - (neg ? 0 : 1);  // magnitude
    for (; i < s.size(); ++i) {
        char c = s[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        if (hex) {
            if (acc > (hexLimit >> 4)) return false;
            acc = (acc << 4) | static_cast<unsigned>(d);
        } else {
            if (acc > (decLimit - static_cast<unsigned>(d)) / 10) return false;
            acc = acc * 10 + static_cast<unsigned>(d);
        }
    }
    long long v;
    if (hex) {
        // Reinterpret the bit pattern in the target width.
        if (bits == 32) v = static_cast<long long>(static_cast<int>(static_cast<unsigned>(acc)));
        else v = static_cast<long long>(acc);
    } else {
        v = neg ? static_cast<long long>(0ULL - acc) : static_cast<long long>(acc);
        out = v;
        return true;
    }
    out = neg ? static_cast<long long>(0ULL - static_cast<unsigned long long>(v)) : v;
    if (bits == 32) out = static_cast<int>(static_cast<unsigned>(out));
    return true;
}

[[noreturn]] void badInteger(const AnsiString& s) {
    throw EConvertError("'" + s + "' не является допустимым целым значением");
}

}  // namespace

bool TryStrToInt(const AnsiString& s, int& out) {
    long long v;
    if (!parseInteger(s.str(), 32, v)) return false;
    out = static_cast<int>(v);
    return true;
}

bool TryStrToInt64(const AnsiString& s, long long& out) { return parseInteger(s.str(), 64, out); }

int StrToInt(const AnsiString& s) {
    int v;
    if (!TryStrToInt(s, v)) badInteger(s);
    return v;
}

long long StrToInt64(const AnsiString& s) {
    long long v;
    if (!TryStrToInt64(s, v)) badInteger(s);
    return v;
}

int StrToIntDef(const AnsiString& s, int def) {
    int v;
    return TryStrToInt(s, v) ? v : def;
}

long long StrToInt64Def(const AnsiString& s, long long def) {
    long long v;
    return TryStrToInt64(s, v) ? v : def;
}

// ---- Booleans --------------------------------------------------------------------------------

AnsiString BoolToStr(bool b, bool useBoolStrs) {
    if (useBoolStrs) return b ? "True" : "False";
    return b ? "-1" : "0";
}

bool StrToBoolDef(const AnsiString& s, bool def) {
    AnsiString t = Trim(s);
    if (SameText(t, "True") || SameText(t, "Yes")) return true;
    if (SameText(t, "False") || SameText(t, "No")) return false;
    long long n;
    if (parseInteger(t.str(), 64, n)) return n != 0;
    double d;
    if (TryStrToFloat(t, d)) return d != 0;
    return def;
}

bool StrToBool(const AnsiString& s) {
    AnsiString t = Trim(s);
    if (SameText(t, "True") || SameText(t, "Yes") || SameText(t, "False") || SameText(t, "No")) return StrToBoolDef(t, false);
    long long n;
    if (parseInteger(t.str(), 64, n)) return n != 0;
    double d;
    if (TryStrToFloat(t, d)) return d != 0;
    throw EConvertError("'" + s + "' не является допустимым логическим значением");
}
