// The Qt runtime for Linux: widgets, QRegion shapes, QTimer, QSettings in INI format; on Wayland
// with a shell that gives the frame its place above other windows.
#pragma once

#include <QRegion>

#include <memory>
#include <unordered_map>

#include "platform/runtime.h"

class QSettings;

namespace zelvaro::qt {

class FrameShell;

class QtRuntime final : public platform::Runtime, public platform::Regions {
  public:
    // shell: what places the frame where Qt alone cannot; none on X11.
    explicit QtRuntime(FrameShell* shell = nullptr);
    QtRuntime(const QtRuntime&) = delete;
    QtRuntime& operator=(const QtRuntime&) = delete;
    ~QtRuntime();

    // Regions created and neither destroyed nor handed to a window yet.
    std::size_t liveRegions() const { return regions_.size(); }
    // The region a handle names, taken out of the runtime's keeping.
    QRegion takeRegion(platform::RegionHandle region);
    // Writes what was saved since the last flush, in one piece, and says on stderr if it could not.
    void flushSettings();

    platform::ScreenMetrics screen() const override;
    platform::Regions& regions() override { return *this; }
    std::unique_ptr<platform::FrameWindow>
    createFrameWindow(platform::WindowEvents& events) override;
    std::unique_ptr<platform::Timer> createTimer(std::chrono::milliseconds interval,
                                                 std::function<void()> onTick) override;
    std::unique_ptr<platform::DialogWindow> createDialog(const platform::DialogLayout& layout,
                                                         platform::DialogEvents& events,
                                                         platform::FrameWindow& owner) override;
    void initCommonControls() override {}
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

  private:
    QSettings* settings(std::u16string_view application);

    std::unordered_map<platform::RegionHandle, QRegion> regions_;
    platform::RegionHandle nextRegion_ = 1;
    FrameShell* shell_;
    std::unique_ptr<QSettings> settings_;
    bool reportedUnreadable_ = false;
    bool unsaved_ = false;
};

// Twips per pixel at the screen's logical density: 15 at 96 DPI.
double twipsPerPixel();

} // namespace zelvaro::qt
