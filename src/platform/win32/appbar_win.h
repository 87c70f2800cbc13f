// One band of a frame's screen kept from other windows: an application desktop toolbar, which the
// shell places maximized and new windows around. Its window never shows and never activates, so
// the messages a toolbar sends about its own z-order and activation have nothing to report.
#pragma once

#include <windows.h>

#include <memory>

#include "frame/shape.h"

namespace zelvaro::win32 {

class Win32AppBar {
  public:
    // Registered with the shell on the band's edge, not placed yet; nothing on failure.
    static std::unique_ptr<Win32AppBar> create(HINSTANCE instance, HWND owner,
                                               modRégions::Side side);
    Win32AppBar(const Win32AppBar&) = delete;
    Win32AppBar& operator=(const Win32AppBar&) = delete;
    // Gives the band back.
    ~Win32AppBar();

    // Asks the shell for the band, keeps its thickness on the side the shell may have moved,
    // reserves what is left and moves the window there.
    void place(const platform::PixelRect& rect);

  private:
    explicit Win32AppBar(modRégions::Side side) : band_{side, {}} {}
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept;
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    // Once per window, however it ends.
    void remove() noexcept;

    // The band as the frame asks for it, before the shell has its say.
    modRégions::Band band_;
    HWND window_ = nullptr;
    bool registered_ = false;
};

} // namespace zelvaro::win32
