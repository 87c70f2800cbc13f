#include "platform/win32/appbar_win.h"

#include <shellapi.h>

#include <algorithm>

#include "platform/win32/handles_win.h"

namespace zelvaro::win32 {

namespace {

constexpr wchar_t kAppBarWindowClass[] = L"ZelvaroAppBar";
// The shell's notifications to a toolbar come as this message.
constexpr UINT kCallbackMessage = WM_APP + 1;

static_assert(ABE_LEFT == static_cast<int>(modRégions::Side::Left) &&
                  ABE_TOP == static_cast<int>(modRégions::Side::Top) &&
                  ABE_RIGHT == static_cast<int>(modRégions::Side::Right) &&
                  ABE_BOTTOM == static_cast<int>(modRégions::Side::Bottom),
              "the shell numbers the edges as the sides are numbered");

UINT_PTR appBarMessage(DWORD message, HWND window, modRégions::Side side, RECT* rect = nullptr) {
    // Bound at the first reservation, as the About box binds its shell call: most runs never
    // reserve, and shell32 is costly to load at every start.
    static auto* const send =
        systemFunction<decltype(SHAppBarMessage)>(L"shell32.dll", "SHAppBarMessage");
    if (!send) return 0;
    APPBARDATA data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uCallbackMessage = kCallbackMessage;
    data.uEdge = static_cast<UINT>(side);
    if (rect) data.rc = *rect;
    const UINT_PTR result = send(message, &data);
    if (rect) *rect = data.rc;
    return result;
}

bool registerClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kAppBarWindowClass;
    return RegisterClassExW(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

std::unique_ptr<Win32AppBar> Win32AppBar::create(HINSTANCE instance, HWND owner,
                                                 modRégions::Side side) {
    std::unique_ptr<Win32AppBar> bar(new Win32AppBar(side));
    if (!registerClass(instance, &Win32AppBar::windowProc)) return nullptr;
    // Owned by the frame, so it goes with it; disabled and never shown, so it takes no input.
    if (!CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kAppBarWindowClass, L"",
                         WS_POPUP | WS_DISABLED, 0, 0, 0, 0, owner, nullptr, instance, bar.get()))
        return nullptr;
    bar->registered_ = appBarMessage(ABM_NEW, bar->window_, side) != 0;
    if (!bar->registered_) return nullptr;
    return bar;
}

Win32AppBar::~Win32AppBar() {
    if (window_) DestroyWindow(window_);
}

LRESULT CALLBACK Win32AppBar::windowProc(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* bar =
            static_cast<Win32AppBar*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        bar->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bar));
    }
    auto* bar = reinterpret_cast<Win32AppBar*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!bar) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        bar->window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return bar->handle(message, wParam, lParam);
}

LRESULT Win32AppBar::handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case kCallbackMessage:
        // Another toolbar or the taskbar moved: the band is asked for again. A full-screen window
        // asks toolbars to leave the top of the z-order to it; this one is hidden and not topmost,
        // and the frame stays above such windows, as it always has.
        if (wParam == ABN_POSCHANGED) place(band_.rect);
        return 0;
    case WM_ENDSESSION:
        // The process may not get to close its frames.
        if (wParam) remove();
        return 0;
    case WM_DESTROY:
        remove();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void Win32AppBar::place(const platform::PixelRect& rect) {
    band_.rect = rect;
    if (!registered_ || !window_) return;
    RECT r{rect.left, rect.top, rect.right, rect.bottom};
    appBarMessage(ABM_QUERYPOS, window_, band_.side, &r);
    // The shell may have moved the band's outer side to clear the taskbar or another toolbar,
    // which already keep windows out of that strip. The inner side stays at the hole's edge, so
    // that windows still fill the hole, no less: a band the taskbar covers whole reserves nothing.
    switch (band_.side) {
    case modRégions::Side::Left:
        r.right = std::max(r.left, LONG{rect.right});
        break;
    case modRégions::Side::Top:
        r.bottom = std::max(r.top, LONG{rect.bottom});
        break;
    case modRégions::Side::Right:
        r.left = std::min(r.right, LONG{rect.left});
        break;
    case modRégions::Side::Bottom:
        r.top = std::min(r.bottom, LONG{rect.top});
        break;
    }
    appBarMessage(ABM_SETPOS, window_, band_.side, &r);
    SetWindowPos(window_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
}

void Win32AppBar::remove() noexcept {
    if (!registered_) return;
    registered_ = false;
    appBarMessage(ABM_REMOVE, window_, band_.side);
}

} // namespace zelvaro::win32
