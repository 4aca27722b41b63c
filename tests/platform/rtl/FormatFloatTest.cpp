// Number formatting and parsing: FormatFloat with the patterns the screens and prints use,
// FloatToStr/FloatToStrF, StrToFloat, Format.
#include "RtlTestSupport.h"

#include "rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using rtltest::NBSP;

namespace {

struct FloatCase {
    const char* format;
    double value;
    std::string expected;
};

std::string nb(std::string s) {
    // Test tables write the thousands separator as '_' for readability.
    std::string out;
    for (char c : s) {
        if (c == '_') out += NBSP;
        else out += c;
    }
    return out;
}

}  // namespace

TEST(FormatFloat, PatternsOfTheScreensAndPrints) {
    const FloatCase cases[] = {
        // one decimal, the output field's default
        {"###0.0", 7, "7,0"},
        {"###0.0", 12.34, "12,3"},
        {"###0.0", -3.25, "-3,3"},  // ties round away from zero on the shown digits
        {"###0.0", -0.01, "0,0"},   // a negative value that rounds to zero shows no sign
        {"###0.0", 0.15, "0,2"},    // 0.15 is stored as 0.1499999..., shown as the reader expects
        {"###0.00", 2.675, "2,68"},
        {"#0.000", 0.0005, "0,001"},
        {"###0", 1234.5, "1235"},
        {"##0", 99.5, "100"},
        {"##0", 123456, "123456"},  // more digits than places come out at the first place
        // '%' is a literal: no scaling
        {"##0%", 45.4, "45%"},
        {"0%", 0.5, "1%"},
        {"###%", 12, "12%"},
        {"##0.0 %", 3.14, "3,1 %"},
        // literal blanks between digit places are written even with no digit before them
        {"# ##0.0 %", 12.5, " 12,5 %"},
        {"# ##0.0 %", 1234.56, "1 234,6 %"},
        {"# ##0.0 %", 0, " 0,0 %"},
        {"### ##0.000", 12.5, " 12,500"},
        {"### ##0.000", 1234.5, "1 234,500"},
        {"### ### ##0.000", 1234567.25, "1 234 567,250"},
        {"# ### ##0.0", 0.04, "  0,0"},
        // the print formats with explicit negative and zero sections
        {"# ### ##0.0 ;-# ### ##0.0 ;  ;", 12.5, "  12,5 "},
        {"# ### ##0.0 ;-# ### ##0.0 ;  ;", -12.5, "-  12,5 "},
        {"# ### ##0.0 ;-# ### ##0.0 ;  ;", 0, "  "},
        {"# ### ##0.0 ;-# ### ##0.0 ;  ;", 1234567.84, "1 234 567,8 "},
        {"# ### ##0.00 ;-# ### ##0.00 ;  ;", 0.004, "  "},  // rounds to zero: the zero section
        // blank sections hide values
        {"# ### ##0.0; ;  ", 5, "  5,0"},
        {"# ### ##0.0; ;  ", -5, " "},
        {"# ### ##0.0; ;  ", 0, "  "},
        {"# ### ##0.0; ; # ", 0, "  "},
        {" ;", 7, " "},
        {" ;", -7, " "},
        {"##0.0 т/час; ;  ", 81.26, "81,3 т/час"},
        {"###0 об/мин; ;  ", 1450, "1450 об/мин"},
        // an empty negative or zero section falls back to the positive one
        {"0.0;;", -2, "-2,0"},
        {"0.0;;", 0, "0,0"},
        {"0.0;(0.0)", -2, "(2,0)"},
        {"0.0;(0.0)", -0.01, "0,0"},  // a negative value that rounds to zero shows no sign
        // patterns without digit places print themselves
        {"РУЧНОЙ", 1, "РУЧНОЙ"},
        {"Смена 1", -3, "Смена 1"},
        {"##0 т", 12.4, "12 т"},
        // quoted text is literal, also characters that would be placeholders
        {"0 \"#0.\"", 5, "5 #0."},
        {"'x=' 0.0", 2, "x= 2,0"},
        // optional decimals
        {"####0.#######", 0.1, "0,1"},
        {"####0.#######", 3, "3"},
        {"#.##", 0.5, ",5"},
        {"0.0#", 1.25, "1,25"},
        {"0.0#", 1.2, "1,2"},
        // thousands separators
        {"#,##0.00", 1234567.891, "1_234_567,89"},
        {"#,##0", -1234, "-1_234"},
        {"#,##0", 999, "999"},
        {"000,000", 5, "000_005"},
        // zero padding
        {"000", 7, "007"},
        {"#00.0", 3.14, "03,1"},
        // scientific
        {"0.00E+00", 12345, "1,23E+04"},
        {"0.00E+00", 0.000123, "1,23E-04"},
        {"0.0E-0", 12345, "1,2E4"},
        {"0.00E+00", 0, "0,00E+00"},
        // empty pattern: general format
        {"", 1.5, "1,5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatFloat(c.format, c.value).str(), nb(c.expected)) << "pattern \"" << c.format << "\" value " << c.value;
}

TEST(FormatFloat, UsesTheGivenSeparators) {
    TFormatSettings fs = TFormatSettings::Invariant();
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.5, fs).str(), "1234.50");  // no thousands separator
    fs.ThousandSeparator = "'";
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.5, fs).str(), "1'234.50");

    rtltest::SettingsGuard guard;
    FormatSettings().DecimalSeparator = '.';
    EXPECT_EQ(FormatFloat("###0.0", 2.25).str(), "2.3");
}

TEST(FormatFloat, SpecialValues) {
    EXPECT_EQ(FormatFloat("0.0", std::numeric_limits<double>::quiet_NaN()).str(), "NAN");
    EXPECT_EQ(FormatFloat("0.0", std::numeric_limits<double>::infinity()).str(), "INF");
    EXPECT_EQ(FormatFloat("0.0", -std::numeric_limits<double>::infinity()).str(), "-INF");
    // Beyond the digits a double holds the pattern gives way to the general format.
    EXPECT_EQ(FormatFloat("0.0", 1e20).str(), "1E20");
}

TEST(FloatToStr, GeneralFormat) {
    const FloatCase cases[] = {
        {"", 0, "0"},
        {"", 1.5, "1,5"},
        {"", -0.1, "-0,1"},
        {"", 1.0 / 3, "0,333333333333333"},
        {"", 100, "100"},
        {"", 123456789012345, "123456789012345"},
        {"", 1e15, "1E15"},
        {"", 1e20, "1E20"},
        {"", 0.0001, "0,0001"},
        {"", 0.00001, "0,00001"},
        {"", 0.000001, "1E-6"},
        {"", 1.5e-7, "1,5E-7"},
        {"", 0.1 + 0.2, "0,3"},
    };
    for (const auto& c : cases) EXPECT_EQ(FloatToStr(c.value).str(), c.expected) << c.value;
    EXPECT_EQ(FloatToStr(2.5, TFormatSettings::Invariant()).str(), "2.5");
    EXPECT_EQ(AnsiString(0.25).str(), "0,25");
}

TEST(FloatToStrF, Formats) {
    EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 15, 2).str(), "1234,57");
    EXPECT_EQ(FloatToStrF(-0.004, ffFixed, 15, 2).str(), "0,00");
    EXPECT_EQ(FloatToStrF(1234567.5, ffNumber, 15, 1).str(), nb("1_234_567,5"));
    EXPECT_EQ(FloatToStrF(1234.5678, ffGeneral, 6, 0).str(), "1234,57");
    EXPECT_EQ(FloatToStrF(1234.5678, ffGeneral, 3, 0).str(), "1,23E3");
    EXPECT_EQ(FloatToStrF(1234.5678, ffExponent, 4, 2).str(), "1,235E+03");
    EXPECT_EQ(FloatToStrF(-0.5, ffExponent, 3, 3).str(), "-5,00E-001");
    // The fixed formats give way to the general one when the integer part needs more digits than
    // the precision allows.
    EXPECT_EQ(FloatToStrF(123456.0, ffFixed, 3, 2).str(), "1,23E5");
    // Currency: "1 р." and "-1 р." in the Russian profile.
    EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2).str(), nb("1_234,50 р."));
    EXPECT_EQ(FloatToStrF(-3, ffCurrency, 15, 2).str(), "-3,00 р.");
}

TEST(StrToFloat, LocaleSeparatorOnly) {
    struct Case {
        const char* text;
        bool ok;
        double value;
    } cases[] = {
        {"1,5", true, 1.5},        {" -2,25 ", true, -2.25}, {"+3", true, 3},        {"1,5E3", true, 1500},
        {"1e-2", true, 0.01},      {",5", true, 0.5},        {"5,", true, 5},        {"1.5", false, 0},
        {"", false, 0},            {"abc", false, 0},        {"1,5x", false, 0},     {"1 000", false, 0},
        {"1E", false, 0},          {"1e400", false, 0},      {"1e-400", true, 0},    {"INF", false, 0},
    };
    for (const auto& c : cases) {
        double v = -999;
        EXPECT_EQ(TryStrToFloat(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(v, c.value) << c.text;
        }
    }
    EXPECT_THROW(StrToFloat("1.5"), EConvertError);
    EXPECT_DOUBLE_EQ(StrToFloat("1.5", TFormatSettings::Invariant()), 1.5);
    EXPECT_DOUBLE_EQ(StrToFloatDef("x", 7), 7);
    try {
        StrToFloat("abc");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_NE(e.Message().Pos("'abc'"), 0);
    }
}

TEST(StrToFloat, RoundTripsFloatToStr) {
    for (double v : {0.1, -123.456, 1e-7, 6.02214076e23, 1.0 / 7}) {
        double back = StrToFloat(FloatToStr(v));
        EXPECT_NEAR(back, v, std::fabs(v) * 1e-14) << v;
    }
}

TEST(Format, Directives) {
    struct Case {
        AnsiString got;
        const char* expected;
    } cases[] = {
        {Format("%d", 42), "42"},
        {Format("%5d|%-5d|", 42, -7), "   42|-7   |"},
        {Format("%03d", 7), "  7"},  // the width pads with blanks
        {Format("%.3d", 7), "007"},
        {Format("%3d%3d%3d", 255, 0, 16), "255  0 16"},
        {Format("%u", -1), "4294967295"},
        {Format("%x", 255), "FF"},
        {Format("%.4x", 255), "00FF"},
        {Format("%x", -1), "FFFFFFFF"},
        {Format("%x", -1LL), "FFFFFFFFFFFFFFFF"},
        {Format("%s=%s", "a", AnsiString("б")), "a=б"},
        {Format("%-6s|", "Пуск"), "Пуск  |"},  // widths count characters, not bytes
        {Format("%.2s", "Пуск"), "Пу"},
        {Format("%f", 2.5), "2,50"},
        {Format("%.1f", 2), "2,0"},
        {Format("%n", 1234567.891), "1\xC2\xA0" "234\xC2\xA0" "567,89"},
        {Format("%e", 1234.5), "1,23450000000000E+003"},
        {Format("%g", 0.5), "0,5"},
        {Format("%m", 12.5), "12,50 р."},
        {Format("%*d", 4, 3), "   3"},
        {Format("%1:s %0:s", "a", "b"), "b a"},
        {Format("100%%"), "100%"},
        {Format("WSAStart error %d\n", 10093), "WSAStart error 10093\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got.str(), c.expected);

    EXPECT_THROW(Format("%d", "text"), EConvertError);
    EXPECT_THROW(Format("%s", 5), EConvertError);
    EXPECT_THROW(Format("%d %d", 5), EConvertError);
    EXPECT_THROW(Format("%q", 5), EConvertError);
    EXPECT_THROW(Format("50%"), EConvertError);
}
