// An in-memory runtime for unit tests: a fake clock, a queue of scripted input, and a record of
// everything the forms asked of the platform.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/runtime.h"

namespace zelvaro::scripted {

using Millis = std::chrono::milliseconds;

// A region as disjoint rectangles, normalised as the rectangle-region call does.
using RectList = std::vector<platform::PixelRect>;

bool contains(const RectList& region, std::int32_t x, std::int32_t y);

struct ColourChange {
    Millis at;
    platform::Colour colour;
};

struct SettingWrite {
    std::u16string key, value;
};

struct Placement {
    std::int32_t x, y, width, height;
};

class ScriptedWindow;
class ScriptedTimer;
class ScriptedDialog;

// What the dialog shows, as the forms last set it.
struct DialogState {
    std::u16string caption;
    std::map<int, std::u16string> texts;
    std::map<int, platform::Colour> foreColours;
    std::map<int, platform::Picture> pictures;
    std::map<int, std::pair<double, double>> positions;
    bool open = false;
};

// One frame window's own record: the screen it was made for and what was done to it.
struct WindowRecord {
    std::u16string screen;
    std::vector<Placement> placements;
    std::vector<RectList> regionsSet;
    std::vector<ColourChange> colours;
    // Every reservation asked for, in order; the last one holds.
    std::vector<platform::Edges> reservations;
    platform::Colour colour = 0;
    double twipsPerPixel = platform::kDefaultTwipsPerPixel;
    bool shown = false;
    bool closed = false;
    platform::WindowEvents* events = nullptr;
};

class ScriptedRuntime final : public platform::Runtime, public platform::Regions {
  public:
    explicit ScriptedRuntime(std::int32_t widthPixels = 1024, std::int32_t heightPixels = 768,
                             double twipsPerPixel = platform::kDefaultTwipsPerPixel);
    ~ScriptedRuntime();

    // Input, delivered to the frame window when the clock reaches it.
    void keyDown(std::int16_t key, Millis at);
    void keyUp(std::int16_t key, Millis at);
    void press(std::int16_t key) { press(key, now_); }
    void press(std::int16_t key, Millis at);
    // Keys, clicks and close requests go to the window that was last shown (activated), dialog
    // open or not: the forms decide what a modal box holds back. A click can also go to the frame
    // window on a given screen.
    void mouseDown(std::int16_t button, Millis at);
    void mouseDownOn(std::u16string_view screen, std::int16_t button, Millis at);
    void closeRequest(Millis at);
    // Another start of the program, turned away, tells the running frame.
    void secondStart(Millis at);
    // The primary screen takes a new size and density when the clock reaches the given time.
    void displayChange(std::int32_t widthPixels, std::int32_t heightPixels, double twipsPerPixel,
                       Millis at);
    // The list of screens becomes this one (plugged, unplugged, rearranged, another primary) when
    // the clock reaches the given time; every open frame window hears of it.
    void changeScreens(std::vector<platform::Screen> screens, Millis at);
    // Input to the open dialog.
    void dialogClick(int control, Millis at);
    void dialogMouseDown(int control, Millis at);
    void dialogMouseUp(int control, Millis at);
    void dialogMouseMove(int control, Millis at);
    void dialogCloseRequest(Millis at);

    // Delivers input and timer ticks in time order until the clock reaches the given time or the
    // program quits; handlers that sleep move the clock on while they run.
    void runUntil(Millis until);
    void runFor(Millis duration) { runUntil(now_ + duration); }
    Millis now() const { return now_; }

    // What the forms did.
    std::vector<ColourChange> colours;
    std::vector<Millis> beeps;
    std::vector<platform::PixelRect> rectanglesCreated;
    std::vector<RectList> regionsSet;
    std::vector<SettingWrite> writes;
    std::map<std::u16string, std::u16string> store; // keyed "Application\Section\Key"
    std::vector<Placement> placements;
    // Answers for the next context menus, in order: an item index, or nothing for a dismissal.
    std::vector<std::optional<platform::MenuChoice>> menuAnswers;
    struct MenuShown {
        std::vector<platform::MenuItem> items;
        // The submenus' items, by the index of the item that opens them.
        std::map<std::size_t, std::vector<platform::MenuItem>> submenus;
        std::size_t defaultItem;
        std::u16string screen; // of the window that showed it
    };
    std::vector<MenuShown> menus;
    DialogState dialog;
    int dialogsCreated = 0;
    int modalShows = 0;
    int dialogBroughtForward = 0;
    int commonControlsInitialised = 0;
    std::vector<std::u16string> shellOpened;
    // Every frame window made, in order; the fields above gather what was done to all of them.
    std::vector<std::unique_ptr<WindowRecord>> windows;
    const WindowRecord* windowOn(std::u16string_view screen) const; // the open one, if any
    bool shown = false;
    bool closed = false;
    bool quitRequested = false;
    // Whether the desktop lets frames keep other windows out of their bands.
    bool reservable = true;
    int badRegionCalls = 0; // unknown or already destroyed handles

    // Regions alive and not owned by the window.
    std::size_t liveRegions() const;
    const RectList& windowRegion() const { return regionsSet.back(); }
    platform::Colour currentColour() const;

    void setScreen(std::int32_t widthPixels, std::int32_t heightPixels, double twipsPerPixel);
    void setScreens(std::vector<platform::Screen> screens) { screens_ = std::move(screens); }
    static std::u16string storeKey(std::u16string_view application, std::u16string_view section,
                                   std::u16string_view key);

    // platform::Runtime
    std::vector<platform::Screen> screens() const override { return screens_; }
    platform::Regions& regions() override { return *this; }
    bool canReserveEdges() const override { return reservable; }
    std::unique_ptr<platform::FrameWindow>
    createFrameWindow(platform::WindowEvents& events, const platform::Screen& screen) override;
    std::unique_ptr<platform::Timer> createTimer(Millis interval,
                                                 std::function<void()> onTick) override;
    std::unique_ptr<platform::DialogWindow> createDialog(const platform::DialogLayout& layout,
                                                         platform::DialogEvents& events,
                                                         platform::FrameWindow& owner) override;
    void initCommonControls() override { ++commonControlsInitialised; }
    void beep() override { beeps.push_back(now_); }
    void sleep(Millis duration) override { now_ += duration; }
    std::u16string getSetting(std::u16string_view application, std::u16string_view section,
                              std::u16string_view key, std::u16string_view defaultValue) override;
    void saveSetting(std::u16string_view application, std::u16string_view section,
                     std::u16string_view key, std::u16string_view value) override;
    void quit() override { quitRequested = true; }

    // platform::Regions
    platform::RegionHandle createRect(platform::PixelRect rect) override;
    void combineDifference(platform::RegionHandle destination, platform::RegionHandle minuend,
                           platform::RegionHandle subtrahend) override;
    void destroy(platform::RegionHandle region) override;

  private:
    friend class ScriptedWindow;
    friend class ScriptedTimer;
    friend class ScriptedDialog;

    struct Input {
        Millis at;
        std::uint64_t order;
        std::function<void()> deliver;
    };
    void post(Millis at, std::function<void(platform::WindowEvents&)> deliver,
              std::u16string screen = {});
    void postToDialog(Millis at, std::function<void(platform::DialogEvents&)> deliver);
    // Input and ticks in time order up to the given time, until done() or the program quits.
    void deliver(Millis until, const std::function<bool()>& done);
    void takeWindowRegion(platform::RegionHandle region, WindowRecord& window);
    void notifyScreens();

    std::vector<platform::Screen> screens_;
    Millis now_{0};
    Millis runEnd_{0}; // of the runUntil under way
    std::vector<Input> queue_;
    std::uint64_t nextOrder_ = 0;
    WindowRecord* focused_ = nullptr;
    platform::DialogEvents* dialogEvents_ = nullptr;
    platform::Colour colour_ = 0;
    std::vector<ScriptedTimer*> timers_;
    std::map<platform::RegionHandle, RectList> regions_;
    platform::RegionHandle nextRegion_ = 1;
};

} // namespace zelvaro::scripted
