// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/glassslider.h"

#include "controls/controlpalette.h"
#include "settings/sliderscale.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace quietlane {

GlassSlider::GlassSlider(QWidget* parent) : QWidget(parent) {
    setFixedHeight(18);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
}

void GlassSlider::setValue(double value) {
    if (value == m_value)
        return;
    m_value = value;
    notifyValue(this);
    update();
}

QString GlassSlider::accessibleValueText() const {
    return QString::fromStdString(SliderScale::percentText(m_value));
}

std::optional<AccessibleControl::Range> GlassSlider::accessibleRange() const {
    return Range{m_value, m_lower, m_upper, (m_upper - m_lower) / 100};
}

void GlassSlider::setRange(double lower, double upper) {
    m_lower = lower;
    m_upper = upper;
    update();
}

void GlassSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double width = this->width();
    const double trackTop = (height() - SliderScale::kTrackHeight) / 2;
    const auto geometry =
        SliderScale::layout(width, SliderScale::fraction(m_value, m_lower, m_upper));
    const double radius = SliderScale::kTrackHeight / 2;

    painter.setPen(Qt::NoPen);
    painter.setBrush(ControlPalette::white(0.14));
    painter.drawRoundedRect(QRectF(0, trackTop, width, SliderScale::kTrackHeight), radius, radius);
    painter.setBrush(ControlPalette::green());
    painter.drawRoundedRect(QRectF(0, trackTop, geometry.fillWidth, SliderScale::kTrackHeight),
                            radius, radius);

    const QRectF knob(geometry.knobOffset, (height() - SliderScale::kKnobSide) / 2,
                      SliderScale::kKnobSide, SliderScale::kKnobSide);
    painter.setBrush(Qt::white);
    painter.drawEllipse(knob);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 0, 0, 20), 1)); // black 0.08, inside the knob's edge
    painter.drawEllipse(knob.adjusted(0.5, 0.5, -0.5, -0.5));
    // The knob fills the slider's height, so a ring round it alone would be cut in half:
    // the ring goes round the whole slider, with a dark gap that sets the knob apart.
    if (hasFocus()) {
        painter.setPen(QPen(ControlPalette::panel(), 1.5));
        painter.drawEllipse(knob.adjusted(1.5, 1.5, -1.5, -1.5));
        ControlPalette::paintFocusRing(painter, QRectF(rect()), 9);
    }
}

void GlassSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    requestAt(event->position().x());
}

void GlassSlider::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        requestAt(event->position().x());
}

void GlassSlider::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        return requestStep(-0.01);
    case Qt::Key_Right:
    case Qt::Key_Up:
        return requestStep(0.01);
    case Qt::Key_PageDown:
        return requestStep(-0.1);
    case Qt::Key_PageUp:
        return requestStep(0.1);
    case Qt::Key_Home:
        return emit valueRequested(m_lower);
    case Qt::Key_End:
        return emit valueRequested(m_upper);
    default:
        QWidget::keyPressEvent(event);
    }
}

void GlassSlider::requestAt(double x) {
    double value = m_value;
    if (SliderScale::valueAt(x, width(), m_lower, m_upper, value))
        emit valueRequested(value);
}

void GlassSlider::requestStep(double fractionStep) {
    const double span = m_upper - m_lower;
    if (!(span > 0))
        return;
    emit valueRequested(std::clamp(m_value + span * fractionStep, m_lower, m_upper));
}

} // namespace quietlane
