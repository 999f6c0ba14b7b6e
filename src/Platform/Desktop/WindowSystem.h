#pragma once

// Which display server Tavo talks to. X11 lets a window bypass the window
// manager and tells where the pointer is; Wayland does neither, so windows
// ask the compositor (full screen on an output) and menus are never placed
// at the pointer there.
namespace WindowSystem {
bool isX11();
bool isWayland();
} // namespace WindowSystem
