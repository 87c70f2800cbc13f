#include "platform/qt/frame_window_qt.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>

#include "platform/qt/band_windows_qt.h"
#include "platform/qt/convert_qt.h"
#include "platform/qt/frame_shell.h"
#include "platform/qt/runtime_qt.h"

namespace zelvaro::qt {

std::int16_t virtualKey(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<std::int16_t>(key);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::int16_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<std::int16_t>(0x70 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Escape:
        return platform::keys::Escape;
    case Qt::Key_Left:
        return platform::keys::Left;
    case Qt::Key_Up:
        return platform::keys::Up;
    case Qt::Key_Right:
        return platform::keys::Right;
    case Qt::Key_Down:
        return platform::keys::Down;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Space:
        return 32;
    default:
        return 0; // a key the forms have no code for: still a key that beeps
    }
}

namespace {

void focusOnServer(WId window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) return;
    xcb_set_input_focus(x11->connection(), XCB_INPUT_FOCUS_PARENT,
                        static_cast<xcb_window_t>(window), XCB_CURRENT_TIME);
    xcb_flush(x11->connection());
}

Qt::WindowFlags frameFlags(bool bandWindows) {
    // With band windows this one is an ordinary managed window, which the window manager gives
    // the keyboard; as a tool window it stays out of the task bar and the window switcher.
    if (bandWindows) return Qt::FramelessWindowHint | Qt::Tool;
    return Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::BypassWindowManagerHint;
}

} // namespace

QtFrameWindow::QtFrameWindow(QtRuntime& runtime, platform::WindowEvents& events,
                             const platform::Screen& screen, FrameShell* shell, bool bandWindows)
    : QWidget(nullptr, frameFlags(bandWindows)), runtime_(runtime), events_(events), shell_(shell) {
    if (bandWindows)
        bands_ = std::make_unique<BandWindows>(*this, [this](QMouseEvent& event, QPoint at) {
            pressed(event, at - frameRect_.topLeft());
        });
    // Above panels and outside taskbars and pagers, with or without a window manager; on Wayland
    // the bypass hint leaves the surface's role to the shell.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    if (shell_) {
        setAttribute(Qt::WA_TranslucentBackground);
        winId(); // the native window now, so that the first shape reaches it
    }
    setFocusPolicy(Qt::StrongFocus);
    setScreen(screen);
    runtime_.addFrameWindow(this);
    // Nothing shows until the first shape is set, so the screen never flashes whole.
    setShape({});
}

QtFrameWindow::~QtFrameWindow() {
    surface_.reset();
    runtime_.removeFrameWindow(this);
}

void QtFrameWindow::setScreen(const platform::Screen& screen) {
    twipsPerPixel_ = screen.twipsPerPixelX;
    identity_ = screen.identity;
    // A placed surface stays on its output; the compositor tells it the output's new size.
    if (!surface_)
        if (QScreen* native = QtRuntime::qscreen(screen.identity)) QWidget::setScreen(native);
    // With a shell, the place is where Qt counts the frame's pointer positions from.
    const platform::PixelRect& b = screen.bounds;
    frameRect_ = QRect(b.left, b.top, b.right - b.left, b.bottom - b.top);
    // With band windows, a pixel in the corner, under the top band.
    setGeometry(bands_ ? QRect(frameRect_.topLeft(), QSize(1, 1)) : frameRect_);
    if (bands_) bands_->setShape(shape_, frameRect_.topLeft());
}

void QtFrameWindow::setShape(const QRegion& shape) {
    // An empty mask would remove the shape and show the whole window: keep one pixel outside it.
    if (bands_) {
        shape_ = shape;
        return bands_->setShape(shape, frameRect_.topLeft());
    }
    const QRegion mask = shape.isEmpty() ? QRegion(-1, -1, 1, 1) : shape;
    if (!shell_) return setMask(mask);
    // Only the input region: a widget mask would also keep the painting of the hole from clearing
    // what the bands left there. Only what changed is painted again, so that the compositor
    // composes a step's two columns rather than the whole screen.
    const QRegion changed = shape_.xored(shape);
    shape_ = shape;
    windowHandle()->setMask(mask);
    update(changed);
}

void QtFrameWindow::show() {
    if (shell_) return place(true);
    QWidget::show();
    if (bands_) bands_->show();
    raise();
    takeKeyboard();
}

void QtFrameWindow::takeKeyboard() {
    if (shell_) {
        if (surface_) surface_->takeKeyboard();
        return;
    }
    // Asked of the window manager, and set on the X server at once: Qt asks X with the time of the
    // last event it saw, and X ignores a request older than the last focus change, so a window the
    // user has clicked since would keep the keyboard. The compositor of band windows follows X.
    activateWindow();
    focusOnServer(winId());
    setFocus(Qt::ActiveWindowFocusReason);
}

void QtFrameWindow::place(bool keyboard) {
    if (closed_ || taken_) return;
    // The role is given once: shown again (a second start, the keyboard moving here), the frame
    // keeps it and takes the keyboard.
    if (surface_) {
        if (keyboard) surface_->takeKeyboard();
        return;
    }
    QScreen* screen = QtRuntime::qscreen(identity_);
    if (screen) QWidget::setScreen(screen);
    QWidget::show();
    // Before the first paint, which waits for the event loop.
    surface_ = shell_->attachFrame(*this, screen, keyboard, [this] { surfaceTaken(); });
    if (!surface_) {
        if (!runtime_.framePlaced()) {
            std::fprintf(stderr,
                         "zelvaro: le cadre ne peut pas être placé au-dessus des fenêtres ; "
                         "Zelvaro s'arrête sans rien modifier\n");
            std::_Exit(1); // nothing was shown or saved yet
        }
        // Another frame is in place: this one waits for the next change of screens.
        std::fprintf(stderr, "zelvaro: un cadre n'a pas pu être placé sur son écran ; "
                             "il le sera au prochain changement d'écrans\n");
        taken_ = true;
        QWidget::hide();
        return;
    }
    runtime_.setFramePlaced();
    if (keyboard) setFocus(Qt::ActiveWindowFocusReason);
}

void QtFrameWindow::surfaceTaken() {
    if (closed_ || !surface_) return;
    surface_.reset();
    QWidget::hide();
    // Qt has removed the screen of an output that went. One still there was taken back for some
    // other reason: the frame goes back once, then waits for the next change of screens.
    if (QtRuntime::qscreen(identity_) && !placedAgain_) {
        placedAgain_ = true;
        return place(false);
    }
    taken_ = true;
    events_.onDisplayChange();
}

void QtFrameWindow::displayChanged() {
    placedAgain_ = false;
    // The output came back before the owner let the frame go: the frame returns to it.
    if (taken_ && !closed_ && QtRuntime::qscreen(identity_)) {
        taken_ = false;
        place(false);
    }
    events_.onDisplayChange();
}

platform::TwipsRect QtFrameWindow::geometry() const {
    const double perPixel = twipsPerPixel_;
    const QRect r = bands_ ? frameRect_ : QWidget::geometry();
    return {r.x() * perPixel, r.y() * perPixel, r.width() * perPixel, r.height() * perPixel};
}

void QtFrameWindow::placeTopmost(std::int32_t x, std::int32_t y, std::int32_t width,
                                 std::int32_t height) {
    if (bands_) {
        frameRect_ = QRect(x, y, width, height);
        move(x, y);
        if (!isVisible()) QWidget::show();
        bands_->setShape(shape_, frameRect_.topLeft());
        bands_->show();
        return;
    }
    setGeometry(x, y, width, height);
    if (shell_) return place(false);
    if (!isVisible()) QWidget::show();
    raise();
}

void QtFrameWindow::setBackColour(platform::Colour colour) {
    // Every arrow step sets the glow again: a colour already shown needs no paint.
    if (colour == colour_) return;
    colour_ = colour;
    if (bands_) return bands_->setColour(toQColor(colour));
    if (!isVisible()) return;
    // Painted and sent to the display now: the fade blocks the event loop between shades. With a
    // shell, only the bands are redrawn: the compositor has nothing of the hole to redraw.
    if (shell_)
        repaint(shape_);
    else
        repaint();
}

void QtFrameWindow::setRegion(platform::RegionHandle region) {
    const QRegion before = mask();
    setShape(runtime_.takeRegion(region));
    // Painting is clipped to the shape: what the new shape adds was last painted in an older
    // colour, which an expose would show.
    update(mask().subtracted(before));
}

namespace {

// The items as actions of the menu, with their submenus, in the same order.
QList<QAction*> addItems(QMenu& menu, std::span<const platform::MenuItem> items) {
    QList<QAction*> actions;
    for (const platform::MenuItem& item : items) {
        if (item.separator) {
            actions.push_back(menu.addSeparator());
        } else if (!item.submenu.empty()) {
            QMenu* submenu = menu.addMenu(qstring(item.caption));
            addItems(*submenu, item.submenu);
            actions.push_back(submenu->menuAction());
        } else {
            QAction* action = menu.addAction(qstring(item.caption));
            action->setCheckable(item.checkable);
            action->setChecked(item.checked);
            actions.push_back(action);
        }
    }
    return actions;
}

std::optional<std::size_t> indexOf(const QList<QAction*>& actions, const QAction* action) {
    const qsizetype index = action ? actions.indexOf(action) : -1;
    if (index < 0) return std::nullopt;
    return static_cast<std::size_t>(index);
}

} // namespace

std::optional<platform::MenuChoice>
QtFrameWindow::popupMenu(std::span<const platform::MenuItem> items, std::size_t defaultItem) {
    // A frame taken back with its output shows nothing to click; its menu cannot open either.
    if (shell_ && !surface_) return std::nullopt;
    QMenu menu(this);
    const QList<QAction*> actions = addItems(menu, items);
    if (defaultItem < static_cast<std::size_t>(actions.size()))
        menu.setDefaultAction(actions[static_cast<qsizetype>(defaultItem)]);
    const QAction* chosen =
        surface_ ? surface_->execMenu(menu, QCursor::pos()) : menu.exec(QCursor::pos());
    if (const auto item = indexOf(actions, chosen)) return platform::MenuChoice(*item);
    for (qsizetype i = 0; i < actions.size(); ++i) {
        const QMenu* submenu = actions[i]->menu();
        if (!submenu) continue;
        if (const auto sub = indexOf(submenu->actions(), chosen))
            return platform::MenuChoice(static_cast<std::size_t>(i), *sub);
    }
    return std::nullopt;
}

void QtFrameWindow::close() {
    closed_ = true;
    surface_.reset();
    if (bands_) bands_->hide();
    hide();
}

void QtFrameWindow::lendKeyboard() {
    if (shell_) shell_->setKeyboardWanted(false);
}

void QtFrameWindow::takeKeyboardBack() {
    if (shell_ && !closed_) shell_->setKeyboardWanted(true);
}

void QtFrameWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (!shell_) return painter.fillRect(event->rect(), toQColor(colour_));
    // Every pixel asked for is written: the hole transparent, the bands in their colour. Rectangle
    // by rectangle: a step's two columns have the whole screen's width between them.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QRegion asked = event->region();
    for (const QRect& rect : asked)
        painter.fillRect(rect, Qt::transparent);
    const QColor colour = toQColor(colour_);
    for (const QRect& rect : asked.intersected(shape_))
        painter.fillRect(rect, colour);
}

void QtFrameWindow::keyPressEvent(QKeyEvent* event) {
    events_.onKeyDown(virtualKey(event->key()), shiftState(event->modifiers()));
}

void QtFrameWindow::keyReleaseEvent(QKeyEvent* event) {
    // X repeats a held key as release-press pairs; only the last release is a real one.
    if (event->isAutoRepeat()) return;
    events_.onKeyUp(virtualKey(event->key()), shiftState(event->modifiers()));
}

void QtFrameWindow::mousePressEvent(QMouseEvent* event) {
    pressed(*event, event->position());
}

void QtFrameWindow::pressed(QMouseEvent& event, QPointF position) {
    const std::int16_t button = mouseButton(event.button());
    if (!button) return;
    const double perPixel = twipsPerPixel_;
    events_.onMouseDown(button, shiftState(event.modifiers()), position.x() * perPixel,
                        position.y() * perPixel);
}

void QtFrameWindow::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    if (surface_) surface_->keyboardEntered();
}

void QtFrameWindow::closeEvent(QCloseEvent* event) {
    // Closing goes through the form, which saves the margins and then closes the window itself.
    if (closed_) return event->accept();
    event->ignore();
    events_.onCloseRequest();
}

} // namespace zelvaro::qt
