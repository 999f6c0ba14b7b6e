// Reading cost of the statistics log: every report parses its month files whole.
#include "Platform/Clock.h"
#include "Stats/StatsReporter.h"
#include "Stats/StatsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUuid>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

const QDate month(2026, 3, 1);

// A month of the kinds of events the app writes, spread evenly over its days.
QByteArray monthFile(int eventCount) {
    static constexpr StatsEventType cycle[] = {
        StatsEventType::restStarted,          StatsEventType::restCompleted,
        StatsEventType::restStarted,          StatsEventType::restSkipped,
        StatsEventType::hydrationPromptShown, StatsEventType::hydrationCompleted,
        StatsEventType::pelvicPromptShown,    StatsEventType::pelvicCompleted,
        StatsEventType::appLaunched,          StatsEventType::hydrationSkipped,
    };
    const qint64 spacing = qint64(month.daysInMonth()) * 86400 / eventCount;
    const QDateTime start = month.startOfDay();
    QByteArray bytes;
    for (int i = 0; i < eventCount; ++i) {
        StatsEvent event;
        event.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        event.timestamp = start.addSecs(i * spacing);
        event.dayKey = StatsStore::dayKey(event.timestamp);
        event.monthKey = StatsStore::monthKey(event.timestamp);
        event.type = cycle[i % std::size(cycle)];
        event.source = StatsEventSource::scheduled;
        event.appVersion = QStringLiteral("1.0.0");
        switch (event.type) {
        case StatsEventType::restStarted:
        case StatsEventType::restCompleted:
        case StatsEventType::restSkipped:
            event.sessionId = event.id;
            event.payload = {{QStringLiteral("plannedSeconds"), 20},
                             {QStringLiteral("actualSeconds"), 20},
                             {QStringLiteral("skippedSeconds"), 0},
                             {QStringLiteral("workDurationSeconds"), 1200},
                             {QStringLiteral("theme"), "aurora"}};
            break;
        case StatsEventType::appLaunched:
            break;
        default:
            event.payload = {{QStringLiteral("intervalMinutes"), 45}, {QStringLiteral("countAfter"), 3}};
        }
        bytes += *encodeStatsEvent(event) + '\n';
    }
    return bytes;
}

// One store per size, written once and kept for the whole run.
StatsStore& storeWith(int eventCount) {
    struct Fixture {
        QTemporaryDir dir;
        std::unique_ptr<StatsStore> store;
    };
    static std::map<int, Fixture> fixtures;
    Fixture& fixture = fixtures[eventCount];
    if (!fixture.store) {
        fixture.store = std::make_unique<StatsStore>(fixture.dir.path());
        QFile file(fixture.store->eventsDirectory() + QStringLiteral("/2026-03.jsonl"));
        if (!file.open(QIODevice::WriteOnly) || file.write(monthFile(eventCount)) < 0) {
            qFatal("cannot write the benchmark month file");
        }
    }
    return *fixture.store;
}

void parseMonthFile(benchmark::State& state) {
    const int eventCount = int(state.range(0));
    const QByteArray bytes = monthFile(eventCount);
    for (auto _ : state) {
        const QList<StatsEvent> events = decodeStatsEventLines(bytes);
        if (events.size() != eventCount) {
            state.SkipWithError("lost events");
        }
    }
    state.SetItemsProcessed(state.iterations() * eventCount);
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void monthReport(benchmark::State& state) {
    const int eventCount = int(state.range(0));
    const SystemClock clock;
    const StatsReporter reporter(storeWith(eventCount), clock);
    for (auto _ : state) {
        const StatsReport report =
            reporter.makeReport(StatsReportScope::month(month.startOfDay().addDays(10)));
        if (report.total.eventCount != eventCount || report.days.size() != month.daysInMonth()) {
            state.SkipWithError("wrong report");
        }
    }
    state.SetItemsProcessed(state.iterations() * eventCount);
}

} // namespace

BENCHMARK(parseMonthFile)->Arg(5000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(monthReport)->Arg(5000)->Arg(1000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
