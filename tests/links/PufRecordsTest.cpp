// What the flotation controller offers that can never be stored, end to end against the simulated
// controller and a scratch database: such records and log entries are settled once (stored as far as
// they can be, acknowledged, reported) and never stop the good ones behind them. The checks themselves
// are tested on their own in PufRecordChecksTest.cpp.
#include "links/PufThread.h"

#include "PufStation.h"

#include <gtest/gtest.h>

using namespace puftest;

namespace {

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
