#include "platform/qt/frame_window_qt.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>

#include <xcb/xcb.h>

#include "platform/qt/convert_qt.h"
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

QtFrameWindow::QtFrameWindow(QtRuntime& runtime, platform::WindowEvents& events,
                             const platform::Screen& screen, Qt::WindowFlags flags)
    : QWidget(nullptr, flags), runtime_(runtime), events_(events) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    QtFrameWindow::setScreen(screen);
    runtime_.addFrameWindow(this);
}

QtFrameWindow::~QtFrameWindow() {
    runtime_.removeFrameWindow(this);
}

void QtFrameWindow::setScreen(const platform::Screen& screen) {
    twipsPerPixel_ = screen.twipsPerPixelX;
    identity_ = screen.identity;
    const platform::PixelRect& b = screen.bounds;
    frameRect_ = QRect(b.left, b.top, b.right - b.left, b.bottom - b.top);
}

platform::TwipsRect QtFrameWindow::geometry() const {
    const double perPixel = twipsPerPixel_;
    const QRect& r = frameRect_;
    return {r.x() * perPixel, r.y() * perPixel, r.width() * perPixel, r.height() * perPixel};
}

void QtFrameWindow::setBackColour(platform::Colour colour) {
    // Every arrow step sets the glow again: a colour already shown needs no paint.
    if (colour == colour_) return;
    colour_ = colour;
    paintColour();
}

void QtFrameWindow::setRegion(platform::OwnedRegion region) {
    setShape(runtime_.takeRegion(region.release()));
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
            action->setEnabled(!item.disabled);
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

QAction* QtFrameWindow::execMenu(QMenu& menu) {
    return menu.exec(QCursor::pos());
}

std::optional<platform::MenuChoice>
QtFrameWindow::popupMenu(std::span<const platform::MenuItem> items, std::size_t defaultItem) {
    QMenu menu(this);
    const QList<QAction*> actions = addItems(menu, items);
    if (defaultItem < static_cast<std::size_t>(actions.size()))
        menu.setDefaultAction(actions[static_cast<qsizetype>(defaultItem)]);
    const QAction* chosen = execMenu(menu);
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
    hideFrame();
}

void QtFrameWindow::takeX11Keyboard() {
    activateWindow();
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        xcb_set_input_focus(x11->connection(), XCB_INPUT_FOCUS_PARENT,
                            static_cast<xcb_window_t>(winId()), XCB_CURRENT_TIME);
        xcb_flush(x11->connection());
    }
    setFocus(Qt::ActiveWindowFocusReason);
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

void QtFrameWindow::closeEvent(QCloseEvent* event) {
    // Closing goes through the form, which saves the margins and then closes the window itself.
    if (closed_) return event->accept();
    event->ignore();
    events_.onCloseRequest();
}

} // namespace zelvaro::qt
