// The history schema (db/schema.sql) against what the program reads and writes: every table and
// column of the process database, and every status query of the main window opening on it.
#include "AppTestSupport.h"

#include "app/Config.h"
#include "app/Main.h"
#include "db/SqlConnection.h"
#include "testlib/TestDb.h"

#include <gtest/gtest.h>

namespace {

TEST(Schema, HoldsEveryTableAndColumnOfTheProcessDatabase) {
    REQUIRE_TEST_DB();
    testdb::ScratchDatabase db;
    const testdb::Coordinates c = testdb::Coords();
    TSQLConnection conn(nullptr);
    conn.Params()->Add("HostName=" + testdb::HostWithPort());
    conn.Params()->Add("User_Name=" + c.user);
    conn.Params()->Add("Password=" + c.password);
    conn.Params()->Add("Database=" + db.Name());

    const std::string pu = "PostMoment TPST_1 TPST_2 TPST_3 ZPST_1 ZPST_2 ZPST_3 TIN TOUT TPAUSA KKP TS_1 TS_2 TS_3 RAB NRAB";
    const std::string puf = "RecMoment PLF RVF RGF TRRS TRRP SOF URS URP ZRRS ZRRP F1AS F1RS F1AP F1RP DSF1 DPF1 ALARMP ALARMS";
    const std::string belt = "RecMoment BKK TNK I_1T1 G_1T1 KP CLK W_COUNT";
    const std::string beltState = "RecMoment BKK I_1T1 TNK G_1T1";
    const std::string pug = "RecMoment PL2_GS RV2_GS PL3_GS TRTW_GS RG2_GS PL1_GS RV1_GS RG1_GS";
    const struct {
        const char* table;
        std::string columns;
    } tables[] = {
        {"pu1", pu}, {"pu2", pu}, {"pu1_state", "PostMoment NRAB"}, {"pu2_state", "PostMoment NRAB"},
        {"pu1_log", "PostMoment Message"}, {"pu2_log", "PostMoment Message"},
        {"puf_data", puf}, {"puf_state", puf}, {"puf_log", "PostMoment Message"},
        {"belt_386_2", belt}, {"belt_401", belt}, {"belt_386_2_state", beltState}, {"belt_401_state", beltState},
        {"belt_log", "PostMoment Message"}, {"pug", pug}, {"pug_state", pug},
        {"setup", "ConstName ConstVal Comment"}, {"kalibr", "PultIndex SignalName AVal FVal"},
    };
    for (const auto& t : tables) {
        const std::vector<AnsiString> have = TableColumns(&conn, t.table);
        std::istringstream want(t.columns);
        for (std::string col; want >> col;)
            EXPECT_TRUE(IsTableColumn(have, col)) << t.table << "." << col;
    }
}

class StatusQueriesTest : public apptest::MainWindowTest {};

TEST_F(StatusQueriesTest, OpenOnTheSchemaWithTheirPersistentFields) {
    REQUIRE_TEST_DB();
    testdb::ScratchDatabase db;
    testlib::ConnectToScratch(form, db, form->SQLConnectionUser);
    db.Exec("insert into pu1 (PostMoment, TPST_1, TIN, TS_2, NRAB) values ('2010-03-15 07:00:00', 41.6, 12.25, 87, 1)");

    for (TSQLQuery* q : {form->SQLQueryPu1State, form->SQLQueryPu2State, form->SQLQueryMaxTimePu1, form->SQLQueryMaxTimePu2,
                         form->SQLQueryPufState, form->SQLQueryMaxTimePuf, form->SQLQueryPugState}) {
        EXPECT_NO_THROW(q->Open()) << q->Name();
        q->Close();
    }
    for (TSQLQuery* q : {form->SQLQueryLastPu1, form->SQLQueryLastPu2, form->SQLQueryLastPuf}) {
        q->ParamByName("MaxTime")->SetAsString("2010-03-15 07:00:00");
        EXPECT_NO_THROW(q->Open()) << q->Name();
    }
    // The newest row of machine 1 shows through its display formats.
    ASSERT_EQ(form->SQLQueryLastPu1->RecordCount(), 1);
    EXPECT_EQ(form->SQLQueryLastPu1->FieldByName("TPST_1")->DisplayText(), "42");
    // The blank inside "# ##0.0 %" is written whatever the number of digits.
    EXPECT_EQ(form->SQLQueryLastPu1->FieldByName("TIN")->DisplayText(), " 12,3 %");
    EXPECT_EQ(form->SQLQueryLastPu1->FieldByName("TS_2")->DisplayText(), "87%");
    EXPECT_EQ(form->SQLQueryLastPu1->FieldByName("PostMoment")->AsDateTime(), EncodeDateTime(2010, 3, 15, 7, 0, 0, 0));
    EXPECT_EQ(form->SQLQueryLastPu2->RecordCount(), 0);
}

}  // namespace
