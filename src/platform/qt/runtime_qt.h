// The Qt runtime for Linux: widgets, QRegion shapes, QTimer, QSettings in INI format; on Wayland
// with a shell that gives the frame its place above other windows.
#pragma once

#include <QObject>
#include <QRegion>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/runtime.h"

class QScreen;
class QSettings;

namespace zelvaro::qt {

class FrameShell;
class QtFrameWindow;

class QtRuntime final : public platform::Runtime, public platform::Regions {
  public:
    // shell: what places the frame where Qt alone cannot; none on X11. bandWindows: the frame as
    // one X window per band (see band_frame_qt.h). The kind of frame window, the bell and what
    // a blocked thread lets through follow, once.
    explicit QtRuntime(FrameShell* shell = nullptr, bool bandWindows = false);
    QtRuntime(const QtRuntime&) = delete;
    QtRuntime& operator=(const QtRuntime&) = delete;
    ~QtRuntime();

    // The region a handle names, taken out of the runtime's keeping.
    QRegion takeRegion(platform::RegionHandle region);
    // Writes what was saved since the last flush, in one piece, and says on stderr if it could not.
    void flushSettings();

    std::vector<platform::Screen> screens() const override;
    platform::Regions& regions() override { return *this; }
    bool canReserveEdges() const override { return canReserve_(); }
    std::unique_ptr<platform::FrameWindow>
    createFrameWindow(platform::WindowEvents& events, const platform::Screen& screen) override;
    // The Qt screen a listed screen stands for; nothing once it has gone.
    static QScreen* qscreen(std::u16string_view identity);
    // Frame windows hear of every change of the screens while they are open.
    void addFrameWindow(QtFrameWindow* window);
    void removeFrameWindow(QtFrameWindow* window);
    // What reaches the program from outside its windows, handed to the frames as a window would
    // hear it: a termination signal or the end of the session (a close request), another start.
    // False when no frame window is open to hear it.
    bool closeRequest();
    bool secondStart();
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
    void watchDesktop();
    void watch(QScreen* screen);
    void screensChanged();

    std::unordered_map<platform::RegionHandle, QRegion> regions_;
    platform::RegionHandle nextRegion_ = 1;
    FrameShell* shell_;
    bool bandWindows_;
    std::function<void()> bell_, whileBlocked_;
    std::function<bool()> canReserve_;
    std::unique_ptr<QSettings> settings_;
    bool reportedUnreadable_ = false;
    bool unsaved_ = false;
    std::vector<QtFrameWindow*> frameWindows_;
    std::unique_ptr<QObject> screenWatch_;
};

// The identity of a Qt screen: its output's name, then the model and serial number read from the
// display's EDID where there is one.
std::u16string identityOf(const QScreen& screen);

// Twips per pixel at the primary screen's logical density: 15 at 96 DPI.
double twipsPerPixel();
double twipsPerPixel(const QScreen& screen);

} // namespace zelvaro::qt
