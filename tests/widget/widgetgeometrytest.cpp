// SPDX-License-Identifier: GPL-3.0-or-later
#include "widget/widgetgeometry.h"

#include <gtest/gtest.h>

using namespace quietlane;

namespace {

constexpr Size kWidget{64, 64};

// A laptop display with a 25-point top panel and a 70-point dock at the bottom.
const ScreenArea kLaptop{{0, 0, 1440, 900}, {0, 70, 1440, 805}};
// A second display to its right.
const ScreenArea kExternal{{1440, 0, 1920, 1080}, {1440, 0, 1920, 1055}};

ScreenLayout oneScreen() {
    return {{kLaptop}, kLaptop};
}

} // namespace

TEST(WidgetGeometry, KeepsTheWidgetInsideTheScreenItBelongsTo) {
    const ScreenLayout layout = oneScreen();
    EXPECT_EQ(WidgetGeometry::clamp({1336, 190}, kWidget, layout), (Point{1336, 190}));
    EXPECT_EQ(WidgetGeometry::clamp({1400, 850}, kWidget, layout), (Point{1376, 811}));
    EXPECT_EQ(WidgetGeometry::clamp({-30, 20}, kWidget, layout), (Point{0, 70}));
    // Entirely in the top panel strip: still on the display, so pulled down into view.
    EXPECT_EQ(WidgetGeometry::clamp({100, 880}, kWidget, layout), (Point{100, 811}));
}

TEST(WidgetGeometry, OriginOnNoScreenGoesToTheDefaultPlaceUnclamped) {
    const ScreenLayout layout = oneScreen();
    EXPECT_EQ(WidgetGeometry::clamp({5000, 5000}, kWidget, layout), (Point{1336, 190}));
    EXPECT_EQ(WidgetGeometry::clamp({1500, 500}, kWidget, layout), (Point{1336, 190}));
    EXPECT_EQ(WidgetGeometry::defaultOrigin(layout, kWidget), (Point{1336, 190}));

    // While displays are reconfigured there may be none at all.
    const ScreenLayout none;
    EXPECT_EQ(WidgetGeometry::clamp({1336, 190}, kWidget, none), (Point{200, 200}));
    EXPECT_EQ(WidgetGeometry::clamp({-5, -5}, kWidget, none), (Point{200, 200}));
}

TEST(WidgetGeometry, FirstOverlappedScreenWinsAcrossTwoDisplays) {
    const ScreenLayout layout{{kLaptop, kExternal}, kLaptop};
    // Mostly on the external display, but the laptop comes first in the list.
    EXPECT_EQ(WidgetGeometry::clamp({1420, 500}, kWidget, layout), (Point{1376, 500}));
    EXPECT_EQ(WidgetGeometry::clamp({1450, 1040}, kWidget, layout), (Point{1450, 991}));
    EXPECT_EQ(WidgetGeometry::clamp({4000, 4000}, kWidget, layout), (Point{1336, 190}));
    // Touching the laptop's right edge only: the external display takes it.
    EXPECT_EQ(WidgetGeometry::clamp({1440, 500}, kWidget, layout), (Point{1440, 500}));
}

TEST(WidgetGeometry, NarrowUsableAreaAlignsTheFarEdges) {
    const ScreenArea narrow{{0, 0, 50, 800}, {0, 0, 50, 800}};
    EXPECT_EQ(WidgetGeometry::clamp({10, 100}, kWidget, {{narrow}, narrow}), (Point{-14, 100}));
}
