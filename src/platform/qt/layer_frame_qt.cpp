#include "platform/qt/layer_frame_qt.h"

#include <QCursor>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>

#include <cstdio>

#include "platform/qt/convert_qt.h"
#include "platform/qt/frame_shell.h"
#include "platform/qt/runtime_qt.h"

namespace zelvaro::qt {

std::unique_ptr<LayerFrameWindow> LayerFrameWindow::create(QtRuntime& runtime,
                                                           platform::WindowEvents& events,
                                                           const platform::Screen& screen,
                                                           FrameShell& shell) {
    auto window = std::make_unique<LayerFrameWindow>(runtime, events, screen, shell);
    if (!window->place()) return nullptr;
    return window;
}

LayerFrameWindow::LayerFrameWindow(QtRuntime& runtime, platform::WindowEvents& events,
                                   const platform::Screen& screen, FrameShell& shell)
    // The bypass hint leaves the surface's role to the shell.
    : QtFrameWindow(runtime, events, screen,
                    Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                        Qt::BypassWindowManagerHint),
      shell_(shell) {
    setAttribute(Qt::WA_TranslucentBackground);
    winId(); // the native window now, so that the first shape reaches it
    setScreen(screen);
    // Nothing takes input until the first shape is set.
    setShape({});
}

LayerFrameWindow::~LayerFrameWindow() {
    surface_.reset();
}

void LayerFrameWindow::setScreen(const platform::Screen& screen) {
    QtFrameWindow::setScreen(screen);
    // A placed surface stays on its output; the compositor tells it the output's new size. The
    // place is where Qt counts the frame's pointer positions from.
    if (!surface_)
        if (QScreen* native = QtRuntime::qscreen(screen.identity)) QWidget::setScreen(native);
    setGeometry(frameRect_);
}

bool LayerFrameWindow::place() {
    QScreen* screen = QtRuntime::qscreen(identity_);
    if (screen) QWidget::setScreen(screen);
    QWidget::show();
    // Before the first paint, which waits for the event loop.
    surface_ = shell_.attachFrame(*this, screen, [this] { surfaceTaken(); });
    if (!surface_) {
        QWidget::hide();
        return false;
    }
    surface_->reserveEdges(reserved_);
    return true;
}

void LayerFrameWindow::takeKeyboard() {
    if (!surface_) return;
    surface_->takeKeyboard();
    setFocus(Qt::ActiveWindowFocusReason);
}

void LayerFrameWindow::placeTopmost(std::int32_t x, std::int32_t y, std::int32_t width,
                                    std::int32_t height) {
    frameRect_ = QRect(x, y, width, height);
    setGeometry(frameRect_);
}

void LayerFrameWindow::reserveEdges(const platform::Edges& edges) {
    reserved_ = edges;
    if (surface_) surface_->reserveEdges(edges);
}

void LayerFrameWindow::surfaceTaken() {
    if (closed_ || !surface_) return;
    surface_.reset();
    QWidget::hide();
    // Qt has removed the screen of an output that went. One still there was taken back for some
    // other reason: the frame goes back once, then waits for the next change of screens.
    if (QtRuntime::qscreen(identity_) && !placedAgain_) {
        placedAgain_ = true;
        if (place()) return;
    }
    taken_ = true;
    events_.onDisplayChange();
}

void LayerFrameWindow::displayChanged() {
    placedAgain_ = false;
    // The output came back before the owner let the frame go: the frame returns to it.
    if (taken_ && !closed_ && QtRuntime::qscreen(identity_)) {
        taken_ = !place();
        if (taken_)
            std::fprintf(stderr, "zelvaro: un cadre n'a pas pu être placé sur son écran ; "
                                 "il le sera au prochain changement d'écrans\n");
    }
    events_.onDisplayChange();
}

void LayerFrameWindow::setShape(const QRegion& shape) {
    // Only the input region: a widget mask would also keep the painting of the hole from clearing
    // what the bands left there. An empty one would take every click: one pixel outside instead.
    // Only what changed is painted again, so that the compositor composes a step's two columns
    // rather than the whole screen.
    const QRegion changed = shape_.xored(shape);
    shape_ = shape;
    windowHandle()->setMask(shape.isEmpty() ? QRegion(-1, -1, 1, 1) : shape);
    update(changed);
}

void LayerFrameWindow::paintColour() {
    // Painted and sent now: the fade blocks the event loop between shades. Only the bands: the
    // compositor has nothing of the hole to redraw.
    if (isVisible()) repaint(shape_);
}

std::optional<platform::MenuChoice>
LayerFrameWindow::popupMenu(std::span<const platform::MenuItem> items, std::size_t defaultItem) {
    // A frame taken back with its output shows nothing to click; its menu cannot open either.
    if (!surface_) return std::nullopt;
    return QtFrameWindow::popupMenu(items, defaultItem);
}

QAction* LayerFrameWindow::execMenu(QMenu& menu) {
    return surface_->execMenu(menu, QCursor::pos());
}

void LayerFrameWindow::hideFrame() {
    surface_.reset();
    hide();
}

void LayerFrameWindow::lendKeyboard() {
    shell_.setKeyboardWanted(false);
}

void LayerFrameWindow::takeKeyboardBack() {
    if (!closed_) shell_.setKeyboardWanted(true);
}

void LayerFrameWindow::paintEvent(QPaintEvent* event) {
    // Every pixel asked for is written: the hole transparent, the bands in their colour. Rectangle
    // by rectangle: a step's two columns have the whole screen's width between them.
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QRegion asked = event->region();
    for (const QRect& rect : asked)
        painter.fillRect(rect, Qt::transparent);
    const QColor colour = toQColor(colour_);
    for (const QRect& rect : asked.intersected(shape_))
        painter.fillRect(rect, colour);
}

void LayerFrameWindow::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    if (surface_) surface_->keyboardEntered();
}

} // namespace zelvaro::qt
