// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <vector>

namespace quietlane {

// Global screen coordinates: origin at the lower left of the primary display, y upwards;
// a window's origin is its lower left corner. Stored positions use this form so that a
// saved value means the same thing whatever the toolkit's own convention is.
struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const { return x; }
    double maxX() const { return x + width; }
    double minY() const { return y; }
    double maxY() const { return y + height; }
    /// Half-open: a point on the maximum edges is outside.
    bool contains(Point p) const;
    /// Touching along an edge does not count as overlapping.
    bool intersects(const Rect& other) const;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct ScreenArea {
    Rect frame;
    /// The part not covered by panels and docks.
    Rect visibleFrame;
};

/// The displays in the window system's order; the first is the primary display.
struct ScreenLayout {
    std::vector<ScreenArea> screens;
    std::optional<ScreenArea> mainScreen;
};

namespace WidgetGeometry {

inline constexpr double kWidgetSide = 64;
inline constexpr double kDefaultRightMargin = 40;
inline constexpr double kDefaultBottomOffset = 120;
inline constexpr Point kFallbackOrigin{200, 200};

/// Where a window of `size` goes when nothing is stored: near the lower right corner of
/// the main screen's usable area.
Point defaultOrigin(const ScreenLayout& layout, Size size);

/// The origin nearest to `origin` at which the window lies inside the usable area of the
/// screen it belongs to; the default place when it belongs to no screen.
Point clamp(Point origin, Size size, const ScreenLayout& layout);

/// Conversion between the stored form and a toolkit's top-left, y-down form, given the
/// height of the primary display.
Point toTopLeft(Point origin, Size size, double primaryHeight);
Point fromTopLeft(Point topLeft, Size size, double primaryHeight);
Rect rectFromTopLeft(const Rect& topLeftRect, double primaryHeight);

} // namespace WidgetGeometry
} // namespace quietlane
