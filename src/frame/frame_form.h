// The frame form: a frame over one whole screen that takes the arrow keys, Escape and the right
// click, glows while adjusted, fades back to black, and saves the margins when it closes.
// ScreenFrames owns one per checked screen and decides what concerns them all: where keys go,
// the store, and every way out.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "frame/margins.h"
#include "platform/runtime.h"

namespace zelvaro {

class frmAPropos;
class frmPopup;
class ScreenFrames;

namespace fade {
using namespace std::chrono_literals;
// The glow lasts this long after the last key release before the fade starts.
inline constexpr std::chrono::milliseconds kDelay = 1500ms;
// Shades of red from the glow down to black, this far apart: 128, 124, …, 4, 0.
inline constexpr std::int16_t kRedStep = 4;
inline constexpr std::chrono::milliseconds kShadePause = 25ms;
} // namespace fade

class frmZelvaro final : private platform::WindowEvents {
  public:
    // One of the frames of the owner, on this screen, starting with these margins.
    frmZelvaro(platform::Runtime& runtime, ScreenFrames& owner, platform::Screen screen,
               margins::Pair margins);
    frmZelvaro(const frmZelvaro&) = delete;
    frmZelvaro& operator=(const frmZelvaro&) = delete;
    ~frmZelvaro();

    // Creates the window and runs Form_Load; loading a loaded form does nothing.
    void Load();
    // The owner saves and closes every frame and ends the program; unloading a form that is not
    // loaded does nothing.
    void Unload();
    // Closes the window without ending the program: its screen went away or was unchecked.
    void closeWindow();
    bool loaded() const { return loaded_; }

    void Form_Load();
    void Form_KeyDown(std::int16_t KeyCode, std::int16_t Shift);
    void Form_KeyUp(std::int16_t KeyCode, std::int16_t Shift);
    void Form_MouseDown(std::int16_t Button, std::int16_t Shift, double X, double Y);
    void tmrMinuterie_Timer();
    // Other windows keep out of the bands while the owner reserves them, and come back otherwise;
    // asked of the desktop only when that changes what is reserved.
    void reserveBands();
    // The screen changed under the frame: cover it again, with limits for its new size.
    void refitToScreen();
    // The frame moves to this screen's new size, place or density.
    void setScreen(const platform::Screen& screen);
    const platform::Screen& screen() const { return screen_; }
    platform::ScreenMetrics metrics() const { return platform::metricsOf(screen_); }

    // Width of the left and right bands, and height of the top and bottom bands, in pixels.
    std::int32_t& MargeHorizontale() { return margins_.horizontal; }
    std::int32_t& MargeVerticale() { return margins_.vertical; }
    const margins::Pair& pair() const { return margins_; }
    // Only the frame that takes the arrow keys glows.
    bool hasKeyboard() const;
    // The keyboard came to this frame (it glows, then fades) or left it (it turns black). The
    // window system's focus may stay with another frame's window: the owner hands keys on.
    void keyboardMoved(bool here);
    ScreenFrames& owner() { return owner_; }
    // Zelvaro was started again while this frame runs: rather than a second frame, whose margins
    // would overwrite these on exit, this one comes forward, takes the keyboard and glows. While
    // its About box is open, the box comes forward instead and the frame stays as it is.
    void secondStart();
    bool aboutBoxOpen() const;

    platform::Runtime& runtime() { return runtime_; }
    // From the first load on; after an unload the window is closed but the object stays, since
    // the unload may run inside one of its own event handlers.
    platform::FrameWindow& window() { return *window_; }
    platform::Timer& tmrMinuterie() { return *tmrMinuterie_; }
    const margins::Limits& limits() const { return limits_; }
    // The other forms' single instances, created on first use.
    frmPopup& popup();
    frmAPropos& aPropos();

  private:
    void onKeyDown(std::int16_t keyCode, std::int16_t shift) override;
    void onKeyUp(std::int16_t keyCode, std::int16_t shift) override;
    void onMouseDown(std::int16_t button, std::int16_t shift, double x, double y) override;
    void onCloseRequest() override;
    void onDisplayChange() override;
    void onSecondStart() override;
    // The glow of a new shape, then the fade, as at start-up.
    void glowThenFade();

    platform::Runtime& runtime_;
    ScreenFrames& owner_;
    platform::Screen screen_;
    margins::Pair margins_;
    std::unique_ptr<platform::FrameWindow> window_;
    std::unique_ptr<platform::Timer> tmrMinuterie_;
    margins::Limits limits_;
    platform::Edges reserved_{};
    bool loaded_ = false;
    std::unique_ptr<frmPopup> popup_;
    std::unique_ptr<frmAPropos> aPropos_;
};

} // namespace zelvaro
