#include "Platform/Desktop/TrayStatusItem.h"

#include "Platform/Clock.h"
#include "Platform/Desktop/WindowSystem.h"
#include "Platform/Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QMenu>
#include <QSystemTrayIcon>

TrayStatusItem::TrayStatusItem(Clock& clock, QObject* parent)
    : QObject(parent)
    , clock(clock) {}

void TrayStatusItem::showWhenTrayAvailable() {
    if (tray) {
        return;
    }
    // Asking Qt first would fix its answer about SNI for good: ask the bus, and Qt only for XEmbed.
    const bool available =
        statusNotifierHostRunning() || (WindowSystem::isX11() && QSystemTrayIcon::isSystemTrayAvailable());
    if (!available) {
        if (!retryTimer) {
            logLine(QStringLiteral("Tavo: no system tray available yet, retrying every 3 seconds"));
            retryTimer = clock.createTimer(this);
            connect(retryTimer, &Timer::timeout, this, &TrayStatusItem::showWhenTrayAvailable);
            retryTimer->start(3.0, true);
        }
        return;
    }
    if (retryTimer) {
        retryTimer->stop();
    }
    tray = new QSystemTrayIcon(icon, this);
    tray->setToolTip(toolTip);
    tray->setContextMenu(menu);
    // A left click opens the same menu as a right click, like a menu-bar item. Only X11
    // knows where the pointer is; a Wayland tray host shows the exported menu itself.
    if (WindowSystem::isX11()) {
        connect(tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger && tray->contextMenu()) {
                tray->contextMenu()->popup(QCursor::pos());
            }
        });
    }
    tray->show();
}

void TrayStatusItem::setIcon(const QIcon& value) {
    icon = value;
    if (tray) {
        tray->setIcon(icon);
    }
    // Shown once it has something to show.
    showWhenTrayAvailable();
}

void TrayStatusItem::setToolTip(const QString& value) {
    toolTip = value;
    if (tray) {
        tray->setToolTip(toolTip);
    }
}

void TrayStatusItem::setMenu(QMenu* value) {
    menu = value;
    if (tray) {
        tray->setContextMenu(menu);
    }
}

bool TrayStatusItem::hasTrayHost() const {
    return tray != nullptr;
}

bool TrayStatusItem::statusNotifierHostRunning() {
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusMessage get = QDBusMessage::createMethodCall(watcher, QStringLiteral("/StatusNotifierWatcher"),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    // A watcher that does not answer at once is as good as none; the next look comes in 3 s.
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 500);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().value<QDBusVariant>().variant().toBool();
}
