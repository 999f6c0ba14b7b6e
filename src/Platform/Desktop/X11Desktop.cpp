#include "Platform/Desktop/X11Desktop.h"

#include "Platform/Desktop/WindowSystem.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <xcb/screensaver.h>
#include <xcb/xcb.h>
#include <xcb/xproto.h>

namespace {

// Qt's connection and the first screen's root window; nullptr outside X11.
xcb_connection_t* qtConnection(std::uint32_t& root) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!WindowSystem::isX11() || !x11 || !x11->connection()) {
        return nullptr;
    }
    xcb_connection_t* connection = x11->connection();
    root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    return connection;
}

} // namespace

std::unique_ptr<X11IdleTime> X11IdleTime::create() {
    std::uint32_t root = 0;
    xcb_connection_t* connection = qtConnection(root);
    if (!connection) {
        return nullptr;
    }
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_screensaver_id);
    if (!extension || !extension->present) {
        return nullptr;
    }
    return std::unique_ptr<X11IdleTime>(new X11IdleTime(connection, root));
}

X11IdleTime::X11IdleTime(xcb_connection_t* connection, std::uint32_t root)
    : connection(connection)
    , root(root) {}

void X11IdleTime::request() {
    // One short round trip to the local server; asked at most every five seconds.
    xcb_screensaver_query_info_reply_t* info =
        xcb_screensaver_query_info_reply(connection, xcb_screensaver_query_info(connection, root), nullptr);
    if (!info) {
        return;
    }
    const qint64 idleMs = info->ms_since_user_input;
    std::free(info);
    Q_EMIT measured(idleMs);
}

std::unique_ptr<X11FullScreen> X11FullScreen::create() {
    std::uint32_t root = 0;
    xcb_connection_t* connection = qtConnection(root);
    return connection ? std::unique_ptr<X11FullScreen>(new X11FullScreen(connection, root)) : nullptr;
}

X11FullScreen::X11FullScreen(xcb_connection_t* connection, std::uint32_t root)
    : connection(connection)
    , root(root)
    , activeWindow(atom("_NET_ACTIVE_WINDOW"))
    , state(atom("_NET_WM_STATE"))
    , fullScreen(atom("_NET_WM_STATE_FULLSCREEN"))
    , pid(atom("_NET_WM_PID")) {}

std::uint32_t X11FullScreen::atom(const char* name) const {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const std::uint32_t value = reply ? reply->atom : std::uint32_t(XCB_ATOM_NONE);
    std::free(reply);
    return value;
}

std::vector<std::uint32_t> X11FullScreen::property(std::uint32_t window, std::uint32_t name,
                                                   std::uint32_t type) const {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, name, type, 0, 64), nullptr);
    std::vector<std::uint32_t> items;
    if (reply && reply->format == 32) {
        const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
        items.assign(values, values + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return items;
}

bool X11FullScreen::otherProgramFullScreen() {
    const std::vector<std::uint32_t> active = property(root, activeWindow, XCB_ATOM_WINDOW);
    if (active.empty() || active.front() == XCB_WINDOW_NONE) {
        return false;
    }
    const std::vector<std::uint32_t> states = property(active.front(), state, XCB_ATOM_ATOM);
    if (std::find(states.begin(), states.end(), fullScreen) == states.end()) {
        return false;
    }
    const std::vector<std::uint32_t> owner = property(active.front(), pid, XCB_ATOM_CARDINAL);
    return owner.empty() || owner.front() != static_cast<std::uint32_t>(getpid());
}
