// SPDX-License-Identifier: GPL-3.0-or-later
#include "appearance/glass.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace quietlane {

void paintGlass(QPainter& painter, const QPainterPath& shape, bool dark, double opacity) {
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    painter.setPen(Qt::NoPen);
    const QRectF bounds = shape.boundingRect();
    QLinearGradient fill(bounds.topLeft(), bounds.bottomLeft());
    if (dark) {
        fill.setColorAt(0, QColor(72, 72, 80, 205));
        fill.setColorAt(1, QColor(44, 44, 50, 205));
    } else {
        fill.setColorAt(0, QColor(252, 252, 254, 205));
        fill.setColorAt(1, QColor(228, 228, 234, 205));
    }
    painter.fillPath(shape, fill);
    painter.restore();
}

} // namespace quietlane
