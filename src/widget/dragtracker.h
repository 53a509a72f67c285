// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widget/widgetgeometry.h"

#include <optional>

namespace quietlane {

/// Decides per press whether the user clicked the widget or dragged it. Works in any one
/// coordinate system, as long as the press, the moves and the grab offset share it.
class DragTracker {
public:
    /// Distance the pointer must exceed before a press becomes a drag; equal is not enough.
    static constexpr double kThreshold = 3;

    /// `grabOffset` is where the press landed inside the window, relative to the window's
    /// origin; `pointer` is the pointer in global coordinates.
    void press(Point grabOffset, Point pointer);

    /// The window origin that keeps the grabbed point under `pointer`, once the press has
    /// become a drag; nothing while it is still a click.
    std::optional<Point> move(Point pointer);

    /// Ends the press: true when it was a drag (report the move), false for a click.
    bool release();

    bool isPressed() const { return m_pressed; }
    bool didDrag() const { return m_didDrag; }

private:
    Point m_grabOffset;
    Point m_pressPointer;
    bool m_pressed = false;
    bool m_didDrag = false;
};

} // namespace quietlane
