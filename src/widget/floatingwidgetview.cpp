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

    const bool muted = look.isAvailable && look.isMuted;
    const double ringWidth = muted ? 2.0 : 1.5;
    QColor ring = !look.isAvailable ? AppColors::primary(look.dark)
                  : muted           ? AppColors::systemRed(look.dark)
                                    : AppColors::systemGreen(look.dark);
    const double ringAlpha = !look.isAvailable ? 0.4 : muted ? 0.95 : 0.65;
    ring.setAlphaF(float(ringAlpha * std::clamp(look.foregroundOpacity, 0.0, 1.0)));
    QPen ringPen(ring, ringWidth);
    if (!look.isAvailable)
        ringPen.setStyle(Qt::DashLine);
    painter.setPen(ringPen);
    painter.setBrush(Qt::NoBrush);
    // Stroked inside the edge, as the disc's border.
    const double inset = ringWidth / 2;
    painter.drawEllipse(frame.adjusted(inset, inset, -inset, -inset));

    painter.setOpacity(painter.opacity() * std::clamp(look.foregroundOpacity, 0.0, 1.0));
    QColor symbol = muted ? AppColors::systemRed(look.dark) : AppColors::primary(look.dark);
    if (!look.isAvailable)
        symbol.setAlphaF(0.4f);
    const QRectF glyph(frame.center().x() - kGlyphSize / 2, frame.center().y() - kGlyphSize / 2,
                       kGlyphSize, kGlyphSize);
    MicGlyph::paintHalo(painter, glyph, muted, AppColors::glyphHalo(look.dark), 1.5,
                        /*cutOut=*/true);
    MicGlyph::paint(painter, glyph, symbol, muted, symbol, /*cutOut=*/true);
    painter.restore();
}

QString accessibleName() {
    return QCoreApplication::translate("quietlane::FloatingWidgetView", "Микрофон");
}

QString accessibleValue(const Look& look) {
    if (!look.isAvailable)
        return QCoreApplication::translate("quietlane::FloatingWidgetView",
                                           "Нет звукового сервера");
    return look.isMuted ? QCoreApplication::translate("quietlane::FloatingWidgetView", "Выключен")
                        : QCoreApplication::translate("quietlane::FloatingWidgetView", "Активен");
}

QString accessibleHint() {
    return QCoreApplication::translate("quietlane::FloatingWidgetView",
                                       "Нажмите, чтобы переключить");
}

QString stateSummary(bool isAvailable, bool isMuted, const QString& device) {
    // The same messages as the dropdown's header, so one translation serves both.
    if (!isAvailable)
        return QCoreApplication::translate("quietlane", "Нет звукового сервера");
    const QString state = isMuted ? QCoreApplication::translate("quietlane", "Микрофон выключен")
                                  : QCoreApplication::translate("quietlane", "Микрофон активен");
    return device.isEmpty() ? state : state + QStringLiteral(" — ") + device;
}

} // namespace quietlane::FloatingWidgetView
