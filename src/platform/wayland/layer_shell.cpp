#include "platform/wayland/layer_shell.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

#include <wayland-client.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>
#include <vector>

// The generated header names a parameter "namespace", a C++ keyword.
#define namespace namespace_
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
#include "xdg-shell-client-protocol.h"
#include "xdg-system-bell-v1-client-protocol.h"

namespace zelvaro::wayland {

namespace {

// Calls a destroy function of libwayland's or the scanner's when its object goes out of scope.
template <auto Destroy> struct ProxyDeleter {
    template <typename T> void operator()(T* proxy) const { Destroy(proxy); }
};
template <typename T, auto Destroy> using Proxy = std::unique_ptr<T, ProxyDeleter<Destroy>>;

// The versions this code speaks; on_demand keyboard focus came with layer-shell 4.
constexpr std::uint32_t kLayerShellVersion = 4;
constexpr std::uint32_t kOnDemandSince = 4;
constexpr std::uint32_t kWmBaseVersion = 2;
constexpr std::uint32_t kSeatVersion = 3; // wl_keyboard.release
constexpr std::uint32_t kCompositorVersion = 4;
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

class LayerShell;

// A band other windows keep out of: a transparent pixel below the windows, anchored to the band's
// edge alone, for only such a surface's exclusive zone counts; the zone is the band's thickness.
// The frame covers the pixel.
class Reservation {
  public:
    // A thickness of 0 gives the band back.
    void reserve(LayerShell& shell, wl_output* output, std::uint32_t edge, std::int32_t thickness);
    bool placed() const { return layerSurface_ != nullptr; }
    void release() {
        layerSurface_.reset();
        surface_.reset();
        thickness_ = 0;
    }

  private:
    static const zwlr_layer_surface_v1_listener listener;

    Proxy<wl_surface, wl_surface_destroy> surface_;
    // Declared after the surface, whose role it is: it goes first.
    Proxy<zwlr_layer_surface_v1, zwlr_layer_surface_v1_destroy> layerSurface_;
    wl_buffer* pixel_ = nullptr; // the shell's
    std::int32_t thickness_ = 0;
};

// One frame's surface on the overlay layer of its output.
class LayerFrame final : public qt::FrameSurface {
  public:
    LayerFrame(LayerShell& shell, QWidget& frame, wl_surface* surface, QScreen* screen,
               std::function<void()> taken)
        : shell_(shell), frame_(&frame), surface_(surface), screen_(screen), anyOutput_(!screen),
          taken_(std::move(taken)) {}
    ~LayerFrame() override;

    bool attach(wl_output* output);
    QAction* execMenu(QMenu& menu, QPoint at) override;
    void takeKeyboard() override;
    void keyboardEntered() override;
    void reserveEdges(const platform::Edges& edges) override;

    QWidget* frame() const { return frame_; }
    wl_surface* surface() const { return surface_; }
    std::uint32_t interactivity() const { return interactivity_; }
    zwlr_layer_surface_v1* layerSurface() const { return layerSurface_.get(); }
    void setInteractivity(std::uint32_t mode);

  private:
    static const zwlr_layer_surface_v1_listener listener;

    LayerShell& shell_;
    QPointer<QWidget> frame_;
    wl_surface* surface_; // Qt's, alive while the frame is shown
    // The bands go on the frame's output, looked up when placed: Qt drops an output that goes.
    QPointer<QScreen> screen_;
    bool anyOutput_;
    Proxy<zwlr_layer_surface_v1, zwlr_layer_surface_v1_destroy> layerSurface_;
    std::array<Reservation, 4> reservations_; // left, top, right, bottom
    std::function<void()> taken_;
    bool configured_ = false;
    std::uint32_t interactivity_ = ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE;
};

// A menu shown as an xdg popup: the frame's menu, or one of its submenus.
struct Popup {
    QPointer<QMenu> menu;
    QRect placed; // where Qt placed it, in global coordinates
    Proxy<xdg_surface, xdg_surface_destroy> surface;
    Proxy<xdg_popup, xdg_popup_destroy> popup;
    QMetaObject::Connection hidden;
    bool configured = false;
};

class LayerShell final : public QObject, public qt::FrameShell {
  public:
    explicit LayerShell(wl_display* display)
        : display_(display), queue_(wl_display_create_queue(display)) {}
    ~LayerShell() override { detachPopups(0); }

    bool bind();
    std::unique_ptr<qt::FrameSurface> attachFrame(QWidget& frame, QScreen* screen,
                                                  std::function<void()> taken) override;
    void setKeyboardWanted(bool wanted) override;
    // Where the compositor has a bell to ring (KWin 6, GNOME 47 on); wlroots 0.18 has none.
    void beep() override {
        if (!bell_) return;
        xdg_system_bell_v1_ring(bell_.get(), nullptr);
        flush();
    }
    // Qt reads the connection only when its event loop runs: read here, and let Qt's handlers
    // take what is already read (the buffers released), which waits on nothing.
    void handlePendingEvents() override {
        roundtrip();
        wl_display_dispatch_pending(display_);
    }

    // One exchange with the compositor on this code's own queue: every event it sent this code
    // before has been handled. Qt's events are only read, and wait for Qt.
    bool roundtrip() { return wl_display_roundtrip_queue(display_, queue_.get()) >= 0; }
    void flush() { wl_display_flush(display_); }
    // What Qt's reads brought this code: configures, pings, popups dismissed, keyboard focus.
    void dispatchRead() {
        if (wl_display_dispatch_queue_pending(display_, queue_.get()) > 0) flush();
    }
    zwlr_layer_shell_v1* layerShell() const { return layerShell_.get(); }
    wl_compositor* compositor() const { return compositor_.get(); }
    // One transparent pixel that every band shows; nothing, after a line on stderr, without
    // shared memory.
    wl_buffer* transparentPixel();
    bool canReserveEdges() const override { return compositor_ && shm_; }

    // The keyboard belongs to one frame at a time, whose surface may come and go with its output.
    std::uint32_t keyboardMode(const QWidget* frame) const;
    void giveKeyboard(QWidget* frame);
    void keyboardEntered(LayerFrame& frame);
    void forget(LayerFrame& frame);

    QAction* execMenu(LayerFrame& frame, QMenu& menu, QPoint at);

  protected:
    // A submenu gets its popup role when Qt is about to paint it for the first time.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    static const wl_registry_listener registryListener;
    static const xdg_wm_base_listener wmBaseListener;
    static const xdg_surface_listener popupSurfaceListener;
    static const xdg_popup_listener popupListener;
    static const wl_seat_listener seatListener;
    static const wl_keyboard_listener keyboardListener;

    bool attachPopup(QMenu& menu);
    // Popups go topmost first, as the protocol requires: this one and every one above it.
    void detachPopups(std::size_t from);

    wl_display* display_;
    // Every object of this code's sends its events here, where they wait until this code asks:
    // Qt's handlers never see them, and no wait of this code's runs Qt's. Declared first, it
    // goes last, after every proxy on it.
    std::unique_ptr<wl_event_queue, ProxyDeleter<wl_event_queue_destroy>> queue_;
    Proxy<wl_registry, wl_registry_destroy> registry_;
    Proxy<zwlr_layer_shell_v1, zwlr_layer_shell_v1_destroy> layerShell_;
    std::uint32_t layerShellVersion_ = 0;
    Proxy<xdg_wm_base, xdg_wm_base_destroy> wmBase_;
    Proxy<xdg_system_bell_v1, xdg_system_bell_v1_destroy> bell_;
    // The bands' surfaces and their pixel, on this code's queue.
    Proxy<wl_compositor, wl_compositor_destroy> compositor_;
    Proxy<wl_shm, wl_shm_destroy> shm_;
    Proxy<wl_buffer, wl_buffer_destroy> pixel_;
    // Where the compositor sends the keyboard, seen by a keyboard of this code's own.
    Proxy<wl_seat, wl_seat_destroy> seat_;
    Proxy<wl_keyboard, wl_keyboard_release> keyboard_;
    wl_surface* keyboardFocus_ = nullptr;

    std::vector<LayerFrame*> frames_;
    QPointer<QWidget> keyboardFrame_;
    bool keyboardWanted_ = true;
    // Cleared on a compositor that takes the keyboard from an on-demand surface at once.
    bool onDemandKeepsKeyboard_ = true;

    // The open menu's frame, and its popups from the menu up to the deepest submenu shown.
    LayerFrame* menuFrame_ = nullptr;
    std::vector<std::unique_ptr<Popup>> popups_;
    std::vector<QPointer<QMenu>> submenus_;
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
            } else if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
                self->compositor_.reset(static_cast<wl_compositor*>(
                    wl_registry_bind(registry, name, &wl_compositor_interface,
                                     std::min(version, kCompositorVersion))));
            } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
                self->shm_.reset(
                    static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1)));
            } else if (std::strcmp(interface, xdg_system_bell_v1_interface.name) == 0) {
                self->bell_.reset(static_cast<xdg_system_bell_v1*>(
                    wl_registry_bind(registry, name, &xdg_system_bell_v1_interface, 1)));
            } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->seat_ &&
                       version >= kSeatVersion) {
                self->seat_.reset(static_cast<wl_seat*>(
                    wl_registry_bind(registry, name, &wl_seat_interface, kSeatVersion)));
                wl_seat_add_listener(self->seat_.get(), &seatListener, self);
            }
        },
    .global_remove = [](void*, wl_registry*, std::uint32_t) {},
};

const xdg_wm_base_listener LayerShell::wmBaseListener = {
    .ping = [](void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); },
};

const wl_seat_listener LayerShell::seatListener = {
    .capabilities =
        [](void* data, wl_seat* seat, std::uint32_t capabilities) {
            auto* self = static_cast<LayerShell*>(data);
            if (!(capabilities & WL_SEAT_CAPABILITY_KEYBOARD)) {
                self->keyboard_.reset();
                self->keyboardFocus_ = nullptr;
            } else if (!self->keyboard_) {
                self->keyboard_.reset(wl_seat_get_keyboard(seat));
                wl_keyboard_add_listener(self->keyboard_.get(), &keyboardListener, self);
            }
        },
    .name = [](void*, wl_seat*, const char*) {},
};

const wl_keyboard_listener LayerShell::keyboardListener = {
    .keymap = [](void*, wl_keyboard*, std::uint32_t, std::int32_t fd, std::uint32_t) { close(fd); },
    .enter = [](void* data, wl_keyboard*, std::uint32_t, wl_surface* surface,
                wl_array*) { static_cast<LayerShell*>(data)->keyboardFocus_ = surface; },
    .leave =
        [](void* data, wl_keyboard*, std::uint32_t, wl_surface* surface) {
            auto* self = static_cast<LayerShell*>(data);
            if (self->keyboardFocus_ == surface) self->keyboardFocus_ = nullptr;
        },
    .key = [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {},
    .modifiers = [](void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                    std::uint32_t) {},
    .repeat_info = [](void*, wl_keyboard*, std::int32_t, std::int32_t) {},
};

const zwlr_layer_surface_v1_listener LayerFrame::listener = {
    .configure =
        [](void* data, zwlr_layer_surface_v1* surface, std::uint32_t serial, std::uint32_t width,
           std::uint32_t height) {
            auto* self = static_cast<LayerFrame*>(data);
            zwlr_layer_surface_v1_ack_configure(surface, serial);
            self->configured_ = true;
            // The output's size: the frame covers it whole, whatever Qt took the screen to be. Its
            // place stays its screen's, which Qt's pointer positions are counted from.
            const QSize size(static_cast<int>(width), static_cast<int>(height));
            if (self->frame_ && !size.isEmpty() && self->frame_->size() != size)
                self->frame_->resize(size);
        },
    .closed =
        [](void* data, zwlr_layer_surface_v1*) {
            // The output went away: the frame's window hears it once Qt is back in its loop.
            auto* self = static_cast<LayerFrame*>(data);
            if (self->frame_ && self->taken_)
                QMetaObject::invokeMethod(self->frame_.data(), self->taken_, Qt::QueuedConnection);
        },
};

const zwlr_layer_surface_v1_listener Reservation::listener = {
    .configure =
        [](void* data, zwlr_layer_surface_v1* surface, std::uint32_t serial, std::uint32_t,
           std::uint32_t) {
            auto* self = static_cast<Reservation*>(data);
            zwlr_layer_surface_v1_ack_configure(surface, serial);
            // A surface without content is not mapped, and its zone not counted.
            wl_surface_attach(self->surface_.get(), self->pixel_, 0, 0);
            wl_surface_commit(self->surface_.get());
        },
    // The frame's own surface is closed with it, and takes it along.
    .closed = [](void*, zwlr_layer_surface_v1*) {},
};

void Reservation::reserve(LayerShell& shell, wl_output* output, std::uint32_t edge,
                          std::int32_t thickness) {
    if (thickness == thickness_) return;
    if (thickness <= 0) {
        release();
        return;
    }
    if (!layerSurface_) {
        pixel_ = shell.transparentPixel();
        if (!pixel_) return;
        surface_.reset(wl_compositor_create_surface(shell.compositor()));
        // Clicks go through it, to the frame above.
        wl_region* nothing = wl_compositor_create_region(shell.compositor());
        wl_surface_set_input_region(surface_.get(), nothing);
        wl_region_destroy(nothing);
        // The bottom layer: below every window, and counted by sway, labwc and KWin.
        layerSurface_.reset(
            zwlr_layer_shell_v1_get_layer_surface(shell.layerShell(), surface_.get(), output,
                                                  ZWLR_LAYER_SHELL_V1_LAYER_BOTTOM, kNamespace));
        zwlr_layer_surface_v1_add_listener(layerSurface_.get(), &listener, this);
        zwlr_layer_surface_v1_set_anchor(layerSurface_.get(), edge);
        zwlr_layer_surface_v1_set_size(layerSurface_.get(), 1, 1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(
            layerSurface_.get(), ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    }
    thickness_ = thickness;
    zwlr_layer_surface_v1_set_exclusive_zone(layerSurface_.get(), thickness);
    wl_surface_commit(surface_.get());
}

wl_buffer* LayerShell::transparentPixel() {
    if (pixel_ || !shm_) return pixel_.get();
    constexpr std::int32_t kBytes = 4; // one ARGB pixel, all zero: transparent
    const int fd = memfd_create("zelvaro-band", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, kBytes) != 0) {
        if (fd >= 0) close(fd);
        complain("pas de mémoire partagée pour réserver les bandes ; les fenêtres n'en sont pas "
                 "écartées");
        return nullptr;
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm_.get(), fd, kBytes);
    pixel_.reset(wl_shm_pool_create_buffer(pool, 0, 1, 1, kBytes, WL_SHM_FORMAT_ARGB8888));
    wl_shm_pool_destroy(pool);
    close(fd);
    return pixel_.get();
}

const xdg_surface_listener LayerShell::popupSurfaceListener = {
    .configure =
        [](void* data, xdg_surface* surface, std::uint32_t serial) {
            xdg_surface_ack_configure(surface, serial);
            static_cast<Popup*>(data)->configured = true;
        },
};

const xdg_popup_listener LayerShell::popupListener = {
    .configure = [](void*, xdg_popup*, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {},
    .popup_done =
        [](void* data, xdg_popup*) {
            // A click outside the program: the compositor closed the menu, as Qt would have.
            auto* popup = static_cast<Popup*>(data);
            if (popup->menu)
                QMetaObject::invokeMethod(popup->menu, &QMenu::close, Qt::QueuedConnection);
        },
    .repositioned = [](void*, xdg_popup*, std::uint32_t) {},
};

bool LayerShell::bind() {
    // A registry of this code's own, on its queue: what it binds inherits the queue.
    if (auto* wrapper = queue_ ? wl_proxy_create_wrapper(display_) : nullptr) {
        wl_proxy_set_queue(static_cast<wl_proxy*>(wrapper), queue_.get());
        registry_.reset(wl_display_get_registry(static_cast<wl_display*>(wrapper)));
        wl_proxy_wrapper_destroy(wrapper);
        wl_registry_add_listener(registry_.get(), &registryListener, this);
    }
    if (!registry_ || !roundtrip()) {
        complain("la connexion Wayland de Qt ne répond pas");
        return false;
    }
    if (!layerShell_ || !wmBase_) {
        complain("le compositeur Wayland n'offre plus zwlr_layer_shell_v1 et xdg_wm_base");
        return false;
    }
    // Qt reads the connection; what it read for this code is handled before Qt sleeps again.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &LayerShell::dispatchRead);
    return true;
}

std::unique_ptr<qt::FrameSurface> LayerShell::attachFrame(QWidget& frame, QScreen* screen,
                                                          std::function<void()> taken) {
    QWindow* window = frame.windowHandle();
    // A Qt that gave the window a role of its own has ignored the bypass hint: two roles would
    // end the connection.
    if (windowResource<void>("xdg_surface", window)) {
        complain("Qt a fait du cadre une fenêtre ordinaire (QT_WAYLAND_USE_BYPASSWINDOWMANAGERHINT "
                 "sans effet)");
        return nullptr;
    }
    auto* surface = windowResource<wl_surface>("surface", window);
    if (!surface) {
        complain("le cadre n'a pas de surface Wayland");
        return nullptr;
    }
    auto* output =
        screen ? static_cast<wl_output*>(native()->nativeResourceForScreen("output", screen))
               : nullptr;
    auto layerFrame = std::make_unique<LayerFrame>(*this, frame, surface, screen, std::move(taken));
    frames_.push_back(layerFrame.get());
    if (!layerFrame->attach(output)) {
        complain("le compositeur n'a pas placé le cadre");
        return nullptr;
    }
    return layerFrame;
}

LayerFrame::~LayerFrame() {
    shell_.forget(*this);
    for (Reservation& band : reservations_)
        band.release();
    layerSurface_.reset();
    shell_.flush();
}

bool LayerFrame::attach(wl_output* output) {
    layerSurface_.reset(zwlr_layer_shell_v1_get_layer_surface(
        shell_.layerShell(), surface_, output, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, kNamespace));
    zwlr_layer_surface_v1_add_listener(layerSurface_.get(), &listener, this);
    zwlr_layer_surface_v1_set_anchor(layerSurface_.get(), ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                              ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                              ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                              ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    // -1: windows stay where they are, under the frame, and the frame ignores panels.
    zwlr_layer_surface_v1_set_exclusive_zone(layerSurface_.get(), -1);
    interactivity_ = shell_.keyboardMode(frame_);
    zwlr_layer_surface_v1_set_keyboard_interactivity(layerSurface_.get(), interactivity_);
    wl_surface_commit(surface_);
    // Qt paints once the event loop runs again: the first buffer follows the acknowledged size.
    return shell_.roundtrip() && configured_;
}

void LayerFrame::setInteractivity(std::uint32_t mode) {
    if (!layerSurface_ || mode == interactivity_) return;
    interactivity_ = mode;
    zwlr_layer_surface_v1_set_keyboard_interactivity(layerSurface_.get(), mode);
    wl_surface_commit(surface_);
    shell_.flush();
}

void LayerFrame::reserveEdges(const platform::Edges& edges) {
    constexpr std::array<std::uint32_t, 4> kEdges = {
        ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP,
        ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT, ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM};
    const std::array<std::int32_t, 4> thickness = {edges.left, edges.top, edges.right,
                                                   edges.bottom};
    auto* output =
        screen_
            ? static_cast<wl_output*>(native()->nativeResourceForScreen("output", screen_.data()))
            : nullptr;
    for (std::size_t side = 0; side < kEdges.size(); ++side) {
        // The frame's output has gone: its surface is about to be taken back, bands and all.
        if (!output && !anyOutput_ && thickness[side] > 0 && !reservations_[side].placed())
            continue;
        reservations_[side].reserve(shell_, output, kEdges[side], thickness[side]);
    }
    shell_.flush();
}

void LayerFrame::takeKeyboard() {
    shell_.giveKeyboard(frame_);
}

void LayerFrame::keyboardEntered() {
    shell_.keyboardEntered(*this);
}

QAction* LayerFrame::execMenu(QMenu& menu, QPoint at) {
    return shell_.execMenu(*this, menu, at);
}

std::uint32_t LayerShell::keyboardMode(const QWidget* frame) const {
    return keyboardWanted_ && frame && frame == keyboardFrame_
               ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE
               : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE;
}

void LayerShell::giveKeyboard(QWidget* frame) {
    // Every click on a band asks: a frame that holds the keyboard already asks nothing more.
    if (frame && frame == keyboardFrame_ && frame->isActiveWindow()) return;
    keyboardFrame_ = frame;
    // The frame that had it first: two exclusive surfaces would leave the choice to the compositor.
    for (LayerFrame* f : frames_)
        if (f->frame() != frame) f->setInteractivity(keyboardMode(f->frame()));
    for (LayerFrame* f : frames_)
        if (f->frame() == frame) f->setInteractivity(keyboardMode(frame));
}

void LayerShell::keyboardEntered(LayerFrame& frame) {
    // Taken with exclusive focus; from then on, windows in the hole may take the keyboard when
    // clicked, and a click on a band brings it back.
    if (keyboardMode(frame.frame()) == ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE ||
        frame.interactivity() == ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_ON_DEMAND ||
        layerShellVersion_ < kOnDemandSince || !onDemandKeepsKeyboard_)
        return;
    // Whether the compositor lets the frame keep the keyboard can only be told while it has it. A
    // keyboard of this code's made during the first exchange hears of the focus in the second.
    const auto focused = [&] { return roundtrip() && keyboardFocus_ == frame.surface(); };
    const bool watched = focused() || focused();
    frame.setInteractivity(ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_ON_DEMAND);
    if (!watched || focused()) return;
    // Some compositors (sway 1.9 to 1.11) hand an on-demand surface's keyboard back to the last
    // window at once: there the frame keeps it exclusively, as sway 1.7 treats both modes.
    onDemandKeepsKeyboard_ = false;
    frame.setInteractivity(ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
}

void LayerShell::setKeyboardWanted(bool wanted) {
    keyboardWanted_ = wanted;
    for (LayerFrame* f : frames_)
        f->setInteractivity(keyboardMode(f->frame()));
}

void LayerShell::forget(LayerFrame& frame) {
    // The menu's popups go before the surface they belong to.
    if (menuFrame_ == &frame) {
        detachPopups(0);
        menuFrame_ = nullptr;
    }
    std::erase(frames_, &frame);
}

QAction* LayerShell::execMenu(LayerFrame& frame, QMenu& menu, QPoint at) {
    // No role from Qt: the menu becomes a popup of the frame's own surface, each submenu a popup
    // of the menu that opened it.
    menu.setWindowFlag(Qt::BypassWindowManagerHint);
    submenus_.clear();
    for (QMenu* submenu : menu.findChildren<QMenu*>()) {
        submenu->setWindowFlag(Qt::BypassWindowManagerHint);
        submenu->winId();
        submenu->windowHandle()->installEventFilter(this);
        submenus_.emplace_back(submenu);
    }
    QPointer<QAction> chosen;
    const auto triggered =
        QObject::connect(&menu, &QMenu::triggered, [&chosen](QAction* action) { chosen = action; });
    menuFrame_ = &frame;
    // Shown without painting: Qt paints once the event loop runs, after the role is set.
    menu.popup(at);
    if (!attachPopup(menu)) {
        menu.hide();
    } else {
        QEventLoop loop;
        QObject::connect(&menu, &QMenu::aboutToHide, &loop, &QEventLoop::quit);
        if (menu.isVisible()) loop.exec();
    }
    QObject::disconnect(triggered);
    detachPopups(0);
    for (const QPointer<QMenu>& submenu : submenus_)
        if (submenu && submenu->windowHandle()) submenu->windowHandle()->removeEventFilter(this);
    submenus_.clear();
    menuFrame_ = nullptr;
    return chosen;
}

bool LayerShell::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Expose || popups_.empty()) return false;
    for (const QPointer<QMenu>& submenu : submenus_) {
        if (!submenu || submenu->windowHandle() != watched || !submenu->isVisible()) continue;
        const bool attached = std::any_of(popups_.begin(), popups_.end(),
                                          [&](const auto& p) { return p->menu == submenu; });
        if (!attached && !attachPopup(*submenu))
            QMetaObject::invokeMethod(submenu, &QMenu::close, Qt::QueuedConnection);
        break;
    }
    return false;
}

bool LayerShell::attachPopup(QMenu& menu) {
    QWindow* window = menu.windowHandle();
    if (!menuFrame_ || !menuFrame_->layerSurface() || !menuFrame_->frame() || !window ||
        windowResource<void>("xdg_surface", window))
        return false;
    auto* surface = windowResource<wl_surface>("surface", window);
    auto* seat = static_cast<wl_seat*>(native()->nativeResourceForIntegration("wl_seat"));
    if (!surface || !seat) return false;
    // The serial of the press that opened the menu, which the grab needs.
    const auto serial = static_cast<std::uint32_t>(
        reinterpret_cast<quintptr>(native()->nativeResourceForIntegration("serial")));

    auto popup = std::make_unique<Popup>();
    popup->menu = &menu;
    popup->placed = window->geometry();
    popup->surface.reset(xdg_wm_base_get_xdg_surface(wmBase_.get(), surface));
    xdg_surface_add_listener(popup->surface.get(), &popupSurfaceListener, popup.get());
    // Where Qt placed it (at the pointer, or beside its item, inside the screen), relative to the
    // surface it opens from: the frame, whose place is its screen's, or the menu below.
    const QPoint origin = popups_.empty() ? menuFrame_->frame()->geometry().topLeft()
                                          : popups_.back()->placed.topLeft();
    const QPoint anchor = popup->placed.topLeft() - origin;
    xdg_positioner* positioner = xdg_wm_base_create_positioner(wmBase_.get());
    xdg_positioner_set_size(positioner, popup->placed.width(), popup->placed.height());
    xdg_positioner_set_anchor_rect(positioner, anchor.x(), anchor.y(), 1, 1);
    xdg_positioner_set_anchor(positioner, XDG_POSITIONER_ANCHOR_TOP_LEFT);
    xdg_positioner_set_gravity(positioner, XDG_POSITIONER_GRAVITY_BOTTOM_RIGHT);
    xdg_positioner_set_constraint_adjustment(positioner,
                                             XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_SLIDE_X |
                                                 XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_SLIDE_Y |
                                                 XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_FLIP_X |
                                                 XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_FLIP_Y);
    xdg_surface* parent = popups_.empty() ? nullptr : popups_.back()->surface.get();
    popup->popup.reset(xdg_surface_get_popup(popup->surface.get(), parent, positioner));
    xdg_positioner_destroy(positioner);
    xdg_popup_add_listener(popup->popup.get(), &popupListener, popup.get());
    if (!parent) zwlr_layer_surface_v1_get_popup(menuFrame_->layerSurface(), popup->popup.get());
    xdg_popup_grab(popup->popup.get(), seat, serial);
    wl_surface_commit(surface);
    // The roles go before Qt destroys the surface, which it does once the menu is hidden.
    const std::size_t index = popups_.size();
    popup->hidden = QObject::connect(window, &QWindow::visibleChanged, [this, index](bool shown) {
        if (!shown) detachPopups(index);
    });
    Popup* added = popup.get();
    popups_.push_back(std::move(popup));
    if (!roundtrip() || !added->configured) {
        complain("le compositeur n'a pas ouvert le menu");
        detachPopups(index);
        return false;
    }
    return true;
}

void LayerShell::detachPopups(std::size_t from) {
    while (popups_.size() > from) {
        QObject::disconnect(popups_.back()->hidden);
        popups_.pop_back();
    }
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
