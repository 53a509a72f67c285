// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/preferences.h"
#include "widget/widgetgeometry.h"

#include <optional>

namespace quietlane::WidgetPreferences {

inline constexpr const char* kVisible = "widgetVisible";
inline constexpr const char* kBackgroundOpacity = "widgetBackgroundOpacity";
inline constexpr const char* kForegroundOpacity = "widgetForegroundOpacity";
/// The older single opacity: read only to seed the background opacity, never written.
inline constexpr const char* kLegacyOpacity = "widgetOpacity";
inline constexpr const char* kOriginX = "widgetOriginX";
inline constexpr const char* kOriginY = "widgetOriginY";

bool visible(const Preferences& preferences);
double backgroundOpacity(const Preferences& preferences);
double foregroundOpacity(const Preferences& preferences);

/// The position the user dragged the widget to. A number under "widgetOriginX" alone
/// decides that one exists; anything else stored there counts as no saved position.
std::optional<Point> savedOrigin(const Preferences& preferences);
void saveOrigin(Preferences& preferences, Point origin);

} // namespace quietlane::WidgetPreferences
