#include "Platform/Desktop/AwaySources.h"

#include "Platform/Desktop/DBusIdleTime.h"
#include "Platform/Desktop/SwayFullScreen.h"
#include "Platform/Desktop/WaylandIdleTime.h"
#include "Platform/Desktop/WindowSystem.h"
#include "Platform/Desktop/X11Desktop.h"
#include "Platform/Log.h"

namespace {

// Under XWayland the X server sees only the input that goes to X clients.
bool isPlainX11() {
    return WindowSystem::isX11() && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

std::unique_ptr<IdleTime> AwaySources::idleTime(WaylandConnection* wayland,
                                                const QDBusConnection& sessionBus) {
    const auto found = [](std::unique_ptr<IdleTime> source, const char* name) {
        if (source) {
            logLine(QStringLiteral("Tavo: idle time from %1").arg(QLatin1String(name)));
        }
        return source;
    };
    if (isPlainX11()) {
        return found(X11IdleTime::create(), "the X server");
    }
    for (const DBusIdleTime::Source* source : {&DBusIdleTime::mutter, &DBusIdleTime::screenSaver}) {
        if (std::unique_ptr<IdleTime> bus = DBusIdleTime::create(sessionBus, *source)) {
            return found(std::move(bus), qPrintable(source->service));
        }
    }
    if (std::unique_ptr<IdleTime> compositor = WaylandIdleTime::create(wayland)) {
        return found(std::move(compositor), "the compositor");
    }
    logLine(QStringLiteral("Tavo: no idle time on this desktop, natural rests are off"));
    return nullptr;
}

std::unique_ptr<FullScreen> AwaySources::fullScreen() {
    if (isPlainX11()) {
        return X11FullScreen::create();
    }
    return SwayFullScreen::create();
}
