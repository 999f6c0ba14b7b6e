#include "Platform/Desktop/DBusNotifications.h"
#include "support/PrivateBus.h"
#include "support/ServicesFixture.h"

#include <QDBusConnection>
#include <QSignalSpy>
#include <QTest>

namespace {
const QString serviceName = QStringLiteral("org.freedesktop.Notifications");
const QString objectPath = QStringLiteral("/org/freedesktop/Notifications");
} // namespace

// A notification server that records its calls and emits what a test tells it to.
class ScriptedServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        uint replaces;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
    };

    QStringList capabilities = {QStringLiteral("body"), QStringLiteral("actions")};
    QList<Call> notifies;
    QList<uint> closes;
    uint lastId = 0;

public Q_SLOTS:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString&, uint replaces, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int) {
        notifies.append({replaces, summary, body, actions, hints});
        if (replaces == 0) {
            replaces = ++lastId;
        }
        return replaces;
    }
    void CloseNotification(uint id) {
        closes.append(id);
        Q_EMIT NotificationClosed(id, 3);
    }

Q_SIGNALS:
    void NotificationClosed(uint id, uint reason);
    void ActionInvoked(uint id, const QString& actionKey);
};

class DBusNotificationsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<PrivateBus> bus;
    std::unique_ptr<ScriptedServer> server;
    std::unique_ptr<ServicesFixture> f;

    QDBusConnection serverConnection() { return QDBusConnection(QStringLiteral("server")); }

    // A fresh server and a fresh client for every test.
    std::unique_ptr<DBusNotifications> client() {
        static int n = 0;
        const QString name = QStringLiteral("client%1").arg(++n);
        auto notifications = std::make_unique<DBusNotifications>(f->clock, bus->connect(name));
        notifications->setCategories({{QStringLiteral("HYDRATION_REMINDER"),
                                       QStringLiteral("HYDRATION_DRANK"), QStringLiteral("水分充值 +1")}});
        return notifications;
    }

    NotificationRequest request(const QString& title = QStringLiteral("标题")) {
        return {QStringLiteral("hydration-reminder"), title, QStringLiteral("正文"),
                QStringLiteral("HYDRATION_REMINDER"), 1.0};
    }

    // Adds a request, shown one second later and not before.
    void show(DBusNotifications& notifications, int expectedCalls) {
        notifications.add(request(QStringLiteral("标题 %1").arg(expectedCalls)));
        f->clock.advance(0.9);
        QTest::qWait(50);
        QCOMPARE(server->notifies.size(), expectedCalls - 1);
        f->clock.advance(0.1);
        QTRY_COMPARE(server->notifies.size(), expectedCalls);
        QTest::qWait(50); // the reply reaches the client
    }

private Q_SLOTS:
    void initTestCase() {
        bus = std::make_unique<PrivateBus>();
        QVERIFY(bus->connect(QStringLiteral("server")).isConnected());
    }
    void cleanupTestCase() { bus.reset(); }
    void init() {
        f = std::make_unique<ServicesFixture>();
        server = std::make_unique<ScriptedServer>();
        QVERIFY(serverConnection().registerObject(
            objectPath, server.get(), QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
        QVERIFY(serverConnection().registerService(serviceName));
    }
    void cleanup() {
        serverConnection().unregisterService(serviceName);
        serverConnection().unregisterObject(objectPath);
        server.reset();
        f.reset();
    }

    void authorizedOnlyWithActions_data() {
        QTest::addColumn<QStringList>("capabilities");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("authorized");
        QTest::newRow("actions") << QStringList{"body", "actions"} << true << true;
        QTest::newRow("no actions") << QStringList{"body"} << true << false;
        QTest::newRow("no server") << QStringList{"actions"} << false << false;
    }
    void authorizedOnlyWithActions() {
        QFETCH(QStringList, capabilities);
        QFETCH(bool, running);
        QFETCH(bool, authorized);
        server->capabilities = capabilities;
        if (!running) {
            serverConnection().unregisterService(serviceName);
        }
        auto notifications = client();
        std::optional<bool> answer;
        notifications->requestAuthorization(this, [&answer](bool value) { answer = value; });
        QTRY_VERIFY(answer.has_value());
        QCOMPARE(*answer, authorized);
    }

    // One second after the request, with the confirm action; the same
    // identifier again replaces the one shown instead of closing it, and the
    // replacement takes an answer though the first had one (a click on its body).
    // Removed while still pending, it is never sent.
    void showsAfterTheDelayAndReplaces() {
        auto notifications = client();
        QSignalSpy responses(notifications.get(), &Notifications::responseReceived);
        show(*notifications, 1);
        const ScriptedServer::Call call = server->notifies.first();
        QCOMPARE(call.replaces, 0u);
        QCOMPARE(call.summary, QStringLiteral("标题 1"));
        QCOMPARE(call.body, QStringLiteral("正文"));
        QCOMPARE(call.actions,
                 (QStringList{QStringLiteral("default"), QString(), QStringLiteral("HYDRATION_DRANK"),
                              QStringLiteral("水分充值 +1")}));
        Q_EMIT server->ActionInvoked(1, QStringLiteral("default"));
        show(*notifications, 2);
        QCOMPARE(server->notifies.at(1).replaces, 1u);
        QCOMPARE(server->notifies.at(1).summary, QStringLiteral("标题 2"));
        QVERIFY(server->closes.isEmpty());
        Q_EMIT server->ActionInvoked(1, QStringLiteral("HYDRATION_DRANK"));
        QTRY_COMPARE(responses.size(), 2);
        QCOMPARE(responses.last().first().value<NotificationResponse>().actionIdentifier,
                 QStringLiteral("HYDRATION_DRANK"));
        notifications->add(request());
        notifications->remove(QStringLiteral("hydration-reminder"));
        f->clock.advance(2);
        QTest::qWait(100);
        QCOMPARE(server->notifies.size(), 2);
    }

    // Only the user's own answers count, each once: an action (a repeat or
    // the close that follows adds nothing) or a dismissal; expiry and closing
    // by a call (Tavo's own removal) are none, nor are signals about somebody
    // else's notification.
    void answers_data() {
        QTest::addColumn<QString>("action"); // "remove": Tavo takes it away
        QTest::addColumn<uint>("reason");
        QTest::addColumn<QString>("answer");
        QTest::newRow("confirmed, then closed") << "HYDRATION_DRANK" << 2u << "HYDRATION_DRANK";
        QTest::newRow("expired") << QString() << 1u << QString();
        QTest::newRow("dismissed by the user") << QString() << 2u << Notifications::dismissActionIdentifier;
        QTest::newRow("closed by a call") << QString() << 3u << QString();
        QTest::newRow("removed by Tavo") << "remove" << 3u << QString();
    }
    void answers() {
        QFETCH(QString, action);
        QFETCH(uint, reason);
        QFETCH(QString, answer);
        auto notifications = client();
        QSignalSpy responses(notifications.get(), &Notifications::responseReceived);
        show(*notifications, 1);
        if (action == u"remove") {
            notifications->remove(QStringLiteral("hydration-reminder"));
            QTRY_COMPARE(server->closes, QList<uint>{1});
        } else if (!action.isEmpty()) {
            Q_EMIT server->ActionInvoked(1, action);
            Q_EMIT server->ActionInvoked(1, action);
        }
        Q_EMIT server->NotificationClosed(1, reason);
        Q_EMIT server->ActionInvoked(7, QStringLiteral("HYDRATION_DRANK")); // somebody else's
        Q_EMIT server->NotificationClosed(7, 2);
        QTest::qWait(100);
        QCOMPARE(responses.size(), answer.isEmpty() ? 0 : 1);
        if (!answer.isEmpty()) {
            const auto response = responses.first().first().value<NotificationResponse>();
            QCOMPARE(response.requestIdentifier, QStringLiteral("hydration-reminder"));
            QCOMPARE(response.categoryIdentifier, QStringLiteral("HYDRATION_REMINDER"));
            QCOMPARE(response.actionIdentifier, answer);
        }
    }
};

QTEST_MAIN(DBusNotificationsTest)
#include "tst_dbus_notifications.moc"
