// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/controlpalette.h"

#include "appearance/appcolors.h"
#include "appearance/appfonts.h"

#include <QPainter>
#include <QPainterPath>

namespace quietlane::ControlPalette {

QColor panel() {
    return AppColors::panel();
}
QColor green() {
    return AppColors::green();
}
QColor red() {
    return AppColors::red();
}
QColor donate() {
    return AppColors::donate();
}

QColor white(double alpha) {
    QColor color(Qt::white);
    color.setAlphaF(float(alpha));
    return color;
}

QFont interFont(Weight weight, int pixelSize) {
    const AppFonts::Weight face = weight == Weight::semibold ? AppFonts::Weight::semibold
                                  : weight == Weight::medium ? AppFonts::Weight::medium
                                                             : AppFonts::Weight::regular;
    QFont font = AppFonts::interfaceFont(pixelSize, face);
    // The layouts are measured in logical pixels, so the size must not follow the DPI.
    font.setPixelSize(pixelSize);
    return font;
}

void paintSymbol(QPainter& painter, Symbol symbol, const QRectF& box, const QColor& color) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double s = box.width() / 12.0; // symbols are drawn on a 12-unit grid
    const QPointF o = box.topLeft();
    auto at = [&](double x, double y) {
        return o + QPointF(x * s, y * s);
    };
    QPen pen(color, 1.4 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (symbol) {
    case Symbol::checkmark: {
        pen.setWidthF(1.8 * s);
        painter.setPen(pen);
        QPainterPath path(at(2, 6.5));
        path.lineTo(at(5, 9.5));
        path.lineTo(at(10.5, 2.5));
        painter.drawPath(path);
        break;
    }
    case Symbol::microphone: {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawRoundedRect(QRectF(at(4, 0.5), at(8, 7.5)), 2 * s, 2 * s);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawArc(QRectF(at(2.2, 3), at(9.8, 9.2)), 180 * 16, 180 * 16);
        painter.drawLine(at(6, 9.2), at(6, 11.3));
        break;
    }
    case Symbol::keyboard: {
        pen.setWidthF(1.1 * s);
        painter.setPen(pen);
        painter.drawRoundedRect(QRectF(at(0.8, 2.5), at(11.2, 9.8)), 1.5 * s, 1.5 * s);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        for (double x : {2.8, 4.9, 7.0, 9.1}) {
            painter.drawRect(QRectF(at(x - 0.5, 4.3), QSizeF(1.1 * s, 1.1 * s)));
            painter.drawRect(QRectF(at(x - 0.5, 6.0), QSizeF(1.1 * s, 1.1 * s)));
        }
        painter.drawRect(QRectF(at(3.8, 7.8), at(8.2, 8.7)));
        break;
    }
    case Symbol::dotCircle: {
        pen.setWidthF(1.1 * s);
        painter.setPen(pen);
        painter.drawEllipse(QRectF(at(1, 1), at(11, 11)));
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(QRectF(at(3.8, 3.8), at(8.2, 8.2)));
        break;
    }
    }
    painter.restore();
}

void paintFocusRing(QPainter& painter, const QRectF& box, double radius) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(white(0.45), 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(box.adjusted(1, 1, -1, -1), radius, radius);
    painter.restore();
}

} // namespace quietlane::ControlPalette
