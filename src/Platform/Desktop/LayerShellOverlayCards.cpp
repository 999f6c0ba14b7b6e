#include "Platform/Desktop/LayerShellOverlayCards.h"

#include "Platform/Desktop/WaylandConnection.h"

#include <QPainter>

#include <algorithm>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>
#include <wayland-client.h>

#include "wlr-layer-shell-unstable-v1-client-protocol.h"

namespace {

class LayerCard final : public OverlayCard {
public:
    LayerCard(WaylandConnection& connection, wl_compositor* compositor, wl_shm* shm,
              zwlr_layer_shell_v1* layerShell, QSize size, int topMargin)
        : connection(connection)
        , shm(shm)
        , size(size)
        , surface(wl_compositor_create_surface(compositor)) {
        // Clicks go through to what lies below.
        wl_region* nothing = wl_compositor_create_region(compositor);
        wl_surface_set_input_region(surface, nothing);
        wl_region_destroy(nothing);

        layer = zwlr_layer_shell_v1_get_layer_surface(layerShell, surface, nullptr,
                                                      ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "tavo");
        static const zwlr_layer_surface_v1_listener listener = {&LayerCard::configure, &LayerCard::closed};
        zwlr_layer_surface_v1_add_listener(layer, &listener, this);
        zwlr_layer_surface_v1_set_size(layer, static_cast<std::uint32_t>(size.width()),
                                       static_cast<std::uint32_t>(size.height()));
        zwlr_layer_surface_v1_set_anchor(layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP);
        zwlr_layer_surface_v1_set_margin(layer, topMargin, 0, 0, 0);
        zwlr_layer_surface_v1_set_keyboard_interactivity(layer,
                                                         ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
        // The first commit carries no picture; the compositor answers with a configure.
        wl_surface_commit(surface);
        connection.flush();
    }

    ~LayerCard() override {
        buffers.clear();
        zwlr_layer_surface_v1_destroy(layer);
        wl_surface_destroy(surface);
        connection.flush();
    }

    void show(const QImage& picture) override {
        pending = picture;
        present();
    }

private:
    // One shared-memory picture the compositor may still be reading.
    struct ShmBuffer {
        LayerCard* card = nullptr;
        wl_buffer* buffer = nullptr;
        uchar* pixels = nullptr;
        std::size_t bytes = 0;
        bool busy = false;

        ~ShmBuffer() {
            if (buffer) {
                wl_buffer_destroy(buffer);
            }
            if (pixels) {
                munmap(pixels, bytes);
            }
        }
    };
    // A fade needs a few pictures in flight at most; later ones wait for a release.
    static constexpr std::size_t maxBuffers = 3;

    static void configure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t,
                          std::uint32_t) {
        auto* card = static_cast<LayerCard*>(data);
        zwlr_layer_surface_v1_ack_configure(layer, serial);
        card->configured = true;
        card->present();
    }

    static void closed(void* data, zwlr_layer_surface_v1*) {
        // Its output went away; the owner ends the card in its own time.
        static_cast<LayerCard*>(data)->isClosed = true;
    }

    static void released(void* data, wl_buffer*) {
        auto* buffer = static_cast<ShmBuffer*>(data);
        buffer->busy = false;
        buffer->card->present();
    }

    // The latest picture, once the compositor has configured the surface and a buffer is free.
    void present() {
        if (!configured || isClosed || pending.isNull()) {
            return;
        }
        ShmBuffer* buffer = freeBuffer();
        if (!buffer) {
            return;
        }
        QImage target(buffer->pixels, size.width(), size.height(), size.width() * 4,
                      QImage::Format_ARGB32_Premultiplied);
        target.fill(Qt::transparent);
        QPainter(&target).drawImage(0, 0, pending);
        pending = QImage();
        buffer->busy = true;
        wl_surface_attach(surface, buffer->buffer, 0, 0);
        wl_surface_damage(surface, 0, 0, size.width(), size.height());
        wl_surface_commit(surface);
        connection.flush();
    }

    // A buffer the compositor has let go of, or a new one; nullptr when all are in use or none can be made.
    ShmBuffer* freeBuffer() {
        const auto idle =
            std::find_if(buffers.begin(), buffers.end(),
                         [](const std::unique_ptr<ShmBuffer>& buffer) { return !buffer->busy; });
        if (idle != buffers.end()) {
            return idle->get();
        }
        if (buffers.size() >= maxBuffers) {
            return nullptr;
        }
        auto buffer = std::make_unique<ShmBuffer>();
        buffer->card = this;
        const int stride = size.width() * 4;
        buffer->bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(size.height());
        const int fd = memfd_create("tavo-card", MFD_CLOEXEC);
        if (fd < 0) {
            return nullptr;
        }
        if (ftruncate(fd, static_cast<off_t>(buffer->bytes)) == 0) {
            void* pixels = mmap(nullptr, buffer->bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            if (pixels != MAP_FAILED) {
                buffer->pixels = static_cast<uchar*>(pixels);
                wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<std::int32_t>(buffer->bytes));
                // Premultiplied ARGB in the machine's byte order, as QImage keeps it.
                buffer->buffer = wl_shm_pool_create_buffer(pool, 0, size.width(), size.height(), stride,
                                                           WL_SHM_FORMAT_ARGB8888);
                wl_shm_pool_destroy(pool);
            }
        }
        close(fd);
        if (!buffer->buffer) {
            return nullptr;
        }
        static const wl_buffer_listener listener = {&LayerCard::released};
        wl_buffer_add_listener(buffer->buffer, &listener, buffer.get());
        buffers.push_back(std::move(buffer));
        return buffers.back().get();
    }

    WaylandConnection& connection;
    wl_shm* shm;
    const QSize size;
    wl_surface* surface;
    zwlr_layer_surface_v1* layer = nullptr;
    std::vector<std::unique_ptr<ShmBuffer>> buffers;
    QImage pending;
    bool configured = false;
    bool isClosed = false;
};

} // namespace

std::unique_ptr<LayerShellOverlayCards> LayerShellOverlayCards::create(WaylandConnection* connection) {
    if (!connection) {
        return nullptr;
    }
    std::unique_ptr<LayerShellOverlayCards> cards(new LayerShellOverlayCards(*connection));
    if (!cards->compositor || !cards->shm || !cards->layerShell) {
        return nullptr;
    }
    return cards;
}

LayerShellOverlayCards::LayerShellOverlayCards(WaylandConnection& connection)
    : connection(connection)
    , compositor(static_cast<wl_compositor*>(connection.bind(&wl_compositor_interface, 4)))
    , shm(static_cast<wl_shm*>(connection.bind(&wl_shm_interface, 1)))
    , layerShell(static_cast<zwlr_layer_shell_v1*>(connection.bind(&zwlr_layer_shell_v1_interface, 4))) {}

LayerShellOverlayCards::~LayerShellOverlayCards() {
    if (layerShell) {
        // The destroy request exists from version 3 on; older shells are only forgotten.
        if (zwlr_layer_shell_v1_get_version(layerShell) >= 3) {
            zwlr_layer_shell_v1_destroy(layerShell);
        } else {
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(layerShell));
        }
    }
    if (shm) {
        wl_shm_destroy(shm);
    }
    if (compositor) {
        wl_compositor_destroy(compositor);
    }
    connection.flush();
}

std::unique_ptr<OverlayCard> LayerShellOverlayCards::create(QSize size, int topMargin) {
    if (size.isEmpty()) {
        return nullptr;
    }
    return std::make_unique<LayerCard>(connection, compositor, shm, layerShell, size, topMargin);
}
