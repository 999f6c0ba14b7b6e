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
    QStringList eventTypes() const {
        QStringList types;
        for (const StatsEvent& event : events()) {
            types << eventKind(event);
        }
        return types;
    }

    FakeNotifications notifications;
    ScriptedAlerts alerts;
    SessionEvents sessionEvents;
    ReminderServices services{clock, prefs, store, &notifications, &alerts, &sessionEvents};
    HydrationReminderManager hydration{services};
    PelvicFloorReminderManager pelvic{services};
};

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
        QCOMPARE(f.eventTypes(), (QStringList{QStringLiteral("hydration_prompt_shown/scheduled"),
                                              QStringLiteral("hydration_prompt_shown/scheduled"),
                                              QStringLiteral("pelvic_prompt_shown/scheduled")}));
        QCOMPARE(payloadInt(f.events().first(), QStringLiteral("intervalMinutes")), 45);
        // Unanswered, it keeps coming back every ten minutes.
        f.advanceTo(at(2, 10, 5));
        QCOMPARE(f.notifications.added.size(), 4);
        QCOMPARE(f.hydration.nextReminderAt(), at(2, 10, 15));
    }

    void confirmingFromTheNotificationCountsAndWaitsAnInterval() {
        Fixture f;
        f.launch(f.pelvic);
        f.advanceTo(at(2, 10, 0, 30));
        QVERIFY(f.pelvic.handleNotificationResponse({QStringLiteral("pelvic-floor-reminder"),
                                                     QStringLiteral("PELVIC_FLOOR_REMINDER"),
                                                     QStringLiteral("PELVIC_FLOOR_COMPLETE")}));
        QCOMPARE(f.pelvic.count(), 1);
        QCOMPARE(f.pelvic.nextReminderAt(), at(2, 11, 0, 30));
        QVERIFY(f.notifications.removed.contains(QStringLiteral("pelvic-floor-reminder")));
        QCOMPARE(eventLine(f.events().first()),
                 QStringLiteral("pelvic_prompt_shown/scheduled intervalMinutes=60"));
        QCOMPARE(
            eventLine(f.events().last()),
            QStringLiteral("pelvic_completed/notification countAfter=1 guidedSeconds=0 intervalMinutes=60"));
    }

    void dismissalSkipsAndKeepsTheReRemind() {
        Fixture f;
        QStringList skipped;
        f.hydration.onReminderSkipped = [&skipped](const QString& message) { skipped << message; };
        f.launch(f.hydration);
        f.advanceTo(at(2, 9, 45));
        QVERIFY(f.hydration.handleNotificationResponse({QStringLiteral("hydration-reminder"),
                                                        QStringLiteral("HYDRATION_REMINDER"),
                                                        Notifications::dismissActionIdentifier}));
        QCOMPARE(skipped.size(), 1);
        QVERIFY(f.hydration.configuration().skipMessages.contains(skipped.first()));
        QCOMPARE(f.eventTypes().last(), QStringLiteral("hydration_skipped/notification"));
        QCOMPARE(f.hydration.nextReminderAt(), at(2, 9, 55));
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

    void disabledDrinksStillCount() {
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
    }

    void intervalChangeCountsFromNow() {
        Fixture f;
        f.launch(f.hydration);
        f.advanceTo(at(2, 9, 30));
        f.hydration.recordDrink(StatsEventSource::manual);
        f.advanceTo(at(2, 10, 10));
        f.hydration.setInterval(30);
        QCOMPARE(f.hydration.nextReminderAt(), at(2, 10, 40));
        f.advanceTo(at(2, 10, 40));
        QCOMPARE(f.notifications.added.size(), 1);
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

    void withoutPermissionTheAlertAsks() {
        Fixture f;
        f.notifications.authorized = false;
        f.alerts.answer(ReminderManager::alertConfirmButton);
        f.launch(f.hydration);
        f.advanceTo(at(2, 9, 45));
        QCOMPARE(f.alerts.shown.size(), 1);
        QCOMPARE(f.alerts.shown.first().buttons,
                 (QStringList{QStringLiteral("水分充值 +1"), QStringLiteral("下次一定")}));
        QCOMPARE(f.eventTypes(), (QStringList{QStringLiteral("hydration_prompt_shown/scheduled"),
                                              QStringLiteral("hydration_completed/scheduled")}));
        // The confirmation moved the next reminder a whole interval ahead of the re-remind.
        QCOMPARE(f.hydration.nextReminderAt(), at(2, 10, 30));
    }

    void anOpenAlertIsNotStacked() {
        Fixture f;
        f.notifications.authorized = false;
        f.alerts.responders.append([&f](const Alert&) {
            f.advance(700); // the user is away past the re-remind
            return 1;
        });
        f.launch(f.hydration);
        f.advanceTo(at(2, 9, 45));
        QCOMPARE(f.alerts.shown.size(), 1);
        QCOMPARE(f.eventTypes(), (QStringList{QStringLiteral("hydration_prompt_shown/scheduled"),
                                              QStringLiteral("hydration_skipped/scheduled")}));
    }

    void anAlertClosedByQuittingIsNoAnswer() {
        Fixture f;
        f.notifications.authorized = false;
        f.alerts.responders.append([&f](const Alert&) {
            f.hydration.stop(); // Tavo ends while the alert is open
            return int(Alerts::closed);
        });
        f.launch(f.hydration);
        f.advanceTo(at(2, 9, 45));
        QCOMPARE(f.eventTypes(), QStringList{QStringLiteral("hydration_prompt_shown/scheduled")});
    }

    void formatRemaining_data() {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("one second") << qint64(1) << "00:01";
        QTest::newRow("59:59") << qint64(3599) << "59:59";
        QTest::newRow("an hour") << qint64(3600) << "1小时0分";
        QTest::newRow("2h5m") << qint64(7530) << "2小时5分";
    }
    void formatRemaining() {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(ReminderManager::formatRemaining(seconds), text);
    }
};

QTEST_MAIN(ReminderManagerTest)
#include "tst_reminder_manager.moc"
