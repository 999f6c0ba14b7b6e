#pragma once

#include "Platform/FullScreen.h"
#include "Platform/IdleTime.h"

#include <cstdint>
#include <memory>
#include <vector>

struct xcb_connection_t;

// What the X server tells, over Qt's own connection to it: each create()
// answers nullptr outside an X11 session or when the server lacks what the
// adapter needs.

// Idle time from the MIT-SCREEN-SAVER extension: the time since the last
// keyboard or pointer input anywhere on the display.
class X11IdleTime final : public IdleTime {
    Q_OBJECT
public:
    static std::unique_ptr<X11IdleTime> create();
    void request() override;

private:
    X11IdleTime(xcb_connection_t* connection, std::uint32_t root);
    xcb_connection_t* connection;
    std::uint32_t root;
};

// Full screen as the window manager records it (EWMH): the window named in
// the root's _NET_ACTIVE_WINDOW carries _NET_WM_STATE_FULLSCREEN, and its
// _NET_WM_PID is not Tavo's.
class X11FullScreen final : public FullScreen {
public:
    static std::unique_ptr<X11FullScreen> create();
    bool otherProgramFullScreen() override;

private:
    X11FullScreen(xcb_connection_t* connection, std::uint32_t root);
    std::uint32_t atom(const char* name) const;
    // The 32-bit items of a window's property, at most a few dozen.
    std::vector<std::uint32_t> property(std::uint32_t window, std::uint32_t name, std::uint32_t type) const;

    xcb_connection_t* connection;
    std::uint32_t root;
    std::uint32_t activeWindow;
    std::uint32_t state;
    std::uint32_t fullScreen;
    std::uint32_t pid;
};
