#pragma once

#include "Platform/FullScreen.h"
#include "Platform/IdleTime.h"

#include <memory>

class QDBusConnection;
class WaylandConnection;

// The sources of idle time and of full-screen state this session offers,
// picked once at start; nullptr when there is none.
namespace AwaySources {
// X11: the server's screen-saver extension. Wayland: GNOME's idle monitor,
// then org.freedesktop.ScreenSaver, then the compositor's idle protocols.
std::unique_ptr<IdleTime> idleTime(WaylandConnection* wayland, const QDBusConnection& sessionBus);
// X11: the window manager's EWMH state. Wayland: sway's IPC; elsewhere none.
std::unique_ptr<FullScreen> fullScreen();
} // namespace AwaySources
