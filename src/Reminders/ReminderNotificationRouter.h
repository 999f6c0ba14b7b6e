#pragma once

#include "Platform/Notifications.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

// Hands the user's answers to reminder notifications to the first handler
// that claims them.
class ReminderNotificationRouter : public QObject {
    Q_OBJECT
public:
    using ActionHandler = std::function<bool(const NotificationResponse&)>;

    explicit ReminderNotificationRouter(Notifications* notifications, QObject* parent = nullptr);

    // Registers the categories and starts listening for answers.
    void install(const QList<NotificationCategory>& categories);
    // Tried in order; the first that answers true has handled the response.
    QList<ActionHandler> actionHandlers;

private:
    void didReceive(const NotificationResponse& response);

    QPointer<Notifications> notificationCenter;
};
