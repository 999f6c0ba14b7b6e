#include "Platform/Desktop/DBusSessionEvents.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

DBusSessionEvents::DBusSessionEvents(const QDBusConnection& system, const QDBusConnection& session,
                                     QObject* parent)
    : SessionEvents(parent)
    , systemBus(system)
    , sessionBus(session) {
    if (systemBus.isConnected()) {
        systemBus.connect(loginService, loginPath, loginManager, QStringLiteral("PrepareForSleep"), this,
                          SLOT(prepareForSleep(bool)));
        // The session object's path is only known by asking; "auto" names the caller's session.
        const QDBusMessage call = QDBusMessage::createMethodCall(loginService, loginPath, loginManager,
                                                                 QStringLiteral("GetSession"));
        auto* watcher = new QDBusPendingCallWatcher(
            systemBus.asyncCall(QDBusMessage(call) << QStringLiteral("auto")), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
            finished->deleteLater();
            // No logind, or a process outside any session: no lock events to follow.
            const QDBusPendingReply<QDBusObjectPath> reply = *finished;
            if (reply.isValid()) {
                watchSession(reply.value().path());
            }
        });
    }
    if (sessionBus.isConnected()) {
        // Screen savers differ in the object they emit from: any path of the name's owner.
        for (const QString& service : {screenSaver, gnomeScreenSaver}) {
            sessionBus.connect(service, QString(), service, QStringLiteral("ActiveChanged"), this,
                               SLOT(screenSaverActiveChanged(bool)));
        }
    }
}

void DBusSessionEvents::watchSession(const QString& sessionPath) {
    systemBus.connect(loginService, sessionPath, loginSession, QStringLiteral("Lock"), this,
                      SLOT(sessionLocked()));
    systemBus.connect(loginService, sessionPath, loginSession, QStringLiteral("Unlock"), this,
                      SLOT(sessionUnlocked()));
    systemBus.connect(loginService, sessionPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                      QStringLiteral("PropertiesChanged"), this,
                      SLOT(sessionPropertiesChanged(QString, QVariantMap, QStringList)));
}

void DBusSessionEvents::prepareForSleep(bool start) {
    if (start) {
        Q_EMIT paused();
    } else {
        Q_EMIT resumed();
    }
}

void DBusSessionEvents::screenSaverActiveChanged(bool active) {
    if (active) {
        Q_EMIT paused();
    } else {
        Q_EMIT resumed();
    }
}

void DBusSessionEvents::sessionLocked() {
    Q_EMIT paused();
}

void DBusSessionEvents::sessionUnlocked() {
    Q_EMIT resumed();
}

void DBusSessionEvents::sessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                                 const QStringList&) {
    if (interface != loginSession) {
        return;
    }
    const auto locked = changed.constFind(QStringLiteral("LockedHint"));
    if (locked != changed.cend()) {
        follow(sessionLockedHint, locked->toBool());
    }
    const auto active = changed.constFind(QStringLiteral("Active"));
    if (active != changed.cend()) {
        follow(sessionInactive, !active->toBool());
    }
}

void DBusSessionEvents::follow(bool& away, bool nowAway) {
    if (away == nowAway) {
        return;
    }
    away = nowAway;
    if (away) {
        Q_EMIT paused();
    } else {
        Q_EMIT resumed();
    }
}
