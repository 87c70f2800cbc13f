// Which runtime a session gets, decided once at start before Qt connects anywhere.
#pragma once

#include <QString>

namespace zelvaro::qt {

enum class Session {
    X11,          // an X server (or XWayland chosen by QT_QPA_PLATFORM=xcb): the shaped window
    WaylandFrame, // a Wayland compositor with layer-shell: the frame on the overlay layer
    BandWindows,  // GNOME: X11 through XWayland, one window per band and one for the keyboard
    Refused,      // a Wayland compositor where no frame can both show the hole and take the keys
    NoDisplay,
};

struct SessionChoice {
    Session session = Session::NoDisplay;
    QString desktop; // Refused: the desktop as the user knows it
    QString missing; // Refused: what it lacks
};

// Reads the environment and asks a Wayland compositor what it offers; sets QT_QPA_PLATFORM and
// what Qt needs for the chosen runtime.
SessionChoice chooseSession();

// The refusal as the user meets it: one line on stderr, then a dialog that waits for OK (or for
// close()). Needs a QApplication.
void showRefusal(const SessionChoice& choice);
// One line on stderr only: before there is any QApplication.
void printRefusal(const SessionChoice& choice);

} // namespace zelvaro::qt
