#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

// A kind of notification and its one confirm button.
struct NotificationCategory {
    QString identifier;
    QString actionIdentifier;
    QString actionTitle;
};

struct NotificationRequest {
    QString identifier; // a later request with the same identifier replaces this one
    QString title;
    QString body;
    QString categoryIdentifier;
    double delaySeconds = 1.0; // shown this long after add()
};

// The user's answer to a shown notification.
struct NotificationResponse {
    QString requestIdentifier;
    QString categoryIdentifier;
    QString actionIdentifier; // a category's action, or one of the two below
};

// The desktop's notification service: requests with action buttons, their
// removal, and the answers the user gives.
class Notifications : public QObject {
    Q_OBJECT
public:
    // The user closed the notification without choosing a button.
    static inline const QString dismissActionIdentifier = QStringLiteral("dismiss");
    // The user clicked the body of the notification.
    static inline const QString defaultActionIdentifier = QStringLiteral("default");

    using QObject::QObject;

    // Answers later, on this thread and unless context is gone, whether
    // notifications with action buttons can be shown now.
    virtual void requestAuthorization(QObject* context, std::function<void(bool authorized)> completion) = 0;
    // The categories requests may name; replaces the earlier set.
    virtual void setCategories(const QList<NotificationCategory>& categories) = 0;
    // Schedules a request; a pending or shown one with the same identifier is replaced.
    virtual void add(const NotificationRequest& request) = 0;
    // Cancels a pending and closes a shown request with this identifier.
    virtual void remove(const QString& identifier) = 0;

Q_SIGNALS:
    void responseReceived(const NotificationResponse& response);
};
