// SPDX-License-Identifier: GPL-3.0-or-later
#include "appearance/visualeffectview.h"

#include "appearance/appcolors.h"

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

VisualEffectView::VisualEffectView(QWidget* parent, double cornerRadius)
    : QWidget(parent), m_cornerRadius(cornerRadius) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void VisualEffectView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), m_cornerRadius, m_cornerRadius);
    QColor base = AppColors::panel();
    base.setAlphaF(0.96f);
    painter.fillPath(shape, base);
    QLinearGradient sheen(0, 0, 0, height());
    sheen.setColorAt(0, QColor(255, 255, 255, 14));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    painter.fillPath(shape, sheen);
}

} // namespace quietlane
