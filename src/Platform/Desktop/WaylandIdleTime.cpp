#include "Platform/Desktop/WaylandIdleTime.h"

#include "Platform/Desktop/WaylandConnection.h"

#include <ext-idle-notify-v1-client-protocol.h>
#include <idle-client-protocol.h>
#include <wayland-client.h>

namespace {

template <typename Object> void onIdle(void* data, Object*) {
    static_cast<WaylandIdleTime*>(data)->becameIdle();
}
template <typename Object> void onResumed(void* data, Object*) {
    static_cast<WaylandIdleTime*>(data)->resumed();
}

const ext_idle_notification_v1_listener notificationListener = {&onIdle<ext_idle_notification_v1>,
                                                                &onResumed<ext_idle_notification_v1>};
const org_kde_kwin_idle_timeout_listener kdeTimeoutListener = {&onIdle<org_kde_kwin_idle_timeout>,
                                                               &onResumed<org_kde_kwin_idle_timeout>};

} // namespace

std::unique_ptr<WaylandIdleTime> WaylandIdleTime::create(WaylandConnection* connection) {
    if (!connection) {
        return nullptr;
    }
    std::unique_ptr<WaylandIdleTime> source(new WaylandIdleTime(connection));
    if (!source->seat || (!source->notifier && !source->kdeIdle)) {
        return nullptr;
    }
    source->watch();
    return source;
}

WaylandIdleTime::WaylandIdleTime(WaylandConnection* connection)
    : connection(connection)
    , seat(static_cast<wl_seat*>(connection->bind(&wl_seat_interface, 1)))
    , notifier(static_cast<ext_idle_notifier_v1*>(connection->bind(&ext_idle_notifier_v1_interface, 1))) {
    if (!notifier) {
        kdeIdle = static_cast<org_kde_kwin_idle*>(connection->bind(&org_kde_kwin_idle_interface, 1));
    }
}

WaylandIdleTime::~WaylandIdleTime() {
    forget();
    if (notifier) {
        ext_idle_notifier_v1_destroy(notifier);
    }
    if (kdeIdle) {
        org_kde_kwin_idle_destroy(kdeIdle);
    }
    if (seat) {
        wl_seat_destroy(seat);
    }
    connection->flush();
}

void WaylandIdleTime::watch() {
    const auto timeout = static_cast<std::uint32_t>(thresholdMs);
    if (notifier) {
        notification = ext_idle_notifier_v1_get_idle_notification(notifier, timeout, seat);
        ext_idle_notification_v1_add_listener(notification, &notificationListener, this);
    } else {
        kdeTimeout = org_kde_kwin_idle_get_idle_timeout(kdeIdle, seat, timeout);
        org_kde_kwin_idle_timeout_add_listener(kdeTimeout, &kdeTimeoutListener, this);
    }
    connection->flush();
}

void WaylandIdleTime::forget() {
    if (notification) {
        ext_idle_notification_v1_destroy(notification);
        notification = nullptr;
    }
    if (kdeTimeout) {
        org_kde_kwin_idle_timeout_release(kdeTimeout);
        kdeTimeout = nullptr;
    }
    idle = false;
}

void WaylandIdleTime::setThreshold(qint64 ms) {
    if (ms == thresholdMs) {
        return;
    }
    thresholdMs = ms;
    forget();
    watch();
}

void WaylandIdleTime::becameIdle() {
    idle = true;
    idleSince.start();
    Q_EMIT measured(thresholdMs);
}

void WaylandIdleTime::resumed() {
    idle = false;
    Q_EMIT measured(0);
}

void WaylandIdleTime::request() {
    Q_EMIT measured(idle ? thresholdMs + idleSince.elapsed() : 0);
}
