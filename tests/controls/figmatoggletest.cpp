// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/figmatoggle.h"

#include <QTest>

#include <gtest/gtest.h>

namespace quietlane {
namespace {

TEST(FigmaToggle, ToggleKnobAnimatesWhenChangedFromOutside) {
    FigmaToggle toggle;
    toggle.show();
    toggle.setOn(true);
    EXPECT_LT(toggle.knobPosition(), 1.0); // still on its way
    QTest::qWait(250);
    EXPECT_EQ(toggle.knobPosition(), 1.0);
    FigmaToggle hidden;
    hidden.setOn(true);
    EXPECT_EQ(hidden.knobPosition(), 1.0);
}

} // namespace
} // namespace quietlane
