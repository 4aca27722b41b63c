#include "testlib/DbFixture.h"

#include "db/SqlClientDataSet.h"
#include "db/SqlExpr.h"
#include "rtl/DateUtils.h"

namespace {

class QueryTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        q = std::make_unique<TSQLQuery>(nullptr);
        q->SetSQLConnection(conn.get());
    }
    void Open(const char* sql) {
        q->Close();
        q->SQL()->SetText(sql);
        q->Open();
    }
    std::unique_ptr<TSQLQuery> q;
};

// ---- Date-times ------------------------------------------------------------------------------------

// Shift boundaries go in as parameters and come back as the same TDateTime; the server sees the same
// wall-clock text the history queries compare with.
TEST_F(QueryTest, DateTimesRoundTripAtShiftBoundaries) {
    struct Moment {
        int y, mo, d, h, mi, s;
        const char* text;
    } moments[] = {
        {2010, 3, 15, 7, 0, 0, "2010-03-15 07:00:00"},   {2010, 3, 15, 18, 59, 59, "2010-03-15 18:59:59"},
        {2010, 3, 15, 19, 0, 0, "2010-03-15 19:00:00"},  {2010, 3, 16, 6, 59, 59, "2010-03-16 06:59:59"},
        {2010, 3, 16, 0, 0, 0, "2010-03-16 00:00:00"},   {2010, 3, 15, 23, 59, 59, "2010-03-15 23:59:59"},
        {2012, 2, 29, 19, 0, 0, "2012-02-29 19:00:00"},  {1899, 12, 30, 7, 0, 0, "1899-12-30 07:00:00"},
    };
    TSQLQuery ins(nullptr);
    ins.SetSQLConnection(conn.get());
    ins.SQL()->SetText("insert into pu1 (PostMoment, RAB) values (:T, :N)");
    int n = 0;
    for (const Moment& m : moments) {
        TDateTime t = EncodeDateTime(m.y, m.mo, m.d, m.h, m.mi, m.s, 0);
        ins.ParamByName("T")->SetAsDateTime(t);
        ins.ParamByName("N")->SetAsInteger(n++);
        ASSERT_EQ(ins.ExecSQL(), 1);
    }
    // Arithmetic on TDateTime lands a hair beside the second; it still stores that second.
    ins.ParamByName("T")->SetAsDateTime(EncodeDate(2010, 3, 17) + 19.0 / 24 - 1e-10);
    ins.ParamByName("N")->SetAsInteger(100);
    ins.ExecSQL();
    EXPECT_EQ(db->Scalar("select PostMoment from pu1 where RAB = 100"), "2010-03-17 19:00:00");

    Open("select * from pu1 where RAB < 100 order by RAB");
    ASSERT_EQ(q->RecordCount(), static_cast<int>(std::size(moments)));
    for (const Moment& m : moments) {
        EXPECT_EQ(q->FieldByName("PostMoment")->AsDateTime(), EncodeDateTime(m.y, m.mo, m.d, m.h, m.mi, m.s, 0)) << m.text;
        EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", q->FieldByName("PostMoment")->AsDateTime()), m.text);
        EXPECT_EQ(db->Scalar("select RAB from pu1 where PostMoment = '" + std::string(m.text) + "'"),
                  std::to_string(q->FieldByName("RAB")->AsInteger()));
        q->Next();
    }
}

// The state timer passes the newest time as text; the parser must leave the literal colons alone.
TEST_F(QueryTest, TextParameterBesideTimeLiterals) {
    db->Exec("insert into pu1 (PostMoment, TPST_1) values ('2010-03-15 10:00:00', 1), ('2010-03-15 10:01:00', 2), "
             "('2010-03-15 10:02:00', 3)");
    q->SQL()->SetText("select * from pu1 where PostMoment >= '2010-03-15 10:00:00' -- since 10:00:00\n"
                      "and PostMoment= :MaxTime /* :NotAParam */");
    ASSERT_EQ(q->Params()->Count(), 1);
    q->ParamByName("MaxTime")->SetAsString("2010-03-15 10:01:00");
    q->Open();
    ASSERT_EQ(q->RecordCount(), 1);
    EXPECT_EQ(q->FieldByName("TPST_1")->AsFloat(), 2.0);

    // Changing the text closes the query and keeps the values of the parameters that stay.
    q->SQL()->SetText("select * from pu1 where PostMoment > :MaxTime order by PostMoment");
    EXPECT_FALSE(q->Active());
    q->Open();
    ASSERT_EQ(q->RecordCount(), 1);
    EXPECT_EQ(q->FieldByName("TPST_1")->AsFloat(), 3.0);
    // Refresh runs the statement again: it sees the new row.
    db->Exec("insert into pu1 (PostMoment, TPST_1) values ('2010-03-15 10:03:00', 4)");
    q->Refresh();
    EXPECT_EQ(q->RecordCount(), 2);
}

TEST_F(QueryTest, ParameterValuesNeverBecomeSql) {
    db->Exec("insert into setup (ConstName, ConstVal) values ('A', 1), ('B', 2)");
    q->SQL()->SetText("select * from setup where ConstName = :Name");
    q->ParamByName("Name")->SetAsString("A' or '1'='1");
    q->Open();
    EXPECT_TRUE(q->IsEmpty());
    q->Close();
    q->ParamByName("Name")->SetAsString("B");
    q->Open();
    EXPECT_EQ(q->FieldByName("ConstVal")->AsFloat(), 2.0);

    TSQLQuery unset(nullptr);
    unset.SetSQLConnection(conn.get());
    unset.SQL()->SetText("select * from setup where ConstName = :Name");
    try {
        unset.Open();
        FAIL() << "opened with a parameter that has no value";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message().Pos("Name"), 0) << e.Message();
    }
    EXPECT_FALSE(unset.Active());
}

// ---- NULL and empty results ------------------------------------------------------------------------

TEST_F(QueryTest, NullReadsAsNothing) {
    db->Exec("insert into puf_state (RecMoment) values (NULL)");
    Open("select * from puf_state");
    for (const char* name : {"RecMoment", "PLF", "F1AS"}) {
        TField* f = q->FieldByName(name);
        EXPECT_TRUE(f->IsNull()) << name;
        EXPECT_EQ(f->AsFloat(), 0.0) << name;
        EXPECT_EQ(f->AsString(), "") << name;
    }
    EXPECT_EQ(q->FieldByName("PLF")->AsInteger(), 0);
    EXPECT_EQ(q->FieldByName("F1AS")->AsInteger(), 0);
    EXPECT_EQ(q->FieldByName("RecMoment")->AsDateTime(), 0.0);

    // A sum over no rows is NULL; max() of an empty table too.
    Open("select sum(RVF)/60 as VF from puf_data where RecMoment >= '2010-03-15 07:00:00'");
    EXPECT_TRUE(q->FieldByName("VF")->IsNull());
    EXPECT_EQ(q->FieldByName("VF")->AsFloat(), 0.0);
}

TEST_F(QueryTest, FieldsOfAnEmptyResultReadAsNull) {
    Open("select * from belt_386_2 order by RecMoment DESC LIMIT 0, 2");
    EXPECT_TRUE(q->IsEmpty());
    EXPECT_EQ(q->RecordCount(), 0);
    EXPECT_TRUE(q->Eof());
    EXPECT_TRUE(q->FieldByName("RecMoment")->IsNull());
    EXPECT_EQ(q->FieldByName("I_1T1")->AsFloat(), 0.0);
    EXPECT_EQ(q->FieldByName("BKK")->AsInteger(), 0);
    EXPECT_EQ(q->FieldCount(), 8);
}

// ---- Column types -----------------------------------------------------------------------------------

TEST_F(QueryTest, ColumnTypesBecomeFieldKinds) {
    db->Exec("create table kinds (k int not null auto_increment primary key, t tinyint(1), s smallint, us smallint unsigned, "
             "i int not null, b bigint, d double, f float, dc decimal(10,2), wide decimal(30,6), dt datetime, dd date, "
             "tm time, ts timestamp null, vc varchar(20) not null, ch char(3), tx text, bl blob, vb varbinary(8), "
             "en enum('a','bb'), bt bit(1))");
    db->Exec("insert into kinds values (NULL, 1, -2, 65535, 7, 9000000000, 1.5, 0.25, 12345678.91, "
             "123456789012345678901234.123456, '2010-03-15 07:00:00', '2010-03-15', '19:00:00', "
             "'2010-03-15 19:00:00', 'Смена', 'abc', 'long text', x'00FF', x'01', 'bb', b'1')");
    Open("select * from kinds");
    struct Want {
        const char* name;
        const char* cls;
        TFieldType type;
        int size;
        bool required;
        const char* text;
    } wants[] = {
        {"k", "TAutoIncField", ftAutoInc, 0, false, "1"},
        {"t", "TSmallintField", ftSmallint, 0, false, "1"},
        {"s", "TSmallintField", ftSmallint, 0, false, "-2"},
        {"us", "TWordField", ftWord, 0, false, "65535"},
        {"i", "TIntegerField", ftInteger, 0, true, "7"},
        {"b", "TLargeintField", ftLargeint, 0, false, "9000000000"},
        {"d", "TFloatField", ftFloat, 0, false, nullptr},
        {"f", "TFloatField", ftFloat, 0, false, nullptr},
        {"dc", "TBCDField", ftBCD, 2, false, nullptr},
        {"wide", "TFMTBCDField", ftFMTBcd, 6, false, nullptr},
        {"dt", "TSQLTimeStampField", ftTimeStamp, 0, false, nullptr},
        {"dd", "TDateField", ftDate, 0, false, nullptr},
        {"tm", "TTimeField", ftTime, 0, false, nullptr},
        {"ts", "TSQLTimeStampField", ftTimeStamp, 0, false, nullptr},
        {"vc", "TStringField", ftString, 20, true, "Смена"},
        {"ch", "TStringField", ftString, 3, false, "abc"},
        {"tx", "TMemoField", ftMemo, 0, false, nullptr},
        {"bl", "TBlobField", ftBlob, 0, false, nullptr},
        {"vb", "TBlobField", ftBlob, 0, false, nullptr},
        {"en", "TStringField", ftString, 2, false, "bb"},
        {"bt", "TBooleanField", ftBoolean, 0, false, nullptr},
    };
    ASSERT_EQ(q->FieldCount(), static_cast<int>(std::size(wants)));
    for (const Want& w : wants) {
        TField* f = q->FieldByName(w.name);
        EXPECT_EQ(f->ClassName(), w.cls) << w.name;
        EXPECT_EQ(f->DataType(), w.type) << w.name;
        if (w.size) {
            EXPECT_EQ(f->Size(), w.size) << w.name;
        }
        EXPECT_EQ(f->Required(), w.required) << w.name;
        if (w.text) {
            EXPECT_EQ(f->AsString(), w.text) << w.name;
        }
    }
    EXPECT_EQ(q->FieldByName("d")->AsFloat(), 1.5);
    EXPECT_EQ(q->FieldByName("f")->AsFloat(), 0.25);
    EXPECT_EQ(q->FieldByName("dc")->AsCurrency().Raw(), 123456789100LL);
    EXPECT_DOUBLE_EQ(q->FieldByName("wide")->AsFloat(), 123456789012345678901234.123456);
    EXPECT_EQ(q->FieldByName("dt")->AsDateTime(), EncodeDateTime(2010, 3, 15, 7, 0, 0, 0));
    EXPECT_EQ(q->FieldByName("dd")->AsDateTime(), EncodeDate(2010, 3, 15));
    EXPECT_EQ(q->FieldByName("tm")->AsDateTime(), EncodeTime(19, 0, 0, 0));
    EXPECT_EQ(q->FieldByName("tx")->AsString(), "long text");
    EXPECT_EQ(q->FieldByName("bl")->AsString(), std::string("\x00\xFF", 2));
    EXPECT_TRUE(q->FieldByName("t")->AsBoolean());
    EXPECT_TRUE(q->FieldByName("bt")->AsBoolean());

    // Computed columns of the table screens: sums of reals are reals, of small integers decimals,
    // counts and literals integers; none of them is Required.
    db->Exec("insert into puf_data (RecMoment, RVF, F1AS) values ('2010-03-15 07:00:00', 60, 1), ('2010-03-15 07:01:00', 120, 1)");
    Open("select 0 as Ix, sum(RVF)/60 as VF, round(sum(RVF), 2) as R, sum(F1AS) as Flags, count(*) as N from puf_data");
    EXPECT_EQ(q->FieldByName("Ix")->AsInteger(), 0);
    EXPECT_EQ(q->FieldByName("VF")->AsFloat(), 3.0);
    EXPECT_EQ(q->FieldByName("R")->AsFloat(), 180.0);
    EXPECT_EQ(q->FieldByName("Flags")->AsFloat(), 2.0);
    EXPECT_EQ(q->FieldByName("N")->AsInteger(), 2);
    for (int i = 0; i < q->FieldCount(); ++i) EXPECT_FALSE(q->Fields()->Fields(i)->Required()) << i;
}

TEST_F(QueryTest, OpenWantsRowsExecSQLCountsThem) {
    db->Exec("insert into pug (RecMoment) values ('2010-05-12 10:01:00'), ('2010-05-12 10:02:00')");
    q->SQL()->SetText("UPDATE pug SET PL2_GS=:P where RecMoment >= :From");
    q->ParamByName("P")->SetAsFloat(1250);
    q->ParamByName("From")->SetAsString("2010-05-12 10:00:00");
    EXPECT_THROW(q->Open(), EDatabaseError);
    EXPECT_FALSE(q->Active());
    EXPECT_EQ(q->ExecSQL(), 2);
    EXPECT_EQ(q->RowsAffected(), 2);
    // A row that already holds the values still counts as found.
    EXPECT_EQ(q->ExecSQL(), 2);
    q->ParamByName("From")->SetAsString("2011-01-01 00:00:00");
    EXPECT_EQ(q->ExecSQL(), 0);
}

// ---- SQL datasets and client datasets ------------------------------------------------------------------

TEST_F(QueryTest, TableDataSetSortsByItsFields) {
    db->Exec("insert into kalibr values (2, 'TIN', 0, 0), (1, 'TS_3 ', 4095, 100), (1, 'TIN', 4095, 100), (1, 'TIN', 0, 0)");
    TSQLDataSet ds(nullptr);
    ds.SetSQLConnection(conn.get());
    ds.SetCommandType(ctTable);
    ds.SetCommandText("kalibr");
    ds.SetSortFieldNames("PultIndex;SignalName;AVal");
    ds.Open();
    std::vector<std::string> got;
    for (ds.First(); !ds.Eof(); ds.Next())
        got.push_back((ds.FieldByName("PultIndex")->AsString() + "/" + ds.FieldByName("SignalName")->AsString() + "/" +
                       ds.FieldByName("AVal")->AsString()).str());
    std::vector<std::string> want = {"1/TIN/0", "1/TIN/4095", "1/TS_3 /4095", "2/TIN/0"};
    EXPECT_EQ(got, want);
    EXPECT_FALSE(ds.CanModify());
}

TEST_F(QueryTest, SqlClientDataSetFetchesItsCommand) {
    db->Exec("insert into belt_log (PostMoment, Message) values ('2010-03-15 07:00:00', 'a'), ('2010-03-15 19:00:00', 'b'), "
             "('2010-03-16 07:00:00', 'c')");
    TSQLClientDataSet cds(nullptr);
    cds.SetDBConnection(conn.get());
    cds.SetCommandText("select * from belt_log\r\n where PostMoment >= '2010-03-15 07:00:00' and PostMoment <= "
                       "'2010-03-16 06:59:59' order by PostMoment");
    cds.Open();
    EXPECT_EQ(cds.RecordCount(), 2);
    cds.Last();
    EXPECT_EQ(cds.FieldByName("Message")->AsString(), "b");
    db->Exec("insert into belt_log (PostMoment, Message) values ('2010-03-15 20:00:00', 'late')");
    cds.Refresh();
    EXPECT_EQ(cds.RecordCount(), 3);
    cds.Close();
    cds.SetCommandText("select no_such_column from belt_log");
    EXPECT_THROW(cds.Open(), ESQLError);
    EXPECT_FALSE(cds.Active());
}

}  // namespace
