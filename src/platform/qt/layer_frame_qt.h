// The frame on a Wayland compositor: a translucent window given its place above every other by a
// shell (layer-shell), one surface per output. The shape is its input region, and the hole is
// painted transparent.
#pragma once

#include <memory>

#include "platform/qt/frame_window_qt.h"

namespace zelvaro::qt {

class FrameShell;
class FrameSurface;

class LayerFrameWindow final : public QtFrameWindow {
  public:
    // Nothing, after a line on stderr, when the compositor will not place the frame.
    static std::unique_ptr<LayerFrameWindow> create(QtRuntime& runtime,
                                                    platform::WindowEvents& events,
                                                    const platform::Screen& screen,
                                                    FrameShell& shell);
    LayerFrameWindow(QtRuntime& runtime, platform::WindowEvents& events,
                     const platform::Screen& screen, FrameShell& shell);
    ~LayerFrameWindow() override;

    void show() override { takeKeyboard(); }
    void takeKeyboard() override;
    void setScreen(const platform::Screen& screen) override;
    void placeTopmost(std::int32_t x, std::int32_t y, std::int32_t width,
                      std::int32_t height) override;
    std::optional<platform::MenuChoice> popupMenu(std::span<const platform::MenuItem> items,
                                                  std::size_t defaultItem) override;
    void displayChanged() override;
    void lendKeyboard() override;
    void takeKeyboardBack() override;
    void reserveEdges(const platform::Edges& edges) override;

  protected:
    void setShape(const QRegion& shape) override;
    void paintColour() override;
    void hideFrame() override;
    QAction* execMenu(QMenu& menu) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

  private:
    // Shown on its screen's output; false when the compositor would not place it.
    bool place();
    // The compositor took the frame's place back: its output went away.
    void surfaceTaken();

    FrameShell& shell_;
    std::unique_ptr<FrameSurface> surface_; // while the frame is placed
    bool taken_ = false;                    // placed, then taken back with its output
    bool placedAgain_ = false;              // taken back with its output still there
    QRegion shape_;
    platform::Edges reserved_; // placed again with the surface
};

} // namespace zelvaro::qt
