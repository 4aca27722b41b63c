// What the flotation controller offers that can never be stored: the checks of its pairs and moments,
// and, end to end against the simulated controller and a scratch database, that such records and log
// entries are settled once (stored as far as they can be, acknowledged, reported) and never stop the
// good ones behind them.
#include "links/PufThread.h"

#include "puf_station.h"

#include <gtest/gtest.h>

using namespace puftest;

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

class PufRecordsTest : public ThreadStationTest {
protected:
    std::string Scalar(const std::string& sql) {
        const std::optional<std::string> v = db->Scalar(sql);
        return v ? *v : "NULL";
    }
    testlib::TestClock clock;  // the station's receipt moment of a log entry
};

TEST_F(PufRecordsTest, WhatCanNeverBeStoredIsSettledOnceAndNeverStopsTheRecordsBehindIt) {
    clock.Set(10, 30, 0);
    // Data records, oldest first; the controller offers the first unsaved one until it is acknowledged.
    struct Record {
        std::string key;   // what SetSaveFlag carries
        std::string text;
    };
    const Record bad[] = {
        // Written with the pairs that pass.
        {"2024-05-01 12:00:00", "RecMoment='2024-05-01 12:00:00',PLF=1.5,NOPE=2,RVF='abc',URS=NULL"},
        {"2024-05-01 12:01:00", "RecMoment='2024-05-01 12:01:00',PLF=2,RVF=1); drop table puf_log; --"},
        // A key no moment can be read from: never written (not as a zero date either).
        {"2024-13-45 99:00:00", "RecMoment='2024-13-45 99:00:00',PLF=7"},
        {"Now()", "RecMoment=Now(),PLF=8"},
        {"x", "NOPE='x',PLF=9"},
    };
    for (const Record& r : bad) sim.AddRecordText(r.key, r.text);
    const std::string good1 = sim.AddRecord("2024-05-01 12:02:00");
    const std::string good2 = sim.AddRecord("2024-5-1 12:03:00");
    // Log entries.
    struct Entry {
        std::string moment;
        std::string message;
        std::string stored;  // PostMoment as the table keeps it
        std::string text;    // Message as the table keeps it
    };
    const Entry entries[] = {
        {"2024-5-1 07:00:00", "Насос включён", "2024-05-01 07:00:00", "Насос включён"},
        {"2024/05/01 07:01", "Уровень <5> низкий", "2024-05-01 07:01:00", "Уровень <5> низкий"},
        {"вчера утром", "Вентиль закрыт", "2024-05-01 10:30:00", "вчера утром Вентиль закрыт"},
        {"2024-05-01 07:02:00", "Датчик_Error: обрыв", "2024-05-01 07:02:00", "Датчик_Error: обрыв"},
    };
    for (const Entry& e : entries) sim.AddLogEntry(e.message, e.moment);
    // Last: a key with a line break, which no request may carry.
    sim.AddRecordText("2024-05-01 12:04:00\nX", "RecMoment='2024-05-01 12:04:00\nX',PLF=3");

    Start();
    ASSERT_TRUE(sim.WaitUntil([&] { return sim.UnsavedRecords().size() == 1 && sim.LogEntries().empty(); },
                              std::chrono::seconds(60)))
        << "unsaved " << sim.UnsavedRecords().size() << ", log " << sim.LogEntries().size();
    // The record with the line break comes again every cycle: a few more cycles show it stays
    // unacknowledged and is reported once.
    const int asked = sim.Count("GetUnsavedRecord");
    ASSERT_TRUE(sim.WaitForCount("GetUnsavedRecord", asked + 3, std::chrono::seconds(30)));
    StopAndJoin();

    // Every record but the last was acknowledged once, in order.
    std::vector<std::string> expected;
    for (const Record& r : bad) expected.push_back(r.key);
    expected.push_back(good1);
    expected.push_back(good2);
    EXPECT_EQ(sim.SaveFlagArguments(), expected);
    EXPECT_EQ(sim.Count("SetSaveFlag"), static_cast<int>(expected.size()));
    ASSERT_EQ(sim.UnsavedRecords().size(), 1u);
    EXPECT_EQ(sim.UnsavedRecords()[0].key, "2024-05-01 12:04:00\nX");

    // The rows: the passing pairs of the first two, the good ones, nothing of the bad keys.
    EXPECT_EQ(Rows("puf_data"), 4);
    EXPECT_EQ(Scalar("select concat_ws(' ', PLF, ifnull(RVF, 'null'), ifnull(URS, 'null')) from puf_data "
                     "where RecMoment='2024-05-01 12:00:00'"),
              "1.5 null null");
    EXPECT_EQ(Scalar("select concat_ws(' ', PLF, ifnull(RVF, 'null')) from puf_data where RecMoment='2024-05-01 12:01:00'"),
              "2 null");
    EXPECT_EQ(Rows("puf_data", "RecMoment in ('2024-05-01 12:02:00', '2024-05-01 12:03:00')"), 2);
    EXPECT_EQ(Rows("puf_data", "year(RecMoment) = 0 or PLF in (7, 8, 9, 3)"), 0);

    // Every log entry, each once, in the controller's order; the unreadable moment gave way to the
    // moment of receipt and went to the front of the message.
    const std::vector<testdb::Row> log = db->Query("select PostMoment, Message from puf_log");
    ASSERT_EQ(log.size(), std::size(entries));
    for (std::size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(*log[i][0], entries[i].stored) << i;
        EXPECT_EQ(*log[i][1], entries[i].text) << i;
    }
    EXPECT_EQ(sim.DeletedLogIds().size(), std::size(entries));

    // One event-log line for each record or entry that could not be kept as it came.
    const std::vector<std::string> events = TakeEvents();
    EXPECT_EQ(events.size(), 7u);
    for (const std::string& e : events) {
        EXPECT_EQ(e.rfind("Поток связи c ПУФ: ", 0), 0u) << e;
        EXPECT_EQ(e.find('\n'), std::string::npos) << e;
    }
    auto mentions = [&](const std::string& a, const std::string& b) {
        return std::count_if(events.begin(), events.end(), [&](const std::string& e) {
            return e.find(a) != std::string::npos && e.find(b) != std::string::npos;
        });
    };
    EXPECT_EQ(mentions("2024-05-01 12:00:00", "NOPE=2"), 1);
    EXPECT_EQ(mentions("2024-05-01 12:00:00", "RVF='abc'"), 1);
    EXPECT_EQ(mentions("2024-05-01 12:01:00", "drop table"), 1);
    EXPECT_EQ(mentions("2024-13-45 99:00:00", "не записана"), 1);
    EXPECT_EQ(mentions("вчера утром", "времени приёма") + mentions("вчера утром", "временем приёма"), 1);
    EXPECT_EQ(mentions("12:04:00 X", "перевод"), 1);
    // No request carried a line break.
    for (const pufsim::ReceivedLine& l : sim.Lines()) EXPECT_EQ(l.raw.find('\n'), std::string::npos) << l.raw;
}

}  // namespace
