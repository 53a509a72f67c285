// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/dropdownplacement.h"

#include <gtest/gtest.h>

namespace quietlane::DropdownPlacement {
namespace {

const Box kScreen{0, 0, 1920, 1080};

TEST(DropdownPlacement, EveryPanelKeepsTheCardVisibleEightPointsFromTheEdges) {
    auto top = place({1900, 0, 24, 24}, 300, 400, {0, 24, 1920, 1056});
    EXPECT_EQ(top.side, Side::below);
    EXPECT_EQ(top.frame, (Box{1920 - 8 - 300, 30, 300, 400}));

    auto bottom = place({1890, 1056, 24, 24}, 300, 400, {0, 0, 1920, 1056});
    EXPECT_EQ(bottom.side, Side::above);
    EXPECT_EQ(bottom.frame, (Box{1612, 1056 - 6 - 400, 300, 400}));

    // A left panel at the very bottom: neither below nor above the icon fits a tall card.
    auto side = place({0, 1040, 32, 32}, 300, 1050, {32, 0, 1888, 1080});
    EXPECT_EQ(side.side, Side::right);
    EXPECT_EQ(side.frame.x, 38);
    EXPECT_EQ(side.frame.bottom(), 1072);

    // A card taller than the screen still opens on the screen, from its top.
    auto huge = place({1900, 0, 24, 24}, 300, 2000, kScreen);
    EXPECT_EQ(huge.frame.y, 0);
}

TEST(DropdownPlacement, RefitKeepsTheAnchoredCornerAndTheBottomMargin) {
    const Box frame{1000, 30, 300, 400};
    // Half a point or less changes nothing; a zero width is no size yet.
    EXPECT_EQ(refit(frame, Side::below, 300.5, 400.4, kScreen), frame);
    EXPECT_EQ(refit(frame, Side::below, 0, 500, kScreen), frame);
    auto tooTall = refit(frame, Side::below, 300, 1100 - 30, kScreen);
    EXPECT_EQ(tooTall.bottom(), 1080 - 8);

    const Box above{1000, 600, 300, 400};
    auto up = refit(above, Side::above, 300, 500, kScreen);
    EXPECT_EQ(up.bottom(), above.bottom());
    EXPECT_EQ(up.y, 500);
}

} // namespace
} // namespace quietlane::DropdownPlacement
