#include "Stats/StatsReportText.h"
#include "Stats/StatsReporter.h"
#include "Stats/StatsStore.h"
#include "Stats/UI/StatsReportView.h"
#include "Stats/UI/StatsReportWindow.h"
#include "support/BusyMonth.h"
#include "support/Picture.h"
#include "support/ServicesFixture.h"

#include <QLabel>
#include <QScrollArea>
#include <QtTest>

#include <array>
#include <memory>

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

// A day with done items split over rests and exercises, skipped over drinks and rests.
StatsDaySummary day(const QString& key, qint64 done, qint64 skipped) {
    StatsDaySummary row = summary(done / 2, 0, done - done / 2, skipped - skipped / 2, skipped / 2, 0);
    row.dayKey = key;
    return row;
}

// Where a colour runs along the middle line of a row, in points.
QRectF run(const QImage& row, const QColor& colour) {
    return inkBox(
        row, QRectF(0, row.deviceIndependentSize().height() / 2, row.deviceIndependentSize().width(), 0.5),
        0.5, [&](QRgb c) {
            return std::abs(qRed(c) - colour.red()) + std::abs(qGreen(c) - colour.green()) +
                       std::abs(qBlue(c) - colour.blue()) <
                   60;
        });
}

void verifyNothingIsCut(const StatsReportView& view) {
    for (const QLabel* label : view.findChildren<QLabel*>()) {
        if (label->wordWrap()) {
            QVERIFY2(label->height() >= label->heightForWidth(label->width()), qPrintable(label->text()));
        } else {
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
            QVERIFY2(label->height() >= label->sizeHint().height(), qPrintable(label->text()));
        }
    }
    for (const QWidget* row : view.findChildren<QWidget*>(QStringLiteral("dayRow"))) {
        QVERIFY(row->height() >= row->sizeHint().height());
    }
}

void verifyRowsDoNotOverlap(const QList<QWidget*>& rows) {
    for (qsizetype i = 1; i < rows.size(); ++i) {
        QVERIFY2(rows.at(i)->geometry().top() > rows.at(i - 1)->geometry().bottom(),
                 qPrintable(QString::number(i)));
    }
}

StatsEvent makeEvent(StatsEventType type, const QDateTime& at) {
    StatsEvent e;
    e.type = type;
    e.timestamp = at;
    e.dayKey = StatsStore::dayKey(at);
    return e;
}

} // namespace

// What the report page shows, from figures given to it and, rendered, from a
// generated month: nothing cut off, rows one below the other. With
// TAVO_SCREENSHOT_DIR set, the 900 × 720 windows (and the whole month page)
// are saved there as PNG files to look at.
class ReportViewTest : public QObject {
    Q_OBJECT
    std::unique_ptr<ServicesFixture> f;

private Q_SLOTS:
    void initTestCase() {
        f = std::make_unique<ServicesFixture>(QDateTime(QDate(2026, 3, 31), QTime(18, 30, 5)));
        QVERIFY(recordBusyMonth(f->store, 2026, 3) > 2000);
    }
    void cleanupTestCase() { f.reset(); }

    // The score counts completed against skipped items only, rounded half away from zero;
    // the label under the ring follows its bands.
    void maintenanceScore_data() {
        QTest::addColumn<StatsDaySummary>("total");
        QTest::addColumn<int>("score");
        QTest::addColumn<QString>("label");
        const QString best = QStringLiteral("身体客服：优秀");
        const QString fine = QStringLiteral("还行，没太嘎");
        const QString open = QStringLiteral("小本本已打开");
        const QString worst = QStringLiteral("今天有点硬撑");
        QTest::newRow("9 done, 1 skipped") << summary(3, 3, 3, 0, 1, 0) << 90 << best;
        QTest::newRow("89 of 100") << summary(89, 0, 0, 11, 0, 0) << 89 << fine;
        QTest::newRow("6 done, 2 skipped") << summary(2, 2, 2, 1, 1, 0) << 75 << fine;
        QTest::newRow("70 of 100") << summary(0, 70, 0, 0, 30, 0) << 70 << fine;
        QTest::newRow("69 of 100") << summary(0, 0, 69, 0, 0, 31) << 69 << open;
        QTest::newRow("2 done, 1 skipped rounds up") << summary(0, 0, 2, 1, 0, 0) << 67 << open;
        QTest::newRow("2 done, 3 skipped") << summary(2, 0, 0, 3, 0, 0) << 40 << open;
        QTest::newRow("39 of 100") << summary(39, 0, 0, 61, 0, 0) << 39 << worst;
        QTest::newRow("1 done, 2 skipped") << summary(0, 1, 0, 0, 0, 2) << 33 << worst;
        // 28.5 exactly: a floating-point 57 / 200 * 100 lands just below and would give 28.
        QTest::newRow("57 of 200, an exact half") << summary(57, 0, 0, 143, 0, 0) << 29 << worst;
        QTest::newRow("1 of 8 is 12.5") << summary(1, 0, 0, 7, 0, 0) << 13 << worst;
        QTest::newRow("nothing") << summary(0, 0, 0, 0, 0, 0) << 0 << worst;
        QTest::newRow("all skipped") << summary(0, 0, 0, 3, 2, 1) << 0 << worst;
        // Snoozes, launches and seconds count for nothing.
        StatsDaySummary busy = summary(0, 0, 1, 0, 0, 0);
        busy.eventCount = 40;
        busy.appLaunchCount = 3;
        busy.hydrationSnoozedCount = busy.pelvicSnoozedCount = 5;
        busy.restActualSeconds = 600;
        busy.restSkippedSeconds = 60;
        QTest::newRow("one done among snoozes") << busy << 100 << best;
        busy.pelvicCompletedCount = 0;
        QTest::newRow("only snoozes") << busy << 0 << worst;
    }
    void maintenanceScore() {
        QFETCH(StatsDaySummary, total);
        QFETCH(int, score);
        QCOMPARE(StatsReportText::maintenanceScore(total), score);
        QTEST(StatsReportText::scoreLabel(score), "label");
    }

    // A timeline's times run on the 24-hour clock, padded (the titles: see the report prompt's suite);
    // each kind of event has its icon.
    void timelineTexts() {
        QCOMPARE(StatsReportText::timeText(QDateTime(QDate(2026, 3, 2), QTime(9, 5, 7))),
                 QStringLiteral("09:05:07"));
        QCOMPARE(StatsReportText::timeText(QDateTime(QDate(2026, 3, 2), QTime(21, 0, 59))),
                 QStringLiteral("21:00:59"));
        QCOMPARE(StatsReportText::eventIcon(StatsEventType::appLaunched), QStringLiteral("⚡️"));
        QCOMPARE(StatsReportText::eventIcon(StatsEventType::restSkipped), QStringLiteral("👁"));
        QCOMPARE(StatsReportText::eventIcon(StatsEventType::hydrationSnoozed), QStringLiteral("💧"));
        QCOMPARE(StatsReportText::eventIcon(StatsEventType::pelvicCompleted), QStringLiteral("🫧"));
    }

    // Shares of the busiest day's count; days without items have none.
    void barShares() {
        QStringList bars;
        for (const StatsDayBar& bar : StatsReportView::dayBars(
                 {day(QStringLiteral("2026-03-02"), 7, 3), day(QStringLiteral("2026-03-03"), 5, 0),
                  day(QStringLiteral("2026-03-04"), 0, 0), day(QStringLiteral("2026-03-05"), 1, 4)})) {
            bars << QStringLiteral("%1 %2+%3 %4+%5")
                        .arg(bar.dayKey)
                        .arg(bar.done)
                        .arg(bar.skipped)
                        .arg(bar.doneShare)
                        .arg(bar.skippedShare);
        }
        QCOMPARE(bars, (QStringList{"2026-03-02 7+3 0.7+0.3", "2026-03-03 5+0 0.5+0", "2026-03-04 0+0 0+0",
                                    "2026-03-05 1+4 0.1+0.4"}));
        QVERIFY(StatsReportView::dayBars({}).isEmpty());
        const StatsDayBar idle = StatsReportView::dayBars({day(QStringLiteral("2026-03-02"), 0, 0)}).first();
        QCOMPARE(idle.doneShare + idle.skippedShare, 0.0);
    }

    void metricCards() {
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
        // The value font shrinks from nine characters on; characters, not bytes: "1 分 1 秒" is seven,
        // but 15 bytes of UTF-8.
        QCOMPARE(StatsReportView::metricValuePixelSize(QStringLiteral("12345678")), 28);
        QCOMPARE(StatsReportView::metricValuePixelSize(QStringLiteral("123456789")), 18);
        QCOMPARE(StatsReportView::metricValuePixelSize(QStringLiteral("1 分 1 秒")), 28);
        QCOMPARE(StatsReportView::metricValuePixelSize(QStringLiteral("1 小时 0 分钟")), 18);
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

    void rendersEveryScope_data() {
        QTest::addColumn<StatsReportScope>("scope");
        QTest::addColumn<QString>("name");
        const QDateTime wednesday(QDate(2026, 3, 18), QTime(12, 0));
        QTest::newRow("busy day") << StatsReportScope::day(wednesday) << "day";
        QTest::newRow("empty day") << StatsReportScope::day(wednesday.addDays(4)) << "day-empty";
        QTest::newRow("week") << StatsReportScope::week(wednesday) << "week";
        QTest::newRow("month") << StatsReportScope::month(wednesday) << "month";
    }
    void rendersEveryScope() {
        QFETCH(StatsReportScope, scope);
        QFETCH(QString, name);
        StatsReportWindow window(StatsReporter(f->store, f->clock).makeReport(scope));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.size(), QSize(900, 720));
        verifyNothingIsCut(*window.view());
        verifyRowsDoNotOverlap(window.view()->findChildren<QWidget*>(QStringLiteral("dayRow")));
        verifyRowsDoNotOverlap(window.view()->findChildren<QWidget*>(QStringLiteral("timelineRow")));
        QVERIFY(saveScreenshot(window.grab().toImage(), QStringLiteral("report-%1.png").arg(name)));
        QVERIFY(
            saveScreenshot(renderWidget(window, Qt::black, 2), QStringLiteral("report-%1@2x.png").arg(name)));

        // The whole page at once, in a window as tall as the page.
        const QWidget* page = window.view()->findChild<QScrollArea*>()->widget();
        window.resize(900, page->sizeHint().height());
        QCoreApplication::processEvents();
        verifyRowsDoNotOverlap(window.view()->findChildren<QWidget*>(QStringLiteral("timelineRow")));
        QVERIFY(saveScreenshot(window.grab().toImage(), QStringLiteral("report-%1-page.png").arg(name)));

        // At the smallest size the page allows, the texts still fit.
        window.resize(window.minimumSizeHint());
        QCOMPARE(window.view()->size(), QSize(820, 620));
        QCoreApplication::processEvents();
        verifyNothingIsCut(*window.view());
        QVERIFY(saveScreenshot(window.grab().toImage(), QStringLiteral("report-%1-smallest.png").arg(name)));
    }

    // The bars start after the 92-point key and 14 points of padding and spacing,
    // the done bar 3 points before the skipped one, and the track ends 14 points
    // before a counts box 100 wide; the busiest day fills the track.
    void dayBarsAreMeasured_data() {
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("1x") << 1.0;
        QTest::newRow("2x") << 2.0;
    }
    void dayBarsAreMeasured() {
        QFETCH(qreal, ratio);
        StatsReport report;
        report.scope = StatsReportScope::week(QDateTime(QDate(2026, 3, 18), QTime(12, 0)));
        report.days = {day(QStringLiteral("2026-03-16"), 6, 4), day(QStringLiteral("2026-03-17"), 5, 0),
                       day(QStringLiteral("2026-03-18"), 0, 3), day(QStringLiteral("2026-03-19"), 0, 0)};
        // Shares of the track: done from, done to, skipped from, skipped to (-1: no bar).
        const QList<std::array<qreal, 4>> expected = {
            {0, 0.6, 0.6, 1}, {0, 0.5, -1, -1}, {-1, -1, 0, 0.3}, {-1, -1, -1, -1}};
        StatsReportWindow window(report);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QList<QWidget*> rows = window.view()->findChildren<QWidget*>(QStringLiteral("dayRow"));
        QCOMPARE(rows.size(), expected.size());
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const QImage image = renderWidget(*rows[i], Qt::black, ratio);
            const qreal track = rows[i]->width() - 120 - 128;
            const QRectF done = run(image, QColor::fromRgbF(0.10, 0.82, 0.72));
            const QRectF skipped = run(image, QColor::fromRgbF(1.0, 0.65, 0.18));
            const auto [doneFrom, doneTo, skippedFrom, skippedTo] = expected[i];
            const auto near = [&](qreal at, qreal share, qreal offset) {
                return std::abs(at - (120 + share * track + offset)) <= 1;
            };
            const QString where = QString::number(i);
            QVERIFY2(doneFrom < 0 ? done.isNull()
                                  : near(done.left(), doneFrom, 0) && near(done.right(), doneTo, 0),
                     qPrintable(where));
            const qreal gap = doneFrom < 0 ? 0 : 3;
            QVERIFY2(skippedFrom < 0 ? skipped.isNull()
                                     : near(skipped.left(), skippedFrom, gap) &&
                                           near(skipped.right(), skippedTo, skippedTo == 1 ? 0 : gap),
                     qPrintable(where));
        }
        QVERIFY(saveScreenshot(renderWidget(window, Qt::black, ratio),
                               QStringLiteral("report-bars@%1x.png").arg(ratio)));
    }
};

QTEST_MAIN(ReportViewTest)
#include "tst_report_view.moc"
