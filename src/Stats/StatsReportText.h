#pragma once

#include "Stats/StatsReporter.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The words and figures of a report as the report window shows them, and the
// whole report as text for a terminal or as JSON for a script.
namespace StatsReportText {

// Completed rests, drinks and exercise sets; skipped ones likewise.
qint64 doneCount(const StatsDaySummary& summary);
qint64 skippedCount(const StatsDaySummary& summary);
// Share of done items in percent, 0 when nothing was done or skipped.
int maintenanceScore(const StatsDaySummary& total);
QString scoreLabel(int score);
// "Tavo 身体维护日报", "…周报", "…月报".
QString title(StatsReportScope::Kind kind);

// One figure of the overview: "护眼完成", "12", "跳过 3 次".
struct Metric {
    QString title;
    QString value;
    QString subtitle;

    friend bool operator==(const Metric&, const Metric&) = default;
};
QList<Metric> metrics(const StatsDaySummary& total);

QString eventIcon(StatsEventType type);
// 24-hour "HH:mm:ss" in local time.
QString timeText(const QDateTime& at);

// Title, period, verdict, score, the overview, one line per day and, for a
// day, its events; lines end with a line feed.
QString plainText(const StatsReport& report);
// One object: scope, title, rangeText, generatedAtText, summaryLine, score,
// total and days, each row with every counter.
QByteArray json(const StatsReport& report);

} // namespace StatsReportText
