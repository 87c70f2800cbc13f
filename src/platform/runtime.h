// The services the forms rely on. Each platform (Win32, Qt, the scripted test runtime) implements
// this one interface; the forms above it decide everything and the runtimes only translate.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zelvaro::platform {

// Colours as the forms store them: &H00BBGGRR, red in the low byte.
using Colour = std::uint32_t;

constexpr Colour rgb(int red, int green, int blue) {
    return static_cast<Colour>((red & 0xFF) | (green & 0xFF) << 8 | (blue & 0xFF) << 16);
}
constexpr int redOf(Colour c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int greenOf(Colour c) {
    return static_cast<int>(c >> 8 & 0xFF);
}
constexpr int blueOf(Colour c) {
    return static_cast<int>(c >> 16 & 0xFF);
}

// A colour with the high bit set names a system colour by its index instead (0x80000018: the
// tooltip background, index 24).
constexpr bool isSystemColour(Colour c) {
    return (c & 0x80000000u) != 0;
}
constexpr int systemColourIndex(Colour c) {
    return static_cast<int>(c & 0xFFFF);
}
inline constexpr Colour kSystemTooltipBackground = 0x80000018u;

// Virtual-key codes as the key events carry them.
namespace keys {
inline constexpr std::int16_t Escape = 27;
inline constexpr std::int16_t Left = 37;
inline constexpr std::int16_t Up = 38;
inline constexpr std::int16_t Right = 39;
inline constexpr std::int16_t Down = 40;
} // namespace keys

// Mouse buttons as the mouse events carry them.
namespace buttons {
inline constexpr std::int16_t Left = 1;
inline constexpr std::int16_t Right = 2;
inline constexpr std::int16_t Middle = 4;
} // namespace buttons

// Form geometry is in twips; regions and window placement are in pixels.
struct TwipsRect {
    double left = 0, top = 0, width = 0, height = 0;
};

// Right and bottom are exclusive, as in the platform's rectangle-region call.
struct PixelRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The thickness of a frame's bands along each edge of its screen, in pixels.
struct Edges {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const Edges&, const Edges&) = default;
};

// One entry of a context menu; "&" marks the access key of its caption. An entry with a submenu
// opens it instead of being chosen.
struct MenuItem {
    std::u16string_view caption;
    bool separator = false;
    // A check item shows whether it is checked.
    bool checkable = false;
    bool checked = false;
    std::span<const MenuItem> submenu{};
    // Shown greyed out; it cannot be chosen.
    bool disabled = false;
};

// The item chosen in a menu: its index among the menu's items and, for an item of a submenu,
// its index within that submenu.
struct MenuChoice {
    MenuChoice(std::size_t item, std::optional<std::size_t> subItem = std::nullopt)
        : item(item), subItem(subItem) {}
    std::size_t item;
    std::optional<std::size_t> subItem;
    friend bool operator==(const MenuChoice&, const MenuChoice&) = default;
};

// The pictures the program ships.
enum class Picture { None, Icon, DonationFrench, DonationEnglish };

// Region coordinates must stay within this magnitude: GDI keeps 27 bits, the other platforms more.
inline constexpr std::int32_t kRegionCoordinateLimit = (1 << 27) - 1;

// A twip is 1/1440 inch; a display whose density is not known counts as 96 dots per inch.
inline constexpr double kTwipsPerInch = 1440;
inline constexpr double kDefaultDpi = 96;
constexpr double twipsPerPixelAt(double dpi) {
    return kTwipsPerInch / (dpi > 0 ? dpi : kDefaultDpi);
}
// 15: the density the pictures are drawn for.
inline constexpr double kDefaultTwipsPerPixel = twipsPerPixelAt(kDefaultDpi);

struct ScreenMetrics {
    double widthTwips = 0, heightTwips = 0;
    double twipsPerPixelX = kDefaultTwipsPerPixel, twipsPerPixelY = kDefaultTwipsPerPixel;
};

// One display as the system lists it.
struct Screen {
    // Stays the same across runs and when the display is unplugged and plugged back in.
    std::u16string identity;
    // Pixels of the virtual desktop, whose origin is the primary screen's top-left corner.
    PixelRect bounds;
    bool primary = false;
    double twipsPerPixelX = kDefaultTwipsPerPixel, twipsPerPixelY = kDefaultTwipsPerPixel;
    friend bool operator==(const Screen&, const Screen&) = default;
};

inline ScreenMetrics metricsOf(const Screen& screen) {
    return {(screen.bounds.right - screen.bounds.left) * screen.twipsPerPixelX,
            (screen.bounds.bottom - screen.bounds.top) * screen.twipsPerPixelY,
            screen.twipsPerPixelX, screen.twipsPerPixelY};
}

// The primary screen of a list, or the first one when the system names none.
inline const Screen& primaryOf(const std::vector<Screen>& screens) {
    for (const Screen& screen : screens)
        if (screen.primary) return screen;
    return screens.front();
}

// An opaque platform region, always held by an OwnedRegion.
using RegionHandle = std::uintptr_t;

class Regions {
  public:
    virtual RegionHandle createRect(PixelRect rect) = 0;
    // destination = minuend minus subtrahend
    virtual void combineDifference(RegionHandle destination, RegionHandle minuend,
                                   RegionHandle subtrahend) = 0;
    virtual void destroy(RegionHandle region) = 0;

  protected:
    ~Regions() = default;
};

// A region that is destroyed when it goes out of scope unless moved on or handed to the system
// with release().
class OwnedRegion {
  public:
    OwnedRegion(Regions& regions, PixelRect rect)
        : regions_(&regions), handle_(regions.createRect(rect)) {}
    OwnedRegion(OwnedRegion&& other) noexcept
        : regions_(other.regions_), handle_(other.release()) {}
    OwnedRegion(const OwnedRegion&) = delete;
    OwnedRegion& operator=(const OwnedRegion&) = delete;
    OwnedRegion& operator=(OwnedRegion&&) = delete;
    ~OwnedRegion() {
        if (handle_) regions_->destroy(handle_);
    }
    RegionHandle get() const { return handle_; }
    RegionHandle release() { return std::exchange(handle_, RegionHandle{}); }

  private:
    Regions* regions_;
    RegionHandle handle_;
};

// A timer control: ticks every interval on the user-interface thread while enabled. Enabling an
// enabled timer leaves its countdown as it is.
class Timer {
  public:
    virtual ~Timer() = default;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
};

// What a form hears from its native window. Shift is 1 Shift, 2 Ctrl, 4 Alt.
class WindowEvents {
  public:
    virtual void onKeyDown(std::int16_t keyCode, std::int16_t shift) = 0;
    virtual void onKeyUp(std::int16_t keyCode, std::int16_t shift) = 0;
    virtual void onMouseDown(std::int16_t button, std::int16_t shift, double xTwips,
                             double yTwips) = 0;
    // The system or the user asked the window to close (close box, end of the session…).
    virtual void onCloseRequest() = 0;
    // A screen came or went, or one's size, place, density or primary flag changed.
    virtual void onDisplayChange() = 0;
    // The program was started again in this session; that start showed nothing and ended.
    virtual void onSecondStart() = 0;

  protected:
    ~WindowEvents() = default;
};

// The native window behind the full-screen frame form.
class FrameWindow {
  public:
    virtual ~FrameWindow() = default;
    // Visible and active, so that it holds the keyboard focus.
    virtual void show() = 0;
    // The keyboard comes to this window from whichever window had it, as a click on it gives it
    // where the window system does not do so itself.
    virtual void takeKeyboard() = 0;
    // In twips at the density of the screen the window covers.
    virtual TwipsRect geometry() const = 0;
    // The screen the window covers from now on: its density converts pixels to twips, and where
    // windows are bound to an output, the window moves to that screen's output.
    virtual void setScreen(const Screen& screen) = 0;
    // Above all other windows, at this pixel placement, shown, without activating it.
    virtual void placeTopmost(std::int32_t x, std::int32_t y, std::int32_t width,
                              std::int32_t height) = 0;
    // Painted before this returns, so a blocking caller still shows every colour it sets.
    virtual void setBackColour(Colour colour) = 0;
    // The window's shape from now on; the one it had is released.
    virtual void setRegion(OwnedRegion region) = 0;
    // Pops up a menu at the mouse pointer, the default item in bold, and waits until it closes:
    // the chosen item, or nothing when it was dismissed.
    virtual std::optional<MenuChoice> popupMenu(std::span<const MenuItem> items,
                                                std::size_t defaultItem) = 0;
    // Other windows keep out of these bands of the window's screen: the desktop places maximized,
    // tiled and new windows in the hole. All zero gives the space back, as closing does.
    virtual void reserveEdges(const Edges& edges) = 0;
    // Destroys the native window; its events stop.
    virtual void close() = 0;
};

// A dialog of fixed layout, described as data: every position is in twips of the client area.
enum class ControlKind { CommandButton, PictureBox, TextBox, Label, Image };

struct ControlLayout {
    int id = 0;
    ControlKind kind = ControlKind::Label;
    TwipsRect bounds{};
    std::u16string_view text{};
    int tabIndex = -1; // -1: not in the tab order
    bool visible = true;
    Picture picture = Picture::None;
    // Links: underlined, sized to their text, the hand cursor.
    bool link = false;
    bool handCursor = false;
    // Command buttons: pressed by Enter and by Escape.
    bool defaultButton = false;
    bool cancelButton = false;
    // Text boxes: several lines, read-only.
    bool multiLineReadOnly = false;
    std::optional<Colour> backColour{};
    std::optional<Colour> foreColour{};
};

// The font the dialogs were laid out with.
inline constexpr std::u16string_view kDialogFontFace = u"Tahoma";
inline constexpr double kDialogFontPoints = 8.25;

struct DialogLayout {
    std::u16string_view caption;
    double clientWidthTwips = 0, clientHeightTwips = 0;
    std::span<const ControlLayout> controls;
};

// What a dialog hears from its native window; control is a ControlLayout id, or kDialogItself.
inline constexpr int kDialogItself = -1;

class DialogEvents {
  public:
    virtual void onClick(int control) = 0;
    virtual void onMouseDown(int control, std::int16_t button) = 0;
    virtual void onMouseUp(int control, std::int16_t button) = 0;
    virtual void onMouseMove(int control) = 0;
    virtual void onCloseRequest() = 0;

  protected:
    ~DialogEvents() = default;
};

class DialogWindow {
  public:
    virtual ~DialogWindow() = default;
    virtual void setCaption(std::u16string_view caption) = 0;
    virtual void setText(int control, std::u16string_view text) = 0;
    virtual void setForeColour(int control, Colour colour) = 0;
    virtual void setPicture(int control, Picture picture) = 0;
    // New left and top; the size stays.
    virtual void moveTo(int control, double leftTwips, double topTwips) = 0;
    // Centred on the screen, its owner disabled until it closes. Returns when it has closed, or
    // at once on a runtime whose clock is scripted.
    virtual void showModal() = 0;
    // Above the other windows and active, as when the user comes back to it.
    virtual void bringForward() = 0;
    // Hands an address to the system shell with the verb "open".
    virtual void openWithShell(std::u16string_view address) = 0;
    // Destroys the native window; its events stop and a modal show returns.
    virtual void close() = 0;
};

class Runtime {
  public:
    // Every screen, in the system's order; never empty.
    virtual std::vector<Screen> screens() const = 0;
    // The primary screen's size and density.
    ScreenMetrics screen() const { return metricsOf(primaryOf(screens())); }
    virtual Regions& regions() = 0;
    // Whether this desktop lets a frame window keep other windows out of its bands.
    virtual bool canReserveEdges() const = 0;
    // A frame window covering the given screen, not shown yet; nothing on failure, after telling
    // the user.
    virtual std::unique_ptr<FrameWindow> createFrameWindow(WindowEvents& events,
                                                           const Screen& screen) = 0;
    virtual std::unique_ptr<Timer> createTimer(std::chrono::milliseconds interval,
                                               std::function<void()> onTick) = 0;
    virtual std::unique_ptr<DialogWindow>
    createDialog(const DialogLayout& layout, DialogEvents& events, FrameWindow& owner) = 0;
    // Once per run, before the first dialog: the platform's common controls.
    virtual void initCommonControls() = 0;
    virtual void beep() = 0;
    // Blocks the user-interface thread; events that arrive meanwhile wait.
    virtual void sleep(std::chrono::milliseconds duration) = 0;

    // Per-user settings store, text values addressed by application, section and key.
    virtual std::u16string getSetting(std::u16string_view application, std::u16string_view section,
                                      std::u16string_view key,
                                      std::u16string_view defaultValue) = 0;
    virtual void saveSetting(std::u16string_view application, std::u16string_view section,
                             std::u16string_view key, std::u16string_view value) = 0;

    // No form is left loaded: the message loop ends and so does the process.
    virtual void quit() = 0;

  protected:
    ~Runtime() = default;
};

} // namespace zelvaro::platform
