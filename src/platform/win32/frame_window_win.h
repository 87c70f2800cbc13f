// The frame form's native window: borderless, topmost, no taskbar button, shaped by a region.
#pragma once

#include <windows.h>

#include <array>
#include <memory>

#include "platform/runtime.h"
#include "platform/win32/appbar_win.h"

namespace zelvaro::win32 {

class Win32Runtime;

class Win32FrameWindow final : public platform::FrameWindow {
  public:
    // Nothing on failure, after telling the user.
    static std::unique_ptr<Win32FrameWindow>
    create(Win32Runtime& runtime, platform::WindowEvents& events, const platform::Screen& screen);
    Win32FrameWindow(const Win32FrameWindow&) = delete;
    Win32FrameWindow& operator=(const Win32FrameWindow&) = delete;
    ~Win32FrameWindow() override;

    HWND handle() const { return window_; }

    void show() override;
    platform::TwipsRect geometry() const override;
    void setScreen(const platform::Screen& screen) override { screen_ = screen; }
    void placeTopmost(std::int32_t x, std::int32_t y, std::int32_t width,
                      std::int32_t height) override;
    void setBackColour(platform::Colour colour) override;
    // The click that asks for it has already activated the window.
    void takeKeyboard() override {}
    void setRegion(platform::OwnedRegion region) override;
    std::optional<platform::MenuChoice> popupMenu(std::span<const platform::MenuItem> items,
                                                  std::size_t defaultItem) override;
    // One toolbar per band of some thickness.
    void reserveEdges(const platform::Edges& edges) override;
    void close() override;

  private:
    Win32FrameWindow(Win32Runtime& runtime, platform::WindowEvents& events,
                     const platform::Screen& screen);
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept;
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void paint() noexcept;
    void mouseDown(std::int16_t button, LPARAM position) noexcept;

    Win32Runtime& runtime_;
    platform::WindowEvents& events_;
    HWND window_ = nullptr;
    platform::Screen screen_;
    platform::Colour colour_ = 0;
    // By side; none where nothing is reserved.
    std::array<std::unique_ptr<Win32AppBar>, 4> appBars_;
};

} // namespace zelvaro::win32
