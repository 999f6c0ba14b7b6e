#pragma once

#include "Platform/SessionEvents.h"

#include <QDBusConnection>

// SessionEvents from logind on the system bus (Manager.PrepareForSleep, the
// Lock and Unlock of this process's session) and from the screen saver on the
// session bus (ActiveChanged). A bus that is not there gives no events.
class DBusSessionEvents final : public SessionEvents {
    Q_OBJECT
public:
    DBusSessionEvents(const QDBusConnection& system, const QDBusConnection& session,
                      QObject* parent = nullptr);

    static inline const QString loginService = QStringLiteral("org.freedesktop.login1");
    static inline const QString loginPath = QStringLiteral("/org/freedesktop/login1");
    static inline const QString loginManager = QStringLiteral("org.freedesktop.login1.Manager");
    static inline const QString loginSession = QStringLiteral("org.freedesktop.login1.Session");
    static inline const QString screenSaver = QStringLiteral("org.freedesktop.ScreenSaver");

private Q_SLOTS:
    void prepareForSleep(bool start);
    void screenSaverActiveChanged(bool active);
    void sessionLocked();
    void sessionUnlocked();

private:
    void watchSession(const QString& sessionPath);

    QDBusConnection systemBus;
    QDBusConnection sessionBus;
};
