#include "Stats/StatsReporter.h"
#include "Stats/StatsStore.h"
#include "Stats/UI/StatsReportView.h"
#include "Stats/UI/StatsReportWindow.h"
#include "support/BusyMonth.h"
#include "support/ServicesFixture.h"

#include <QDir>
#include <QLabel>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

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

private:
    static void verifyNothingIsCut(const StatsReportView& view);
    static void verifyRowsDoNotOverlap(const QList<QWidget*>& rows);
    static void save(const QImage& image, const QString& name);

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
    save(window.grab().toImage(), QStringLiteral("report-%1.png").arg(name));

    // The whole page at once, in a window as tall as the page.
    const QWidget* page = window.view()->findChild<QScrollArea*>()->widget();
    window.resize(900, page->sizeHint().height());
    QCoreApplication::processEvents();
    verifyRowsDoNotOverlap(window.view()->findChildren<QWidget*>(QStringLiteral("timelineRow")));
    save(window.grab().toImage(), QStringLiteral("report-%1-page.png").arg(name));

    // At the smallest size the page allows, the texts still fit.
    window.resize(window.minimumSizeHint());
    QCOMPARE(window.view()->size(), QSize(820, 620));
    QCoreApplication::processEvents();
    verifyNothingIsCut(*window.view());
    save(window.grab().toImage(), QStringLiteral("report-%1-smallest.png").arg(name));
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

void ReportRenderTest::save(const QImage& image, const QString& name) {
    const QString folder = qEnvironmentVariable("TAVO_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        return;
    }
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(image.save(QDir(folder).filePath(name)));
}

QTEST_MAIN(ReportRenderTest)
#include "tst_report_render.moc"
