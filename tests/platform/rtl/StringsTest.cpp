// String and integer routines.
#include "RtlTestSupport.h"

#include "rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <climits>

TEST(Strings, TrimCaseAndSearch) {
    EXPECT_EQ(Trim(" \t abc \r\n").str(), "abc");
    EXPECT_EQ(TrimLeft("  a ").str(), "a ");
    EXPECT_EQ(TrimRight("  a ").str(), "  a");
    EXPECT_EQ(Trim(AnsiString("\0x\0", 3)).str(), "x");  // control bytes count as blanks
    EXPECT_EQ(UpperCase("abcЖ").str(), "ABCЖ");           // ASCII only
    EXPECT_EQ(AnsiUpperCase("абв ёжz").str(), "АБВ ЁЖZ");
    EXPECT_EQ(AnsiLowerCase("АБВ ЁЖZ").str(), "абв ёжz");
    EXPECT_EQ(AnsiUpperCase("\xE0\xE1").str(), "\xE0\xE1");  // stray Windows-1251 bytes survive
    EXPECT_EQ(Pos("b", "abcb"), 2);
    EXPECT_EQ(Pos("", "abc"), 0);
    EXPECT_EQ(Pos("x", "abc"), 0);
    EXPECT_EQ(AnsiPos("в", "абв"), 5);  // byte position
}

TEST(Strings, Comparisons) {
    EXPECT_LT(CompareStr("A", "a"), 0);
    EXPECT_EQ(CompareText("Abc", "aBC"), 0);
    EXPECT_NE(CompareText("Жук", "жук"), 0);  // ASCII only
    EXPECT_TRUE(SameText("TOutField", "toutfield"));
    EXPECT_TRUE(AnsiSameText("Жук", "жУК"));
    EXPECT_EQ(AnsiCompareText("ёлка", "ЕЛКА"), 1);  // ё sorts after е
    EXPECT_LT(AnsiCompareText("елка", "ёлка"), 0);
    EXPECT_LT(AnsiCompareText("ёлка", "жук"), 0);
    EXPECT_LT(AnsiCompareText("abc", "ABD"), 0);
    EXPECT_LT(AnsiCompareStr("a", "A"), 0);  // lower case first among equals
    EXPECT_LT(AnsiCompareStr("A", "b"), 0);  // but letters decide before case
    EXPECT_LT(AnsiCompareText("z", "а"), 0);  // Latin before Cyrillic
    EXPECT_LT(AnsiCompareText("ab", "abc"), 0);
    EXPECT_EQ(AnsiStrLIComp("ПОТОК-1", "поток-2", 6), 0);  // characters, not bytes
    EXPECT_LT(AnsiStrLIComp("ПОТОК-1", "поток-2", 7), 0);
    EXPECT_NE(AnsiStrLComp("Поток", "поток", 1), 0);
    EXPECT_EQ(AnsiStrLComp("abc", "abd", 2), 0);
}

TEST(Strings, ReplaceQuoteAndPad) {
    EXPECT_EQ(StringReplace("a-b-c", "-", "+").str(), "a+b+c");
    EXPECT_EQ(StringReplace("a-b-c", "-", "+", false).str(), "a+b-c");
    EXPECT_EQ(StringReplace("Поток ПОТОК поток", "поток", "X", true, true).str(), "X X X");
    EXPECT_EQ(StringReplace("aaa", "a", "aa").str(), "aaaaaa");
    EXPECT_EQ(StringReplace("abc", "", "x").str(), "abc");
    EXPECT_EQ(QuotedStr("it's").str(), "'it''s'");
    EXPECT_EQ(AnsiQuotedStr("a\"b", '"').str(), "\"a\"\"b\"");
    EXPECT_EQ(AnsiExtractQuotedStr("'it''s' rest", '\'').str(), "it's");
    EXPECT_EQ(AnsiExtractQuotedStr("noquote", '\'').str(), "");
    EXPECT_EQ(StringOfChar(' ', 3).str(), "   ");
    EXPECT_EQ(StringOfChar('x', -1).str(), "");
}

TEST(Strings, WrapText) {
    EXPECT_EQ(WrapText("один два три", 8).str(), "один два\r\nтри");
    EXPECT_EQ(WrapText("один два три", 7).str(), "один\r\nдва три");
    EXPECT_EQ(WrapText("долгоесловобезпробелов x", 5).str(), "долгоесловобезпробелов\r\nx");
    EXPECT_EQ(WrapText("пред-пусковой", 6).str(), "пред-\r\nпусковой");
    EXPECT_EQ(WrapText("short", 10).str(), "short");
}

TEST(Integers, StrToIntAcceptsDecimalAndHex) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    } cases[] = {
        {"42", true, 42},
        {"  -17", true, -17},
        {"+5", true, 5},
        {"$1F", true, 31},
        {"0x1f", true, 31},
        {"0X10", true, 16},
        {"-$10", true, -16},
        {"$FFFFFFFF", true, -1},  // eight hex digits wrap to negative
        {"$80000000", true, INT_MIN},
        {"2147483647", true, INT_MAX},
        {"-2147483648", true, INT_MIN},
        {"2147483648", false, 0},
        {"$100000000", false, 0},
        {"12 ", false, 0},
        {"1.5", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"$", false, 0},
        {"abc", false, 0},
        {"12abc", false, 0},
    };
    for (const auto& c : cases) {
        int v = -999;
        EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
        EXPECT_EQ(StrToIntDef(c.text, 77), c.ok ? c.value : 77) << c.text;
        if (!c.ok) {
            EXPECT_THROW(StrToInt(c.text), EConvertError) << c.text;
        }
    }
    try {
        StrToInt("abc");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_NE(e.Message().Pos("'abc'"), 0);
        EXPECT_EQ(e.ClassName().str(), "EConvertError");
    }
    EXPECT_EQ(AnsiString(" 7").ToInt(), 7);
    EXPECT_EQ(AnsiString("x").ToIntDef(3), 3);
}

TEST(Integers, SixtyFourBits) {
    EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(StrToInt64("$FFFFFFFF"), 4294967295LL);
    EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
    EXPECT_EQ(StrToInt64Def("x", -5), -5);
}

TEST(Integers, ToText) {
    EXPECT_EQ(IntToStr(-1234567890123LL).str(), "-1234567890123");
    EXPECT_EQ(IntToHex(255, 4).str(), "00FF");
    EXPECT_EQ(IntToHex(0x12345, 2).str(), "12345");  // grows past the width
    EXPECT_EQ(IntToHex(-1, 8).str(), "FFFFFFFF");    // 32-bit pattern of a negative int
    EXPECT_EQ(IntToHex(0x80000005, 8).str(), "80000005");
    EXPECT_EQ(IntToHex(-0x100000000LL, 1).str(), "FFFFFFFF00000000");
}

TEST(Booleans, TextForms) {
    EXPECT_EQ(BoolToStr(true).str(), "-1");
    EXPECT_EQ(BoolToStr(false, true).str(), "False");
    EXPECT_TRUE(StrToBool("true"));
    EXPECT_TRUE(StrToBool("1"));
    EXPECT_FALSE(StrToBool("0"));
    EXPECT_FALSE(StrToBool("False"));
    EXPECT_THROW(StrToBool("maybe"), EConvertError);
    EXPECT_TRUE(StrToBoolDef("maybe", true));
}

TEST(Exceptions, CarryMessageAndClassName) {
    try {
        Abort();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.ClassName().str(), "EAbort");
        EXPECT_FALSE(e.Message().IsEmpty());
    }
    EInvalidOp op("x");
    const EMathError& base = op;
    EXPECT_EQ(base.ClassName().str(), "EInvalidOp");
    EXPECT_STREQ(op.what(), "x");
}

TEST(Windows1251, ConversionAtTheBoundary) {
    const std::string utf8 = "Флотация №1";
    const std::string cp = Utf8ToCp1251(utf8);
    EXPECT_EQ(cp, "\xD4\xEB\xEE\xF2\xE0\xF6\xE8\xFF \xB9" "1");
    EXPECT_EQ(Cp1251ToUtf8(cp), utf8);
    EXPECT_EQ(Utf8ToCp1251("日"), "?");
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_FALSE(IsValidUtf8(cp));
}
