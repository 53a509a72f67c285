// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/dropdownrows.h"

#include "controls/controlpalette.h"
#include "tray/dropdownmodel.h"
#include "widget/micglyph.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace quietlane {

namespace P = ControlPalette;

namespace {
QFont hintFont() {
    return P::interFont(P::Weight::regular, 12);
}
QFont muteTitleFont() {
    return P::interFont(P::Weight::medium, 13);
}
// The mute button's label: 12 of inset on each side of the 280-wide button, the glyph and
// its spacing before the title, a gap before the hint.
constexpr double kMuteContentWidth = 280 - 24;
constexpr double kGlyphSpace = 18 + 10;
constexpr double kHintGap = 8;
QColor accent(bool muted) {
    return muted ? P::red() : P::green();
}
} // namespace

DropdownHeader::DropdownHeader(QWidget* parent) : QWidget(parent) {
    setFixedHeight(64);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void DropdownHeader::setState(bool isAvailable, bool isMuted, const QString& deviceName) {
    const QString shownName = isAvailable ? deviceName : unavailableDetail();
    if (isAvailable == m_available && isMuted == m_muted && shownName == m_deviceName &&
        !accessibleName().isEmpty())
        return;
    m_available = isAvailable;
    m_muted = isMuted;
    m_deviceName = shownName;
    setAccessibleName(title() + QStringLiteral(", ") + m_deviceName);
    update();
}

QString DropdownHeader::title() const {
    return m_available ? stateTitle(m_muted) : unavailableTitle();
}

void DropdownHeader::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool muted = m_available && m_muted;
    const QColor a = m_available ? accent(m_muted) : P::white(0.45);
    const QRectF tile(14, 12, 40, 40);
    QColor tileColor = a;
    tileColor.setAlphaF(0.16f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tileColor);
    painter.drawRoundedRect(tile, 10, 10);
    MicGlyph::paint(painter, QRectF(tile.center() - QPointF(12, 12), QSizeF(24, 24)), a, muted,
                    P::red());

    const double dotX = width() - 16 - 10;
    painter.setBrush(a);
    painter.drawEllipse(QRectF(dotX, 32 - 5, 10, 10));

    const QFont titleFont = P::interFont(P::Weight::semibold, 14);
    const QFont deviceFont = P::interFont(P::Weight::regular, 12);
    const QFontMetricsF titleMetrics(titleFont);
    const QFontMetricsF deviceMetrics(deviceFont);
    const double textLeft = tile.right() + 12;
    const double textWidth = std::max(0.0, dotX - 8 - textLeft);
    const double blockHeight = titleMetrics.height() + 2 + deviceMetrics.height();
    const double top = 32 - blockHeight / 2;
    painter.setFont(titleFont);
    painter.setPen(P::white(0.96));
    painter.drawText(QRectF(textLeft, top, textWidth, titleMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     titleMetrics.elidedText(title(), Qt::ElideRight, textWidth));
    painter.setFont(deviceFont);
    painter.setPen(P::white(0.62));
    painter.drawText(
        QRectF(textLeft, top + titleMetrics.height() + 2, textWidth, deviceMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter,
        deviceMetrics.elidedText(m_deviceName, Qt::ElideRight, textWidth));
}

DropdownMuteButton::DropdownMuteButton(QWidget* parent) : PlainButton(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusRadius(10);
    setState(true, false, {});
}

void DropdownMuteButton::setState(bool isAvailable, bool isMuted, const QString& hotkeyHint) {
    m_available = isAvailable;
    m_muted = isMuted;
    m_hint = hotkeyHint;
    setEnabled(isAvailable);
    const QString title = isAvailable ? muteButtonTitle(isMuted) : unavailableButtonTitle();
    setText(title);
    updateGeometry();
    setAccessibleName(hotkeyHint.isEmpty()
                          ? title
                          : title + QStringLiteral(" (") + hotkeyHint + QStringLiteral(")"));
    update();
}

bool DropdownMuteButton::hintFitsBesideTitle() const {
    // Decided on the longest of the titles the button can show, so that a change of state
    // never moves the hint (and every row below it) to another line.
    const QFontMetricsF metrics(muteTitleFont());
    double title = 0;
    for (const QString& each :
         {muteButtonTitle(true), muteButtonTitle(false), unavailableButtonTitle()})
        title = std::max(title, metrics.horizontalAdvance(each));
    const double hint = QFontMetricsF(hintFont()).horizontalAdvance(m_hint);
    return m_hint.isEmpty() || kGlyphSpace + title + kHintGap + hint <= kMuteContentWidth;
}

QSize DropdownMuteButton::sizeHint() const {
    const QFontMetrics metrics(muteTitleFont());
    if (hintFitsBesideTitle())
        return {280, std::max(18, metrics.height()) + 22};
    // A long shortcut ("Ctrl+Alt+Super+M" beside a Russian title) goes under the title
    // rather than cutting either short.
    return {280, metrics.height() + 2 + QFontMetrics(hintFont()).height() + 22};
}

void DropdownMuteButton::paintContent(QPainter& painter) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(P::white(0.1));
    painter.drawRoundedRect(QRectF(rect()), 10, 10);
    const QRectF content = QRectF(rect()).adjusted(12, 11, -12, -11);
    // Greyed out as a whole while there is nothing a click could do.
    if (!m_available)
        painter.setOpacity(0.45);
    // The glyph shows the state the click produces: green and open to unmute, white and
    // slashed to mute.
    const QRectF glyph(content.left(), content.center().y() - 9, 18, 18);
    if (m_available)
        MicGlyph::paint(painter, glyph, m_muted ? P::green() : QColor(Qt::white), !m_muted,
                        P::red());
    else
        MicGlyph::paint(painter, glyph, QColor(Qt::white), false, QColor(Qt::white));
    const QFont titleFont = muteTitleFont();
    const QFontMetricsF titleMetrics(titleFont);
    QRectF titleBox = content.adjusted(kGlyphSpace, 0, 0, 0);
    QRectF hintBox = content;
    Qt::Alignment hintAlignment = Qt::AlignRight | Qt::AlignVCenter;
    if (hintFitsBesideTitle()) {
        titleBox.setRight(content.right() -
                          (QFontMetricsF(hintFont()).horizontalAdvance(m_hint) + kHintGap));
    } else {
        titleBox.setHeight(titleMetrics.height());
        hintBox = content.adjusted(kGlyphSpace, titleMetrics.height() + 2, 0, 0);
        hintAlignment = Qt::AlignLeft | Qt::AlignTop;
    }
    painter.setFont(hintFont());
    painter.setPen(P::white(0.68)); // 4.5:1 on the button's lighter fill
    painter.drawText(hintBox, hintAlignment, m_hint);
    painter.setFont(titleFont);
    painter.setPen(P::white(0.95));
    painter.drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter,
                     titleMetrics.elidedText(text(), Qt::ElideRight, titleBox.width()));
}

DropdownDonateButton::DropdownDonateButton(QWidget* parent) : PlainButton(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setText(tr("Купить кофе разработчику"));
    setAccessibleName(text());
}

QSize DropdownDonateButton::sizeHint() const {
    return {300, QFontMetrics(P::interFont(P::Weight::medium, 13)).height() + 18};
}

void DropdownDonateButton::paintContent(QPainter& painter) {
    const QRectF content = QRectF(rect()).adjusted(14, 9, -14, -9);
    const QFont font = P::interFont(P::Weight::medium, 13);
    const QString cup = QStringLiteral("☕");
    painter.setFont(font);
    painter.setPen(P::donate());
    painter.drawText(content, Qt::AlignLeft | Qt::AlignVCenter, cup);
    const double cupWidth = QFontMetricsF(font).horizontalAdvance(cup);
    painter.drawText(content.adjusted(cupWidth + 8, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     text());
}

DropdownDivider::DropdownDivider(QWidget* parent) : QWidget(parent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void DropdownDivider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), P::white(0.08));
}

} // namespace quietlane
