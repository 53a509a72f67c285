// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/result.h"

#include <QColor>
#include <QImage>
#include <QString>

class QWidget;

namespace quietlane {

/// What both offscreen renderings share.
namespace OffscreenScene {

/// The coloured backdrop the cards are drawn on.
QColor backdrop();
inline constexpr double kScale = 2;

/// Lays out `scene` (shown off screen, so that every layout settles) and draws it at
/// scale 2. A null image when it cannot be drawn.
QImage grab(QWidget& scene);

/// Writes `image` as PNG to `path` atomically.
Result<void> writePng(const QImage& image, const QString& path);

} // namespace OffscreenScene

namespace SettingsRenderer {

/// The three settings tabs side by side (microphone, shortcut, widget), each on its own
/// page, with the fixed sample model on the fixed backdrop at scale 2: 1516 points wide
/// and as tall as the tallest tab plus 80.
QImage render();

/// Draws the image and writes it as PNG to `path`.
Result<void> renderToFile(const QString& path);

} // namespace SettingsRenderer

} // namespace quietlane
