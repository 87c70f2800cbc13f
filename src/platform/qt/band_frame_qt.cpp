#include "platform/qt/band_frame_qt.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "platform/qt/convert_qt.h"
#include "platform/qt/runtime_qt.h"

namespace zelvaro::qt {

class BandFrameWindow::Band final : public QWidget {
  public:
    explicit Band(BandFrameWindow& frame)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::X11BypassWindowManagerHint),
          frame_(frame) {
        // A visual with alpha: the compositor casts no shadow from it into the hole.
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
    }

  protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(event->rect(), toQColor(frame_.colour_));
    }
    void keyPressEvent(QKeyEvent* event) override { QCoreApplication::sendEvent(&frame_, event); }
    void keyReleaseEvent(QKeyEvent* event) override { QCoreApplication::sendEvent(&frame_, event); }
    void mousePressEvent(QMouseEvent* event) override {
        frame_.pressed(*event, event->globalPosition() - frame_.frameRect_.topLeft());
    }

  private:
    BandFrameWindow& frame_;
};

BandFrameWindow::BandFrameWindow(QtRuntime& runtime, platform::WindowEvents& events,
                                 const platform::Screen& screen)
    // An ordinary managed window, which the window manager gives the keyboard; as a tool window
    // it stays out of the task bar and the window switcher.
    : QtFrameWindow(runtime, events, screen, Qt::FramelessWindowHint | Qt::Tool) {
    setScreen(screen);
}

BandFrameWindow::~BandFrameWindow() = default;

void BandFrameWindow::setScreen(const platform::Screen& screen) {
    QtFrameWindow::setScreen(screen);
    if (QScreen* native = QtRuntime::qscreen(screen.identity)) QWidget::setScreen(native);
    setGeometry(QRect(frameRect_.topLeft(), QSize(1, 1)));
    layBands();
}

void BandFrameWindow::show() {
    QWidget::show();
    shown_ = true;
    layBands();
    raiseBands();
    raise();
    takeKeyboard();
}

void BandFrameWindow::placeTopmost(std::int32_t x, std::int32_t y, std::int32_t width,
                                   std::int32_t height) {
    frameRect_ = QRect(x, y, width, height);
    move(x, y);
    if (!isVisible()) QWidget::show();
    shown_ = true;
    layBands();
    raiseBands();
}

void BandFrameWindow::close() {
    struts_.release();
    QtFrameWindow::close();
}

void BandFrameWindow::setShape(const QRegion& shape) {
    shape_ = shape;
    layBands();
}

void BandFrameWindow::layBands() {
    std::size_t used = 0;
    for (const QRect& rect : shape_) {
        if (used == bands_.size()) bands_.push_back(std::make_unique<Band>(*this));
        Band& band = *bands_[used++];
        band.setGeometry(rect.translated(frameRect_.topLeft()));
        if (shown_ && !band.isVisible()) band.show();
    }
    bands_.resize(used);
}

void BandFrameWindow::raiseBands() {
    for (auto& band : bands_)
        band->raise();
}

void BandFrameWindow::paintColour() {
    for (auto& band : bands_)
        if (band->isVisible()) band->repaint();
}

void BandFrameWindow::hideFrame() {
    shown_ = false;
    for (auto& band : bands_)
        band->hide();
    hide();
}

void BandFrameWindow::paintEvent(QPaintEvent* event) {
    QPainter(this).fillRect(event->rect(), toQColor(colour_));
}

} // namespace zelvaro::qt
