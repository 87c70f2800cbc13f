#include "platform/win32/frame_window_win.h"

#include <windowsx.h>

#include <memory>
#include <string>

#include "instance_names.h"
#include "platform/win32/runtime_win.h"
#include "platform/win32/single_instance_win.h"
#include "resource_ids.h"

namespace zelvaro::win32 {

namespace {

constexpr wchar_t kFrameWindowClass[] = ZELVARO_FRAME_CLASS;
// Posted by show(): the frame takes the keyboard once the message loop runs.
constexpr UINT kActivateMessage = WM_APP + 1;

// Read once for the three keys: under Wine each GetKeyState is a round trip to its server.
std::int16_t shiftState() {
    BYTE keys[256];
    if (!GetKeyboardState(keys)) return 0;
    const auto down = [&keys](int key) { return (keys[key] & 0x80) != 0; };
    return static_cast<std::int16_t>((down(VK_SHIFT) ? 1 : 0) | (down(VK_CONTROL) ? 2 : 0) |
                                     (down(VK_MENU) ? 4 : 0));
}

bool registerClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_ZELVARO));
    windowClass.lpszClassName = kFrameWindowClass;
    return RegisterClassExW(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

Win32FrameWindow::Win32FrameWindow(Win32Runtime& runtime, platform::WindowEvents& events,
                                   const platform::Screen& screen)
    : runtime_(runtime), events_(events), screen_(screen) {}

std::unique_ptr<Win32FrameWindow> Win32FrameWindow::create(Win32Runtime& runtime,
                                                           platform::WindowEvents& events,
                                                           const platform::Screen& screen) {
    std::unique_ptr<Win32FrameWindow> frame(new Win32FrameWindow(runtime, events, screen));
    HWND window = nullptr;
    if (registerClass(runtime.instance(), &Win32FrameWindow::windowProc)) {
        // Covers its screen from the start, as a maximized borderless form does; the process is
        // aware of each monitor's density, so these are the monitor's own pixels.
        const platform::PixelRect& b = screen.bounds;
        window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kFrameWindowClass, L"", WS_POPUP,
                                 b.left, b.top, b.right - b.left, b.bottom - b.top, nullptr,
                                 nullptr, runtime.instance(), frame.get());
    }
    if (!window) {
        MessageBoxW(nullptr, L"Impossible de créer la fenêtre du cadre.", L"Zelvaro",
                    MB_ICONERROR | MB_OK);
        return nullptr;
    }
    // Nothing shows until the first shape is set, so the screen never flashes whole.
    SetWindowRgn(window, CreateRectRgn(0, 0, 0, 0), FALSE);
    return frame;
}

Win32FrameWindow::~Win32FrameWindow() {
    close();
}

LRESULT CALLBACK Win32FrameWindow::windowProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* frame = static_cast<Win32FrameWindow*>(
            reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        frame->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));
    }
    auto* frame = reinterpret_cast<Win32FrameWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!frame) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        frame->window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return frame->handle(message, wParam, lParam);
}

LRESULT Win32FrameWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    HWND window = window_;
    // Registered at run time, so not a case label.
    if (message == secondStartMessage()) {
        events_.onSecondStart();
        return kSecondStartTaken;
    }
    switch (message) {
    case WM_PAINT:
        paint();
        return 0;
    case WM_ERASEBKGND:
        return 1; // WM_PAINT fills everything
    case WM_KEYDOWN:
        events_.onKeyDown(static_cast<std::int16_t>(wParam), shiftState());
        return 0;
    case WM_SYSKEYDOWN: // Alt and F10 reach the form too; Alt+F4 still closes through WM_CLOSE
        events_.onKeyDown(static_cast<std::int16_t>(wParam), shiftState());
        break;
    case WM_KEYUP:
        events_.onKeyUp(static_cast<std::int16_t>(wParam), shiftState());
        return 0;
    case WM_SYSKEYUP:
        events_.onKeyUp(static_cast<std::int16_t>(wParam), shiftState());
        break;
    case WM_LBUTTONDOWN:
        mouseDown(platform::buttons::Left, lParam);
        return 0;
    case WM_RBUTTONDOWN:
        mouseDown(platform::buttons::Right, lParam);
        return 0;
    case WM_MBUTTONDOWN:
        mouseDown(platform::buttons::Middle, lParam);
        return 0;
    case kActivateMessage:
        SetForegroundWindow(window);
        SetFocus(window);
        return 0;
    case WM_CLOSE:
        events_.onCloseRequest();
        return 0;
    case WM_DISPLAYCHANGE:
    case WM_DPICHANGED:
        events_.onDisplayChange();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // The session ends after this returns: save now.
        if (wParam) events_.onCloseRequest();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Win32FrameWindow::paint() noexcept {
    PAINTSTRUCT ps;
    if (HDC dc = BeginPaint(window_, &ps)) {
        // The stock DC brush takes any colour without creating a GDI object.
        SetDCBrushColor(dc, colour_);
        FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
        EndPaint(window_, &ps);
    }
}

void Win32FrameWindow::mouseDown(std::int16_t button, LPARAM position) noexcept {
    events_.onMouseDown(button, shiftState(), GET_X_LPARAM(position) * screen_.twipsPerPixelX,
                        GET_Y_LPARAM(position) * screen_.twipsPerPixelY);
}

void Win32FrameWindow::show() {
    // Activated from a posted message, not now: Wine stamps the X focus request with the time of
    // the message being handled, and before the first one that stamp is meaningless, so the X
    // server may drop the request and leave the keyboard with whatever window is under the pointer.
    ShowWindow(window_, SW_SHOWNA);
    PostMessageW(window_, kActivateMessage, 0, 0);
}

platform::TwipsRect Win32FrameWindow::geometry() const {
    RECT r{};
    GetWindowRect(window_, &r);
    const double x = screen_.twipsPerPixelX, y = screen_.twipsPerPixelY;
    return {r.left * x, r.top * y, (r.right - r.left) * x, (r.bottom - r.top) * y};
}

void Win32FrameWindow::placeTopmost(std::int32_t x, std::int32_t y, std::int32_t width,
                                    std::int32_t height) {
    SetWindowPos(window_, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void Win32FrameWindow::setBackColour(platform::Colour colour) {
    // Every arrow step sets the glow again: a colour already shown needs no paint.
    if (colour == colour_) return;
    colour_ = colour;
    if (!window_) return;
    // Painted now: the fade blocks the message loop between shades.
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
    GdiFlush();
}

void Win32FrameWindow::setRegion(platform::OwnedRegion region) {
    auto* handle = reinterpret_cast<HRGN>(region.get());
    // The window owns the region only if the call succeeds; otherwise it is freed here.
    if (handle && window_ && SetWindowRgn(window_, handle, TRUE)) {
        region.release();
        runtime_.handedToWindow();
        // Wine 10 can leave a column just outside the new region shown, black, until the whole
        // window is painted again; elsewhere this repaints the bands once more.
        InvalidateRect(window_, nullptr, FALSE);
    }
}

namespace {

struct MenuDestroyer {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

// Command ids: item i is i + 1, item j of the submenu of item i is (i + 1) << kSubmenuShift
// | (j + 1); TrackPopupMenu answers 0 for a dismissed menu.
constexpr unsigned kSubmenuShift = 8;

UINT_PTR commandId(std::size_t item, std::optional<std::size_t> subItem) {
    return subItem ? (item + 1) << kSubmenuShift | (*subItem + 1) : item + 1;
}

platform::MenuChoice choiceOf(UINT id) {
    if (id >> kSubmenuShift == 0) return platform::MenuChoice(id - 1);
    return platform::MenuChoice((id >> kSubmenuShift) - 1, (id & ((1u << kSubmenuShift) - 1)) - 1);
}

// Appends the items to a menu; a submenu goes with it, destroyed with its parent.
void appendItems(HMENU menu, std::span<const platform::MenuItem> items,
                 std::optional<std::size_t> parent) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        const platform::MenuItem& item = items[i];
        const std::wstring caption = wide(item.caption);
        if (item.separator) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else if (!item.submenu.empty()) {
            UniqueMenu submenu(CreatePopupMenu());
            if (!submenu) continue;
            appendItems(submenu.get(), item.submenu, i);
            if (AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(submenu.get()),
                            caption.c_str()))
                submenu.release();
        } else {
            const UINT flags = MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED) |
                               (item.disabled ? MF_GRAYED : MF_ENABLED);
            AppendMenuW(menu, flags, parent ? commandId(*parent, i) : commandId(i, std::nullopt),
                        caption.c_str());
        }
    }
}

} // namespace

std::optional<platform::MenuChoice>
Win32FrameWindow::popupMenu(std::span<const platform::MenuItem> items, std::size_t defaultItem) {
    const UniqueMenu menu(CreatePopupMenu());
    if (!menu || !window_) return std::nullopt;
    appendItems(menu.get(), items, std::nullopt);
    SetMenuDefaultItem(menu.get(), static_cast<UINT>(defaultItem), TRUE);
    POINT pointer{};
    GetCursorPos(&pointer);
    // The menu closes on a click elsewhere only if its owner is the foreground window.
    SetForegroundWindow(window_);
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu.get(), TPM_RETURNCMD, pointer.x, pointer.y, 0, window_, nullptr));
    if (window_) PostMessageW(window_, WM_NULL, 0, 0);
    if (chosen == 0) return std::nullopt;
    return choiceOf(chosen);
}

void Win32FrameWindow::reserveEdges(const platform::Edges& edges) {
    for (const modRégions::Band& band : modRégions::reservedBands(screen_.bounds, edges)) {
        std::unique_ptr<Win32AppBar>& bar = appBars_[static_cast<std::size_t>(band.side)];
        if (band.thickness() <= 0 || !window_) {
            bar.reset();
            continue;
        }
        if (!bar) bar = Win32AppBar::create(runtime_.instance(), window_, band.side);
        if (bar) bar->place(band.rect);
    }
}

void Win32FrameWindow::close() {
    for (std::unique_ptr<Win32AppBar>& bar : appBars_)
        bar.reset();
    if (window_) DestroyWindow(window_);
}

} // namespace zelvaro::win32
