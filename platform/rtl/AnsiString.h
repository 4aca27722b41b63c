// AnsiString: the system's string type.
//
// Text is held as UTF-8 bytes in a std::string. Length() and the 1-based indexing count bytes,
// which is what the protocol and file code needs; text shown to people is always handled as a
// whole. Windows-1251 appears only at byte-exact boundaries (wire frames, old plant files) through
// Utf8ToCp1251/Cp1251ToUtf8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <iosfwd>

class AnsiString {
public:
    AnsiString() = default;
    AnsiString(const char* s) : s_(s ? s : "") {}
    AnsiString(const char* s, std::size_t n) : s_(s ? std::string(s, n) : std::string()) {}
    AnsiString(const std::string& s) : s_(s) {}
    AnsiString(std::string&& s) noexcept : s_(std::move(s)) {}
    AnsiString(std::string_view s) : s_(s) {}
    explicit AnsiString(char c) : s_(1, c) {}
    // Numbers convert like IntToStr / FloatToStr (the latter with the current format settings).
    explicit AnsiString(int v);
    explicit AnsiString(unsigned v);
    explicit AnsiString(long v);
    explicit AnsiString(unsigned long v);
    explicit AnsiString(long long v);
    explicit AnsiString(unsigned long long v);
    explicit AnsiString(double v);

    // std interop
    const std::string& str() const noexcept { return s_; }
    std::string& str() noexcept { return s_; }
    operator const std::string&() const noexcept { return s_; }
    operator std::string_view() const noexcept { return s_; }
    const char* c_str() const noexcept { return s_.c_str(); }
    const char* data() const noexcept { return s_.data(); }
    std::size_t size() const noexcept { return s_.size(); }
    bool empty() const noexcept { return s_.empty(); }

    // Length in bytes.
    int Length() const noexcept { return static_cast<int>(s_.size()); }
    bool IsEmpty() const noexcept { return s_.empty(); }
    void SetLength(int n) { s_.resize(n < 0 ? 0 : static_cast<std::size_t>(n)); }

    // 1-based byte access; out of range throws ERangeError.
    char operator[](int i) const;
    char& operator[](int i);

    // 1-based position of the first occurrence of sub, 0 when absent (an empty sub gives 0).
    int Pos(const AnsiString& sub) const noexcept;
    // Index (1-based) and count in bytes; clamps like the class library (start < 1 counts from 1).
    AnsiString SubString(int index, int count) const;
    AnsiString& Delete(int index, int count);
    AnsiString& Insert(const AnsiString& s, int index);
    AnsiString Trim() const;       // removes bytes <= 0x20 at both ends
    AnsiString TrimLeft() const;
    AnsiString TrimRight() const;
    AnsiString UpperCase() const;  // ASCII letters only (like UpperCase)
    AnsiString LowerCase() const;
    AnsiString AnsiUpperCase() const;  // Cyrillic too
    AnsiString AnsiLowerCase() const;
    int ToInt() const;                 // StrToInt
    int ToIntDef(int def) const;       // StrToIntDef
    double ToDouble() const;           // StrToFloat with the current format settings
    bool IsDelimiter(const AnsiString& delims, int index) const;
    int LastDelimiter(const AnsiString& delims) const;
    char LastChar() const noexcept { return s_.empty() ? '\0' : s_.back(); }

    // printf-style formatting (the class library's sprintf/cat_printf)
    static AnsiString FormatC(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
    AnsiString& cat_printf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

    AnsiString& operator+=(const AnsiString& o) { s_ += o.s_; return *this; }
    AnsiString& operator+=(const char* o) { s_ += (o ? o : ""); return *this; }
    AnsiString& operator+=(char c) { s_ += c; return *this; }

    friend AnsiString operator+(const AnsiString& a, const AnsiString& b) { return AnsiString(a.s_ + b.s_); }
    friend AnsiString operator+(const AnsiString& a, const char* b) { return AnsiString(a.s_ + (b ? b : "")); }
    friend AnsiString operator+(const char* a, const AnsiString& b) { return AnsiString((a ? a : "") + b.s_); }
    friend AnsiString operator+(const AnsiString& a, char c) { return AnsiString(a.s_ + c); }
    friend AnsiString operator+(char c, const AnsiString& a) { return AnsiString(std::string(1, c) + a.s_); }
    friend AnsiString operator+(const AnsiString& a, const std::string& b) { return AnsiString(a.s_ + b); }
    friend AnsiString operator+(const std::string& a, const AnsiString& b) { return AnsiString(a + b.s_); }

    friend bool operator==(const AnsiString& a, const AnsiString& b) noexcept { return a.s_ == b.s_; }
    friend bool operator==(const AnsiString& a, const char* b) noexcept { return a.s_ == (b ? b : ""); }
    friend bool operator==(const AnsiString& a, const std::string& b) noexcept { return a.s_ == b; }
    friend auto operator<=>(const AnsiString& a, const AnsiString& b) noexcept { return a.s_ <=> b.s_; }

private:
    std::string s_;
};

std::ostream& operator<<(std::ostream& os, const AnsiString& s);

template <>
struct std::hash<AnsiString> {
    std::size_t operator()(const AnsiString& s) const noexcept { return std::hash<std::string>()(s.str()); }
};

using String = AnsiString;
using UnicodeString = AnsiString;

// Byte-exact conversions for the few places where Windows-1251 is on a wire or in an old file.
// Characters with no Windows-1251 code become '?'.
std::string Utf8ToCp1251(std::string_view utf8);
std::string Cp1251ToUtf8(std::string_view cp1251);
// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);
// Appends the UTF-8 bytes of one code point.
void AppendUtf8(std::string& out, char32_t code);
