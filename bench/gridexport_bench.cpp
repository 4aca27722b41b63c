// The grid's export, import and copy over the 100,000 puf_data rows, each against a reference of the
// same run ("vs_<reference>", its time divided by the reference's):
//   BM_WalkDisplayTexts      every record, every column's display text (the reference)
//   BM_ExportCsv / BM_ExportHtml / BM_ExportRtf   the whole grid into a memory stream: vs_walk
//                            (the target is 3 at most); fresh_vs_walk the same into a new stream
//   BM_FileCsv / BM_FileHtml / BM_FileRtf   the same saved to a file (no target): vs_walk
//   BM_WalkDisplayTexts65000 / BM_ExportXls   the same over the first 65,000 rows, the worksheet's
//                            limit: vs_walk (3 at most)
//   BM_WalkValues            every record, every column's field value (the reference)
//   BM_ExportInterchange     the interchange export of the whole grid: vs_values (2 at most)
//   BM_AppendRecords         100,000 records of three values appended to an empty client dataset
//   BM_ImportText            the same values as text imported into an empty client dataset:
//                            vs_append (3 at most)
//   BM_FourExports10000      text, CSV, RTF and interchange exports of 10,000 rows, each into a new
//                            memory stream, as the copy starts from nothing too
//   BM_Copy10000             the clipboard copy of the same rows: vs_exports (1.2 at most) and
//                            copy_ms against the goal of 1,000
// Needs the private server that scripts/bench starts (PLANTMON_TEST_DB_* in the environment).
#include "data/DBClient.h"
#include "db/Provider.h"
#include "db/SqlExpr.h"
#include "gridlib/grid/DBGridGxImpExp.h"
#include "PufRowsFixture.h"
#include "testlib/DataTestSupport.h"
#include "testlib/TempDir.h"

#include "BenchSupport.h"  // last: it brings the toolkit's keyword macros

#include <chrono>
#include <memory>
#include <string>

namespace {

// The rows fetched once, shown by a grid with every field a column.
struct ExportRows {
    std::unique_ptr<TSQLConnection> conn = benchdb::connect();
    TSQLQuery query{nullptr};
    TDataSetProvider provider{nullptr};
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    std::unique_ptr<TDBGridGx> grid;
    ExportRows() {
        query.SetSQLConnection(conn.get());
        query.SQL()->SetText("select * from puf_data order by RecMoment");
        provider.SetDataSet(&query);
        cds.SetProvider(&provider);
        cds.Open();
        source.SetDataSet(&cds);
        grid = std::make_unique<TDBGridGx>(nullptr);
        grid->SetName("Grid1");
        grid->SetDataSource(&source);
        grid->LayoutChanged();
    }
};

// The grid over the first n rows of the shared ones.
struct FirstRows {
    TClientDataSet cds{nullptr};
    TDataSource source{nullptr};
    std::unique_ptr<TDBGridGx> grid;
    explicit FirstRows(int n) {
        ExportRows& all = BenchStation<ExportRows>();
        datatest::MemProvider* prov = new datatest::MemProvider(&cds);
        prov->defs.Assign(*all.cds.FieldDefs());
        std::vector<TRecordPtr> records;
        all.cds.GetRecords(records);
        records.resize(static_cast<std::size_t>(n));
        prov->rows = records;
        cds.SetProvider(prov);
        cds.Open();
        source.SetDataSet(&cds);
        grid = std::make_unique<TDBGridGx>(nullptr);
        grid->SetDataSource(&source);
        grid->LayoutChanged();
    }
};
struct Rows65000 : FirstRows {
    Rows65000() : FirstRows(65000) {}
};
struct Rows10000 : FirstRows {
    Rows10000() : FirstRows(10000) {}
};

template <class Body>
double timedEach(benchmark::State& state, Body body) {
    double total = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        body();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    return state.iterations() > 0 ? total / static_cast<double>(state.iterations()) : 0;
}

void ratio(benchmark::State& state, double each, double reference, const char* counter) {
    if (reference > 0) state.counters[counter] = each / reference;
}

std::size_t walkTexts(TDBGridGx* grid, TDataSet& ds) {
    std::size_t bytes = 0;
    ds.DisableControls();
    for (ds.First(); !ds.Eof(); ds.Next())
        for (int i = 0; i < grid->Columns()->Count(); ++i) bytes += grid->Columns()->Items(i)->DisplayText().Length();
    ds.EnableControls();
    return bytes;
}

template <class T>
long long exportInto(TDBGridGx* grid, TMemoryStreamGx& out) {
    out.Clear();
    WriteDBGridGxToExportStream(ExportClassOf<T>(), grid, &out, true);
    return out.Size();
}

template <class T>
long long exportInto(TDBGridGx* grid) {
    TMemoryStreamGx out;
    out.CapacityHalfStep = 65536;
    return exportInto<T>(grid, out);
}

// The stream an export benchmark writes into again and again: emptied before each export, it keeps
// its block, so the figure is the export's own work. The first touch of fresh memory is a page
// fault per page, and on a virtual machine each costs several microseconds: a fresh stream per
// export adds that to every run (the fresh_vs_walk counter, one run into a new stream).
class KeptStream : public TMemoryStreamGx {
protected:
    // Emptying or shrinking keeps the block; growing within it takes it again as it is.
    void* Realloc(long long& newCapacity) override {
        if (Memory() && newCapacity < Capacity()) return Memory();
        return TMemoryStreamGx::Realloc(newCapacity);
    }
};

template <class T>
TMemoryStreamGx& keptStream(TDBGridGx* grid) {
    static KeptStream out;
    out.CapacityHalfStep = 65536;
    exportInto<T>(grid, out);  // the block grown once, outside the timing
    return out;
}

double walkSeconds = 0, walk65000Seconds = 0, valuesSeconds = 0, appendSeconds = 0, exportsSeconds = 0;

void BM_WalkDisplayTexts(benchmark::State& state) {
    ExportRows& rows = BenchStation<ExportRows>();
    walkSeconds = timedEach(state, [&] { benchmark::DoNotOptimize(walkTexts(rows.grid.get(), rows.cds)); });
}

// One export into a new stream, against the same reference.
template <class T>
void freshRun(benchmark::State& state, TDBGridGx* grid, double reference) {
    const auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(exportInto<T>(grid));
    ratio(state, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), reference,
          "fresh_vs_walk");
}

template <class T>
void exportAll(benchmark::State& state) {
    ExportRows& rows = BenchStation<ExportRows>();
    TMemoryStreamGx& out = keptStream<T>(rows.grid.get());
    ratio(state, timedEach(state, [&] { benchmark::DoNotOptimize(exportInto<T>(rows.grid.get(), out)); }), walkSeconds,
          "vs_walk");
    freshRun<T>(state, rows.grid.get(), walkSeconds);
}
void BM_ExportCsv(benchmark::State& state) { exportAll<TDBGridGxExportAsCSV>(state); }
void BM_ExportHtml(benchmark::State& state) { exportAll<TDBGridGxExportAsHTML>(state); }
void BM_ExportRtf(benchmark::State& state) { exportAll<TDBGridGxExportAsRTF>(state); }

// The same exports saved to a file, as the operator saves them: no target, the time the plant sees.
template <class T>
void exportToFile(benchmark::State& state) {
    ExportRows& rows = BenchStation<ExportRows>();
    testlib::TempDir dir("plantmon-bench-export");
    const std::string file = dir / "export";
    ratio(state, timedEach(state, [&] { SaveDBGridGxToExportFile(ExportClassOf<T>(), rows.grid.get(), file, true); }),
          walkSeconds, "vs_walk");
}
void BM_FileCsv(benchmark::State& state) { exportToFile<TDBGridGxExportAsCSV>(state); }
void BM_FileHtml(benchmark::State& state) { exportToFile<TDBGridGxExportAsHTML>(state); }
void BM_FileRtf(benchmark::State& state) { exportToFile<TDBGridGxExportAsRTF>(state); }

void BM_WalkDisplayTexts65000(benchmark::State& state) {
    Rows65000& rows = BenchStation<Rows65000>();
    walk65000Seconds = timedEach(state, [&] { benchmark::DoNotOptimize(walkTexts(rows.grid.get(), rows.cds)); });
}

void BM_ExportXls(benchmark::State& state) {
    Rows65000& rows = BenchStation<Rows65000>();
    // Without the title row the 65,000 records fit the worksheet as they are.
    rows.grid->SetOptions(rows.grid->Options() & ~dgTitles);
    TMemoryStreamGx& out = keptStream<TDBGridGxExportAsXLS>(rows.grid.get());
    ratio(state,
          timedEach(state, [&] { benchmark::DoNotOptimize(exportInto<TDBGridGxExportAsXLS>(rows.grid.get(), out)); }),
          walk65000Seconds, "vs_walk");
    freshRun<TDBGridGxExportAsXLS>(state, rows.grid.get(), walk65000Seconds);
}

void BM_WalkValues(benchmark::State& state) {
    ExportRows& rows = BenchStation<ExportRows>();
    valuesSeconds = timedEach(state, [&] {
        std::size_t n = 0;
        rows.cds.DisableControls();
        for (rows.cds.First(); !rows.cds.Eof(); rows.cds.Next())
            for (int i = 0; i < rows.grid->Columns()->Count(); ++i)
                n += rows.grid->Columns()->Items(i)->Field()->Value().IsNull() ? 0 : 1;
        rows.cds.EnableControls();
        benchmark::DoNotOptimize(n);
    });
}

void BM_ExportInterchange(benchmark::State& state) {
    ExportRows& rows = BenchStation<ExportRows>();
    TMemoryStreamGx& out = keptStream<TDBGridGxExportAsVCLDBIF>(rows.grid.get());
    ratio(state,
          timedEach(state,
                    [&] { benchmark::DoNotOptimize(exportInto<TDBGridGxExportAsVCLDBIF>(rows.grid.get(), out)); }),
          valuesSeconds, "vs_values");
    freshRun<TDBGridGxExportAsVCLDBIF>(state, rows.grid.get(), valuesSeconds);
}

// An empty client dataset of three columns.
void makeEmpty(TClientDataSet& ds) {
    ds.FieldDefs()->Add("N", ftInteger);
    ds.FieldDefs()->Add("S", ftString, 20);
    ds.FieldDefs()->Add("F", ftFloat);
    ds.CreateDataSet();
}

constexpr int kImportRows = benchdb::kPufRows;

void BM_AppendRecords(benchmark::State& state) {
    appendSeconds = timedEach(state, [&] {
        TClientDataSet ds(nullptr);
        makeEmpty(ds);
        for (int i = 0; i < kImportRows; ++i)
            ds.AppendRecord({Variant(i), Variant("Строка " + std::to_string(i)), Variant(i * 0.5)});
        benchmark::DoNotOptimize(ds.RecordCount());
    });
}

void BM_ImportText(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < kImportRows; ++i)
        text += std::to_string(i) + "\tСтрока " + std::to_string(i) + "\t" + FloatToStr(i * 0.5).str() + "\r\n";
    text.push_back('\0');
    ratio(state, timedEach(state, [&] {
              TClientDataSet ds(nullptr);
              makeEmpty(ds);
              TDataSource source(nullptr);
              source.SetDataSet(&ds);
              TDBGridGx grid(nullptr);
              grid.SetDataSource(&source);
              grid.LayoutChanged();
              TMemoryStream in;
              in.WriteBuffer(text.data(), static_cast<long long>(text.size()));
              in.SetPosition(0);
              ReadDBGridGxFromImportStream(ImportClassOf<TDBGridGxImportAsText>(), &grid, &in, false);
              benchmark::DoNotOptimize(ds.RecordCount());
          }),
          appendSeconds, "vs_append");
}

void BM_FourExports10000(benchmark::State& state) {
    Rows10000& rows = BenchStation<Rows10000>();
    exportsSeconds = timedEach(state, [&] {
        long long n = exportInto<TDBGridGxExportAsText>(rows.grid.get());
        n += exportInto<TDBGridGxExportAsCSV>(rows.grid.get());
        n += exportInto<TDBGridGxExportAsRTF>(rows.grid.get());
        n += exportInto<TDBGridGxExportAsVCLDBIF>(rows.grid.get());
        benchmark::DoNotOptimize(n);
    });
}

void BM_Copy10000(benchmark::State& state) {
    Rows10000& rows = BenchStation<Rows10000>();
    const double each = timedEach(state, [&] { DBGridGx_DoCopyAction(rows.grid.get(), true); });
    ratio(state, each, exportsSeconds, "vs_exports");
    state.counters["copy_ms"] = each * 1000;
}

// References first: the others divide by their times.
BENCHMARK(BM_WalkDisplayTexts)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_ExportHtml)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_ExportRtf)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_FileCsv)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_FileHtml)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_FileRtf)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_WalkDisplayTexts65000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_ExportXls)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_WalkValues)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_ExportInterchange)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_AppendRecords)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_ImportText)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_FourExports10000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_Copy10000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
