#include "Application/AppDelegate.h"
#include "Platform/Desktop/DBusSessionEvents.h"
#include "Platform/Log.h"
#include "Rest/RestWindow.h"
#include "Stats/StatsStore.h"
#include "support/DelegateFixture.h"
#include "support/FakeClock.h"
#include "support/PrivateBus.h"
#include "support/TestPlatform.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// Stands in for logind on a private bus: answers GetSession for the caller.
class FakeLoginManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    static inline const QString sessionPath = u"/org/freedesktop/login1/session/_31"_s;
    int sessionLookups = 0;

public Q_SLOTS:
    QDBusObjectPath GetSession(const QString& id) {
        ++sessionLookups;
        return QDBusObjectPath(id == u"auto"_s ? sessionPath : u"/"_s);
    }
};

// Sleep, lock and screen-saver pauses, and the recovery after each resume.
class LifecycleTest : public QObject {
    Q_OBJECT

private:
    struct Fixture : DelegateFixture {
        Fixture() { platform.screens.screenFrames = {QRect(0, 0, 1280, 800), QRect(1280, 0, 1024, 768)}; }
        void pause() { Q_EMIT platform.sessionEvents.paused(); }
        // The recovery runs from the event loop, after the resume returns.
        void resume(int times = 1) {
            for (int i = 0; i < times; ++i) {
                Q_EMIT platform.sessionEvents.resumed();
            }
            QCoreApplication::processEvents();
        }
        qsizetype windowsShown() const {
            return std::count_if(delegate->restWindows.begin(), delegate->restWindows.end(),
                                 [](RestWindow* w) { return w->isVisible(); });
        }
        QList<StatsEvent> events(StatsEventType type) const {
            QList<StatsEvent> found = ServicesFixture::events();
            found.removeIf([type](const StatsEvent& e) { return e.type != type; });
            return found;
        }
    };

    static inline const QString login = u"/org/freedesktop/login1"_s;
    static inline const QString sessionInterface = u"org.freedesktop.login1.Session"_s;
    static QDBusMessage signal(const QString& path, const QString& interface, const QString& name,
                               const QVariantList& arguments = {}) {
        QDBusMessage message = QDBusMessage::createSignal(path, interface, name);
        message.setArguments(arguments);
        return message;
    }
    static QDBusMessage sessionSignal(const QString& name,
                                      const QString& path = FakeLoginManager::sessionPath) {
        return signal(path, sessionInterface, name);
    }

private Q_SLOTS:
    void sleepDuringARestHidesItAndWakeBringsItBack() {
        Fixture f;
        AppDelegate& d = f.launch();
        d.triggerRestNow();
        QCOMPARE(f.windowsShown(), 2);
        f.clock.advance(5);
        QCOMPARE(d.restCycle.restSecondsRemaining(), 15);
        const QList<RestWindow*> windows = d.restWindows;
        const std::optional<QString> session = d.restCycle.currentRestSessionId();

        f.pause();
        QCOMPARE(f.windowsShown(), 0);
        QVERIFY(d.restCycle.isResting());
        QCOMPARE(d.restCycle.currentRestSessionId(), session);
        // The system sleeps: no timer fires until it wakes.
        f.resume();
        QCOMPARE(f.windowsShown(), 2);
        QCOMPARE(d.restWindows, windows); // the same windows, not rebuilt
        QCOMPARE(d.restCycle.restSecondsRemaining(), 15);

        f.clock.advance(16);
        QVERIFY(!d.restCycle.isResting());
        const QList<StatsEvent> completed = f.events(StatsEventType::restCompleted);
        QCOMPARE(completed.size(), 1);
        QCOMPARE(completed.first().sessionId, session);
        QCOMPARE(completed.first().payload.value(u"actualSeconds"_s, 0), StatsPayloadValue(20));
    }

    // A screen plugged in while the session is locked during a rest (a laptop docked while
    // locked): its window waits for the unlock, as the others do.
    void screenAttachedWhileLockedDuringARestWaitsForTheUnlock() {
        Fixture f;
        AppDelegate& d = f.launch();
        d.triggerRestNow();
        QCOMPARE(f.windowsShown(), 2);
        f.pause();
        QCOMPARE(f.windowsShown(), 0);
        f.platform.screens.screenFrames.append(QRect(2304, 0, 1920, 1080));
        Q_EMIT f.platform.screens.changed();
        QCOMPARE(d.restWindows.size(), 3);
        QCOMPARE(f.windowsShown(), 0);
        f.resume();
        QCOMPARE(f.windowsShown(), 3);
    }

    void lockLeavesTheCountdownAndAnEndedRest() {
        Fixture f;
        AppDelegate& d = f.launch();
        f.clock.advance(100);
        QCOMPARE(d.restCycle.workSecondsRemaining(), 1100);
        f.pause();
        QVERIFY(d.restWindows.isEmpty());
        // A locked session keeps its timers running.
        f.clock.advance(30);
        f.resume();
        QCOMPARE(d.restCycle.workSecondsRemaining(), 1070);
        QVERIFY(!d.restCycle.isResting());
        QCOMPARE(d.statusLine(), u"🧃 再营业 17:50 就强制充电"_s);

        // A rest that ends while locked stays ended.
        d.triggerRestNow();
        f.pause();
        f.clock.advance(21);
        QVERIFY(!d.restCycle.isResting());
        f.resume();
        QCOMPARE(f.windowsShown(), 0);
    }

    // Several resumes for one wake recover once, on the same timer; a menu lost
    // meanwhile is rebuilt and given to the tray.
    void resumesRecoverOnce_data() {
        QTest::addColumn<bool>("menuLost");
        QTest::newRow("menu kept") << false;
        QTest::newRow("menu lost") << true;
    }
    void resumesRecoverOnce() {
        QFETCH(bool, menuLost);
        Fixture f;
        AppDelegate& d = f.launch();
        f.clock.advance(10);
        QMenu* menu = d.statusMenu.get();
        const QPointer<Timer> timer = d.mainTimer; // a new timer would restart the second's phase
        const int timers = f.clock.activeTimerCount();
        if (menuLost) {
            d.statusMenu.reset();
            f.platform.statusItem.menu = nullptr;
        }
        f.pause();
        f.resume(3);
        QVERIFY(d.statusMenu);
        QCOMPARE(f.platform.statusItem.menu, d.statusMenu.get());
        QCOMPARE(d.statusMenu.get() == menu, !menuLost);
        QVERIFY(timer);
        QCOMPARE(f.clock.activeTimerCount(), timers);
        QCOMPARE(f.events(StatsEventType::appLaunched).size(), 1);
        QCOMPARE(d.statusLine(), u"💼 打工续航还剩 19:50"_s);
        f.clock.advance(1); // still one tick per second
        QCOMPARE(d.restCycle.workSecondsRemaining(), 1189);
    }

    void recoveryBeforeLaunchStartsServicesOnce() {
        Fixture f;
        AppDelegate& d = f.make();
        d.configureStatusItem();
        for (int i = 0; i < 3; ++i) {
            d.recoverAfterSystemSessionResume();
        }
        QVERIFY(d.hasStartedServices);
        QVERIFY(d.statusMenu);
        QVERIFY(d.mainTimer);
        QCOMPARE(f.events(StatsEventType::appLaunched).size(), 1);
        f.clock.advance(10);
        QCOMPARE(d.restCycle.workSecondsRemaining(), 1190);
    }

    void missingBusesGiveNoEvents() {
        DBusSessionEvents events(QDBusConnection(u"nowhere"_s), QDBusConnection(u"nowhere"_s));
        QSignalSpy paused(&events, &SessionEvents::paused);
        QCoreApplication::processEvents();
        QCOMPARE(paused.size(), 0);
    }

    // Each away signal and its way back, from the owner of its service or from
    // another connection; P = paused, R = resumed.
    void awaySignalsCountOnlyFromTheirOwner_data() {
        QTest::addColumn<QDBusMessage>("away");
        QTest::addColumn<QDBusMessage>("back");
        QTest::addColumn<bool>("fromOwner");
        QTest::addColumn<QString>("expected");
        const auto property = [](const QString& name, bool value) {
            return signal(FakeLoginManager::sessionPath, u"org.freedesktop.DBus.Properties"_s,
                          u"PropertiesChanged"_s,
                          {sessionInterface, QVariantMap{{name, value}}, QStringList()});
        };
        const auto saver = [](const QString& service, const QString& path, bool active) {
            return signal(path, service, u"ActiveChanged"_s, {active});
        };
        const auto row = [](const char* kind, const QDBusMessage& away, const QDBusMessage& back) {
            QTest::addRow("%s from its owner", kind) << away << back << true << u"PR"_s;
            QTest::addRow("%s from another program", kind) << away << back << false << QString();
        };
        const QString manager = u"org.freedesktop.login1.Manager"_s;
        row("sleep", signal(login, manager, u"PrepareForSleep"_s, {true}),
            signal(login, manager, u"PrepareForSleep"_s, {false}));
        row("lock", sessionSignal(u"Lock"_s), sessionSignal(u"Unlock"_s));
        row("LockedHint", property(u"LockedHint"_s, true), property(u"LockedHint"_s, false));
        row("Active", property(u"Active"_s, false), property(u"Active"_s, true));
        row("freedesktop saver",
            saver(DBusSessionEvents::screenSaver, u"/org/freedesktop/ScreenSaver"_s, true),
            saver(DBusSessionEvents::screenSaver, u"/ScreenSaver"_s, false));
        row("GNOME saver", saver(DBusSessionEvents::gnomeScreenSaver, u"/org/gnome/ScreenSaver"_s, true),
            saver(DBusSessionEvents::gnomeScreenSaver, u"/org/gnome/ScreenSaver"_s, false));
        const QString other = u"/org/freedesktop/login1/session/_32"_s;
        QTest::newRow("another session's lock")
            << sessionSignal(u"Lock"_s, other) << sessionSignal(u"Unlock"_s, other) << true << QString();
        QTest::newRow("a property that is no lock")
            << property(u"IdleHint"_s, true) << property(u"IdleHint"_s, false) << true << QString();
    }
    void awaySignalsCountOnlyFromTheirOwner() {
        QFETCH(QDBusMessage, away);
        QFETCH(QDBusMessage, back);
        QFETCH(bool, fromOwner);
        QFETCH(QString, expected);
        PrivateBus bus;
        QVERIFY2(!bus.address.isEmpty(), "dbus-daemon did not start");
        {
            // logind and both screen savers on one connection, the adapter on another.
            QDBusConnection owner = bus.connect(u"tavo-test-owner"_s);
            QDBusConnection rogue = bus.connect(u"tavo-test-rogue"_s);
            QDBusConnection adapterBus = bus.connect(u"tavo-test-adapter"_s);
            QVERIFY(owner.isConnected() && rogue.isConnected() && adapterBus.isConnected());
            FakeLoginManager loginManager;
            QVERIFY(owner.registerObject(login, &loginManager, QDBusConnection::ExportAllSlots));
            for (const QString& service : {u"org.freedesktop.login1"_s, DBusSessionEvents::screenSaver,
                                           DBusSessionEvents::gnomeScreenSaver}) {
                QVERIFY(owner.registerService(service));
            }

            DBusSessionEvents events(adapterBus, adapterBus);
            QString seen;
            connect(&events, &SessionEvents::paused, this, [&seen] { seen += QLatin1Char('P'); });
            connect(&events, &SessionEvents::resumed, this, [&seen] { seen += QLatin1Char('R'); });
            // The adapter's match rules may still be on their way: repeat the owner's
            // Unlock until it arrives, then let any late copies drain.
            QTRY_COMPARE(loginManager.sessionLookups, 1);
            for (int attempt = 0; attempt < 50 && seen.isEmpty(); ++attempt) {
                owner.send(sessionSignal(u"Unlock"_s));
                QTest::qWait(100);
            }
            QVERIFY(!seen.isEmpty());
            QTest::qWait(200);
            seen.clear();

            QDBusConnection& sender = fromOwner ? owner : rogue;
            sender.send(away);
            sender.send(back);
            if (expected.isEmpty()) {
                QTest::qWait(300);
            }
            QTRY_COMPARE(seen, expected);
        }
    }
};

QTEST_MAIN(LifecycleTest)
#include "tst_lifecycle.moc"
