#include "Application/AppDelegate.h"
#include "Stats/StatsReporter.h"
#include "Stats/StatsStore.h"
#include "Stats/UI/StatsReportView.h"
#include "Stats/UI/StatsReportWindow.h"
#include "support/FakeClock.h"
#include "support/TestPlatform.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QDateTime launchTime(QDate(2026, 3, 18), QTime(9, 0));
const QDateTime yesterdayNoon(QDate(2026, 3, 17), QTime(12, 0));

} // namespace

// The daily prompt and the report windows, over a temporary stats folder and
// a clock that stands still.
class ReportPromptTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void offersYesterdayOneSecondAfterLaunch();
    void viewOpensYesterdaysDayReportOnce();
    void declinedOfferIsNotRepeatedOnTheSameDay();
    void nothingYesterdayLeavesMetaUntouched();
    void unreadableMetaCountsAsNotOffered();
    void nothingHappensWhenTheDelegateIsGone();

    void menuLinesOpenTitledWindows_data();
    void menuLinesOpenTitledWindows();
    void everyChoiceOpensANewWindow();

private:
    // Starts a process's launch: a fresh delegate asks for the prompt.
    void launch();

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<StatsStore> store;
    std::unique_ptr<ScopedFakeClock> clock;
    std::unique_ptr<TestPlatform> platform;
    std::unique_ptr<AppDelegate> delegate;
};

void ReportPromptTest::init() {
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    store = std::make_unique<StatsStore>(dir->path());
    StatsStore::setShared(store.get());
    clock = std::make_unique<ScopedFakeClock>(launchTime);
}

void ReportPromptTest::cleanup() {
    delegate.reset();
    platform.reset();
    clock.reset();
    StatsStore::setShared(nullptr);
    store.reset();
    dir.reset();
}

void ReportPromptTest::launch() {
    delegate.reset();
    platform = std::make_unique<TestPlatform>();
    delegate = std::make_unique<AppDelegate>(platform->services());
    delegate->showYesterdayReportPromptIfNeeded();
}

void ReportPromptTest::offersYesterdayOneSecondAfterLaunch() {
    store->record(StatsEventType::hydrationCompleted, StatsEventSource::notification, std::nullopt, {},
                  yesterdayNoon);
    launch();
    (*clock)->advance(0.9);
    QVERIFY(platform->alerts.shown.isEmpty());
    (*clock)->advance(0.1);
    QCOMPARE(platform->alerts.shown.size(), 1);
    const Alert& alert = platform->alerts.shown.first();
    QCOMPARE(alert.messageText, QStringLiteral("昨天的身体维护日报已生成"));
    QCOMPARE(alert.informativeText, QStringLiteral("看看昨天休息、喝水、提肛有没有认真营业。"));
    QCOMPARE(alert.style, AlertStyle::Informational);
    QCOMPARE(alert.buttons, QStringList({QStringLiteral("查看日报"), QStringLiteral("稍后看")}));
    QCOMPARE(store->loadMeta().lastDailyReportPromptDay, QStringLiteral("2026-03-18"));
    (*clock)->advance(60);
    QCOMPARE(platform->alerts.shown.size(), 1);
}

void ReportPromptTest::viewOpensYesterdaysDayReportOnce() {
    store->record(StatsEventType::restCompleted, StatsEventSource::scheduled, std::nullopt,
                  {{QStringLiteral("actualSeconds"), 20}}, yesterdayNoon);
    store->record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {}, launchTime);
    platform = std::make_unique<TestPlatform>();
    platform->alerts.answer(Alerts::firstButton);
    delegate = std::make_unique<AppDelegate>(platform->services());
    delegate->showYesterdayReportPromptIfNeeded();
    (*clock)->advance(1);

    QVERIFY(delegate->statsReportWindow);
    QCOMPARE(delegate->statsReportWindow->windowTitle(), QStringLiteral("Tavo 身体维护日报"));
    const StatsReport& report = delegate->statsReportWindow->view()->report();
    QCOMPARE(report.scope.kind, StatsReportScope::Kind::day);
    QCOMPARE(report.rangeText, QStringLiteral("2026-03-17"));
    QCOMPARE(report.total.restCompletedCount, 1);
    QCOMPARE(report.events.size(), 1);

    // Accepted or not, the offer is made once that day.
    launch();
    (*clock)->advance(5);
    QVERIFY(platform->alerts.shown.isEmpty());
}

void ReportPromptTest::declinedOfferIsNotRepeatedOnTheSameDay() {
    store->record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {}, yesterdayNoon);
    launch(); // no responder: the alert is declined
    (*clock)->advance(1);
    QCOMPARE(platform->alerts.shown.size(), 1);
    QVERIFY(!delegate->statsReportWindow);
    QCOMPARE(store->loadMeta().lastDailyReportPromptDay, QStringLiteral("2026-03-18"));

    (*clock)->advance(3 * 3600);
    launch();
    (*clock)->advance(5);
    QVERIFY(platform->alerts.shown.isEmpty());
}

void ReportPromptTest::nothingYesterdayLeavesMetaUntouched() {
    // Events two days ago and this morning, none yesterday.
    store->record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {},
                  yesterdayNoon.addDays(-1));
    store->record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {}, launchTime);
    launch();
    (*clock)->advance(2);
    QVERIFY(platform->alerts.shown.isEmpty());
    QVERIFY(!QFile::exists(store->metaPath()));

    // Running on into the next day: the check comes with the next launch.
    (*clock)->setNow(launchTime.addDays(1));
    launch();
    (*clock)->advance(1);
    QCOMPARE(platform->alerts.shown.size(), 1);
}

void ReportPromptTest::unreadableMetaCountsAsNotOffered() {
    store->record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {}, yesterdayNoon);
    QFile meta(store->metaPath());
    QVERIFY(meta.open(QIODevice::WriteOnly));
    meta.write("{\"lastDailyReportPromptDay\": 2026");
    meta.close();
    launch();
    (*clock)->advance(1);
    QCOMPARE(platform->alerts.shown.size(), 1);
    QCOMPARE(store->loadMeta().lastDailyReportPromptDay, QStringLiteral("2026-03-18"));
}

void ReportPromptTest::nothingHappensWhenTheDelegateIsGone() {
    store->record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {}, yesterdayNoon);
    launch();
    delegate.reset();
    (*clock)->advance(2);
    QVERIFY(platform->alerts.shown.isEmpty());
    QVERIFY(!QFile::exists(store->metaPath()));
}

void ReportPromptTest::menuLinesOpenTitledWindows_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("range");
    QTest::newRow("today") << 0 << QStringLiteral("Tavo 身体维护日报") << QStringLiteral("2026-03-18");
    QTest::newRow("this week") << 1 << QStringLiteral("Tavo 身体维护周报") << QString();
    QTest::newRow("this month") << 2 << QStringLiteral("Tavo 身体维护月报")
                                << QStringLiteral("2026-03-01 ~ 2026-03-31");
}

void ReportPromptTest::menuLinesOpenTitledWindows() {
    QFETCH(int, line);
    QFETCH(QString, title);
    QFETCH(QString, range);
    platform = std::make_unique<TestPlatform>();
    delegate = std::make_unique<AppDelegate>(platform->services());
    const std::array<void (AppDelegate::*)(), 3> lines = {
        &AppDelegate::showTodayReport, &AppDelegate::showThisWeekReport, &AppDelegate::showThisMonthReport};
    (delegate.get()->*lines.at(line))();

    StatsReportWindow* window = delegate->statsReportWindow;
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), title);
    QCOMPARE(window->size(), QSize(900, 720));
    QVERIFY(window->isVisible());
    QVERIFY(!(window->windowFlags() & Qt::FramelessWindowHint));
    if (!range.isEmpty()) {
        QCOMPARE(window->view()->report().rangeText, range);
    }
    QCOMPARE(window->view()->report().days.size(), line == 0 ? 1 : line == 1 ? 7 : 31);
}

void ReportPromptTest::everyChoiceOpensANewWindow() {
    platform = std::make_unique<TestPlatform>();
    delegate = std::make_unique<AppDelegate>(platform->services());
    delegate->showTodayReport();
    QPointer<StatsReportWindow> first = delegate->statsReportWindow;
    QCOMPARE(delegate->transientStatusMessage, QStringLiteral("📊 报表已打开，身体小本本已摊开"));
    QCOMPARE(delegate->transientStatusExpiresAt, launchTime.addSecs(5));

    delegate->showTodayReport();
    QVERIFY(first);
    QVERIFY(first->isVisible());
    QVERIFY(delegate->statsReportWindow);
    QVERIFY(delegate->statsReportWindow != first);

    // A closed window frees itself and is no longer referenced.
    QPointer<StatsReportWindow> second = delegate->statsReportWindow;
    second->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!second);
    QVERIFY(!delegate->statsReportWindow);
    QVERIFY(first);

    // Windows still open go with the delegate.
    delegate.reset();
    QVERIFY(!first);
}

QTEST_MAIN(ReportPromptTest)
#include "tst_report_prompt.moc"
