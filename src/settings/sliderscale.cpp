// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/sliderscale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quietlane::SliderScale {

double fraction(double value, double lower, double upper) {
    const double span = upper - lower;
    if (!(span > 0) || !std::isfinite(value))
        return 0;
    return std::clamp((value - lower) / span, 0.0, 1.0);
}

bool valueAt(double x, double width, double lower, double upper, double& value) {
    if (!(width > 0) || !std::isfinite(x))
        return false;
    const double t = std::clamp(x / width, 0.0, 1.0);
    // The ends are exact so that dragging past them reports the bounds themselves.
    value = t >= 1 ? upper : lower + (upper - lower) * t;
    return true;
}

TrackLayout layout(double width, double fraction) {
    TrackLayout result;
    result.fillWidth = std::max(width * fraction, kTrackHeight);
    result.knobOffset =
        std::max(0.0, std::min(result.fillWidth - kKnobSide / 2, width - kKnobSide));
    return result;
}

std::string percentText(double value) {
    const double percent = value * 100;
    // llround of a non-finite or huge number is unspecified; such a value shows as 0%.
    const long long whole =
        std::isfinite(percent) && std::fabs(percent) < 1e15 ? std::llround(percent) : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%lld%%", whole);
    return text;
}

} // namespace quietlane::SliderScale
