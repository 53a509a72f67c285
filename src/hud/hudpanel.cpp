// SPDX-License-Identifier: GPL-3.0-or-later
#include "hud/hudpanel.h"

#include "appearance/appcolors.h"
#include "appearance/appfonts.h"
#include "appearance/glass.h"
#include "widget/micglyph.h"
#include "widget/windowhints.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>

namespace quietlane {

namespace {

constexpr double kCornerRadius = 20;
constexpr double kSpacing = 12;
// The microphone at the height a 42-point symbol would take.
constexpr double kGlyphSize = 52;
constexpr double kWordPointSize = 13;

} // namespace

HUDPanel::HUDPanel(WindowHints& hints)
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(kWidth, kHeight);
    setWindowTitle(QStringLiteral("Quietlane HUD"));
    if (!hints.isCompositing()) {
        QPainterPath tile;
        tile.addRoundedRect(QRectF(0, 0, kWidth, kHeight), kCornerRadius, kCornerRadius);
        setMask(QRegion(tile.toFillPolygon().toPolygon()));
    }
}

void HUDPanel::setMuted(bool muted) {
    if (muted == m_muted)
        return;
    m_muted = muted;
    update();
}

QString HUDPanel::word(bool muted) {
    return muted ? tr("Выключен") : tr("Включён");
}

void HUDPanel::paintTile(QPainter& painter, const QRectF& frame, bool muted, bool dark) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QPainterPath tile;
    tile.addRoundedRect(frame, kCornerRadius, kCornerRadius);
    paintGlass(painter, tile, dark);
    painter.setPen(QPen(QColor(255, 255, 255, 20), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius - 0.5,
                            kCornerRadius - 0.5);

    const QFont font = AppFonts::interfaceFont(kWordPointSize, AppFonts::Weight::semibold);
    const QFontMetricsF metrics(font);
    const double textHeight = metrics.height();
    const double stackHeight = kGlyphSize + kSpacing + textHeight;
    const double top = frame.center().y() - stackHeight / 2;

    const QColor symbol = muted ? AppColors::systemRed(dark) : AppColors::primary(dark);
    const QRectF glyph(frame.center().x() - kGlyphSize / 2, top, kGlyphSize, kGlyphSize);
    MicGlyph::paintHalo(painter, glyph, muted, AppColors::glyphHalo(dark), 2, /*cutOut=*/true);
    MicGlyph::paint(painter, glyph, symbol, muted, symbol, /*cutOut=*/true);

    painter.setFont(font);
    painter.setPen(AppColors::primary(dark));
    painter.drawText(QRectF(frame.left(), top + kGlyphSize + kSpacing, frame.width(), textHeight),
                     Qt::AlignHCenter | Qt::AlignTop, word(muted));
    painter.restore();
}

void HUDPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    m_paintCache.paint(painter, std::pair(m_muted, dark), QSize(kWidth, kHeight),
                       devicePixelRatioF(), [this, dark](QPainter& imagePainter) {
                           paintTile(imagePainter, QRectF(0, 0, kWidth, kHeight), m_muted, dark);
                       });
}

} // namespace quietlane
