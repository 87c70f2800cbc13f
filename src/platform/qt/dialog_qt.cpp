#include "platform/qt/dialog_qt.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include <algorithm>
#include <vector>

#include "platform/conversions.h"
#include "platform/qt/convert_qt.h"
#include "platform/qt/frame_window_qt.h"
#include "platform/qt/runtime_qt.h"

namespace zelvaro::qt {

using platform::ControlKind;
using platform::Picture;

namespace {

// The layouts' font; the platform's sans font where it is missing.
QFont dialogFont() {
    const QString face = qstring(platform::kDialogFontFace);
    QFont font(face);
    if (QFontInfo(font).family().compare(face, Qt::CaseInsensitive) != 0)
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(platform::kDialogFontPoints);
    return font;
}

QPixmap pixmapOf(Picture picture) {
    switch (picture) {
    case Picture::Icon:
        return QPixmap(QStringLiteral(":/images/icone-48.png"));
    case Picture::DonationFrench:
        return QPixmap(QStringLiteral(":/images/donner-fr.png"));
    case Picture::DonationEnglish:
        return QPixmap(QStringLiteral(":/images/donner-en.png"));
    case Picture::None:
        break;
    }
    return {};
}

QCursor handCursor() {
    return QCursor(QPixmap(QStringLiteral(":/images/main-cursor.png")), 11, 5);
}

} // namespace

QtDialog::QtDialog(const platform::DialogLayout& layout, platform::DialogEvents& events,
                   QtFrameWindow& owner)
    : QDialog(&owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint |
                          Qt::WindowStaysOnTopHint),
      events_(events), twipsPerPixel_(twipsPerPixel()) {
    setWindowTitle(qstring(layout.caption));
    setWindowModality(Qt::ApplicationModal);
    setFont(dialogFont());
    setMouseTracking(true);
    installEventFilter(this);
    setFixedSize(pixels(layout.clientWidthTwips), pixels(layout.clientHeightTwips));

    for (const auto& control : layout.controls)
        if (control.visible) createControl(control);

    // Tab goes through the controls in their tab order.
    std::vector<const Control*> order;
    for (const auto& [id, control] : controls_)
        if (control.layout->tabIndex >= 0) order.push_back(&control);
    std::sort(order.begin(), order.end(),
              [](auto* a, auto* b) { return a->layout->tabIndex < b->layout->tabIndex; });
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1]->widget, order[i]->widget);

    // Centred on the screen each time it is shown.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

QPixmap QtDialog::picture(Picture picture) const {
    // The pictures are drawn for the default density; they grow with the screen's.
    constexpr double drawnAt = platform::kDefaultTwipsPerPixel;
    const QPixmap drawn = pixmapOf(picture);
    if (drawn.isNull() || twipsPerPixel_ == drawnAt) return drawn;
    return drawn.scaled(pixels(drawn.width() * drawnAt), pixels(drawn.height() * drawnAt),
                        Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

int QtDialog::pixels(double twips) const {
    return static_cast<int>(platform::roundHalfEven(twips / twipsPerPixel_));
}

void QtDialog::createControl(const platform::ControlLayout& layout) {
    QWidget* widget = nullptr;
    switch (layout.kind) {
    case ControlKind::CommandButton: {
        auto* button = new QPushButton(qstring(layout.text), this);
        button->setDefault(layout.defaultButton);
        button->setAutoDefault(layout.defaultButton);
        connect(button, &QPushButton::clicked, this,
                [this, id = layout.id] { events_.onClick(id); });
        widget = button;
        break;
    }
    case ControlKind::TextBox: {
        auto* text = new QPlainTextEdit(qstring(layout.text), this);
        text->setReadOnly(layout.multiLineReadOnly);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        text->viewport()->setMouseTracking(true);
        text->viewport()->installEventFilter(this);
        if (layout.backColour) {
            QPalette palette = text->palette();
            palette.setColor(QPalette::Base, toQColor(*layout.backColour));
            palette.setColor(QPalette::Text,
                             QGuiApplication::palette().color(QPalette::ToolTipText));
            text->setPalette(palette);
        }
        widget = text;
        break;
    }
    case ControlKind::PictureBox:
    case ControlKind::Image:
    case ControlKind::Label: {
        auto* label = new QLabel(qstring(layout.text), this);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(layout.kind == ControlKind::Label && !layout.link);
        if (layout.picture != Picture::None) label->setPixmap(picture(layout.picture));
        widget = label;
        break;
    }
    }
    widget->setGeometry(pixels(layout.bounds.left), pixels(layout.bounds.top),
                        pixels(layout.bounds.width), pixels(layout.bounds.height));
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
    if (layout.tabIndex < 0 || layout.kind == ControlKind::Label ||
        layout.kind == ControlKind::PictureBox || layout.kind == ControlKind::Image)
        widget->setFocusPolicy(Qt::NoFocus);
    if (layout.handCursor) widget->setCursor(handCursor());
    if (layout.link) {
        QFont font = widget->font();
        font.setUnderline(true);
        widget->setFont(font);
    }
    controls_[layout.id] = {&layout, widget};
    if (layout.foreColour) setForeColour(layout.id, *layout.foreColour);
    if (layout.link) widget->adjustSize();
}

QWidget* QtDialog::widget(int control) const {
    const auto found = controls_.find(control);
    return found == controls_.end() ? nullptr : found->second.widget;
}

int QtDialog::controlOf(QObject* object) const {
    for (const auto& [id, control] : controls_)
        for (QObject* o = object; o && o != this; o = o->parent())
            if (o == control.widget) return id;
    return platform::kDialogItself;
}

void QtDialog::setCaption(std::u16string_view caption) {
    setWindowTitle(qstring(caption));
}

void QtDialog::setText(int control, std::u16string_view text) {
    const auto found = controls_.find(control);
    if (found == controls_.end()) return;
    QWidget* w = found->second.widget;
    if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(qstring(text));
    else if (auto* edit = qobject_cast<QPlainTextEdit*>(w))
        edit->setPlainText(qstring(text));
    else if (auto* button = qobject_cast<QPushButton*>(w))
        button->setText(qstring(text));
    if (found->second.layout->link) w->adjustSize(); // links size themselves to their text
}

void QtDialog::setForeColour(int control, platform::Colour colour) {
    if (QWidget* w = widget(control)) {
        QPalette palette = w->palette();
        palette.setColor(QPalette::WindowText, toQColor(colour));
        w->setPalette(palette);
    }
}

void QtDialog::setPicture(int control, Picture picture) {
    if (auto* label = qobject_cast<QLabel*>(widget(control)))
        label->setPixmap(this->picture(picture));
}

void QtDialog::moveTo(int control, double leftTwips, double topTwips) {
    if (QWidget* w = widget(control)) w->move(pixels(leftTwips), pixels(topTwips));
}

void QtDialog::bringForward() {
    if (closed_) return;
    raise();
    activateWindow();
}

void QtDialog::showModal() {
    if (closed_) return;
    // A compositor gives the box the keyboard only once the frame leaves it.
    static_cast<QtFrameWindow*>(parentWidget())->lendKeyboard();
    exec();
}

void QtDialog::openWithShell(std::u16string_view address) {
    QDesktopServices::openUrl(QUrl(qstring(address)));
}

void QtDialog::close() {
    closed_ = true;
    // The frame takes the keyboard while the box still holds it. Were the box to go first, a window
    // manager would move the focus itself, and never to the frame, which it does not manage. The
    // box closes on the user's word only, so the keyboard is theirs to hand back.
    QWidget* owner = parentWidget();
    if (owner && owner->isVisible()) {
        static_cast<QtFrameWindow*>(owner)->takeKeyboardBack();
        owner->activateWindow();
        owner->setFocus(Qt::ActiveWindowFocusReason);
    }
    done(QDialog::Accepted);
}

void QtDialog::reject() {
    // Escape presses the cancel button.
    for (const auto& [id, control] : controls_)
        if (control.layout->cancelButton) return events_.onClick(id);
    events_.onCloseRequest();
}

void QtDialog::closeEvent(QCloseEvent* event) {
    if (closed_) return event->accept();
    event->ignore();
    events_.onCloseRequest();
}

bool QtDialog::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress &&
        type != QEvent::MouseButtonRelease)
        return QDialog::eventFilter(watched, event);

    const int control = controlOf(watched);
    const auto found = controls_.find(control);
    // Labels and pictures take their mouse input here, and it stops here: passed on to the box
    // it would count a second time, as a move over the box itself.
    const bool ours = watched != this && found != controls_.end() &&
                      (found->second.layout->kind == ControlKind::Label ||
                       found->second.layout->kind == ControlKind::Image ||
                       found->second.layout->kind == ControlKind::PictureBox);
    if (type == QEvent::MouseMove) {
        events_.onMouseMove(control);
        return ours;
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const std::int16_t button = mouseButton(mouse->button());
    if (!button) return ours;
    if (type == QEvent::MouseButtonPress) {
        events_.onMouseDown(control, button);
        if (ours && button == platform::buttons::Left) pressed_ = control;
        return ours;
    }
    events_.onMouseUp(control, button);
    if (button == platform::buttons::Left && pressed_ == control) {
        pressed_ = platform::kDialogItself - 1;
        const auto* w = qobject_cast<QWidget*>(watched);
        // A click is a press and a release over the same control.
        if (ours && w && w->rect().contains(mouse->position().toPoint())) events_.onClick(control);
    }
    return ours;
}

} // namespace zelvaro::qt
