// SPDX-License-Identifier: GPL-3.0-or-later
#include "widget/widgetgeometry.h"

#include <gtest/gtest.h>

using namespace quietlane;

namespace {

constexpr Size kWidget{64, 64};
// A laptop display with a 25-point top panel and a 70-point dock at the bottom, and a
// second display to its right.
const ScreenArea kLaptop{{0, 0, 1440, 900}, {0, 70, 1440, 805}};
const ScreenArea kExternal{{1440, 0, 1920, 1080}, {1440, 0, 1920, 1055}};
const ScreenArea kNarrow{{0, 0, 50, 800}, {0, 0, 50, 800}};

} // namespace

TEST(WidgetGeometry, KeepsTheWidgetOnTheFirstScreenItOverlapsOrPutsItInTheDefaultPlace) {
    const ScreenLayout laptop{{kLaptop}, kLaptop}, both{{kLaptop, kExternal}, kLaptop};
    const struct {
        Point origin;
        ScreenLayout layout;
        Point expected;
    } cases[] = {
        {{1336, 190}, laptop, {1336, 190}},
        {{1400, 850}, laptop, {1376, 811}},
        {{-30, 20}, laptop, {0, 70}},
        {{100, 880}, laptop, {100, 811}},   // in the top panel strip: pulled down into view
        {{1500, 500}, laptop, {1336, 190}}, // on no screen: the default place, unclamped
        {{1336, 190}, {}, {200, 200}},      // while displays are reconfigured there are none
        {{1420, 500}, both, {1376, 500}},   // mostly external, but the laptop comes first
        {{1450, 1040}, both, {1450, 991}},
        {{1440, 500}, both, {1440, 500}},              // touching the laptop's edge only
        {{10, 100}, {{kNarrow}, kNarrow}, {-14, 100}}, // narrower than the widget
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WidgetGeometry::clamp(c.origin, kWidget, c.layout), c.expected)
            << c.origin.x << "," << c.origin.y;
    }
    EXPECT_EQ(WidgetGeometry::defaultOrigin(laptop, kWidget), (Point{1336, 190}));
}
