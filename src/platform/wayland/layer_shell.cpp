#include "platform/wayland/layer_shell.h"

#include <QAction>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

#include <wayland-client.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

// The generated header names a parameter "namespace", a C++ keyword.
#define namespace namespace_
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
#include "xdg-shell-client-protocol.h"

namespace zelvaro::wayland {

namespace {

// Calls a scanner-generated destroy function when a protocol object goes out of scope.
template <auto Destroy> struct ProxyDeleter {
    template <typename T> void operator()(T* proxy) const { Destroy(proxy); }
};
template <typename T, auto Destroy> using Proxy = std::unique_ptr<T, ProxyDeleter<Destroy>>;

// The versions this code speaks; on_demand keyboard focus came with layer-shell 4.
constexpr std::uint32_t kLayerShellVersion = 4;
constexpr std::uint32_t kOnDemandSince = 4;
constexpr std::uint32_t kWmBaseVersion = 2;
constexpr char kNamespace[] = "zelvaro";

QPlatformNativeInterface* native() {
    return QGuiApplication::platformNativeInterface();
}

template <typename T> T* windowResource(const char* name, QWindow* window) {
    return window ? static_cast<T*>(native()->nativeResourceForWindow(name, window)) : nullptr;
}

void complain(const char* what) {
    std::fprintf(stderr, "zelvaro: %s\n", what);
}

class LayerShell final : public qt::FrameShell {
  public:
    explicit LayerShell(wl_display* display) : display_(display) {}
    ~LayerShell() override {
        detachPopup();
        detachFrame();
    }

    bool bind();
    bool attachFrame(QWidget& frame, std::function<void()> closed) override;
    void detachFrame() override;
    QAction* execMenu(QMenu& menu, QPoint at) override;
    void setKeyboardWanted(bool wanted) override;
    void keyboardEntered() override;
    void bandPressed() override;
    // Qt reads the connection only when its event loop runs: read and dispatch here.
    void handlePendingEvents() override { roundtrip(); }

  private:
    static const wl_registry_listener registryListener;
    static const xdg_wm_base_listener wmBaseListener;
    static const zwlr_layer_surface_v1_listener layerSurfaceListener;
    static const xdg_surface_listener popupSurfaceListener;
    static const xdg_popup_listener popupListener;

    bool attachPopup(QMenu& menu);
    void detachPopup();
    void setInteractivity(std::uint32_t mode);
    // One exchange with the compositor: every event it sent before has been handled.
    bool roundtrip() { return wl_display_roundtrip(display_) >= 0; }

    wl_display* display_;
    Proxy<wl_registry, wl_registry_destroy> registry_;
    Proxy<zwlr_layer_shell_v1, zwlr_layer_shell_v1_destroy> layerShell_;
    std::uint32_t layerShellVersion_ = 0;
    Proxy<xdg_wm_base, xdg_wm_base_destroy> wmBase_;

    QPointer<QWidget> frame_;
    wl_surface* frameSurface_ = nullptr; // Qt's, alive while the frame is shown
    Proxy<zwlr_layer_surface_v1, zwlr_layer_surface_v1_destroy> layerSurface_;
    std::function<void()> closed_;
    bool frameConfigured_ = false;
    std::uint32_t interactivity_ = ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE;
    bool keyboardWanted_ = true;

    QPointer<QMenu> menu_;
    Proxy<xdg_surface, xdg_surface_destroy> popupSurface_;
    Proxy<xdg_popup, xdg_popup_destroy> popup_;
    QMetaObject::Connection popupHidden_;
    bool popupConfigured_ = false;
};

const wl_registry_listener LayerShell::registryListener = {
    .global =
        [](void* data, wl_registry* registry, std::uint32_t name, const char* interface,
           std::uint32_t version) {
            auto* self = static_cast<LayerShell*>(data);
            if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
                self->layerShellVersion_ = std::min(version, kLayerShellVersion);
                self->layerShell_.reset(static_cast<zwlr_layer_shell_v1*>(wl_registry_bind(
                    registry, name, &zwlr_layer_shell_v1_interface, self->layerShellVersion_)));
            } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0) {
                self->wmBase_.reset(static_cast<xdg_wm_base*>(wl_registry_bind(
                    registry, name, &xdg_wm_base_interface, std::min(version, kWmBaseVersion))));
                xdg_wm_base_add_listener(self->wmBase_.get(), &wmBaseListener, self);
            }
        },
    .global_remove = [](void*, wl_registry*, std::uint32_t) {},
};

const xdg_wm_base_listener LayerShell::wmBaseListener = {
    .ping = [](void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); },
};

const zwlr_layer_surface_v1_listener LayerShell::layerSurfaceListener = {
    .configure =
        [](void* data, zwlr_layer_surface_v1* surface, std::uint32_t serial, std::uint32_t width,
           std::uint32_t height) {
            auto* self = static_cast<LayerShell*>(data);
            zwlr_layer_surface_v1_ack_configure(surface, serial);
            self->frameConfigured_ = true;
            // The output's size: the frame covers it whole, whatever Qt took the screen to be.
            const QSize size(static_cast<int>(width), static_cast<int>(height));
            if (self->frame_ && !size.isEmpty() && self->frame_->size() != size)
                self->frame_->setGeometry(QRect(QPoint(0, 0), size));
        },
    .closed =
        [](void* data, zwlr_layer_surface_v1*) {
            // The output went away: the frame ends as on a close request, margins saved.
            auto* self = static_cast<LayerShell*>(data);
            if (self->closed_) QMetaObject::invokeMethod(qApp, self->closed_, Qt::QueuedConnection);
        },
};

const xdg_surface_listener LayerShell::popupSurfaceListener = {
    .configure =
        [](void* data, xdg_surface* surface, std::uint32_t serial) {
            xdg_surface_ack_configure(surface, serial);
            static_cast<LayerShell*>(data)->popupConfigured_ = true;
        },
};

const xdg_popup_listener LayerShell::popupListener = {
    .configure = [](void*, xdg_popup*, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {},
    .popup_done =
        [](void* data, xdg_popup*) {
            // A click outside the program: the compositor closed the menu, as Qt would have.
            auto* self = static_cast<LayerShell*>(data);
            if (self->menu_)
                QMetaObject::invokeMethod(self->menu_, &QMenu::close, Qt::QueuedConnection);
        },
    .repositioned = [](void*, xdg_popup*, std::uint32_t) {},
};

bool LayerShell::bind() {
    registry_.reset(wl_display_get_registry(display_));
    wl_registry_add_listener(registry_.get(), &registryListener, this);
    if (!roundtrip()) {
        complain("la connexion Wayland de Qt ne répond pas");
        return false;
    }
    if (!layerShell_ || !wmBase_) {
        complain("le compositeur Wayland n'offre plus zwlr_layer_shell_v1 et xdg_wm_base");
        return false;
    }
    return true;
}

bool LayerShell::attachFrame(QWidget& frame, std::function<void()> closed) {
    QWindow* window = frame.windowHandle();
    // A Qt that gave the window a role of its own has ignored the bypass hint: two roles would
    // end the connection.
    if (windowResource<void>("xdg_surface", window)) {
        complain("Qt a fait du cadre une fenêtre ordinaire (QT_WAYLAND_USE_BYPASSWINDOWMANAGERHINT "
                 "sans effet)");
        return false;
    }
    frameSurface_ = windowResource<wl_surface>("surface", window);
    if (!frameSurface_) {
        complain("le cadre n'a pas de surface Wayland");
        return false;
    }
    frame_ = &frame;
    closed_ = std::move(closed);
    frameConfigured_ = false;
    layerSurface_.reset(zwlr_layer_shell_v1_get_layer_surface(
        layerShell_.get(), frameSurface_, nullptr, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, kNamespace));
    zwlr_layer_surface_v1_add_listener(layerSurface_.get(), &layerSurfaceListener, this);
    zwlr_layer_surface_v1_set_anchor(layerSurface_.get(), ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                              ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                              ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                              ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    // -1: windows stay where they are, under the frame, and the frame ignores panels.
    zwlr_layer_surface_v1_set_exclusive_zone(layerSurface_.get(), -1);
    interactivity_ = ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE;
    zwlr_layer_surface_v1_set_keyboard_interactivity(layerSurface_.get(), interactivity_);
    wl_surface_commit(frameSurface_);
    // Qt paints once the event loop runs again: the first buffer follows the acknowledged size.
    if (!roundtrip() || !frameConfigured_) {
        complain("le compositeur n'a pas placé le cadre");
        return false;
    }
    return true;
}

void LayerShell::detachFrame() {
    layerSurface_.reset();
    frameSurface_ = nullptr;
    frame_ = nullptr;
    closed_ = nullptr;
    if (registry_) wl_display_flush(display_);
}

void LayerShell::setInteractivity(std::uint32_t mode) {
    if (!layerSurface_ || !frameSurface_ || mode == interactivity_) return;
    interactivity_ = mode;
    zwlr_layer_surface_v1_set_keyboard_interactivity(layerSurface_.get(), mode);
    wl_surface_commit(frameSurface_);
    wl_display_flush(display_);
}

void LayerShell::setKeyboardWanted(bool wanted) {
    keyboardWanted_ = wanted;
    setInteractivity(wanted ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE
                            : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
}

void LayerShell::keyboardEntered() {
    // Taken at start with exclusive focus; from then on, windows in the hole may take the
    // keyboard when clicked, and a click on a band brings it back.
    if (keyboardWanted_ && layerShellVersion_ >= kOnDemandSince)
        setInteractivity(ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_ON_DEMAND);
}

void LayerShell::bandPressed() {
    if (keyboardWanted_ && frame_ && !frame_->isActiveWindow())
        setInteractivity(ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
}

QAction* LayerShell::execMenu(QMenu& menu, QPoint at) {
    // No role from Qt: the menu becomes a popup of the frame's own surface below.
    menu.setWindowFlag(Qt::BypassWindowManagerHint);
    QPointer<QAction> chosen;
    const auto triggered =
        QObject::connect(&menu, &QMenu::triggered, [&chosen](QAction* action) { chosen = action; });
    // Shown without painting: Qt paints once the event loop runs, after the role is set.
    menu.popup(at);
    if (!attachPopup(menu)) {
        menu.hide();
        QObject::disconnect(triggered);
        return nullptr;
    }
    QEventLoop loop;
    QObject::connect(&menu, &QMenu::aboutToHide, &loop, &QEventLoop::quit);
    if (menu.isVisible()) loop.exec();
    QObject::disconnect(triggered);
    detachPopup();
    return chosen;
}

bool LayerShell::attachPopup(QMenu& menu) {
    QWindow* window = menu.windowHandle();
    if (!layerSurface_ || !window || windowResource<void>("xdg_surface", window)) return false;
    auto* surface = windowResource<wl_surface>("surface", window);
    auto* seat = static_cast<wl_seat*>(native()->nativeResourceForIntegration("wl_seat"));
    if (!surface || !seat) return false;
    // The serial of the press that opened the menu, which the grab needs.
    const auto serial = static_cast<std::uint32_t>(
        reinterpret_cast<quintptr>(native()->nativeResourceForIntegration("serial")));

    menu_ = &menu;
    popupConfigured_ = false;
    popupSurface_.reset(xdg_wm_base_get_xdg_surface(wmBase_.get(), surface));
    xdg_surface_add_listener(popupSurface_.get(), &popupSurfaceListener, this);
    // Where Qt placed it (at the pointer, inside the screen), relative to the frame, which covers
    // the screen from its corner.
    const QRect placed = window->geometry();
    xdg_positioner* positioner = xdg_wm_base_create_positioner(wmBase_.get());
    xdg_positioner_set_size(positioner, placed.width(), placed.height());
    xdg_positioner_set_anchor_rect(positioner, placed.x(), placed.y(), 1, 1);
    xdg_positioner_set_anchor(positioner, XDG_POSITIONER_ANCHOR_TOP_LEFT);
    xdg_positioner_set_gravity(positioner, XDG_POSITIONER_GRAVITY_BOTTOM_RIGHT);
    xdg_positioner_set_constraint_adjustment(positioner,
                                             XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_SLIDE_X |
                                                 XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_SLIDE_Y |
                                                 XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_FLIP_X |
                                                 XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_FLIP_Y);
    popup_.reset(xdg_surface_get_popup(popupSurface_.get(), nullptr, positioner));
    xdg_positioner_destroy(positioner);
    xdg_popup_add_listener(popup_.get(), &popupListener, this);
    zwlr_layer_surface_v1_get_popup(layerSurface_.get(), popup_.get());
    xdg_popup_grab(popup_.get(), seat, serial);
    wl_surface_commit(surface);
    // The roles go before Qt destroys the surface, which it does once the menu is hidden.
    popupHidden_ = QObject::connect(window, &QWindow::visibleChanged, [this](bool visible) {
        if (!visible) detachPopup();
    });
    if (!roundtrip() || !popupConfigured_) {
        complain("le compositeur n'a pas ouvert le menu");
        detachPopup();
        return false;
    }
    return true;
}

void LayerShell::detachPopup() {
    QObject::disconnect(popupHidden_);
    popup_.reset();
    popupSurface_.reset();
    menu_ = nullptr;
}

} // namespace

std::unique_ptr<qt::FrameShell> createLayerShell() {
    auto* display = static_cast<wl_display*>(native()->nativeResourceForIntegration("wl_display"));
    if (!display) {
        complain("Qt n'est pas relié à un compositeur Wayland");
        return nullptr;
    }
    auto shell = std::make_unique<LayerShell>(display);
    if (!shell->bind()) return nullptr;
    return shell;
}

} // namespace zelvaro::wayland
