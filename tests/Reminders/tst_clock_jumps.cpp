#include "Platform/ClockJumpDetector.h"
#include "Platform/SessionEvents.h"
#include "Reminders/HydrationReminderManager.h"
#include "Reminders/PelvicFloorReminderManager.h"
#include "support/DelegateFixture.h"
#include "support/FakeNotifications.h"

#include <QSignalSpy>
#include <QTest>

namespace {

struct Fixture : ServicesFixture {
    using ServicesFixture::ServicesFixture;

    int prompts(const ReminderManager& manager) const {
        return static_cast<int>(std::count_if(
            notifications.added.begin(), notifications.added.end(), [&](const NotificationRequest& request) {
                return request.identifier == manager.configuration().notificationIdentifier;
            }));
    }

    FakeNotifications notifications;
    SessionEvents sessionEvents;
    ReminderServices services{clock, prefs, store, &notifications, nullptr, &sessionEvents};
    HydrationReminderManager hydration{services};
    PelvicFloorReminderManager pelvic{services};
    ClockJumpDetector jumps{clock};
};

QList<ReminderManager*> managers(Fixture& f) {
    return {&f.hydration, &f.pelvic};
}

} // namespace

// The wall clock set back or forward (a correction, the user, a suspend)
// while the reminders run: a clock set back across midnight starts no new
// day, and after any jump the reminders come exactly when their status lines
// say, though their timers run on the monotonic clock.
class ClockJumpTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
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
        for (ReminderManager* manager : managers(f)) {
            connect(&f.jumps, &ClockJumpDetector::jumped, manager, &ReminderManager::rearmAfterClockJump);
            manager->beginTodayIfNeeded();
            manager->recordCompletion(StatsEventSource::manual);
        }
        f.advance(5 * 60);
        f.clock.setNow(f.clock.now().addSecs(jumpSeconds));
        f.jumps.check(); // as every tick does

        for (ReminderManager* manager : managers(f)) {
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

    // The delegate checks the clocks every tick.
    void everyTickLooksForAJump() {
        DelegateFixture f(at(2, 10, 0));
        AppDelegate& d = f.launch();
        QSignalSpy jumped(d.clockJumps, &ClockJumpDetector::jumped);
        f.advance(59);
        QCOMPARE(jumped.size(), 0);
        f.clock.setNow(f.clock.now().addSecs(-61));
        f.advance(1);
        QCOMPARE(jumped.size(), 1);
        QCOMPARE(jumped.at(0).at(0).toLongLong(), -61'000);
    }
};

QTEST_MAIN(ClockJumpTest)
#include "tst_clock_jumps.moc"
