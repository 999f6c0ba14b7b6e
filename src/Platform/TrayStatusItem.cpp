#include "Platform/TrayStatusItem.h"

#include "Platform/Clock.h"
#include "Platform/Log.h"
#include "Platform/WindowSystem.h"

#include <QMenu>

TrayStatusItem::TrayStatusItem(QObject* parent)
    : QObject(parent) {
    // A left click opens the same menu as a right click, like a menu-bar item. Only X11
    // knows where the pointer is; a Wayland tray host shows the exported menu itself.
    if (WindowSystem::isX11()) {
        connect(&tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger && tray.contextMenu()) {
                tray.contextMenu()->popup(QCursor::pos());
            }
        });
    }
}

void TrayStatusItem::showWhenTrayAvailable() {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        if (retryTimer) {
            retryTimer->stop();
        }
        tray.show();
        return;
    }
    if (!retryTimer) {
        logLine(QStringLiteral("Tavo: no system tray available yet, retrying every 3 seconds"));
        retryTimer = Clock::instance().createTimer(this);
        connect(retryTimer, &Timer::timeout, this, &TrayStatusItem::showWhenTrayAvailable);
        retryTimer->start(3.0, true);
    }
}

void TrayStatusItem::setIcon(const QIcon& icon) {
    tray.setIcon(icon);
    // Shown once it has something to show.
    showWhenTrayAvailable();
}

void TrayStatusItem::setToolTip(const QString& toolTip) {
    tray.setToolTip(toolTip);
}

void TrayStatusItem::setMenu(QMenu* menu) {
    tray.setContextMenu(menu);
}

bool TrayStatusItem::hasTrayHost() const {
    return tray.isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}
