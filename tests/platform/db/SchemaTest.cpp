// Every statement the program runs must be accepted by the schema: the texts below are those of the
// screens, the status timer and the link threads, with their run-time values filled in.
#include "db/SqlConnection.h"
#include "testlib/TestDb.h"

#include <gtest/gtest.h>

namespace {

struct Stmt {
    const char* what;
    const char* sql;
};

const Stmt kStatements[] = {
    // State timer and main window
    {"jig state", "select * from pu1_state"},
    {"jig state 2", "select * from pu2_state"},
    {"newest jig row", "select max(PostMoment) MaxTime from pu1"},
    {"newest jig row 2", "select max(PostMoment) MaxTime from pu2"},
    {"last jig row", "select * from pu1 where PostMoment= '2010-03-15 07:00:00'"},
    {"flotation state", "select * from puf_state"},
    {"newest flotation row", "select max(RecMoment) MaxTime from puf_data"},
    {"last flotation row", "select * from puf_data where RecMoment= '2010-03-15 07:00:00'"},
    {"hydrosizer state", "select * from pug_state"},
    {"server clock", "select Now() as CurTime"},
    {"LAN belt newest", "select max(RecMoment) as max_time from belt_386_2"},
    {"LAN belt row", "select * from belt_401 where RecMoment='2010-03-15 07:00:00'"},
    // Settings dialog
    {"constants", "select * from setup order by ConstName"},
    {"constant update", "update setup set ConstVal = 1.5 where ConstName = 'K'"},
    {"calibration", "select * from kalibr order by PultIndex,SignalName,AVal"},
    {"calibration insert", "insert into kalibr (PultIndex, SignalName, AVal, FVal) values (2, 'TS_3 ', 4095, 100)"},
    // PUF thread
    {"puf state count", "select count(*) as Rez from puf_state"},
    {"puf state row", "insert into puf_state (RecMoment) VALUES( Now() )"},
    {"puf log", "INSERT INTO puf_log (PostMoment, Message)\r\nVALUES ('2010-05-12 10:00:00', 'Насос 1 включен' )"},
    {"puf state update",
     "UPDATE puf_state\r\nSET RecMoment='2010-05-12 10:00:00',PLF=1.5,RVF=2,RGF=3,TRRS=4,TRRP=5,SOF=6,URS=7,URP=8,ZRRS=9,"
     "ZRRP=10,F1AS=1,F1RS=0,F1AP=0.5,F1RP=0,DSF1=1,DPF1=1,ALARMP=0,ALARMS=0"},
    {"puf data key", "select count(*) as Rez from puf_data where RecMoment='2010-05-12 10:00:00'"},
    {"puf data update", "UPDATE puf_data SET RecMoment='2010-05-12 10:00:00',PLF=1.5\r\nWHERE RecMoment='2010-05-12 10:00:00'"},
    {"puf data insert", "INSERT into puf_data\r\n (RecMoment, PLF ) VALUES ( '2010-05-12 10:00:00', 1.5 ) "},
    {"puf data insert flags",
     "INSERT into puf_data\r\n (RecMoment, F1AS, F1RS, F1AP, F1RP, DSF1, DPF1, ALARMP, ALARMS ) VALUES ( '2010-05-12 10:01:00', 1, 0, 1, 0, 1, 1, 0, 0 ) "},
    // Vision thread and tare dialog
    {"belt state count", "select count(*) Rez from belt_386_2_state"},
    {"belt state row", "insert into belt_401_state (RecMoment) VALUES( Now() )"},
    {"belt restore", "select * from belt_386_2 order by RecMoment DESC LIMIT 0, 2"},
    {"belt state update", "UPDATE belt_386_2_state  SET BKK=1, I_1T1=1000250, TNK=250.5, G_1T1=0.48, RecMoment=Now()"},
    {"belt minute update", "UPDATE belt_401 SET BKK=1, I_1T1=1000730, TNK=250.5, G_1T1=0.48 where RecMoment='2010-05-12 10:01:00'"},
    {"belt minute insert",
     "INSERT into belt_386_2 (RecMoment, BKK, TNK, I_1T1, G_1T1) VALUES( '2010-05-12 10:01:00', 1, 250.5, 1000730, 0.48)"},
    {"hydrosizer state count", "select count(*) Rez from pug_state"},
    {"hydrosizer state row", "insert into pug_state (RecMoment) VALUES( Now() )"},
    {"hydrosizer state update",
     "UPDATE pug_state SET RecMoment=Now(), PL2_GS=1250, RV2_GS=400, PL3_GS=300, TRTW_GS=50, RG2_GS=500"},
    {"hydrosizer minute update",
     "UPDATE pug SET PL2_GS=1250, RV2_GS=400, PL3_GS=300, TRTW_GS=50, RG2_GS=500 where RecMoment='2010-05-12 10:01:00'"},
    {"hydrosizer minute insert",
     "INSERT into pug (RecMoment, PL2_GS, RV2_GS, PL3_GS, TRTW_GS, RG2_GS) VALUES ( '2010-05-12 10:01:00', 1250, 400, 300, 50, 500)"},
    {"belt journal", "insert into belt_log (PostMoment, Message) values( Now(), 'Начало измерения веса ленты.')"},
    // Graph screens
    {"bed height graph",
     "select * from pu1 where PostMoment >= '2010-03-15 07:00:00' and PostMoment <= '2010-03-15 18:59:59' order by PostMoment"},
    {"water-air graph",
     "select * from pu2  where PostMoment >= '2010-03-15 07:00:00' and PostMoment <= '2010-03-16 06:59:59' order by PostMoment"},
    {"flotation graph",
     "select * from puf_data where RecMoment >= '2010-03-15 19:00:00' and RecMoment <= '2010-03-16 06:59:59' order by RecMoment"},
    {"belt graph",
     "select * from belt_401 where RecMoment >= '2010-03-15 07:00:00' and RecMoment <= '2010-03-15 18:59:59' order by RecMoment"},
    {"hydrosizer graph",
     "select * from pug  where RecMoment >= '2010-03-15 07:00:00' and RecMoment <= '2010-03-15 18:59:59' order by RecMoment"},
    // Table screens
    {"work time", "select sum(RAB) Rez from pu1\n\r where PostMoment >= '2010-03-15 07:00:00' and PostMoment <= '2010-03-15 18:59:59'"},
    {"fed time", "select sum(NRAB) Rez from pu2\n\r where PostMoment >= '2010-03-01 07:00:00' and PostMoment <= '2010-03-16 06:59:59'"},
    {"flotation totals",
     "select \r\nsum(RVF)/60 as VF, sum(RGF)/60 as GF, \r\nsum(TRRS)/60 as VRRS, sum(TRRP)/60 as VRRP \r\nfrom puf_data \r\n"
     "where RecMoment >= '2010-03-15 07:00:00' and RecMoment <= '2010-03-15 18:59:59'"},
    {"belt totals",
     "select 0 as Ix, Round( sum(G_1T1), 2 ) as G_T\n\rfrom belt_386_2\n\r where RecMoment >= '2010-03-15 07:00:00' and "
     "RecMoment <= '2010-03-15 18:59:59' union select 1 as Ix, Round(sum(G_1T1), 2) as G_T\n\r from belt_401\n\r where "
     "RecMoment >= '2010-03-15 07:00:00' and RecMoment <= '2010-03-15 18:59:59' order by Ix"},
    {"jig totals", "select round(sum(RAB),2) as Rez, round(sum(NRAB),2) as Rez2 from pu1 where PostMoment >= "
                   "'2010-03-15 07:00:00' and PostMoment <= '2010-03-15 18:59:59'"},
    {"hydrosizer totals",
     "select sum(RV1_GS) as In_RV, sum(RG1_GS) as In_GS,  sum(RV2_GS) as Out_RV, sum(RG2_GS) as Out_GS from pug where "
     "RecMoment >= '2010-03-15 07:00:00' and RecMoment <= '2010-03-15 18:59:59'"},
    // Journals
    {"journal newest", "select max(PostMoment) Rez from pu1_log"},
    {"journal newest 2", "select max(PostMoment) Rez from pu2_log"},
    {"journal newest puf", "select max(PostMoment) Rez from puf_log"},
    {"journal newest belt", "select max(PostMoment) Rez from belt_log"},
    {"jig journal",
     "select * from pu2_log\r\n where PostMoment >= '2010-03-15 07:00:00' and PostMoment <= '2010-03-15 18:59:59' order by PostMoment"},
    {"puf journal",
     "select * from puf_log\r\n where PostMoment >= '2010-03-15 07:00:00' and PostMoment <= '2010-03-16 06:59:59' order by PostMoment"},
    {"belt journal list",
     "select * from belt_log\r\n where PostMoment >= '2010-03-15 19:00:00' and PostMoment <= '2010-03-16 06:59:59' order by PostMoment"},
    // Database browser
    {"browser jig",
     "select * from pu1 where PostMoment >= '2010-03-15 00:00:00' and PostMoment <= '2010-03-15 23:59:59' ORDER BY PostMoment"},
    {"browser belt",
     "select * from belt_386_2 where RecMoment >= '2010-03-15 00:00:00' and RecMoment <= '2010-03-15 23:59:59' ORDER BY RecMoment"},
};

class SchemaStatementTest : public ::testing::TestWithParam<Stmt> {};

TEST_P(SchemaStatementTest, Runs) {
    REQUIRE_TEST_DB();
    testdb::ScratchDatabase db;
    TSQLConnection conn(nullptr);
    conn.Params()->SetValue("HostName", testdb::HostWithPort());
    conn.Params()->SetValue("Database", db.Name());
    conn.Params()->SetValue("User_Name", testdb::Coords().user);
    conn.Params()->SetValue("Password", testdb::Coords().password);
    // A statement that updates a minute row finds one, as it would at the plant.
    db.Exec("insert into belt_401 (RecMoment) values ('2010-05-12 10:01:00');"
            "insert into pug (RecMoment) values ('2010-05-12 10:01:00');"
            "insert into puf_state (RecMoment) values ('2010-05-12 09:00:00')");
    EXPECT_NO_THROW(conn.Execute(GetParam().sql, {})) << GetParam().sql;
}

INSTANTIATE_TEST_SUITE_P(Program, SchemaStatementTest, ::testing::ValuesIn(kStatements),
                         [](const ::testing::TestParamInfo<Stmt>& i) {
                             std::string n;
                             for (const char* p = i.param.what; *p; ++p) n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return n;
                         });

// Each row model holds what its writer stores: a whole record of the controller, the flags as reals in
// the state row, every time column indexed.
TEST(Schema, TypesAsTheProgramReadsThem) {
    REQUIRE_TEST_DB();
    testdb::ScratchDatabase db;
    auto type = [&](const char* table, const char* col) {
        return db.Scalar(std::string("select DATA_TYPE from information_schema.COLUMNS where TABLE_SCHEMA = database() "
                                     "and TABLE_NAME = '") + table + "' and COLUMN_NAME = '" + col + "'").value_or("missing");
    };
    // The state timer rounds the flags itself, so the state row keeps what the controller sent.
    EXPECT_EQ(type("puf_state", "F1AS"), "double");
    // Every time column is the first column of an index.
    auto unindexed = db.Query(
        "select c.TABLE_NAME, c.COLUMN_NAME from information_schema.COLUMNS c where c.TABLE_SCHEMA = database() and "
        "c.DATA_TYPE = 'datetime' and not exists (select 1 from information_schema.STATISTICS s where s.TABLE_SCHEMA = "
        "c.TABLE_SCHEMA and s.TABLE_NAME = c.TABLE_NAME and s.COLUMN_NAME = c.COLUMN_NAME and s.SEQ_IN_INDEX = 1)");
    EXPECT_TRUE(unindexed.empty()) << *unindexed[0][0] << "." << *unindexed[0][1];
    // Only keys and time columns of history rows are NOT NULL.
    auto notNull = db.Query(
        "select concat(TABLE_NAME, '.', COLUMN_NAME) from information_schema.COLUMNS where TABLE_SCHEMA = database() and "
        "IS_NULLABLE = 'NO' order by 1");
    std::vector<std::string> got;
    for (auto& r : notNull) got.push_back(*r[0]);
    std::vector<std::string> want = {"belt_386_2.RecMoment", "belt_401.RecMoment", "belt_log.PostMoment", "kalibr.AVal",
                                     "kalibr.FVal",         "kalibr.PultIndex",   "kalibr.SignalName",   "pu1.PostMoment",
                                     "pu1_log.PostMoment",  "pu2.PostMoment",     "pu2_log.PostMoment",  "puf_data.RecMoment",
                                     "puf_log.PostMoment",  "pug.RecMoment",      "setup.ConstName"};
    EXPECT_EQ(got, want);
}

}  // namespace
