#pragma once

#include "Platform/StatusItem.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>

class Clock;
class QSystemTrayIcon;
class Timer;

// StatusItem on QSystemTrayIcon: a StatusNotifierItem with its menu exported
// over DBusMenu where an SNI tray host runs (the only kind on Wayland), an
// XEmbed icon otherwise. Qt makes that choice when the icon is made, from an
// answer it asks for once per process, so the icon is made only once a tray
// host is there: until then (a panel that starts later, GNOME without an
// AppIndicator extension) this says so once and looks again every few
// seconds. Qt registers the item again when the watcher restarts.
class TrayStatusItem final : public QObject, public StatusItem {
    Q_OBJECT
public:
    explicit TrayStatusItem(Clock& clock, QObject* parent = nullptr);

    bool hasButton() const override { return true; }
    void setIcon(const QIcon& icon) override;
    void setToolTip(const QString& toolTip) override;
    void setMenu(QMenu* menu) override;
    bool hasTrayHost() const override;

private:
    void showWhenTrayAvailable();
    // An SNI host has registered with the StatusNotifierWatcher on the session bus.
    static bool statusNotifierHostRunning();

    Clock& clock;
    QSystemTrayIcon* tray = nullptr;
    QIcon icon;
    QString toolTip;
    QPointer<QMenu> menu;
    Timer* retryTimer = nullptr;
};
