// SPDX-License-Identifier: GPL-3.0-or-later
#include "widget/dragtracker.h"

#include <cmath>

namespace quietlane {

void DragTracker::press(Point grabOffset, Point pointer) {
    m_grabOffset = grabOffset;
    m_pressPointer = pointer;
    m_pressed = true;
    m_didDrag = false;
}

std::optional<Point> DragTracker::move(Point pointer) {
    if (!m_pressed)
        return std::nullopt;
    // Once a drag, always a drag until the next press, even if the pointer comes back.
    if (std::hypot(pointer.x - m_pressPointer.x, pointer.y - m_pressPointer.y) > kThreshold)
        m_didDrag = true;
    if (!m_didDrag)
        return std::nullopt;
    return Point{pointer.x - m_grabOffset.x, pointer.y - m_grabOffset.y};
}

bool DragTracker::release() {
    const bool wasDrag = m_pressed && m_didDrag;
    m_pressed = false;
    return wasDrag;
}

} // namespace quietlane
