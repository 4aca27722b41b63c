// Navigation, bookmarks, the link windows and the order of the events datasets send.
#include "testlib/DataTestSupport.h"

#include <gtest/gtest.h>

using namespace datatest;

namespace {

class DataSetTest : public ::testing::Test {
protected:
    RussianLocale locale;
    TComponent owner{nullptr};
    TClientDataSet* ds = new TClientDataSet(&owner);
    TDataSource* src = new TDataSource(&owner);
    std::vector<std::string> log;

    void SetUp() override { src->SetDataSet(ds); }
    int id() const { return ds->FieldByName("ID")->AsInteger(); }
};

TEST_F(DataSetTest, NavigationMovesAndReportsTheEdges) {
    FillRows(*ds, 10);
    struct Step {
        const char* what;
        std::function<int(TDataSet&)> op;  // returns the distance moved where it applies
        int moved, recNo;
        bool bof, eof;
    } steps[] = {
        {"First", [](TDataSet& d) { d.First(); return 0; }, 0, 1, true, false},
        {"Next", [](TDataSet& d) { d.Next(); return 0; }, 0, 2, false, false},
        {"MoveBy past the end", [](TDataSet& d) { return d.MoveBy(20); }, 8, 10, false, true},
        {"Next at Eof does nothing", [](TDataSet& d) { return d.MoveBy(1); }, 0, 10, false, true},
        {"Prior", [](TDataSet& d) { return d.MoveBy(-1); }, -1, 9, false, false},
        {"MoveBy before the start", [](TDataSet& d) { return d.MoveBy(-100); }, -8, 1, true, false},
        {"Last", [](TDataSet& d) { d.Last(); return 0; }, 0, 10, false, true},
        {"RecNo", [](TDataSet& d) { d.SetRecNo(5); return 0; }, 0, 5, false, false},
        {"RecNo beyond the count", [](TDataSet& d) { d.SetRecNo(50); return 0; }, 0, 10, false, false},
        {"MoveBy inside", [](TDataSet& d) { return d.MoveBy(-3); }, -3, 7, false, false},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(s.op(*ds), s.moved) << s.what;
        EXPECT_EQ(ds->RecNo(), s.recNo) << s.what;
        EXPECT_EQ(id(), s.recNo) << s.what;
        EXPECT_EQ(ds->Bof(), s.bof) << s.what;
        EXPECT_EQ(ds->Eof(), s.eof) << s.what;
    }
    // Walking with Eof visits every record once.
    int seen = 0;
    for (ds->First(); !ds->Eof(); ds->Next()) ++seen;
    EXPECT_EQ(seen, 10);
}

TEST_F(DataSetTest, EmptyDataSet) {
    FillRows(*ds, 0);
    EXPECT_TRUE(ds->IsEmpty());
    EXPECT_TRUE(ds->Bof());
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(ds->RecNo(), 0);
    EXPECT_EQ(ds->MoveBy(1), 0);
    EXPECT_TRUE(ds->FieldByName("Name")->IsNull());
    EXPECT_EQ(ds->Bookmark(), "");
    EXPECT_THROW(ds->Delete(), EDatabaseError);
    ds->Edit();  // an empty dataset inserts instead
    EXPECT_EQ(ds->State(), dsInsert);
    ds->Cancel();
    EXPECT_TRUE(ds->IsEmpty());
}

TEST_F(DataSetTest, ClosedDataSetRefusesWork) {
    EXPECT_THROW(ds->First(), EDatabaseError);
    EXPECT_THROW(ds->Edit(), EDatabaseError);
    try {
        ds->SetName("Query1");
        ds->Next();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Query1: Cannot perform this operation on a closed dataset");
    }
}

// Bookmarks compare like the records they point to, also after inserts in the middle, under an
// index and under a filter; bookmarks of records that are gone are invalid.
TEST_F(DataSetTest, BookmarksOrderedLikeTheRecords) {
    FillRows(*ds, 6);
    ds->SetRecNo(3);
    ds->Insert();  // before record 3: its bookmark is newer than all the others
    ds->FieldByName("ID")->SetAsInteger(100);
    ds->FieldByName("Name")->SetAsString("Inserted");
    ds->Post();

    auto checkOrder = [&](const char* when) {
        std::vector<TBookmark> bms;
        for (ds->First(); !ds->Eof(); ds->Next()) bms.push_back(ds->Bookmark());
        for (std::size_t i = 0; i < bms.size(); ++i)
            for (std::size_t j = 0; j < bms.size(); ++j) {
                int c = ds->CompareBookmarks(bms[i], bms[j]);
                int want = i < j ? -1 : (i > j ? 1 : 0);
                EXPECT_EQ((c > 0) - (c < 0), want) << when << " " << i << "," << j;
            }
        return bms;
    };
    auto plain = checkOrder("base order");
    EXPECT_EQ(plain.size(), 7u);

    ds->SetIndexFieldNames("Name");  // "Inserted" sorts first, then "Row 1".."Row 6"
    auto sorted = checkOrder("index order");
    ds->First();
    EXPECT_EQ(ds->FieldByName("Name")->AsString(), "Inserted");

    ds->SetFilter("ID <> 2");
    ds->SetFiltered(true);
    checkOrder("filtered");
    TBookmark hidden = plain[1];  // Row 2
    EXPECT_FALSE(ds->BookmarkValid(hidden));
    EXPECT_THROW(ds->GotoBookmark(hidden), EDatabaseError);
    ds->SetFiltered(false);
    EXPECT_TRUE(ds->BookmarkValid(hidden));

    ds->GotoBookmark(hidden);
    ds->Delete();
    EXPECT_FALSE(ds->BookmarkValid(hidden));
    EXPECT_TRUE(ds->BookmarkValid(plain[0]));
    EXPECT_FALSE(ds->BookmarkValid("garbage"));
    EXPECT_LT(ds->CompareBookmarks("", plain[0]), 0);
    EXPECT_EQ(ds->CompareBookmarks("", ""), 0);

    ds->GotoBookmark(plain[4]);
    EXPECT_EQ(ds->FieldByName("Name")->AsString(), "Row 4");
}

TEST_F(DataSetTest, EventsInOrderForScrollEditPost) {
    FillRows(*ds, 10);
    RecordingLink link(log);
    link.SetBufferCount(3);
    link.SetDataSource(src);
    RecordEvents(*ds, log);
    auto take = [&] {
        auto out = log;
        log.clear();
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(take(), V{"ActiveChanged(1)"});

    ds->Next();
    EXPECT_EQ(take(), (V{"BeforeScroll", "DataSetScrolled(0)", "AfterScroll"}));
    ds->Next();
    ds->Next();  // the window of three shifts by one
    EXPECT_EQ(take(), (V{"BeforeScroll", "DataSetScrolled(0)", "AfterScroll", "BeforeScroll", "DataSetScrolled(1)",
                         "AfterScroll"}));

    ds->Edit();
    EXPECT_EQ(take(), (V{"BeforeEdit", "EditingChanged(1)", "RecordChanged()", "AfterEdit"}));
    ds->FieldByName("Name")->SetAsString("Changed");
    EXPECT_EQ(take(), V{"RecordChanged(Name)"});
    ds->Post();
    EXPECT_EQ(take(), (V{"UpdateData", "CheckBrowseMode", "BeforePost", "EditingChanged(0)", "DataSetChanged", "AfterPost"}));

    ds->Insert();
    EXPECT_EQ(take(), (V{"BeforeInsert", "BeforeScroll", "EditingChanged(1)", "DataSetChanged", "AfterInsert", "AfterScroll"}));
    ds->Cancel();
    EXPECT_EQ(take(), (V{"CheckBrowseMode", "BeforeCancel", "BeforeScroll", "EditingChanged(0)", "DataSetChanged",
                         "AfterCancel", "AfterScroll"}));

    ds->Delete();
    EXPECT_EQ(take(), (V{"CheckBrowseMode", "BeforeDelete", "BeforeScroll", "DataSetChanged", "AfterDelete", "AfterScroll"}));

    ds->First();
    EXPECT_EQ(take(), (V{"BeforeScroll", "DataSetChanged", "AfterScroll"}));

    ds->SetFilter("ID > 2");
    ds->SetFiltered(true);
    EXPECT_EQ(take(), (V{"BeforeScroll", "DataSetChanged", "AfterScroll"}));
    ds->SetFiltered(false);
    take();

    // A field's own events: OnValidate before the change is stored, OnChange after the links.
    TField* name = ds->FieldByName("Name");
    name->OnValidate = [&](TField* f) { log.push_back("OnValidate:" + f->AsString().str()); };
    name->OnChange = [&](TField* f) { log.push_back("OnChange:" + f->AsString().str()); };
    ds->Edit();
    take();
    name->SetAsString("New");
    EXPECT_EQ(take(), (V{"OnValidate:New", "RecordChanged(Name)", "OnChange:New"}));
    ds->Cancel();
    take();

    // A post while moving: the pending edit is written through the links first.
    link.onUpdateData = [&] {
        if (ds->State() == dsEdit) ds->FieldByName("Name")->SetAsString("From control");
    };
    ds->Edit();
    ds->Next();
    link.onUpdateData = nullptr;
    ds->Prior();
    EXPECT_EQ(ds->FieldByName("Name")->AsString(), "From control");
    EXPECT_EQ(ds->State(), dsBrowse);
}

TEST_F(DataSetTest, OpenCloseAndDataSourceEvents) {
    MemProvider prov(&owner);
    SetupProvider(prov, 3);
    ds->SetProvider(&prov);
    RecordingLink link(log);
    link.SetDataSource(src);
    RecordEvents(*ds, log);
    std::vector<std::string> srcLog;
    src->OnStateChange = [&](TObject*) { srcLog.push_back("State" + std::to_string(src->State())); };
    src->OnDataChange = [&](TObject*, TField* f) { srcLog.push_back("Data(" + (f ? f->FieldName().str() : "") + ")"); };
    ds->Open();
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeOpen", "ActiveChanged(1)", "AfterOpen", "AfterScroll"}));
    ds->Edit();
    ds->FieldByName("Amount")->SetAsFloat(1);
    ds->Post();
    EXPECT_EQ(srcLog, (std::vector<std::string>{"State1", "State2", "Data()", "Data(Amount)", "State1", "Data()"}));
    log.clear();
    src->SetEnabled(false);  // a disabled source makes its links inactive
    EXPECT_EQ(log, std::vector<std::string>{"ActiveChanged(0)"});
    ds->Next();
    EXPECT_EQ(log, (std::vector<std::string>{"ActiveChanged(0)", "BeforeScroll", "AfterScroll"}));
    src->SetEnabled(true);
    log.clear();
    ds->Close();
    EXPECT_EQ(log, (std::vector<std::string>{"BeforeClose", "ActiveChanged(0)", "AfterClose"}));
}

TEST_F(DataSetTest, WindowFollowsTheCursorLikeAGrid) {
    FillRows(*ds, 10);
    RecordingLink link(log);
    link.SetDataSource(src);
    link.SetBufferCount(4);
    auto window = [&] {
        // The records of every row, read without moving the cursor.
        std::vector<int> ids;
        int active = link.ActiveRecord();
        int recNo = ds->RecNo();
        for (int i = 0; i < link.RecordCount(); ++i) {
            link.SetActiveRecord(i);
            ids.push_back(id());
            EXPECT_EQ(ds->RecNo(), id());  // RecNo follows the row being read
        }
        link.SetActiveRecord(active);
        EXPECT_EQ(ds->RecNo(), recNo);
        return ids;
    };
    using V = std::vector<int>;
    EXPECT_EQ(window(), (V{1, 2, 3, 4}));
    ds->MoveBy(3);
    EXPECT_EQ(link.ActiveRecord(), 3);
    EXPECT_EQ(window(), (V{1, 2, 3, 4}));
    log.clear();
    ds->Next();
    EXPECT_EQ(log, std::vector<std::string>{"DataSetScrolled(1)"});
    EXPECT_EQ(window(), (V{2, 3, 4, 5}));
    log.clear();
    ds->MoveBy(5);  // to the last record: the window moves as little as it can
    EXPECT_EQ(log, std::vector<std::string>{"DataSetScrolled(5)"});
    EXPECT_EQ(window(), (V{7, 8, 9, 10}));
    ds->MoveBy(-2);
    EXPECT_EQ(link.ActiveRecord(), 1);
    EXPECT_EQ(window(), (V{7, 8, 9, 10}));
    ds->First();
    EXPECT_EQ(window(), (V{1, 2, 3, 4}));
    ds->Last();
    EXPECT_EQ(window(), (V{7, 8, 9, 10}));
    EXPECT_EQ(link.ActiveRecord(), 3);

    TBookmark five;
    ds->SetRecNo(5);
    five = ds->Bookmark();
    ds->Last();
    ds->GotoBookmark(five);  // centred: (4 - 1) / 2 rows below the top
    EXPECT_EQ(link.ActiveRecord(), 1);
    EXPECT_EQ(window(), (V{4, 5, 6, 7}));

    ds->Insert();  // the new row takes the current row; the rows below move down
    EXPECT_EQ(link.ActiveRecord(), 1);
    EXPECT_EQ(link.RecordCount(), 4);
    link.SetActiveRecord(2);
    EXPECT_EQ(id(), 5);
    link.SetActiveRecord(1);
    EXPECT_TRUE(ds->FieldByName("ID")->IsNull());
    ds->Cancel();
    EXPECT_EQ(window(), (V{4, 5, 6, 7}));

    ds->Append();  // the new row at the bottom of the last page
    EXPECT_EQ(link.ActiveRecord(), 3);
    link.SetActiveRecord(2);
    EXPECT_EQ(id(), 10);
    link.SetActiveRecord(3);
    ds->Cancel();
    EXPECT_EQ(id(), 10);
    EXPECT_EQ(window(), (V{7, 8, 9, 10}));

    // A smaller window keeps the cursor; a larger one fills up from above at the end.
    link.SetBufferCount(2);
    EXPECT_EQ(window(), (V{9, 10}));
    link.SetBufferCount(6);
    EXPECT_EQ(window(), (V{5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(ds->BufferCount(), 6);

    // Moving from a row being read moves from that row.
    ds->First();
    link.SetActiveRecord(4);
    ds->Next();
    EXPECT_EQ(id(), 6);
}

// The grid saves its position as a bookmark of a row near the middle of the window and a
// distance to the current row; after a walk over the dataset the same record is back at the
// same row.
TEST_F(DataSetTest, SavedPositionReturnsToTheSameRow) {
    FillRows(*ds, 30);
    RecordingLink link(log);
    link.SetDataSource(src);
    for (int n : {4, 5}) {
        link.SetBufferCount(n);
        for (int a = 0; a < n; ++a) {
            ds->First();
            ds->MoveBy(10);              // record 11 at the bottom row
            ds->MoveBy(-(n - 1 - a));    // then up to row a
            int A = link.ActiveRecord(), N = link.RecordCount();
            int before = id();
            int d = A - N / 2 + (N + 1) % 2;
            ds->MoveBy(-d);
            TBookmark bm = ds->Bookmark();
            ds->MoveBy(d);
            ds->DisableControls();
            for (ds->First(); !ds->Eof(); ds->Next()) {
            }
            ds->EnableControls();
            ds->GotoBookmark(bm);
            ds->MoveBy(d);
            EXPECT_EQ(link.ActiveRecord(), A) << "n=" << n << " a=" << a;
            EXPECT_EQ(id(), before) << "n=" << n << " a=" << a;
        }
    }
}

TEST_F(DataSetTest, TwoLinksKeepWindowsOfTheirOwn) {
    FillRows(*ds, 10);
    RecordingLink small(log, "S:"), large(log, "L:");
    small.SetBufferCount(2);
    large.SetBufferCount(5);
    small.SetDataSource(src);
    large.SetDataSource(src);
    log.clear();
    ds->Next();
    ds->Next();
    EXPECT_EQ(log, (std::vector<std::string>{"S:DataSetScrolled(0)", "L:DataSetScrolled(0)", "S:DataSetScrolled(1)",
                                             "L:DataSetScrolled(0)"}));
    EXPECT_EQ(small.ActiveRecord(), 1);
    EXPECT_EQ(large.ActiveRecord(), 2);
    EXPECT_EQ(ds->BufferCount(), 5);
}

TEST_F(DataSetTest, DisabledControlsHearOneChangeAtTheEnd) {
    FillRows(*ds, 10);
    RecordingLink link(log);
    link.SetDataSource(src);
    link.SetBufferCount(3);
    log.clear();
    ds->DisableControls();
    ds->DisableControls();
    EXPECT_TRUE(ds->ControlsDisabled());
    ds->MoveBy(6);
    ds->Edit();
    ds->FieldByName("Name")->SetAsString("x");
    ds->Post();
    ds->EnableControls();
    EXPECT_TRUE(log.empty());
    ds->EnableControls();
    EXPECT_EQ(log, std::vector<std::string>{"DataSetChanged"});
    EXPECT_EQ(link.ActiveRecord(), 2);  // the window followed the cursor all the same
    log.clear();
    ds->DisableControls();
    ds->Edit();
    ds->EnableControls();
    EXPECT_EQ(log, (std::vector<std::string>{"EditingChanged(1)", "DataSetChanged"}));
    ds->Cancel();
}

TEST_F(DataSetTest, ExtraListenersRunAroundTheHandler) {
    FillRows(*ds, 3);
    ds->AfterScroll = [&](TDataSet*) { log.push_back("handler"); };
    int a = ds->Subscribe(TDataSet::dekAfterScroll, [&](TDataSet*) { log.push_back("after"); });
    int b = ds->Subscribe(TDataSet::dekAfterScroll, [&](TDataSet*) { log.push_back("before"); }, true);
    ds->Next();
    EXPECT_EQ(log, (std::vector<std::string>{"before", "handler", "after"}));
    ds->Unsubscribe(b);
    log.clear();
    ds->Next();
    EXPECT_EQ(log, (std::vector<std::string>{"handler", "after"}));
    ds->Unsubscribe(a);
}

TEST_F(DataSetTest, DestroyingADataSetLeavesSourcesAndFieldsSafe) {
    auto* other = new TClientDataSet(nullptr);
    FillRows(*other, 2);
    TStringField* persistent = nullptr;
    {
        src->SetDataSet(other);
        RecordingLink link(log);
        link.SetDataSource(src);
        delete other;
        EXPECT_EQ(src->DataSet(), nullptr);
        EXPECT_FALSE(link.Active());
    }
    auto* third = new TClientDataSet(nullptr);
    persistent = new TStringField(&owner);
    persistent->SetFieldName("Name");
    persistent->SetDataSet(third);
    delete third;
    EXPECT_EQ(persistent->DataSet(), nullptr);
}

}  // namespace
