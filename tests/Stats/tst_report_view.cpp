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
    void maintenanceScore_data();
    void maintenanceScore();
    void scoreIgnoresSnoozesLaunchesAndSeconds();
    void scoreLabel_data();
    void scoreLabel();
    void titles_data();
    void titles();
    void barSharesAreRelativeToTheBusiestDay();
    void barSharesWithoutItems();
    void metricValueFontSwitchesAtNineCharacters_data();
    void metricValueFontSwitchesAtNineCharacters();
    void metricCardsShowTheTotal();
    void eventIcons_data();
    void eventIcons();
    void timeTextIsTwentyFourHour();
    void timelineOnlyForDayReports_data();
    void timelineOnlyForDayReports();
    void emptyDayShowsTheEmptyTimelineText();
};

void ReportViewTest::maintenanceScore_data() {
    QTest::addColumn<StatsDaySummary>("total");
    QTest::addColumn<int>("score");
    QTest::newRow("6 done, 2 skipped") << summary(2, 2, 2, 1, 1, 0) << 75;
    QTest::newRow("9 done, 1 skipped") << summary(9, 0, 0, 0, 0, 1) << 90;
    QTest::newRow("nothing") << summary(0, 0, 0, 0, 0, 0) << 0;
    QTest::newRow("1 done, 2 skipped") << summary(0, 1, 0, 0, 0, 2) << 33;
    QTest::newRow("2 done, 1 skipped rounds up") << summary(0, 0, 2, 1, 0, 0) << 67;
    // 28.5 exactly: a floating-point 57 / 200 * 100 lands just below and would give 28.
    QTest::newRow("57 of 200, an exact half") << summary(57, 0, 0, 143, 0, 0) << 29;
    QTest::newRow("1 of 8 is 12.5") << summary(1, 0, 0, 7, 0, 0) << 13;
    QTest::newRow("all skipped") << summary(0, 0, 0, 3, 2, 1) << 0;
    QTest::newRow("all done") << summary(4, 5, 6, 0, 0, 0) << 100;
}

void ReportViewTest::maintenanceScore() {
    QFETCH(StatsDaySummary, total);
    QFETCH(int, score);
    QCOMPARE(StatsReportText::maintenanceScore(total), score);
}

void ReportViewTest::scoreIgnoresSnoozesLaunchesAndSeconds() {
    StatsDaySummary total = summary(0, 0, 0, 0, 0, 0);
    total.eventCount = 40;
    total.appLaunchCount = 3;
    total.hydrationSnoozedCount = 5;
    total.pelvicSnoozedCount = 5;
    total.restActualSeconds = 600;
    total.restSkippedSeconds = 60;
    QCOMPARE(StatsReportText::maintenanceScore(total), 0);
    total.pelvicCompletedCount = 1;
    QCOMPARE(StatsReportText::maintenanceScore(total), 100);
}

void ReportViewTest::scoreLabel_data() {
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

void ReportViewTest::scoreLabel() {
    QFETCH(int, score);
    QFETCH(QString, label);
    QCOMPARE(StatsReportText::scoreLabel(score), label);
}

void ReportViewTest::titles_data() {
    QTest::addColumn<StatsReportScope::Kind>("kind");
    QTest::addColumn<QString>("title");
    QTest::newRow("day") << StatsReportScope::Kind::day << QStringLiteral("Tavo 身体维护日报");
    QTest::newRow("week") << StatsReportScope::Kind::week << QStringLiteral("Tavo 身体维护周报");
    QTest::newRow("month") << StatsReportScope::Kind::month << QStringLiteral("Tavo 身体维护月报");
}

void ReportViewTest::titles() {
    QFETCH(StatsReportScope::Kind, kind);
    QFETCH(QString, title);
    QCOMPARE(StatsReportText::title(kind), title);
}

void ReportViewTest::barSharesAreRelativeToTheBusiestDay() {
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
}

void ReportViewTest::barSharesWithoutItems() {
    QVERIFY(StatsReportView::dayBars({}).isEmpty());
    const QList<StatsDayBar> bars = StatsReportView::dayBars(
        {day(QStringLiteral("2026-03-02"), 0, 0), day(QStringLiteral("2026-03-03"), 0, 0)});
    for (const StatsDayBar& bar : bars) {
        QCOMPARE(bar.doneShare, 0.0);
        QCOMPARE(bar.skippedShare, 0.0);
    }
}

void ReportViewTest::metricValueFontSwitchesAtNineCharacters_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("pixelSize");
    QTest::newRow("count") << QStringLiteral("12") << 28;
    QTest::newRow("8 characters") << QStringLiteral("12345678") << 28;
    QTest::newRow("9 characters") << QStringLiteral("123456789") << 18;
    QTest::newRow("1 分 1 秒") << StatsReporter::formatDuration(61) << 28;
    QTest::newRow("1 小时 0 分钟") << StatsReporter::formatDuration(3600) << 18;
    QTest::newRow("59 分 59 秒") << StatsReporter::formatDuration(3599) << 18;
}

void ReportViewTest::metricValueFontSwitchesAtNineCharacters() {
    QFETCH(QString, value);
    QFETCH(int, pixelSize);
    QCOMPARE(StatsReportView::metricValuePixelSize(value), pixelSize);
}

void ReportViewTest::metricCardsShowTheTotal() {
    StatsDaySummary total = summary(12, 7, 4, 3, 2, 1);
    total.restActualSeconds = 3661;
    total.restSkippedSeconds = 36;
    total.hydrationSnoozedCount = 5;
    total.pelvicSnoozedCount = 6;
    const QList<StatsMetricCard> cards = StatsReportView::metricCards(total);
    QCOMPARE(cards.size(), 4);
    QCOMPARE(cards.at(0).title, QStringLiteral("护眼完成"));
    QCOMPARE(cards.at(0).value, QStringLiteral("12"));
    QCOMPARE(cards.at(0).subtitle, QStringLiteral("跳过 3 次"));
    QCOMPARE(cards.at(1).title, QStringLiteral("累计休息"));
    QCOMPARE(cards.at(1).value, QStringLiteral("1 小时 1 分 1 秒"));
    QCOMPARE(cards.at(1).subtitle, QStringLiteral("跳过 36 秒"));
    QCOMPARE(cards.at(2).title, QStringLiteral("喝水完成"));
    QCOMPARE(cards.at(2).value, QStringLiteral("7"));
    QCOMPARE(cards.at(2).subtitle, QStringLiteral("跳过 2 · 延后 5"));
    QCOMPARE(cards.at(3).title, QStringLiteral("提肛完成"));
    QCOMPARE(cards.at(3).value, QStringLiteral("4"));
    QCOMPARE(cards.at(3).subtitle, QStringLiteral("跳过 1 · 延后 6"));
    QCOMPARE(cards.at(2).accent, QColor::fromRgbF(0.15f, 0.72f, 1.0f));
}

void ReportViewTest::eventIcons_data() {
    QTest::addColumn<StatsEventType>("type");
    QTest::addColumn<QString>("icon");
    QTest::newRow("launch") << StatsEventType::appLaunched << QStringLiteral("⚡️");
    QTest::newRow("rest started") << StatsEventType::restStarted << QStringLiteral("👁");
    QTest::newRow("rest skipped") << StatsEventType::restSkipped << QStringLiteral("👁");
    QTest::newRow("hydration prompt") << StatsEventType::hydrationPromptShown << QStringLiteral("💧");
    QTest::newRow("hydration snoozed") << StatsEventType::hydrationSnoozed << QStringLiteral("💧");
    QTest::newRow("pelvic completed") << StatsEventType::pelvicCompleted << QStringLiteral("🫧");
    QTest::newRow("pelvic snoozed") << StatsEventType::pelvicSnoozed << QStringLiteral("🫧");
}

void ReportViewTest::eventIcons() {
    QFETCH(StatsEventType, type);
    QFETCH(QString, icon);
    QCOMPARE(StatsReportText::eventIcon(type), icon);
}

void ReportViewTest::timeTextIsTwentyFourHour() {
    QCOMPARE(StatsReportText::timeText(QDateTime(QDate(2026, 3, 2), QTime(9, 5, 7))),
             QStringLiteral("09:05:07"));
    QCOMPARE(StatsReportText::timeText(QDateTime(QDate(2026, 3, 2), QTime(21, 0, 59))),
             QStringLiteral("21:00:59"));
}

void ReportViewTest::timelineOnlyForDayReports_data() {
    QTest::addColumn<StatsReportScope::Kind>("kind");
    QTest::addColumn<bool>("timeline");
    QTest::newRow("day") << StatsReportScope::Kind::day << true;
    QTest::newRow("week") << StatsReportScope::Kind::week << false;
    QTest::newRow("month") << StatsReportScope::Kind::month << false;
}

void ReportViewTest::timelineOnlyForDayReports() {
    QFETCH(StatsReportScope::Kind, kind);
    QFETCH(bool, timeline);
    const QDateTime at(QDate(2026, 3, 2), QTime(9, 5, 7));
    StatsReport report;
    report.scope = StatsReportScope{kind, at};
    report.days = {day(QStringLiteral("2026-03-02"), 1, 0)};
    report.events = {makeEvent(StatsEventType::appLaunched, at),
                     makeEvent(StatsEventType::hydrationCompleted, at)};
    const StatsReportView view(report);
    QCOMPARE(view.findChild<QWidget*>(QStringLiteral("timeline")) != nullptr, timeline);
    QCOMPARE(view.findChildren<QWidget*>(QStringLiteral("timelineRow")).size(), timeline ? 2 : 0);
    QCOMPARE(view.findChildren<QWidget*>(QStringLiteral("dayRow")).size(), 1);
    QVERIFY(!view.findChild<QLabel*>(QStringLiteral("emptyTimeline")));
}

void ReportViewTest::emptyDayShowsTheEmptyTimelineText() {
    StatsReport report;
    report.scope = StatsReportScope::day(QDateTime(QDate(2026, 3, 2), QTime(12, 0)));
    report.days = {day(QStringLiteral("2026-03-02"), 0, 0)};
    const StatsReportView view(report);
    const auto* empty = view.findChild<QLabel*>(QStringLiteral("emptyTimeline"));
    QVERIFY(empty);
    QCOMPARE(empty->text(), QStringLiteral("身体客服今天还没开张，先喝口水也算给报表开光。"));
    QVERIFY(view.findChildren<QWidget*>(QStringLiteral("timelineRow")).isEmpty());
}

QTEST_MAIN(ReportViewTest)
#include "tst_report_view.moc"
