// What keeps the frames above every other window where Qt alone cannot. An X server lets an
// override-redirect window place itself and needs none of this; a Wayland compositor grants that
// place only through a protocol role, which an implementation of this interface assigns, one
// surface per frame, each on its own output.
#pragma once

#include <QPoint>

#include <functional>
#include <memory>

#include "platform/runtime.h"

class QAction;
class QMenu;
class QScreen;
class QWidget;

namespace zelvaro::qt {

// The role of one frame's surface; it goes with this object, which must go before the frame's
// window is hidden.
class FrameSurface {
  public:
    virtual ~FrameSurface() = default;
    // Pops the menu up at a point of the frame, in the frame's coordinates, and waits until it
    // closes: the chosen action, or nullptr when it was dismissed. Its submenus open as popups of
    // it.
    virtual QAction* execMenu(QMenu& menu, QPoint at) = 0;
    // This frame holds the keyboard from now on, unless a dialog has it; the frame or the window
    // that held it leaves it.
    virtual void takeKeyboard() = 0;
    // The frame has just received the keyboard.
    virtual void keyboardEntered() = 0;
    // Keeps other windows out of these bands of the frame's output, all zero out of none; the
    // reservation goes with this object.
    virtual void reserveEdges(const platform::Edges& edges) = 0;
};

class FrameShell {
  public:
    virtual ~FrameShell() = default;
    // Right after the frame's show, before anything is painted, on the screen's output (the
    // compositor's choice when there is none), without the keyboard. taken: the compositor took
    // the place back, its output having gone. Nothing: the frame could not be placed, and a line
    // on stderr says why.
    virtual std::unique_ptr<FrameSurface> attachFrame(QWidget& frame, QScreen* screen,
                                                      std::function<void()> taken) = 0;
    // The frame that holds the keyboard keeps it (true), or leaves it to a dialog's window
    // (false).
    virtual void setKeyboardWanted(bool wanted) = 0;
    // Whether frames can keep other windows out of their bands (FrameSurface::reserveEdges).
    virtual bool canReserveEdges() const = 0;
    // The desktop's bell, where the compositor lets a client ring it.
    virtual void beep() = 0;
    // While the user-interface thread is blocked (the fade), handles what the display server sent
    // meanwhile: the buffers it has released, so that the next shade reuses one. Input stays
    // queued for the event loop.
    virtual void handlePendingEvents() = 0;
};

} // namespace zelvaro::qt
