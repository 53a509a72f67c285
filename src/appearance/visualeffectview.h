// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QPainter;
class QPainterPath;

namespace quietlane {

/// Stands in for a translucent blur of what lies behind a window. Without a compositor
/// nothing behind the window can be sampled, so it draws a frosted fill of its own that
/// reads the same on any background.
void paintGlass(QPainter& painter, const QPainterPath& shape, bool dark, double opacity = 1.0);

/// The backdrop behind the dropdown and the settings window: the dark panel colour with a
/// faint sheen, filling the widget (optionally with rounded corners).
class VisualEffectView : public QWidget {
    Q_OBJECT
public:
    explicit VisualEffectView(QWidget* parent = nullptr, double cornerRadius = 0);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_cornerRadius;
};

} // namespace quietlane
