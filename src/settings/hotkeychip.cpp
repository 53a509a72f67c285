// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/hotkeychip.h"

#include "controls/controlpalette.h"

#include <QFontMetrics>
#include <QPainter>

namespace quietlane {

namespace {
QFont chipFont() {
    return ControlPalette::interFont(ControlPalette::Weight::medium, 12);
}
} // namespace

HotkeyChip::HotkeyChip(const QString& text, QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setText(text);
}

void HotkeyChip::setText(const QString& text) {
    if (text == m_text)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

QSize HotkeyChip::sizeHint() const {
    const QFontMetrics metrics(chipFont());
    return {metrics.horizontalAdvance(m_text) + 20, metrics.height() + 10};
}

void HotkeyChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ControlPalette::white(0.1));
    painter.drawRoundedRect(QRectF(rect()), 7, 7);
    painter.setFont(chipFont());
    painter.setPen(ControlPalette::white(0.9));
    painter.drawText(rect().adjusted(10, 5, -10, -5), Qt::AlignCenter, m_text);
}

} // namespace quietlane
