#include "platform/win32/runtime_win.h"

#include <commctrl.h>

#include <utility>

#include "platform/win32/dialog_win.h"
#include "platform/win32/frame_window_win.h"

namespace zelvaro::win32 {

namespace {

constexpr wchar_t kTimerWindowClass[] = L"ZelvaroTimers";
constexpr double kTwipsPerInch = 1440;

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
}

Win32Runtime::~Win32Runtime() = default;

LRESULT CALLBACK Win32Runtime::timerWindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) noexcept {
    if (message == WM_TIMER) {
        auto* self = reinterpret_cast<Win32Runtime*>(GetWindowLongPtrW(window, GWLP_USERDATA));
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

platform::ScreenMetrics Win32Runtime::screen() const {
    // The process is DPI-aware, so these are physical pixels and the factor is the screen's own.
    const UniqueScreenDc dc(GetDC(nullptr));
    const int dpiX = dc ? GetDeviceCaps(dc.get(), LOGPIXELSX) : 96;
    const int dpiY = dc ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 96;
    const double perPixelX = kTwipsPerInch / (dpiX > 0 ? dpiX : 96);
    const double perPixelY = kTwipsPerInch / (dpiY > 0 ? dpiY : 96);
    return {GetSystemMetrics(SM_CXSCREEN) * perPixelX, GetSystemMetrics(SM_CYSCREEN) * perPixelY,
            perPixelX, perPixelY};
}

std::unique_ptr<platform::FrameWindow>
Win32Runtime::createFrameWindow(platform::WindowEvents& events) {
    return Win32FrameWindow::create(*this, events);
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
    InitCommonControls();
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
