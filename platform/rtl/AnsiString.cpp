#include "rtl/AnsiString.h"

#include "rtl/SysUtils.h"

#include <cstdarg>
#include <cstdio>
#include <ostream>
#include <vector>

AnsiString::AnsiString(int v) : s_(std::to_string(v)) {}
AnsiString::AnsiString(unsigned v) : s_(std::to_string(v)) {}
AnsiString::AnsiString(long v) : s_(std::to_string(v)) {}
AnsiString::AnsiString(unsigned long v) : s_(std::to_string(v)) {}
AnsiString::AnsiString(long long v) : s_(std::to_string(v)) {}
AnsiString::AnsiString(unsigned long long v) : s_(std::to_string(v)) {}
AnsiString::AnsiString(double v) : s_(FloatToStr(v).str()) {}

char AnsiString::operator[](int i) const {
    if (i < 1 || i > Length()) throw ERangeError("Индекс строки вне диапазона (" + std::to_string(i) + ")");
    return s_[static_cast<std::size_t>(i - 1)];
}

char& AnsiString::operator[](int i) {
    if (i < 1 || i > Length()) throw ERangeError("Индекс строки вне диапазона (" + std::to_string(i) + ")");
    return s_[static_cast<std::size_t>(i - 1)];
}

int AnsiString::Pos(const AnsiString& sub) const noexcept {
    if (sub.s_.empty()) return 0;
    auto p = s_.find(sub.s_);
    return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

AnsiString AnsiString::SubString(int index, int count) const {
    if (index < 1) {
        count += index - 1;
        index = 1;
    }
    if (count <= 0 || index > Length()) return AnsiString();
    return AnsiString(s_.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count)));
}

AnsiString& AnsiString::Delete(int index, int count) {
    if (index < 1 || index > Length() || count <= 0) return *this;
    s_.erase(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
    return *this;
}

AnsiString& AnsiString::Insert(const AnsiString& s, int index) {
    if (index < 1) index = 1;
    if (index > Length() + 1) index = Length() + 1;
    s_.insert(static_cast<std::size_t>(index - 1), s.s_);
    return *this;
}

AnsiString AnsiString::Trim() const {
    std::size_t b = 0, e = s_.size();
    while (b < e && static_cast<unsigned char>(s_[b]) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(s_[e - 1]) <= 0x20) --e;
    return AnsiString(s_.substr(b, e - b));
}

AnsiString AnsiString::TrimLeft() const {
    std::size_t b = 0;
    while (b < s_.size() && static_cast<unsigned char>(s_[b]) <= 0x20) ++b;
    return AnsiString(s_.substr(b));
}

AnsiString AnsiString::TrimRight() const {
    std::size_t e = s_.size();
    while (e > 0 && static_cast<unsigned char>(s_[e - 1]) <= 0x20) --e;
    return AnsiString(s_.substr(0, e));
}

AnsiString AnsiString::UpperCase() const {
    std::string r = s_;
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return AnsiString(std::move(r));
}

AnsiString AnsiString::LowerCase() const {
    std::string r = s_;
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return AnsiString(std::move(r));
}

AnsiString AnsiString::AnsiUpperCase() const { return ::AnsiUpperCase(*this); }
AnsiString AnsiString::AnsiLowerCase() const { return ::AnsiLowerCase(*this); }
int AnsiString::ToInt() const { return StrToInt(*this); }
int AnsiString::ToIntDef(int def) const { return StrToIntDef(*this, def); }
double AnsiString::ToDouble() const { return StrToFloat(*this); }

bool AnsiString::IsDelimiter(const AnsiString& delims, int index) const {
    if (index < 1 || index > Length()) return false;
    return delims.s_.find(s_[static_cast<std::size_t>(index - 1)]) != std::string::npos;
}

int AnsiString::LastDelimiter(const AnsiString& delims) const {
    auto p = s_.find_last_of(delims.s_);
    return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

static std::string vformat(const char* fmt, va_list ap) {
    va_list ap2;
    va_copy(ap2, ap);
    int n = std::vsnprintf(nullptr, 0, fmt, ap2);
    va_end(ap2);
    if (n <= 0) return std::string();
    std::vector<char> buf(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(buf.data(), buf.size(), fmt, ap);
    return std::string(buf.data(), static_cast<std::size_t>(n));
}

AnsiString AnsiString::FormatC(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string r = vformat(fmt, ap);
    va_end(ap);
    return AnsiString(std::move(r));
}

AnsiString& AnsiString::cat_printf(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    s_ += vformat(fmt, ap);
    va_end(ap);
    return *this;
}

std::ostream& operator<<(std::ostream& os, const AnsiString& s) { return os << s.str(); }

// ---- Windows-1251 ----------------------------------------------------------------------------

namespace {
// Unicode code points of bytes 0x80..0xBF in Windows-1251 (0 = undefined byte 0x98).
const char32_t kCp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

char32_t cp1251ToCode(unsigned char b) {
    if (b < 0x80) return b;
    if (b >= 0xC0) return 0x0410 + (b - 0xC0);
    char32_t c = kCp1251High[b - 0x80];
    return c ? c : 0xFFFD;
}

int codeToCp1251(char32_t c) {
    if (c < 0x80) return static_cast<int>(c);
    if (c >= 0x0410 && c <= 0x044F) return static_cast<int>(c - 0x0410 + 0xC0);
    for (int i = 0; i < 64; ++i)
        if (kCp1251High[i] == c) return 0x80 + i;
    return -1;
}

// Decodes one UTF-8 sequence at s[i]; returns the length consumed, 0 when malformed.
std::size_t decodeUtf8(std::string_view s, std::size_t i, char32_t& out) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    std::size_t n;
    char32_t c;
    if (b < 0x80) { out = b; return 1; }
    if ((b & 0xE0) == 0xC0) { n = 2; c = b & 0x1F; }
    else if ((b & 0xF0) == 0xE0) { n = 3; c = b & 0x0F; }
    else if ((b & 0xF8) == 0xF0) { n = 4; c = b & 0x07; }
    else return 0;
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        unsigned char t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        c = (c << 6) | (t & 0x3F);
    }
    // Overlong forms, surrogates and out-of-range values are malformed.
    if ((n == 2 && c < 0x80) || (n == 3 && c < 0x800) || (n == 4 && c < 0x10000) || c > 0x10FFFF ||
        (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    out = c;
    return n;
}
}  // namespace

std::string Utf8ToCp1251(std::string_view utf8) {
    // Every character read gives one byte, so the result is never longer than the text.
    std::string out(utf8.size(), '\0');
    char* o = out.data();
    std::size_t i = 0;
    while (i < utf8.size()) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            *o++ = utf8[i++];
            continue;
        }
        char32_t c;
        std::size_t n = decodeUtf8(utf8, i, c);
        if (n == 0) {  // a stray byte: keep it, it may already be Windows-1251
            *o++ = utf8[i];
            ++i;
            continue;
        }
        int b = codeToCp1251(c);
        *o++ = b < 0 ? '?' : static_cast<char>(b);
        i += n;
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

std::string Cp1251ToUtf8(std::string_view cp1251) {
    std::string out;
    out.reserve(cp1251.size() * 2);
    for (char ch : cp1251) AppendUtf8(out, cp1251ToCode(static_cast<unsigned char>(ch)));
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        char32_t c;
        std::size_t n = decodeUtf8(bytes, i, c);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
