#include "platform/win32/runtime_win.h"

#include <commctrl.h>
#include <shellscalingapi.h>

#include <utility>

#include "platform/win32/dialog_win.h"
#include "platform/win32/frame_window_win.h"

namespace zelvaro::win32 {

namespace {

constexpr wchar_t kTimerWindowClass[] = L"ZelvaroTimers";
// Far above the ids handed to timers.
constexpr UINT_PTR kScreenWatchTimer = 0x5C7EE7;
constexpr UINT kScreenWatchMs = 250;

BOOL CALLBACK tellOfDisplayChange(HWND window, LPARAM) noexcept {
    PostMessageW(window, WM_DISPLAYCHANGE, 0, 0);
    return TRUE;
}

} // namespace

class Win32Timer final : public platform::Timer {
  public:
    Win32Timer(Win32Runtime& runtime, std::chrono::milliseconds interval,
               std::function<void()> onTick)
        : runtime_(runtime), id_(runtime.nextTimerId_++), interval_(interval),
          onTick_(std::move(onTick)) {
        runtime_.timers_[id_] = this;
    }
    ~Win32Timer() override {
        setEnabled(false);
        runtime_.timers_.erase(id_);
    }

    // SetTimer on a running timer would restart its countdown; an enabled timer keeps it.
    void setEnabled(bool enabled) override {
        if (enabled == enabled_) return;
        enabled_ = enabled;
        if (enabled)
            SetTimer(runtime_.timerWindow_.get(), id_, static_cast<UINT>(interval_.count()),
                     nullptr);
        else
            KillTimer(runtime_.timerWindow_.get(), id_);
    }
    bool enabled() const override { return enabled_; }
    void tick() { onTick_(); }

  private:
    Win32Runtime& runtime_;
    UINT_PTR id_;
    std::chrono::milliseconds interval_;
    std::function<void()> onTick_;
    bool enabled_ = false;
};

Win32Runtime::Win32Runtime(HINSTANCE instance) : instance_(instance) {
    WNDCLASSEXW timerClass{};
    timerClass.cbSize = sizeof timerClass;
    timerClass.lpfnWndProc = &Win32Runtime::timerWindowProc;
    timerClass.hInstance = instance_;
    timerClass.lpszClassName = kTimerWindowClass;
    RegisterClassExW(&timerClass);
    timerWindow_.reset(CreateWindowExW(0, kTimerWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                       nullptr, instance_, nullptr));
    SetWindowLongPtrW(timerWindow_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    watchScreensUnderWine();
}

void Win32Runtime::watchScreensUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return;
    lastScreens_ = screens();
    SetTimer(timerWindow_.get(), kScreenWatchTimer, kScreenWatchMs, nullptr);
}

void Win32Runtime::compareScreens() noexcept {
    std::vector<platform::Screen> now = screens();
    if (now == lastScreens_) return;
    lastScreens_ = std::move(now);
    EnumThreadWindows(GetCurrentThreadId(), &tellOfDisplayChange, 0);
}

Win32Runtime::~Win32Runtime() = default;

LRESULT CALLBACK Win32Runtime::timerWindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) noexcept {
    if (message == WM_TIMER) {
        auto* self = reinterpret_cast<Win32Runtime*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && wParam == kScreenWatchTimer) {
            self->compareScreens();
            return 0;
        }
        // A tick can still be queued for a timer that has just gone away.
        if (self) {
            const auto found = self->timers_.find(wParam);
            if (found != self->timers_.end() && found->second->enabled()) found->second->tick();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int Win32Runtime::run() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

namespace {

// The monitor's device interface name stays the same across restarts and re-plugging; the GDI
// device name ("\\.\DISPLAY2") where the driver gives none.
std::u16string identityOf(const MONITORINFOEXW& info) {
    DISPLAY_DEVICEW device{};
    device.cb = sizeof device;
    const wchar_t* name = info.szDevice;
    if (EnumDisplayDevicesW(info.szDevice, 0, &device, EDD_GET_DEVICE_INTERFACE_NAME) &&
        device.DeviceID[0])
        name = device.DeviceID;
    return reinterpret_cast<const char16_t*>(name);
}

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) noexcept {
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) return TRUE;
    // The process is aware of each monitor's density: these are the monitor's own pixels and
    // factors.
    UINT dpiX = USER_DEFAULT_SCREEN_DPI, dpiY = USER_DEFAULT_SCREEN_DPI;
    if (FAILED(GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpiX, &dpiY)))
        dpiX = dpiY = USER_DEFAULT_SCREEN_DPI;
    const RECT& r = info.rcMonitor;
    reinterpret_cast<std::vector<platform::Screen>*>(list)->push_back(
        {identityOf(info),
         {r.left, r.top, r.right, r.bottom},
         (info.dwFlags & MONITORINFOF_PRIMARY) != 0,
         platform::twipsPerPixelAt(dpiX),
         platform::twipsPerPixelAt(dpiY)});
    return TRUE;
}

} // namespace

std::vector<platform::Screen> Win32Runtime::screens() const {
    std::vector<platform::Screen> list;
    EnumDisplayMonitors(nullptr, nullptr, &addMonitor, reinterpret_cast<LPARAM>(&list));
    // No monitor (a session with no display attached): the screen as the system metrics see it.
    if (list.empty())
        list.push_back(
            {u"", {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, true});
    return list;
}

std::unique_ptr<platform::FrameWindow>
Win32Runtime::createFrameWindow(platform::WindowEvents& events, const platform::Screen& screen) {
    return Win32FrameWindow::create(*this, events, screen);
}

std::unique_ptr<platform::Timer> Win32Runtime::createTimer(std::chrono::milliseconds interval,
                                                           std::function<void()> onTick) {
    return std::make_unique<Win32Timer>(*this, interval, std::move(onTick));
}

std::unique_ptr<platform::DialogWindow>
Win32Runtime::createDialog(const platform::DialogLayout& layout, platform::DialogEvents& events,
                           platform::FrameWindow& owner) {
    return Win32Dialog::create(*this, layout, events,
                               static_cast<Win32FrameWindow&>(owner).handle());
}

void Win32Runtime::initCommonControls() {
    static auto* const initialise =
        systemFunction<decltype(InitCommonControls)>(L"comctl32.dll", "InitCommonControls");
    if (initialise) initialise();
}

void Win32Runtime::beep() {
    MessageBeep(MB_OK);
}

void Win32Runtime::sleep(std::chrono::milliseconds duration) {
    Sleep(static_cast<DWORD>(duration.count()));
}

void Win32Runtime::quit() {
    PostQuitMessage(0);
}

platform::RegionHandle Win32Runtime::createRect(platform::PixelRect rect) {
    HRGN region = CreateRectRgn(rect.left, rect.top, rect.right, rect.bottom);
    if (region) ++liveRegions_;
    return reinterpret_cast<platform::RegionHandle>(region);
}

void Win32Runtime::combineDifference(platform::RegionHandle destination,
                                     platform::RegionHandle minuend,
                                     platform::RegionHandle subtrahend) {
    CombineRgn(reinterpret_cast<HRGN>(destination), reinterpret_cast<HRGN>(minuend),
               reinterpret_cast<HRGN>(subtrahend), RGN_DIFF);
}

void Win32Runtime::destroy(platform::RegionHandle region) {
    if (region && DeleteObject(reinterpret_cast<HRGN>(region))) --liveRegions_;
}

} // namespace zelvaro::win32
