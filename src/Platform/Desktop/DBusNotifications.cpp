#include "Platform/Desktop/DBusNotifications.h"

#include "Platform/Clock.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
// NotificationClosed reason for a notification the user closed.
constexpr uint closedByUser = 2;
// A server that does not answer within this is treated as absent.
constexpr int callTimeoutMs = 5000;

QDBusMessage method(const QString& name) {
    return QDBusMessage::createMethodCall(service, path, interface, name);
}

} // namespace

DBusNotifications::DBusNotifications(Clock& clock, QDBusConnection connection, QObject* parent)
    : Notifications(parent)
    , clock(clock)
    , connection(std::move(connection)) {
    this->connection.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                             SLOT(onActionInvoked(uint, QString)));
    this->connection.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                             SLOT(onNotificationClosed(uint, uint)));
}

void DBusNotifications::requestAuthorization(QObject* context, std::function<void(bool)> completion) {
    const QDBusPendingCall call =
        connection.asyncCall(method(QStringLiteral("GetCapabilities")), callTimeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(call, context);
    connect(watcher, &QDBusPendingCallWatcher::finished, context,
            [completion = std::move(completion)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<QStringList> reply = *finished;
                completion(!reply.isError() && reply.value().contains(QStringLiteral("actions")));
            });
}

void DBusNotifications::setCategories(const QList<NotificationCategory>& list) {
    categories.clear();
    for (const NotificationCategory& category : list) {
        categories.insert(category.identifier, category);
    }
}

void DBusNotifications::add(const NotificationRequest& request) {
    if (Timer* earlier = pending.take(request.identifier)) {
        earlier->deleteLater();
    }
    Timer* timer = clock.createTimer(this);
    pending.insert(request.identifier, timer);
    connect(timer, &Timer::timeout, this, [this, timer, request] {
        timer->deleteLater();
        if (pending.value(request.identifier) == timer) {
            pending.remove(request.identifier);
            show(request);
        }
    });
    timer->start(request.delaySeconds, false);
}

void DBusNotifications::remove(const QString& identifier) {
    if (Timer* timer = pending.take(identifier)) {
        timer->deleteLater();
    }
    ++generations[identifier];
    if (const uint serverId = serverIdFor(identifier)) {
        // Forgotten first, so the close this causes is not taken for the user's.
        shown.remove(serverId);
        QDBusMessage close = method(QStringLiteral("CloseNotification"));
        close << serverId;
        connection.asyncCall(close, callTimeoutMs);
    }
}

void DBusNotifications::show(const NotificationRequest& request) {
    QStringList actions = {defaultActionIdentifier, QString()};
    const auto category = categories.constFind(request.categoryIdentifier);
    if (category != categories.constEnd()) {
        actions << category->actionIdentifier << category->actionTitle;
    }
    const QVariantMap hints = {{QStringLiteral("sound-name"), QStringLiteral("message-new-instant")}};
    const uint replaces = serverIdFor(request.identifier);

    QDBusMessage notify = method(QStringLiteral("Notify"));
    notify << QStringLiteral("Tavo") << replaces << QString() << request.title << request.body << actions
           << hints << -1;
    const quint64 generation = ++generations[request.identifier];
    auto* watcher = new QDBusPendingCallWatcher(connection.asyncCall(notify, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, request, replaces, generation](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<uint> reply = *finished;
                if (reply.isError()) {
                    return;
                }
                const uint serverId = reply.value();
                if (replaces != 0 && replaces != serverId) {
                    shown.remove(replaces);
                }
                if (generations.value(request.identifier) != generation) {
                    // Removed or superseded while the server was answering.
                    QDBusMessage close = method(QStringLiteral("CloseNotification"));
                    close << serverId;
                    connection.asyncCall(close, callTimeoutMs);
                    return;
                }
                shown.insert(serverId, Shown{request.identifier, request.categoryIdentifier});
            });
}

uint DBusNotifications::serverIdFor(const QString& identifier) const {
    for (auto it = shown.constBegin(); it != shown.constEnd(); ++it) {
        if (it->identifier == identifier) {
            return it.key();
        }
    }
    return 0;
}

void DBusNotifications::onActionInvoked(uint serverId, const QString& actionKey) {
    const auto it = shown.find(serverId);
    if (it == shown.end() || it->answered) {
        return;
    }
    it->answered = true;
    Q_EMIT responseReceived(NotificationResponse{it->identifier, it->categoryIdentifier, actionKey});
}

void DBusNotifications::onNotificationClosed(uint serverId, uint reason) {
    const auto it = shown.find(serverId);
    if (it == shown.end()) {
        return;
    }
    const Shown closed = *it;
    shown.erase(it);
    if (reason == closedByUser && !closed.answered) {
        Q_EMIT responseReceived(
            NotificationResponse{closed.identifier, closed.categoryIdentifier, dismissActionIdentifier});
    }
}
