// SPDX-License-Identifier: GPL-3.0-or-later
#include "widget/micglyph.h"

#include <QPainter>
#include <QPainterPathStroker>
#include <QTransform>

#include <algorithm>

namespace quietlane::MicGlyph {

namespace {

void addBar(QPainterPath& path, const QRectF& frame, double x, double y, double w, double h,
            double r) {
    const double s = frame.width() / 24.0;
    path.addRoundedRect(QRectF(frame.left() + x * s, frame.top() + y * s, w * s, h * s), r * s,
                        r * s);
}

} // namespace

QPainterPath microphonePath(const QRectF& frame) {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    addBar(path, frame, 8, 3, 8, 12, 4);         // head
    addBar(path, frame, 10.8, 15, 2.4, 4, 1);    // stem
    addBar(path, frame, 7.5, 18.8, 9, 2.2, 1.1); // base
    return path;
}

double slashThickness(double size) {
    return std::max(2.3 * size / 24.0, 2.0);
}

QPainterPath slashPath(const QRectF& frame) {
    const double size = frame.width();
    const double t = slashThickness(size);
    const double length = 0.96 * size;
    QPainterPath bar;
    bar.addRoundedRect(QRectF(-length / 2, -t / 2, length, t), t / 2, t / 2);
    QTransform transform;
    transform.translate(frame.center().x(), frame.center().y());
    transform.rotate(45); // y points down: clockwise on screen
    return transform.map(bar);
}

namespace {

QPainterPath bodyPath(const QRectF& frame, bool muted, bool cutOut) {
    QPainterPath microphone = microphonePath(frame);
    if (muted && cutOut) {
        QPainterPathStroker gap;
        gap.setWidth(slashThickness(frame.width()) * 1.7);
        gap.setCapStyle(Qt::RoundCap);
        const QPointF a = frame.topLeft() + QPointF(frame.width() * 0.02, frame.height() * 0.02);
        QPainterPath line(a);
        line.lineTo(frame.bottomRight() - QPointF(frame.width() * 0.02, frame.height() * 0.02));
        microphone = microphone.subtracted(gap.createStroke(line));
    }
    return microphone;
}

} // namespace

void paintHalo(QPainter& painter, const QRectF& frame, bool muted, const QColor& halo, double width,
               bool cutOut) {
    QPainterPath shape = bodyPath(frame, muted, cutOut);
    if (muted)
        shape = shape.united(slashPath(frame));
    QPainterPathStroker stroker;
    stroker.setWidth(2 * width);
    stroker.setJoinStyle(Qt::RoundJoin);
    stroker.setCapStyle(Qt::RoundCap);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(stroker.createStroke(shape).united(shape), halo);
    painter.restore();
}

void paint(QPainter& painter, const QRectF& frame, const QColor& color, bool muted,
           const QColor& slashColor, bool cutOut) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.fillPath(bodyPath(frame, muted, cutOut), color);
    if (muted)
        painter.fillPath(slashPath(frame), slashColor);
    painter.restore();
}

} // namespace quietlane::MicGlyph
