// The bookmark list and the field value list over client datasets of the private database:
// calibration rows (keyed) and flotation data rows (no key).
#include "gridlib/editors/ToolCtrlsGx.h"

#include "testlib/DbFixture.h"

#include <set>

namespace {

using Cached = CachedDataSet;

// A bookmark list over one dataset that counts what it tells its owner.
class Picks : public TBMListGx {
    PLANTMON_CLASS(Picks, TBMListGx)
public:
    explicit Picks(TDataSet* ds) : ds_(ds) { LinkActive(true); }
    int updates = 0;
    int invalidates = 0;
    TDataSet* GetDataSet() override { return ds_; }
    void UpdateState() override { ++updates; }
    void Invalidate() override { ++invalidates; }
    void pick(const Variant& key) {
        ASSERT_TRUE(ds_->Locate("PultIndex;SignalName;AVal", key));
        SetCurrentRowSelected(true);
    }

private:
    TDataSet* ds_;
};

class BookmarkListTest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        std::string rows;
        for (int i = 1; i <= 12; ++i)
            rows += std::string(rows.empty() ? "" : ",") + "(" + std::to_string(i % 2 + 1) + ", 'S" + std::to_string(i) +
                    "', " + std::to_string(i * 10) + ", " + std::to_string(i) + ".5)";
        db->Exec("insert into kalibr values " + rows);
    }
    static Variant key(int i) { return VarArrayOf({i % 2 + 1, "S" + std::to_string(i), i * 10}); }
    const char* kCalibration = "select * from kalibr order by AVal";
};

TEST_F(BookmarkListTest, FindOnEmptyAndPastTheEndAndFromTheCache) {
    Cached c(conn.get(), kCalibration);
    c.cds.Open();
    Picks picks(&c.cds);
    int index = -1;
    c.cds.First();
    EXPECT_FALSE(picks.Find(c.cds.Bookmark(), index));
    EXPECT_EQ(index, 0);
    picks.Clear();  // empty: nothing to tell
    EXPECT_EQ(picks.updates, 1);  // the one of LinkActive
    EXPECT_EQ(picks.invalidates, 0);

    for (int i : {5, 2, 7}) picks.pick(key(i));
    picks.pick(key(7));  // twice: once in the list
    ASSERT_EQ(picks.Count(), 3);
    for (int i = 1; i < picks.Count(); ++i) EXPECT_LT(c.cds.CompareBookmarks(picks.Items(i - 1), picks.Items(i)), 0);

    c.cds.Last();
    EXPECT_FALSE(picks.Find(c.cds.Bookmark(), index));  // ordered after all of them
    EXPECT_EQ(index, 3);
    ASSERT_TRUE(c.cds.Locate("PultIndex;SignalName;AVal", key(5)));
    EXPECT_TRUE(picks.CurrentRowSelected());
    EXPECT_EQ(picks.IndexOf(c.cds.Bookmark()), 1);
    const long long compares = picks.CompareCount();
    EXPECT_TRUE(picks.Find(c.cds.Bookmark(), index));  // asked again: from the cache
    EXPECT_EQ(index, 1);
    EXPECT_EQ(picks.CompareCount(), compares);
    picks.SetCurrentRowSelected(false);
    EXPECT_EQ(picks.Count(), 2);
    EXPECT_FALSE(picks.CurrentRowSelected());  // the change emptied the cache
    EXPECT_GT(picks.CompareCount(), compares);

    picks.Clear();
    EXPECT_EQ(picks.invalidates, 1);
    picks.LinkActive(false);
    try {
        picks.CurrentRow();
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot perform this operation on a closed dataset");
    }
}

TEST_F(BookmarkListTest, SelectAllPicksEveryRecordAndStaysOnTheCurrentOne) {
    Cached c(conn.get(), kCalibration);
    c.cds.Open();
    Picks picks(&c.cds);
    c.cds.SetRecNo(4);
    picks.SelectAll();
    EXPECT_EQ(picks.Count(), c.cds.RecordCount());
    EXPECT_EQ(c.cds.RecNo(), 4);
    for (int i = 1; i < picks.Count(); ++i) EXPECT_LT(c.cds.CompareBookmarks(picks.Items(i - 1), picks.Items(i)), 0);
    picks.LinkActive(false);
    picks.SelectAll();  // the link is not active: nothing
    EXPECT_EQ(picks.Count(), 0);
}

TEST_F(BookmarkListTest, DeletedPicksReachTheTableWithTheUpdates) {
    Cached c(conn.get(), kCalibration);
    c.cds.Open();
    Picks picks(&c.cds);
    picks.pick(key(3));
    picks.pick(key(8));
    const int updates = picks.updates;
    picks.Delete();
    EXPECT_EQ(picks.Count(), 0);
    EXPECT_EQ(picks.updates, updates + 1);
    EXPECT_EQ(c.cds.RecordCount(), 10);
    EXPECT_EQ(db->Count("kalibr"), 12);  // pending until applied
    EXPECT_EQ(c.cds.ApplyUpdates(0), 0);
    EXPECT_EQ(db->Count("kalibr"), 10);
    EXPECT_EQ(db->Scalar("select count(*) from kalibr where SignalName in ('S3', 'S8')"), "0");
}

TEST_F(BookmarkListTest, RefreshDropsExactlyThePicksAnotherStationDeleted) {
    Cached c(conn.get(), kCalibration);
    c.cds.Open();
    Picks picks(&c.cds);
    for (int i : {2, 4, 6, 9}) picks.pick(key(i));
    auto other = NewConnection();
    other->Open();
    other->ExecuteDirect("delete from kalibr where SignalName in ('S4', 'S9', 'S11')");  // two picked, one not
    other->ExecuteDirect("insert into kalibr values (1, 'S13', 55, 1)");                  // a new row among them

    ASSERT_TRUE(c.cds.Locate("PultIndex;SignalName;AVal", key(6)));
    c.cds.Refresh();
    EXPECT_EQ(c.cds.FieldByName("SignalName")->AsString(), "S6");  // still on its record
    EXPECT_TRUE(picks.Refresh());
    EXPECT_EQ(picks.invalidates, 1);
    ASSERT_EQ(picks.Count(), 2);
    // The picks that stay still name their records.
    std::vector<std::string> names;
    for (int i = 0; i < picks.Count(); ++i) {
        c.cds.GotoBookmark(picks.Items(i));
        names.push_back(c.cds.FieldByName("SignalName")->AsString().str());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"S2", "S6"}));
    EXPECT_FALSE(picks.Refresh());
    EXPECT_EQ(picks.invalidates, 1);  // nothing dropped: no repaint
}

TEST_F(BookmarkListTest, WithoutAKeyEveryPickGoesAtARefresh) {
    db->Exec("insert into puf_data (RecMoment, PLF) values ('2010-01-01 00:00:00', 1), ('2010-01-01 00:01:00', 2),"
             "('2010-01-01 00:02:00', 3), ('2010-01-01 00:03:00', 4)");
    Cached c(conn.get(), "select * from puf_data order by RecMoment");
    c.cds.Open();
    Picks picks(&c.cds);
    for (int i = 1; i <= 3; ++i) {
        c.cds.SetRecNo(i);
        picks.SetCurrentRowSelected(true);
    }
    c.cds.Refresh();
    EXPECT_TRUE(picks.Refresh());
    EXPECT_EQ(picks.Count(), 0);
}

// A value list that says when it goes.
class TrackedValueList : public TDatasetFieldValueListGx {
    PLANTMON_CLASS(TrackedValueList, TDatasetFieldValueListGx)
public:
    explicit TrackedValueList(bool& freed) : freed_(freed) {}
    ~TrackedValueList() override { freed_ = true; }

private:
    bool& freed_;
};

TEST_F(BookmarkListTest, DistinctValuesIgnoringCaseOnlyAndTheRecordStays) {
    // The server's collation would merge ё with е and drop trailing blanks; the list does neither.
    db->Exec("insert into kalibr values (1, 'Ёж', 1, 0), (1, 'ёж', 2, 0), (1, 'еж', 3, 0), (1, 'еж ', 4, 0),"
             "(1, 'ЕЖ', 5, 0), (2, 's1', 6, 0)");
    Cached c(conn.get(), kCalibration);
    c.cds.Open();
    std::set<std::string> expected;
    for (auto& r : db->Query("select SignalName from kalibr")) expected.insert(AnsiLowerCase(*r[0]).str());

    bool freed = false;
    auto* list = new TrackedValueList(freed);
    TRefGx<IMemTableDataFieldValueListGx> held(list);
    list->SetFieldName("SignalName");
    list->SetDataSet(&c.cds);
    c.cds.SetRecNo(7);
    const TBookmark current = c.cds.Bookmark();
    TStrings* values = held->GetValues();
    std::set<std::string> got;
    for (int i = 0; i < values->Count(); ++i) got.insert(AnsiLowerCase(values->Get(i)).str());
    EXPECT_EQ(values->Count(), static_cast<int>(expected.size()));
    EXPECT_EQ(got, expected);
    for (int i = 1; i < values->Count(); ++i) EXPECT_LT(AnsiCompareText(values->Get(i - 1), values->Get(i)), 0);
    EXPECT_EQ(c.cds.Bookmark(), current);  // the dataset is back on its record
    EXPECT_FALSE(list->Obsolete());

    // A change of the data makes it fill again.
    c.cds.Edit();
    c.cds.FieldByName("SignalName")->SetAsString("Новое");
    c.cds.Post();
    EXPECT_TRUE(list->Obsolete());
    EXPECT_GE(held->GetValues()->IndexOf("Новое"), 0);

    // A field the dataset lacks: empty, and filled again at the next asking.
    list->SetFieldName("NoSuchField");
    EXPECT_EQ(held->GetValues()->Count(), 0);
    EXPECT_TRUE(list->Obsolete());

    {
        TRefGx<IMemTableDataFieldValueListGx> second = held;
    }
    EXPECT_FALSE(freed);
    held.reset();  // the last reference
    EXPECT_TRUE(freed);
}

}  // namespace
