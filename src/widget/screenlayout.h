// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widget/widgetgeometry.h"

#include <QPoint>
#include <QRect>

namespace quietlane::QtScreens {

/// The toolkit's screens in stored-position coordinates (lower left of the primary display
/// is the origin, y up), primary first. Empty while the display server reports none.
ScreenLayout currentLayout();

/// Conversions between a 64-point window's stored origin and its toolkit position.
QPoint toWindowPosition(Point origin, Size size);
Point fromWindowPosition(QPoint topLeft, Size size);

} // namespace quietlane::QtScreens
