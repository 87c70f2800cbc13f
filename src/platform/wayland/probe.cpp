#include "platform/wayland/probe.h"

#include <sys/socket.h>
#include <wayland-client.h>

#include <cstring>
#include <fstream>
#include <memory>

namespace zelvaro::wayland {

namespace {

constexpr char kLayerShell[] = "zwlr_layer_shell_v1";

struct DisplayCloser {
    void operator()(wl_display* display) const { wl_display_disconnect(display); }
};
struct RegistryDestroyer {
    void operator()(wl_registry* registry) const { wl_registry_destroy(registry); }
};

// The name of the process at the other end of the socket: the compositor.
std::string peerProcess(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.pid <= 0) return {};
    std::ifstream comm("/proc/" + std::to_string(peer.pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

} // namespace

std::optional<Compositor> probeCompositor() {
    const std::unique_ptr<wl_display, DisplayCloser> display(wl_display_connect(nullptr));
    if (!display) return std::nullopt;
    Compositor found;
    static const wl_registry_listener listener = {
        .global =
            [](void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
                if (std::strcmp(interface, kLayerShell) == 0)
                    static_cast<Compositor*>(data)->layerShell = true;
            },
        .global_remove = [](void*, wl_registry*, std::uint32_t) {},
    };
    const std::unique_ptr<wl_registry, RegistryDestroyer> registry(
        wl_display_get_registry(display.get()));
    wl_registry_add_listener(registry.get(), &listener, &found);
    if (wl_display_roundtrip(display.get()) < 0) return std::nullopt;
    found.process = peerProcess(wl_display_get_fd(display.get()));
    return found;
}

} // namespace zelvaro::wayland
