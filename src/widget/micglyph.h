// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace quietlane::MicGlyph {

/// The microphone drawn on a 24-unit grid scaled into the square `frame`: a capsule head,
/// a stem and a base, as one path.
QPainterPath microphonePath(const QRectF& frame);

/// The diagonal slash of the muted state, upper left to lower right; never thinner than
/// 2 pixels so it stays visible at small sizes.
QPainterPath slashPath(const QRectF& frame);
double slashThickness(double size);

/// Paints the glyph. With `cutOut`, the microphone is cleared along the slash so that the
/// two stay apart when they share a colour's weight (the widget's look).
void paint(QPainter& painter, const QRectF& frame, const QColor& color, bool muted,
           const QColor& slashColor, bool cutOut = false);

/// Paints a `width` wide band round the glyph's outline: drawn under the glyph, it keeps a
/// coloured glyph readable on whatever lies behind a translucent background.
void paintHalo(QPainter& painter, const QRectF& frame, bool muted, const QColor& halo, double width,
               bool cutOut = false);

} // namespace quietlane::MicGlyph
