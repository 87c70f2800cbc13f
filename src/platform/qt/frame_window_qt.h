// The frame form's native window: frameless, above every window, outside the taskbar, its shape
// (for painting and for input) set by a mask. With a shell (Wayland) the window is translucent:
// the shape is its input region, and the hole is painted transparent.
#pragma once

#include <QWidget>

#include <memory>
#include <string>

#include "platform/runtime.h"

namespace zelvaro::qt {

class BandWindows;
class FrameShell;
class FrameSurface;
class QtRuntime;

class QtFrameWindow final : public QWidget, public platform::FrameWindow {
  public:
    // shell: what places the frame above other windows where Qt alone cannot; none on X11.
    // bandWindows: the bands are windows of their own (see band_windows_qt.h); this window only
    // holds the keyboard.
    QtFrameWindow(QtRuntime& runtime, platform::WindowEvents& events,
                  const platform::Screen& screen, FrameShell* shell, bool bandWindows = false);
    ~QtFrameWindow() override;

    void show() override;
    void takeKeyboard() override;
    platform::TwipsRect geometry() const override;
    void setScreen(const platform::Screen& screen) override;
    void placeTopmost(std::int32_t x, std::int32_t y, std::int32_t width,
                      std::int32_t height) override;
    void setBackColour(platform::Colour colour) override;
    void setRegion(platform::RegionHandle region) override;
    std::optional<platform::MenuChoice> popupMenu(std::span<const platform::MenuItem> items,
                                                  std::size_t defaultItem) override;
    void close() override;
    // The screens changed (the runtime hears it once for all windows).
    void displayChanged();

    // Around a dialog, with a shell: the keyboard goes to the dialog, then comes back. Without
    // one, the window system moves it as windows are activated.
    void lendKeyboard();
    void takeKeyboardBack();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void setShape(const QRegion& shape);
    void pressed(QMouseEvent& event, QPointF position);
    // With a shell: shown on its screen's output, taking the keyboard or not.
    void place(bool keyboard);
    // The compositor took the frame's place back: its output went away.
    void surfaceTaken();

    QtRuntime& runtime_;
    platform::WindowEvents& events_;
    FrameShell* shell_;
    std::unique_ptr<FrameSurface> surface_; // with a shell, while the frame is placed
    std::u16string identity_;               // of the screen the window covers
    bool taken_ = false;                    // placed, then taken back with its output
    bool placedAgain_ = false;              // taken back with its output still there
    QRegion shape_; // with a shell or band windows: what is painted and takes input
    std::unique_ptr<BandWindows> bands_;
    QRect frameRect_; // with band windows: where the frame stands, this window being a pixel
    platform::Colour colour_ = 0;
    double twipsPerPixel_ = platform::kDefaultTwipsPerPixel;
    bool closed_ = false;
};

// The virtual-key code of a Qt key, as the forms know keys.
std::int16_t virtualKey(int qtKey);

} // namespace zelvaro::qt
