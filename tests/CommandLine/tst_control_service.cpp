#include "Platform/Desktop/DBusControlService.h"
#include "support/FakeClock.h"
#include "support/PrivateBus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QTest>

#include <memory>

namespace {

class FakeControl final : public RemoteControl {
public:
    StatusSnapshot statusSnapshot() override { return status; }
    void triggerRestNow() override {}
    QString drink() override { return {}; }
    QString exercise() override { return {}; }
    // Knows one length; the real ones are the cycle's.
    std::optional<QString> pause(const QString& length) override {
        return length == QLatin1String("1h") ? std::optional(QStringLiteral("⏸")) : std::nullopt;
    }
    QString resume() override { return {}; }
    void quitApp() override {}

    void change(const QString& text) {
        status.text = text;
        onStatusChanged();
    }

    StatusSnapshot status{QStringLiteral("A"), QStringLiteral("A"), QStringLiteral("working"), 0};
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
        QDBusMessage message =
            QDBusMessage::createMethodCall(RemoteControlBus::serviceName, RemoteControlBus::objectPath,
                                           QStringLiteral("org.tavo.Tavo"), method);
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
        call(listener, QStringLiteral("Status"));
        QCoreApplication::processEvents();
        return heard;
    }

private slots:
    void statusChanged(const QString& text, const QString&, const QString&, int) { heard.append(text); }

    void init() {
        bus = std::make_unique<PrivateBus>();
        QVERIFY(!bus->address.isEmpty());
        service = std::make_unique<DBusControlService>(control, clock);
        QVERIFY(!service->registerOn(bus->connect(QStringLiteral("tavo-test-service"))));
        heard.clear();
    }
    void cleanup() {
        service.reset();
        bus.reset();
    }

    void signalsOnlyWhileSubscribedAtMostOnceASecond() {
        // A listener that never subscribes hears whatever goes over the bus.
        QDBusConnection listener = bus->connect(QStringLiteral("tavo-test-listener"));
        QVERIFY(listener.connect(RemoteControlBus::serviceName, RemoteControlBus::objectPath,
                                 QStringLiteral("org.tavo.Tavo"), QStringLiteral("StatusChanged"), this,
                                 SLOT(statusChanged(QString, QString, QString, int))));
        control.change(QStringLiteral("B"));
        clock.advance(2);
        QCOMPARE(heardSoFar(listener), QStringList());

        QCOMPARE(call(bus->connect(QStringLiteral("tavo-test-follower")), QStringLiteral("Subscribe")).type(),
                 QDBusMessage::ReplyMessage);
        QCOMPARE(service->subscriberCount(), 1);
        control.change(QStringLiteral("C"));
        QCOMPARE(heardSoFar(listener), QStringList{"C"});
        // The next change waits for the second to pass; the one after it joins it.
        control.change(QStringLiteral("D"));
        control.change(QStringLiteral("E"));
        QCOMPARE(heardSoFar(listener), QStringList{"C"});
        clock.advance(1);
        QCOMPARE(heardSoFar(listener), (QStringList{"C", "E"}));
        // Nothing changed: nothing sent.
        clock.advance(1);
        control.onStatusChanged();
        clock.advance(2);
        QCOMPARE(heardSoFar(listener), (QStringList{"C", "E"}));

        // The follower leaves the bus: the signals stop.
        QDBusConnection::disconnectFromBus(QStringLiteral("tavo-test-follower"));
        QTRY_COMPARE(service->subscriberCount(), 0);
        control.change(QStringLiteral("F"));
        clock.advance(2);
        QCOMPARE(heardSoFar(listener), (QStringList{"C", "E"}));
    }

    // A length the pause does not know is an error of the caller's, not a success.
    void pauseRefusesAnUnknownLength() {
        const QDBusConnection client = bus->connect(QStringLiteral("tavo-test-client"));
        const QDBusMessage paused = call(client, QStringLiteral("Pause"), {QStringLiteral("1h")});
        QCOMPARE(paused.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(paused.arguments(), QVariantList{QStringLiteral("⏸")});
        const QDBusMessage refused = call(client, QStringLiteral("Pause"), {QStringLiteral("3h")});
        QCOMPARE(refused.type(), QDBusMessage::ErrorMessage);
        QCOMPARE(refused.errorName(), QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
        QVERIFY(refused.errorMessage().contains(QStringLiteral("30m, 1h, 2h, tomorrow")));
    }

    void onlyOnItsOwnBus() {
        QVERIFY(bus->connect(QStringLiteral("tavo-test-client"))
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
        const std::optional<QString> refused =
            secondService.registerOn(bus->connect(QStringLiteral("tavo-test-second")));
        QVERIFY(refused && refused->contains(QStringLiteral("org.tavo.Tavo is taken")));
    }
};

QTEST_GUILESS_MAIN(TestControlService)
#include "tst_control_service.moc"
