// Client datasets over the settings tables: cached rows, a change log, changes written back by key.
#include "testlib/DbFixture.h"

#include "data/DBClient.h"
#include "db/Provider.h"
#include "db/SqlExpr.h"

namespace {

// The settings dialog's arrangement: SQL dataset -> provider -> client dataset.
using Cached = CachedDataSet;

class ProviderTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        db->Exec("insert into setup (ConstName, ConstVal, Comment) values ('K1', 1.5, 'first'), ('K2', 2.5, 'second');"
                 "insert into kalibr values (1, 'TIN', 0, 0), (1, 'TIN', 4095, 100), (2, 'TS_3 ', 4095, 99)");
    }
    std::string calibration() {
        std::string s;
        for (auto& r : db->Query("select PultIndex, SignalName, AVal, FVal from kalibr order by PultIndex, SignalName, AVal"))
            s += *r[0] + "/" + *r[1] + "/" + *r[2] + "=" + *r[3] + ";";
        return s;
    }
};

TEST_F(ProviderTest, EditPostApplyWritesTheRow) {
    Cached c(conn.get(), "select * from setup order by ConstName");
    c.cds.Open();
    ASSERT_EQ(c.cds.RecordCount(), 2);
    ASSERT_TRUE(c.cds.Locate("ConstName", Variant("K2")));
    c.cds.Edit();
    c.cds.FieldByName("ConstVal")->SetAsFloat(3.75);
    c.cds.Post();
    EXPECT_EQ(c.cds.ChangeCount(), 1);
    EXPECT_EQ(db->Scalar("select ConstVal from setup where ConstName = 'K2'"), "2.5");  // cached until applied
    EXPECT_EQ(c.cds.ApplyUpdates(0), 0);
    EXPECT_EQ(c.cds.ChangeCount(), 0);
    EXPECT_EQ(db->Scalar("select ConstVal from setup where ConstName = 'K2'"), "3.75");
    EXPECT_EQ(db->Scalar("select Comment from setup where ConstName = 'K2'"), "second");
}

TEST_F(ProviderTest, CalibrationAddDeleteSaveAndCancel) {
    Cached c(conn.get(), "select * from kalibr order by PultIndex,SignalName,AVal");
    c.cds.Open();
    const std::string before = calibration();

    // Added and deleted rows stay in the dataset only, until saved.
    c.cds.Append();
    c.cds.FieldByName("PultIndex")->SetAsInteger(2);
    c.cds.FieldByName("SignalName")->SetAsString("TS_3 ");
    c.cds.FieldByName("AVal")->SetAsFloat(2048);
    c.cds.FieldByName("FVal")->SetAsFloat(50.5);
    c.cds.Post();
    ASSERT_TRUE(c.cds.Locate("PultIndex;SignalName;AVal", VarArrayOf({1, "TIN", 0})));
    c.cds.Delete();
    EXPECT_EQ(c.cds.ChangeCount(), 2);
    EXPECT_EQ(calibration(), before);

    // Cancel: every pending change goes, the rows are those of the table.
    c.cds.CancelUpdates();
    c.cds.Refresh();
    EXPECT_EQ(c.cds.ChangeCount(), 0);
    EXPECT_EQ(c.cds.RecordCount(), 3);
    EXPECT_EQ(calibration(), before);

    // Save: the insert and the delete reach the table.
    c.cds.Append();
    c.cds.FieldByName("PultIndex")->SetAsInteger(2);
    c.cds.FieldByName("SignalName")->SetAsString("TS_3 ");
    c.cds.FieldByName("AVal")->SetAsFloat(2048);
    c.cds.FieldByName("FVal")->SetAsFloat(50.5);
    c.cds.Post();
    ASSERT_TRUE(c.cds.Locate("PultIndex;SignalName;AVal", VarArrayOf({1, "TIN", 0})));
    c.cds.Delete();
    EXPECT_EQ(c.cds.ApplyUpdates(0), 0);
    EXPECT_EQ(calibration(), "1/TIN/4095=100;2/TS_3 /2048=50.5;2/TS_3 /4095=99;");
}

// A row changed by key: the key's original values find it, even when the key itself is edited.
TEST_F(ProviderTest, KeyEditFindsTheRowByItsOriginalKey) {
    Cached c(conn.get(), "select * from kalibr order by PultIndex,SignalName,AVal");
    c.cds.Open();
    ASSERT_TRUE(c.cds.Locate("PultIndex;SignalName;AVal", VarArrayOf({1, "TIN", 4095})));
    c.cds.Edit();
    c.cds.FieldByName("AVal")->SetAsFloat(4000);
    c.cds.FieldByName("FVal")->SetAsFloat(97.6);
    c.cds.Post();
    EXPECT_EQ(c.cds.ApplyUpdates(0), 0);
    EXPECT_EQ(calibration(), "1/TIN/0=0;1/TIN/4000=97.6;2/TS_3 /4095=99;");
}

// Another station changed or removed the row meanwhile: the apply reports it and keeps the change.
TEST_F(ProviderTest, ConcurrentChangeIsReportedNotLost) {
    Cached c(conn.get(), "select * from kalibr order by PultIndex,SignalName,AVal");
    c.cds.Open();
    ASSERT_TRUE(c.cds.Locate("PultIndex;SignalName;AVal", VarArrayOf({1, "TIN", 4095})));
    c.cds.Edit();
    c.cds.FieldByName("FVal")->SetAsFloat(101);
    c.cds.Post();

    auto other = NewConnection();
    other->ExecuteDirect("update kalibr set AVal = 4094 where PultIndex = 1 and SignalName = 'TIN' and AVal = 4095");
    try {
        c.cds.ApplyUpdates(0);
        FAIL() << "the change was applied to a row that is gone";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message().Pos("changed by another user"), 0) << e.Message();
    }
    EXPECT_EQ(c.cds.ChangeCount(), 1);
    ASSERT_EQ(c.cds.UpdateErrors().size(), 1u);
    EXPECT_EQ(calibration(), "1/TIN/0=0;1/TIN/4094=100;2/TS_3 /4095=99;");

    // The other station sets the row back: the same change now goes through.
    other->ExecuteDirect("update kalibr set AVal = 4095 where PultIndex = 1 and SignalName = 'TIN' and AVal = 4094");
    EXPECT_EQ(c.cds.ApplyUpdates(0), 0);
    EXPECT_EQ(c.cds.ChangeCount(), 0);
    EXPECT_EQ(calibration(), "1/TIN/0=0;1/TIN/4095=101;2/TS_3 /4095=99;");
}

// Another station wrote the very value this one saves: the row is found all the same.
TEST_F(ProviderTest, SameValueWrittenElsewhereStillApplies) {
    Cached c(conn.get(), "select * from setup order by ConstName");
    c.cds.Open();
    ASSERT_TRUE(c.cds.Locate("ConstName", Variant("K1")));
    c.cds.Edit();
    c.cds.FieldByName("ConstVal")->SetAsFloat(9);
    c.cds.Post();
    NewConnection()->ExecuteDirect("update setup set ConstVal = 9 where ConstName = 'K1'");
    EXPECT_EQ(c.cds.ApplyUpdates(0), 0);
    EXPECT_EQ(c.cds.ChangeCount(), 0);
}

// With no error allowed the first failure undoes the whole apply; with no limit the good rows stay.
TEST_F(ProviderTest, ErrorLimitDecidesWhatIsKept) {
    for (int maxErrors : {0, -1}) {
        SCOPED_TRACE(maxErrors);
        db->Exec("delete from setup; insert into setup (ConstName, ConstVal) values ('K1', 1.5), ('K2', 2.5)");
        Cached c(conn.get(), "select * from setup order by ConstName");
        c.cds.Open();
        c.cds.First();
        c.cds.Edit();
        c.cds.FieldByName("ConstVal")->SetAsFloat(10);
        c.cds.Post();
        c.cds.Next();
        c.cds.Edit();
        c.cds.FieldByName("ConstVal")->SetAsFloat(20);
        c.cds.Post();
        NewConnection()->ExecuteDirect("delete from setup where ConstName = 'K2'");
        EXPECT_THROW(c.cds.ApplyUpdates(maxErrors), EDatabaseError);
        if (maxErrors == 0) {
            EXPECT_EQ(c.cds.ChangeCount(), 2);
            EXPECT_EQ(db->Scalar("select ConstVal from setup where ConstName = 'K1'"), "1.5");
        } else {
            EXPECT_EQ(c.cds.ChangeCount(), 1);
            EXPECT_EQ(db->Scalar("select ConstVal from setup where ConstName = 'K1'"), "10");
        }
    }
}

// A table without a key: the row is found by all its values, and two identical rows are refused
// rather than both changed.
TEST_F(ProviderTest, KeylessTableMatchesAllValues) {
    db->Exec("insert into puf_log values ('2010-03-15 07:00:00', 'same'), ('2010-03-15 07:00:00', 'same'), "
             "('2010-03-15 07:01:00', 'other')");
    Cached c(conn.get(), "select * from puf_log order by PostMoment, Message");
    c.cds.Open();
    c.cds.Last();
    c.cds.Edit();
    c.cds.FieldByName("Message")->SetAsString("changed");
    c.cds.Post();
    EXPECT_EQ(c.cds.ApplyUpdates(0), 0);
    EXPECT_EQ(db->Scalar("select Message from puf_log where PostMoment = '2010-03-15 07:01:00'"), "changed");

    c.cds.First();
    c.cds.Delete();
    EXPECT_THROW(c.cds.ApplyUpdates(0), EDatabaseError);
    EXPECT_EQ(db->Count("puf_log"), 3);
    EXPECT_EQ(c.cds.ChangeCount(), 1);
}

TEST_F(ProviderTest, ServerRefusalKeepsTheChange) {
    Cached c(conn.get(), "select * from setup order by ConstName");
    c.cds.Open();
    c.cds.Append();
    c.cds.FieldByName("ConstName")->SetAsString("K1");  // the key exists already
    c.cds.FieldByName("ConstVal")->SetAsFloat(5);
    c.cds.Post();
    try {
        c.cds.ApplyUpdates(0);
        FAIL() << "a duplicate key was accepted";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message().Pos("Duplicate entry"), 0) << e.Message();
    }
    EXPECT_EQ(c.cds.ChangeCount(), 1);
    ASSERT_EQ(c.cds.UpdateErrors().size(), 1u);
    EXPECT_EQ(c.cds.UpdateErrors()[0].ErrorCode, 1062);
    EXPECT_EQ(db->Scalar("select ConstVal from setup where ConstName = 'K1'"), "1.5");
}

TEST_F(ProviderTest, ComputedOrJoinedResultsCannotBeResolved) {
    Cached c(conn.get(), "select max(ConstVal) as M from setup");
    c.cds.Open();
    c.cds.Edit();
    c.cds.FieldByName("M")->SetAsFloat(1);
    c.cds.Post();
    EXPECT_THROW(c.cds.ApplyUpdates(0), EDatabaseError);
    EXPECT_EQ(c.cds.ChangeCount(), 1);
}

}  // namespace

namespace {

// Rows inserted and applied, then an older row edited and applied: both reach the table.
TEST_F(ProviderTest, AnEditAfterAnAppliedInsertIsWrittenToo) {
    Cached c(conn.get(), "select * from setup order by ConstName");
    c.cds.Open();
    c.cds.Append();
    c.cds.FieldByName("ConstName")->SetAsString("K3");
    c.cds.FieldByName("ConstVal")->SetAsFloat(7);
    c.cds.Post();
    EXPECT_EQ(c.cds.ApplyUpdates(0), 0);
    EXPECT_EQ(db->Scalar("select ConstVal from setup where ConstName = 'K3'"), "7");
    ASSERT_TRUE(c.cds.Locate("ConstName", Variant("K1")));
    c.cds.Edit();
    c.cds.FieldByName("ConstVal")->SetAsFloat(9.25);
    c.cds.Post();
    EXPECT_EQ(c.cds.ChangeCount(), 1);
    EXPECT_EQ(c.cds.ApplyUpdates(0), 0);
    EXPECT_EQ(c.cds.ChangeCount(), 0);
    EXPECT_EQ(db->Scalar("select ConstVal from setup where ConstName = 'K1'"), "9.25");
    // and the inserted row itself, edited after its apply
    ASSERT_TRUE(c.cds.Locate("ConstName", Variant("K3")));
    c.cds.Edit();
    c.cds.FieldByName("ConstVal")->SetAsFloat(8);
    c.cds.Post();
    EXPECT_EQ(c.cds.ApplyUpdates(0), 0);
    EXPECT_EQ(db->Scalar("select ConstVal from setup where ConstName = 'K3'"), "8");
}

}  // namespace
