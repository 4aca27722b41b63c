// Speed of the auxiliary chart components, each on a shown form of 1000 x 400 pixels:
//   BM_MonGraphRedraw/32/720     a full redraw of the trend control (every layer into its picture and
//                                onto the screen) with 32 graphs of 720 columns
//   BM_MonGraphRedraw/1/86400    the same with one graph of 86,400 columns (a day of seconds)
//   BM_SpectrRedraw/4096         a full redraw of the spectrum chart with 4,096 channels, two peaks,
//                                grids, labels and the cursor
// Target for each: under 16 ms (one frame). "frames" reports how many fit into 16 ms.
#include "components/auxiliary/MonGraph.h"
#include "components/auxiliary/Spectr.h"
#include "rtl/MathUtils.h"

#include "BenchSupport.h"  // last: it brings the toolkit's keyword macros

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>

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

// Runs redraw once per iteration and reports the frames per 16 ms.
template <class F>
void timeRedraws(benchmark::State& state, F redraw) {
    double total = 0;
    int n = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        redraw();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ++n;
    }
    if (total > 0) state.counters["frames"] = 0.016 / (total / n);
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

BENCHMARK(BM_MonGraphRedraw)->Args({32, 720})->Args({1, 86400})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpectrRedraw)->Arg(4096)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
