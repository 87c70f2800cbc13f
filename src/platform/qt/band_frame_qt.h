// The frame cut into one override-redirect X window per band, for compositors that hit-test an X
// window's whole rectangle whatever its shape (GNOME's, through XWayland): with no window over the
// hole, what lies beneath takes its clicks. A click on a band hands the keyboard to the frame's own
// managed window, which the compositor does give the keyboard; the keys may still reach the band
// that Qt last focused, which hands them on.
#pragma once

#include <QColor>
#include <QPoint>
#include <QRegion>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace zelvaro::qt {

class BandWindows {
  public:
    // keys: the window that handles the keys. pressed: a band was pressed, the event's position in
    // screen pixels.
    BandWindows(QWidget& keys, std::function<void(QMouseEvent&, QPoint)> pressed);
    ~BandWindows();

    // The bands become the rectangles of shape, placed from origin (the frame's corner).
    void setShape(const QRegion& shape, QPoint origin);
    // Painted and sent to the display now, as the frame's own colour changes are.
    void setColour(const QColor& colour);
    void show();
    void hide();
    void raise();

  private:
    class Band;
    std::vector<std::unique_ptr<Band>> bands_;
    QWidget& keys_;
    std::function<void(QMouseEvent&, QPoint)> pressed_;
    QColor colour_{Qt::black};
    bool shown_ = false;
};

} // namespace zelvaro::qt
