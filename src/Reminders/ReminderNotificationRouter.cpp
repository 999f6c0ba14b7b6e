#include "Reminders/ReminderNotificationRouter.h"

ReminderNotificationRouter::ReminderNotificationRouter(Notifications* notifications, QObject* parent)
    : QObject(parent)
    , notificationCenter(notifications) {}

void ReminderNotificationRouter::install(const QList<NotificationCategory>& categories) {
    if (!notificationCenter) {
        return;
    }
    notificationCenter->setCategories(categories);
    disconnect(notificationCenter, nullptr, this, nullptr);
    // Queued: a handler may open a modal alert, which must not run inside the bus dispatch.
    connect(notificationCenter, &Notifications::responseReceived, this,
            &ReminderNotificationRouter::didReceive, Qt::QueuedConnection);
}

void ReminderNotificationRouter::didReceive(const NotificationResponse& response) {
    for (const ActionHandler& handler : std::as_const(actionHandlers)) {
        if (handler(response)) {
            return;
        }
    }
}
