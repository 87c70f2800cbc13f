// Conversions between the forms' values and Qt's.
#pragma once

#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <QString>

#include <cstdint>
#include <string_view>

#include "platform/runtime.h"

namespace zelvaro::qt {

inline QString qstring(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

inline QColor toQColor(platform::Colour colour) {
    // The one system colour the layouts use: the tooltip background.
    if (platform::isSystemColour(colour))
        return QGuiApplication::palette().color(QPalette::ToolTipBase);
    return QColor(platform::redOf(colour), platform::greenOf(colour), platform::blueOf(colour));
}

// The button as the mouse events carry it; 0 for one the forms do not know.
inline std::int16_t mouseButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return platform::buttons::Left;
    case Qt::RightButton:
        return platform::buttons::Right;
    case Qt::MiddleButton:
        return platform::buttons::Middle;
    default:
        return 0;
    }
}

// Shift 1, Ctrl 2, Alt 4.
inline std::int16_t shiftState(Qt::KeyboardModifiers modifiers) {
    return static_cast<std::int16_t>((modifiers & Qt::ShiftModifier ? 1 : 0) |
                                     (modifiers & Qt::ControlModifier ? 2 : 0) |
                                     (modifiers & Qt::AltModifier ? 4 : 0));
}

} // namespace zelvaro::qt
