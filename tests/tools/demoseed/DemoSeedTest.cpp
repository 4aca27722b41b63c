// The demo seeder against scratch databases: a first history within the simulators' ranges, a later run
// that fills only the time since and keeps the station's rows, the values the simulators take over,
// and the live rows of the jig machines, in-process and as the program scripts/demo starts.
#include "tools/demo-seed/DemoSeed.h"

#include "platform/sys/SysTestSupport.h"
#include "testlib/TestDb.h"
#include "testlib/Wait.h"
#include "tools/pufsim/PufSimProgram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <string>

using namespace demoseed;

namespace {

demoseed::Connection ConnectionTo(const testdb::ScratchDatabase& db) {
    const testdb::Coordinates c = testdb::Coords();
    demoseed::Connection out;
    out.host = c.host;
    out.port = c.port;
    out.user = c.user;
    out.password = c.password;
    out.database = db.Name();
    return out;
}

long long MinuteOf(const char* stamp) {
    long long m = 0;
    EXPECT_TRUE(ParseStamp(stamp, m)) << stamp;
    return m;
}

double Number(testdb::ScratchDatabase& db, const std::string& sql) { return std::stod(db.Scalar(sql).value_or("nan")); }

class DemoSeedTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_DB();
        scratch = std::make_unique<testdb::ScratchDatabase>();
        db = std::make_unique<Db>(ConnectionTo(*scratch));
    }
    long long Count(const std::string& table, const std::string& where = "") {
        return std::stoll(*scratch->Scalar("select count(*) from " + table + (where.empty() ? "" : " where " + where)));
    }
    std::unique_ptr<testdb::ScratchDatabase> scratch;
    std::unique_ptr<Db> db;
    Random random{7};
};

const char* const kMinuteTables[][2] = {{"pu1", "PostMoment"},        {"pu2", "PostMoment"},     {"puf_data", "RecMoment"},
                                       {"belt_386_2", "RecMoment"}, {"belt_401", "RecMoment"}, {"pug", "RecMoment"}};

}  // namespace

TEST_F(DemoSeedTest, AFirstHistoryFillsEveryTableWithinTheSimulatorsRanges) {
    SeedHistory(*db, MinuteOf("2024-05-01 10:00"), 2, random);
    for (const auto& [table, time] : kMinuteTables) {
        SCOPED_TRACE(table);
        EXPECT_EQ(Count(table), 2 * 1440);
        EXPECT_EQ(*scratch->Scalar(std::string("select min(") + time + ") from " + table), "2024-04-29 10:01:00");
        EXPECT_EQ(*scratch->Scalar(std::string("select max(") + time + ") from " + table), "2024-05-01 10:00:00");
        EXPECT_EQ(Count(std::string(table) == "puf_data" ? "puf_state" : std::string(table) + "_state"), 1);
    }
    EXPECT_GE(Count("pu1_log", "Message='Смена №1 принята'"), 2);
    EXPECT_GT(Count("puf_log"), 0);
    EXPECT_GT(Count("belt_log"), 0);
    EXPECT_EQ(Count("setup"), 10);
    EXPECT_EQ(Count("kalibr"), 52);

    // Flotation: while the section runs, its values move where the controller simulator moves them,
    // and the flows and set-points stay on the trend screen's scales.
    const std::string running = "puf_data where RVF >= 100";
    EXPECT_GT(Count("puf_data", "RVF >= 100"), 2 * 1440 * 9 / 10);
    EXPECT_GE(Number(*scratch, "select min(PLF) from " + running), 80);
    EXPECT_LE(Number(*scratch, "select max(PLF) from " + running), 160);
    EXPECT_GE(Number(*scratch, "select min(RVF) from " + running), 350);
    EXPECT_LE(Number(*scratch, "select max(RVF) from " + running), 550);
    EXPECT_GE(Number(*scratch, "select min(SOF) from " + running), 65);
    EXPECT_LE(Number(*scratch, "select max(SOF) from " + running), 80);
    EXPECT_LT(Number(*scratch, "select max(abs(RGF - PLF * RVF / 1000)) from " + running), 0.01);
    EXPECT_GE(Number(*scratch, "select min(ZRRS) from puf_data"), 1500);
    EXPECT_LE(Number(*scratch, "select max(TRRS) from puf_data"), 1200);
    EXPECT_LE(Number(*scratch, "select max(TRRP) from puf_data"), 60);
    // The simulator takes over a running section.
    EXPECT_GE(Number(*scratch, "select RVF from puf_data order by RecMoment desc limit 1"), 350);

    // Belts: the load varies about the Vision simulator's rate, the counter never goes back, and each
    // minute's mass is its rise.
    for (const auto& [table, rate] : {std::pair{"belt_386_2", kBeltRates[0]}, std::pair{"belt_401", kBeltRates[1]}}) {
        SCOPED_TRACE(table);
        const std::string t = table;
        EXPECT_GE(Number(*scratch, "select min(TNK) from " + t + " where BKK = 1"), rate * 0.7);
        EXPECT_LE(Number(*scratch, "select max(TNK) from " + t + " where BKK = 1"), rate * 1.3);
        EXPECT_GT(Number(*scratch, "select stddev(TNK) from " + t + " where BKK = 1"), rate * 0.01);
        EXPECT_EQ(Count("(select I_1T1 - lag(I_1T1) over (order by RecMoment) rise, G_1T1 from " + t + ") x",
                        "rise < 0 or abs(rise * 0.001 - G_1T1) > 0.0005"),
                  0);
    }
    EXPECT_LT(Number(*scratch, "select max(abs(RG2_GS - PL2_GS * RV2_GS / 1000)) from pug"), 0.001);
    EXPECT_GE(Number(*scratch, "select min(PL2_GS) from pug"), 1125);
    EXPECT_LE(Number(*scratch, "select max(PL2_GS) from pug"), 1375);
}

// What the trend screens show on their first scales (before an operator changes them): every seeded
// value lies on its scale, so no curve runs flat along a scale's edge.
TEST_F(DemoSeedTest, AFirstHistoryStaysWithinTheScreensDefaultScales) {
    SeedHistory(*db, MinuteOf("2024-05-01 10:00"), 2, random);
    const struct {
        const char *table, *column;
        double top;  // the default scale's top; every scale starts at 0
    } scales[] = {
        {"belt_386_2", "TNK", 401}, {"belt_401", "TNK", 401},     // belt loads
        {"pu1", "TPST_1", 401},     {"pu2", "TPST_3", 401},       // bed heights
        {"pu1", "TS_1", 101},       {"pu2", "KKP", 126},          // unloaders, oscillations
        {"puf_data", "RVF", 1001},  {"puf_data", "PLF", 300},     // flotation pulp
        {"puf_data", "TRRS", 1200}, {"puf_data", "TRRP", 60},     // reagent flows
        {"puf_data", "SOF", 101},   {"puf_data", "URS", 101},     // tailings ash, tank levels
    };
    for (const auto& s : scales) {
        SCOPED_TRACE(std::string(s.table) + "." + s.column);
        EXPECT_GE(Number(*scratch, std::string("select min(") + s.column + ") from " + s.table), 0);
        EXPECT_LT(Number(*scratch, std::string("select max(") + s.column + ") from " + s.table), s.top);
    }
}

TEST_F(DemoSeedTest, ALaterRunFillsOnlyTheTimeSinceAndKeepsTheStationsRows) {
    SeedHistory(*db, MinuteOf("2024-05-01 10:00"), 1, random);
    // What the station wrote while the demo ran: flotation records every ten seconds, a belt minute.
    scratch->Exec("insert into puf_data (RecMoment, PLF, RVF, RGF, ZRRS) values "
                  "('2024-05-01 10:00:10', 131.5, 420, 55.23, 3250), ('2024-05-01 10:00:20', 132, 421, 55.57, 3250)");
    const double counter = Number(*scratch, "select I_1T1 from belt_386_2 order by RecMoment desc limit 1");
    scratch->Exec("insert into belt_386_2 (RecMoment, BKK, TNK, I_1T1, G_1T1) values ('2024-05-01 10:01:00', 1, 262, " +
                  std::to_string(counter + 4000) + ", 4)");

    SeedHistory(*db, MinuteOf("2024-05-01 10:30"), 1, random);
    // Nothing the station wrote was touched, and no minute came twice.
    EXPECT_EQ(Number(*scratch, "select PLF from puf_data where RecMoment = '2024-05-01 10:00:20'"), 132);
    EXPECT_EQ(Number(*scratch, "select I_1T1 from belt_386_2 where RecMoment = '2024-05-01 10:01:00'"), counter + 4000);
    for (const auto& [table, time] : kMinuteTables) {
        SCOPED_TRACE(table);
        EXPECT_EQ(Count(table), Number(*scratch, std::string("select count(distinct ") + time + ") from " + table));
    }
    EXPECT_EQ(Count("pu1", "PostMoment > '2024-05-01 10:00:00'"), 30);
    EXPECT_EQ(Count("puf_data", "RecMoment > '2024-05-01 10:00:20'"), 30);
    EXPECT_EQ(Count("belt_386_2", "RecMoment > '2024-05-01 10:01:00'"), 29);
    EXPECT_EQ(Count("belt_401", "RecMoment > '2024-05-01 10:00:00'"), 30);

    // The new minutes go on from the newest row: the flows and set-points from the station's record,
    // the counter from the station's minute.
    EXPECT_NEAR(Number(*scratch, "select PLF from puf_data where RecMoment = '2024-05-01 10:01:00'"), 132, 10);
    EXPECT_NEAR(Number(*scratch, "select RVF from puf_data where RecMoment = '2024-05-01 10:01:00'"), 421, 30);
    EXPECT_EQ(Number(*scratch, "select ZRRS from puf_data where RecMoment = '2024-05-01 10:01:00'"), 3250);
    const double next = Number(*scratch, "select I_1T1 from belt_386_2 where RecMoment = '2024-05-01 10:02:00'");
    EXPECT_GE(next, counter + 4000);
    EXPECT_LE(next, counter + 4000 + 325.0 / 60 * 1000 + 1);
}

TEST_F(DemoSeedTest, TheSimulatorsStartWithTheNewestRowsValues) {
    SeedHistory(*db, MinuteOf("2024-05-01 10:00"), 1, random);
    const Handover h = ReadHandover(*db);

    // pufsim takes its line as it stands, and then holds the newest flotation row's values.
    ASSERT_EQ(h.pufsim.rfind("--state ", 0), 0u) << h.pufsim;
    pufsim::ProgramOptions options;
    std::string error;
    ASSERT_TRUE(pufsim::ParseOptions({"--pty", "--state", h.pufsim.substr(8)}, options, error)) << error;
    pufsim::PufSimulator sim;
    pufsim::Configure(sim, options);
    const std::vector<testdb::Row> newest = scratch->Query(
        "select PLF, RVF, RGF, TRRS, TRRP, SOF, URS, URP, ZRRS, ZRRP, DSF1, ALARMS from puf_data order by RecMoment desc limit 1");
    ASSERT_EQ(newest.size(), 1u);
    const char* const columns[] = {"PLF", "RVF", "RGF", "TRRS", "TRRP", "SOF", "URS", "URP", "ZRRS", "ZRRP", "DSF1", "ALARMS"};
    for (std::size_t i = 0; i < std::size(columns); ++i)
        EXPECT_NEAR(sim.Value(columns[i]), std::stod(*newest[0][i]), 1e-4) << columns[i];
    // Its live mode goes on from there without a jump: a minute later the values are still close.
    const double plf = sim.Value("PLF"), rvf = sim.Value("RVF");
    pufsim::LiveDriver live(sim, 0, 1);
    for (int s = 0; s < 60; ++s) live.Advance(1);
    EXPECT_NEAR(sim.Value("PLF"), plf, 15);
    EXPECT_NEAR(sim.Value("RVF"), rvf, 50);

    // visionsim's belt counters go on from the newest rows.
    const std::string counters =
        *scratch->Scalar("select concat(round((select I_1T1 from belt_386_2 order by RecMoment desc limit 1)), ',', "
                         "round((select I_1T1 from belt_401 order by RecMoment desc limit 1)))");
    EXPECT_EQ(h.visionsim, "--counters " + counters + " --belt-rate 250,300");

    // An empty database has nothing to hand over.
    testdb::ScratchDatabase empty;
    Db emptyDb(ConnectionTo(empty));
    const Handover none = ReadHandover(emptyDb);
    EXPECT_EQ(none.pufsim, "");
    EXPECT_EQ(none.visionsim, "");
}

TEST_F(DemoSeedTest, LiveTicksWriteAMinuteRowPerMachineAndStateRowsEveryFewSeconds) {
    SeedHistory(*db, MinuteOf("2024-05-01 06:58"), 1, random);
    const long long start = MinuteOf("2024-05-01 06:58") * 60 + 30;
    JigLive live(*db, random, 5);
    struct Step {
        int second;          // after 06:58:30
        const char* state;   // the state rows' moment afterwards
        long long rows;      // pu1's rows after 06:58
    } steps[] = {
        {0, "2024-05-01 06:58:30", 0},  {3, "2024-05-01 06:58:30", 0},  // not five seconds yet
        {5, "2024-05-01 06:58:35", 0},  {30, "2024-05-01 06:59:00", 1}, {62, "2024-05-01 06:59:32", 1},
        {101, "2024-05-01 07:00:11", 2}, {104, "2024-05-01 07:00:11", 2},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.second);
        live.Tick(start + s.second);
        for (const char* table : {"pu1", "pu2"}) {
            EXPECT_EQ(Count(std::string(table) + "_state"), 1);
            EXPECT_EQ(*scratch->Scalar(std::string("select PostMoment from ") + table + "_state"), s.state);
            EXPECT_EQ(Count(table, "PostMoment > '2024-05-01 06:58:00'"), s.rows);
        }
    }
    // The minute rows follow the history on; the day shift's log line came with 07:00.
    EXPECT_EQ(*scratch->Scalar("select max(PostMoment) from pu2"), "2024-05-01 07:00:00");
    EXPECT_EQ(Count("pu1_log", "PostMoment = '2024-05-01 07:00:00' and Message = 'Смена №1 принята'"), 1);
    EXPECT_EQ(Count("pu2_log", "PostMoment = '2024-05-01 07:00:00' and Message = 'Смена №1 принята'"), 1);
    EXPECT_NEAR(Number(*scratch, "select TPST_1 from pu1 where PostMoment = '2024-05-01 06:59:00'"),
                Number(*scratch, "select TPST_1 from pu1 where PostMoment = '2024-05-01 06:58:00'"), 25);
}

// As scripts/demo runs it: ready line, moving state rows, and a clean end on SIGTERM.
TEST_F(DemoSeedTest, TheLiveProgramAnnouncesItselfKeepsTheRowsMovingAndEndsOnSigterm) {
    const testdb::Coordinates c = testdb::Coords();
    systest::Child live({DEMO_SEED_PROGRAM, "--host", c.host, "--port", std::to_string(c.port), "--user", c.user,
                         "--password", c.password, "--database", scratch->Name(), "--live", "--state-seconds", "1"});
    ASSERT_TRUE(live.Started());
    EXPECT_EQ(live.ReadLine(60000).rfind("demo-seed: live", 0), 0u);
    // A fresh database starts with the current minute.
    EXPECT_GE(Count("pu1"), 1);
    const std::string first = scratch->Scalar("select PostMoment from pu1_state").value_or("");
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(testlib::WaitUntil([&] { return scratch->Scalar("select PostMoment from pu1_state").value_or("") > first; },
                                   60000));
    ASSERT_EQ(::kill(live.Pid(), SIGTERM), 0);
    EXPECT_EQ(live.ReadLine(60000), "demo-seed: stopped");
    EXPECT_EQ(live.Wait(60000), 0);
    // Both machines were always written together: nothing half-written.
    EXPECT_EQ(Count("pu1_state"), 1);
    EXPECT_EQ(Count("pu2_state"), 1);
    EXPECT_EQ(Count("pu1"), Count("pu2"));
    EXPECT_EQ(Count("pu1", "RAB is null or TPST_1 is null or NRAB is null"), 0);
}
