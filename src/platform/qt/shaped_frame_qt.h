// The frame on an X server: one override-redirect window above every other, outside taskbars and
// pagers with or without a window manager, cut by its shape (for painting and for input).
#pragma once

#include "platform/qt/frame_window_qt.h"
#include "platform/qt/strut_dock_qt.h"

namespace zelvaro::qt {

class ShapedFrameWindow final : public QtFrameWindow {
  public:
    ShapedFrameWindow(QtRuntime& runtime, platform::WindowEvents& events,
                      const platform::Screen& screen);

    void show() override;
    void takeKeyboard() override { takeX11Keyboard(); }
    void setScreen(const platform::Screen& screen) override;
    void placeTopmost(std::int32_t x, std::int32_t y, std::int32_t width,
                      std::int32_t height) override;
    void reserveEdges(const platform::Edges& edges) override { struts_.reserve(frameRect_, edges); }
    void close() override;

  protected:
    void setShape(const QRegion& shape) override;
    void paintColour() override;
    void paintEvent(QPaintEvent* event) override;

  private:
    StrutDock struts_;
};

} // namespace zelvaro::qt
