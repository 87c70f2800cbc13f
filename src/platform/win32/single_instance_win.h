// One Zelvaro per session: the first start holds a named mutex of the session's namespace; a later
// start lets the running frame take the foreground, tells it, and ends without a frame of its own.
#pragma once

#include <windows.h>

#include <utility>

#include "platform/win32/handles_win.h"

namespace zelvaro::win32 {

class SessionInstance {
  public:
    // Either this start is the session's first, and keeps the claim as long as the object lives,
    // or another Zelvaro runs and has been told: this start then ends.
    static SessionInstance claim();
    bool first() const { return first_; }

  private:
    SessionInstance(UniqueHandle mutex, bool first) : mutex_(std::move(mutex)), first_(first) {}

    UniqueHandle mutex_;
    bool first_;
};

// The message a later start sends the running frame window, and the frame's answer.
UINT secondStartMessage();
inline constexpr LRESULT kSecondStartTaken = 1;

} // namespace zelvaro::win32
