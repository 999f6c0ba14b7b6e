#pragma once

#include <QByteArray>
#include <QObject>

#include <cstdint>
#include <memory>
#include <vector>

class QSocketNotifier;
struct wl_display;
struct wl_interface;
struct wl_registry;

// A Wayland connection of Tavo's own, beside Qt's, for protocols Qt does not
// speak (the wlr layer shell). Its events are read in the Qt event loop; a
// connection the compositor dropped stays an object that sends nothing.
class WaylandConnection final : public QObject {
    Q_OBJECT
public:
    // The connection to the compositor WAYLAND_DISPLAY names, with its globals
    // known; nullptr outside a Wayland session or when it cannot be reached.
    static std::unique_ptr<WaylandConnection> open();
    ~WaylandConnection() override;

    wl_display* display() const { return handle; }
    // The compositor's global with this interface, bound at most at maxVersion;
    // nullptr when it has none. The caller destroys it.
    void* bind(const wl_interface* interface, std::uint32_t maxVersion);
    // Sends the requests made so far.
    void flush();

private:
    struct Global {
        std::uint32_t name;
        QByteArray interface;
        std::uint32_t version;
    };

    explicit WaylandConnection(wl_display* handle);
    void readEvents();
    static void announce(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                         std::uint32_t version);
    static void withdraw(void* data, wl_registry* registry, std::uint32_t name);

    wl_display* handle;
    wl_registry* registry = nullptr;
    QSocketNotifier* notifier = nullptr;
    std::vector<Global> globals;
};
