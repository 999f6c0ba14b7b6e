// Frame time of the Ultraman theme: one clock tick and one full repaint of
// the view into an offscreen frame, at 1920 x 1080 and 3840 x 2160.
// Reports the median and the 95th percentile per frame in milliseconds.

#include "Rest/Components/UltramanTigaView.h"
#include "support/FakeClock.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

static void ultramanFrame(benchmark::State& state) {
    FakeClock clock;
    const QSize size(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    int remaining = 20;
    UltramanTigaView view(
        clock, 20, [&] { return remaining; }, UltramanTigaView::randomSubtitle());
    view.resize(size);
    view.show();
    QImage frame(size, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::black);
    view.render(&frame); // builds the sprites once
    std::vector<double> times;
    long long frames = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        view.tick();
        // The countdown moves on once a second, as in a rest.
        if (++frames % 25 == 0) {
            remaining = remaining > 0 ? remaining - 1 : 20;
        }
        view.render(&frame, QPoint(), QRegion(), QWidget::DrawChildren);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        benchmark::DoNotOptimize(frame.constBits());
    }
    std::sort(times.begin(), times.end());
    state.counters["median_ms"] = times[times.size() / 2];
    state.counters["p95_ms"] = times[std::min(times.size() - 1, times.size() * 95 / 100)];
}
BENCHMARK(ultramanFrame)->Args({1920, 1080})->Args({3840, 2160})->MinTime(3.0)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
