// Imports applied into keyed tables of the private database: a Windows-1251 text file inserted
// into the constants, interchange values copied from one grid into the calibration points, both
// as new rows and over existing ones.
#include "ExportTestSupport.h"

#include "testlib/DbFixture.h"

namespace {

using exporttest::SelGrid;

class ImportDatabaseTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        guitest::EnsureApp();
    }
    std::string Query(const char* sql) {
        auto check = NewConnection();
        TSQLQuery q(nullptr);
        q.SetSQLConnection(check.get());
        q.SQL()->SetText(sql);
        q.Open();
        std::string s;
        for (; !q.Eof(); q.Next()) {
            for (int i = 0; i < q.FieldCount(); ++i) s += (i ? "|" : "") + q.Fields()->Fields(i)->AsString().str();
            s += ";";
        }
        return s;
    }
    datatest::RussianLocale locale;
    gridtest::FixedMetrics metrics;
};

TEST_F(ImportDatabaseTest, AWindows1251FileIsInsertedIntoTheConstants) {
    db->Exec("insert into setup values ('A', 1, 'старое')");
    CachedDataSet c(conn.get(), "select * from setup order by ConstName");
    TDataSource source(nullptr);
    source.SetDataSet(&c.cds);
    SelGrid grid(nullptr);
    grid.SetDataSource(&source);
    c.cds.Open();
    grid.LayoutChanged();
    testlib::TempDir dir("import-db");
    const std::string file = dir / "setup.txt";
    {
        const std::string bytes = Utf8ToCp1251("B\t2,5\tЗола\r\nC\t\tВлага");
        TFileStream f(file, fmCreate);
        f.WriteBuffer(bytes.data(), static_cast<long long>(bytes.size()));
    }
    c.cds.Insert();
    LoadDBGridGxFromImportFile(ImportClassOf<TDBGridGxImportAsText>(), &grid, file, false);
    ASSERT_EQ(c.cds.ApplyUpdates(0), 0);
    EXPECT_EQ(Query("select ConstName, ConstVal, Comment from setup order by ConstName"),
              "A|1|старое;B|2,5|Зола;C||Влага;");

    // Over existing rows, read anew from the table: the first line replaces the current row's values.
    c.cds.Close();
    c.cds.Open();
    c.cds.First();
    grid.SetSelectedIndex(1);
    exporttest::Import<TDBGridGxImportAsText>(&grid, std::string("7\tновое\0", 13));
    c.cds.CheckBrowseMode();
    c.cds.First();
    EXPECT_EQ(c.cds.FieldByName("Comment")->AsString(), "новое");
    ASSERT_EQ(c.cds.ApplyUpdates(0), 0);
    EXPECT_EQ(Query("select ConstVal, Comment from setup where ConstName = 'A'"), "7|новое;");
}

TEST_F(ImportDatabaseTest, InterchangeValuesGoIntoTheCalibrationPoints) {
    db->Exec("insert into kalibr values (1, 'S1', 10, 1.5)");
    // The source: an in-memory grid with the same columns.
    TClientDataSet mem(nullptr);
    mem.FieldDefs()->Add("PultIndex", ftSmallint);
    mem.FieldDefs()->Add("SignalName", ftString, 20);
    mem.FieldDefs()->Add("AVal", ftFloat);
    mem.FieldDefs()->Add("FVal", ftFloat);
    mem.CreateDataSet();
    mem.AppendRecord({Variant(2), Variant("S2"), Variant(20.0), Variant(2.25)});
    mem.AppendRecord({Variant(2), Variant("S3"), Variant(30.0), Variant(-0.125)});
    mem.First();
    TDataSource memSource(nullptr);
    memSource.SetDataSet(&mem);
    SelGrid from(nullptr);
    from.SetDataSource(&memSource);
    from.LayoutChanged();
    TMemoryStream bytes;
    WriteDBGridGxToExportStream(ExportClassOf<TDBGridGxExportAsVCLDBIF>(), &from, &bytes, true);

    CachedDataSet c(conn.get(), "select * from kalibr order by PultIndex, SignalName");
    TDataSource source(nullptr);
    source.SetDataSet(&c.cds);
    SelGrid grid(nullptr);
    grid.SetDataSource(&source);
    c.cds.Open();
    grid.LayoutChanged();
    c.cds.Insert();
    bytes.SetPosition(0);
    ReadDBGridGxFromImportStream(ImportClassOf<TDBGridGxImportAsVCLDBIF>(), &grid, &bytes, false);
    ASSERT_EQ(c.cds.ApplyUpdates(0), 0);
    EXPECT_EQ(Query("select PultIndex, SignalName, AVal, FVal from kalibr order by SignalName"),
              "1|S1|10|1,5;2|S2|20|2,25;2|S3|30|-0,125;");
}

}  // namespace
