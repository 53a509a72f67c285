// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/accessiblecontrol.h"

#include <QWidget>

namespace quietlane {

/// An 18-high slider with a green fill. It keeps no value of its own: every pointer move
/// and key press reports a new value through `valueRequested`, and the slider redraws when
/// the caller passes the value back. Assistive technology reads and sets it as a slider.
class GlassSlider : public QWidget, public AccessibleControl {
    Q_OBJECT
public:
    explicit GlassSlider(QWidget* parent = nullptr);

    double value() const { return m_value; }
    void setValue(double value);
    void setRange(double lower, double upper);
    double lower() const { return m_lower; }
    double upper() const { return m_upper; }

    QSize sizeHint() const override { return {160, 18}; }

    QAccessible::Role accessibleRole() const override { return QAccessible::Slider; }
    QString accessibleValueText() const override;
    std::optional<Range> accessibleRange() const override;
    void requestAccessibleValue(double value) override { emit valueRequested(value); }

signals:
    void valueRequested(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void requestAt(double x);
    void requestStep(double fractionStep);

    double m_value = 0;
    double m_lower = 0;
    double m_upper = 1;
};

} // namespace quietlane
