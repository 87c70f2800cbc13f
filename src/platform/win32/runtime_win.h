// The Win32 runtime: native windows, GDI regions, thread timers and the registry.
#pragma once

#include <windows.h>

#include <map>
#include <vector>

#include "platform/runtime.h"
#include "platform/win32/handles_win.h"

namespace zelvaro::win32 {

class Win32Timer;

class Win32Runtime final : public platform::Runtime, public platform::Regions {
  public:
    explicit Win32Runtime(HINSTANCE instance);
    Win32Runtime(const Win32Runtime&) = delete;
    Win32Runtime& operator=(const Win32Runtime&) = delete;
    ~Win32Runtime();

    // The message loop; returns the process exit code once quit() has been called.
    int run();

    HINSTANCE instance() const { return instance_; }
    // Regions created and neither destroyed nor handed to a window yet.
    long liveRegions() const { return liveRegions_; }

    std::vector<platform::Screen> screens() const override;
    platform::Regions& regions() override { return *this; }
    bool canReserveEdges() const override { return true; }
    std::unique_ptr<platform::FrameWindow>
    createFrameWindow(platform::WindowEvents& events, const platform::Screen& screen) override;
    std::unique_ptr<platform::Timer> createTimer(std::chrono::milliseconds interval,
                                                 std::function<void()> onTick) override;
    std::unique_ptr<platform::DialogWindow> createDialog(const platform::DialogLayout& layout,
                                                         platform::DialogEvents& events,
                                                         platform::FrameWindow& owner) override;
    void initCommonControls() override;
    void beep() override;
    void sleep(std::chrono::milliseconds duration) override;
    std::u16string getSetting(std::u16string_view application, std::u16string_view section,
                              std::u16string_view key, std::u16string_view defaultValue) override;
    void saveSetting(std::u16string_view application, std::u16string_view section,
                     std::u16string_view key, std::u16string_view value) override;
    void quit() override;

    platform::RegionHandle createRect(platform::PixelRect rect) override;
    void combineDifference(platform::RegionHandle destination, platform::RegionHandle minuend,
                           platform::RegionHandle subtrahend) override;
    void destroy(platform::RegionHandle region) override;
    // The frame window took this region over.
    void handedToWindow() { --liveRegions_; }

  private:
    friend class Win32Timer;
    static LRESULT CALLBACK timerWindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) noexcept;
    // Neither Wine 8 nor Wine 10 tells its programs of displays that the X server adds, removes
    // or resizes, not even once a program has listed them again: under Wine, the list is compared
    // four times a second and the windows are told as Windows would tell them.
    void watchScreensUnderWine();
    void compareScreens() noexcept;

    HINSTANCE instance_;
    // Message-only window that receives every timer's ticks.
    UniqueWindow timerWindow_;
    std::map<UINT_PTR, Win32Timer*> timers_;
    UINT_PTR nextTimerId_ = 1;
    long liveRegions_ = 0;
    std::vector<platform::Screen> lastScreens_;
};

} // namespace zelvaro::win32
