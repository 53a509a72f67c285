// SPDX-License-Identifier: GPL-3.0-or-later
#include "widget/widgetpreferences.h"

namespace quietlane::WidgetPreferences {

bool visible(const Preferences& preferences) {
    return preferences.boolValue(kVisible).value_or(true);
}

double backgroundOpacity(const Preferences& preferences) {
    const double legacy = preferences.doubleValue(kLegacyOpacity).value_or(0.6);
    return preferences.doubleValue(kBackgroundOpacity).value_or(legacy);
}

double foregroundOpacity(const Preferences& preferences) {
    return preferences.doubleValue(kForegroundOpacity).value_or(1.0);
}

std::optional<Point> savedOrigin(const Preferences& preferences) {
    const std::optional<double> x = preferences.doubleValue(kOriginX);
    if (!x)
        return std::nullopt;
    return Point{*x, preferences.doubleValue(kOriginY).value_or(0.0)};
}

void saveOrigin(Preferences& preferences, Point origin) {
    preferences.setDouble(kOriginX, origin.x);
    preferences.setDouble(kOriginY, origin.y);
}

} // namespace quietlane::WidgetPreferences
