// SPDX-License-Identifier: GPL-3.0-or-later
#include "widget/floatingwidgetview.h"

#include "appearance/appcolors.h"
#include "appearance/glass.h"
#include "widget/micglyph.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>

namespace quietlane::FloatingWidgetView {

namespace {
// The microphone takes about as much room as a 26-point symbol would.
constexpr double kGlyphSize = 34;
} // namespace

void paint(QPainter& painter, const QRectF& frame, const Look& look) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    QPainterPath disc;
    disc.addEllipse(frame);
    paintGlass(painter, disc, look.dark, look.backgroundOpacity);

    const double ringWidth = look.isMuted ? 2.0 : 1.5;
    QColor ring =
        look.isMuted ? AppColors::systemRed(look.dark) : AppColors::systemGreen(look.dark);
    ring.setAlphaF(
        float((look.isMuted ? 0.95 : 0.65) * std::clamp(look.foregroundOpacity, 0.0, 1.0)));
    painter.setPen(QPen(ring, ringWidth));
    painter.setBrush(Qt::NoBrush);
    // Stroked inside the edge, as the disc's border.
    const double inset = ringWidth / 2;
    painter.drawEllipse(frame.adjusted(inset, inset, -inset, -inset));

    painter.setOpacity(painter.opacity() * std::clamp(look.foregroundOpacity, 0.0, 1.0));
    const QColor symbol =
        look.isMuted ? AppColors::systemRed(look.dark) : AppColors::primary(look.dark);
    const QRectF glyph(frame.center().x() - kGlyphSize / 2, frame.center().y() - kGlyphSize / 2,
                       kGlyphSize, kGlyphSize);
    MicGlyph::paint(painter, glyph, symbol, look.isMuted, symbol, /*cutOut=*/true);
    painter.restore();
}

QString accessibleName() {
    return QCoreApplication::translate("quietlane::FloatingWidgetView", "Микрофон");
}

QString accessibleValue(bool isMuted) {
    return isMuted ? QCoreApplication::translate("quietlane::FloatingWidgetView", "Выключен")
                   : QCoreApplication::translate("quietlane::FloatingWidgetView", "Активен");
}

QString accessibleHint() {
    return QCoreApplication::translate("quietlane::FloatingWidgetView",
                                       "Нажмите, чтобы переключить");
}

} // namespace quietlane::FloatingWidgetView
