// Variant comparison, conversion and arrays; Currency rounding and texts.
#include "rtl/Currency.h"
#include "rtl/Variant.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

// Every test runs with the Russian defaults (decimal comma).
class VariantTest : public ::testing::Test {
protected:
    void SetUp() override { saved_ = FormatSettings(); FormatSettings() = TFormatSettings::Russian(); }
    void TearDown() override { FormatSettings() = saved_; }
    TFormatSettings saved_;
};

using CurrencyTest = VariantTest;

enum class Rel { Eq, Lt, Gt, Ne, Throws };

struct CompareCase {
    const char* name;
    Variant a, b;
    Rel rel;  // by VarCompareValue
};

Rel relOf(const Variant& a, const Variant& b) {
    try {
        switch (VarCompareValue(a, b)) {
        case vrEqual: return Rel::Eq;
        case vrLessThan: return Rel::Lt;
        case vrGreaterThan: return Rel::Gt;
        default: return Rel::Ne;
        }
    } catch (const EVariantError&) {
        return Rel::Throws;
    }
}

TEST_F(VariantTest, CompareValueFollowsTheMixedTypeRules) {
    const CompareCase cases[] = {
        {"ints", Variant(3), Variant(5), Rel::Lt},
        {"int64 against int exactly", Variant(9007199254740993LL), Variant(9007199254740992LL), Rel::Gt},
        {"int and double", Variant(2), Variant(2.0), Rel::Eq},
        {"double fraction", Variant(2.5), Variant(2), Rel::Gt},
        {"currency and int exactly", Variant(Currency(7)), Variant(7), Rel::Eq},
        {"currency fraction", Variant(Currency::FromRaw(70001)), Variant(7), Rel::Gt},
        {"number text against a number", Variant("10"), Variant(9), Rel::Gt},
        {"decimal comma text against a double", Variant("1,5"), Variant(1.5), Rel::Eq},
        {"decimal point text is accepted too", Variant("1.5"), Variant(1.5), Rel::Eq},
        {"texts by collation, not by number", Variant("10"), Variant("9"), Rel::Lt},
        {"texts are case sensitive", Variant("abc"), Variant("ABC"), Rel::Ne},
        {"text that is no number", Variant("abc"), Variant(5), Rel::Throws},
        {"boolean true as -1", Variant(true), Variant(-1), Rel::Eq},
        {"false sorts below true", Variant(false), Variant(true), Rel::Lt},
        {"boolean text", Variant("True"), Variant(true), Rel::Eq},
        {"date against date text", VarFromDateTime(EncodeDate(2010, 3, 15)), Variant("15.03.2010"), Rel::Eq},
        {"date against a later date", VarFromDateTime(EncodeDate(2010, 3, 15)), VarFromDateTime(EncodeDate(2010, 3, 16)), Rel::Lt},
        {"null and null", Null(), Null(), Rel::Eq},
        {"null and a value", Null(), Variant(5), Rel::Ne},
        {"empty and empty", Unassigned(), Unassigned(), Rel::Eq},
        {"empty and zero", Unassigned(), Variant(0), Rel::Ne},
        {"array and scalar", VarArrayOf({Variant(1)}), Variant(1), Rel::Ne},
        {"equal arrays", VarArrayOf({Variant(1), Variant("a")}), VarArrayOf({Variant(1), Variant("a")}), Rel::Eq},
        {"arrays that differ", VarArrayOf({Variant(1), Variant("a")}), VarArrayOf({Variant(1), Variant("b")}), Rel::Ne},
        {"arrays of different shape", VarArrayOf({Variant(1)}), VarArrayOf({Variant(1), Variant(2)}), Rel::Ne},
        {"error values", VarAsError(-1), Variant(1), Rel::Throws},
    };
    for (const auto& c : cases) {
        Rel got = relOf(c.a, c.b);
        if (c.rel == Rel::Ne) EXPECT_TRUE(got != Rel::Eq && got != Rel::Throws) << c.name;
        else EXPECT_EQ(got, c.rel) << c.name;
    }
}

TEST_F(VariantTest, EqualityAndOrderingOperators) {
    // Null equals only Null and sorts below everything else.
    EXPECT_TRUE(Null() == Null());
    EXPECT_FALSE(Null() == Variant(0));
    EXPECT_TRUE(Null() < Variant(-100));
    EXPECT_FALSE(Variant(-100) < Null());
    // Empty acts as the neutral value of the other kind.
    EXPECT_TRUE(Unassigned() == Variant(0));
    EXPECT_TRUE(Unassigned() == Variant(""));
    EXPECT_TRUE(Unassigned() == Variant(false));
    // A text that does not convert raises instead of answering.
    EXPECT_THROW((void)(Variant("x") == Variant(1)), EVariantTypeCastError);
    EXPECT_THROW((void)(VarArrayOf({Variant(1)}) == VarArrayOf({Variant(1)})), EVariantError);
    EXPECT_FALSE(VarSameValue(Variant("x"), Variant(1)));
    EXPECT_TRUE(VarSameValue(Variant(" 12 "), Variant(12)));
}

TEST_F(VariantTest, ConversionsAndTexts) {
    EXPECT_EQ(Variant(2.5).AsInteger(), 2);  // half to even
    EXPECT_EQ(Variant(3.5).AsInteger(), 4);
    EXPECT_EQ(Variant(true).AsInteger(), -1);
    EXPECT_EQ(Variant("42").AsInteger(), 42);
    EXPECT_THROW(Variant("4x").AsInteger(), EVariantTypeCastError);
    EXPECT_THROW(Null().AsInteger(), EVariantTypeCastError);
    EXPECT_THROW(Variant(1e12).AsInteger(), EVariantError);
    EXPECT_EQ(Unassigned().AsInteger(), 0);
    EXPECT_EQ(Variant(1.5).AsString(), "1,5");
    EXPECT_EQ(Variant(Currency::FromRaw(12500)).AsString(), "1,25");
    EXPECT_EQ(Variant(true).AsString(), "True");
    EXPECT_EQ(VarToStr(Null()), "");
    EXPECT_EQ(VarToStrDef(Null(), "-"), "-");
    EXPECT_EQ(VarType(VarAsType(Variant("7"), varSmallint)), varSmallint);
    EXPECT_THROW(VarAsType(Variant(40000), varSmallint), EVariantError);
    EXPECT_TRUE(VarIsNull(VarAsType(Null(), varInteger)));
    EXPECT_DOUBLE_EQ(VarToDateTime(Variant("2010-03-15 07:00:00")), EncodeDateTime(2010, 3, 15, 7, 0, 0, 0));
    EXPECT_TRUE(Variant("TRUE").AsBoolean());
    EXPECT_THROW(Variant("maybe").AsBoolean(), EVariantTypeCastError);
}

TEST_F(VariantTest, Arithmetic) {
    EXPECT_TRUE(VarIsNull(Null() + Variant(1)));
    EXPECT_EQ(VarType(Variant(1) + Variant(2)), varInteger);
    EXPECT_EQ((Variant(2147483647) + Variant(1)).AsInt64(), 2147483648LL);  // widens instead of wrapping
    EXPECT_EQ(VarType(Variant(1) + Variant(0.5)), varDouble);
    EXPECT_EQ((Variant(Currency::FromRaw(1)) * Variant(Currency::FromRaw(5000))).AsCurrency().Raw(), 0);  // 0.00005 -> 0
    EXPECT_EQ((Variant("ab") + Variant("cd")).AsString(), "abcd");
    EXPECT_DOUBLE_EQ((Variant("1,5") + Variant(1)).AsDouble(), 2.5);
    Variant d = VarFromDateTime(EncodeDate(2010, 3, 15)) + Variant(1);
    EXPECT_EQ(VarType(d), varDate);
    EXPECT_DOUBLE_EQ(d.AsDateTime(), EncodeDate(2010, 3, 16));
    EXPECT_THROW(Variant(1.0) / Variant(0), EZeroDivide);
    EXPECT_EQ((-Variant(5)).AsInteger(), -5);
    // A Null numeric field stepped by -increment becomes 0 (grid stepping).
    EXPECT_TRUE(VarIsNull(Null() - Variant(1)));
}

TEST_F(VariantTest, Arrays) {
    Variant a = VarArrayCreate({1, 3}, varInteger);
    EXPECT_EQ(VarType(a), varArray | varInteger);
    EXPECT_EQ(VarArrayDimCount(a), 1);
    EXPECT_EQ(VarArrayLowBound(a, 1), 1);
    EXPECT_EQ(VarArrayHighBound(a, 1), 3);
    EXPECT_EQ(VarType(a.GetElement(2)), varInteger);
    a.PutElement(2, Variant("12"));  // converted to the element type
    EXPECT_EQ(VarType(a.GetElement(2)), varInteger);
    EXPECT_EQ(a.GetElement(2).AsInteger(), 12);
    EXPECT_THROW(a.GetElement(4), EVariantError);
    EXPECT_THROW(a.PutElement(2, Variant("x")), EVariantTypeCastError);

    Variant copy = a;  // copies do not share changes
    copy.PutElement(1, Variant(9));
    EXPECT_EQ(a.GetElement(1).AsInteger(), 0);
    VarArrayRedim(copy, 4);
    EXPECT_EQ(VarArrayHighBound(copy, 1), 4);
    EXPECT_EQ(copy.GetElement(1).AsInteger(), 9);
    EXPECT_EQ(copy.GetElement(4).AsInteger(), 0);

    Variant m = VarArrayCreate({0, 1, 0, 2}, varVariant);
    m.PutElement({1, 2}, Variant("x"));
    EXPECT_EQ(VarArrayDimCount(m), 2);
    EXPECT_EQ(m.GetElement({1, 2}).AsString(), "x");
    EXPECT_TRUE(VarIsEmpty(m.GetElement({0, 0})));

    Variant empty = VarArrayOf({});
    EXPECT_EQ(VarArrayHighBound(empty, 1), -1);
}

TEST_F(CurrencyTest, RoundingIsHalfToEven) {
    struct Case {
        double in;
        long long raw;
    } cases[] = {
        {0.00005, 0},  {0.00015, 2},   {0.00025, 2},  {-0.00015, -2}, {1.23456, 12346},
        {2.5, 25000},  {0.1, 1000},    {1.00005, 10000}, {1.00015, 10002}, {-2.00005, -20000},
        {1e-10, 0},    {922337203685477.0, 9223372036854770000LL},
    };
    for (const auto& c : cases) EXPECT_EQ(Currency(c.in).Raw(), c.raw) << c.in;
    EXPECT_THROW(Currency(1e16), EOverflow);
    EXPECT_THROW(FloatToCurr(std::numeric_limits<double>::quiet_NaN()), EInvalidOp);
    EXPECT_EQ(Currency::FromRaw(25000).RoundToInt64(), 2);
    EXPECT_EQ(Currency::FromRaw(35000).RoundToInt64(), 4);
    EXPECT_EQ(Currency::FromRaw(-25000).RoundToInt64(), -2);
}

TEST_F(CurrencyTest, ArithmeticRoundsAndChecks) {
    // 1.0001 * 0.0005 = 0.00050005 -> 0.0005; 0.0003 * 0.5 = 0.00015 -> 0.0002 (even)
    EXPECT_EQ((Currency::FromRaw(10001) * Currency::FromRaw(5)).Raw(), 5);
    EXPECT_EQ((Currency::FromRaw(3) * Currency(0.5)).Raw(), 2);
    EXPECT_EQ((Currency::FromRaw(1) * Currency(0.5)).Raw(), 0);
    EXPECT_EQ((Currency(1) / Currency(3)).Raw(), 3333);
    EXPECT_EQ((Currency(2) / Currency(3)).Raw(), 6667);
    EXPECT_EQ((Currency::FromRaw(5) / Currency(10)).Raw(), 0);  // 0.00005 -> 0
    EXPECT_EQ((Currency::FromRaw(15) / Currency(10)).Raw(), 2);  // 0.00015 -> 0.0002
    EXPECT_THROW(Currency(1) / Currency(0), EZeroDivide);
    EXPECT_THROW(Currency::FromRaw(INT64_MAX) + Currency::FromRaw(1), EOverflow);
    EXPECT_THROW(-Currency::FromRaw(INT64_MIN), EOverflow);
}

TEST_F(CurrencyTest, Texts) {
    EXPECT_EQ(CurrToStr(Currency(12.5)), "12,5");
    EXPECT_EQ(CurrToStr(Currency::FromRaw(-1)), "-0,0001");
    EXPECT_EQ(CurrToStr(Currency(3)), "3");
    EXPECT_EQ(CurrToStr(Currency(1.5), TFormatSettings::Invariant()), "1.5");
    EXPECT_EQ(CurrToStrF(Currency(1.005), ffFixed, 2), "1,00");  // 1.005 -> 1.00 (even)
    EXPECT_EQ(CurrToStrF(Currency(1.015), ffFixed, 2), "1,02");
    EXPECT_EQ(CurrToStrF(Currency(-0.001), ffFixed, 2), "0,00");
    EXPECT_EQ(CurrToStrF(Currency(1234567.891), ffNumber, 2), "1\xC2\xA0" "234\xC2\xA0" "567,89");
    EXPECT_EQ(CurrToStrF(Currency(1234.5), ffCurrency, 2), "1\xC2\xA0" "234,50 р.");
    EXPECT_EQ(CurrToStrF(Currency(-1234.5), ffCurrency, 2), "-1\xC2\xA0" "234,50 р.");
    TFormatSettings us = TFormatSettings::Invariant();
    us.CurrencyString = "$";
    us.CurrencyFormat = 0;
    us.NegCurrFormat = 0;
    us.ThousandSeparator = ",";
    EXPECT_EQ(CurrToStrF(Currency(-1234.5), ffCurrency, 2, us), "($1,234.50)");
    EXPECT_EQ(CurrToStrF(Currency(7), ffFixed, 6), "7,000000");

    EXPECT_EQ(StrToCurr("12,34567").Raw(), 123457);
    EXPECT_EQ(StrToCurr(" -0,00005 ").Raw(), 0);
    EXPECT_EQ(StrToCurr("1\xC2\xA0" "000,5").Raw(), 10005000);
    EXPECT_THROW(StrToCurr("12a"), EConvertError);
    EXPECT_EQ(StrToCurrDef("", Currency(1)), Currency(1));
}

}  // namespace
