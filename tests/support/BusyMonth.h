#pragma once

#include "Stats/StatsStore.h"

#include <QDate>
#include <QDateTime>
#include <QUuid>

// Records a month of a busy office worker's events into store: every day a
// launch, a rest every 20 minutes from 09:00 to 19:00, a drink every 45
// minutes and an exercise set every hour, with the odd skip. Days differ in
// load so the bars differ; Sundays stay empty. Over 2,000 events a month.
inline int recordBusyMonth(StatsStore& store, int year, int month) {
    int recorded = 0;
    const QDate first(year, month, 1);
    for (QDate day = first; day.month() == month; day = day.addDays(1)) {
        if (day.dayOfWeek() == Qt::Sunday) {
            continue;
        }
        const int load = 6 + (day.day() * 7) % 5; // hours at the desk: 6 to 10
        const QDateTime start(day, QTime(9, 0));
        store.record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {}, start);
        ++recorded;
        for (int minute = 20; minute <= load * 60; minute += 20) {
            const QDateTime at = start.addSecs(minute * 60);
            const QString session = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
            const bool skipped = (minute / 20 + day.day()) % 6 == 0;
            const qint64 actual = skipped ? 8 : 20;
            StatsPayload payload{{QStringLiteral("plannedSeconds"), 20},
                                 {QStringLiteral("actualSeconds"), 0},
                                 {QStringLiteral("skippedSeconds"), 0},
                                 {QStringLiteral("workDurationSeconds"), 1200},
                                 {QStringLiteral("theme"), QStringLiteral("aurora")}};
            store.record(StatsEventType::restStarted, StatsEventSource::scheduled, session, payload, at);
            payload.insert(QStringLiteral("actualSeconds"), actual);
            payload.insert(QStringLiteral("skippedSeconds"), 20 - actual);
            store.record(skipped ? StatsEventType::restSkipped : StatsEventType::restCompleted,
                         StatsEventSource::scheduled, session, payload, at.addSecs(actual));
            recorded += 2;
        }
        for (int minute = 45, n = 1; minute <= load * 60; minute += 45, ++n) {
            const QDateTime at = start.addSecs(minute * 60 + 30);
            const StatsPayload interval{{QStringLiteral("intervalMinutes"), 45}};
            store.record(StatsEventType::hydrationPromptShown, StatsEventSource::scheduled, std::nullopt,
                         interval, at);
            if ((n + day.day()) % 4 == 0) {
                store.record(StatsEventType::hydrationSkipped, StatsEventSource::notification, std::nullopt,
                             interval, at.addSecs(40));
            } else {
                StatsPayload done = interval;
                done.insert(QStringLiteral("countAfter"), n);
                store.record(StatsEventType::hydrationCompleted, StatsEventSource::notification, std::nullopt,
                             done, at.addSecs(40));
            }
            recorded += 2;
        }
        for (int minute = 60, n = 1; minute <= load * 60; minute += 60, ++n) {
            const QDateTime at = start.addSecs(minute * 60 + 50);
            const StatsPayload interval{{QStringLiteral("intervalMinutes"), 60}};
            store.record(StatsEventType::pelvicPromptShown, StatsEventSource::scheduled, std::nullopt,
                         interval, at);
            if (n % 3 == 0) {
                store.record(StatsEventType::pelvicSkipped, StatsEventSource::notification, std::nullopt,
                             interval, at.addSecs(25));
            } else {
                StatsPayload done = interval;
                done.insert(QStringLiteral("countAfter"), n);
                done.insert(QStringLiteral("guidedSeconds"), 0);
                store.record(StatsEventType::pelvicCompleted, StatsEventSource::notification, std::nullopt,
                             done, at.addSecs(25));
            }
            recorded += 2;
        }
    }
    return recorded;
}
