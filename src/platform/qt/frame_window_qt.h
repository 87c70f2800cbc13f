// What every Linux frame window shares: a frameless top-level widget that hands the forms its
// keys, clicks, menu and close requests, in twips of the screen it covers. Each kind of desktop has
// a subclass of its own (shaped_frame_qt.h, band_frame_qt.h, layer_frame_qt.h), which the runtime
// chooses once and which only places and paints the frame.
#pragma once

#include <QWidget>

#include <memory>
#include <string>

#include "platform/runtime.h"

class QMenu;

namespace zelvaro::qt {

class QtRuntime;

class QtFrameWindow : public QWidget, public platform::FrameWindow {
  public:
    ~QtFrameWindow() override;

    platform::TwipsRect geometry() const override;
    void setScreen(const platform::Screen& screen) override;
    void setBackColour(platform::Colour colour) override;
    void setRegion(platform::OwnedRegion region) override;
    std::optional<platform::MenuChoice> popupMenu(std::span<const platform::MenuItem> items,
                                                  std::size_t defaultItem) override;
    void reserveEdges(const platform::Edges& /*edges*/) override {}
    void close() override;

    // The screens changed (the runtime hears it once for all windows).
    virtual void displayChanged() { events_.onDisplayChange(); }
    // Around a dialog, where the desktop does not move the keyboard as windows are activated: the
    // keyboard goes to the dialog, then comes back.
    virtual void lendKeyboard() {}
    virtual void takeKeyboardBack() {}
    // A close request from outside the window system: a signal, the end of the session.
    void requestClose() { events_.onCloseRequest(); }
    void secondStart() { events_.onSecondStart(); }

  protected:
    QtFrameWindow(QtRuntime& runtime, platform::WindowEvents& events,
                  const platform::Screen& screen, Qt::WindowFlags flags);

    // The frame's shape: what is painted and takes input, in the frame's pixels.
    virtual void setShape(const QRegion& shape) = 0;
    // The new colour, painted and sent to the display before this returns.
    virtual void paintColour() = 0;
    virtual void hideFrame() { hide(); }
    // Pops the menu up at the pointer and waits: the chosen action, or nullptr.
    virtual QAction* execMenu(QMenu& menu);
    // A press on the frame, at a position of the frame in pixels.
    void pressed(QMouseEvent& event, QPointF position);
    // On an X server: the keyboard to this window as of now. Qt asks X with the time of the last
    // event it saw, and X ignores a request older than the last focus change, so a window the user
    // has clicked since would keep the keyboard.
    void takeX11Keyboard();

    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    QtRuntime& runtime_;
    platform::WindowEvents& events_;
    std::u16string identity_; // of the screen the window covers
    QRect frameRect_;         // where the frame stands, in pixels of the desktop
    platform::Colour colour_ = 0;
    bool closed_ = false;

  private:
    double twipsPerPixel_ = platform::kDefaultTwipsPerPixel;
};

// The virtual-key code of a Qt key, as the forms know keys.
std::int16_t virtualKey(int qtKey);

} // namespace zelvaro::qt
