#include "Stats/StatsReportText.h"
#include "Stats/StatsReporter.h"
#include "Stats/StatsStore.h"
#include "Stats/UI/StatsReportView.h"

#include <QLabel>
#include <QtTest>

namespace {

StatsDaySummary summary(qint64 rest, qint64 hydration, qint64 pelvic, qint64 restSkipped,
                        qint64 hydrationSkipped, qint64 pelvicSkipped) {
    StatsDaySummary row{QStringLiteral("total")};
    row.restCompletedCount = rest;
    row.hydrationCompletedCount = hydration;
    row.pelvicCompletedCount = pelvic;
    row.restSkippedCount = restSkipped;
    row.hydrationSkippedCount = hydrationSkipped;
    row.pelvicSkippedCount = pelvicSkipped;
    return row;
}

StatsDaySummary day(const QString& key, qint64 done, qint64 skipped) {
    StatsDaySummary row = summary(done, 0, 0, 0, skipped, 0);
    row.dayKey = key;
    return row;
}

StatsEvent makeEvent(StatsEventType type, const QDateTime& at) {
    StatsEvent e;
    e.type = type;
    e.timestamp = at;
    e.dayKey = StatsStore::dayKey(at);
    return e;
}

} // namespace

class ReportViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void maintenanceScore_data() {
        QTest::addColumn<StatsDaySummary>("total");
        QTest::addColumn<int>("score");
        QTest::newRow("6 done, 2 skipped") << summary(2, 2, 2, 1, 1, 0) << 75;
        QTest::newRow("nothing") << summary(0, 0, 0, 0, 0, 0) << 0;
        QTest::newRow("1 done, 2 skipped") << summary(0, 1, 0, 0, 0, 2) << 33;
        QTest::newRow("2 done, 1 skipped rounds up") << summary(0, 0, 2, 1, 0, 0) << 67;
        // 28.5 exactly: a floating-point 57 / 200 * 100 lands just below and would give 28.
        QTest::newRow("57 of 200, an exact half") << summary(57, 0, 0, 143, 0, 0) << 29;
        QTest::newRow("1 of 8 is 12.5") << summary(1, 0, 0, 7, 0, 0) << 13;
        QTest::newRow("all skipped") << summary(0, 0, 0, 3, 2, 1) << 0;
        // Snoozes, launches and seconds count for nothing.
        StatsDaySummary busy = summary(0, 0, 1, 0, 0, 0);
        busy.eventCount = 40;
        busy.appLaunchCount = 3;
        busy.hydrationSnoozedCount = busy.pelvicSnoozedCount = 5;
        busy.restActualSeconds = 600;
        busy.restSkippedSeconds = 60;
        QTest::newRow("one done among snoozes") << busy << 100;
        busy.pelvicCompletedCount = 0;
        QTest::newRow("only snoozes") << busy << 0;
    }
    void maintenanceScore() {
        QFETCH(StatsDaySummary, total);
        QFETCH(int, score);
        QCOMPARE(StatsReportText::maintenanceScore(total), score);
    }

    void scoreLabel_data() {
        QTest::addColumn<int>("score");
        QTest::addColumn<QString>("label");
        QTest::newRow("100") << 100 << QStringLiteral("身体客服：优秀");
        QTest::newRow("90") << 90 << QStringLiteral("身体客服：优秀");
        QTest::newRow("89") << 89 << QStringLiteral("还行，没太嘎");
        QTest::newRow("70") << 70 << QStringLiteral("还行，没太嘎");
        QTest::newRow("69") << 69 << QStringLiteral("小本本已打开");
        QTest::newRow("40") << 40 << QStringLiteral("小本本已打开");
        QTest::newRow("39") << 39 << QStringLiteral("今天有点硬撑");
        QTest::newRow("0") << 0 << QStringLiteral("今天有点硬撑");
    }
    void scoreLabel() {
        QFETCH(int, score);
        QFETCH(QString, label);
        QCOMPARE(StatsReportText::scoreLabel(score), label);
    }

    // A timeline's times run on the 24-hour clock (the titles: see the report prompt's suite).
    void timesAreOnTheTwentyFourHourClock() {
        QCOMPARE(StatsReportText::timeText(QDateTime(QDate(2026, 3, 2), QTime(21, 0, 59))),
                 QStringLiteral("21:00:59"));
    }

    // Shares of the busiest day's count; days without items have none.
    void barShares() {
        const QList<StatsDayBar> bars = StatsReportView::dayBars(
            {day(QStringLiteral("2026-03-02"), 7, 3), day(QStringLiteral("2026-03-03"), 5, 0),
             day(QStringLiteral("2026-03-04"), 0, 0), day(QStringLiteral("2026-03-05"), 1, 4)});
        QCOMPARE(bars.size(), 4);
        QCOMPARE(bars.at(0).dayKey, QStringLiteral("2026-03-02"));
        QCOMPARE(bars.at(0).doneShare, 0.7);
        QCOMPARE(bars.at(0).skippedShare, 0.3);
        QCOMPARE(bars.at(1).doneShare, 0.5);
        QCOMPARE(bars.at(1).skippedShare, 0.0);
        QCOMPARE(bars.at(2).doneShare, 0.0);
        QCOMPARE(bars.at(3).done, 1);
        QCOMPARE(bars.at(3).skipped, 4);
        QCOMPARE(bars.at(3).skippedShare, 0.4);

        QVERIFY(StatsReportView::dayBars({}).isEmpty());
        const StatsDayBar idle = StatsReportView::dayBars({day(QStringLiteral("2026-03-02"), 0, 0)}).first();
        QCOMPARE(idle.doneShare + idle.skippedShare, 0.0);
    }

    void metricValueFontSwitchesAtNineCharacters_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("pixelSize");
        QTest::newRow("8 characters") << QStringLiteral("12345678") << 28;
        QTest::newRow("9 characters") << QStringLiteral("123456789") << 18;
        QTest::newRow("1 分 1 秒") << StatsReporter::formatDuration(61) << 28;
        QTest::newRow("1 小时 0 分钟") << StatsReporter::formatDuration(3600) << 18;
        QTest::newRow("59 分 59 秒") << StatsReporter::formatDuration(3599) << 18;
    }
    void metricValueFontSwitchesAtNineCharacters() {
        QFETCH(QString, value);
        QFETCH(int, pixelSize);
        QCOMPARE(StatsReportView::metricValuePixelSize(value), pixelSize);
    }

    void metricCardsShowTheTotal() {
        StatsDaySummary total = summary(12, 7, 4, 3, 2, 1);
        total.restActualSeconds = 3661;
        total.restSkippedSeconds = 36;
        total.hydrationSnoozedCount = 5;
        total.pelvicSnoozedCount = 6;
        QStringList cards;
        for (const StatsMetricCard& card : StatsReportView::metricCards(total)) {
            cards << card.title + u'|' + card.value + u'|' + card.subtitle;
        }
        QCOMPARE(cards, (QStringList{QStringLiteral("护眼完成|12|跳过 3 次"),
                                     QStringLiteral("累计休息|1 小时 1 分 1 秒|跳过 36 秒"),
                                     QStringLiteral("喝水完成|7|跳过 2 · 延后 5"),
                                     QStringLiteral("提肛完成|4|跳过 1 · 延后 6")}));
        QCOMPARE(StatsReportView::metricCards(total).at(2).accent, QColor::fromRgbF(0.15f, 0.72f, 1.0f));
    }

    void eventIcons_data() {
        QTest::addColumn<StatsEventType>("type");
        QTest::addColumn<QString>("icon");
        QTest::newRow("launch") << StatsEventType::appLaunched << QStringLiteral("⚡️");
        QTest::newRow("rest skipped") << StatsEventType::restSkipped << QStringLiteral("👁");
        QTest::newRow("hydration snoozed") << StatsEventType::hydrationSnoozed << QStringLiteral("💧");
        QTest::newRow("pelvic completed") << StatsEventType::pelvicCompleted << QStringLiteral("🫧");
    }
    void eventIcons() {
        QFETCH(StatsEventType, type);
        QFETCH(QString, icon);
        QCOMPARE(StatsReportText::eventIcon(type), icon);
    }

    // Only a day report lists its events, or says it has none.
    void timeline_data() {
        QTest::addColumn<StatsReportScope::Kind>("kind");
        QTest::addColumn<int>("events");
        QTest::addColumn<int>("rows"); // -1: no timeline at all
        QTest::newRow("day") << StatsReportScope::Kind::day << 2 << 2;
        QTest::newRow("empty day") << StatsReportScope::Kind::day << 0 << 0;
        QTest::newRow("week") << StatsReportScope::Kind::week << 2 << -1;
        QTest::newRow("month") << StatsReportScope::Kind::month << 2 << -1;
    }
    void timeline() {
        QFETCH(StatsReportScope::Kind, kind);
        QFETCH(int, events);
        QFETCH(int, rows);
        const QDateTime at(QDate(2026, 3, 2), QTime(9, 5, 7));
        StatsReport report;
        report.scope = StatsReportScope{kind, at};
        report.days = {day(QStringLiteral("2026-03-02"), events / 2, 0)};
        for (int i = 0; i < events; ++i) {
            report.events << makeEvent(i ? StatsEventType::hydrationCompleted : StatsEventType::appLaunched,
                                       at);
        }
        const StatsReportView view(report);
        QCOMPARE(view.findChild<QWidget*>(QStringLiteral("timeline")) != nullptr, rows >= 0);
        QCOMPARE(view.findChildren<QWidget*>(QStringLiteral("timelineRow")).size(), qMax(rows, 0));
        QCOMPARE(view.findChildren<QWidget*>(QStringLiteral("dayRow")).size(), 1);
        const auto* empty = view.findChild<QLabel*>(QStringLiteral("emptyTimeline"));
        QCOMPARE(empty != nullptr, rows == 0);
        if (empty) {
            QCOMPARE(empty->text(), QStringLiteral("身体客服今天还没开张，先喝口水也算给报表开光。"));
        }
    }
};

QTEST_MAIN(ReportViewTest)
#include "tst_report_view.moc"
