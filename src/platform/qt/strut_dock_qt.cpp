#include "platform/qt/strut_dock_qt.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string_view>

#include "frame/shape.h"

namespace zelvaro::qt {

namespace {

xcb_connection_t* connection() {
    // A frame destroyed after the application has no display left to tell.
    if (!qGuiApp) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t rootOf(xcb_connection_t* c) {
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// xcb's replies are malloc'd.
template <typename Reply> using Owned = std::unique_ptr<Reply, decltype(&std::free)>;
template <typename Reply> Owned<Reply> owned(Reply* reply) {
    return {reply, &std::free};
}

xcb_atom_t atom(xcb_connection_t* c, std::string_view name) {
    const auto reply = owned(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

template <typename Value, std::size_t n>
void setProperty(xcb_connection_t* c, xcb_window_t window, std::string_view name, xcb_atom_t type,
                 const std::array<Value, n>& values) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom(c, name), type, 32, n,
                        values.data());
}

// _NET_WM_STRUT_PARTIAL: left, right, top, bottom, then the start and end of each along its edge.
using Struts = std::array<std::uint32_t, 12>;

// A strut counts from the edge of the whole X screen, so a band along an edge shared with another
// monitor could only be reserved by reserving the neighbour's strip too: only bands on the root's
// own edges are reserved.
Struts strutsOf(const QRect& screen, const platform::Edges& edges, std::int32_t rootWidth,
                std::int32_t rootHeight) {
    Struts s{};
    const platform::PixelRect bounds{screen.left(), screen.top(), screen.left() + screen.width(),
                                     screen.top() + screen.height()};
    for (const modRégions::Band& band : modRégions::reservedBands(bounds, edges)) {
        const platform::PixelRect& r = band.rect;
        if (band.thickness() <= 0) continue;
        const auto u = [](std::int32_t value) { return static_cast<std::uint32_t>(value); };
        switch (band.side) {
        case modRégions::Side::Left:
            if (r.left == 0) s[0] = u(r.right), s[4] = u(r.top), s[5] = u(r.bottom - 1);
            break;
        case modRégions::Side::Right:
            if (r.right == rootWidth)
                s[1] = u(rootWidth - r.left), s[6] = u(r.top), s[7] = u(r.bottom - 1);
            break;
        case modRégions::Side::Top:
            if (r.top == 0) s[2] = u(r.bottom), s[8] = u(r.left), s[9] = u(r.right - 1);
            break;
        case modRégions::Side::Bottom:
            if (r.bottom == rootHeight)
                s[3] = u(rootHeight - r.top), s[10] = u(r.left), s[11] = u(r.right - 1);
            break;
        }
    }
    return s;
}

} // namespace

bool StrutDock::supported() {
    xcb_connection_t* c = connection();
    if (!c) return false;
    const xcb_atom_t wanted = atom(c, "_NET_WM_STRUT_PARTIAL");
    const auto reply = owned(xcb_get_property_reply(
        c,
        xcb_get_property(c, 0, rootOf(c), atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 0,
                         std::numeric_limits<std::uint32_t>::max() / 4),
        nullptr));
    if (!reply || reply->format != 32) return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    return std::find(atoms, atoms + count, wanted) != atoms + count;
}

void StrutDock::reserve(const QRect& screen, const platform::Edges& edges) {
    xcb_connection_t* c = connection();
    if (!c) return;
    const xcb_window_t root = rootOf(c);
    const auto size = owned(xcb_get_geometry_reply(c, xcb_get_geometry(c, root), nullptr));
    if (!size) return;
    const Struts struts = strutsOf(screen, edges, size->width, size->height);
    if (struts == Struts{}) return release();

    // Under the frame's corner band, which hides it.
    const QPoint at = edges.top > 0 || edges.left > 0 ? screen.topLeft() : screen.bottomRight();
    if (!window_) {
        window_ = xcb_generate_id(c);
        const std::uint32_t black = xcb_setup_roots_iterator(xcb_get_setup(c)).data->black_pixel;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, root, static_cast<std::int16_t>(at.x()),
                          static_cast<std::int16_t>(at.y()), 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL, &black);
        setProperty(c, window_, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM,
                    std::array{atom(c, "_NET_WM_WINDOW_TYPE_DOCK")});
        setProperty(c, window_, "_NET_WM_STATE", XCB_ATOM_ATOM,
                    std::array{atom(c, "_NET_WM_STATE_STICKY"),
                               atom(c, "_NET_WM_STATE_SKIP_TASKBAR"),
                               atom(c, "_NET_WM_STATE_SKIP_PAGER")});
        setProperty(c, window_, "_NET_WM_DESKTOP", XCB_ATOM_CARDINAL, std::array{0xFFFFFFFFu});
        // WM_HINTS with the input hint false: the window manager never gives it the keyboard.
        setProperty(c, window_, "WM_HINTS", XCB_ATOM_WM_HINTS,
                    std::array<std::uint32_t, 9>{1, 0, 0, 0, 0, 0, 0, 0, 0});
        // WM_NORMAL_HINTS: placed where asked (user position and size), one pixel at most.
        std::array<std::uint32_t, 18> hints{};
        hints[0] = 1 | 2 | 16 | 32; // USPosition, USSize, PMinSize, PMaxSize
        hints[5] = hints[6] = hints[7] = hints[8] = 1;
        setProperty(c, window_, "WM_NORMAL_HINTS", XCB_ATOM_WM_SIZE_HINTS, hints);
        constexpr std::string_view name = "zelvaro";
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            name.size(), name.data());
    } else {
        const std::uint32_t place[] = {static_cast<std::uint32_t>(at.x()),
                                       static_cast<std::uint32_t>(at.y())};
        xcb_configure_window(c, window_, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, place);
    }
    setProperty(c, window_, "_NET_WM_STRUT_PARTIAL", XCB_ATOM_CARDINAL, struts);
    setProperty(c, window_, "_NET_WM_STRUT", XCB_ATOM_CARDINAL,
                std::array{struts[0], struts[1], struts[2], struts[3]});
    xcb_map_window(c, window_);
    xcb_flush(c);
}

void StrutDock::release() {
    if (!window_) return;
    // Gone with the display connection, the window with it.
    if (xcb_connection_t* c = connection(); c && !xcb_connection_has_error(c)) {
        xcb_destroy_window(c, window_);
        xcb_flush(c);
    }
    window_ = 0;
}

} // namespace zelvaro::qt
