// The filter language: parsing under either decimal separator, the texts shown and built, and the
// dataset filter text evaluated by the dataset itself.
#include "gridlib/services/DBUtilsGx.h"

#include "data/DBClient.h"
#include "tests/gridlib/services/ServicesTestSupport.h"
#include "testlib/DataTestSupport.h"

#include <gtest/gtest.h>

namespace {

using gxtest::FakeGrid;

// A value as the tables write it: Null, N:1.5, S:abc, B:True, D:2008-06-10 07:00:00, [..,..].
std::string describe(const Variant& v) {
    if (v.IsNull()) return "Null";
    if (VarIsArray(v)) {
        std::string out = "[";
        for (int i = VarArrayLowBound(v, 1); i <= VarArrayHighBound(v, 1); ++i) {
            if (i > VarArrayLowBound(v, 1)) out += ",";
            out += describe(v.GetElement(i));
        }
        return out + "]";
    }
    if ((VarType(v) & varTypeMask) == varDate)
        return "D:" + FormatDateTime("yyyy-mm-dd hh:nn:ss", VarToDateTime(v)).str();
    if (VarIsFloat(v)) return "N:" + FloatToStr(v.AsDouble(), TFormatSettings::Invariant()).str();
    if ((VarType(v) & varTypeMask) == varBoolean) return "B:" + VarToStr(v).str();
    return "S:" + VarToStr(v).str();
}

const char* const opNames[] = {"Non",  "=",     "<>",   ">",    "<",   ">=",  "<=", "~",
                               "!~",   "In",    "!In",  "Null", "!Null", "AND", "OR", "Value"};

std::string describe(const TSTFilterExpressionGx& e) {
    std::string out = std::string(opNames[e.FirstOperator]) + " " + describe(e.FirstOperand);
    if (e.Junction != foNon)
        out += " " + std::string(opNames[e.Junction]) + " " + opNames[e.SecondOperator] + " " + describe(e.SecondOperand);
    return out;
}

TFormatSettings localeWith(char decimal) {
    TFormatSettings fs = TFormatSettings::Russian();
    fs.DecimalSeparator = decimal;
    return fs;
}

class FilterLanguageTest : public ::testing::Test {
protected:
    void SetUp() override { saved_ = FormatSettings(); }
    void TearDown() override { FormatSettings() = saved_; }
    void useDecimal(char c) { FormatSettings() = localeWith(c); }

private:
    TFormatSettings saved_;
};

struct ParseCase {
    TSTOperandTypeGx type;
    const char* decimals;  // the separators the case holds under
    const char* text;
    const char* parsed;    // the record, or the exception's message
};

TEST_F(FilterLanguageTest, ParsesValuesListsOperatorsAndJunctions) {
    const ParseCase cases[] = {
        {botNumber, ",.", "", "Non Null"},
        {botNumber, ",.", " \t  ", "Non Null"},
        {botNumber, ",.", "5", "= N:5"},
        {botString, ",.", "5", "~ S:5"},
        {botString, ",.", "'5'", "~ S:5"},
        {botNumber, ",", "1,5", "= N:1.5"},
        {botNumber, ".", "1,5", "In [N:1,N:5]"},
        {botNumber, ".", "1.5", "= N:1.5"},
        {botNumber, ",.", "In (1,5)", "In [N:1,N:5]"},
        {botNumber, ",", "In (1,5 , 2)", "In [N:1,N:5,N:2]"},
        {botString, ",.", "In ('a', 'b')", "In [S:a,S: 'b']"},
        {botString, ",.", "In ('a','b')", "In [S:a,S:b]"},
        {botString, ",.", "a,b", "In [S:a,S:b]"},
        {botString, ",.", "In (a)", "In S:a"},
        {botString, ",.", "!In (a,b)", "!In [S:a,S:b]"},
        {botString, ",.", "not in (a)", "!In S:a"},
        {botNumber, ",.", "> 5 AND <= 10", "> N:5 AND <= N:10"},
        {botNumber, ",.", ">=5 & <>7", ">= N:5 AND <> N:7"},
        {botNumber, ",.", "< 0 | > 9", "< N:0 OR > N:9"},
        {botNumber, ",.", "= 1 OR In (2,3", "= N:1 OR In [N:2,N:3]"},
        {botNumber, ",.", "= 1 AND", "= N:1 AND Non Null"},
        {botString, ",.", "<>Null", "!Null Null"},
        {botString, ",.", "!= Null", "!Null Null"},
        {botString, ",.", "=null", "Null Null"},
        {botString, ",.", "!~ 'x%'", "!~ S:x%"},
        {botString, ",.", "Not Like x%", "!~ S:x%"},
        {botString, ",.", "~ x'or'1'='1", "~ S:x'or'1'='1"},
        {botString, ",.", "abc def", "~ S:abc def"},
        {botString, ",.", "= abc OR = 'd e'", "= S:abc OR = S:d e"},
        {botString, ",.", "= Жук", "= S:Жук"},
        {botDateTime, ",.", "> 10.06.2008 7:00:00", "> D:2008-06-10 07:00:00"},
        {botDateTime, ",.", ">= 01.01.2008 AND < 10.06.2008", ">= D:2008-01-01 00:00:00 AND < D:2008-06-10 00:00:00"},
        {botBoolean, ",.", "= True", "= B:True"},
        {botBoolean, ",.", "no", "= B:False"},
        {botBoolean, ",.", "In (True,0)", "In [B:True,B:False]"},
        // The grammar's errors: the text after trimming follows the message.
        {botString, ",.", "Null", "Unexpected expression after operator: Null"},
        {botNumber, ",.", "=", "Unexpected expression after operator: ="},
        {botNumber, ",.", "> Null", "Unexpected expression before Null: > Null"},
        {botNumber, ",.", "( 5", "Error in expression: ( 5"},
        {botNumber, ",.", "In 1", "'(' expected: In 1"},
        {botNumber, ",.", "In (1", "')' expected: In (1"},
        {botNumber, ",.", "  In (1,2  ", "')' expected: In (1,2"},
        {botNumber, ",.", "= 1 XOR = 2", "Unexpected AND or OR: = 1 XOR = 2"},
        {botString, ",.", "= 'a", "Quote is absent: = 'a"},
        {botString, ",.", "check in x", "'(' expected: check in x"},
        {botNumber, ",.", "= 1 AND (5", "Incorrect expression: = 1 AND (5"},
        {botNumber, ",.", "= 1 AND !5", "Incorrect expression: = 1 AND !5"},
        {botNumber, ",.", "AND 5", "Unexpected AND or OR: AND 5"},
        // A list where one value belongs, and a comma with no item after it.
        {botString, ",.", "= a,b", "Unexpected expression after operator: = a,b"},
        {botNumber, ".", "> 1,5", "Unexpected expression after operator: > 1,5"},
        {botNumber, ",", "> 1,5", "> N:1.5"},
        {botString, ",.", "= 1 OR <> a,b", "Unexpected expression after operator: = 1 OR <> a,b"},
        {botNumber, ".", "5,", "Error in expression: 5,"},
        {botString, ",.", "a,b,", "Error in expression: a,b,"},
        {botNumber, ",.", "In (7,", "')' expected: In (7,"},
        {botNumber, ",.", "= 1 OR In (7,", "')' expected: = 1 OR In (7,"},
        {botString, ",.", "In (a,)", "In [S:a,S:]"},
    };
    for (const ParseCase& c : cases) {
        for (const char* d = c.decimals; *d; ++d) {
            useDecimal(*d);
            SCOPED_TRACE(std::string(c.text) + " with '" + *d + "'");
            TSTFilterExpressionGx e;
            e.OperandType = c.type;
            std::string got;
            try {
                ParseSTFilterExpressionGx(c.text, e);
                got = describe(e);
            } catch (const Exception& ex) {
                got = ex.Message().str();
            }
            EXPECT_EQ(got, c.parsed);
            EXPECT_EQ(e.OperandType, c.type) << "the parser never changes the operand type";
        }
    }
}

TEST_F(FilterLanguageTest, AValueThatIsNoNumberOrDateRaisesTheConversionError) {
    for (auto [type, text] : {std::pair{botNumber, "abc"}, std::pair{botNumber, "In (1,x)"},
                              std::pair{botDateTime, "> 31.02.2008"}, std::pair{botBoolean, "= maybe"},
                              std::pair{botBoolean, "In (True,x)"}, std::pair{botBoolean, "~ 'Да'"}}) {
        SCOPED_TRACE(text);
        TSTFilterExpressionGx e;
        e.OperandType = type;
        EXPECT_THROW(ParseSTFilterExpressionGx(text, e), EConvertError);
    }
}

struct DisplayCase {
    TSTOperandTypeGx type;
    char decimal;
    const char* text;
    const char* shown;
};

TEST_F(FilterLanguageTest, DisplayTextRendersEachPartInTheLocale) {
    const DisplayCase cases[] = {
        {botNumber, ',', "> 5 AND <= 10", "> 5 AND <= 10"},
        {botNumber, ',', "1,5", "= 1,5"},
        {botNumber, '.', "1.5", "= 1.5"},
        {botNumber, ',', "In (1,5 , 2)", "In (1,5,2)"},
        {botString, ',', "abc", "~ 'abc'"},
        {botString, ',', "In ('a','b')", "In ('a','b')"},
        {botString, ',', "!In (a)", "!In ('a')"},
        {botString, ',', "= Null", "=Null"},
        {botString, ',', "<> null", "<>Null"},
        {botString, ',', "= a OR = b", "= 'a' OR = 'b'"},
        {botDateTime, ',', "> 10.06.2008 7:00:00", "> 10.06.2008"},
        {botNumber, ',', "= 1 AND", "= 1"},
        {botNon, ',', "5", ""},
    };
    for (const DisplayCase& c : cases) {
        useDecimal(c.decimal);
        SCOPED_TRACE(c.text);
        TSTFilterExpressionGx e;
        e.OperandType = c.type;
        ParseSTFilterExpressionGx(c.text, e);
        EXPECT_EQ(GetSTFilterExpressionDisplayText(e).str(), c.shown);
    }
    TSTFilterExpressionGx keys;
    keys.OperandType = botString;
    ParseSTFilterExpressionGx("a,b", keys);
    EXPECT_EQ(GetSTFilterExpressionDisplayText(keys, true).str(), "'a','b'");
    ParseSTFilterExpressionGx("In (a)", keys);
    EXPECT_EQ(GetSTFilterExpressionDisplayText(keys, true).str(), "a");
}

struct PartCase {
    TSTFilterOperatorGx op;
    Variant value;
    std::string local;    // with Like supported
    std::string localEq;  // without it (empty: the same)
    std::string sql;
};

TEST_F(FilterLanguageTest, OnePartTextsForTheDatasetFilterAndForSQL) {
    const TDateTime stamp = EncodeDateTime(2008, 6, 10, 7, 0, 0, 0);
    for (char decimal : {',', '.'}) {
        useDecimal(decimal);
        const std::string d(1, decimal);
        const PartCase cases[] = {
            {foGreaterThan, Variant(1.5), " [F] > 1" + d + "5", "", " F > 1.5"},
            {foLessOrEqual, Variant(-2.0), " [F] <= -2", "", " F <= -2"},
            {foEqual, Variant("ab"), " [F] = 'ab'", "", " F = 'ab'"},
            {foLike, Variant("ab%"), " [F] Like 'ab%'", " [F] = 'ab%'", " F LIKE 'ab%'"},
            {foNotLike, Variant("ab%"), " [F] Not Like 'ab%'", " [F] <> 'ab%'", " F NOT LIKE 'ab%'"},
            {foIn, VarArrayOf({Variant(1.0), Variant(2.5)}), " ([F] = 1 OR [F] = 2" + d + "5)", "",
             " F IN (1,2.5)"},
            {foNotIn, VarArrayOf({Variant("a"), Variant("b")}), " NOT ([F] = 'a' OR [F] = 'b')", "",
             " F NOT IN ('a','b')"},
            {foIn, Variant("a"), " ([F] = 'a')", "", " F IN ('a')"},
            {foNull, Null(), " [F] IS NULL", "", " F IS NULL"},
            {foNotNull, Null(), " [F] IS NOT NULL", "", " F IS NOT NULL"},
            // Quotes inside a value never end the literal; SQL doubles backslashes as well.
            {foLike, Variant("x'or'1'='1"), " [F] Like 'x''or''1''=''1'", " [F] = 'x''or''1''=''1'",
             " F LIKE 'x''or''1''=''1'"},
            {foEqual, Variant("a\\'b"), " [F] = 'a\\''b'", "", " F = 'a\\\\''b'"},
            {foGreaterThan, Variant::FromDateTime(stamp), " [F] > '10.06.2008 7:00:00'", "",
             " F > '2008-06-10 07:00:00'"},
        };
        for (const PartCase& c : cases) {
            SCOPED_TRACE(c.sql + " with '" + decimal + "'");
            EXPECT_EQ(GetOneExpressionAsLocalFilterString(c.op, c.value, "F", nullptr, {}, true).str(), c.local);
            EXPECT_EQ(GetOneExpressionAsLocalFilterString(c.op, c.value, "F", nullptr, {}, false).str(),
                      c.localEq.empty() ? c.local : c.localEq);
            EXPECT_EQ(GetOneExpressionAsSQLWhereString(c.op, c.value, "F", nullptr, {}, false).str(), c.sql);
        }
    }
}

TEST_F(FilterLanguageTest, DateValueProcAndDatabaseDateTexts) {
    useDecimal(',');
    const Variant stamp = Variant::FromDateTime(EncodeDateTime(2008, 6, 10, 7, 0, 0, 0));
    TDateValueToSQLStringProcGx proc = [](TDataSet*, const Variant& v) {
        return DateValueToDataBaseSQLString("Oracle", v);
    };
    EXPECT_EQ(GetOneExpressionAsSQLWhereString(foLessThan, stamp, "F", nullptr, proc, false).str(),
              " F < TO_DATE('10.06.2008','dd.mm.yyyy')");
    EXPECT_EQ(GetOneExpressionAsLocalFilterString(foLessThan, stamp, "F", nullptr, proc, false).str(),
              " [F] < TO_DATE('10.06.2008','dd.mm.yyyy')");
    EXPECT_EQ(DateValueToDataBaseSQLString("msaccess", stamp).str(), "#06/10/2008#");
    EXPECT_EQ(FormatSettings().DateSeparator, '.') << "the locale's separator stays";
    EXPECT_EQ(DateValueToDataBaseSQLString("MSSQL", stamp).str(), "'10.06.2008 7:00:00'");
    EXPECT_EQ(DateValueToDataBaseSQLString("", stamp).str(), "'10.06.2008 7:00:00'");
}

// ID, Name, Amount, Stamp; ten rows plus one whose name holds quotes.
void fillDataSet(TClientDataSet& ds) {
    ds.FieldDefs()->Add("ID", ftInteger, 0, true);
    ds.FieldDefs()->Add("Name", ftString, 20);
    ds.FieldDefs()->Add("Amount", ftFloat);
    ds.FieldDefs()->Add("Stamp", ftDateTime);
    ds.CreateDataSet();
    for (int i = 1; i <= 10; ++i)
        ds.AppendRecord({Variant(i), Variant("Row " + std::to_string(i)), i % 5 == 0 ? Null() : Variant(i * 1.5),
                         Variant::FromDateTime(EncodeDateTime(2008, 6, i, 7, 0, 0, 0))});
    ds.AppendRecord({Variant(11), Variant("x'or'1'='1"), Variant(0.25), Null()});
    ds.MergeChangeLog();
    ds.First();
}

TEST_F(FilterLanguageTest, GridConditionJoinsTheColumnsPieces) {
    useDecimal(',');
    TClientDataSet ds(nullptr);
    fillDataSet(ds);
    FakeGrid grid(&ds);
    grid.AddColumn("ID", "> 1 OR < 0");
    grid.AddColumn("Name", "Row%");
    grid.AddColumn("Amount", "");
    grid.AddColumn("Stamp", "");
    ds.FieldByName("ID")->SetOrigin("t.id");

    EXPECT_EQ(GetExpressionAsFilterString(&grid, GetOneExpressionAsLocalFilterString, {}, false, true).str(),
              "( [ID] > 1 OR [ID] < 0) AND  [Name] Like 'Row%'");
    EXPECT_EQ(GetExpressionAsFilterString(&grid, GetOneExpressionAsSQLWhereString, {}, true, false).str(),
              "( t.id > 1 OR t.id < 0) AND  `Name` LIKE 'Row%'");

    // A filter naming its own data field tests that field, by its name even where an Origin is set.
    FakeGrid byKey(&ds);
    byKey.AddColumn("ID", "= 3 AND", "Code`x");
    EXPECT_EQ(GetExpressionAsFilterString(&byKey, GetOneExpressionAsSQLWhereString, {}, true, false).str(),
              " `Code``x` = 3");

    ds.Close();
    EXPECT_EQ(GetExpressionAsFilterString(&grid, GetOneExpressionAsLocalFilterString, {}, false, true).str(), "")
        << "a closed dataset gets no condition";
}

struct LocalCase {
    const char* field;
    const char* text;  // '#' stands for the locale's decimal separator
    const char* ids;
};

// The dataset filter text the features build is read by the dataset's own filter.
TEST_F(FilterLanguageTest, LocalFilterTextSelectsTheRowsThroughTheDataSetsFilter) {
    const LocalCase cases[] = {
        {"Amount", "> 12", "9"},
        {"Amount", "1#5", "1"},
        {"Amount", "In (3, 6)", "2,4"},
        {"Amount", "=Null", "5,10"},
        {"Amount", "<>Null", "1,2,3,4,6,7,8,9,11"},
        {"Amount", "< 1 OR >= 13#5", "9,11"},
        {"ID", "> 2 AND < 5", "3,4"},
        {"ID", "= 1 AND", "1"},
        {"ID", "!In (1,2,3,4,5,6,7,8)", "9,10,11"},
        {"Name", "~ 'Row 1%'", "1,10"},
        {"Name", "!~ 'Row%'", "11"},
        {"Name", "In ('Row 2','Row 3')", "2,3"},
        {"Name", "~ x'or'1'='1", "11"},
        {"Name", "~ x'or'", ""},
        {"Name", "<> 'Row 1'", "2,3,4,5,6,7,8,9,10,11"},
        {"Stamp", "> 08.06.2008", "8,9,10"},
        {"Stamp", ">= 02.06.2008 7:00:00 AND < 04.06.2008", "2,3"},
        {"Stamp", "= Null", "11"},
    };
    for (char decimal : {',', '.'}) {
        useDecimal(decimal);
        TClientDataSet ds(nullptr);
        fillDataSet(ds);
        gxtest::RegistryScope registry;
        auto features = [] {
            auto* f = new TSQLDatasetFeaturesGx();
            f->LocalFilterUsesLike = true;
            return static_cast<TDatasetFeaturesGx*>(f);
        };
        registry.Register(features, TClientDataSet::StaticClass());
        for (const LocalCase& c : cases) {
            std::string text = c.text;
            for (char& ch : text)
                if (ch == '#') ch = decimal;
            SCOPED_TRACE(std::string(c.field) + " " + text + " with '" + decimal + "'");
            FakeGrid grid(&ds);
            grid.local = true;
            grid.AddColumn("ID");
            grid.AddColumn(c.field, AnsiString(text));
            GetDatasetFeaturesForDataSet(&ds)->ApplyFilter(&grid, &ds, true);
            EXPECT_TRUE(ds.Filtered());
            EXPECT_EQ(gxtest::Column(ds, "ID"), c.ids) << ds.Filter().str();
        }
    }
}

}  // namespace
