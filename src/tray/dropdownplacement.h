// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quietlane::DropdownPlacement {

// Screen coordinates as the window system hands them to the toolkit: origin at the top
// left, y downwards. The tray icon's geometry and the screens' available areas arrive in
// this form, so the arithmetic stays in it.
struct Box {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    double right() const { return x + width; }
    double bottom() const { return y + height; }
    friend bool operator==(const Box&, const Box&) = default;
};

inline constexpr double kGap = 6;        // between the icon and the card
inline constexpr double kEdgeMargin = 8; // between the card and the screen's edge

enum class Side { below, above, right, left };

struct Placement {
    Box frame;
    Side side = Side::below;
};

/// Where a card of `width` × `height` opens for a tray icon at `anchor`, inside `available`
/// (the screen minus its panels). Under the icon with the right edges aligned, as on a top
/// panel; above it when that would leave the area (bottom panel); beside it when neither
/// fits (side panels); and when nothing fits, under it pushed fully into the area.
Placement place(const Box& anchor, double width, double height, const Box& available);

/// The frame after the content changed size. Changes of half a point or less are ignored.
/// A card that opened below (or beside) keeps its top-right corner and grows downwards
/// until its bottom reaches the area's bottom margin; one that opened above keeps its
/// bottom-right corner and grows upwards until its top reaches the top margin.
Box refit(const Box& frame, Side side, double width, double height, const Box& available);

} // namespace quietlane::DropdownPlacement
