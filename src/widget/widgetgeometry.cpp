// SPDX-License-Identifier: GPL-3.0-or-later
#include "widget/widgetgeometry.h"

namespace quietlane {

bool Rect::contains(Point p) const {
    return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
}

bool Rect::intersects(const Rect& other) const {
    if (width <= 0 || height <= 0 || other.width <= 0 || other.height <= 0)
        return false;
    return minX() < other.maxX() && other.minX() < maxX() && minY() < other.maxY() &&
           other.minY() < maxY();
}

namespace WidgetGeometry {

Point defaultOrigin(const ScreenLayout& layout, Size size) {
    if (!layout.mainScreen)
        return kFallbackOrigin;
    const Rect& vf = layout.mainScreen->visibleFrame;
    return {vf.maxX() - size.width - kDefaultRightMargin, vf.minY() + kDefaultBottomOffset};
}

Point clamp(Point origin, Size size, const ScreenLayout& layout) {
    const Rect wanted{origin.x, origin.y, size.width, size.height};
    const ScreenArea* chosen = nullptr;
    for (const ScreenArea& screen : layout.screens) {
        if (screen.visibleFrame.intersects(wanted)) {
            chosen = &screen;
            break;
        }
    }
    if (!chosen) {
        for (const ScreenArea& screen : layout.screens) {
            if (screen.frame.contains(origin)) {
                chosen = &screen;
                break;
            }
        }
    }
    if (!chosen)
        return defaultOrigin(layout, size);

    // Lower bound first: on a usable area narrower than the window the right (top) edges
    // line up and the rest sticks out on the left (bottom).
    const Rect& vf = chosen->visibleFrame;
    double x = origin.x;
    if (x < vf.minX())
        x = vf.minX();
    if (x > vf.maxX() - size.width)
        x = vf.maxX() - size.width;
    double y = origin.y;
    if (y < vf.minY())
        y = vf.minY();
    if (y > vf.maxY() - size.height)
        y = vf.maxY() - size.height;
    return {x, y};
}

Point toTopLeft(Point origin, Size size, double primaryHeight) {
    return {origin.x, primaryHeight - origin.y - size.height};
}

Point fromTopLeft(Point topLeft, Size size, double primaryHeight) {
    return {topLeft.x, primaryHeight - topLeft.y - size.height};
}

Rect rectFromTopLeft(const Rect& topLeftRect, double primaryHeight) {
    const Point origin = fromTopLeft({topLeftRect.x, topLeftRect.y},
                                     {topLeftRect.width, topLeftRect.height}, primaryHeight);
    return {origin.x, origin.y, topLeftRect.width, topLeftRect.height};
}

} // namespace WidgetGeometry
} // namespace quietlane
