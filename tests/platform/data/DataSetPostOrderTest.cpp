// Posting and deleting single records keeps the view in step without rebuilding it: after any mix
// of appends, inserts in the middle, edits that move a record and deletes, the records shown, their
// order, record numbers and bookmarks are those of a view worked out from scratch.
#include "testlib/DataTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace datatest;

namespace {

struct ModelRow {
    int id;
    int amount;
    TBookmark bookmark;  // learnt when first seen
};

struct Setting {
    const char* name;
    const char* index;   // IndexFieldNames
    const char* filter;  // Filter (Filtered when not empty)
};

// The expected view: the base order filtered, then stably sorted.
std::vector<int> expectedIds(const std::vector<ModelRow>& base, const Setting& s) {
    std::vector<const ModelRow*> shown;
    for (const ModelRow& r : base)
        if (*s.filter == '\0' || r.amount % 3 != 0) shown.push_back(&r);
    if (*s.index != '\0')
        std::stable_sort(shown.begin(), shown.end(), [](const ModelRow* a, const ModelRow* b) { return a->amount < b->amount; });
    std::vector<int> ids;
    for (const ModelRow* r : shown) ids.push_back(r->id);
    return ids;
}

TEST(DataSetPostOrderTest, SingleRecordChangesMatchARebuiltView) {
    RussianLocale locale;
    const Setting settings[] = {
        {"base order", "", ""},
        {"sorted", "Amount", ""},
        {"filtered", "", "Amount <> 0 and Amount <> 3 and Amount <> 6 and Amount <> 9"},
        {"sorted and filtered", "Amount", "Amount <> 0 and Amount <> 3 and Amount <> 6 and Amount <> 9"},
    };
    for (const Setting& s : settings) {
        SCOPED_TRACE(s.name);
        TClientDataSet ds(nullptr);
        ds.FieldDefs()->Add("ID", ftInteger);
        ds.FieldDefs()->Add("Amount", ftInteger);  // 0..11: many equal keys, so ties show the order too
        ds.CreateDataSet();
        ds.SetIndexFieldNames(s.index);
        ds.SetFilter(s.filter);
        ds.SetFiltered(*s.filter != '\0');
        std::vector<ModelRow> base;
        std::mt19937 rng(20261211);
        int nextId = 1, changes = 0;
        auto current = [&] { return ds.FieldByName("ID")->AsInteger(); };
        auto baseIndexOf = [&](int id) {
            return static_cast<std::size_t>(
                std::find_if(base.begin(), base.end(), [id](const ModelRow& r) { return r.id == id; }) - base.begin());
        };
        for (int step = 0; step < 600; ++step) {
            SCOPED_TRACE(step);
            if (ds.RecordCount() > 0) ds.SetRecNo(1 + static_cast<int>(rng() % static_cast<unsigned>(ds.RecordCount())));
            const int op = step < 40 ? 0 : static_cast<int>(rng() % 10);
            const int amount = static_cast<int>(rng() % 12);
            int posted = 0;
            if (op <= 2) {  // append
                posted = nextId++;
                ds.AppendRecord({Variant(posted), Variant(amount)});
                base.push_back({posted, amount, {}});
            } else if (op <= 5) {  // insert before the current record
                posted = nextId++;
                std::size_t at = ds.IsEmpty() ? base.size() : baseIndexOf(current());
                ds.InsertRecord({Variant(posted), Variant(amount)});
                base.insert(base.begin() + static_cast<std::ptrdiff_t>(at), {posted, amount, {}});
            } else if (op <= 7 && !ds.IsEmpty()) {  // edit: the record may move or leave the view
                posted = current();
                ds.Edit();
                ds.FieldByName("Amount")->SetAsInteger(amount);
                ds.Post();
                base[baseIndexOf(posted)].amount = amount;
            } else if (!ds.IsEmpty()) {
                base.erase(base.begin() + static_cast<std::ptrdiff_t>(baseIndexOf(current())));
                ds.Delete();
            } else {
                continue;
            }
            ++changes;
            const std::vector<int> expected = expectedIds(base, s);
            ASSERT_EQ(ds.RecordCount(), static_cast<int>(expected.size()));
            if (posted && std::find(expected.begin(), expected.end(), posted) != expected.end()) {
                EXPECT_EQ(current(), posted) << "the cursor stays on the posted record";
            }
            // Every fifth step: the whole view, its record numbers and bookmarks.
            if (step % 5 != 0) continue;
            std::vector<int> seen;
            std::vector<TBookmark> marks;
            for (ds.First(); !ds.Eof(); ds.Next()) {
                seen.push_back(current());
                EXPECT_EQ(ds.RecNo(), static_cast<int>(seen.size()));
                marks.push_back(ds.Bookmark());
                ModelRow& row = base[baseIndexOf(current())];
                if (row.bookmark.IsEmpty()) row.bookmark = marks.back();
                EXPECT_EQ(row.bookmark, marks.back()) << "a record keeps its bookmark";
            }
            ASSERT_EQ(seen, expected);
            for (std::size_t i = 0; i + 1 < marks.size(); ++i) EXPECT_LT(ds.CompareBookmarks(marks[i], marks[i + 1]), 0);
            for (const ModelRow& row : base) {
                if (row.bookmark.IsEmpty()) continue;
                const auto at = std::find(expected.begin(), expected.end(), row.id);
                ASSERT_EQ(ds.BookmarkValid(row.bookmark), at != expected.end()) << row.id;
                if (at == expected.end()) continue;
                ds.GotoBookmark(row.bookmark);
                EXPECT_EQ(current(), row.id);
                EXPECT_EQ(ds.RecNo(), 1 + static_cast<int>(at - expected.begin()));
            }
        }
        EXPECT_EQ(ds.ChangeCount(), changes);
        // Undoing every change leaves the empty dataset it started as.
        while (ds.UndoLastChange(false)) {
        }
        EXPECT_TRUE(ds.IsEmpty());
    }
}

}  // namespace
