// Painting a whole 1000 x 700 form with 300 small controls (labels, lamps, panels, edits, buttons),
// against the same form empty: the cost of one full repaint, and per control.
// A full repaint of a 1000 x 700 string grid (about 35 rows on screen) scrolled to the middle of
// 100,000 rows against the same with 1,000 rows: "vs_1000rows" is the first time divided by the
// second, both taken in the same run (target: at most 1.1).
#include "gui/Buttons.h"
#include "gui/ExtCtrls.h"
#include "gui/Forms.h"
#include "gui/Grids.h"
#include "gui/StdCtrls.h"

#include "BenchSupport.h"  // last: it brings the toolkit's keyword macros

#include <QPixmap>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

namespace {

TForm* makeForm(int controls) {
    auto* f = new TForm(nullptr);
    f->SetClientSize(1000, 700);
    f->SetColor(clSilver);
    // A grid of cells 50 x 46: 20 columns by 15 rows = 300 places.
    for (int i = 0; i < controls; ++i) {
        int x = (i % 20) * 50, y = (i / 20) * 46;
        switch (i % 5) {
        case 0: {
            auto* l = new TLabel(f);
            l->SetParent(f);
            l->SetBounds(x + 2, y + 2, 46, 16);
            l->SetAutoSize(false);
            l->SetCaption("12,5 т");
            break;
        }
        case 1: {
            auto* s = new TShape(f);
            s->SetParent(f);
            s->SetShape(stCircle);
            s->SetBounds(x + 2, y + 2, 15, 15);
            s->Brush()->SetColor(clLime);
            break;
        }
        case 2: {
            auto* p = new TPanel(f);
            p->SetParent(f);
            p->SetBounds(x + 2, y + 2, 46, 40);
            p->SetCaption("ПУ");
            break;
        }
        case 3: {
            auto* e = new TEdit(f);
            e->SetParent(f);
            e->SetBounds(x + 2, y + 2, 46, 21);
            e->SetText("38400");
            break;
        }
        default: {
            auto* b = new TSpeedButton(f);
            b->SetParent(f);
            b->SetBounds(x + 2, y + 2, 46, 24);
            b->SetCaption("[]");
            break;
        }
        }
    }
    f->Show();
    QCoreApplication::processEvents();
    return f;
}

// A full repaint: every control asked to paint again, then the window drawn.
void paintAll(TForm* f, QPixmap& target) {
    f->Invalidate();
    for (int i = 0; i < f->ControlCount(); ++i) f->Controls(i)->Invalidate();
    f->ClientWidget()->render(&target);
}

void BM_PaintEmptyForm(benchmark::State& state) {
    TForm* f = makeForm(0);
    QPixmap target(1000, 700);
    for (auto _ : state) paintAll(f, target);
    f->Free();
}
BENCHMARK(BM_PaintEmptyForm)->Unit(benchmark::kMicrosecond);

void BM_PaintForm300Controls(benchmark::State& state) {
    TForm* f = makeForm(300);
    QPixmap target(1000, 700);
    for (auto _ : state) paintAll(f, target);
    state.counters["controls"] = 300;
    // Seconds per control painted.
    state.counters["per_control"] =
        benchmark::Counter(300, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    f->Free();
}
BENCHMARK(BM_PaintForm300Controls)->Unit(benchmark::kMicrosecond);

// Only what changed: one lamp of the 300 repainted.
void BM_RepaintOneLamp(benchmark::State& state) {
    TForm* f = makeForm(300);
    TControl* lamp = f->Controls(1);
    for (auto _ : state) {
        lamp->Repaint();
    }
    f->Free();
}
BENCHMARK(BM_RepaintOneLamp)->Unit(benchmark::kMicrosecond);

// A form of 1000 x 700 filled by a string grid of rows rows (eight columns, rows of 19 pixels and
// their line), scrolled to the middle.
TForm* gridForm(int rows, TStringGrid*& grid) {
    auto* f = new TForm(nullptr);
    f->SetClientSize(1000, 700);
    auto* g = new TStringGrid(f);
    g->SetParent(f);
    g->SetAlign(alClient);
    g->SetColCount(8);
    g->SetRowCount(rows);
    g->SetDefaultColWidth(120);
    g->SetDefaultRowHeight(19);
    for (int c = 0; c < 8; ++c) g->SetCells(c, 0, "Столбец " + std::to_string(c));
    for (int r = 1; r < rows; ++r) {
        g->SetCells(0, r, std::to_string(r));
        g->SetCells(1, r, "12,5");
        g->SetCells(2, r, "пуск");
    }
    g->SetTopRow(rows / 2);
    f->Show();
    QCoreApplication::processEvents();
    grid = g;
    return f;
}

double repaintSeconds(TForm* f, TStringGrid* g, QPixmap& target) {
    auto t0 = std::chrono::steady_clock::now();
    g->Invalidate();
    f->ClientWidget()->render(&target);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_RepaintStringGrid100000Rows(benchmark::State& state) {
    TStringGrid* small = nullptr;
    TStringGrid* large = nullptr;
    TForm* fs = gridForm(1000, small);
    TForm* fl = gridForm(100000, large);
    QPixmap target(1000, 700);
    double smallTotal = 0, largeTotal = 0;
    for (auto _ : state) {
        // Taken in turns, so that both see the same machine.
        largeTotal += repaintSeconds(fl, large, target);
        smallTotal += repaintSeconds(fs, small, target);
    }
    const double n = static_cast<double>(state.iterations());
    if (n > 0 && smallTotal > 0) {
        state.counters["ms_100000rows"] = largeTotal / n * 1000;
        state.counters["ms_1000rows"] = smallTotal / n * 1000;
        state.counters["vs_1000rows"] = largeTotal / smallTotal;
        state.counters["rows_shown"] = large->VisibleRowCount();
    }
    fs->Free();
    fl->Free();
}
BENCHMARK(BM_RepaintStringGrid100000Rows)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return RunGuiBenchmarks(argc, argv); }
