// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

namespace quietlane::TrayIcon {

/// The tray icon for a state: the icon theme's symbolic microphone where it has one (a
/// StatusNotifierItem host gets its name and colours it for the panel), else `drawn`.
QIcon icon(bool available, bool muted);

/// The program's own microphone, light inside a dark outline, so that it reads on light
/// and dark panels alike; faded while no sound server answers.
QIcon drawn(bool available, bool muted);

} // namespace quietlane::TrayIcon
