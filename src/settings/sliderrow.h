// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace quietlane {

class EqualDigitsLabel;
class GlassSlider;

/// A labelled slider with the value as a percentage at its end.
class SliderRow : public QWidget {
    Q_OBJECT
public:
    SliderRow(const QString& label, double lower, double upper, QWidget* parent = nullptr);

    void setValue(double value);
    GlassSlider* slider() const { return m_slider; }
    QString percentText() const;
    EqualDigitsLabel* percentLabel() const { return m_percent; }

signals:
    void valueRequested(double value);

private:
    GlassSlider* m_slider;
    EqualDigitsLabel* m_percent;
};

} // namespace quietlane
