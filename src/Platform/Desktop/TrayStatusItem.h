#pragma once

#include "Platform/StatusItem.h"

#include <QObject>
#include <QSystemTrayIcon>

class Clock;
class Timer;

// StatusItem on QSystemTrayIcon. When no tray host runs yet (a session whose
// panel starts later), it says so once and looks again every few seconds.
class TrayStatusItem final : public QObject, public StatusItem {
    Q_OBJECT
public:
    explicit TrayStatusItem(Clock& clock, QObject* parent = nullptr);

    bool hasButton() const override { return true; }
    void setIcon(const QIcon& icon) override;
    void setToolTip(const QString& toolTip) override;
    void setMenu(QMenu* menu) override;

private:
    void showWhenTrayAvailable();

    Clock& clock;
    QSystemTrayIcon tray;
    Timer* retryTimer = nullptr;
};
