#include "Platform/Desktop/TrayStatusItem.h"

#include "Platform/Clock.h"
#include "Platform/Log.h"

#include <QMenu>

TrayStatusItem::TrayStatusItem(Clock& clock, QObject* parent)
    : QObject(parent)
    , clock(clock) {
    // A left click opens the same menu as a right click, like a menu-bar item.
    connect(&tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && tray.contextMenu()) {
            tray.contextMenu()->popup(QCursor::pos());
        }
    });
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
        retryTimer = clock.createTimer(this);
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
