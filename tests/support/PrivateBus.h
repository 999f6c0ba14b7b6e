#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QStringList>

// A session bus daemon of the test's own, stopped with the test; connections
// made with connect() are closed first. An empty address: it did not start.
struct PrivateBus {
    QProcess daemon;
    QString address;
    QStringList names;
    PrivateBus() {
        daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                     QStringLiteral("--print-address")});
        if (daemon.waitForReadyRead(5000)) {
            address = QString::fromUtf8(daemon.readLine()).trimmed();
        }
    }
    ~PrivateBus() {
        for (const QString& name : std::as_const(names)) {
            QDBusConnection::disconnectFromBus(name);
        }
        daemon.kill();
        daemon.waitForFinished();
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;
    QDBusConnection connect(const QString& name) {
        names.append(name);
        return QDBusConnection::connectToBus(address, name);
    }
};
