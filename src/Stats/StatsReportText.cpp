#include "Stats/StatsReportText.h"

#include <QLocale>

#include <nlohmann/json.hpp>

#include <algorithm>

namespace StatsReportText {

qint64 doneCount(const StatsDaySummary& summary) {
    return summary.restCompletedCount + summary.hydrationCompletedCount + summary.pelvicCompletedCount;
}

qint64 skippedCount(const StatsDaySummary& summary) {
    return summary.restSkippedCount + summary.hydrationSkippedCount + summary.pelvicSkippedCount;
}

int maintenanceScore(const StatsDaySummary& total) {
    const qint64 done = std::max<qint64>(doneCount(total), 0);
    const qint64 all = std::max<qint64>(done + std::max<qint64>(skippedCount(total), 0), 1);
    // Whole-number arithmetic rounds exact halves up: 57 of 200 is 28.5 and
    // scores 29, where 0.285 × 100 in floating point falls just below.
    const qint64 score = (200 * done + all) / (2 * all);
    return static_cast<int>(std::clamp<qint64>(score, 0, 100));
}

QString scoreLabel(int score) {
    if (score >= 90) {
        return QStringLiteral("身体客服：优秀");
    }
    if (score >= 70) {
        return QStringLiteral("还行，没太嘎");
    }
    if (score >= 40) {
        return QStringLiteral("小本本已打开");
    }
    return QStringLiteral("今天有点硬撑");
}

QString title(StatsReportScope::Kind kind) {
    switch (kind) {
    case StatsReportScope::Kind::day:
        return QStringLiteral("Tavo 身体维护日报");
    case StatsReportScope::Kind::week:
        return QStringLiteral("Tavo 身体维护周报");
    case StatsReportScope::Kind::month:
        return QStringLiteral("Tavo 身体维护月报");
    }
    return {};
}

QList<Metric> metrics(const StatsDaySummary& total) {
    const QString skipped = QStringLiteral("跳过 ");
    const QString snoozed = QStringLiteral(" · 延后 ");
    return {
        {QStringLiteral("护眼完成"), QString::number(total.restCompletedCount),
         skipped + QString::number(total.restSkippedCount) + QStringLiteral(" 次")},
        {QStringLiteral("累计休息"), StatsReporter::formatDuration(total.restActualSeconds),
         skipped + StatsReporter::formatDuration(total.restSkippedSeconds)},
        {QStringLiteral("喝水完成"), QString::number(total.hydrationCompletedCount),
         skipped + QString::number(total.hydrationSkippedCount) + snoozed +
             QString::number(total.hydrationSnoozedCount)},
        {QStringLiteral("提肛完成"), QString::number(total.pelvicCompletedCount),
         skipped + QString::number(total.pelvicSkippedCount) + snoozed +
             QString::number(total.pelvicSnoozedCount)},
    };
}

QString eventIcon(StatsEventType type) {
    switch (type) {
    case StatsEventType::appLaunched:
        return QStringLiteral("⚡️");
    case StatsEventType::restStarted:
    case StatsEventType::restCompleted:
    case StatsEventType::restSkipped:
        return QStringLiteral("👁");
    case StatsEventType::hydrationPromptShown:
    case StatsEventType::hydrationCompleted:
    case StatsEventType::hydrationSkipped:
    case StatsEventType::hydrationSnoozed:
        return QStringLiteral("💧");
    case StatsEventType::pelvicPromptShown:
    case StatsEventType::pelvicCompleted:
    case StatsEventType::pelvicSkipped:
    case StatsEventType::pelvicSnoozed:
        return QStringLiteral("🫧");
    }
    return {};
}

QString timeText(const QDateTime& at) {
    return QLocale(QLocale::Chinese, QLocale::China).toString(at.toLocalTime(), QStringLiteral("HH:mm:ss"));
}

QString plainText(const StatsReport& report) {
    const int score = maintenanceScore(report.total);
    QString text = title(report.scope.kind) + u'\n' + report.rangeText + QStringLiteral(" · ") +
                   report.generatedAtText + u'\n' + report.summaryLine + u'\n' +
                   QStringLiteral("维护分 %1 · %2\n\n").arg(score).arg(scoreLabel(score));
    for (const Metric& metric : metrics(report.total)) {
        text += metric.title + u' ' + metric.value + QStringLiteral(" · ") + metric.subtitle + u'\n';
    }
    text += QStringLiteral("\n每日维护轨迹\n");
    for (const StatsDaySummary& day : report.days) {
        text += QStringLiteral("%1  完成 %2 · 跳过 %3\n")
                    .arg(day.dayKey)
                    .arg(doneCount(day))
                    .arg(skippedCount(day));
    }
    if (report.scope.kind != StatsReportScope::Kind::day) {
        return text;
    }
    text += QStringLiteral("\n今日流水小本本\n");
    if (report.events.isEmpty()) {
        text += QStringLiteral("身体客服今天还没开张，先喝口水也算给报表开光。\n");
    }
    for (const StatsEvent& event : report.events) {
        text += timeText(event.timestamp) + QStringLiteral("  ") + eventIcon(event.type) + u' ' +
                StatsReporter::eventText(event) + u'\n';
    }
    return text;
}

namespace {

nlohmann::ordered_json row(const StatsDaySummary& day) {
    return {
        {"dayKey", day.dayKey.toStdString()},
        {"eventCount", day.eventCount},
        {"appLaunchCount", day.appLaunchCount},
        {"restCompletedCount", day.restCompletedCount},
        {"restSkippedCount", day.restSkippedCount},
        {"restActualSeconds", day.restActualSeconds},
        {"restSkippedSeconds", day.restSkippedSeconds},
        {"hydrationCompletedCount", day.hydrationCompletedCount},
        {"hydrationSkippedCount", day.hydrationSkippedCount},
        {"hydrationSnoozedCount", day.hydrationSnoozedCount},
        {"pelvicCompletedCount", day.pelvicCompletedCount},
        {"pelvicSkippedCount", day.pelvicSkippedCount},
        {"pelvicSnoozedCount", day.pelvicSnoozedCount},
        {"pelvicGuidedSeconds", day.pelvicGuidedSeconds},
    };
}

const char* scopeName(StatsReportScope::Kind kind) {
    switch (kind) {
    case StatsReportScope::Kind::week:
        return "week";
    case StatsReportScope::Kind::month:
        return "month";
    case StatsReportScope::Kind::day:
        break;
    }
    return "day";
}

} // namespace

QByteArray json(const StatsReport& report) {
    nlohmann::ordered_json days = nlohmann::ordered_json::array();
    for (const StatsDaySummary& day : report.days) {
        days.push_back(row(day));
    }
    const nlohmann::ordered_json object = {
        {"scope", scopeName(report.scope.kind)},
        {"title", title(report.scope.kind).toStdString()},
        {"rangeText", report.rangeText.toStdString()},
        {"generatedAtText", report.generatedAtText.toStdString()},
        {"summaryLine", report.summaryLine.toStdString()},
        {"score", maintenanceScore(report.total)},
        {"total", row(report.total)},
        {"days", days},
    };
    return QByteArray::fromStdString(object.dump(2)) + '\n';
}

} // namespace StatsReportText
