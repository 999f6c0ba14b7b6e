#pragma once

#include "Platform/Desktop/OverlayCards.h"

class WaylandConnection;
struct wl_compositor;
struct wl_shm;
struct zwlr_layer_shell_v1;

// Cards as overlay-layer surfaces of the wlr layer shell (sway and other
// wlroots compositors, KWin): above full-screen windows too, anchored to the
// top of the output the compositor picks, without keyboard or pointer input.
class LayerShellOverlayCards final : public OverlayCards {
public:
    // nullptr without a connection or when the compositor has no layer shell.
    static std::unique_ptr<LayerShellOverlayCards> create(WaylandConnection* connection);
    ~LayerShellOverlayCards() override;

    std::unique_ptr<OverlayCard> create(QSize size, int topMargin) override;

private:
    explicit LayerShellOverlayCards(WaylandConnection& connection);

    WaylandConnection& connection;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
};
