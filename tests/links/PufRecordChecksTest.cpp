// The checks of the flotation controller's records and the statements built from them, with no
// database and no controller: what passes, what is refused for good, and what reaches SQL.
#include "links/PufRecords.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

std::vector<TPufColumn> Columns() {
    return {{"RecMoment", TPufColumn::Moment, false},
            {"PLF", TPufColumn::Number, true},
            {"F1AS", TPufColumn::Number, true},
            {"Note", TPufColumn::Text, true}};
}

TEST(PufRecordChecks, EachPairMustBeALiteralItsColumnCanHold) {
    using K = TPufPair::Kind;
    struct Case {
        const char* piece;
        bool passes;
        K kind;
        const char* column;
        const char* value;
    } cases[] = {
        {"PLF=1.5", true, K::Number, "PLF", "1.5"},
        {" plf = -2e3 ", true, K::Number, "PLF", "-2e3"},
        {"PLF='1.5'", true, K::Number, "PLF", "1.5"},  // a number in quotes is still one
        {"PLF=NULL", true, K::Null, "PLF", ""},
        {"Note='it''s'", true, K::Text, "Note", "it's"},
        {"Note=7", true, K::Number, "Note", "7"},
        {"RecMoment=Now()", true, K::Now, "RecMoment", ""},
        {"RecMoment='2024-5-1 7:00'", true, K::Text, "RecMoment", "2024-5-1 7:00"},
        {"PLF='abc'", false, K::Null, "", ""},            // text for a number column
        {"F1AS=Now()", false, K::Null, "", ""},
        {"RecMoment=NULL", false, K::Null, "", ""},       // the column takes no NULL
        {"RecMoment='2024-02-30 00:00:00'", false, K::Null, "", ""},
        {"RecMoment='0000-00-00 00:00:00'", false, K::Null, "", ""},
        {"RecMoment=20240501", false, K::Null, "", ""},   // a number for a moment
        {"NOPE=1", false, K::Null, "", ""},
        {"PLF=1); drop table puf_log; --", false, K::Null, "", ""},
        {"Note='a'b'", false, K::Null, "", ""},
        {"(select 1)=1", false, K::Null, "", ""},
    };
    for (const Case& c : cases) {
        TPufPair p;
        AnsiString why;
        EXPECT_EQ(PufCheckPair(c.piece, Columns(), p, why), c.passes) << c.piece;
        if (!c.passes) {
            EXPECT_FALSE(why.IsEmpty()) << c.piece;
            continue;
        }
        EXPECT_EQ(p.kind, c.kind) << c.piece;
        EXPECT_EQ(p.column.str(), c.column) << c.piece;
        EXPECT_EQ(p.value.str(), c.value) << c.piece;
    }
    // A record keeps its passing pairs, in order, and names the others.
    std::vector<TPufPair> pairs;
    std::vector<TPufRefusedPair> refused;
    PufCheckPairs("PLF=1,NOPE=2,junk,Note='x',F1AS='y'", Columns(), pairs, refused);
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].column, "PLF");
    EXPECT_EQ(pairs[1].column, "Note");
    ASSERT_EQ(refused.size(), 2u);
    EXPECT_EQ(refused[0].piece, "NOPE=2");
    EXPECT_EQ(refused[1].piece, "F1AS='y'");
}

TEST(PufRecordChecks, MomentsAreReadAsTheServerReadsThem) {
    struct Case {
        const char* text;
        bool read;
        int y, mo, d, h, mi, s, ms;
    } cases[] = {
        {"2024-05-01 07:00:00", true, 2024, 5, 1, 7, 0, 0, 0},
        {"2024-5-1 07:00:00", true, 2024, 5, 1, 7, 0, 0, 0},
        {"2024-05-01 07:00", true, 2024, 5, 1, 7, 0, 0, 0},
        {"2024/05/01 07:00:00", true, 2024, 5, 1, 7, 0, 0, 0},
        {"2024.05.01T07:08:09.5", true, 2024, 5, 1, 7, 8, 9, 500},
        {"24-05-01 07:00:00", true, 2024, 5, 1, 7, 0, 0, 0},
        {"99-12-31 23:59:59", true, 1999, 12, 31, 23, 59, 59, 0},
        {" 2024-05-01 ", true, 2024, 5, 1, 0, 0, 0, 0},
        {"20240501070809", true, 2024, 5, 1, 7, 8, 9, 0},
        {"20240501", true, 2024, 5, 1, 0, 0, 0, 0},
        {"", false, 0, 0, 0, 0, 0, 0, 0},
        {"0000-00-00 00:00:00", false, 0, 0, 0, 0, 0, 0, 0},
        {"2024-13-01", false, 0, 0, 0, 0, 0, 0, 0},
        {"2024-02-30 00:00", false, 0, 0, 0, 0, 0, 0, 0},
        {"2024-05-01 24:00:00", false, 0, 0, 0, 0, 0, 0, 0},
        {"2024-05-01 07:00:60", false, 0, 0, 0, 0, 0, 0, 0},
        {"2024-05-01 07", false, 0, 0, 0, 0, 0, 0, 0},
        {"2024-05-01 07:00:00 junk", false, 0, 0, 0, 0, 0, 0, 0},
        {"2024-05-01 07:00:00.", false, 0, 0, 0, 0, 0, 0, 0},
        {"2024 05 01", false, 0, 0, 0, 0, 0, 0, 0},
        {"вчера утром", false, 0, 0, 0, 0, 0, 0, 0},
        {"202405011", false, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        TDateTime t = -1;
        EXPECT_EQ(PufReadMoment(c.text, t), c.read) << c.text;
        if (c.read) {
            EXPECT_EQ(t, EncodeDateTime(c.y, c.mo, c.d, c.h, c.mi, c.s, c.ms)) << c.text;
        }
    }
}

TEST(PufRecordChecks, LiteralsAtTheirEdges) {
    using K = TPufPair::Kind;
    struct Case {
        const char* piece;
        bool passes;
        K kind;
        const char* value;
    } cases[] = {
        {"PLF=+.5", true, K::Number, "+.5"},
        {"PLF=5.", true, K::Number, "5."},
        {"PLF=1E+2", true, K::Number, "1E+2"},
        {"PLF=1e", false, K::Null, ""},  // an exponent without digits
        {"PLF=.", false, K::Null, ""},
        {"PLF=1.2.3", false, K::Null, ""},
        {"PLF=0x10", false, K::Null, ""},
        {"PLF=", false, K::Null, ""},
        {"PLF=' 7 '", true, K::Number, "7"},  // a quoted number is taken trimmed
        {"PLF=''", false, K::Null, ""},       // an empty text is no number
        {"Note=''", true, K::Text, ""},
        {"Note=''''", true, K::Text, "'"},
        {"Note='", false, K::Null, ""},
        {"Note='a''", false, K::Null, ""},
        {"PLF=null", true, K::Null, ""},
        {"PLF=Null", true, K::Null, ""},
        {"RecMoment=NOW()", true, K::Now, ""},
        {"RecMoment=now()", true, K::Now, ""},
        {"RecMoment=NOW( )", false, K::Null, ""},
        {"Note=Now", false, K::Null, ""},
    };
    for (const Case& c : cases) {
        TPufPair p;
        AnsiString why;
        ASSERT_EQ(PufCheckPair(c.piece, Columns(), p, why), c.passes) << c.piece << ": " << why.str();
        if (!c.passes) continue;
        EXPECT_EQ(p.kind, c.kind) << c.piece;
        EXPECT_EQ(p.value.str(), c.value) << c.piece;
    }
}

TEST(PufRecordChecks, DecimalIntegersStopAtTheEdgesOfInt) {
    struct Case {
        const char* text;
        bool read;
        int value;
    } cases[] = {
        {"0", true, 0},
        {"+17", true, 17},
        {"-17", true, -17},
        {"2147483647", true, INT_MAX},
        {"-2147483648", true, INT_MIN},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999999", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {" 5", false, 0},
        {"5 ", false, 0},
        {"1e3", false, 0},
        {"12a", false, 0},
    };
    for (const Case& c : cases) {
        int v = -1;
        EXPECT_EQ(TryDecimalToInt(c.text, v), c.read) << c.text;
        EXPECT_EQ(v, c.read ? c.value : -1) << c.text << ": a refused text leaves the value alone";
    }
}

TEST(PufRecordChecks, TheStatementsCarryNamesFromTheTableAndValuesAsParameters) {
    std::vector<TPufPair> pairs;
    std::vector<TPufRefusedPair> refused;
    PufCheckPairs("recmoment='2024-05-01 07:00:00', plf=1.5, Note=NULL, F1AS=Now(), junk=1", Columns(), pairs,
                  refused);
    ASSERT_EQ(refused.size(), 2u);  // F1AS takes no Now(), junk is no column
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_TRUE(pairs[0].isMoment);
    EXPECT_EQ(pairs[0].moment, EncodeDateTime(2024, 5, 1, 7, 0, 0, 0));
    const TPufPair& key = pairs[0];
    EXPECT_EQ(PufStateUpdateSql(pairs), "UPDATE puf_state\r\nSET RecMoment = :v0, PLF = :v1, Note = :v2");
    EXPECT_EQ(PufDataExistsSql(key), "select count(*) as Rez from puf_data where RecMoment = :k");
    EXPECT_EQ(PufDataUpdateSql(pairs, key),
              "UPDATE puf_data SET RecMoment = :v0, PLF = :v1, Note = :v2\r\nWHERE RecMoment = :k");
    EXPECT_EQ(PufDataInsertSql(pairs), "INSERT into puf_data\r\n (RecMoment, PLF, Note )  VALUES ( :v0, :v1, :v2 ) ");

    // Now() stays a call of the server, never a parameter.
    TPufPair now;
    AnsiString why;
    ASSERT_TRUE(PufCheckPair("RecMoment=Now()", Columns(), now, why));
    EXPECT_EQ(PufDataExistsSql(now), "select count(*) as Rez from puf_data where RecMoment = Now()");
    EXPECT_EQ(PufDataInsertSql({now}), "INSERT into puf_data\r\n (RecMoment )  VALUES ( Now() ) ");
}

TEST(PufRecordChecks, TheAcknowledgedKeyIsTheFirstValueWithoutItsQuotes) {
    struct Case {
        const char* record;
        const char* key;
    } cases[] = {
        {"RecMoment='2024-05-01 07:00:00',PLF=1", "2024-05-01 07:00:00"},
        {" RecMoment = ' 2024-05-01 ' , PLF=1", "2024-05-01"},
        {"Id=17", "17"},
        {"Id=''", ""},
        {"Id='it''s'", "it''s"},  // the controller's own text, sent back as it came
        {"no pair at all", ""},
        {",Id=1", ""},  // the first piece holds no "="
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(PufSaveFlagKey(c.record).str(), c.key) << c.record;
}

TEST(PufRecordChecks, LogRecordsSplitAtTabsAndKeepWhatCannotBeRead) {
    struct Case {
        const char* record;
        bool parsed;
        const char* id;
        const char* moment;
        const char* message;
        bool momentRead;
    } cases[] = {
        {"17\t2024-05-01 07:00:00\tПуск", true, "17", "2024-05-01 07:00:00", "Пуск", true},
        {" 18 \t 2024-05-01 \tтекст\tс табуляцией", true, "18", "2024-05-01", "текст\tс табуляцией", true},
        // A moment that can never be read is kept as text: the entry is stored all the same.
        {"19\tвчера\tСтоп", true, "19", "вчера", "Стоп", false},
        {"20\t\t", true, "20", "", "", false},
        // Refused for good: no fields, no id, an id that would end the delete request early.
        {"21 2024-05-01 Пуск", false, "", "", "", false},
        {"22\t2024-05-01", false, "", "", "", false},
        {" \t2024-05-01\tПуск", false, "", "", "", false},
        {"2\r3\t2024-05-01\tПуск", false, "", "", "", false},
    };
    for (const Case& c : cases) {
        TPufLogRecord r;
        AnsiString why;
        ASSERT_EQ(PufParseLogRecord(c.record, r, why), c.parsed) << c.record;
        if (!c.parsed) {
            EXPECT_FALSE(why.IsEmpty()) << c.record;
            continue;
        }
        EXPECT_EQ(r.id.str(), c.id) << c.record;
        EXPECT_EQ(r.moment.str(), c.moment) << c.record;
        EXPECT_EQ(r.message.str(), c.message) << c.record;
        EXPECT_EQ(r.momentRead, c.momentRead) << c.record;
    }
}

}  // namespace
