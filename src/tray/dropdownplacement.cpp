// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/dropdownplacement.h"

#include <algorithm>
#include <cmath>

namespace quietlane::DropdownPlacement {

namespace {
bool inside(const Box& box, const Box& area) {
    return box.x >= area.x && box.y >= area.y && box.right() <= area.right() &&
           box.bottom() <= area.bottom();
}

// Keeps `position` of an extent `size` within [low, high - size]; the low end wins when the
// extent is larger than the room.
double keepWithin(double position, double size, double low, double high) {
    return std::max(low, std::min(position, high - size));
}
} // namespace

Placement place(const Box& anchor, double width, double height, const Box& available) {
    const double minX = available.x + kEdgeMargin;
    const double maxX = available.right() - kEdgeMargin;
    const double alignedX = keepWithin(anchor.right() - width, width, minX, maxX);
    const double besideY =
        keepWithin(anchor.y, height, available.y + kEdgeMargin, available.bottom() - kEdgeMargin);

    const Placement candidates[] = {
        {{alignedX, anchor.bottom() + kGap, width, height}, Side::below},
        {{alignedX, anchor.y - kGap - height, width, height}, Side::above},
        {{anchor.right() + kGap, besideY, width, height}, Side::right},
        {{anchor.x - kGap - width, besideY, width, height}, Side::left},
    };
    for (const Placement& candidate : candidates) {
        if (inside(candidate.frame, available))
            return candidate;
    }
    Placement fallback = candidates[0];
    fallback.frame.y = keepWithin(fallback.frame.y, height, available.y, available.bottom());
    return fallback;
}

Box refit(const Box& frame, Side side, double width, double height, const Box& available) {
    if (!(width > 0) || !(height > 0))
        return frame;
    if (std::fabs(height - frame.height) <= 0.5 && std::fabs(width - frame.width) <= 0.5)
        return frame;
    Box result{frame.right() - width, frame.y, width, height};
    if (side == Side::above) {
        result.y = frame.bottom() - height;
        result.y = std::max(result.y, available.y + kEdgeMargin);
    } else {
        result.y = std::min(result.y, available.bottom() - kEdgeMargin - height);
    }
    return result;
}

} // namespace quietlane::DropdownPlacement
