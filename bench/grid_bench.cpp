// The bookmark list over a client dataset of 100,000 puf_data rows, against a plain binary search
// of the same bookmarks in the same run:
//   BM_BookmarkBinarySearch  one std::lower_bound with TDataSet::CompareBookmarks over the collected
//                            bookmarks for each of them (the reference)
//   BM_SelectAll             TBMListGx::SelectAll: every record picked, in the dataset's order
//   BM_FindEveryPick         TBMListGx::Find of every pick of a full list
// Each of the last two reports "vs_bsearch", its time divided by the reference's (the target is at
// most 1.5).
// The filter row and title-marker sorting through the dataset features, each against the same work
// done without them in the same run:
//   BM_OpenWithWhere / BM_SqlColumnFilter  a query opened with "PLF > 150" in its text, against the
//                            column filter "> 150" written into its marker line (vs_where, target 1.2)
//   BM_SetFilterText / BM_LocalColumnFilter  the client dataset's Filter "[PLF] > 150", against the
//                            local column filter (vs_setfilter, target 1.5)
//   BM_OpenWithOrderBy / BM_SqlTitleSort  a query opened with "ORDER BY 2 DESC", against the
//                            descending title marker on PLF written into its ORDER BY line (vs_orderby,
//                            target 1.2)
//
// The grid over the same rows, each against a reference of the same run:
//   BM_OpenAlone             opening the client dataset (fetching every row), nothing attached
//   BM_OpenWithGrid          the same open with a TDBGridGx showing the dataset: "vs_open", divided
//                            by the median of the reference's repetitions (run with
//                            --benchmark_repetitions=5 and read the medians; the target is 1.10)
//   BM_LayoutPass1000        one layout pass of a grid over 1,000 of the rows (the reference)
//   BM_LayoutPass100000      the same pass over all 100,000: "vs_1000rows" (the target is 1.1), and
//                            "pass_ms", its time in milliseconds (the goal is 16 at most)
// Needs the private server that scripts/bench starts (PLANTMON_TEST_DB_* in the environment).
#include "data/DBClient.h"
#include "db/Provider.h"
#include "db/SqlExpr.h"
#include "gridlib/editors/ToolCtrlsGx.h"
#include "gridlib/services/DBUtilsGx.h"
#include "gridlib/services/ServicesTestSupport.h"
#include "gridlib/grid/DBGridGx.h"
#include "PufRowsFixture.h"

#include "BenchSupport.h"  // last: it brings the toolkit's keyword macros

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace {

// The rows fetched once for the whole run, and their bookmarks in the dataset's order.
struct Rows {
    std::unique_ptr<TSQLConnection> conn = benchdb::connect();
    TSQLQuery query{nullptr};
    TDataSetProvider provider{nullptr};
    TClientDataSet cds{nullptr};
    std::vector<TBookmark> bookmarks;
    Rows() {
        query.SetSQLConnection(conn.get());
        query.SQL()->SetText("select * from puf_data order by RecMoment");
        provider.SetDataSet(&query);
        cds.SetProvider(&provider);
        cds.Open();
        for (cds.First(); !cds.Eof(); cds.Next()) bookmarks.push_back(cds.Bookmark());
        cds.First();
    }
};

class Picks : public TBMListGx {
public:
    explicit Picks(TDataSet* ds) : ds_(ds) { LinkActive(true); }
    TDataSet* GetDataSet() override { return ds_; }

private:
    TDataSet* ds_;
};

double referenceSeconds = 0;  // one pass of the reference, set by the first benchmark

void report(benchmark::State& state, double total) {
    state.SetItemsProcessed(state.iterations() * benchdb::kPufRows);
    if (state.iterations() > 0 && referenceSeconds > 0)
        state.counters["vs_bsearch"] = total / static_cast<double>(state.iterations()) / referenceSeconds;
}

void BM_BookmarkBinarySearch(benchmark::State& state) {
    Rows& rows = BenchStation<Rows>();
    TDataSet* ds = &rows.cds;
    const std::vector<TBookmark>& bms = rows.bookmarks;
    auto less = [ds](const TBookmark& a, const TBookmark& b) { return ds->CompareBookmarks(a, b) < 0; };
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        std::size_t found = 0;
        for (const TBookmark& bm : bms) found += std::lower_bound(bms.begin(), bms.end(), bm, less) - bms.begin();
        benchmark::DoNotOptimize(found);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    if (state.iterations() > 0) referenceSeconds = total / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * benchdb::kPufRows);
}

void BM_SelectAll(benchmark::State& state) {
    Rows& rows = BenchStation<Rows>();
    Picks picks(&rows.cds);
    double total = 0;
    for (auto _ : state) {
        picks.Clear();
        auto t0 = std::chrono::steady_clock::now();
        picks.SelectAll();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (picks.Count() != benchdb::kPufRows) state.SkipWithError("not every record picked");
    }
    report(state, total);
}

void BM_FindEveryPick(benchmark::State& state) {
    Rows& rows = BenchStation<Rows>();
    Picks picks(&rows.cds);
    picks.SelectAll();
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        int found = 0, index = 0;
        for (int i = 0; i < picks.Count(); ++i) found += picks.Find(picks.Items(i), index) ? 1 : 0;
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (found != benchdb::kPufRows) state.SkipWithError("a pick was not found");
    }
    report(state, total);
}

// ---- Filtering and sorting through the dataset features ----------------------------------------------
// One pass of each reference, set by the reference benchmarks (which run first).
double whereSeconds = 0, setFilterSeconds = 0, orderBySeconds = 0;
// What each reference selected: the other side must select the same.
int whereRows = -1, setFilterRows = -1;
double orderByFirst = -1;

const char* const filterSelect = "select * from puf_data\nwhere\n/*FILTER*/ (1=1)\norder by RecMoment";

int countRows(TDataSet& ds) {
    int n = 0;
    for (ds.First(); !ds.Eof(); ds.Next()) ++n;
    return n;
}

// Times body per iteration; sets reference when given, else reports the ratio to *ratioOf.
template <class Body>
void timed(benchmark::State& state, Body body, double* reference, const double* ratioOf, const char* counter) {
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        body();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    if (state.iterations() == 0) return;
    const double each = total / static_cast<double>(state.iterations());
    if (reference) *reference = each;
    if (ratioOf && *ratioOf > 0) state.counters[counter] = each / *ratioOf;
}

void BM_OpenWithWhere(benchmark::State& state) {
    Rows& rows = BenchStation<Rows>();
    TSQLQuery q(nullptr);
    q.SetSQLConnection(rows.conn.get());
    q.SQL()->SetText("select * from puf_data\nwhere\nPLF > 150\norder by RecMoment");
    timed(state, [&] {
        q.Close();
        q.Open();
        whereRows = q.RecordCount();
    }, &whereSeconds, nullptr, "");
}

void BM_SqlColumnFilter(benchmark::State& state) {
    Rows& rows = BenchStation<Rows>();
    TSQLQuery q(nullptr);
    q.SetSQLConnection(rows.conn.get());
    q.SQL()->SetText(filterSelect);
    q.Open();
    TSQLDatasetFeaturesGx features;
    gxtest::FakeGrid grid(&q);
    grid.AddColumn("PLF", "> 150");
    timed(state, [&] {
        features.ApplyFilter(&grid, &q, true);
        if (q.RecordCount() != whereRows) state.SkipWithError("not the rows of the WHERE");
    }, nullptr, &whereSeconds, "vs_where");
}

void BM_SetFilterText(benchmark::State& state) {
    Rows& rows = BenchStation<Rows>();
    TClientDataSet& cds = rows.cds;
    timed(state, [&] {
        cds.SetFilter(AnsiString("[PLF] > 150"));
        cds.SetFiltered(true);
        setFilterRows = countRows(cds);
        cds.SetFiltered(false);
    }, &setFilterSeconds, nullptr, "");
}

void BM_LocalColumnFilter(benchmark::State& state) {
    Rows& rows = BenchStation<Rows>();
    TClientDataSet& cds = rows.cds;
    TSQLDatasetFeaturesGx features;
    gxtest::FakeGrid grid(&cds);
    grid.local = true;
    grid.AddColumn("PLF", "> 150");
    timed(state, [&] {
        features.ApplyFilter(&grid, &cds, true);
        if (countRows(cds) != setFilterRows) state.SkipWithError("not the rows of the filter text");
        cds.SetFiltered(false);
    }, nullptr, &setFilterSeconds, "vs_setfilter");
}

void BM_OpenWithOrderBy(benchmark::State& state) {
    Rows& rows = BenchStation<Rows>();
    TSQLQuery q(nullptr);
    q.SetSQLConnection(rows.conn.get());
    q.SQL()->SetText("select * from puf_data\norder by 2 DESC");
    timed(state, [&] {
        q.Close();
        q.Open();
        orderByFirst = q.FieldByName("PLF")->AsFloat();
    }, &orderBySeconds, nullptr, "");
}

void BM_SqlTitleSort(benchmark::State& state) {
    Rows& rows = BenchStation<Rows>();
    TSQLQuery q(nullptr);
    q.SetSQLConnection(rows.conn.get());
    q.SQL()->SetText("select * from puf_data\norder by RecMoment");
    q.Open();
    TSQLDatasetFeaturesGx features;
    gxtest::FakeGrid grid(&q);
    grid.sorts = {{"PLF", true}};
    timed(state, [&] {
        features.ApplySorting(&grid, &q, true);
        if (q.FieldByName("PLF")->AsFloat() != orderByFirst) state.SkipWithError("not the order of the ORDER BY");
    }, nullptr, &orderBySeconds, "vs_orderby");
}

// Each reference first: the benchmark after it divides by its time.
BENCHMARK(BM_BookmarkBinarySearch)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_SelectAll)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_FindEveryPick)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_OpenWithWhere)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_SqlColumnFilter)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_SetFilterText)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_LocalColumnFilter)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_OpenWithOrderBy)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_SqlTitleSort)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// ---- The grid ------------------------------------------------------------------------------------

// A client dataset over the rows (all, or the first `limit`) and a grid that can show it.
struct GridRows {
    std::unique_ptr<TSQLConnection> conn = benchdb::connect();
    TSQLQuery query{nullptr};
    TDataSetProvider provider{nullptr};
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    TDBGridGx grid{nullptr};
    explicit GridRows(int limit) {
        query.SetSQLConnection(conn.get());
        query.SQL()->SetText("select * from puf_data order by RecMoment" +
                             (limit > 0 ? " limit " + std::to_string(limit) : std::string()));
        provider.SetDataSet(&query);
        cds.SetProvider(&provider);
        source.SetDataSet(&cds);
        grid.SetBounds(0, 0, 1000, 700);
    }
};
struct AllRows : GridRows {
    AllRows() : GridRows(0) {}
};
struct ThousandRows : GridRows {
    ThousandRows() : GridRows(1000) {}
};

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::vector<double> openAloneSeconds;  // one mean per repetition of the reference
double layout1000Seconds = 0;

double timeOpen(benchmark::State& state, GridRows& rows) {
    double total = 0;
    for (auto _ : state) {
        rows.cds.Close();
        auto t0 = std::chrono::steady_clock::now();
        rows.cds.Open();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (rows.cds.RecordCount() != benchdb::kPufRows) state.SkipWithError("not every row fetched");
    }
    rows.cds.Close();
    state.SetItemsProcessed(state.iterations() * benchdb::kPufRows);
    return state.iterations() > 0 ? total / static_cast<double>(state.iterations()) : 0;
}

void BM_OpenAlone(benchmark::State& state) {
    AllRows& rows = BenchStation<AllRows>();
    rows.grid.SetDataSource(nullptr);
    openAloneSeconds.push_back(timeOpen(state, rows));
}

void BM_OpenWithGrid(benchmark::State& state) {
    AllRows& rows = BenchStation<AllRows>();
    rows.grid.SetDataSource(&rows.source);
    const double seconds = timeOpen(state, rows);
    rows.grid.SetDataSource(nullptr);
    if (seconds > 0 && !openAloneSeconds.empty()) state.counters["vs_open"] = seconds / median(openAloneSeconds);
}

double timeLayout(benchmark::State& state, GridRows& rows) {
    if (!rows.cds.Active()) {
        rows.grid.SetDataSource(&rows.source);
        rows.cds.Open();
    }
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        rows.grid.LayoutChanged();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    return state.iterations() > 0 ? total / static_cast<double>(state.iterations()) : 0;
}

void BM_LayoutPass1000(benchmark::State& state) {
    layout1000Seconds = timeLayout(state, BenchStation<ThousandRows>());
    state.counters["pass_ms"] = layout1000Seconds * 1000;
}

void BM_LayoutPass100000(benchmark::State& state) {
    const double seconds = timeLayout(state, BenchStation<AllRows>());
    state.counters["pass_ms"] = seconds * 1000;
    if (layout1000Seconds > 0) state.counters["vs_1000rows"] = seconds / layout1000Seconds;
}

// References first: the others divide by their times.
BENCHMARK(BM_OpenAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_OpenWithGrid)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_LayoutPass1000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_LayoutPass100000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }

// ---- Keys and the wheel on the grid --------------------------------------------------------------
// The grid of 1000 x 700 pixels over all 100,000 rows, shown, each step with the repaint it causes,
// against a full repaint of the same grid in the same run:
//   BM_InputFullRepaint   the whole grid painted again (the reference)
//   BM_InputPageDown      PgDn and the repaint it asks for: "vs_repaint" (the target is 1.2)
//   BM_InputWheelNotch    one wheel notch down and its repaint: "vs_repaint" (target 1.2)
//   BM_InputCtrlEnd       Ctrl+End from the first row and its repaint: "vs_repaint" (target 1.2)
// Each shows "step_ms" beside (the goal is 16 at most).
#include "gui/Forms.h"

namespace {

class InputBenchGrid : public TDBGridGx {
public:
    explicit InputBenchGrid(TComponent* owner) : TDBGridGx(owner) {}
    using TCustomDBGridGx::KeyDown;
};

struct InputRows {
    std::unique_ptr<TSQLConnection> conn = benchdb::connect();
    TSQLQuery query{nullptr};
    TDataSetProvider provider{nullptr};
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    TForm form{nullptr};
    InputBenchGrid grid{nullptr};
    InputRows() {
        query.SetSQLConnection(conn.get());
        query.SQL()->SetText("select * from puf_data order by RecMoment");
        provider.SetDataSet(&query);
        cds.SetProvider(&provider);
        source.SetDataSet(&cds);
        form.SetClientSize(1000, 700);
        grid.SetParent(&form);
        grid.SetBounds(0, 0, 1000, 700);
        grid.SetReadOnly(true);
        cds.Open();
        grid.SetDataSource(&source);
        form.Show();
        Application->ProcessMessages();
    }
};

double inputRepaintSeconds = 0;

template <class Step>
double timeInputStep(benchmark::State& state, Step step) {
    InputRows& rows = BenchStation<InputRows>();
    double total = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        step(rows);
        rows.grid.Update();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    const double seconds = state.iterations() > 0 ? total / static_cast<double>(state.iterations()) : 0;
    state.counters["step_ms"] = seconds * 1000;
    if (inputRepaintSeconds > 0 && seconds > 0) state.counters["vs_repaint"] = seconds / inputRepaintSeconds;
    return seconds;
}

void BM_InputFullRepaint(benchmark::State& state) {
    inputRepaintSeconds = 0;
    inputRepaintSeconds = timeInputStep(state, [](InputRows& rows) { rows.grid.Repaint(); });
}

void BM_InputPageDown(benchmark::State& state) {
    timeInputStep(state, [](InputRows& rows) {
        if (rows.cds.RecNo() > benchdb::kPufRows - 100) rows.cds.First();
        WORD key = VK_NEXT;
        rows.grid.KeyDown(key, 0);
    });
}

void BM_InputWheelNotch(benchmark::State& state) {
    timeInputStep(state, [](InputRows& rows) {
        if (rows.cds.Eof()) rows.cds.First();
        rows.grid.Perform(CM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), MAKELPARAM(500, 350));
    });
}

void BM_InputCtrlEnd(benchmark::State& state) {
    InputRows& rows = BenchStation<InputRows>();
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        rows.cds.First();
        rows.grid.Update();
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        WORD key = VK_END;
        rows.grid.KeyDown(key, ssCtrl);
        rows.grid.Update();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    const double seconds = state.iterations() > 0 ? total / static_cast<double>(state.iterations()) : 0;
    state.counters["step_ms"] = seconds * 1000;
    if (inputRepaintSeconds > 0 && seconds > 0) state.counters["vs_repaint"] = seconds / inputRepaintSeconds;
}

BENCHMARK(BM_InputFullRepaint)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_InputPageDown)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_InputWheelNotch)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_InputCtrlEnd)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

}  // namespace
