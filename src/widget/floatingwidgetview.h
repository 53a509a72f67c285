// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRectF>
#include <QString>

class QPainter;

namespace quietlane::FloatingWidgetView {

struct Look {
    bool isAvailable = true;
    bool isMuted = false;
    double backgroundOpacity = 0.6;
    double foregroundOpacity = 1.0;
    bool dark = false;
    friend bool operator==(const Look&, const Look&) = default;
};

/// The round widget: a glass disc (background opacity), a ring and the microphone
/// (foreground opacity), green-ringed when live, red with a slash when muted, and grey
/// with a dashed ring while no sound server can be reached.
void paint(QPainter& painter, const QRectF& frame, const Look& look);

/// What assistive technologies hear.
QString accessibleName();
QString accessibleValue(const Look& look);
QString accessibleHint();

/// One line naming the state and the device ("Микрофон выключен — USB Mic"), for the
/// tooltips of the widget and the tray icon. `device` may be empty.
QString stateSummary(bool isAvailable, bool isMuted, const QString& device);

} // namespace quietlane::FloatingWidgetView
