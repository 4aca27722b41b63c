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
#include <cmath>
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

// ---- The cell editor --------------------------------------------------------------------------------
// Over the same 100,000 rows in a grid on a form, each against a full repaint of that grid:
//   BM_GridFullRepaint       the whole grid painted again (the reference)
//   BM_EditorShow            what F2 does: the editor shown over the current cell and painted
//                            ("vs_repaint", the target is 1.2; "show_ms", the goal is 16 at most)
//   BM_EditorHide            what Esc does: the editor hidden and the cell under it painted again
//                            ("vs_repaint", "hide_ms")
// One cell of a grid over the keyed setup table, against the statement that changes it directly:
//   BM_SetupUpdateStatement  "update setup set ConstVal = :v where ConstName = :k" by ExecSQL on the
//                            grid's connection (the reference)
//   BM_SetupCellApply        the cell typed through the grid, the record posted and the change
//                            applied with ApplyUpdates ("vs_update", the target is 2)

// A grid whose editing hooks the benchmark drives as the editor does.
class EditBenchGrid : public TDBGridGx {
public:
    explicit EditBenchGrid(TComponent* owner) : TDBGridGx(owner) {}
    void Type(const AnsiString& text) {
        GetEditText(Col(), Row());
        if (!CanEditModify()) throw Exception("the cell cannot be edited");
        SetEditText(Col(), Row(), text);
    }
};

struct EditorRows {
    std::unique_ptr<TSQLConnection> conn = benchdb::connect();
    TSQLQuery query{nullptr};
    TDataSetProvider provider{nullptr};
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    TForm* form = new TForm(nullptr);
    EditBenchGrid* grid = new EditBenchGrid(form);
    EditorRows() {
        query.SetSQLConnection(conn.get());
        query.SQL()->SetText("select * from puf_data order by RecMoment");
        provider.SetDataSet(&query);
        cds.SetProvider(&provider);
        source.SetDataSet(&cds);
        form->SetClientSize(1000, 700);
        grid->SetParent(form);
        grid->SetBounds(0, 0, 1000, 700);
        grid->SetDataSource(&source);
        cds.Open();
        form->Show();
        Application->ProcessMessages();
        grid->SetFocus();
        grid->SetSelectedIndex(2);
        Application->ProcessMessages();
    }
    ~EditorRows() { delete form; }
};

double fullRepaintSeconds = 0;

void BM_GridFullRepaint(benchmark::State& state) {
    EditorRows& rows = BenchStation<EditorRows>();
    rows.grid->HideEditor();
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        rows.grid->Repaint();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    fullRepaintSeconds = state.iterations() > 0 ? total / static_cast<double>(state.iterations()) : 0;
    state.counters["repaint_ms"] = fullRepaintSeconds * 1000;
}

void editorToggle(benchmark::State& state, bool measureShow) {
    EditorRows& rows = BenchStation<EditorRows>();
    EditBenchGrid* grid = rows.grid;
    double total = 0;
    for (auto _ : state) {
        grid->HideEditor();
        grid->Update();
        auto t0 = std::chrono::steady_clock::now();
        grid->ShowEditor();
        if (TInplaceEdit* e = grid->InplaceEditor()) e->Repaint();
        auto t1 = std::chrono::steady_clock::now();
        if (!grid->InplaceEditor() || !grid->InplaceEditor()->Visible()) state.SkipWithError("no editor shown");
        grid->HideEditor();
        grid->Update();
        auto t2 = std::chrono::steady_clock::now();
        total += std::chrono::duration<double>(measureShow ? t1 - t0 : t2 - t1).count();
    }
    const double each = state.iterations() > 0 ? total / static_cast<double>(state.iterations()) : 0;
    state.counters[measureShow ? "show_ms" : "hide_ms"] = each * 1000;
    if (fullRepaintSeconds > 0) state.counters["vs_repaint"] = each / fullRepaintSeconds;
}

void BM_EditorShow(benchmark::State& state) { editorToggle(state, true); }
void BM_EditorHide(benchmark::State& state) { editorToggle(state, false); }

struct SetupRows {
    std::unique_ptr<TSQLConnection> conn = benchdb::connect();
    TSQLQuery query{nullptr};
    TDataSetProvider provider{nullptr};
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    EditBenchGrid grid{nullptr};
    TSQLQuery update{nullptr};
    int counter = 0;
    SetupRows() {
        TSQLQuery fill(nullptr);
        fill.SetSQLConnection(conn.get());
        fill.SQL()->SetText("delete from setup");
        fill.ExecSQL();
        fill.SQL()->SetText("insert into setup select concat('K', seq), seq, 'bench' from seq_1_to_50");
        fill.ExecSQL();
        query.SetSQLConnection(conn.get());
        query.SQL()->SetText("select * from setup order by ConstName");
        provider.SetDataSet(&query);
        cds.SetProvider(&provider);
        source.SetDataSet(&cds);
        grid.SetBounds(0, 0, 600, 400);
        grid.SetDataSource(&source);
        cds.Open();
        grid.SetSelectedField(cds.FieldByName("ConstVal"));
        update.SetSQLConnection(conn.get());
        update.SQL()->SetText("update setup set ConstVal = :v where ConstName = :k");
    }
};

double updateStatementSeconds = 0;

void BM_SetupUpdateStatement(benchmark::State& state) {
    SetupRows& rows = BenchStation<SetupRows>();
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        rows.update.ParamByName("v")->SetAsFloat(++rows.counter);
        rows.update.ParamByName("k")->SetAsString("K7");
        if (rows.update.ExecSQL() != 1) state.SkipWithError("no row changed");
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    updateStatementSeconds = state.iterations() > 0 ? total / static_cast<double>(state.iterations()) : 0;
}

void BM_SetupCellApply(benchmark::State& state) {
    SetupRows& rows = BenchStation<SetupRows>();
    // Its own rows: the statement above changed K7 behind the dataset's back.
    rows.cds.Close();
    rows.cds.Open();
    rows.cds.Locate("ConstName", Variant("K7"));
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        rows.grid.Type(IntToStr(++rows.counter));
        rows.cds.Post();
        if (rows.cds.ApplyUpdates(0) != 0) state.SkipWithError("the change was not applied");
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    const double each = state.iterations() > 0 ? total / static_cast<double>(state.iterations()) : 0;
    if (updateStatementSeconds > 0) state.counters["vs_update"] = each / updateStatementSeconds;
}

BENCHMARK(BM_GridFullRepaint)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_EditorShow)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_EditorHide)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_SetupUpdateStatement)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_SetupCellApply)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);


// ---- Painting the grid -----------------------------------------------------------------------------
// A grid of 1000 x 700 pixels over the rows, painted whole into a bitmap, against a reference of
// the same run that draws the same visible cells with their display texts straight on a bitmap
// (fill, frame, text: the pattern of BM_CanvasTextCells600):
//   BM_CanvasOnlyVisibleCells  the reference
//   BM_GridRepaint1000         a full repaint over 1,000 rows: "vs_canvas", "paint_ms"
//   BM_GridRepaint100000       the same over 100,000 rows: "vs_canvas" (target 2), "vs_1000rows"
//                              (target 1.1), "paint_ms" (goal 16), and "gettext_per_paint", the
//                              OnGetText calls of one field in a repaint (one per visible row)

class PaintedGrid : public TDBGridGx {
public:
    using TDBGridGx::TDBGridGx;
    void PaintOn(TBitmap& picture) {
        Canvas()->SetDevice(picture.Canvas()->Device(), false);
        Paint();
        Canvas()->ReleaseDevice();
    }
};

struct PaintRows {
    std::unique_ptr<TSQLConnection> conn = benchdb::connect();
    TSQLQuery query{nullptr};
    TDataSetProvider provider{nullptr};
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    PaintedGrid grid{nullptr};
    TBitmap picture;
    int getTexts = 0;
    explicit PaintRows(int limit) {
        query.SetSQLConnection(conn.get());
        query.SQL()->SetText("select * from puf_data order by RecMoment" +
                             (limit > 0 ? " limit " + std::to_string(limit) : std::string()));
        provider.SetDataSet(&query);
        cds.SetProvider(&provider);
        source.SetDataSet(&cds);
        grid.SetBorderStyle(bsNone);
        grid.SetBounds(0, 0, 1000, 700);
        cds.Open();
        grid.SetDataSource(&source);
        picture.SetSize(grid.ClientWidth(), grid.ClientHeight());
        cds.FieldByName("PLF")->OnGetText = [this](TField* f, AnsiString& text, bool display) {
            ++getTexts;
            (void)display;
            text = FloatToStr(f->AsFloat());
        };
    }
};
struct PaintAllRows : PaintRows {
    PaintAllRows() : PaintRows(0) {}
};
struct PaintThousandRows : PaintRows {
    PaintThousandRows() : PaintRows(1000) {}
};

double canvasCellsSeconds = 0, repaint1000Seconds = 0;

void BM_CanvasOnlyVisibleCells(benchmark::State& state) {
    PaintAllRows& rows = BenchStation<PaintAllRows>();
    PaintedGrid& g = rows.grid;
    // The cells the grid shows and their texts, read once.
    struct Cell {
        TRect rect;
        AnsiString text;
    };
    std::vector<Cell> cells;
    TGridDataLinkGx* link = g.DataLink();
    const int saved = link->ActiveRecord();
    for (int row = g.TopDataOffset(); row < g.RowCount(); ++row) {
        link->SetActiveRecord(row - g.TopDataOffset());
        for (int col = 1; col < g.ColCount(); ++col) {
            const TRect r = g.CellRect(col, row);
            if (!r.IsEmpty()) cells.push_back({r, g.Columns()->Items(col - 1)->DisplayText()});
        }
    }
    link->SetActiveRecord(saved);
    TBitmap bmp(1000, 700);
    TCanvas* c = bmp.Canvas();
    c->Font()->Assign(g.Font());
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        for (const Cell& cell : cells) {
            c->Brush()->SetColor(clWindow);
            c->FillRect(cell.rect);
            c->Brush()->SetColor(clSilver);
            c->FrameRect(cell.rect);
            c->Brush()->SetStyle(bsClear);
            c->TextOut(cell.rect.Left + 2, cell.rect.Top + 2, cell.text);
        }
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    if (state.iterations() > 0) canvasCellsSeconds = total / static_cast<double>(state.iterations());
    state.counters["cells"] = static_cast<double>(cells.size());
    state.counters["paint_ms"] = canvasCellsSeconds * 1000;
}

double timeRepaint(benchmark::State& state, PaintRows& rows) {
    double total = 0;
    rows.getTexts = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        rows.grid.PaintOn(rows.picture);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    if (state.iterations() == 0) return 0;
    const double each = total / static_cast<double>(state.iterations());
    state.counters["paint_ms"] = each * 1000;
    state.counters["gettext_per_paint"] = static_cast<double>(rows.getTexts) / static_cast<double>(state.iterations());
    state.counters["visible_rows"] = rows.grid.DataLink()->RecordCount();
    if (canvasCellsSeconds > 0) state.counters["vs_canvas"] = each / canvasCellsSeconds;
    return each;
}

void BM_GridRepaint1000(benchmark::State& state) {
    repaint1000Seconds = timeRepaint(state, BenchStation<PaintThousandRows>());
}

void BM_GridRepaint100000(benchmark::State& state) {
    const double each = timeRepaint(state, BenchStation<PaintAllRows>());
    if (repaint1000Seconds > 0) state.counters["vs_1000rows"] = each / repaint1000Seconds;
}

// The reference first, then the thousand rows: the last divides by both.
BENCHMARK(BM_CanvasOnlyVisibleCells)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_GridRepaint1000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_GridRepaint100000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }

// ---- The find dialog ------------------------------------------------------------------------------
// Over the same 100,000 rows, shown by a grid:
//   BM_DisplayTextWalk       a walk over every record reading one column's DisplayText through
//                            AnsiUpperCase (the reference)
//   BM_FindDialogNotFound    one "Find next" step of the find dialog for a text no cell of that column
//                            holds, from the first record ("Все"), with the display format: "vs_walk",
//                            its time divided by the reference's (the target is at most 1.5)
#include "gridlib/grid/DBGridGxFindDlgs.h"
#include "gui/Dialogs.h"

namespace {

double findWalkSeconds = 0;

struct FindRows : GridRows {
    FindRows() : GridRows(0) {
        grid.SetDataSource(&source);
        cds.Open();
    }
    TColumnGx* column() { return grid.Columns()->Items(1); }
};

void BM_DisplayTextWalk(benchmark::State& state) {
    FindRows& rows = BenchStation<FindRows>();
    TColumnGx* column = rows.column();
    std::size_t sink = 0;
    timed(state, [&] {
        rows.cds.DisableControls();
        for (rows.cds.First(); !rows.cds.Eof(); rows.cds.Next()) sink += AnsiUpperCase(column->DisplayText()).str().size();
        rows.cds.EnableControls();
    }, &findWalkSeconds, nullptr, nullptr);
    benchmark::DoNotOptimize(sink);
    state.SetItemsProcessed(state.iterations() * benchdb::kPufRows);
}

void BM_FindDialogNotFound(benchmark::State& state) {
    FindRows& rows = BenchStation<FindRows>();
    int messages = 0;
    const TMessageBoxSink previous = SetMessageBoxSink([&](const TMessageBoxRequest&) {
        ++messages;
        return IDOK;
    });
    TDBGridGxFindDlg dialog(nullptr);
    rows.grid.SetSelectedIndex(1);
    dialog.Execute(&rows.grid, "", "", {}, false);
    dialog.cbFindDirection->SetItemIndex(2);
    dialog.cbUseFormat->SetChecked(true);
    dialog.cbText->SetText("no such text");
    timed(state, [&] { dialog.bFindClick(&dialog); }, nullptr, &findWalkSeconds, "vs_walk");
    dialog.Close();
    SetMessageBoxSink(previous);
    if (messages != static_cast<int>(state.iterations())) state.SkipWithError("the text was found");
    state.SetItemsProcessed(state.iterations() * benchdb::kPufRows);
}

BENCHMARK(BM_DisplayTextWalk)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_FindDialogNotFound)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

// ---- Footer totals and optimal widths -------------------------------------------------------------
// Over the same 100,000 rows, each against a plain walk of the same run:
//   BM_SumFieldsWalk         a walk reading IsNull and AsFloat of PLF, RVF and RGF (the reference)
//   BM_FooterRecount         a full recount of three sums over those fields: "vs_walk" (target 2)
//   BM_MeasureTextWalk       a walk reading the DisplayText of the same three columns and measuring
//                            each with DrawText(DT_CALCRECT) on the grid's canvas (the reference)
//   BM_OptimizeColsWidth     OptimizeColsWidth of those three columns: "vs_walk" (target 1.5)
namespace {

const char* const summedFields[] = {"PLF", "RVF", "RGF"};
double sumWalkSeconds = 0, measureWalkSeconds = 0;

AllRows& openRows() {
    AllRows& rows = BenchStation<AllRows>();
    rows.grid.SetDataSource(&rows.source);
    if (!rows.cds.Active()) rows.cds.Open();
    return rows;
}

void BM_SumFieldsWalk(benchmark::State& state) {
    AllRows& rows = openRows();
    TClientDataSet& ds = rows.cds;
    std::vector<TField*> fields;
    for (const char* name : summedFields) fields.push_back(ds.FieldByName(name));
    timed(state, [&] {
        double total = 0;
        ds.DisableControls();
        for (ds.First(); !ds.Eof(); ds.Next())
            for (TField* f : fields)
                if (!f->IsNull()) total += f->AsFloat();
        ds.First();
        ds.EnableControls();
        benchmark::DoNotOptimize(total);
    }, &sumWalkSeconds, nullptr, "");
    state.SetItemsProcessed(state.iterations() * benchdb::kPufRows);
}

void BM_FooterRecount(benchmark::State& state) {
    AllRows& rows = openRows();
    TDBSumList list(nullptr);
    for (const char* name : summedFields) list.SumCollection()->Add()->SetFieldName(name);
    list.SetDataSet(&rows.cds);
    timed(state, [&] { list.RecalcAll(); }, nullptr, &sumWalkSeconds, "vs_walk");
    state.SetItemsProcessed(state.iterations() * benchdb::kPufRows);
}

void BM_MeasureTextWalk(benchmark::State& state) {
    AllRows& rows = openRows();
    TClientDataSet& ds = rows.cds;
    TCanvas* canvas = rows.grid.Canvas();
    std::vector<TField*> fields;
    for (const char* name : summedFields) fields.push_back(ds.FieldByName(name));
    timed(state, [&] {
        int widest = 0;
        ds.DisableControls();
        for (ds.First(); !ds.Eof(); ds.Next())
            for (TField* f : fields) {
                TRect box(0, 0, 1, 0);
                DrawTextGx(canvas->Handle(), f->DisplayText(), -1, box, DT_CALCRECT | DT_NOPREFIX);
                widest = std::max(widest, box.Width());
            }
        ds.First();
        ds.EnableControls();
        benchmark::DoNotOptimize(widest);
    }, &measureWalkSeconds, nullptr, "");
    state.SetItemsProcessed(state.iterations() * benchdb::kPufRows);
}

void BM_OptimizeColsWidth(benchmark::State& state) {
    AllRows& rows = openRows();
    TColumnsGxList list;
    for (const char* name : summedFields) list.Add(rows.grid.GetFieldColumns(name));
    timed(state, [&] { rows.grid.OptimizeColsWidth(&list); }, nullptr, &measureWalkSeconds, "vs_walk");
    state.SetItemsProcessed(state.iterations() * benchdb::kPufRows);
}

BENCHMARK(BM_SumFieldsWalk)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_FooterRecount)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_MeasureTextWalk)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_OptimizeColsWidth)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

// ---- Keys and the wheel on the grid --------------------------------------------------------------
// The grid of 1000 x 700 pixels over all 100,000 rows, shown, each step with the repaint it causes,
// against a full repaint of the same grid in the same run:
//   BM_InputFullRepaint   the whole grid painted again (the reference)
//   BM_InputPageDown      PgDn and the repaint it asks for: "vs_repaint" (the target is 1.2)
//   BM_InputWheelNotch    one wheel notch down and its repaint: "vs_repaint" (target 1.2)
//   BM_InputCtrlEnd       Ctrl+End from the first row and its repaint: "vs_repaint" (target 1.2)
// Each shows "step_ms" beside (the goal is 16 at most). And against the toolkit's own table:
//   BM_QTableViewPageDown PgDn on a QTableView of the same size over a model of the same rows, each
//                         cell's text made when the view asks for it, and the repaint (the reference)
// BM_InputPageDown divides by it too: "vs_qtableview" (the target is 0.8).
#include "gui/Forms.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>

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
double qtableviewPageDownSeconds = 0;

// The rows as a table model: the client dataset's records, shared, each text made on request the way
// the fields show it (numbers in their shortest exact form, times as day and time).
class PufRowsModel : public QAbstractTableModel {
public:
    explicit PufRowsModel(TClientDataSet& cds) {
        cds.GetRecords(rows_);
        for (int i = 0; i < cds.FieldDefs()->Count(); ++i) {
            const TFieldDef* d = cds.FieldDefs()->Items(i);
            names_.push_back(QString::fromUtf8(d->Name().c_str()));
            times_.push_back(d->DataType() == ftDateTime || d->DataType() == ftTimeStamp);
        }
    }
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : static_cast<int>(rows_.size()); }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : static_cast<int>(names_.size()); }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole) return {};
        const TRecordData& r = *rows_[static_cast<std::size_t>(index.row())];
        const int c = index.column();
        if (r.IsNull(c)) return QString();
        if (times_[static_cast<std::size_t>(c)]) {
            static const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
            return epoch.addMSecs(std::llround(r.Float(c) * 86400000.0)).toString("dd.MM.yyyy hh:mm:ss");
        }
        if (r.Kind(c) == skFloat) return QString::number(r.Float(c), 'g', 15);
        return QString::number(r.Int(c));
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (role != Qt::DisplayRole) return {};
        return o == Qt::Horizontal ? QVariant(names_[static_cast<std::size_t>(section)]) : QVariant(section + 1);
    }

private:
    std::vector<TRecordPtr> rows_;
    std::vector<QString> names_;
    std::vector<bool> times_;
};

void BM_QTableViewPageDown(benchmark::State& state) {
    InputRows& rows = BenchStation<InputRows>();
    PufRowsModel model(rows.cds);
    QTableView view;
    view.setModel(&model);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.setGeometry(0, 0, 1000, 700);
    view.show();
    view.setCurrentIndex(model.index(0, 0));
    QApplication::processEvents();
    double total = 0;
    for (auto _ : state) {
        if (view.currentIndex().row() > benchdb::kPufRows - 100) {
            state.PauseTiming();
            view.setCurrentIndex(model.index(0, 0));
            view.viewport()->repaint();
            state.ResumeTiming();
        }
        const auto t0 = std::chrono::steady_clock::now();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(&view, &press);
        view.viewport()->repaint();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    qtableviewPageDownSeconds = state.iterations() > 0 ? total / static_cast<double>(state.iterations()) : 0;
    state.counters["step_ms"] = qtableviewPageDownSeconds * 1000;
    state.counters["rows_shown"] = view.rowAt(view.viewport()->height() - 1) - view.rowAt(0) + 1;
}

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
    const double seconds = timeInputStep(state, [](InputRows& rows) {
        if (rows.cds.RecNo() > benchdb::kPufRows - 100) rows.cds.First();
        WORD key = VK_NEXT;
        rows.grid.KeyDown(key, 0);
    });
    if (qtableviewPageDownSeconds > 0 && seconds > 0) state.counters["vs_qtableview"] = seconds / qtableviewPageDownSeconds;
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

BENCHMARK(BM_QTableViewPageDown)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_InputFullRepaint)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_InputPageDown)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_InputWheelNotch)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_InputCtrlEnd)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

// ---- The filter row and title markers of a grid ------------------------------------------------------
// The same three comparisons as the dataset features' above, now from a TDBGridGx: its filter cell or
// its title marker goes through the grid, DBGridGxDataService and the registered features, with the
// grid showing the dataset. Each divides by the reference of the same run:
//   BM_GridSqlColumnFilter   the filter cell "> 150" on PLF applied by the grid, against the query
//                            opened with "PLF > 150" in its text (vs_where, target 1.2)
//   BM_GridLocalColumnFilter the same cell applied as the client dataset's own filter, against
//                            SetFilter/SetFiltered of "[PLF] > 150" (vs_setfilter, target 1.5), and
//                            against the same text set while the grid shows the dataset
//                            (BM_GridSetFilterText: vs_setfilter_shown)
//   BM_GridTitleSort         the descending title marker on PLF applied by the grid, against the query
//                            opened with "ORDER BY 2 DESC" (vs_orderby, target 1.2)
struct FilterGridFeatures {
    FilterGridFeatures() {
        RegisterDatasetFeaturesGx(DatasetFeaturesClassOf<TSQLDatasetFeaturesGx>(), TSQLQuery::StaticClass());
        RegisterDatasetFeaturesGx(DatasetFeaturesClassOf<TSQLDatasetFeaturesGx>(), TClientDataSet::StaticClass());
    }
};

// A grid with a filter row over the dataset, showing it.
struct FilterGrid {
    TDataSource source{nullptr};
    TDBGridGx grid{nullptr};
    explicit FilterGrid(TDataSet* ds) {
        BenchStation<FilterGridFeatures>();
        grid.SetBounds(0, 0, 1000, 700);
        grid.STFilter()->SetVisible(true);
        source.SetDataSet(ds);
        grid.SetDataSource(&source);
    }
    ~FilterGrid() { grid.SetDataSource(nullptr); }
    TSTColumnFilterGx* filterOf(const char* field) { return grid.GetFieldColumns(field)->STFilter(); }
};

void BM_GridSqlColumnFilter(benchmark::State& state) {
    Rows& rows = BenchStation<Rows>();
    TSQLQuery q(nullptr);
    q.SetSQLConnection(rows.conn.get());
    q.SQL()->SetText(filterSelect);
    q.Open();
    FilterGrid g(&q);
    g.filterOf("PLF")->SetExpressionStr("> 150");
    timed(state, [&] {
        g.grid.ApplyFilter();
        if (q.RecordCount() != whereRows) state.SkipWithError("not the rows of the WHERE");
    }, nullptr, &whereSeconds, "vs_where");
}

// The reference's filter text on the dataset while the same grid shows it: the grid's own reaction to
// the filtered dataset is in both.
double gridSetFilterSeconds = 0;
void BM_GridSetFilterText(benchmark::State& state) {
    Rows& rows = BenchStation<Rows>();
    TClientDataSet& cds = rows.cds;
    FilterGrid g(&cds);
    timed(state, [&] {
        cds.SetFilter(AnsiString("[PLF] > 150"));
        cds.SetFiltered(true);
        cds.DisableControls();
        const int n = countRows(cds);
        cds.EnableControls();
        if (n != setFilterRows) state.SkipWithError("not the rows of the filter text");
        cds.SetFiltered(false);
    }, &gridSetFilterSeconds, nullptr, "");
}

void BM_GridLocalColumnFilter(benchmark::State& state) {
    Rows& rows = BenchStation<Rows>();
    TClientDataSet& cds = rows.cds;
    FilterGrid g(&cds);
    g.grid.STFilter()->SetLocal(true);
    g.filterOf("PLF")->SetExpressionStr("> 150");
    timed(state, [&] {
        g.grid.ApplyFilter();
        // The rows are counted as the reference counts them, without a grid following each step.
        cds.DisableControls();
        const int n = countRows(cds);
        cds.EnableControls();
        if (n != setFilterRows) state.SkipWithError("not the rows of the filter text");
        cds.SetFiltered(false);
    }, nullptr, &setFilterSeconds, "vs_setfilter");
    if (gridSetFilterSeconds > 0 && state.iterations() > 0)
        state.counters["vs_setfilter_shown"] = state.counters["vs_setfilter"] * setFilterSeconds / gridSetFilterSeconds;
}

void BM_GridTitleSort(benchmark::State& state) {
    Rows& rows = BenchStation<Rows>();
    TSQLQuery q(nullptr);
    q.SetSQLConnection(rows.conn.get());
    q.SQL()->SetText("select * from puf_data\norder by RecMoment");
    q.Open();
    FilterGrid g(&q);
    g.grid.SetOptionsGx(g.grid.OptionsGx() | dghAutoSortMarking);
    g.grid.GetFieldColumns("PLF")->Title()->SetSortMarker(smUpGx);
    timed(state, [&] {
        g.grid.DoSortMarkingChanged();
        if (q.FieldByName("PLF")->AsFloat() != orderByFirst) state.SkipWithError("not the order of the ORDER BY");
    }, nullptr, &orderBySeconds, "vs_orderby");
}

BENCHMARK(BM_GridSqlColumnFilter)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_GridSetFilterText)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_GridLocalColumnFilter)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_GridTitleSort)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

// ---- The lookup combo box and its drop-down ------------------------------------------------------
// A lookup combo box over the 100,000 rows as its list (key RecMoment, display field the text
// "dd.mm.yyyy hh:nn" the query makes of it), on a form, each against a reference of the same run:
//   BM_LookupLocatePrefix    the list's Locate of a prefix first met halfway down the list
//                            (case-insensitive, partial) and one paint of the control (the reference)
//   BM_LookupTypeCompletion  the prefix's last character typed: the completion, the key found and the
//                            control painted: "vs_locate" (the target is 1.5), "step_ms" (goal 16)
//   BM_LookupLocateKey       the list's Locate of the halfway record's key and one paint of the open
//                            7-row drop-down grid (the reference)
//   BM_LookupDropDown        the drop-down opened again on that key and painted: "vs_locate" (the
//                            target is 2), "step_ms" (goal 16)
#include "gridlib/grid/DBLookupGx.h"

namespace {

class BenchLookupCombobox : public TDBLookupComboboxGx {
public:
    using TDBLookupComboboxGx::TDBLookupComboboxGx;
    using TCustomDBLookupComboboxGx::SetEditText;
};

struct LookupRows {
    std::unique_ptr<TSQLConnection> conn = benchdb::connect();
    TSQLQuery query{nullptr};
    TDataSetProvider provider{nullptr};
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    TForm* form = new TForm(nullptr);
    BenchLookupCombobox* combo = new BenchLookupCombobox(form);
    AnsiString prefix;        // first met halfway down the list
    Variant firstKey, halfwayKey;
    LookupRows() {
        query.SetSQLConnection(conn.get());
        query.SQL()->SetText("select RecMoment, date_format(RecMoment, '%d.%m.%Y %H:%i') as Title from puf_data "
                             "order by RecMoment");
        provider.SetDataSet(&query);
        cds.SetProvider(&provider);
        source.SetDataSet(&cds);
        cds.Open();
        firstKey = cds.FieldByName("RecMoment")->Value();
        cds.MoveBy(benchdb::kPufRows / 2);
        halfwayKey = cds.FieldByName("RecMoment")->Value();
        // "dd.mm.yyyy hh:n": the minute's tens, met first at the halfway record's ten minutes.
        prefix = AnsiString(cds.FieldByName("Title")->AsString().str().substr(0, 15));
        cds.First();
        form->SetClientSize(400, 300);
        combo->SetParent(form);
        combo->SetBounds(10, 10, 200, 21);
        combo->SetListSource(&source);
        combo->SetKeyField("RecMoment");
        combo->SetListField("Title");
        form->Show();
        Application->ProcessMessages();
        combo->SetFocus();
        Application->ProcessMessages();
    }
    ~LookupRows() { delete form; }
};

double lookupPrefixSeconds = 0, lookupKeySeconds = 0;

double lookupReport(benchmark::State& state, double total, double reference) {
    const double seconds = state.iterations() > 0 ? total / static_cast<double>(state.iterations()) : 0;
    state.counters["step_ms"] = seconds * 1000;
    if (reference > 0 && seconds > 0) state.counters["vs_locate"] = seconds / reference;
    return seconds;
}

void BM_LookupLocatePrefix(benchmark::State& state) {
    LookupRows& rows = BenchStation<LookupRows>();
    double total = 0;
    for (auto _ : state) {
        rows.cds.First();
        const auto t0 = std::chrono::steady_clock::now();
        const bool found = rows.cds.Locate("Title", Variant(rows.prefix), loCaseInsensitive | loPartialKey);
        rows.combo->Repaint();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!found) state.SkipWithError("the prefix is not in the list");
    }
    lookupPrefixSeconds = lookupReport(state, total, 0);
}

void BM_LookupTypeCompletion(benchmark::State& state) {
    LookupRows& rows = BenchStation<LookupRows>();
    BenchLookupCombobox* combo = rows.combo;
    const std::string p = rows.prefix.str();
    const AnsiString typed(p.substr(0, p.size() - 1));
    const auto last = static_cast<WPARAM>(static_cast<unsigned char>(p.back()));
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // The list on its first record, the text typed so far, the caret at its end.
        combo->SetKeyValue(rows.firstKey);
        combo->SetEditText(typed);
        combo->SetSelStart(CharCount(typed));
        combo->SetSelLength(0);
        combo->Update();
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        combo->Perform(WM_CHAR, last, 0);
        combo->Repaint();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!VarEquals(combo->KeyValue(), rows.cds.FieldByName("RecMoment")->Value()) ||
            combo->Text().str().compare(0, p.size(), p) != 0)
            state.SkipWithError("the typed prefix was not completed");
    }
    lookupReport(state, total, lookupPrefixSeconds);
}

void BM_LookupLocateKey(benchmark::State& state) {
    LookupRows& rows = BenchStation<LookupRows>();
    BenchLookupCombobox* combo = rows.combo;
    combo->SetKeyValue(rows.halfwayKey);
    combo->DropDown();
    TPopupDataGridGx* grid = combo->PopupGrid();
    if (!combo->ListVisible() || grid->RowCount() != 7) state.SkipWithError("no 7-row drop-down");
    double total = 0;
    for (auto _ : state) {
        rows.cds.First();
        const auto t0 = std::chrono::steady_clock::now();
        const bool found = rows.cds.Locate("RecMoment", rows.halfwayKey, 0);
        grid->Repaint();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!found) state.SkipWithError("the key is not in the list");
    }
    combo->CloseUp(false);
    lookupKeySeconds = lookupReport(state, total, 0);
}

void BM_LookupDropDown(benchmark::State& state) {
    LookupRows& rows = BenchStation<LookupRows>();
    BenchLookupCombobox* combo = rows.combo;
    combo->SetKeyValue(rows.halfwayKey);
    combo->DropDown();  // the first opening builds the grid's columns
    combo->CloseUp(false);
    double total = 0;
    for (auto _ : state) {
        state.PauseTiming();
        rows.cds.First();
        combo->Update();
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        combo->DropDown();
        combo->PopupGrid()->Repaint();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.PauseTiming();
        if (!combo->ListVisible() || !VarEquals(combo->PopupGrid()->KeyValue(), rows.halfwayKey) ||
            !combo->PopupGrid()->KeyRowVisible())
            state.SkipWithError("the drop-down did not open on the key");
        combo->CloseUp(false);
        state.ResumeTiming();
    }
    lookupReport(state, total, lookupKeySeconds);
}

// References first: the others divide by their times.
BENCHMARK(BM_LookupLocatePrefix)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_LookupTypeCompletion)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_LookupLocateKey)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_LookupDropDown)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

}  // namespace

// ---- Incremental search ---------------------------------------------------------------------------
// Over the same 100,000 rows, shown by a grid, against BM_DisplayTextWalk of the same run:
//   BM_InplaceSearchNotFound  one typed text that no cell of the current column begins with, searched
//                             from the first record: "vs_walk", its time divided by the walk's
//                             (the target is at most 1.5)
namespace {

void BM_InplaceSearchNotFound(benchmark::State& state) {
    FindRows& rows = BenchStation<FindRows>();
    rows.grid.SetSelectedIndex(1);
    rows.cds.First();
    bool found = false;
    timed(state, [&] {
        rows.grid.StartInplaceSearch("no such text", -1, inpsFromFirstGx);
        found = found || !rows.grid.InplaceSearchText().IsEmpty();
    }, nullptr, &findWalkSeconds, "vs_walk");
    rows.grid.StopInplaceSearch();
    if (found || rows.cds.RecNo() != 1) state.SkipWithError("the text was found or the dataset moved");
    state.SetItemsProcessed(state.iterations() * benchdb::kPufRows);
}

BENCHMARK(BM_InplaceSearchNotFound)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace
