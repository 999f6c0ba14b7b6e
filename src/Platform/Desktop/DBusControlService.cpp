#include "Platform/Desktop/DBusControlService.h"

#include "Platform/Clock.h"
#include "tavo_control_adaptor.h"

#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>

DBusControlService::DBusControlService(RemoteControl& control, Clock& clock, QObject* parent)
    : QObject(parent)
    , control(control)
    , bus(QString())
    , subscribers(new QDBusServiceWatcher(this))
    , quietSecond(clock.createTimer(this)) {
    new TavoAdaptor(this);
    subscribers->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(subscribers, &QDBusServiceWatcher::serviceUnregistered, this, &DBusControlService::unsubscribe);
    connect(quietSecond, &Timer::timeout, this, [this] {
        if (changedMeanwhile) {
            publish();
        }
    });
    control.onStatusChanged = [this] { statusMayHaveChanged(); };
}

DBusControlService::~DBusControlService() {
    control.onStatusChanged = nullptr;
}

std::optional<QString> DBusControlService::registerOn(const QDBusConnection& connection) {
    bus = connection;
    if (!bus.isConnected()) {
        return QStringLiteral("no session bus");
    }
    subscribers->setConnection(bus);
    if (!bus.registerObject(RemoteControlBus::objectPath, this, QDBusConnection::ExportAdaptors)) {
        return bus.lastError().message();
    }
    if (!bus.registerService(RemoteControlBus::serviceName)) {
        bus.unregisterObject(RemoteControlBus::objectPath);
        return RemoteControlBus::serviceName + QStringLiteral(" is taken: ") + bus.lastError().message();
    }
    return std::nullopt;
}

int DBusControlService::subscriberCount() const {
    return static_cast<int>(subscribers->watchedServices().size());
}

void DBusControlService::RestNow() {
    control.triggerRestNow();
}

QString DBusControlService::Drink() {
    return control.drink();
}

QString DBusControlService::Exercise() {
    return control.exercise();
}

QString DBusControlService::Pause(const QString& length) {
    const std::optional<QString> line = control.pause(length);
    if (!line) {
        sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("pause takes one of: 30m, 1h, 2h, tomorrow; not \"%1\"").arg(length));
        return {};
    }
    return *line;
}

QString DBusControlService::Resume() {
    return control.resume();
}

QString DBusControlService::Status(QString& tooltip, QString& state, int& percentage) {
    const StatusSnapshot status = control.statusSnapshot();
    tooltip = status.tooltip;
    state = status.state;
    percentage = status.percentage;
    return status.text;
}

void DBusControlService::Subscribe() {
    const QString client = message().service();
    if (client.isEmpty() || subscribers->watchedServices().contains(client)) {
        return;
    }
    subscribers->addWatchedService(client);
    // A client gone before the watch was in place would never be seen leaving.
    if (!bus.interface()->isServiceRegistered(client)) {
        unsubscribe(client);
        return;
    }
    if (subscriberCount() == 1) {
        lastSent = control.statusSnapshot();
    }
}

void DBusControlService::Quit() {
    // The reply goes out first; the event loop ends after it.
    QMetaObject::invokeMethod(
        this, [this] { control.quitApp(); }, Qt::QueuedConnection);
}

void DBusControlService::unsubscribe(const QString& client) {
    subscribers->removeWatchedService(client);
    if (subscriberCount() == 0) {
        quietSecond->stop();
        changedMeanwhile = false;
        lastSent.reset();
    }
}

void DBusControlService::statusMayHaveChanged() {
    if (subscriberCount() == 0) {
        return;
    }
    if (quietSecond->isActive()) {
        changedMeanwhile = true;
        return;
    }
    publish();
}

void DBusControlService::publish() {
    changedMeanwhile = false;
    const StatusSnapshot status = control.statusSnapshot();
    if (status == lastSent) {
        return;
    }
    lastSent = status;
    Q_EMIT StatusChanged(status.text, status.tooltip, status.state, status.percentage);
    quietSecond->start(1.0, false);
}
