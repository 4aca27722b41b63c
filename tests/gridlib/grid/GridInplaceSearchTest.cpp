// Incremental search: prefixes in any case adopting the record's own letters, a character that
// leads nowhere dropped, next and prior matches, an inactive link and an empty dataset, the
// time-out through window timer 2, and a record move by something else ending the search.
#include "GridTestSupport.h"

#include "gui/WinApi.h"

namespace {

// Timer 2 ends the search, as the grid's timer handling does.
class SearchGrid : public gridtest::TestGrid {
public:
    using TestGrid::TestGrid;
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_TIMER && m.WParam == InplaceSearchTimerId) {
            StopInplaceSearch();
            return;
        }
        TestGrid::WndProc(m);
    }
};

struct SearchTest : ::testing::Test {
    datatest::RussianLocale locale;
    gridtest::FixedMetrics metrics;
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    std::unique_ptr<SearchGrid> grid = std::make_unique<SearchGrid>(nullptr);

    void SetUp() override {
        guitest::EnsureApp();
        cds.FieldDefs()->Add("ID", ftInteger, 0, true);
        cds.FieldDefs()->Add("Name", ftString, 20);
        cds.CreateDataSet();
        const char* names[] = {"Abc", "aBd", "xyz"};
        for (int i = 0; i < 3; ++i) cds.AppendRecord({Variant(i + 1), Variant(names[i])});
        cds.MergeChangeLog();
        source.SetDataSet(&cds);
        grid->SetDataSource(&source);
        grid->SetSelectedIndex(1);
    }
    void TearDown() override {
        grid.reset();
        cds.Close();
        guitest::Pump();
    }
    std::string Name() { return cds.FieldByName("Name")->AsString().str(); }
};

TEST_F(SearchTest, TypedPrefixesFindRecordsInAnyCase) {
    cds.Last();  // on xyz
    struct Step {
        const char* typed;
        TInpsDirectionGx direction;
        const char* record;
        const char* text;
    };
    const Step steps[] = {
        {"a", inpsFromFirstGx, "Abc", "A"},
        {"b", inpsFromFirstGx, "Abc", "Ab"},
        {"x", inpsFromFirstGx, "Abc", "Ab"},  // no record begins with abx: dropped, nothing moves
        {"", inpsToNextGx, "aBd", "aB"},      // the next match takes that record's letters
        {"", inpsToNextGx, "aBd", "aB"},      // none after it
        {"", inpsToPriorGx, "Abc", "Ab"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.typed) + " " + s.record);
        grid->StartInplaceSearch(s.typed, 1000000, s.direction);
        EXPECT_TRUE(grid->InplaceSearching());
        EXPECT_EQ(Name(), s.record);
        EXPECT_EQ(grid->InplaceSearchText(), s.text);
    }
    // The editor stays away while searching.
    EXPECT_FALSE(grid->CanEditShow());
    EXPECT_FALSE(grid->CanEditModify());
    // A move the search did not make ends it.
    cds.Last();
    EXPECT_FALSE(grid->InplaceSearching());
    EXPECT_TRUE(grid->InplaceSearchText().IsEmpty());
}

TEST_F(SearchTest, InactiveLinkAndEmptyDataset) {
    grid->SetDataSource(nullptr);
    grid->StartInplaceSearch("a", 1000, inpsFromFirstGx);
    EXPECT_FALSE(grid->InplaceSearching());

    TClientDataSet empty{nullptr};
    empty.FieldDefs()->Add("Name", ftString, 20);
    empty.CreateDataSet();
    TDataSource emptySource{nullptr};
    emptySource.SetDataSet(&empty);
    grid->SetDataSource(&emptySource);
    grid->SetSelectedIndex(0);
    grid->StartInplaceSearch("a", 1000, inpsFromFirstGx);
    EXPECT_TRUE(grid->InplaceSearching());
    EXPECT_TRUE(grid->InplaceSearchText().IsEmpty());
    grid->StopInplaceSearch();
    grid->SetDataSource(nullptr);
}

TEST_F(SearchTest, TheTimeOutEndsTheSearchThroughTimerTwo) {
    // Without a time-out (Ctrl+F) the search stays on and no timer runs.
    grid->StartInplaceSearch("", -1, inpsFromFirstGx);
    EXPECT_TRUE(grid->InplaceSearching());
    EXPECT_FALSE(grid->InplaceSearchTimerActive());
    grid->StartInplaceSearch("a", 20, inpsFromFirstGx);
    EXPECT_TRUE(grid->InplaceSearchTimerActive());
    EXPECT_EQ(grid->InplaceSearchText(), "A");
    EXPECT_TRUE(guitest::WaitFor([&] { return !grid->InplaceSearching(); }));
    EXPECT_FALSE(grid->InplaceSearchTimerActive());
    EXPECT_TRUE(grid->InplaceSearchText().IsEmpty());
}

}  // namespace
