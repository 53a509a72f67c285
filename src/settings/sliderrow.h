// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;

namespace quietlane {

class GlassSlider;

/// A labelled slider with the value as a percentage at its end.
class SliderRow : public QWidget {
    Q_OBJECT
public:
    SliderRow(const QString& label, double lower, double upper, QWidget* parent = nullptr);

    void setValue(double value);
    GlassSlider* slider() const { return m_slider; }
    QString percentText() const;

signals:
    void valueRequested(double value);

private:
    GlassSlider* m_slider;
    QLabel* m_percent;
};

} // namespace quietlane
