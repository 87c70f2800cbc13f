// The floor's job done with Qt Widgets and nothing of Zelvaro's: what the toolkit alone costs to
// start, to hold in memory and to move an edge. Right and Left move the side edges, Escape quits.
#include <QApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QWidget>

namespace {

constexpr int kHorizontal = 20;
constexpr int kVertical = 50;

class Frame final : public QWidget {
  public:
    Frame()
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::X11BypassWindowManagerHint) {
        setGeometry(screen()->geometry());
        cut();
    }

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        const int before = side_;
        if (event->key() == Qt::Key_Escape) close();
        if (event->key() == Qt::Key_Right && side_ < width() / 2 - 1) ++side_;
        if (event->key() == Qt::Key_Left && side_ > 2) --side_;
        if (side_ != before) cut();
    }
    void paintEvent(QPaintEvent* event) override {
        QPainter(this).fillRect(event->rect(), Qt::black);
    }

  private:
    void cut() {
        const QRect all = rect();
        setMask(QRegion(all).subtracted(all.adjusted(side_, kVertical, -side_, -kVertical)));
    }
    int side_ = kHorizontal;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    Frame frame;
    frame.show();
    frame.activateWindow(); // no window manager hands out the focus
    return QApplication::exec();
}
