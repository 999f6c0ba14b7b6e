#include "Platform/Desktop/DBusIdleTime.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>

const DBusIdleTime::Source DBusIdleTime::mutter = {
    QStringLiteral("org.gnome.Mutter.IdleMonitor"),
    QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
    QStringLiteral("org.gnome.Mutter.IdleMonitor"),
    QStringLiteral("GetIdletime"),
};

const DBusIdleTime::Source DBusIdleTime::screenSaver = {
    QStringLiteral("org.freedesktop.ScreenSaver"),
    QStringLiteral("/org/freedesktop/ScreenSaver"),
    QStringLiteral("org.freedesktop.ScreenSaver"),
    QStringLiteral("GetSessionIdleTime"),
};

namespace {

QDBusMessage call(const DBusIdleTime::Source& source) {
    return QDBusMessage::createMethodCall(source.service, source.path, source.interface, source.method);
}

// The idle time in a reply from owner, or -1.
qint64 idleTimeIn(const QDBusMessage& reply, const QString& owner) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.service() != owner ||
        reply.arguments().size() != 1) {
        return -1;
    }
    bool ok = false;
    const qint64 ms = reply.arguments().constFirst().toLongLong(&ok);
    return ok && ms >= 0 ? ms : -1;
}

} // namespace

std::unique_ptr<DBusIdleTime> DBusIdleTime::create(const QDBusConnection& bus, const Source& source) {
    if (!bus.isConnected() || !bus.interface()) {
        return nullptr;
    }
    const QString owner = bus.interface()->serviceOwner(source.service);
    // Asked once at start, with a short wait: a service that is there answers at once.
    if (owner.isEmpty() || idleTimeIn(bus.call(call(source), QDBus::Block, 1000), owner) < 0) {
        return nullptr;
    }
    return std::unique_ptr<DBusIdleTime>(new DBusIdleTime(bus, source, owner));
}

DBusIdleTime::DBusIdleTime(const QDBusConnection& bus, Source source, QString owner)
    : bus(bus)
    , source(std::move(source))
    , owner(std::move(owner))
    , watcher(new QDBusServiceWatcher(this->source.service, bus, QDBusServiceWatcher::WatchForOwnerChange,
                                      this)) {
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) { this->owner = newOwner; });
}

void DBusIdleTime::request() {
    if (asking || owner.isEmpty()) {
        return;
    }
    asking = true;
    auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(call(source)), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        asking = false;
        const qint64 ms = idleTimeIn(finished->reply(), owner);
        if (ms >= 0) {
            Q_EMIT measured(ms);
        }
    });
}
