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

using namespace Qt::StringLiterals;

// Renders each kind of report from a generated month and checks what a
// reader would see: nothing cut off, rows one below the other. With
// TAVO_SCREENSHOT_DIR set, the 900 × 720 windows (and the whole month page)
// are saved there as PNG files to look at.
class ReportRenderTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void rendersEveryScope_data();
    void rendersEveryScope();
    void dayBarsAreMeasured_data();
    void dayBarsAreMeasured();

private:
    static void verifyNothingIsCut(const StatsReportView& view);
    static void verifyRowsDoNotOverlap(const QList<QWidget*>& rows);

    std::unique_ptr<ServicesFixture> f;
};

void ReportRenderTest::initTestCase() {
    f = std::make_unique<ServicesFixture>(QDateTime(QDate(2026, 3, 31), QTime(18, 30, 5)));
    QVERIFY(recordBusyMonth(f->store, 2026, 3) > 2000);
}

void ReportRenderTest::cleanupTestCase() {
    f.reset();
}

void ReportRenderTest::rendersEveryScope_data() {
    QTest::addColumn<StatsReportScope>("scope");
    QTest::addColumn<QString>("name");
    QTest::newRow("busy day") << StatsReportScope::day(QDateTime(QDate(2026, 3, 18), QTime(12, 0))) << "day";
    QTest::newRow("empty day") << StatsReportScope::day(QDateTime(QDate(2026, 3, 22), QTime(12, 0)))
                               << "day-empty";
    QTest::newRow("week") << StatsReportScope::week(QDateTime(QDate(2026, 3, 18), QTime(12, 0))) << "week";
    QTest::newRow("month") << StatsReportScope::month(QDateTime(QDate(2026, 3, 18), QTime(12, 0))) << "month";
}

void ReportRenderTest::rendersEveryScope() {
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
    QVERIFY(saveScreenshot(renderWidget(window, Qt::black, 2), QStringLiteral("report-%1@2x.png").arg(name)));

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

namespace {

// A day with done items split over rests and exercises, skipped over drinks and rests.
StatsDaySummary day(const QString& key, qint64 done, qint64 skipped) {
    StatsDaySummary summary{key};
    summary.restCompletedCount = done / 2;
    summary.pelvicCompletedCount = done - done / 2;
    summary.hydrationSkippedCount = skipped / 2;
    summary.restSkippedCount = skipped - skipped / 2;
    return summary;
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

} // namespace

// The bars start after the 92-point key and 14 points of padding and spacing,
// the done bar 3 points before the skipped one, and the track ends 14 points
// before a counts box 100 wide; the busiest day fills the track.
void ReportRenderTest::dayBarsAreMeasured_data() {
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("1x") << 1.0;
    QTest::newRow("2x") << 2.0;
}

void ReportRenderTest::dayBarsAreMeasured() {
    QFETCH(qreal, ratio);
    StatsReport report;
    report.scope = StatsReportScope::week(QDateTime(QDate(2026, 3, 18), QTime(12, 0)));
    report.days = {day(u"2026-03-16"_s, 6, 4), day(u"2026-03-17"_s, 5, 0), day(u"2026-03-18"_s, 0, 3),
                   day(u"2026-03-19"_s, 0, 0)};
    // Shares of the track: done from, done to, skipped from, skipped to (-1: no bar).
    const QList<std::array<qreal, 4>> expected = {
        {0, 0.6, 0.6, 1}, {0, 0.5, -1, -1}, {-1, -1, 0, 0.3}, {-1, -1, -1, -1}};
    StatsReportWindow window(report);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QList<QWidget*> rows = window.view()->findChildren<QWidget*>(u"dayRow"_s);
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
    QVERIFY(saveScreenshot(renderWidget(window, Qt::black, ratio), u"report-bars@%1x.png"_s.arg(ratio)));
}

void ReportRenderTest::verifyNothingIsCut(const StatsReportView& view) {
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

void ReportRenderTest::verifyRowsDoNotOverlap(const QList<QWidget*>& rows) {
    for (qsizetype i = 1; i < rows.size(); ++i) {
        QVERIFY2(rows.at(i)->geometry().top() > rows.at(i - 1)->geometry().bottom(),
                 qPrintable(QString::number(i)));
    }
}

QTEST_MAIN(ReportRenderTest)
#include "tst_report_render.moc"
