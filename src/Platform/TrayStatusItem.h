#pragma once

#include "Platform/StatusItem.h"

#include <QObject>
#include <QSystemTrayIcon>

class Timer;

// StatusItem on QSystemTrayIcon: a StatusNotifierItem with its menu exported
// over DBusMenu where a StatusNotifierWatcher runs (always on Wayland), an
// XEmbed icon otherwise. When no tray host runs yet (a session whose panel
// starts later), it says so once and looks again every few seconds; Qt
// registers the item again when the watcher restarts.
class TrayStatusItem final : public QObject, public StatusItem {
    Q_OBJECT
public:
    explicit TrayStatusItem(QObject* parent = nullptr);

    bool hasButton() const override { return true; }
    void setIcon(const QIcon& icon) override;
    void setToolTip(const QString& toolTip) override;
    void setMenu(QMenu* menu) override;
    bool hasTrayHost() const override;

private:
    void showWhenTrayAvailable();

    QSystemTrayIcon tray;
    Timer* retryTimer = nullptr;
};
