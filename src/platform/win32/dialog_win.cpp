#include "platform/win32/dialog_win.h"

#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/conversions.h"
#include "platform/win32/handles_win.h"
#include "platform/win32/runtime_win.h"
#include "resource_ids.h"

namespace zelvaro::win32 {

using platform::ControlKind;
using platform::Picture;

namespace {

constexpr wchar_t kDialogClass[] = L"ZelvaroDialog";
constexpr int kFirstControlId = 1000;

COLORREF toColorRef(platform::Colour colour) {
    return platform::isSystemColour(colour)
               ? GetSysColor(platform::systemColourIndex(colour))
               : RGB(platform::redOf(colour), platform::greenOf(colour), platform::blueOf(colour));
}

} // namespace

Win32Dialog::Win32Dialog(Win32Runtime& runtime, platform::DialogEvents& events, HWND owner)
    : runtime_(runtime), events_(events), owner_(owner) {}

std::unique_ptr<Win32Dialog> Win32Dialog::create(Win32Runtime& runtime,
                                                 const platform::DialogLayout& layout,
                                                 platform::DialogEvents& events, HWND owner) {
    std::unique_ptr<Win32Dialog> dialog(new Win32Dialog(runtime, events, owner));
    if (!dialog->build(layout)) {
        MessageBoxW(owner, L"Impossible de créer la fenêtre « A propos ».", L"Zelvaro",
                    MB_ICONERROR | MB_OK);
        return nullptr;
    }
    return dialog;
}

Win32Dialog::~Win32Dialog() {
    close();
}

int Win32Dialog::designPixels(int pixelsAt96Dpi) const {
    // The pictures are drawn for the default density; they grow with the screen's.
    return pixels(pixelsAt96Dpi * platform::kDefaultTwipsPerPixel);
}

int Win32Dialog::pixels(double twips) const {
    return static_cast<int>(platform::roundHalfEven(twips / twipsPerPixel_));
}

bool Win32Dialog::build(const platform::DialogLayout& layout) {
    HINSTANCE instance = runtime_.instance();
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Win32Dialog::windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kDialogClass;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;

    // Twips become pixels at the screen's own density: 15 twips a pixel at 96 DPI.
    twipsPerPixel_ = runtime_.screen().twipsPerPixelX;
    const int dpi = static_cast<int>(std::lround(platform::kTwipsPerInch / twipsPerPixel_));

    constexpr DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    constexpr DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT frame{0, 0, pixels(layout.clientWidthTwips), pixels(layout.clientHeightTwips)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    const std::wstring caption = wide(layout.caption);
    window_ = CreateWindowExW(exStyle, kDialogClass, caption.c_str(), style, x, y, width, height,
                              owner_, nullptr, instance, this);
    if (!window_) return false;

    LOGFONTW face{};
    face.lfHeight = -static_cast<LONG>(std::lround(platform::kDialogFontPoints * dpi / 72));
    face.lfWeight = FW_NORMAL;
    face.lfCharSet = DEFAULT_CHARSET;
    face.lfQuality = CLEARTYPE_QUALITY;
    std::copy(platform::kDialogFontFace.begin(), platform::kDialogFontFace.end(), face.lfFaceName);
    font_.reset(CreateFontIndirectW(&face));
    face.lfUnderline = TRUE;
    linkFont_.reset(CreateFontIndirectW(&face));

    icon_.reset(static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_ZELVARO), IMAGE_ICON, 48, 48, 0)));
    donationFrench_.reset(static_cast<HBITMAP>(LoadImageW(
        instance, MAKEINTRESOURCEW(IDB_DONNER_FR), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    donationEnglish_.reset(static_cast<HBITMAP>(LoadImageW(
        instance, MAKEINTRESOURCEW(IDB_DONNER_EN), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    hand_ = LoadCursorW(instance, MAKEINTRESOURCEW(IDC_MAIN));
    if (!hand_) hand_ = LoadCursorW(nullptr, IDC_HAND);

    // Created in tab order, which is the order Tab walks through them.
    std::vector<const platform::ControlLayout*> ordered;
    for (const auto& control : layout.controls)
        if (control.visible) ordered.push_back(&control);
    std::stable_sort(ordered.begin(), ordered.end(), [](auto* a, auto* b) {
        return (a->tabIndex < 0 ? INT_MAX : a->tabIndex) <
               (b->tabIndex < 0 ? INT_MAX : b->tabIndex);
    });
    for (const auto* control : ordered)
        createControl(*control);
    return true;
}

void Win32Dialog::createControl(const platform::ControlLayout& layout) {
    const wchar_t* windowClass = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    switch (layout.kind) {
    case ControlKind::CommandButton:
        windowClass = L"BUTTON";
        style |= WS_TABSTOP | (layout.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        break;
    case ControlKind::TextBox:
        windowClass = L"EDIT";
        style |= WS_TABSTOP | ES_AUTOVSCROLL;
        if (layout.multiLineReadOnly) style |= ES_MULTILINE | ES_READONLY;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    case ControlKind::PictureBox:
    case ControlKind::Image:
        style |= SS_OWNERDRAW | SS_NOTIFY;
        break;
    case ControlKind::Label:
        style |= SS_LEFT | SS_NOPREFIX | (layout.link ? SS_NOTIFY : 0);
        break;
    }
    const std::wstring text = wide(layout.text);
    HWND control = CreateWindowExW(
        exStyle, windowClass, text.c_str(), style, pixels(layout.bounds.left),
        pixels(layout.bounds.top), pixels(layout.bounds.width), pixels(layout.bounds.height),
        window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + layout.id)),
        runtime_.instance(), nullptr);
    SendMessageW(control, WM_SETFONT,
                 reinterpret_cast<WPARAM>(layout.link ? linkFont_.get() : font_.get()), FALSE);
    Control& entry =
        controls_[layout.id] = {&layout, control, layout.foreColour.value_or(0), layout.picture};
    if (layout.link) sizeToText(entry);
}

Win32Dialog::Control* Win32Dialog::find(int control) {
    const auto found = controls_.find(control);
    return found == controls_.end() ? nullptr : &found->second;
}

int Win32Dialog::controlAt(HWND window) const {
    for (const auto& [id, control] : controls_)
        if (control.window == window || IsChild(control.window, window)) return id;
    return platform::kDialogItself;
}

void Win32Dialog::sizeToText(Control& control) {
    // Links size themselves to their text, so the hand shows over the text only.
    const int length = GetWindowTextLengthW(control.window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(control.window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    HDC dc = GetDC(control.window);
    if (!dc) return;
    HGDIOBJ previous = SelectObject(dc, linkFont_.get());
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), length, &size);
    SelectObject(dc, previous);
    ReleaseDC(control.window, dc);
    SetWindowPos(control.window, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Dialog::setCaption(std::u16string_view caption) {
    SetWindowTextW(window_, wide(caption).c_str());
}

void Win32Dialog::setText(int control, std::u16string_view text) {
    Control* entry = find(control);
    if (!entry) return;
    SetWindowTextW(entry->window, wide(text).c_str());
    if (entry->layout->link) sizeToText(*entry);
}

void Win32Dialog::setForeColour(int control, platform::Colour colour) {
    if (Control* entry = find(control)) {
        entry->foreColour = colour;
        InvalidateRect(entry->window, nullptr, TRUE);
    }
}

void Win32Dialog::setPicture(int control, Picture picture) {
    if (Control* entry = find(control)) {
        entry->picture = picture;
        InvalidateRect(entry->window, nullptr, TRUE);
    }
}

void Win32Dialog::moveTo(int control, double leftTwips, double topTwips) {
    if (Control* entry = find(control))
        SetWindowPos(entry->window, nullptr, pixels(leftTwips), pixels(topTwips), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Dialog::openWithShell(std::u16string_view address) {
    static auto* const shellExecute =
        systemFunction<decltype(ShellExecuteW)>(L"shell32.dll", "ShellExecuteW");
    if (shellExecute)
        shellExecute(window_, L"open", wide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Win32Dialog::restoreOwner() {
    if (!ownerDisabled_) return;
    EnableWindow(owner_, TRUE);
    ownerDisabled_ = false;
    // The owner takes the keyboard while the box still holds it. Were the box to go first, the X
    // server would hand the focus to the root window, a window manager would take it from there,
    // and Wine's request for the owner, stamped with the time of the key that closed the box,
    // would come too late and be dropped. The box closes on the user's word only.
    if (window_) SetForegroundWindow(owner_);
}

void Win32Dialog::close() {
    restoreOwner();
    if (window_) DestroyWindow(window_);
}

void Win32Dialog::bringForward() {
    // The second start that asks for it lets this process take the foreground.
    if (window_) SetForegroundWindow(window_);
}

void Win32Dialog::showModal() {
    if (!window_) return;
    HWND dialog = window_;
    if (owner_ && IsWindowEnabled(owner_)) {
        EnableWindow(owner_, FALSE);
        ownerDisabled_ = true;
    }
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    if (Control* first = find(platform::kDialogItself)) SetFocus(first->window);
    SendMessageW(dialog, WM_NEXTDLGCTL, 0, FALSE); // the first tab stop takes the focus

    MSG message;
    while (IsWindow(dialog)) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: hand the quit on to the main loop.
            if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (message.hwnd == dialog || IsChild(dialog, message.hwnd)) {
            preview(message);
            if (!IsWindow(dialog)) break;
            if (IsDialogMessageW(dialog, &message)) continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    restoreOwner();
}

void Win32Dialog::preview(const MSG& message) {
    std::int16_t button = 0;
    bool down = false;
    switch (message.message) {
    case WM_MOUSEMOVE:
        events_.onMouseMove(controlAt(message.hwnd));
        return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        button = platform::buttons::Left, down = true;
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        button = platform::buttons::Right, down = true;
        break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        button = platform::buttons::Middle, down = true;
        break;
    case WM_LBUTTONUP:
        button = platform::buttons::Left;
        break;
    case WM_RBUTTONUP:
        button = platform::buttons::Right;
        break;
    case WM_MBUTTONUP:
        button = platform::buttons::Middle;
        break;
    default:
        return;
    }
    const int control = controlAt(message.hwnd);
    const Control* entry = find(control);
    // Buttons and text boxes handle their own clicks; the dialog handles the rest.
    const bool clickable = entry && (entry->layout->kind == ControlKind::Image ||
                                     entry->layout->kind == ControlKind::Label);
    if (down) {
        events_.onMouseDown(control, button);
        // Every button's release comes back to the control pressed, wherever the pointer is by
        // then: a press may move the control from under it.
        if (clickable) SetCapture(message.hwnd);
        if (clickable && button == platform::buttons::Left) pressed_ = control;
        return;
    }
    events_.onMouseUp(control, button);
    const bool othersDown = message.wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON);
    if (!othersDown && GetCapture() == message.hwnd) ReleaseCapture();
    if (button != platform::buttons::Left || pressed_ != control) return;
    pressed_ = platform::kDialogItself - 1;
    // A click is a press and a release over the same control.
    if (!IsWindow(message.hwnd)) return;
    RECT bounds;
    POINT where{static_cast<short>(LOWORD(message.lParam)),
                static_cast<short>(HIWORD(message.lParam))};
    GetClientRect(message.hwnd, &bounds);
    if (clickable && PtInRect(&bounds, where)) events_.onClick(control);
}

void Win32Dialog::drawPicture(const DRAWITEMSTRUCT& item) noexcept {
    const int control = static_cast<int>(item.CtlID) - kFirstControlId;
    const Control* entry = find(control);
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    if (!entry) return;
    if (entry->picture == Picture::Icon) {
        const int size = designPixels(48);
        DrawIconEx(item.hDC, 0, 0, icon_.get(), size, size, 0, nullptr, DI_NORMAL);
        return;
    }
    HBITMAP bitmap = entry->picture == Picture::DonationFrench    ? donationFrench_.get()
                     : entry->picture == Picture::DonationEnglish ? donationEnglish_.get()
                                                                  : nullptr;
    if (!bitmap) return;
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    HDC source = CreateCompatibleDC(item.hDC);
    HGDIOBJ previous = SelectObject(source, bitmap);
    // The pictures carry premultiplied alpha for their rounded corners.
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    static auto* const alphaBlend =
        systemFunction<decltype(AlphaBlend)>(L"msimg32.dll", "AlphaBlend");
    if (alphaBlend)
        alphaBlend(item.hDC, 0, 0, designPixels(info.bmWidth), designPixels(info.bmHeight), source,
                   0, 0, info.bmWidth, info.bmHeight, blend);
    SelectObject(source, previous);
    DeleteDC(source);
}

LRESULT Win32Dialog::controlColours(HDC dc, HWND window) noexcept {
    const Control* entry = find(controlAt(window));
    if (entry && entry->layout->backColour) {
        const platform::Colour back = *entry->layout->backColour;
        SetBkColor(dc, toColorRef(back));
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(platform::isSystemColour(back)
                                             ? GetSysColorBrush(platform::systemColourIndex(back))
                                             : GetSysColorBrush(COLOR_WINDOW));
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, entry && entry->layout->foreColour ? toColorRef(entry->foreColour)
                                                        : GetSysColor(COLOR_BTNTEXT));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT CALLBACK Win32Dialog::windowProc(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* dialog =
            static_cast<Win32Dialog*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        dialog->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dialog));
    }
    auto* dialog = reinterpret_cast<Win32Dialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!dialog) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        dialog->window_ = nullptr;
        dialog->controls_.clear();
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return dialog->handle(message, wParam, lParam);
}

LRESULT Win32Dialog::handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    HWND window = window_;
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        // Enter and Escape press the default and the cancel button.
        for (const auto& [control, entry] : controls_) {
            const bool pressed = (id == kFirstControlId + control && HIWORD(wParam) == BN_CLICKED &&
                                  entry.layout->kind == ControlKind::CommandButton) ||
                                 (id == IDOK && entry.layout->defaultButton) ||
                                 (id == IDCANCEL && entry.layout->cancelButton);
            if (pressed) {
                events_.onClick(control);
                return 0;
            }
        }
        return 0;
    }
    case DM_GETDEFID:
        for (const auto& [control, entry] : controls_)
            if (entry.layout->defaultButton)
                return MAKELRESULT(kFirstControlId + control, DC_HASDEFID);
        return 0;
    case WM_DRAWITEM:
        drawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
        return controlColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR: {
        const Control* entry = find(controlAt(reinterpret_cast<HWND>(wParam)));
        if (entry && entry->layout->handCursor && LOWORD(lParam) == HTCLIENT) {
            SetCursor(hand_);
            return TRUE;
        }
        break;
    }
    case WM_CLOSE:
        events_.onCloseRequest();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace zelvaro::win32
