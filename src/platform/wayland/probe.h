// What a Wayland compositor offers, asked over a connection of our own before Qt starts.
#pragma once

#include <optional>
#include <string>

namespace zelvaro::wayland {

struct Compositor {
    bool layerShell = false; // zwlr_layer_shell_v1, which the frame needs
    std::string process;     // the compositor's process name, when the socket tells
};

// Nothing when no Wayland display answers (WAYLAND_DISPLAY, or wayland-0).
std::optional<Compositor> probeCompositor();

} // namespace zelvaro::wayland
