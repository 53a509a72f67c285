// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/switchindicator.h"

#include "controls/controlpalette.h"

#include <QPainter>

namespace quietlane {

namespace {
QColor mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t),
                            float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}
} // namespace

SwitchIndicator::SwitchIndicator(QWidget* parent) : QWidget(parent) {
    setFixedSize(38, 22);
    setFocusPolicy(Qt::NoFocus);
    m_animation.setDuration(150);
    m_animation.setEasingCurve(QEasingCurve::OutCubic);
    connect(&m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_position = value.toDouble();
        update();
    });
}

void SwitchIndicator::setOn(bool on) {
    if (on == m_on)
        return;
    m_on = on;
    const double target = on ? 1.0 : 0.0;
    m_animation.stop();
    if (isVisible()) {
        m_animation.setStartValue(m_position);
        m_animation.setEndValue(target);
        m_animation.start();
    } else {
        m_position = target;
        update();
    }
    emit onChanged(on);
}

void SwitchIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(mix(ControlPalette::white(0.18), ControlPalette::green(), m_position));
    painter.drawRoundedRect(QRectF(0, 0, 38, 22), 11, 11);
    // The faint off track alone is barely told from the card; its edge marks the switch.
    if (m_position < 1) {
        painter.setPen(QPen(ControlPalette::white(0.5 * (1 - m_position)), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(0.5, 0.5, 37, 21), 10.5, 10.5);
        painter.setPen(Qt::NoPen);
    }
    painter.setBrush(Qt::white);
    const double knobX = 2 + (38 - 18 - 4) * m_position;
    painter.drawEllipse(QRectF(knobX, 2, 18, 18));
}

} // namespace quietlane
