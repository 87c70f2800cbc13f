#include "platform/qt/band_windows_qt.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace zelvaro::qt {

class BandWindows::Band final : public QWidget {
  public:
    Band(BandWindows& owner)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::X11BypassWindowManagerHint),
          owner_(owner) {
        // A visual with alpha: the compositor casts no shadow from it into the hole.
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
    }

  protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(event->rect(), owner_.colour_);
    }
    void keyPressEvent(QKeyEvent* event) override {
        QCoreApplication::sendEvent(&owner_.keys_, event);
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        QCoreApplication::sendEvent(&owner_.keys_, event);
    }
    void mousePressEvent(QMouseEvent* event) override {
        owner_.pressed_(*event, event->globalPosition().toPoint());
    }

  private:
    BandWindows& owner_;
};

BandWindows::BandWindows(QWidget& keys, std::function<void(QMouseEvent&, QPoint)> pressed)
    : keys_(keys), pressed_(std::move(pressed)) {}

BandWindows::~BandWindows() = default;

void BandWindows::setShape(const QRegion& shape, QPoint origin) {
    std::size_t used = 0;
    for (const QRect& rect : shape) {
        if (used == bands_.size()) bands_.push_back(std::make_unique<Band>(*this));
        Band& band = *bands_[used++];
        band.setGeometry(rect.translated(origin));
        if (shown_ && !band.isVisible()) band.show();
    }
    for (std::size_t i = used; i < bands_.size(); ++i)
        bands_[i]->hide();
    bands_.resize(used);
}

void BandWindows::setColour(const QColor& colour) {
    colour_ = colour;
    for (auto& band : bands_)
        if (band->isVisible()) band->repaint();
}

void BandWindows::show() {
    shown_ = true;
    for (auto& band : bands_)
        band->show();
    raise();
}

void BandWindows::hide() {
    shown_ = false;
    for (auto& band : bands_)
        band->hide();
}

void BandWindows::raise() {
    for (auto& band : bands_)
        band->raise();
}

} // namespace zelvaro::qt
