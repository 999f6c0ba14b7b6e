#pragma once

#include "Platform/SessionEvents.h"

#include <QDBusConnection>

// SessionEvents from logind on the system bus (Manager.PrepareForSleep; this
// process's session: Lock and Unlock, LockedHint, and Active going false when
// another user switches in) and from the screen savers on the session bus
// (org.freedesktop.ScreenSaver and org.gnome.ScreenSaver ActiveChanged). Each
// signal counts only when it comes from the current owner of its service
// name: any other program on the bus could otherwise hide a rest. A bus that
// is not there gives no events.
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
    static inline const QString gnomeScreenSaver = QStringLiteral("org.gnome.ScreenSaver");

private Q_SLOTS:
    void prepareForSleep(bool start);
    void screenSaverActiveChanged(bool active);
    void sessionLocked();
    void sessionUnlocked();
    void sessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                  const QStringList& invalidated);

private:
    void watchSession(const QString& sessionPath);
    // Pauses or resumes when a session property moved to away or back.
    void follow(bool& away, bool nowAway);

    QDBusConnection systemBus;
    QDBusConnection sessionBus;
    bool sessionLockedHint = false;
    bool sessionInactive = false;
};
