// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/sliderscale.h"

#include <gtest/gtest.h>

#include <limits>

namespace quietlane {
namespace {

// Degenerate input must never turn into a stored volume or a drawn NaN.
TEST(SliderScale, AnUnlaidTrackOrAnEmptyRangeGivesNoValueAndNoNaN) {
    double value = 0.5;
    EXPECT_FALSE(SliderScale::valueAt(10, 0, 0, 1, value));
    EXPECT_EQ(value, 0.5);
    ASSERT_TRUE(SliderScale::valueAt(100, 200, 0.2, 1.0, value));
    EXPECT_DOUBLE_EQ(value, 0.6);
    EXPECT_EQ(SliderScale::fraction(0.5, 1, 1), 0);
    EXPECT_EQ(SliderScale::percentText(std::numeric_limits<double>::quiet_NaN()), "0%");
}

} // namespace
} // namespace quietlane
