// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QPainter;
class QPainterPath;

namespace quietlane {

/// Stands in for a translucent blur of what lies behind a window. Without a compositor
/// nothing behind the window can be sampled, so it draws a frosted fill of its own that
/// reads the same on any background.
void paintGlass(QPainter& painter, const QPainterPath& shape, bool dark, double opacity = 1.0);

} // namespace quietlane
