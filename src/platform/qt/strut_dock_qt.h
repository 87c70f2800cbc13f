// What keeps other windows out of an X frame's bands: a window manager leaves the struts of its
// docks free when it maximizes, tiles or places windows. The frame itself stays override-redirect,
// outside the window manager's reach, so a companion carries the struts: a managed dock of one
// pixel under the frame's band, on every desktop, never given the keyboard.
#pragma once

#include <QRect>

#include <cstdint>

#include "platform/runtime.h"

namespace zelvaro::qt {

class StrutDock {
  public:
    StrutDock() = default;
    StrutDock(const StrutDock&) = delete;
    StrutDock& operator=(const StrutDock&) = delete;
    ~StrutDock() { release(); }

    // Reserves these bands of the screen (in root pixels); all zero destroys the dock.
    void reserve(const QRect& screen, const platform::Edges& edges);
    void release();

    // Whether the running window manager says it honours partial struts.
    static bool supported();

  private:
    std::uint32_t window_ = 0; // the dock, while there are bands to reserve
};

} // namespace zelvaro::qt
