// The startup form: the full-screen frame that takes the arrow keys, Escape and the right click,
// glows while adjusted, fades back to black, and saves the margins when it closes.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "frame/margins.h"
#include "platform/runtime.h"

namespace zelvaro {

class frmAPropos;
class frmPopup;

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
    explicit frmZelvaro(platform::Runtime& runtime);
    frmZelvaro(const frmZelvaro&) = delete;
    frmZelvaro& operator=(const frmZelvaro&) = delete;
    ~frmZelvaro();

    // Creates the window and runs Form_Load; loading a loaded form does nothing.
    void Load();
    // Runs Form_Unload and, unless it cancels, closes the window and ends the program; unloading a
    // form that is not loaded does nothing.
    void Unload();
    bool loaded() const { return loaded_; }

    void Form_Load();
    void Form_KeyDown(std::int16_t KeyCode, std::int16_t Shift);
    void Form_KeyUp(std::int16_t KeyCode, std::int16_t Shift);
    void Form_MouseDown(std::int16_t Button, std::int16_t Shift, double X, double Y);
    void Form_Unload(bool& Cancel);
    void tmrMinuterie_Timer();
    // The screen changed under the frame: cover it again, with limits for its new size.
    void refitToScreen();

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

    platform::Runtime& runtime_;
    std::unique_ptr<platform::FrameWindow> window_;
    std::unique_ptr<platform::Timer> tmrMinuterie_;
    margins::Limits limits_;
    bool loaded_ = false;
    std::unique_ptr<frmPopup> popup_;
    std::unique_ptr<frmAPropos> aPropos_;
};

} // namespace zelvaro
