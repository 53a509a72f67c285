// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/equaldigitslabel.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace quietlane {

EqualDigitsLabel::EqualDigitsLabel(QWidget* parent) : QWidget(parent) {}

void EqualDigitsLabel::setText(const QString& text) {
    if (text == m_text)
        return;
    m_text = text;
    setAccessibleName(text);
    update();
}

void EqualDigitsLabel::setColor(const QColor& color) {
    m_color = color;
    update();
}

double EqualDigitsLabel::digitCell() const {
    const QFontMetricsF metrics(font());
    double widest = 0;
    for (char digit = '0'; digit <= '9'; ++digit)
        widest = std::max(widest, metrics.horizontalAdvance(QChar(digit)));
    return widest;
}

double EqualDigitsLabel::textWidth(const QString& text) const {
    const QFontMetricsF metrics(font());
    const double cell = digitCell();
    double width = 0;
    for (const QChar c : text)
        width += c.isDigit() ? cell : metrics.horizontalAdvance(c);
    return width;
}

QSize EqualDigitsLabel::sizeHint() const {
    const QFontMetricsF metrics(font());
    return {int(std::ceil(textWidth(m_text))), int(std::ceil(metrics.height()))};
}

void EqualDigitsLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(m_color);
    const QFontMetricsF metrics(font());
    const double cell = digitCell();
    const double baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    double x = width() - textWidth(m_text);
    for (const QChar c : m_text) {
        const double advance = metrics.horizontalAdvance(c);
        if (c.isDigit()) {
            painter.drawText(QPointF(x + (cell - advance) / 2, baseline), QString(c));
            x += cell;
        } else {
            painter.drawText(QPointF(x, baseline), QString(c));
            x += advance;
        }
    }
}

} // namespace quietlane
