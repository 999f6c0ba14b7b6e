#include "Platform/Desktop/WaylandConnection.h"

#include "Platform/Desktop/WindowSystem.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cstring>
#include <wayland-client.h>

std::unique_ptr<WaylandConnection> WaylandConnection::open() {
    if (!WindowSystem::isWayland()) {
        return nullptr;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        return nullptr;
    }
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection(display));
    // One wait at start, so the globals are known before anyone binds.
    if (wl_display_roundtrip(display) < 0) {
        return nullptr;
    }
    return connection;
}

WaylandConnection::WaylandConnection(wl_display* handle)
    : handle(handle) {
    static const wl_registry_listener listener = {&WaylandConnection::announce, &WaylandConnection::withdraw};
    registry = wl_display_get_registry(handle);
    wl_registry_add_listener(registry, &listener, this);
    notifier = new QSocketNotifier(wl_display_get_fd(handle), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &WaylandConnection::readEvents);
}

WaylandConnection::~WaylandConnection() {
    delete notifier;
    wl_registry_destroy(registry);
    wl_display_disconnect(handle);
}

void WaylandConnection::announce(void* data, wl_registry*, std::uint32_t name, const char* interface,
                                 std::uint32_t version) {
    static_cast<WaylandConnection*>(data)->globals.push_back(Global{name, QByteArray(interface), version});
}

void WaylandConnection::withdraw(void* data, wl_registry*, std::uint32_t name) {
    auto& globals = static_cast<WaylandConnection*>(data)->globals;
    std::erase_if(globals, [name](const Global& global) { return global.name == name; });
}

void* WaylandConnection::bind(const wl_interface* interface, std::uint32_t maxVersion) {
    const auto found = std::find_if(globals.begin(), globals.end(), [interface](const Global& global) {
        return std::strcmp(global.interface.constData(), interface->name) == 0;
    });
    if (found == globals.end()) {
        return nullptr;
    }
    return wl_registry_bind(registry, found->name, interface, std::min(found->version, maxVersion));
}

void WaylandConnection::flush() {
    wl_display_flush(handle);
}

void WaylandConnection::readEvents() {
    // Queued events first: only an empty queue may read from the socket.
    bool working = true;
    while (working && wl_display_prepare_read(handle) != 0) {
        working = wl_display_dispatch_pending(handle) >= 0;
    }
    working = working && wl_display_read_events(handle) >= 0 && wl_display_dispatch_pending(handle) >= 0;
    if (!working) {
        // The compositor went away or ended the connection: nothing more comes.
        notifier->setEnabled(false);
        return;
    }
    wl_display_flush(handle);
}
