#pragma once

#include "Platform/IdleTime.h"

#include <QElapsedTimer>

#include <memory>

class WaylandConnection;
struct ext_idle_notification_v1;
struct ext_idle_notifier_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;
struct wl_seat;

// Idle time from the compositor over Tavo's own Wayland connection:
// ext-idle-notify-v1 where offered, else KDE's org_kde_kwin_idle (KWin,
// sway 1.7). Both only say when the seat has been idle for the threshold
// and when input resumes; the idle time in between is counted from there.
class WaylandIdleTime final : public IdleTime {
    Q_OBJECT
public:
    // nullptr without a connection or when the compositor offers neither
    // protocol. The connection outlives the source.
    static std::unique_ptr<WaylandIdleTime> create(WaylandConnection* connection);
    ~WaylandIdleTime() override;

    void request() override;
    void setThreshold(qint64 ms) override;

    // The protocols' two events.
    void becameIdle();
    void resumed();

private:
    explicit WaylandIdleTime(WaylandConnection* connection);
    void watch();
    void forget();

    WaylandConnection* connection;
    wl_seat* seat = nullptr;
    ext_idle_notifier_v1* notifier = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
    ext_idle_notification_v1* notification = nullptr;
    org_kde_kwin_idle_timeout* kdeTimeout = nullptr;
    qint64 thresholdMs = 5 * 60 * 1000;
    bool idle = false;
    QElapsedTimer idleSince;
};
