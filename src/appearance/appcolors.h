// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

namespace quietlane::AppColors {

// The dark card colours of the dropdown and the settings window.
inline QColor panel() {
    return QColor(33, 33, 41);
}
inline QColor green() {
    return QColor(48, 209, 89);
}
inline QColor red() {
    return QColor(255, 69, 59);
}
inline QColor donate() {
    return QColor(255, 120, 120);
}

// The desktop-independent system tints the widget and the indicator draw with.
inline QColor systemRed(bool dark) {
    // The light scheme's red is a shade darker than the usual system red, which reads at
    // barely 3:1 on white.
    return dark ? QColor(255, 69, 58) : QColor(210, 32, 32);
}
inline QColor systemGreen(bool dark) {
    return dark ? QColor(48, 209, 88) : QColor(52, 199, 89);
}
/// The band drawn round a glyph on a translucent background, so that it stands out from
/// whatever desktop shows through: the scheme's background tone, nearly opaque.
inline QColor glyphHalo(bool dark) {
    return dark ? QColor(0, 0, 0, 217) : QColor(255, 255, 255, 230);
}
/// Text colour of the current scheme: near black on light, near white on dark.
inline QColor primary(bool dark) {
    return dark ? QColor(255, 255, 255, 230) : QColor(0, 0, 0, 217);
}

} // namespace quietlane::AppColors
