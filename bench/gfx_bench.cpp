// Speed of drawing a long trend line through the canvas, against Qt's own aliased polyline on the
// same picture as the yardstick (compare the ratio, not the absolute times).
#include "gui/Graphics.h"
#include "gui/QtGraphicsInternal.h"

#include <QGuiApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kWidth = 1000, kHeight = 700, kPoints = 100000;

// A trend of 100,000 samples across a 1000-pixel chart: a slow wave with noise, as a day of
// second values looks.
const std::vector<TPoint>& trend() {
    static const std::vector<TPoint> pts = [] {
        std::vector<TPoint> v;
        v.reserve(kPoints);
        unsigned seed = 12345;
        for (int i = 0; i < kPoints; ++i) {
            seed = seed * 1103515245u + 12345u;
            double noise = ((seed >> 16) & 0x7FFF) / 32768.0 - 0.5;
            double y = kHeight / 2 + 250 * std::sin(i * 0.0002) + 60 * noise;
            v.push_back(TPoint(i * kWidth / kPoints, static_cast<int>(y)));
        }
        return v;
    }();
    return pts;
}

void canvasPolyline(benchmark::State& state, int width, TPenMode mode) {
    TBitmap bmp(kWidth, kHeight);
    TCanvas* c = bmp.Canvas();
    c->Pen()->SetColor(clBlue);
    c->Pen()->SetWidth(width);
    c->Pen()->SetMode(mode);
    const auto& pts = trend();
    for (auto _ : state) {
        c->Polyline(pts);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}

void BM_CanvasPolyline100k(benchmark::State& state) { canvasPolyline(state, 1, pmCopy); }
BENCHMARK(BM_CanvasPolyline100k)->Unit(benchmark::kMillisecond);

void BM_CanvasPolyline100kNotXor(benchmark::State& state) { canvasPolyline(state, 1, pmNotXor); }
BENCHMARK(BM_CanvasPolyline100kNotXor)->Unit(benchmark::kMillisecond);

void BM_CanvasPolyline100kWidth3(benchmark::State& state) { canvasPolyline(state, 3, pmCopy); }
BENCHMARK(BM_CanvasPolyline100kWidth3)->Unit(benchmark::kMillisecond);

// The same line through a control's painter (a widget paints on such a picture).
void BM_CanvasPolyline100kOnPainter(benchmark::State& state) {
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    TCanvas c;
    c.Pen()->SetColor(clBlue);
    const auto& pts = trend();
    for (auto _ : state) {
        QPainter p(&img);
        TCanvasPaintScope scope(c, &p, img.size());
        c.Polyline(pts);
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_CanvasPolyline100kOnPainter)->Unit(benchmark::kMillisecond);

// Yardstick: Qt's aliased cosmetic polyline of the same points.
void BM_QPainterPolyline100k(benchmark::State& state) {
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    const auto& pts = trend();
    std::vector<QPoint> q;
    q.reserve(pts.size());
    for (const TPoint& p : pts) q.emplace_back(p.x, p.y);
    for (auto _ : state) {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(Qt::blue, 0));
        p.drawPolyline(q.data(), static_cast<int>(q.size()));
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_QPainterPolyline100k)->Unit(benchmark::kMillisecond);

// A grid-like page of cells: fill, frame and text of 30 x 20 cells.
void BM_CanvasTextCells600(benchmark::State& state) {
    TBitmap bmp(kWidth, kHeight);
    TCanvas* c = bmp.Canvas();
    c->Font()->SetName("Arial");
    c->Font()->SetSize(8);
    for (auto _ : state) {
        for (int row = 0; row < 20; ++row)
            for (int col = 0; col < 30; ++col) {
                TRect r = Bounds(col * 33, row * 35, 33, 35);
                c->Brush()->SetColor((row + col) % 2 ? clWhite : clCream);
                c->FillRect(r);
                c->Brush()->SetColor(clSilver);
                c->FrameRect(r);
                c->Brush()->SetStyle(bsClear);
                c->TextOut(r.Left + 2, r.Top + 2, "1234,5");
            }
    }
    state.SetItemsProcessed(state.iterations() * 600);
}
BENCHMARK(BM_CanvasTextCells600)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
