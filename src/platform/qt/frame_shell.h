// What keeps the frame above every other window where Qt alone cannot. An X server lets an
// override-redirect window place itself and needs none of this; a Wayland compositor grants that
// place only through a protocol role, which an implementation of this interface assigns.
#pragma once

#include <QPoint>

#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace zelvaro::qt {

class FrameShell {
  public:
    virtual ~FrameShell() = default;
    // Right after the frame's first show, before anything is painted. False: the frame could not
    // be placed, and a line on stderr says why. closed: the compositor took the place back.
    virtual bool attachFrame(QWidget& frame, std::function<void()> closed) = 0;
    // Before the frame's window goes.
    virtual void detachFrame() = 0;
    // Pops the menu up at a point of the frame and waits until it closes: the chosen action, or
    // nullptr when it was dismissed.
    virtual QAction* execMenu(QMenu& menu, QPoint at) = 0;
    // The frame holds the keyboard (true), or leaves it to a dialog's window (false).
    virtual void setKeyboardWanted(bool wanted) = 0;
    // The frame has just received the keyboard.
    virtual void keyboardEntered() = 0;
    // A band was pressed: the frame takes the keyboard back if another window had it.
    virtual void bandPressed() = 0;
    // While the user-interface thread is blocked (the fade), handles what the display server sent
    // meanwhile: the buffers it has released, so that the next shade reuses one. Input stays
    // queued for the event loop.
    virtual void handlePendingEvents() = 0;
};

} // namespace zelvaro::qt
