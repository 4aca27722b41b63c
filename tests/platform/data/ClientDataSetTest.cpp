// Client datasets: fetching from a provider, the change log, applying updates, files.
#include "testlib/DataTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace datatest;

namespace {

class ClientDataSetTest : public ::testing::Test {
protected:
    RussianLocale locale;
    TComponent owner{nullptr};
    MemProvider* prov = new MemProvider(&owner);
    TClientDataSet* ds = new TClientDataSet(&owner);

    void SetUp() override {
        SetupProvider(*prov, 4);
        prov->SetName("Prov");
        ds->SetProviderName("Prov");
        ds->Open();
    }
    TField* f(const char* n) { return ds->FieldByName(n); }
    std::string rows() {
        std::string out;
        for (ds->First(); !ds->Eof(); ds->Next())
            out += f("ID")->AsString().str() + "=" + f("Name")->AsString().str() + ";";
        return out;
    }
    static std::string providerRows(const MemProvider& p) {
        std::string out;
        for (const auto& r : p.rows) out += std::to_string(r->Int(0)) + "=" + std::string(r->Bytes(1)) + ";";
        return out;
    }
    void edit(int id, const char* name) {
        ASSERT_TRUE(ds->Locate("ID", Variant(id)));
        ds->Edit();
        f("Name")->SetAsString(name);
        ds->Post();
    }
    void insert(int id, const char* name) {
        ds->Append();
        f("ID")->SetAsInteger(id);
        f("Name")->SetAsString(name);
        ds->Post();
    }
    void remove(int id) {
        ASSERT_TRUE(ds->Locate("ID", Variant(id)));
        ds->Delete();
    }
};

TEST_F(ClientDataSetTest, FetchesEveryRowWithoutCopying) {
    EXPECT_EQ(prov->fetches, 1);
    EXPECT_EQ(ds->RecordCount(), 4);
    EXPECT_EQ(ds->ChangeCount(), 0);
    EXPECT_EQ(rows(), "1=Row 1;2=Row 2;3=Row 3;4=Row 4;");
    std::vector<TRecordPtr> mine;
    ds->GetRecords(mine);
    EXPECT_EQ(mine[2], prov->rows[2]);  // the same shared record
    EXPECT_TRUE(f("ID")->Required());
    TClientDataSet lonely(nullptr);
    EXPECT_THROW(lonely.Open(), EDatabaseError);  // no provider, no file
}

TEST_F(ClientDataSetTest, ChangeLogUndoAndCancel) {
    ds->SetRecNo(3);
    TBookmark third = ds->Bookmark();
    edit(2, "Two");
    insert(9, "Nine");
    remove(3);
    EXPECT_EQ(ds->ChangeCount(), 3);
    EXPECT_EQ(rows(), "1=Row 1;2=Two;4=Row 4;9=Nine;");
    ds->Locate("ID", Variant(2));
    EXPECT_EQ(ds->UpdateStatus(), usModified);
    ds->Locate("ID", Variant(9));
    EXPECT_EQ(ds->UpdateStatus(), usInserted);
    ds->First();
    EXPECT_EQ(ds->UpdateStatus(), usUnmodified);

    // Undo, newest first: the deleted record comes back at its place, with its bookmark.
    EXPECT_TRUE(ds->UndoLastChange(true));
    EXPECT_EQ(f("ID")->AsInteger(), 3);
    EXPECT_TRUE(ds->BookmarkValid(third));
    EXPECT_EQ(rows(), "1=Row 1;2=Two;3=Row 3;4=Row 4;9=Nine;");
    EXPECT_TRUE(ds->UndoLastChange(false));
    EXPECT_EQ(rows(), "1=Row 1;2=Two;3=Row 3;4=Row 4;");
    EXPECT_EQ(ds->ChangeCount(), 1);

    // Cancel drops everything left, an unposted edit included.
    insert(10, "Ten");
    remove(1);
    edit(4, "Four");
    ds->Edit();
    f("Name")->SetAsString("pending");
    ds->CancelUpdates();
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(ds->ChangeCount(), 0);
    EXPECT_EQ(rows(), "1=Row 1;2=Row 2;3=Row 3;4=Row 4;");
    EXPECT_FALSE(ds->UndoLastChange(true));
}

TEST_F(ClientDataSetTest, ApplySendsTheNetChangeOfEachRecord) {
    edit(1, "One");
    edit(1, "Uno");      // twice: one modification from the original
    insert(7, "Seven");
    edit(7, "Sieben");   // an insert edited: one insert with the final values
    insert(8, "Eight");
    remove(8);           // inserted and deleted: nothing
    edit(2, "Two");
    edit(2, "Row 2");    // changed back: nothing
    remove(4);
    EXPECT_EQ(ds->ChangeCount(), 9);
    EXPECT_EQ(ds->ApplyUpdates(-1), 0);
    ASSERT_EQ(prov->received.size(), 1u);
    const auto& d = prov->received[0];
    ASSERT_EQ(d.Records.size(), 3u);
    EXPECT_EQ(d.Records[0].UpdateKind, ukModify);
    EXPECT_EQ(d.Records[0].OldValues->Bytes(1), "Row 1");
    EXPECT_EQ(d.Records[0].NewValues->Bytes(1), "Uno");
    EXPECT_EQ(d.Records[1].UpdateKind, ukInsert);
    EXPECT_FALSE(d.Records[1].OldValues);
    EXPECT_EQ(d.Records[1].NewValues->Bytes(1), "Sieben");
    EXPECT_EQ(d.Records[2].UpdateKind, ukDelete);
    EXPECT_EQ(d.Records[2].OldValues->Int(0), 4);
    EXPECT_EQ(d.FieldFlags, (std::vector<TProviderFlags>(3, pfInUpdate | pfInWhere)));
    EXPECT_EQ(ds->ChangeCount(), 0);
    EXPECT_EQ(providerRows(*prov), "1=Uno;2=Row 2;3=Row 3;7=Sieben;");
    // After a successful apply the current rows are the new originals.
    edit(7, "Seven");
    ds->CancelUpdates();
    EXPECT_EQ(rows(), "1=Uno;2=Row 2;3=Row 3;7=Sieben;");
}

// A row the source no longer has (another station deleted it) and a refused row are reported
// and stay pending; the rest is applied and leaves the log.
TEST_F(ClientDataSetTest, FailedRowsAreReportedAndStayPending) {
    prov->rows.erase(prov->rows.begin() + 2);  // row 3 deleted behind our back
    edit(3, "Three");
    edit(1, "One");
    insert(5, "bad");
    try {
        ds->ApplyUpdates(-1);
        FAIL() << "a failed row must not pass silently";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message().Pos("affected rows 0"), 0);
    }
    ASSERT_EQ(ds->UpdateErrors().size(), 2u);
    EXPECT_EQ(ds->UpdateErrors()[0].Message, "affected rows 0");
    EXPECT_EQ(ds->UpdateErrors()[1].Message, "refused");
    EXPECT_TRUE(ds->BookmarkValid(ds->UpdateErrors()[1].Bookmark));
    EXPECT_EQ(providerRows(*prov), "1=One;2=Row 2;4=Row 4;");
    EXPECT_EQ(ds->ChangeCount(), 2);  // the two failed changes
    EXPECT_EQ(rows(), "1=One;2=Row 2;3=Three;4=Row 4;5=bad;");

    // The failed ones are sent again, alone; cancelling them keeps what was applied.
    ds->Locate("ID", Variant(5));
    ds->Edit();
    f("Name")->SetAsString("Five");
    ds->Post();
    EXPECT_THROW(ds->ApplyUpdates(-1), EDatabaseError);
    EXPECT_EQ(prov->received.back().Records.size(), 2u);
    EXPECT_EQ(providerRows(*prov), "1=One;2=Row 2;4=Row 4;5=Five;");
    EXPECT_EQ(ds->ChangeCount(), 1);
    ds->CancelUpdates();
    EXPECT_EQ(rows(), "1=One;2=Row 2;3=Row 3;4=Row 4;5=Five;");

    // With no errors allowed the provider undoes everything; the whole log stays.
    edit(2, "Two");
    insert(6, "bad");
    EXPECT_THROW(ds->ApplyUpdates(0), EDatabaseError);
    EXPECT_EQ(providerRows(*prov), "1=One;2=Row 2;4=Row 4;5=Five;");
    EXPECT_EQ(ds->ChangeCount(), 2);
}

TEST_F(ClientDataSetTest, RefreshNeedsAppliedChanges) {
    edit(1, "One");
    EXPECT_THROW(ds->Refresh(), EDatabaseError);
    ds->ApplyUpdates(-1);
    prov->rows.push_back(Row(5, "Row 5", 7.5));
    ds->SetRecNo(2);
    ds->Refresh();
    EXPECT_EQ(prov->fetches, 2);
    EXPECT_EQ(ds->RecNo(), 2);
    EXPECT_EQ(rows(), "1=One;2=Row 2;3=Row 3;4=Row 4;5=Row 5;");
    EXPECT_EQ(ds->ApplyUpdates(0), 0);  // nothing to send
}

TEST_F(ClientDataSetTest, RefreshKeepsTheBookmarksOfRecordsReadAgainUnderTheirKey) {
    auto bookmarkOf = [&](int id) {
        EXPECT_TRUE(ds->Locate("ID", Variant(id)));
        return ds->Bookmark();
    };
    const TBookmark b1 = bookmarkOf(1);
    // Without a key every record gets a new bookmark.
    ds->Refresh();
    EXPECT_FALSE(ds->BookmarkValid(b1));

    // With the key flagged: another user removed record 2, changed record 3 and put a new one first.
    f("ID")->SetProviderFlags(f("ID")->ProviderFlags() | pfInKey);
    const TBookmark k1 = bookmarkOf(1), k2 = bookmarkOf(2), k3 = bookmarkOf(3);
    prov->rows.erase(prov->rows.begin() + 1);
    prov->rows[1] = Row(3, "Changed", 0);
    prov->rows.insert(prov->rows.begin(), Row(9, "New", 0));
    ASSERT_TRUE(ds->Locate("ID", Variant(3)));
    ds->Refresh();
    EXPECT_EQ(f("ID")->AsInteger(), 3);  // still on its record
    EXPECT_TRUE(ds->BookmarkValid(k1));
    EXPECT_FALSE(ds->BookmarkValid(k2));
    ASSERT_TRUE(ds->BookmarkValid(k3));
    ds->GotoBookmark(k3);
    EXPECT_EQ(f("Name")->AsString(), "Changed");
    ds->GotoBookmark(k1);
    EXPECT_EQ(f("ID")->AsInteger(), 1);
    EXPECT_LT(ds->CompareBookmarks(bookmarkOf(9), k1), 0);  // in the order fetched

    // A key read twice names no record for sure: both get new bookmarks.
    const TBookmark k4 = bookmarkOf(4);
    prov->rows.push_back(Row(4, "Twin", 0));
    ds->Refresh();
    EXPECT_FALSE(ds->BookmarkValid(k4));
    EXPECT_TRUE(ds->BookmarkValid(k1));
}

TEST_F(ClientDataSetTest, ReadOnlyAndMergedLogs) {
    ds->SetReadOnly(true);
    EXPECT_THROW(ds->Edit(), EDatabaseError);
    EXPECT_THROW(ds->Append(), EDatabaseError);
    EXPECT_THROW(ds->Delete(), EDatabaseError);
    ds->SetReadOnly(false);
    edit(1, "One");
    ds->MergeChangeLog();
    EXPECT_EQ(ds->ChangeCount(), 0);
    ds->CancelUpdates();  // nothing left to cancel
    ds->First();
    EXPECT_EQ(f("Name")->AsString(), "One");
}

// ---- files -------------------------------------------------------------------------------------
class DataPacketFileTest : public ::testing::Test {
protected:
    RussianLocale locale;
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("plantmon-data-" + std::to_string(::getpid()) + "-" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string file(const char* name) const { return (dir / name).string(); }
    static void write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(DataPacketFileTest, RoundTripKeepsEveryKindAndNull) {
    TClientDataSet a(nullptr);
    auto* d = a.FieldDefs();
    d->Add("NPP", ftInteger, 0, true);
    d->Add("Interval", ftString, 50);
    d->Add("Small", ftSmallint);
    d->Add("Big", ftLargeint);
    d->Add("Flag", ftBoolean);
    d->Add("F", ftFloat);
    d->Add("Money", ftBCD)->SetSize(4);
    d->Add("Day", ftDate);
    d->Add("At", ftTime);
    d->Add("Stamp", ftDateTime);
    d->Add("Note", ftMemo);
    d->Add("Raw", ftBlob);
    a.CreateDataSet();
    TDateTime stamp = EncodeDateTime(2010, 3, 15, 18, 59, 59, 125);
    a.AppendRecord({Variant(1), Variant("Смена 1 <07:00 & \"19:00\">"), Variant(static_cast<short>(-5)),
                    Variant(9007199254740993LL), Variant(true), Variant(0.1), Variant(Currency::FromRaw(123456789)),
                    VarFromDateTime(EncodeDate(2010, 3, 15)), VarFromDateTime(EncodeTime(7, 0, 0, 0)),
                    VarFromDateTime(stamp), Variant("line1\r\nline2\tend"), Variant(std::string("\x00\xFF\x01", 3))});
    a.AppendRecord({Variant(2), Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null()});
    a.SaveToFile(file("GS_work.xml"));

    TClientDataSet b(nullptr);
    b.LoadFromFile(file("GS_work.xml"));
    ASSERT_EQ(b.FieldDefs()->Count(), 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(b.FieldDefs()->Items(i)->Name(), a.FieldDefs()->Items(i)->Name());
        EXPECT_EQ(b.FieldDefs()->Items(i)->DataType(), a.FieldDefs()->Items(i)->DataType()) << i;
    }
    EXPECT_EQ(b.FieldDefs()->Items(1)->Size(), 50);
    EXPECT_TRUE(b.FieldDefs()->Items(0)->Required());
    ASSERT_EQ(b.RecordCount(), 2);
    b.First();
    a.First();
    for (int i = 0; i < 12; ++i) {
        TField* x = a.Fields()->Fields(i);
        TField* y = b.Fields()->Fields(i);
        EXPECT_TRUE(VarSameValue(x->AsVariant(), y->AsVariant())) << x->FieldName() << ": " << x->AsString() << " / " << y->AsString();
    }
    EXPECT_EQ(b.FieldByName("Raw")->AsString().str(), std::string("\x00\xFF\x01", 3));
    EXPECT_DOUBLE_EQ(b.FieldByName("Stamp")->AsDateTime(), stamp);
    b.Next();
    for (int i = 1; i < 12; ++i) EXPECT_TRUE(b.Fields()->Fields(i)->IsNull()) << i;
}

TEST_F(DataPacketFileTest, ReadsAnInstallationFileAndWritesItBackOnClose) {
    // The form an installation supplies: Windows-1251 text, one attribute per column.
    std::string text =
        "<?xml version=\"1.0\" encoding=\"windows-1251\" standalone=\"yes\"?>\r\n"
        "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
        "<FIELD attrname=\"NPP\" fieldtype=\"i4\"/><FIELD attrname=\"Interval\" fieldtype=\"string\" WIDTH=\"50\"/>"
        "<FIELD attrname=\"In_RV\" fieldtype=\"r8\"/><FIELD attrname=\"Out_GS\" fieldtype=\"r8\"/>"
        "</FIELDS><PARAMS/></METADATA><ROWDATA>"
        "<ROW NPP=\"2\" Interval=\"" + Utf8ToCp1251("Смена 2") + "\"/>"
        "<ROW NPP=\"1\" Interval=\"" + Utf8ToCp1251("Смена 1") + "\" In_RV=\"12.5\"/>"
        "</ROWDATA></DATAPACKET>\r\n";
    std::string path = file("GS_work.xml");
    write(path, text);
    {
        TClientDataSet ds(nullptr);
        ds.SetFileName(path);
        ds.SetIndexFieldNames("NPP");
        ds.Open();
        EXPECT_EQ(ds.FieldByName("Interval")->AsString(), "Смена 1");
        EXPECT_DOUBLE_EQ(ds.FieldByName("In_RV")->AsFloat(), 12.5);
        EXPECT_TRUE(ds.FieldByName("Out_GS")->IsNull());
        ds.Edit();
        ds.FieldByName("Out_GS")->SetAsFloat(3.75);
        ds.Post();
        ds.BeforeClose = [](TDataSet* d) { static_cast<TClientDataSet*>(d)->MergeChangeLog(); };
        ds.Close();
    }
    std::string saved = read(path);
    EXPECT_NE(saved.find("encoding=\"UTF-8\""), std::string::npos);
    EXPECT_NE(saved.find("Out_GS=\"3.75\""), std::string::npos);
    EXPECT_NE(saved.find("Смена 2"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

    // A dataset destroyed while open still writes its rows.
    {
        TClientDataSet ds(nullptr);
        ds.SetFileName(path);
        ds.Open();
        ds.First();
        ds.Edit();
        ds.FieldByName("In_RV")->SetAsFloat(99);
        ds.Post();
    }
    TClientDataSet again(nullptr);
    again.LoadFromFile(path);
    EXPECT_DOUBLE_EQ(again.FieldByName("In_RV")->AsFloat(), 99);  // base order: NPP 2 first
}

TEST_F(DataPacketFileTest, BadFilesAreReported) {
    TClientDataSet ds(nullptr);
    EXPECT_THROW(ds.LoadFromFile(file("missing.xml")), EFOpenError);
    const char* bad[] = {
        "<html></html>",
        "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"i4\"/></FIELDS></METADATA>"
        "<ROWDATA><ROW A=\"x\"/></ROWDATA></DATAPACKET>",
        "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"weird\"/></FIELDS></METADATA></DATAPACKET>",
        "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"i4\"/></FIELDS></METADATA><ROWDATA><ROW A=\"1",
    };
    for (const char* b : bad) {
        write(file("bad.xml"), b);
        EXPECT_THROW(ds.LoadFromFile(file("bad.xml")), EDatabaseError) << b;
        EXPECT_FALSE(ds.Active());
    }
    // An unwritable file: the close reports it, and the dataset is closed all the same.
    ds.FieldDefs()->Clear();
    ds.FieldDefs()->Add("A", ftInteger);
    ds.CreateDataSet();
    ds.SetFileName(file("no/such/folder/x.xml"));
    EXPECT_THROW(ds.Close(), EStreamError);
    EXPECT_FALSE(ds.Active());
}

TEST_F(DataPacketFileTest, AFileThatFailsToOpenIsLeftAsItWas) {
    // A damaged installation file, and one that is not there: the failed open writes nothing.
    const std::string damaged = "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"weird\"/>";
    write(file("rows.xml"), damaged);
    for (const char* name : {"rows.xml", "missing.xml"}) {
        TClientDataSet ds(nullptr);
        ds.SetFileName(file(name));
        EXPECT_ANY_THROW(ds.Open()) << name;
        EXPECT_FALSE(ds.Active());
    }
    EXPECT_EQ(read(file("rows.xml")), damaged);
    EXPECT_FALSE(std::filesystem::exists(file("missing.xml")));
}

}  // namespace
