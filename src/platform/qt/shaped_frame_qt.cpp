#include "platform/qt/shaped_frame_qt.h"

#include <QPaintEvent>
#include <QPainter>

#include "platform/qt/convert_qt.h"
#include "platform/qt/runtime_qt.h"

namespace zelvaro::qt {

ShapedFrameWindow::ShapedFrameWindow(QtRuntime& runtime, platform::WindowEvents& events,
                                     const platform::Screen& screen)
    : QtFrameWindow(runtime, events, screen,
                    Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                        Qt::BypassWindowManagerHint) {
    setScreen(screen);
    // Nothing shows until the first shape is set, so the screen never flashes whole.
    setShape({});
}

void ShapedFrameWindow::setScreen(const platform::Screen& screen) {
    QtFrameWindow::setScreen(screen);
    if (QScreen* native = QtRuntime::qscreen(screen.identity)) QWidget::setScreen(native);
    setGeometry(frameRect_);
}

void ShapedFrameWindow::show() {
    QWidget::show();
    raise();
    takeKeyboard();
}

void ShapedFrameWindow::placeTopmost(std::int32_t x, std::int32_t y, std::int32_t width,
                                     std::int32_t height) {
    frameRect_ = QRect(x, y, width, height);
    setGeometry(frameRect_);
    if (!isVisible()) QWidget::show();
    raise();
}

void ShapedFrameWindow::close() {
    // The core gives the bands back first; a window closed otherwise gives them back too.
    struts_.release();
    QtFrameWindow::close();
}

void ShapedFrameWindow::setShape(const QRegion& shape) {
    // An empty mask would remove the shape and show the whole window: keep one pixel outside it.
    const QRegion before = mask();
    setMask(shape.isEmpty() ? QRegion(-1, -1, 1, 1) : shape);
    // Painting is clipped to the shape: what the new shape adds was last painted in an older
    // colour, which an expose would show.
    update(mask().subtracted(before));
}

void ShapedFrameWindow::paintColour() {
    // Painted and sent to the display now: the fade blocks the event loop between shades.
    if (isVisible()) repaint();
}

void ShapedFrameWindow::paintEvent(QPaintEvent* event) {
    QPainter(this).fillRect(event->rect(), toQColor(colour_));
}

} // namespace zelvaro::qt
