#pragma once

#include "Platform/Notifications.h"

#include <QList>
#include <QStringList>

// A notification service that keeps what it is asked to do and answers the
// authorization question at once (on the next turn of the event loop).
class FakeNotifications final : public Notifications {
    Q_OBJECT
public:
    void requestAuthorization(QObject* context, std::function<void(bool)> completion) override {
        ++authorizationRequests;
        QMetaObject::invokeMethod(
            context, [this, completion] { completion(authorized); }, Qt::QueuedConnection);
    }
    void setCategories(const QList<NotificationCategory>& list) override { categories = list; }
    void add(const NotificationRequest& request) override { added.append(request); }
    void remove(const QString& identifier) override { removed.append(identifier); }

    // Delivers a response as the service would.
    void respond(const QString& identifier, const QString& category, const QString& action) {
        Q_EMIT responseReceived(NotificationResponse{identifier, category, action});
    }

    bool authorized = true;
    int authorizationRequests = 0;
    QList<NotificationCategory> categories;
    QList<NotificationRequest> added;
    QStringList removed;
};
