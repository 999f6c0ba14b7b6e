#pragma once

#include "Platform/IdleTime.h"

#include <QDBusConnection>
#include <QString>

#include <memory>

class QDBusServiceWatcher;

// Idle time from a desktop's service on the session bus: GNOME's
// org.gnome.Mutter.IdleMonitor (GetIdletime) or org.freedesktop.ScreenSaver
// (GetSessionIdleTime, KDE and others), both in milliseconds. An answer
// counts only when it comes from the current owner of the service's name.
class DBusIdleTime final : public IdleTime {
    Q_OBJECT
public:
    struct Source {
        QString service;
        QString path;
        QString interface;
        QString method;
    };
    static const Source mutter;
    static const Source screenSaver;

    // The source when a program owns its name on the bus and answers the call
    // now; nullptr otherwise.
    static std::unique_ptr<DBusIdleTime> create(const QDBusConnection& bus, const Source& source);
    void request() override;

private:
    DBusIdleTime(const QDBusConnection& bus, Source source, QString owner);

    QDBusConnection bus;
    Source source;
    QString owner; // the unique name that owns source.service now
    QDBusServiceWatcher* watcher;
    bool asking = false;
};
