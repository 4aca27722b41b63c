// Currency: a fixed-point money and totals type, a 64-bit integer holding the value times 10,000.
//
// Every rounding to four decimals is half to even ("banker's rounding"), so sums of many
// rounded values do not drift. A double becomes a Currency through its shortest decimal text,
// which rounds what the user sees: 0.00015 becomes 0.0002 and 0.00025 becomes 0.0002.
// Arithmetic that leaves the range of the type raises EOverflow; division by zero raises
// EZeroDivide.
#pragma once

#include "rtl/AnsiString.h"
#include "rtl/SysUtils.h"

#include <compare>
#include <cstdint>

class Currency {
public:
    static constexpr std::int64_t Scale = 10000;

    constexpr Currency() noexcept = default;
    Currency(int v);
    Currency(long v);
    Currency(long long v);
    Currency(double v);

    // The raw scaled value (value × 10,000).
    static constexpr Currency FromRaw(std::int64_t raw) noexcept {
        Currency c;
        c.v_ = raw;
        return c;
    }
    constexpr std::int64_t Raw() const noexcept { return v_; }

    double ToDouble() const noexcept { return static_cast<double>(v_) / Scale; }
    explicit operator double() const noexcept { return ToDouble(); }
    // Whole units, rounded half to even (like Round of the value).
    std::int64_t RoundToInt64() const noexcept;

    Currency& operator+=(Currency o);
    Currency& operator-=(Currency o);
    Currency& operator*=(Currency o);
    Currency& operator/=(Currency o);
    friend Currency operator+(Currency a, Currency b) { return a += b; }
    friend Currency operator-(Currency a, Currency b) { return a -= b; }
    friend Currency operator*(Currency a, Currency b) { return a *= b; }
    friend Currency operator/(Currency a, Currency b) { return a /= b; }
    Currency operator-() const;

    friend constexpr bool operator==(Currency a, Currency b) noexcept { return a.v_ == b.v_; }
    friend constexpr auto operator<=>(Currency a, Currency b) noexcept { return a.v_ <=> b.v_; }

private:
    std::int64_t v_ = 0;
};

// Text conversions. Decimal separator and currency layout come from the format settings.
// CurrToStr: up to four decimals, trailing zeros dropped ("12,5", "-0,0001", "3").
AnsiString CurrToStr(Currency v);
AnsiString CurrToStr(Currency v, const TFormatSettings& fs);
// CurrToStrF: ffFixed and ffNumber with `digits` decimals (0..4, more are padded with zeros),
// ffCurrency with the CurrencyString placed by CurrencyFormat / NegCurrFormat, ffGeneral and
// ffExponent as FloatToStrF of the value.
AnsiString CurrToStrF(Currency v, TFloatFormat format, int digits);
AnsiString CurrToStrF(Currency v, TFloatFormat format, int digits, const TFormatSettings& fs);
// FormatCurr: FormatFloat's pattern language applied to the value.
AnsiString FormatCurr(const AnsiString& fmt, Currency v);
AnsiString FormatCurr(const AnsiString& fmt, Currency v, const TFormatSettings& fs);
// Text to Currency: an optional sign, digits with the locale's (or a '.') decimal separator;
// more than four decimals are rounded half to even. Bad text raises EConvertError.
Currency StrToCurr(const AnsiString& s);
Currency StrToCurr(const AnsiString& s, const TFormatSettings& fs);
Currency StrToCurrDef(const AnsiString& s, Currency def);
bool TryStrToCurr(const AnsiString& s, Currency& out);
bool TryStrToCurr(const AnsiString& s, Currency& out, const TFormatSettings& fs);
// Double to Currency; raises EOverflow outside the range and EInvalidOp for NaN or infinity.
Currency FloatToCurr(double v);
bool TryFloatToCurr(double v, Currency& out);
