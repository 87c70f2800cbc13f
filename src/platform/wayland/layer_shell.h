// The frame on a Wayland compositor that offers layer-shell: the frame's own surface on the
// overlay layer, anchored to every edge; its menu an xdg popup of that surface. Qt draws both
// windows; this gives their surfaces the roles Qt does not (Qt leaves the role of a window with
// Qt::BypassWindowManagerHint to the program when QT_WAYLAND_USE_BYPASSWINDOWMANAGERHINT is set).
#pragma once

#include <memory>

#include "platform/qt/frame_shell.h"

namespace zelvaro::wayland {

// The environment variable that makes Qt leave those roles to us; set before Qt starts.
inline constexpr char kLeaveRolesToProgram[] = "QT_WAYLAND_USE_BYPASSWINDOWMANAGERHINT";

// On Qt's own Wayland connection (QGuiApplication exists). Nothing, with a line on stderr, when
// the compositor does not offer what the frame needs.
std::unique_ptr<qt::FrameShell> createLayerShell();

} // namespace zelvaro::wayland
