// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <functional>

namespace quietlane {

class EqualDigitsLabel;
class GlassSlider;

/// A labelled slider with the value at its end: a percentage, or the text a formatter
/// gives.
class SliderRow : public QWidget {
    Q_OBJECT
public:
    using Formatter = std::function<QString(double)>;

    SliderRow(const QString& label, double lower, double upper, QWidget* parent = nullptr);
    /// The value's text from now on; `width` is the room it gets.
    void setFormatter(Formatter formatter, int width);

    void setValue(double value);
    GlassSlider* slider() const { return m_slider; }
    QString percentText() const;
    EqualDigitsLabel* percentLabel() const { return m_percent; }

signals:
    void valueRequested(double value);

private:
    GlassSlider* m_slider;
    EqualDigitsLabel* m_percent;
    Formatter m_formatter;
};

} // namespace quietlane
