// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace quietlane::SliderScale {

inline constexpr double kTrackHeight = 4;
inline constexpr double kKnobSide = 16;

/// Where `value` sits in [lower, upper], limited to 0...1; 0 for an empty or inverted range.
double fraction(double value, double lower, double upper);

/// The value under a pointer at `x` on a track `width` wide; nothing is reported (the
/// caller keeps its value) when the track has no width yet.
bool valueAt(double x, double width, double lower, double upper, double& value);

struct TrackLayout {
    double fillWidth = kTrackHeight;
    /// Left edge of the knob; keeps the knob centred on the end of the fill, on the track.
    double knobOffset = 0;
};
TrackLayout layout(double width, double fraction);

/// The value as a whole percentage ("56%" for 0.555): it shows the value itself, not its
/// position in the range.
std::string percentText(double value);

} // namespace quietlane::SliderScale
