#include "Platform/ClockJumpDetector.h"
#include "Platform/SessionEvents.h"
#include "Reminders/HydrationReminderManager.h"
#include "Reminders/PelvicFloorReminderManager.h"
#include "support/FakeNotifications.h"
#include "support/ServicesFixture.h"
#include "support/TestPlatform.h"

#include <QTest>

namespace {

struct Fixture : ServicesFixture {
    explicit Fixture(const QDateTime& start = at(2, 9, 0))
        : ServicesFixture(start) {}

    // The launch sequence: observe, end a stale day, start today when enabled.
    void launch(ReminderManager& manager) {
        manager.observeWorkspaceResumeEvents();
        manager.ensureFreshDayState();
        if (manager.isEnabled()) {
            manager.beginTodayIfNeeded();
            manager.scheduleTimerIfNeeded();
        }
    }
    int prompts(const ReminderManager& manager) const {
        return static_cast<int>(std::count_if(
            notifications.added.begin(), notifications.added.end(), [&](const NotificationRequest& request) {
                return request.identifier == manager.configuration().notificationIdentifier;
            }));
    }
    QStringList eventLines() const {
        QStringList lines;
        for (const StatsEvent& event : events()) {
            lines << eventLine(event);
        }
        return lines;
    }

    FakeNotifications notifications;
    ScriptedAlerts alerts;
    SessionEvents sessionEvents;
    ReminderServices services{clock, prefs, store, &notifications, &alerts, &sessionEvents};
    HydrationReminderManager hydration{services};
    PelvicFloorReminderManager pelvic{services};
    ClockJumpDetector jumps{clock};
};

// The skip messages, one of which each skip shows.
const QStringList hydrationSkips = {
    QStringLiteral("💧 水杯表示：我不是桌搭"),           QStringLiteral("💧 跳过补水，身体先记一笔"),
    QStringLiteral("💧 咖啡不能顶所有水，别糊弄身体"),   QStringLiteral("💧 本次水分充值延期，别让余额见底"),
    QStringLiteral("💧 已跳过喝水，水杯继续在旁边沉默"), QStringLiteral("💧 今天的水分 KPI 又被你鸽了一次")};
const QStringList pelvicSkips = {QStringLiteral("🫧 底盘保养已跳过，久坐账本 +1"),
                                 QStringLiteral("🫧 这组先欠着，别把身体当固定资产"),
                                 QStringLiteral("🫧 已跳过，身体维护单暂时挂起"),
                                 QStringLiteral("🫧 低调维护失败一次，下次补上"),
                                 QStringLiteral("🫧 久坐人已忽略保养提醒，系统轻微叹气"),
                                 QStringLiteral("🫧 底盘续航未更新，先给你记个待办")};

} // namespace

class ReminderManagerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void freshInstallRemindsAtIntervalsFromLaunch() {
        Fixture f;
        f.launch(f.hydration);
        f.launch(f.pelvic);
        QCOMPARE(f.hydration.nextReminderAt(), at(2, 9, 45));
        QCOMPARE(f.pelvic.nextReminderAt(), at(2, 10, 0));
        QCOMPARE(f.hydration.statusText(), QStringLiteral("💧 今日 0 杯 · 下次吨吨吨 45:00"));
        QCOMPARE(f.pelvic.statusText(), QStringLiteral("🫧 今日 0 次 · 下次保养 1小时0分"));

        f.advanceTo(at(2, 9, 44, 58).addMSecs(500)); // what is left is rounded up
        QCOMPARE(f.hydration.statusText(), QStringLiteral("💧 今日 0 杯 · 下次吨吨吨 00:02"));
        f.advanceTo(at(2, 9, 44, 59));
        QVERIFY(f.notifications.added.isEmpty());
        f.advanceTo(at(2, 9, 45));
        QCOMPARE(f.notifications.added.size(), 1);
        const NotificationRequest& drink = f.notifications.added.first();
        QCOMPARE(drink.identifier, QStringLiteral("hydration-reminder"));
        QCOMPARE(drink.categoryIdentifier, QStringLiteral("HYDRATION_REMINDER"));
        QCOMPARE(drink.delaySeconds, 1.0);
        QVERIFY(drink.title.endsWith(QStringLiteral("【💦补水时间到】")));
        QCOMPARE(f.hydration.nextReminderAt(), at(2, 9, 55));

        f.advanceTo(at(2, 10, 0));
        QCOMPARE(f.notifications.added.size(), 3); // with the 09:55 re-remind
        QCOMPARE(f.notifications.added.last().identifier, QStringLiteral("pelvic-floor-reminder"));
        QVERIFY(f.notifications.added.last().body.endsWith(QStringLiteral("不舒服就停。")));
        const QString drinkPrompt = QStringLiteral("hydration_prompt_shown/scheduled intervalMinutes=45");
        QCOMPARE(f.eventLines(),
                 (QStringList{drinkPrompt, drinkPrompt,
                              QStringLiteral("pelvic_prompt_shown/scheduled intervalMinutes=60")}));
        // Unanswered, it keeps coming back every ten minutes.
        f.advanceTo(at(2, 10, 5));
        QCOMPARE(f.notifications.added.size(), 4);
        QCOMPARE(f.hydration.nextReminderAt(), at(2, 10, 15));
    }

    // Answered half a minute after it came: a confirmation counts and waits a
    // whole interval; a dismissal skips with a message of the manager's own
    // and keeps the ten-minute re-remind.
    void answeringTheNotification_data() {
        QTest::addColumn<bool>("hydration");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QDateTime>("next");
        QTest::addColumn<QString>("recorded");
        QTest::addColumn<QStringList>("skipMessages"); // empty: no skip
        const QString dismiss = Notifications::dismissActionIdentifier;
        QTest::newRow("drink") << true << "HYDRATION_DRANK" << at(2, 10, 30, 30)
                               << "hydration_completed/notification countAfter=1 intervalMinutes=45"
                               << QStringList();
        QTest::newRow("exercise")
            << false << "PELVIC_FLOOR_COMPLETE" << at(2, 11, 0, 30)
            << "pelvic_completed/notification countAfter=1 guidedSeconds=0 intervalMinutes=60"
            << QStringList();
        QTest::newRow("drink dismissed")
            << true << dismiss << at(2, 9, 55) << "hydration_skipped/notification intervalMinutes=45"
            << hydrationSkips;
        QTest::newRow("exercise dismissed")
            << false << dismiss << at(2, 10, 10) << "pelvic_skipped/notification intervalMinutes=60"
            << pelvicSkips;
    }
    void answeringTheNotification() {
        QFETCH(bool, hydration);
        QFETCH(QString, action);
        QFETCH(QDateTime, next);
        QFETCH(QStringList, skipMessages);
        Fixture f;
        ReminderManager& m = hydration ? static_cast<ReminderManager&>(f.hydration) : f.pelvic;
        QStringList skipped;
        m.onReminderSkipped = [&skipped](const QString& message) { skipped << message; };
        f.launch(m);
        f.advanceTo(m.nextReminderAt()->addSecs(30));
        const NotificationRequest shown = f.notifications.added.last();
        f.notifications.removed.clear();
        QVERIFY(m.handleNotificationResponse({shown.identifier, shown.categoryIdentifier, action}));
        QCOMPARE(m.nextReminderAt(), next);
        QTEST(f.eventLines().value(1), "recorded");
        QCOMPARE(m.count(), int(skipMessages.isEmpty()));
        QCOMPARE(f.notifications.removed,
                 skipMessages.isEmpty() ? QStringList{shown.identifier} : QStringList());
        QCOMPARE(skipped.size(), int(!skipMessages.isEmpty()));
        QVERIFY(skipped.isEmpty() || skipMessages.contains(skipped.first()));
    }

    void responsesBelongToOneManagerOnly_data() {
        QTest::addColumn<QString>("response"); // category and action
        QTest::addColumn<bool>("hydration");
        QTest::addColumn<bool>("pelvic");
        QTest::newRow("drink") << "HYDRATION_REMINDER HYDRATION_DRANK" << true << false;
        QTest::newRow("exercise") << "PELVIC_FLOOR_REMINDER PELVIC_FLOOR_COMPLETE" << false << true;
        QTest::newRow("body click") << "HYDRATION_REMINDER default" << false << false;
        QTest::newRow("foreign category") << "SOMETHING_ELSE dismiss" << false << false;
        QTest::newRow("drink of a foreign category") << "OTHER HYDRATION_DRANK" << false << false;
        QTest::newRow("crossed action") << "HYDRATION_REMINDER PELVIC_FLOOR_COMPLETE" << false << false;
    }
    void responsesBelongToOneManagerOnly() {
        QFETCH(QString, response);
        QFETCH(bool, hydration);
        QFETCH(bool, pelvic);
        Fixture f;
        const NotificationResponse answer{QStringLiteral("x"), response.section(u' ', 0, 0),
                                          response.section(u' ', 1)};
        QCOMPARE(f.hydration.handleNotificationResponse(answer), hydration);
        QCOMPARE(f.pelvic.handleNotificationResponse(answer), pelvic);
        QCOMPARE(f.events().size(), int(hydration) + int(pelvic));
    }

    void midnightEndsTheDayAndNothingFires() {
        Fixture f(at(2, 23, 30));
        f.launch(f.hydration);
        f.hydration.recordDrink(StatsEventSource::manual);
        QCOMPARE(f.hydration.nextReminderAt(), at(3, 0, 15));
        f.advanceTo(at(3, 0, 20));
        QVERIFY(f.notifications.added.isEmpty());
        QVERIFY(!f.hydration.hasStartedToday());
        QVERIFY(!f.hydration.nextReminderAt());
        QVERIFY(!f.hydration.isTimerArmed());
        QCOMPARE(f.hydration.count(), 0);
        QVERIFY(f.notifications.removed.contains(QStringLiteral("hydration-reminder")));
        QCOMPARE(f.hydration.statusText(), QStringLiteral("💧 水分雷达待机中，等今天首次唤醒"));

        // The next wake starts the new day.
        Q_EMIT f.sessionEvents.resumed();
        QVERIFY(f.hydration.hasStartedToday());
        QCOMPARE(f.hydration.nextReminderAt(), at(3, 1, 5));
    }

    void disabledDrinksStillCountAndIntervalsCountFromNow() {
        Fixture f;
        f.hydration.setEnabled(false);
        f.launch(f.hydration);
        QCOMPARE(f.hydration.statusText(), QStringLiteral("💧 水分雷达：已下线"));
        f.hydration.recordDrink(StatsEventSource::manual);
        QCOMPARE(f.hydration.count(), 1);
        QVERIFY(f.hydration.hasStartedToday());
        QVERIFY(!f.hydration.isTimerArmed());

        // Re-enabled after the stored time has passed: due one second later.
        f.advanceTo(at(2, 10, 0));
        QCOMPARE(f.hydration.statusText(), QStringLiteral("💧 今日 1 杯 · 水分余额不足"));
        f.hydration.setEnabled(true);
        QVERIFY(f.hydration.isTimerArmed());
        f.advance(0.999);
        QVERIFY(f.notifications.added.isEmpty());
        f.advance(0.001);
        QCOMPARE(f.notifications.added.size(), 1);

        // A new interval counts from now, not from the drink or the prompt.
        f.advanceTo(at(2, 10, 5));
        f.hydration.setInterval(30);
        QCOMPARE(f.hydration.nextReminderAt(), at(2, 10, 35));
        f.advanceTo(at(2, 10, 35));
        QCOMPARE(f.notifications.added.size(), 2);
    }

    void deferredDuringARestAndOfferedOnceAfter() {
        Fixture f;
        bool resting = false;
        f.hydration.shouldDeferReminder = [&resting] { return resting; };
        f.launch(f.hydration);
        resting = true;
        f.advanceTo(at(2, 9, 45));
        QVERIFY(f.hydration.isDeferredAfterRest());
        QCOMPARE(f.hydration.nextReminderAt(), at(2, 9, 46));
        f.advanceTo(at(2, 9, 46, 30));
        QCOMPARE(f.hydration.nextReminderAt(), at(2, 9, 47));
        QVERIFY(f.notifications.added.isEmpty());

        resting = false;
        f.hydration.retryDeferredReminderAfterRest();
        QCOMPARE(f.hydration.nextReminderAt(), at(2, 9, 46, 35));
        f.advanceTo(at(2, 9, 50));
        QCOMPARE(f.notifications.added.size(), 1);
        // A second retry has nothing left to offer.
        f.hydration.retryDeferredReminderAfterRest();
        QCOMPARE(f.hydration.nextReminderAt(), at(2, 9, 56, 35));
    }

    // Without permission the due reminder asks in an alert, one at a time; an
    // alert closed because Tavo quits is no answer.
    void theAlertInsteadOfANotification_data() {
        QTest::addColumn<int>("user");       // the button, or how long the user is away
        QTest::addColumn<QString>("answer"); // recorded after the prompt; empty: none
        QTest::newRow("confirms") << int(Alerts::firstButton)
                                  << "hydration_completed/scheduled countAfter=1 intervalMinutes=45";
        QTest::newRow("away past the re-remind, declines")
            << 700 << "hydration_skipped/scheduled intervalMinutes=45";
        QTest::newRow("quits") << int(Alerts::closed) << QString();
    }
    void theAlertInsteadOfANotification() {
        QFETCH(int, user);
        QFETCH(QString, answer);
        Fixture f;
        f.notifications.authorized = false;
        f.alerts.responders.append([&f, user](const Alert&) {
            if (user == Alerts::closed) {
                f.hydration.stop(); // Tavo ends while the alert is open
            } else if (user > 1) {
                f.advance(user);
                return 1;
            }
            return user;
        });
        f.launch(f.hydration);
        f.advanceTo(at(2, 9, 45));
        QCOMPARE(f.alerts.shown.size(), 1);
        QCOMPARE(f.alerts.shown.first().buttons,
                 (QStringList{QStringLiteral("水分充值 +1"), QStringLiteral("下次一定")}));
        QCOMPARE(f.eventLines(),
                 QStringList({QStringLiteral("hydration_prompt_shown/scheduled intervalMinutes=45"), answer})
                     .filter(QStringLiteral("/")));
        if (user == Alerts::firstButton) {
            QCOMPARE(f.hydration.nextReminderAt(), at(2, 10, 30)); // a whole interval ahead of the re-remind
        }
    }

    // The wall clock set back or forward (a correction, the user, a suspend):
    // set back across midnight it starts no new day, and after any jump the
    // reminders come exactly when their status lines say, though their timers
    // run on the monotonic clock.
    void remindersFollowTheWallClock_data() {
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<qint64>("jumpSeconds");
        QTest::newRow("−1 h") << at(2, 10, 0) << qint64(-3600);
        QTest::newRow("−1 h across midnight") << at(3, 0, 10) << qint64(-3600);
        QTest::newRow("−1 day across midnight") << at(3, 0, 30) << qint64(-86400);
        QTest::newRow("+2 h") << at(2, 10, 0) << qint64(7200);
    }
    void remindersFollowTheWallClock() {
        QFETCH(QDateTime, start);
        QFETCH(qint64, jumpSeconds);
        Fixture f(start);
        const QList<ReminderManager*> managers = {&f.hydration, &f.pelvic};
        for (ReminderManager* manager : managers) {
            connect(&f.jumps, &ClockJumpDetector::jumped, manager, &ReminderManager::rearmAfterClockJump);
            manager->beginTodayIfNeeded();
            manager->recordCompletion(StatsEventSource::manual);
        }
        f.advance(5 * 60);
        f.clock.setNow(f.clock.now().addSecs(jumpSeconds));
        f.jumps.check(); // as every tick does

        for (ReminderManager* manager : managers) {
            const QString status = manager->statusText();
            QVERIFY(manager->hasStartedToday());
            QCOMPARE(manager->count(), 1);
            QCOMPARE(f.prompts(*manager), 0);
            const qint64 left = f.clock.now().secsTo(*manager->nextReminderAt());
            if (left > 0) {
                QVERIFY2(status.endsWith(ReminderManager::formatRemaining(left)), qPrintable(status));
            }
        }
        // Each comes when its line says, not when its timer was first set to.
        QMap<QDateTime, ReminderManager*> dues = {{*f.hydration.nextReminderAt(), &f.hydration},
                                                  {*f.pelvic.nextReminderAt(), &f.pelvic}};
        for (auto due = dues.begin(); due != dues.end(); ++due) {
            if (f.clock.now() < due.key().addSecs(-1)) {
                f.advanceTo(due.key().addSecs(-1));
                QCOMPARE(f.prompts(*due.value()), 0);
            }
            f.advance(2);
            QTRY_COMPARE(f.prompts(*due.value()), 1);
        }
    }

    // Without permission the 09:45 reminder waits in its alert. Meanwhile the
    // user asks for the drink dialog from the menu and declines it there; ten
    // minutes on, the re-remind must not open another alert over the first.
    void oneReminderAlertAtATimeAfterAManualOne() {
        Fixture f;
        f.notifications.authorized = false;
        f.alerts.responders.append([&f](const Alert&) {
            f.hydration.showReminderAlert(StatsEventSource::manual); // declined
            f.advance(600);
            return 1;
        });
        f.launch(f.hydration);
        f.advanceTo(at(2, 9, 45));
        QCOMPARE(f.alerts.shown.size(), 2);
    }

    // A count of the day read from a hand-edited file at the top of the
    // number range: one more drink must not turn it negative.
    void aDrinkOnAHugeStoredCountStaysPositive() {
        Fixture f;
        f.launch(f.hydration);
        f.storeRaw(QStringLiteral("hydrationReminderDrinkCount"), QVariant(qint64(9223372036854775807LL)));
        f.hydration.recordDrink(StatsEventSource::manual);
        QVERIFY2(f.hydration.count() > 0, qPrintable(QString::number(f.hydration.count())));
        const QString status = f.hydration.statusText();
        QVERIFY2(!status.contains(u'-'), qPrintable(status));
    }

    // Just below and well past an hour; the status lines above show 45:00, 00:02 and 1小时0分.
    void formatRemaining() {
        QCOMPARE(ReminderManager::formatRemaining(3599), QStringLiteral("59:59"));
        QCOMPARE(ReminderManager::formatRemaining(7530), QStringLiteral("2小时5分"));
    }
};

QTEST_MAIN(ReminderManagerTest)
#include "tst_reminder_manager.moc"
