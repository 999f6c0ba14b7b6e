#include "Stats/UI/StatsReportView.h"
#include "Stats/UI/StatsReportWindow.h"
#include "support/DelegateFixture.h"
#include "support/Files.h"

#include <QFile>
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
    std::unique_ptr<DelegateFixture> f;

    // Starts a process's launch: a fresh delegate asks for the prompt.
    void launch() {
        f->delegate.reset();
        f->platform.alerts.shown.clear();
        f->make().showYesterdayReportPromptIfNeeded();
    }
    void launched(const QDateTime& at) {
        f->store.record(StatsEventType::appLaunched, StatsEventSource::system, std::nullopt, {}, at);
    }

private Q_SLOTS:
    void init() { f = std::make_unique<DelegateFixture>(launchTime); }

    void cleanup() { f.reset(); }

    void offersYesterdayOneSecondAfterLaunch() {
        f->store.record(StatsEventType::hydrationCompleted, StatsEventSource::notification, std::nullopt, {},
                        yesterdayNoon);
        // A delegate gone within the second offers nothing.
        launch();
        f->delegate.reset();
        f->clock.advance(2);
        QVERIFY(f->platform.alerts.shown.isEmpty());
        QVERIFY(!QFile::exists(f->store.metaPath()));

        launch();
        f->clock.advance(0.9);
        QVERIFY(f->platform.alerts.shown.isEmpty());
        f->clock.advance(0.1);
        QCOMPARE(f->platform.alerts.shown.size(), 1);
        const Alert& alert = f->platform.alerts.shown.first();
        QCOMPARE(alert.messageText, QStringLiteral("昨天的身体维护日报已生成"));
        QCOMPARE(alert.informativeText, QStringLiteral("看看昨天休息、喝水、提肛有没有认真营业。"));
        QCOMPARE(alert.style, AlertStyle::Informational);
        QCOMPARE(alert.buttons, QStringList({QStringLiteral("查看日报"), QStringLiteral("稍后看")}));
        f->clock.advance(60);
        QCOMPARE(f->platform.alerts.shown.size(), 1);
    }

    // Only a day with events yesterday is offered, unless the meta file names today; a meta file
    // that cannot be read counts as no offer yet. Without an offer the meta file stays as it was.
    // "查看日报" opens yesterday's day report; accepted or not, the offer is made once that day.
    void offerDependsOnYesterdayAndMeta_data() {
        QTest::addColumn<QDateTime>("recorded");
        QTest::addColumn<QByteArray>("meta"); // empty: no file
        QTest::addColumn<bool>("offered");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("events yesterday, declined") << yesterdayNoon << QByteArray() << true << false;
        QTest::newRow("events yesterday, accepted") << yesterdayNoon << QByteArray() << true << true;
        QTest::newRow("unreadable meta")
            << yesterdayNoon << QByteArray("{\"lastDailyReportPromptDay\": 2026") << true << false;
        QTest::newRow("offered yesterday")
            << yesterdayNoon << QByteArray(R"({"lastDailyReportPromptDay":"2026-03-17"})") << true << false;
        QTest::newRow("offered today")
            << yesterdayNoon << QByteArray(R"({"lastDailyReportPromptDay":"2026-03-18"})") << false << false;
        QTest::newRow("events two days ago") << yesterdayNoon.addDays(-1) << QByteArray() << false << false;
        QTest::newRow("events this morning") << launchTime << QByteArray() << false << false;
    }
    void offerDependsOnYesterdayAndMeta() {
        QFETCH(QDateTime, recorded);
        QFETCH(QByteArray, meta);
        QFETCH(bool, offered);
        QFETCH(bool, accepted);
        launched(recorded);
        launched(launchTime);
        if (!meta.isEmpty()) {
            QVERIFY(writeFile(f->store.metaPath(), meta));
        }
        if (accepted) {
            f->platform.alerts.answer(Alerts::firstButton);
        }
        launch();
        f->clock.advance(2);
        QCOMPARE(f->platform.alerts.shown.size(), offered ? 1 : 0);
        const QByteArray today = R"({"lastDailyReportPromptDay":"2026-03-18"})";
        QCOMPARE(readFile(f->store.metaPath()), offered ? today : meta);
        QCOMPARE(bool(f->delegate->statsReportWindow), accepted);
        if (accepted) {
            QCOMPARE(f->delegate->statsReportWindow->windowTitle(), QStringLiteral("Tavo 身体维护日报"));
            const StatsReport& report = f->delegate->statsReportWindow->view()->report();
            QCOMPARE(report.scope.kind, StatsReportScope::Kind::day);
            QCOMPARE(report.rangeText, QStringLiteral("2026-03-17"));
            QCOMPARE(report.total.appLaunchCount, 1);
            QCOMPARE(report.events.size(), 1);
        }
        f->clock.advance(3 * 3600);
        launch();
        f->clock.advance(5);
        QVERIFY(f->platform.alerts.shown.isEmpty());
        if (recorded == launchTime) {
            // Running on into the next day: the check comes with the next launch.
            f->clock.setNow(launchTime.addDays(1));
            launch();
            f->clock.advance(1);
            QCOMPARE(f->platform.alerts.shown.size(), 1);
        }
    }

    void menuLinesOpenTitledWindows_data() {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("range");
        QTest::newRow("today") << 0 << QStringLiteral("Tavo 身体维护日报") << QStringLiteral("2026-03-18");
        QTest::newRow("this week") << 1 << QStringLiteral("Tavo 身体维护周报") << QString();
        QTest::newRow("this month") << 2 << QStringLiteral("Tavo 身体维护月报")
                                    << QStringLiteral("2026-03-01 ~ 2026-03-31");
    }

    void menuLinesOpenTitledWindows() {
        QFETCH(int, line);
        QFETCH(QString, title);
        QFETCH(QString, range);
        f->make();
        const std::array<void (AppDelegate::*)(), 3> lines = {&AppDelegate::showTodayReport,
                                                              &AppDelegate::showThisWeekReport,
                                                              &AppDelegate::showThisMonthReport};
        (f->delegate.get()->*lines.at(line))();

        StatsReportWindow* window = f->delegate->statsReportWindow;
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

    void everyChoiceOpensANewWindow() {
        f->make();
        f->delegate->showTodayReport();
        QPointer<StatsReportWindow> first = f->delegate->statsReportWindow;
        const QString opened = QStringLiteral("📊 报表已打开，身体小本本已摊开");
        QCOMPARE(f->delegate->statusLine(), opened);
        f->clock.advance(5);
        f->delegate->updateStatusMenuTitle();
        QVERIFY(f->delegate->statusLine() != opened);

        f->delegate->showTodayReport();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        QVERIFY(f->delegate->statsReportWindow);
        QVERIFY(f->delegate->statsReportWindow != first);

        // A closed window frees itself and is no longer referenced.
        QPointer<StatsReportWindow> second = f->delegate->statsReportWindow;
        second->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!second);
        QVERIFY(!f->delegate->statsReportWindow);
        QVERIFY(first);

        // Windows still open go with the delegate.
        f->delegate.reset();
        QVERIFY(!first);
    }
};

QTEST_MAIN(ReportPromptTest)
#include "tst_report_prompt.moc"
