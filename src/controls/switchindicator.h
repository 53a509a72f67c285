// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QVariantAnimation>
#include <QWidget>

namespace quietlane {

/// A 38 × 22 switch that only shows a value; the row around it takes the click.
class SwitchIndicator : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool on READ isOn WRITE setOn NOTIFY onChanged)
public:
    explicit SwitchIndicator(QWidget* parent = nullptr);

    bool isOn() const { return m_on; }
    /// Animates the knob and the colour when shown; jumps while hidden.
    void setOn(bool on);

    /// 0 = knob at the leading end, 1 = at the trailing end (between while animating).
    double knobPosition() const { return m_position; }

    QSize sizeHint() const override { return {38, 22}; }

signals:
    void onChanged(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_on = false;
    double m_position = 0;
    QVariantAnimation m_animation;
};

} // namespace quietlane
