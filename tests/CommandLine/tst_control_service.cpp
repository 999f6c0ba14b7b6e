#include "Platform/Desktop/DBusControlService.h"
#include "support/FakeClock.h"
#include "support/PrivateBus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

class FakeControl final : public RemoteControl {
public:
    StatusSnapshot statusSnapshot() override { return status; }
    void triggerRestNow() override {}
    QString drink() override { return {}; }
    QString exercise() override { return {}; }
    // Knows one length; the real ones are the cycle's.
    std::optional<QString> pause(const QString& length) override {
        return length == QLatin1String("1h") ? std::optional(u"⏸"_s) : std::nullopt;
    }
    QString resume() override { return {}; }
    void quitApp() override {}

    void change(const QString& text) {
        status.text = text;
        onStatusChanged();
    }

    StatusSnapshot status{u"A"_s, u"A"_s, u"working"_s, 0};
};

} // namespace

// The status signal of the control interface: only while a client has
// subscribed, only on a change, at most once a second.
class TestControlService : public QObject {
    Q_OBJECT

    std::unique_ptr<PrivateBus> bus;
    FakeClock clock;
    FakeControl control;
    std::unique_ptr<DBusControlService> service;
    QStringList heard;

    QDBusMessage call(const QDBusConnection& from, const QString& method,
                      const QVariantList& arguments = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            RemoteControlBus::serviceName, RemoteControlBus::objectPath, u"org.tavo.Tavo"_s, method);
        message.setArguments(arguments);
        QDBusPendingCall pending = from.asyncCall(message);
        // The service answers from this thread's event loop.
        if (!QTest::qWaitFor([&pending] { return pending.isFinished(); }, 5000)) {
            return QDBusMessage::createError(QDBusError::Timeout, method);
        }
        return pending.reply();
    }

    // What has been sent is heard once a call sent later is answered: the
    // bus keeps each sender's messages in order.
    QStringList heardSoFar(const QDBusConnection& listener) {
        call(listener, u"Status"_s);
        QCoreApplication::processEvents();
        return heard;
    }

private slots:
    void statusChanged(const QString& text, const QString&, const QString&, int) { heard.append(text); }

    void init() {
        bus = std::make_unique<PrivateBus>();
        QVERIFY(!bus->address.isEmpty());
        service = std::make_unique<DBusControlService>(control, clock);
        QVERIFY(!service->registerOn(bus->connect(u"tavo-test-service"_s)));
        heard.clear();
    }
    void cleanup() {
        service.reset();
        bus.reset();
    }

    void signalsOnlyWhileSubscribedAtMostOnceASecond() {
        // A listener that never subscribes hears whatever goes over the bus.
        QDBusConnection listener = bus->connect(u"tavo-test-listener"_s);
        QVERIFY(listener.connect(RemoteControlBus::serviceName, RemoteControlBus::objectPath,
                                 u"org.tavo.Tavo"_s, u"StatusChanged"_s, this,
                                 SLOT(statusChanged(QString, QString, QString, int))));
        control.change(u"B"_s);
        clock.advance(2);
        QCOMPARE(heardSoFar(listener), QStringList());

        QCOMPARE(call(bus->connect(u"tavo-test-follower"_s), u"Subscribe"_s).type(),
                 QDBusMessage::ReplyMessage);
        QCOMPARE(service->subscriberCount(), 1);
        control.change(u"C"_s);
        QCOMPARE(heardSoFar(listener), QStringList{"C"});
        // The next change waits for the second to pass; the one after it joins it.
        control.change(u"D"_s);
        control.change(u"E"_s);
        QCOMPARE(heardSoFar(listener), QStringList{"C"});
        clock.advance(1);
        QCOMPARE(heardSoFar(listener), (QStringList{"C", "E"}));
        // Nothing changed: nothing sent.
        clock.advance(1);
        control.onStatusChanged();
        clock.advance(2);
        QCOMPARE(heardSoFar(listener), (QStringList{"C", "E"}));

        // The follower leaves the bus: the signals stop.
        QDBusConnection::disconnectFromBus(u"tavo-test-follower"_s);
        QTRY_COMPARE(service->subscriberCount(), 0);
        control.change(u"F"_s);
        clock.advance(2);
        QCOMPARE(heardSoFar(listener), (QStringList{"C", "E"}));
    }

    // A length the pause does not know is an error of the caller's, not a success.
    void pauseRefusesAnUnknownLength() {
        const QDBusConnection client = bus->connect(u"tavo-test-client"_s);
        const QDBusMessage paused = call(client, u"Pause"_s, {u"1h"_s});
        QCOMPARE(paused.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(paused.arguments(), QVariantList{u"⏸"_s});
        const QDBusMessage refused = call(client, u"Pause"_s, {u"3h"_s});
        QCOMPARE(refused.type(), QDBusMessage::ErrorMessage);
        QCOMPARE(refused.errorName(), u"org.freedesktop.DBus.Error.InvalidArgs"_s);
        QVERIFY(refused.errorMessage().contains(u"30m, 1h, 2h, tomorrow"_s));
    }

    void onlyOnItsOwnBus() {
        QVERIFY(bus->connect(u"tavo-test-client"_s)
                    .interface()
                    ->isServiceRegistered(RemoteControlBus::serviceName));
        // Not on the system bus, where other users would reach it.
        if (QDBusConnection::systemBus().isConnected()) {
            QVERIFY(!QDBusConnection::systemBus().interface()->isServiceRegistered(
                RemoteControlBus::serviceName));
        }
        // A second Tavo on the same bus is told the name is taken.
        FakeControl second;
        DBusControlService secondService(second, clock);
        const std::optional<QString> refused = secondService.registerOn(bus->connect(u"tavo-test-second"_s));
        QVERIFY(refused && refused->contains(u"org.tavo.Tavo is taken"_s));
    }
};

QTEST_GUILESS_MAIN(TestControlService)
#include "tst_control_service.moc"
