// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/sliderscale.h"

#include <gtest/gtest.h>

#include <limits>

namespace quietlane {
namespace {

TEST(SliderScale, PercentShowsTheValueRoundedHalfAwayFromZero) {
    EXPECT_EQ(SliderScale::percentText(0.555), "56%");
    EXPECT_EQ(SliderScale::percentText(0.2), "20%");
    EXPECT_EQ(SliderScale::percentText(1.0), "100%");
    EXPECT_EQ(SliderScale::percentText(-0.005), "-1%");
    EXPECT_EQ(SliderScale::percentText(std::numeric_limits<double>::quiet_NaN()), "0%");
}

TEST(SliderScale, DraggingPastTheEndsReportsTheBoundsExactly) {
    double value = -1;
    ASSERT_TRUE(SliderScale::valueAt(-30, 200, 0.2, 1.0, value));
    EXPECT_EQ(value, 0.2);
    ASSERT_TRUE(SliderScale::valueAt(500, 200, 0.2, 1.0, value));
    EXPECT_EQ(value, 1.0);
    ASSERT_TRUE(SliderScale::valueAt(100, 200, 0.2, 1.0, value));
    EXPECT_DOUBLE_EQ(value, 0.6);
    // A track that has not been laid out yet reports nothing.
    value = 0.5;
    EXPECT_FALSE(SliderScale::valueAt(10, 0, 0, 1, value));
    EXPECT_EQ(value, 0.5);
}

TEST(SliderScale, EmptyRangeDrawsMinimalFillWithKnobAtTheLeft) {
    EXPECT_EQ(SliderScale::fraction(0.5, 1, 1), 0);
    EXPECT_EQ(SliderScale::fraction(0.5, 1, 0), 0);
    const auto empty = SliderScale::layout(200, 0);
    EXPECT_EQ(empty.fillWidth, 4);
    EXPECT_EQ(empty.knobOffset, 0);
    // The knob's centre follows the fill's end but never leaves the track.
    EXPECT_EQ(SliderScale::layout(200, 0.5).knobOffset, 92);
    EXPECT_EQ(SliderScale::layout(200, 1).knobOffset, 184);
    EXPECT_EQ(SliderScale::fraction(3, 0, 1), 1);
}

} // namespace
} // namespace quietlane
