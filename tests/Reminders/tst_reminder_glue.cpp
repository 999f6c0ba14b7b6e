#include "Platform/ClockJumpDetector.h"
#include "Platform/Settings.h"
#include "support/DelegateFixture.h"
#include "support/FakeNotifications.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

namespace {

// A delegate with notifications allowed.
struct Fixture : DelegateFixture {
    Fixture() { adapters.notifications = &notifications; }
    ~Fixture() { delegate.reset(); }
    AppDelegate& launch() {
        DelegateFixture::launch();
        QCoreApplication::processEvents();
        return *delegate;
    }
    // Reminder events only; the launch and rests record their own.
    QStringList reminderEvents() const {
        QStringList types;
        for (const StatsEvent& event : events()) {
            const QString kind = eventKind(event);
            if (kind.startsWith(QLatin1String("hydration")) || kind.startsWith(QLatin1String("pelvic"))) {
                types << kind;
            }
        }
        return types;
    }

    FakeNotifications notifications;
};

} // namespace

class ReminderGlueTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Launched: the categories registered, the menu filled, each answer given
    // to its own manager, the current preset chosen again restarting the wait.
    void launchWiresTheManagers() {
        Fixture f;
        AppDelegate& d = f.launch();
        QStringList categories;
        for (const NotificationCategory& category : f.notifications.categories) {
            categories << category.identifier + u' ' + category.actionIdentifier + u' ' +
                              category.actionTitle;
        }
        QCOMPARE(categories,
                 (QStringList{QStringLiteral("HYDRATION_REMINDER HYDRATION_DRANK 水分充值 +1"),
                              QStringLiteral("PELVIC_FLOOR_REMINDER PELVIC_FLOOR_COMPLETE 底盘保养 +1")}));
        Q_EMIT d.statusMenu->aboutToShow(); // the countdown lines: see the menu's suite
        QCOMPARE(d.hydrationToggleMenuItem->text(), QStringLiteral("    喝水提醒：已开启"));
        QVERIFY(d.hydrationToggleMenuItem->isChecked());
        QCOMPARE(d.pelvicFloorIntervalMenuItem->text(), QStringLiteral("    提肛提醒间隔（当前每 60 分钟）"));

        f.notifications.respond(QStringLiteral("pelvic-floor-reminder"),
                                QStringLiteral("PELVIC_FLOOR_REMINDER"),
                                QStringLiteral("PELVIC_FLOOR_COMPLETE"));
        QTRY_COMPARE(d.pelvicFloorManager->count(), 1);
        QCOMPARE(f.reminderEvents(), QStringList{QStringLiteral("pelvic_completed/notification")});
        QTRY_COMPARE(d.pelvicFloorStatusMenuItem->text(),
                     QStringLiteral("🫧 今日 1 次 · 下次保养 1小时0分"));

        f.advanceTo(at(2, 9, 30));
        d.selectHydrationInterval(45);
        QCOMPARE(d.hydrationManager->nextReminderAt(), at(2, 10, 15));

        d.toggleHydrationReminder();
        QCOMPARE(d.hydrationToggleMenuItem->text(), QStringLiteral("    喝水提醒：已关闭"));
        QCOMPARE(d.hydrationStatusMenuItem->text(), QStringLiteral("💧 水分雷达：已下线"));
    }

    void dismissalShowsTheSkipInTheMenuAndTheToast() {
        Fixture f;
        AppDelegate& d = f.launch();
        f.advanceTo(at(2, 9, 45));
        f.notifications.respond(QStringLiteral("hydration-reminder"), QStringLiteral("HYDRATION_REMINDER"),
                                Notifications::dismissActionIdentifier);
        QTRY_COMPARE(d.reminderSkipFeedbackPresenter->toastWindows.size(), size_t(1));
        const QString line = d.statusLine();
        const QStringList skips = {QStringLiteral("💧 水杯表示：我不是桌搭"),
                                   QStringLiteral("💧 跳过补水，身体先记一笔"),
                                   QStringLiteral("💧 咖啡不能顶所有水，别糊弄身体"),
                                   QStringLiteral("💧 本次水分充值延期，别让余额见底"),
                                   QStringLiteral("💧 已跳过喝水，水杯继续在旁边沉默"),
                                   QStringLiteral("💧 今天的水分 KPI 又被你鸽了一次")};
        QVERIFY2(skips.contains(line), qPrintable(line));
        QCOMPARE(d.reminderSkipFeedbackPresenter->toastWindows.front()->title(),
                 QStringLiteral("喝水提醒已跳过"));
        QCOMPARE(d.reminderSkipFeedbackPresenter->toastWindows.front()->message(), line);
        f.advanceTo(at(2, 9, 45, 5));
        QVERIFY(d.statusLine() != line);
    }

    void typedInterval_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::newRow("spaces") << " 90 " << 90;
        QTest::newRow("line break") << "90\n" << 90;
        QTest::newRow("shortest") << "1" << 1;
        QTest::newRow("longest") << "480" << 480;
        QTest::newRow("zero") << "0" << -1;
        QTest::newRow("too long") << "481" << -1;
        QTest::newRow("letters") << "abc" << -1;
        QTest::newRow("fraction") << "4.5" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void typedInterval() {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        Fixture f;
        AppDelegate& d = f.launch();
        f.advanceTo(at(2, 10, 10));
        const std::optional<QDateTime> before = d.pelvicFloorManager->nextReminderAt();
        f.platform.alerts.answer(Alerts::firstButton, {typed});
        d.showPelvicFloorIntervalDialog();
        const Alert& dialog = f.platform.alerts.shown.first();
        QCOMPARE(dialog.messageText, QStringLiteral("设置提肛提醒间隔"));
        QCOMPARE(dialog.buttons, (QStringList{QStringLiteral("应用"), QStringLiteral("取消")}));
        if (stored > 0) {
            QCOMPARE(f.platform.alerts.shown.size(), 1);
            QCOMPARE(d.pelvicFloorManager->intervalMinutes(), stored);
            QCOMPARE(d.pelvicFloorManager->nextReminderAt(), at(2, 10, 10).addSecs(stored * 60));
            QCOMPARE(d.pelvicFloorIntervalMenuItem->text(),
                     QStringLiteral("    提肛提醒间隔（当前每 %1 分钟）").arg(stored));
        } else {
            QCOMPARE(f.platform.alerts.shown.size(), 2);
            const Alert& invalid = f.platform.alerts.shown.last();
            QCOMPARE(invalid.messageText, QStringLiteral("自动提肛间隔无效"));
            QCOMPARE(invalid.informativeText, QStringLiteral("提醒间隔请输入 1 到 480 分钟。"));
            QCOMPARE(invalid.style, AlertStyle::Warning);
            QCOMPARE(invalid.buttons, QStringList{QStringLiteral("好的")});
            QVERIFY(!f.prefs.contains(Settings::pelvicFloorReminderIntervalMinutes));
            QVERIFY(d.pelvicFloorManager->nextReminderAt() == before);
        }
    }

    void drinkNow_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("recorded");
        QTest::addColumn<int>("count");
        QTest::newRow("confirmed") << int(Alerts::firstButton) << "hydration_completed/manual" << 1;
        QTest::newRow("declined") << 1 << "hydration_skipped/manual" << 0;
    }
    void drinkNow() {
        QFETCH(int, answer);
        QFETCH(int, count);
        Fixture f;
        AppDelegate& d = f.launch();
        f.advanceTo(at(2, 9, 10));
        f.platform.alerts.answer(answer);
        d.recordHydrationDrink();
        QCoreApplication::processEvents();
        QCOMPARE(f.platform.alerts.shown.first().buttons.first(), QStringLiteral("水分充值 +1"));
        QCOMPARE(f.reminderEvents().first(), QStringLiteral("hydration_prompt_shown/manual"));
        QTEST(f.reminderEvents().value(1), "recorded");
        QCOMPARE(f.reminderEvents().size(), 2);
        QCOMPARE(d.hydrationManager->count(), count);
        // Only a drink shows one of the logged lines.
        const QString line = d.statusLine();
        const QStringList logged = {
            QStringLiteral("💧 水分充值 +1，身体收到"), QStringLiteral("💧 补水打卡成功，别全靠咖啡硬顶"),
            QStringLiteral("💧 今日第 1 杯到账，继续保持"), QStringLiteral("💧 水分余额回升，状态好一点了")};
        QCOMPARE(logged.contains(line) || line.contains(QStringLiteral("杯到账")), count == 1);
        if (count == 1) {
            QCOMPARE(d.hydrationManager->nextReminderAt(), at(2, 9, 55));
        }
    }

    // Due at 09:45 while the user rests, is away or has paused; offered 5 s after the end.
    void aReminderWaitsUntilTheUserIsBack_data() {
        QTest::addColumn<QString>("why");
        QTest::addColumn<QDateTime>("back");
        QTest::newRow("resting") << "rest" << at(2, 9, 45, 11); // the 20-second rest's last tick
        QTest::newRow("away") << "away" << at(2, 9, 50, 0);
        QTest::newRow("paused") << "pause" << at(2, 9, 50, 0);
    }
    void aReminderWaitsUntilTheUserIsBack() {
        QFETCH(QString, why);
        QFETCH(QDateTime, back);
        Fixture f;
        f.adapters.idleTime = &f.platform.idleTime;
        AppDelegate& d = f.launch();
        f.advanceTo(at(2, 9, 44, 50));
        if (why == QLatin1String("rest")) {
            d.triggerRestNow();
        } else if (why == QLatin1String("away")) {
            f.platform.idleTime.idleMs = 6 * 60 * 1000;
        } else {
            d.pauseRest(back);
        }
        f.advanceTo(at(2, 9, 45, 5));
        QVERIFY(f.notifications.added.isEmpty());
        QVERIFY(d.hydrationManager->isDeferredAfterRest());
        f.advanceTo(back);
        f.platform.idleTime.idleMs = 0;
        f.advanceTo(back.addSecs(1));
        QVERIFY(f.notifications.added.isEmpty());
        f.advanceTo(back.addSecs(11));
        QCOMPARE(f.notifications.added.size(), 1);
        QCOMPARE(f.notifications.added.first().identifier, QStringLiteral("hydration-reminder"));
    }

    // The delegate checks the clocks every tick; quitting stops the managers for good.
    void everyTickLooksForAJumpUntilQuit() {
        Fixture f;
        AppDelegate& d = f.launch();
        QSignalSpy jumped(d.clockJumps, &ClockJumpDetector::jumped);
        f.advance(59);
        QCOMPARE(jumped.size(), 0);
        f.clock.setNow(f.clock.now().addSecs(-61));
        f.advance(1);
        QCOMPARE(jumped.size(), 1);
        QCOMPARE(jumped.at(0).at(0).toLongLong(), -61'000);

        QVERIFY(d.hydrationManager->isTimerArmed());
        d.quitApp();
        QVERIFY(!d.hydrationManager->isTimerArmed());
        QVERIFY(!d.pelvicFloorManager->isTimerArmed());
        Q_EMIT f.platform.sessionEvents.resumed();
        QVERIFY(!d.hydrationManager->isTimerArmed());
    }
};

QTEST_MAIN(ReminderGlueTest)
#include "tst_reminder_glue.moc"
