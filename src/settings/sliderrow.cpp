// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/sliderrow.h"

#include "controls/controlpalette.h"
#include "settings/equaldigitslabel.h"
#include "settings/glassslider.h"
#include "settings/sliderscale.h"

#include <QHBoxLayout>
#include <QLabel>

namespace quietlane {

SliderRow::SliderRow(const QString& label, double lower, double upper, QWidget* parent)
    : QWidget(parent), m_slider(new GlassSlider(this)), m_percent(new EqualDigitsLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 10);
    layout->setSpacing(12);

    auto* title = new QLabel(label, this);
    title->setFixedWidth(150);
    title->setFont(ControlPalette::interFont(ControlPalette::Weight::regular, 13));
    QPalette titlePalette = title->palette();
    titlePalette.setColor(QPalette::WindowText, ControlPalette::white(0.92));
    title->setPalette(titlePalette);
    layout->addWidget(title);

    m_slider->setRange(lower, upper);
    m_slider->setAccessibleName(label);
    layout->addWidget(m_slider, 1);

    m_percent->setFont(ControlPalette::interFont(ControlPalette::Weight::regular, 12));
    m_percent->setFixedWidth(40);
    m_percent->setColor(ControlPalette::white(0.62));
    layout->addWidget(m_percent);

    connect(m_slider, &GlassSlider::valueRequested, this, &SliderRow::valueRequested);
    setValue(lower);
    m_percent->setText(QString::fromStdString(SliderScale::percentText(lower)));
}

void SliderRow::setValue(double value) {
    m_slider->setValue(value);
    m_percent->setText(m_formatter ? m_formatter(value)
                                   : QString::fromStdString(SliderScale::percentText(value)));
}

void SliderRow::setFormatter(Formatter formatter, int width) {
    m_formatter = std::move(formatter);
    m_percent->setFixedWidth(width);
    setValue(m_slider->value());
}

QString SliderRow::percentText() const {
    return m_percent->text();
}

} // namespace quietlane
