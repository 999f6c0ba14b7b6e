// How long opening the report of a busy month takes: reading the month file,
// building the report, the window and its first picture.
#include "Stats/StatsReporter.h"
#include "Stats/StatsStore.h"
#include "Stats/UI/StatsReportWindow.h"
#include "support/BusyMonth.h"
#include "support/FakeClock.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

const QDateTime inMarch(QDate(2026, 3, 18), QTime(12, 0));
// The reports say they were made at the end of the month.
const FakeClock clock(QDateTime(QDate(2026, 3, 31), QTime(18, 30)));

void prepare(benchmark::State& state, StatsStore& store) {
    const int events = recordBusyMonth(store, 2026, 3);
    state.counters["events"] = events;
}

void BM_OpenMonthReport(benchmark::State& state) {
    QTemporaryDir dir;
    StatsStore store(dir.path());
    prepare(state, store);
    for (auto _ : state) {
        StatsReportWindow window(StatsReporter(store, clock).makeReport(StatsReportScope::month(inMarch)));
        window.show();
        benchmark::DoNotOptimize(window.grab());
    }
}
BENCHMARK(BM_OpenMonthReport)->Unit(benchmark::kMillisecond);

void BM_OpenBusyDayReport(benchmark::State& state) {
    QTemporaryDir dir;
    StatsStore store(dir.path());
    prepare(state, store);
    for (auto _ : state) {
        StatsReportWindow window(StatsReporter(store, clock).makeReport(StatsReportScope::day(inMarch)));
        window.show();
        benchmark::DoNotOptimize(window.grab());
    }
}
BENCHMARK(BM_OpenBusyDayReport)->Unit(benchmark::kMillisecond);

void BM_MakeMonthReport(benchmark::State& state) {
    QTemporaryDir dir;
    StatsStore store(dir.path());
    prepare(state, store);
    const StatsReporter reporter(store, clock);
    for (auto _ : state) {
        benchmark::DoNotOptimize(reporter.makeReport(StatsReportScope::month(inMarch)));
    }
}
BENCHMARK(BM_MakeMonthReport)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
