// Speed of the auxiliary chart components, each on a shown form of 1000 x 400 pixels:
//   BM_MonGraphRedraw/32/720     a full redraw of the trend control (every layer into its picture and
//                                onto the screen) with 32 graphs of 720 columns
//   BM_MonGraphRedraw/1/86400    the same with one graph of 86,400 columns (a day of seconds)
//   BM_SpectrRedraw/4096         a full redraw of the spectrum chart with 4,096 channels, two peaks,
//                                grids, labels and the cursor
// Target for each: under 16 ms (one frame). "frames" reports how many fit into 16 ms.
//
// Speed of the 8-byte day archive in a scratch folder (page cache warm, as after any recent write):
//   BM_StreamWriteDay / BM_StreamReadDay   the yardstick: the 691,200 bytes of a day written or read
//                                          with one TFileStream call
//   BM_ArchiveWriteDay   a day of one-second records through SetData: the day taken into use (its
//                        block cleared, the header written), the runs flushed every 1,800 records
//   BM_ArchiveReadDay    the same day read back through GetData from a cold cache (archive reopened)
// Both report "records_per_s" and "vs_stream", their time over the yardstick's of the same run.
#include "components/auxiliary/ArcManager.h"
#include "components/auxiliary/MonGraph.h"
#include "components/auxiliary/Spectr.h"
#include "rtl/MathUtils.h"
#include "rtl/Streams.h"
#include "testlib/TempDir.h"

#include "BenchSupport.h"  // last: it brings the toolkit's keyword macros

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 400;

struct Shown {
    Shown() {
        form = new TForm(nullptr);
        form->SetBounds(0, 0, kWidth + 40, kHeight + 60);
        form->Show();
        Application->ProcessMessages();
    }
    ~Shown() { form->Free(); }
    TForm* form = nullptr;
};

Shown& shown() { return BenchStation<Shown>(); }

// Runs f once per iteration; the mean seconds of one run.
template <class F>
double meanSeconds(benchmark::State& state, F f) {
    double total = 0;
    int n = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        f();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ++n;
    }
    return n > 0 ? total / n : 0;
}

// Reports how many redraws fit into one frame of 16 ms.
template <class F>
void timeRedraws(benchmark::State& state, F redraw) {
    double seconds = meanSeconds(state, redraw);
    if (seconds > 0) state.counters["frames"] = 0.016 / seconds;
}

void BM_MonGraphRedraw(benchmark::State& state) {
    const int graphs = static_cast<int>(state.range(0));
    const int columns = static_cast<int>(state.range(1));
    auto* g = new TMonGraph(shown().form);
    g->SetParent(shown().form);
    g->SetBounds(0, 0, kWidth, kHeight);
    g->SetGraphCount(graphs);
    g->SetGraphSize(columns);
    g->SetIntervalSize(columns);
    g->SetYMax(1000);
    g->SetShowScaleX(true);
    g->SetShowScaleY(true);
    g->SetShowAxis(true);
    g->SetShowBorder(true);
    g->SetShowCursor(true);
    SetRandSeed(7);
    for (int i = 0; i < graphs; ++i) {
        double v = 100 + 25 * i;
        for (int col = 0; col < columns; ++col) {
            v += Random() * 20 - 10;
            g->AddPoint(col, i, v, col % 97 == 0);
            if (col % 5 == 0) g->AddPoint(col, i, v + 15, false);  // some columns hold a range
        }
    }
    Application->ProcessMessages();
    timeRedraws(state, [&] {
        g->StyleChanged(nullptr);
        g->Repaint();
    });
    state.counters["columns"] = columns;
    delete g;
}

void BM_SpectrRedraw(benchmark::State& state) {
    const int channels = static_cast<int>(state.range(0));
    auto* s = new TSpectr(shown().form);
    s->SetParent(shown().form);
    s->SetBounds(0, 0, kWidth, kHeight);
    s->SetSize(channels);
    s->SetDemoData(true);  // two Gaussian peaks and their texts
    s->SetShowPics(true);
    s->SetShowCursor(true);
    s->SetCrossCursor(true);
    s->SetCursorPosition(channels / 3);
    s->SetAutoYMax(true);
    s->SetAutoYScale(true);
    Application->ProcessMessages();
    timeRedraws(state, [&] {
        s->StyleChanged(nullptr);
        s->Repaint();
    });
    delete s;
}

// ---- Day archive ----------------------------------------------------------------------------------------

constexpr long long kDayBytes = 86400LL * 8;

struct ArchiveFolder {
    testlib::ScratchCurrentDir dir{"plantmon-bench-arc"};
    std::vector<std::uint8_t> day = std::vector<std::uint8_t>(kDayBytes, 0x5A);
};

ArchiveFolder& archiveFolder() { return BenchStation<ArchiveFolder>(); }

// Mean seconds of the yardstick of this run, by direction.
double streamWriteSeconds = 0, streamReadSeconds = 0;

void BM_StreamWriteDay(benchmark::State& state) {
    ArchiveFolder& f = archiveFolder();
    TFileStream file("stream.bin", fmCreate);
    streamWriteSeconds = meanSeconds(state, [&] {
        file.Seek(0, soBeginning);
        file.WriteBuffer(f.day.data(), kDayBytes);
    });
}

void BM_StreamReadDay(benchmark::State& state) {
    ArchiveFolder& f = archiveFolder();
    TFileStream file("stream.bin", fmOpenRead);
    streamReadSeconds = meanSeconds(state, [&] {
        file.Seek(0, soBeginning);
        file.ReadBuffer(f.day.data(), kDayBytes);
    });
}

void reportArchive(benchmark::State& state, double seconds, double yardstick) {
    if (seconds > 0) state.counters["records_per_s"] = 86400 / seconds;
    if (yardstick > 0) state.counters["vs_stream"] = seconds / yardstick;
}

void BM_ArchiveWriteDay(benchmark::State& state) {
    archiveFolder();
    DeleteFile("day.arc");
    TArcManager arc(nullptr);
    arc.SetFileName("day.arc");
    arc.SetArcSize(2);
    arc.SetActive(true);
    TDateTime day = EncodeDate(2010, 5, 17);
    TArcRecord rec;
    rec.Written = 1;
    double seconds = meanSeconds(state, [&] {
        // A new day each time: with two blocks every day after the second reuses the older one.
        day += 1;
        arc.SetWriteCursor(day);
        for (int s = 0; s < 86400; ++s) {
            rec.Channel[0] = static_cast<std::uint16_t>(s);
            arc.SetData(day + s * OneSecond, &rec);
        }
        arc.FlushCashe();
    });
    reportArchive(state, seconds, streamWriteSeconds);
}

void BM_ArchiveReadDay(benchmark::State& state) {
    archiveFolder();
    TArcManager arc(nullptr);
    arc.SetFileName("day.arc");
    TDateTime day = 0;
    TArcRecord rec;
    long long sum = 0;
    double total = 0;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        arc.SetActive(false);
        arc.SetActive(true);  // the cache starts empty
        day = arc.LastDay();
        state.ResumeTiming();
        auto t0 = std::chrono::steady_clock::now();
        for (int s = 0; s < 86400; ++s) {
            arc.GetData(std::trunc(day) + s * OneSecond, &rec);
            sum += rec.Channel[0];
        }
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ++n;
    }
    benchmark::DoNotOptimize(sum);
    reportArchive(state, n > 0 ? total / n : 0, streamReadSeconds);
}

BENCHMARK(BM_StreamWriteDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamReadDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArchiveWriteDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArchiveReadDay)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_MonGraphRedraw)->Args({32, 720})->Args({1, 86400})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpectrRedraw)->Arg(4096)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
