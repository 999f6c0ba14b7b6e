#pragma once

#include "Platform/Notifications.h"

#include <QDBusConnection>
#include <QHash>
#include <QPointer>

class Clock;
class Timer;

// Notifications through the freedesktop notification server
// (org.freedesktop.Notifications) on a session bus. Authorized means a server
// owns the name and lists the "actions" capability.
class DBusNotifications final : public Notifications {
    Q_OBJECT
public:
    explicit DBusNotifications(Clock& clock, QDBusConnection connection = QDBusConnection::sessionBus(),
                               QObject* parent = nullptr);

    void requestAuthorization(QObject* context, std::function<void(bool authorized)> completion) override;
    void setCategories(const QList<NotificationCategory>& categories) override;
    void add(const NotificationRequest& request) override;
    void remove(const QString& identifier) override;

private Q_SLOTS:
    void onActionInvoked(uint serverId, const QString& actionKey);
    void onNotificationClosed(uint serverId, uint reason);

private:
    struct Shown {
        QString identifier;
        QString categoryIdentifier;
        // A server may close a notification after an action; that close is no dismissal.
        bool answered = false;
    };

    void show(const NotificationRequest& request);
    // The shown notification of a request identifier, or 0.
    uint serverIdFor(const QString& identifier) const;

    Clock& clock;
    QDBusConnection connection;
    QHash<QString, NotificationCategory> categories;
    QHash<QString, QPointer<Timer>> pending;
    QHash<uint, Shown> shown;
    // Bumped by every add and remove, so a late server answer can tell it is stale.
    QHash<QString, quint64> generations;
};
