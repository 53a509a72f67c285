// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/disclosurebutton.h"

#include "controls/controlpalette.h"

#include <QPainter>

namespace quietlane {

namespace {
QFont labelFont() {
    return ControlPalette::interFont(ControlPalette::Weight::regular, 13);
}
QFont chevronFont() {
    return ControlPalette::interFont(ControlPalette::Weight::regular, 14);
}
const QString kChevron = QStringLiteral("›");
} // namespace

DisclosureButton::DisclosureButton(const QString& label, int verticalInset, QWidget* parent)
    : PlainButton(parent), m_label(label), m_verticalInset(verticalInset) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_animation.setDuration(150);
    m_animation.setEasingCurve(QEasingCurve::InOutQuad);
    connect(&m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_angle = value.toDouble();
        update();
    });
    updateAccessibleName();
}

void DisclosureButton::setValueText(const QString& value) {
    if (value == m_value)
        return;
    m_value = value;
    updateAccessibleName();
    update();
}

void DisclosureButton::setChevronTurned(bool turned) {
    if (turned == m_turned)
        return;
    m_turned = turned;
    notifyState(this, expandState());
    m_animation.stop();
    const double target = turned ? 90.0 : 0.0;
    if (isVisible()) {
        m_animation.setStartValue(m_angle);
        m_animation.setEndValue(target);
        m_animation.start();
    } else {
        m_angle = target;
        update();
    }
}

QAccessible::State DisclosureButton::expandState() const {
    QAccessible::State state;
    state.expandable = true;
    state.expanded = m_turned;
    state.collapsed = !m_turned;
    return state;
}

void DisclosureButton::addAccessibleState(QAccessible::State& state) const {
    PlainButton::addAccessibleState(state);
    const QAccessible::State expand = expandState();
    state.expandable = expand.expandable;
    state.expanded = expand.expanded;
    state.collapsed = expand.collapsed;
}

QSize DisclosureButton::sizeHint() const {
    const QFontMetrics label(labelFont());
    const QFontMetrics chevron(chevronFont());
    const int width = 14 + label.horizontalAdvance(m_label) + 8 + label.horizontalAdvance(m_value) +
                      6 + chevron.horizontalAdvance(kChevron) + 14;
    return {width, std::max(label.height(), chevron.height()) + 2 * m_verticalInset};
}

QSize DisclosureButton::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void DisclosureButton::paintContent(QPainter& painter) {
    const QRectF content = QRectF(rect()).adjusted(14, m_verticalInset, -14, -m_verticalInset);
    const QFontMetricsF chevronMetrics(chevronFont());
    const double chevronWidth = chevronMetrics.horizontalAdvance(kChevron);

    // The chevron turns about its own centre.
    const QRectF chevronBox(content.right() - chevronWidth, content.top(), chevronWidth,
                            content.height());
    painter.save();
    painter.translate(chevronBox.center());
    painter.rotate(m_angle);
    painter.translate(-chevronBox.center());
    painter.setFont(chevronFont());
    painter.setPen(ControlPalette::white(0.62));
    painter.drawText(chevronBox, Qt::AlignCenter, kChevron);
    painter.restore();

    const QFontMetricsF metrics(labelFont());
    const double labelWidth = metrics.horizontalAdvance(m_label);
    const double valueRoom =
        std::max(0.0, chevronBox.left() - 6 - (content.left() + labelWidth + 8));
    const QString value = metrics.elidedText(m_value, Qt::ElideRight, valueRoom);
    painter.setFont(labelFont());
    painter.setPen(ControlPalette::white(0.62));
    painter.drawText(
        QRectF(chevronBox.left() - 6 - valueRoom, content.top(), valueRoom, content.height()),
        Qt::AlignRight | Qt::AlignVCenter, value);
    painter.setPen(ControlPalette::white(0.92));
    painter.drawText(content, Qt::AlignLeft | Qt::AlignVCenter, m_label);
}

void DisclosureButton::updateAccessibleName() {
    setAccessibleName(m_value.isEmpty() ? m_label : m_label + QStringLiteral(": ") + m_value);
}

} // namespace quietlane
