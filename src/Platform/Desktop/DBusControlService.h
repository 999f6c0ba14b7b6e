#pragma once

#include "Platform/RemoteControl.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>

#include <optional>

class Clock;
class QDBusServiceWatcher;
class Timer;

// Tavo's control interface (resources/org.tavo.Tavo.xml) on the session bus:
// the generated adaptor calls the methods below, which answer from the
// RemoteControl. StatusChanged goes out only while a client has subscribed,
// only when the status differs from the last one sent, and at most once a
// second; a subscriber counts until it leaves the bus.
class DBusControlService final : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    DBusControlService(RemoteControl& control, Clock& clock, QObject* parent = nullptr);
    ~DBusControlService() override;

    // Serves the interface on bus under the name; the reason when that fails
    // (no bus, or the name is someone else's).
    std::optional<QString> registerOn(const QDBusConnection& bus);
    int subscriberCount() const;

    // The interface's methods.
    void RestNow();
    QString Drink();
    QString Exercise();
    QString Pause(const QString& length);
    QString Resume();
    QString Status(QString& tooltip, QString& state, int& percentage);
    void Subscribe();
    void Quit();

Q_SIGNALS:
    void StatusChanged(const QString& text, const QString& tooltip, const QString& state, int percentage);

private:
    void statusMayHaveChanged();
    void publish();
    void unsubscribe(const QString& client);

    RemoteControl& control;
    QDBusConnection bus;
    QDBusServiceWatcher* subscribers;
    // Runs for a second after each signal; changes meanwhile wait for it.
    Timer* quietSecond;
    bool changedMeanwhile = false;
    std::optional<StatusSnapshot> lastSent;
};
