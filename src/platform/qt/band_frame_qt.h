// The frame cut into one override-redirect X window per band, for compositors that hit-test an X
// window's whole rectangle whatever its shape (GNOME's, through XWayland): with no window over the
// hole, what lies beneath takes its clicks. This window itself is a managed pixel under the top
// band, which the compositor does give the keyboard; the keys may still reach the band that Qt
// last focused, which hands them on.
#pragma once

#include <memory>
#include <vector>

#include "platform/qt/frame_window_qt.h"
#include "platform/qt/strut_dock_qt.h"

namespace zelvaro::qt {

class BandFrameWindow final : public QtFrameWindow {
  public:
    BandFrameWindow(QtRuntime& runtime, platform::WindowEvents& events,
                    const platform::Screen& screen);
    ~BandFrameWindow() override;

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
    void hideFrame() override;
    void paintEvent(QPaintEvent* event) override;

  private:
    class Band;
    // The bands as the rectangles of the shape, placed from the frame's corner.
    void layBands();
    void raiseBands();

    std::vector<std::unique_ptr<Band>> bands_;
    QRegion shape_;
    bool shown_ = false;
    StrutDock struts_;
};

} // namespace zelvaro::qt
