#include "Stats/StatsReporter.h"

#include "Platform/Clock.h"
#include "Stats/StatsStore.h"

#include <QLocale>
#include <QMap>
#include <QtNumeric>

#include <algorithm>
#include <clocale>
#include <limits>

#include <langinfo.h>

namespace {

std::optional<qint64> payloadInt(const StatsEvent& event, const QString& key) {
    const auto found = event.payload.constFind(key);
    return found == event.payload.cend() ? std::nullopt : found->intValue();
}

QString payloadText(const StatsEvent& event, const QString& key, const QString& missing) {
    const auto found = event.payload.constFind(key);
    return found == event.payload.cend() ? missing : found->stringValue();
}

QString displayDate(const QDateTime& at) {
    return QLocale::c().toString(at.toLocalTime(), QStringLiteral("yyyy-MM-dd"));
}

QList<QString> dayKeys(const StatsDateInterval& interval) {
    QList<QString> keys;
    for (QDate day = interval.start.toLocalTime().date(); day.isValid() && day.startOfDay() < interval.end;
         day = day.addDays(1)) {
        keys.append(StatsStore::dayKey(day.startOfDay()));
    }
    return keys;
}

QList<StatsDaySummary> summariesByDay(const QList<StatsEvent>& events, const StatsDateInterval& interval) {
    QMap<QString, StatsDaySummary> rows;
    for (const QString& key : dayKeys(interval)) {
        rows.insert(key, StatsDaySummary{key});
    }
    // The stored key counts, so an event recorded under another time zone
    // may add a row outside the period's days.
    auto row = rows.end();
    for (const StatsEvent& event : events) {
        // Sorted events come day by day, so the row usually stays the same.
        if (row == rows.end() || row.key() != event.dayKey) {
            row = rows.find(event.dayKey);
        }
        if (row == rows.end()) {
            row = rows.insert(event.dayKey, StatsDaySummary{event.dayKey});
        }
        row->apply(event);
    }
    return rows.values();
}

// Seconds added without wrapping: one damaged line with a huge number must
// not turn the other rests' time into a negative total.
void addSeconds(qint64& total, qint64 more) {
    if (qAddOverflow(total, more, &total)) {
        total = more > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
    }
}

StatsDaySummary totalOf(const QList<StatsDaySummary>& days) {
    StatsDaySummary total{QStringLiteral("total")};
    for (const StatsDaySummary& day : days) {
        total.eventCount += day.eventCount;
        total.appLaunchCount += day.appLaunchCount;
        total.restCompletedCount += day.restCompletedCount;
        total.restSkippedCount += day.restSkippedCount;
        addSeconds(total.restActualSeconds, day.restActualSeconds);
        addSeconds(total.restSkippedSeconds, day.restSkippedSeconds);
        total.hydrationCompletedCount += day.hydrationCompletedCount;
        total.hydrationSkippedCount += day.hydrationSkippedCount;
        total.hydrationSnoozedCount += day.hydrationSnoozedCount;
        total.pelvicCompletedCount += day.pelvicCompletedCount;
        total.pelvicSkippedCount += day.pelvicSkippedCount;
        total.pelvicSnoozedCount += day.pelvicSnoozedCount;
        addSeconds(total.pelvicGuidedSeconds, day.pelvicGuidedSeconds);
    }
    return total;
}

QString rangeText(const StatsDateInterval& interval) {
    const QString first = displayDate(interval.start);
    const QString last = displayDate(interval.end.addSecs(-1));
    return first == last ? first : first + QStringLiteral(" ~ ") + last;
}

QString summaryLine(const StatsDaySummary& total) {
    if (total.eventCount == 0) {
        return QStringLiteral("今天还没开始维护，身体客服正在待机。");
    }
    if (total.restSkippedCount + total.hydrationSkippedCount + total.pelvicSkippedCount == 0) {
        return QStringLiteral("今天维护记录很干净，身体客服给你一个无声好评。");
    }
    return QStringLiteral("完成不少，但也跳过了一些。Tavo 不审判你，只把身体的小本本摊开给你看。");
}

} // namespace

void StatsDaySummary::apply(const StatsEvent& event) {
    ++eventCount;
    switch (event.type) {
    case StatsEventType::appLaunched:
        ++appLaunchCount;
        break;
    case StatsEventType::restCompleted:
        ++restCompletedCount;
        addSeconds(restActualSeconds,
                   payloadInt(event, QStringLiteral("actualSeconds"))
                       .value_or(payloadInt(event, QStringLiteral("plannedSeconds")).value_or(0)));
        break;
    case StatsEventType::restSkipped:
        ++restSkippedCount;
        addSeconds(restActualSeconds, payloadInt(event, QStringLiteral("actualSeconds")).value_or(0));
        addSeconds(restSkippedSeconds, payloadInt(event, QStringLiteral("skippedSeconds")).value_or(0));
        break;
    case StatsEventType::hydrationCompleted:
        ++hydrationCompletedCount;
        break;
    case StatsEventType::hydrationSkipped:
        ++hydrationSkippedCount;
        break;
    case StatsEventType::hydrationSnoozed:
        ++hydrationSnoozedCount;
        break;
    case StatsEventType::pelvicCompleted:
        ++pelvicCompletedCount;
        addSeconds(pelvicGuidedSeconds, payloadInt(event, QStringLiteral("guidedSeconds")).value_or(0));
        break;
    case StatsEventType::pelvicSkipped:
        ++pelvicSkippedCount;
        break;
    case StatsEventType::pelvicSnoozed:
        ++pelvicSnoozedCount;
        break;
    case StatsEventType::restStarted:
    case StatsEventType::hydrationPromptShown:
    case StatsEventType::pelvicPromptShown:
        break;
    }
}

StatsReporter::StatsReporter(const StatsStore& store, const Clock& clock, Qt::DayOfWeek firstDayOfWeek)
    : store(store)
    , clock(clock)
    , firstDayOfWeek(firstDayOfWeek) {}

Qt::DayOfWeek StatsReporter::userFirstDayOfWeek() {
    const char* name = std::setlocale(LC_TIME, nullptr);
    return calendarFirstDay(name ? QByteArray(name) : QByteArray())
        .value_or(QLocale::system().firstDayOfWeek());
}

std::optional<Qt::DayOfWeek> StatsReporter::calendarFirstDay(const QByteArray& timeLocale) {
    // The C and POSIX locales name no calendar of their own.
    if (timeLocale.isEmpty() || timeLocale == "C" || timeLocale == "POSIX" || timeLocale.startsWith("C.")) {
        return std::nullopt;
    }
    const locale_t locale = newlocale(LC_TIME_MASK, timeLocale.constData(), locale_t(nullptr));
    if (locale == locale_t(nullptr)) {
        return std::nullopt;
    }
    // glibc: day 1 of the week is the weekday of the date week-1stday (yyyymmdd, as a number),
    // and first_weekday counts the first day of a displayed week from it, starting at 1.
    const auto date =
        static_cast<quint32>(reinterpret_cast<quintptr>(nl_langinfo_l(_NL_TIME_WEEK_1STDAY, locale)));
    const int offset = static_cast<unsigned char>(nl_langinfo_l(_NL_TIME_FIRST_WEEKDAY, locale)[0]);
    freelocale(locale);
    const QDate dayOne(static_cast<int>(date / 10000), static_cast<int>(date / 100 % 100),
                       static_cast<int>(date % 100));
    if (!dayOne.isValid() || offset < 1 || offset > 7) {
        return std::nullopt;
    }
    return static_cast<Qt::DayOfWeek>((dayOne.dayOfWeek() - 1 + offset - 1) % 7 + 1);
}

StatsDateInterval StatsReporter::dateInterval(const StatsReportScope& scope) const {
    const QDate date = scope.date.toLocalTime().date();
    switch (scope.kind) {
    case StatsReportScope::Kind::week: {
        const QDate first = date.addDays(-((date.dayOfWeek() - firstDayOfWeek + 7) % 7));
        return {first.startOfDay(), first.addDays(7).startOfDay()};
    }
    case StatsReportScope::Kind::month: {
        const QDate first(date.year(), date.month(), 1);
        return {first.startOfDay(), first.addMonths(1).startOfDay()};
    }
    case StatsReportScope::Kind::day:
        break;
    }
    return {date.startOfDay(), date.addDays(1).startOfDay()};
}

StatsReport StatsReporter::makeReport(const StatsReportScope& scope) const {
    StatsReport report;
    report.scope = scope;
    report.interval = dateInterval(scope);
    report.events = store.events(report.interval.start, report.interval.end);
    // Files are written in time order, so the events nearly always come
    // sorted, and checking costs far less than sorting.
    const auto earlier = [](const StatsEvent& a, const StatsEvent& b) { return a.timestamp < b.timestamp; };
    if (!std::is_sorted(report.events.cbegin(), report.events.cend(), earlier)) {
        std::stable_sort(report.events.begin(), report.events.end(), earlier);
    }
    report.days = summariesByDay(report.events, report.interval);
    report.total = totalOf(report.days);
    report.rangeText = rangeText(report.interval);
    report.generatedAtText =
        QLocale::c().toString(clock.now().toLocalTime(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    report.summaryLine = summaryLine(report.total);
    return report;
}

QString StatsReporter::formatDuration(qint64 seconds) {
    if (seconds < 1) {
        return QStringLiteral("0 秒");
    }
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds / 60 % 60;
    const qint64 rest = seconds % 60;
    if (seconds < 60) {
        return QStringLiteral("%1 秒").arg(seconds);
    }
    if (seconds < 3600) {
        return rest == 0 ? QStringLiteral("%1 分钟").arg(minutes)
                         : QStringLiteral("%1 分 %2 秒").arg(minutes).arg(rest);
    }
    return rest == 0 ? QStringLiteral("%1 小时 %2 分钟").arg(hours).arg(minutes)
                     : QStringLiteral("%1 小时 %2 分 %3 秒").arg(hours).arg(minutes).arg(rest);
}

QString StatsReporter::eventText(const StatsEvent& event) {
    switch (event.type) {
    case StatsEventType::appLaunched:
        return QStringLiteral("Tavo 启动");
    case StatsEventType::restStarted:
        return QStringLiteral("护眼开始（计划 %1 秒）")
            .arg(payloadText(event, QStringLiteral("plannedSeconds"), QStringLiteral("?")));
    case StatsEventType::restCompleted:
        return QStringLiteral("护眼完成，休息 %1 秒")
            .arg(payloadText(event, QStringLiteral("actualSeconds"), QStringLiteral("?")));
    case StatsEventType::restSkipped:
        return QStringLiteral("护眼跳过，已休息 %1 秒，跳过 %2 秒")
            .arg(payloadText(event, QStringLiteral("actualSeconds"), QStringLiteral("0")),
                 payloadText(event, QStringLiteral("skippedSeconds"), QStringLiteral("0")));
    case StatsEventType::hydrationPromptShown:
        return QStringLiteral("喝水提醒出现");
    case StatsEventType::hydrationCompleted:
        return QStringLiteral("喝水完成");
    case StatsEventType::hydrationSkipped:
        return QStringLiteral("喝水跳过");
    case StatsEventType::hydrationSnoozed:
        return QStringLiteral("喝水延后");
    case StatsEventType::pelvicPromptShown:
        return QStringLiteral("提肛提醒出现");
    case StatsEventType::pelvicCompleted:
        return QStringLiteral("提肛完成");
    case StatsEventType::pelvicSkipped:
        return QStringLiteral("提肛跳过");
    case StatsEventType::pelvicSnoozed:
        return QStringLiteral("提肛延后");
    }
    Q_UNREACHABLE();
    return {};
}
