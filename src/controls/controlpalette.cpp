// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/controlpalette.h"

#include "appearance/appcolors.h"
#include "appearance/appfonts.h"

#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QWidget>

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
QColor redText() {
    return QColor(255, 122, 112);
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

void applyCardLook(QWidget& dialog) {
    const QColor raised(62, 62, 70); // white 0.12 over the panel
    QPalette palette = dialog.palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, panel());
        palette.setColor(group, QPalette::WindowText, white(0.92));
        palette.setColor(group, QPalette::Base, panel());
        palette.setColor(group, QPalette::Text, white(0.92));
        palette.setColor(group, QPalette::Button, raised);
        palette.setColor(group, QPalette::ButtonText, white(0.95));
        palette.setColor(group, QPalette::Highlight, green());
        palette.setColor(group, QPalette::HighlightedText, Qt::black);
    }
    palette.setColor(QPalette::Disabled, QPalette::WindowText, white(0.5));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, white(0.5));
    dialog.setPalette(palette);
    dialog.setFont(interFont(Weight::regular, 13));
}

void paintFocusRing(QPainter& painter, const QRectF& box, double radius) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // Bright and two pixels wide: it must stand out from a hovered or selected fill too.
    painter.setPen(QPen(white(0.8), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(box.adjusted(1, 1, -1, -1), radius, radius);
    painter.restore();
}

} // namespace quietlane::ControlPalette
