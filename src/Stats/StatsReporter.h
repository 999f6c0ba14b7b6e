#pragma once

#include "Stats/StatsEvent.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <Qt>

#include <optional>

class Clock;
class StatsStore;

// The period of a report; date is any instant inside the wanted day, week or month.
struct StatsReportScope {
    enum class Kind { day, week, month };

    Kind kind = Kind::day;
    QDateTime date;

    static StatsReportScope day(const QDateTime& date) { return {Kind::day, date}; }
    static StatsReportScope week(const QDateTime& date) { return {Kind::week, date}; }
    static StatsReportScope month(const QDateTime& date) { return {Kind::month, date}; }

    friend bool operator==(const StatsReportScope&, const StatsReportScope&) = default;
};

// Half-open period [start, end).
struct StatsDateInterval {
    QDateTime start;
    QDateTime end;

    friend bool operator==(const StatsDateInterval&, const StatsDateInterval&) = default;
};

// Counters of one day, or of the whole period as the total row.
struct StatsDaySummary {
    QString dayKey;
    qint64 eventCount = 0;
    qint64 appLaunchCount = 0;
    qint64 restCompletedCount = 0;
    qint64 restSkippedCount = 0;
    qint64 restActualSeconds = 0;
    qint64 restSkippedSeconds = 0;
    qint64 hydrationCompletedCount = 0;
    qint64 hydrationSkippedCount = 0;
    qint64 hydrationSnoozedCount = 0;
    qint64 pelvicCompletedCount = 0;
    qint64 pelvicSkippedCount = 0;
    qint64 pelvicSnoozedCount = 0;
    qint64 pelvicGuidedSeconds = 0;

    // Adds one event to the row.
    void apply(const StatsEvent& event);

    friend bool operator==(const StatsDaySummary&, const StatsDaySummary&) = default;
};

struct StatsReport {
    StatsReportScope scope;
    StatsDateInterval interval;
    QString rangeText;           // "yyyy-MM-dd", or "yyyy-MM-dd ~ yyyy-MM-dd"
    QString generatedAtText;     // "yyyy-MM-dd HH:mm:ss"
    StatsDaySummary total;       // dayKey "total"
    QList<StatsDaySummary> days; // one row per day, ascending by dayKey
    QList<StatsEvent> events;    // ascending by timestamp, ties in append order
    QString summaryLine;
};

// Builds day, week and month reports from the store on demand; nothing is cached.
class StatsReporter {
public:
    // Weeks begin on the given weekday, by default on the first weekday of the user's calendar.
    StatsReporter(const StatsStore& store, const Clock& clock,
                  Qt::DayOfWeek firstDayOfWeek = userFirstDayOfWeek());

    // The C library's calendar of the time locale (the user's, as the desktop's calendars read it)
    // where one is set; Qt's locale data otherwise, which puts Sunday first for China.
    static Qt::DayOfWeek userFirstDayOfWeek();
    // The first weekday of a C library time locale such as "zh_CN.UTF-8"; none when unknown.
    static std::optional<Qt::DayOfWeek> calendarFirstDay(const QByteArray& timeLocale);

    StatsReport makeReport(const StatsReportScope& scope) const;

    // 59 -> "59 秒", 61 -> "1 分 1 秒", 3600 -> "1 小时 0 分钟".
    static QString formatDuration(qint64 seconds);
    // One line describing the event, e.g. "护眼完成，休息 20 秒".
    static QString eventText(const StatsEvent& event);

    StatsDateInterval dateInterval(const StatsReportScope& scope) const;

private:
    const StatsStore& store;
    const Clock& clock;
    Qt::DayOfWeek firstDayOfWeek;
};
