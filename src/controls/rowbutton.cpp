// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/rowbutton.h"

#include "controls/controlpalette.h"
#include "controls/switchindicator.h"

#include <QPainter>

#include <algorithm>

namespace quietlane {

namespace P = ControlPalette;

namespace {
QFont rowFont() {
    return P::interFont(P::Weight::regular, 13);
}
QFont hintFont() {
    return P::interFont(P::Weight::regular, 12);
}
} // namespace

RowButton::RowButton(const QString& label, Trailing trailing, QWidget* parent)
    : PlainButton(parent), m_label(label) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(label);
    if (trailing == Trailing::toggle) {
        m_toggle = new SwitchIndicator(this);
        // The row takes the click; the switch only shows the value.
        m_toggle->setAttribute(Qt::WA_TransparentForMouseEvents);
        setCheckable(true);
    }
}

void RowButton::setToggleOn(bool on) {
    if (!m_toggle)
        return;
    m_toggle->setOn(on);
    setChecked(on);
}

void RowButton::setHint(const QString& hint) {
    m_hint = hint;
    update();
}

QSize RowButton::sizeHint() const {
    const QFontMetrics metrics(rowFont());
    const int trailingHeight = m_toggle ? 22 : QFontMetrics(hintFont()).height();
    return {300, std::max(metrics.height(), trailingHeight) + 18};
}

void RowButton::paintContent(QPainter& painter) {
    const QRectF content = QRectF(rect()).adjusted(14, 9, -14, -9);
    double trailingWidth = 0;
    if (!m_toggle && !m_hint.isEmpty()) {
        trailingWidth = QFontMetricsF(hintFont()).horizontalAdvance(m_hint);
        painter.setFont(hintFont());
        painter.setPen(P::white(0.62));
        painter.drawText(content, Qt::AlignRight | Qt::AlignVCenter, m_hint);
    } else if (m_toggle) {
        trailingWidth = 38;
    }
    painter.setFont(rowFont());
    painter.setPen(P::white(0.92));
    const QRectF labelBox = content.adjusted(0, 0, -(trailingWidth + 8), 0);
    painter.drawText(
        labelBox, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetricsF(rowFont()).elidedText(m_label, Qt::ElideRight, labelBox.width()));
}

void RowButton::resizeEvent(QResizeEvent* event) {
    PlainButton::resizeEvent(event);
    if (m_toggle)
        m_toggle->move(width() - 14 - 38, (height() - 22) / 2);
}

} // namespace quietlane
