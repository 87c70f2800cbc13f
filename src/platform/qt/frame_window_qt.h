// The frame form's native window: frameless, above every window, outside the taskbar, its shape
// (for painting and for input) set by a mask.
#pragma once

#include <QWidget>

#include "platform/runtime.h"

namespace zelvaro::qt {

class QtRuntime;

class QtFrameWindow final : public QWidget, public platform::FrameWindow {
  public:
    QtFrameWindow(QtRuntime& runtime, platform::WindowEvents& events);

    void show() override;
    platform::TwipsRect geometry() const override;
    void placeTopmost(std::int32_t x, std::int32_t y, std::int32_t width,
                      std::int32_t height) override;
    void setBackColour(platform::Colour colour) override;
    platform::Colour backColour() const override { return colour_; }
    void setRegion(platform::RegionHandle region) override;
    std::optional<std::size_t> popupMenu(std::span<const platform::MenuItem> items,
                                         std::size_t defaultItem) override;
    void close() override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void setShape(const QRegion& shape);

    QtRuntime& runtime_;
    platform::WindowEvents& events_;
    platform::Colour colour_ = 0;
    bool closed_ = false;
};

// The virtual-key code of a Qt key, as the forms know keys.
std::int16_t virtualKey(int qtKey);

} // namespace zelvaro::qt
