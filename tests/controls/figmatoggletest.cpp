// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/figmatoggle.h"
#include "../eventloop.h"

#include <QAnimationDriver>

#include <gtest/gtest.h>

namespace quietlane {
namespace {

// Qt's animations read the time from the installed driver: this one moves only when told.
class SteppedAnimationDriver : public QAnimationDriver {
public:
    void step(qint64 ms) {
        m_elapsed += ms;
        advance();
    }
    qint64 elapsed() const override { return m_elapsed; }

private:
    qint64 m_elapsed = 0;
};

TEST(FigmaToggle, ToggleKnobAnimatesWhenChangedFromOutside) {
    SteppedAnimationDriver driver;
    driver.install();
    FigmaToggle toggle;
    toggle.show();
    toggle.setOn(true);
    // Qt hands a started animation to the driver from the event loop.
    ASSERT_TRUE(test::spinUntil([&] { return driver.isRunning(); }));
    driver.step(50);
    EXPECT_GT(toggle.knobPosition(), 0.0);
    EXPECT_LT(toggle.knobPosition(), 1.0); // still on its way
    driver.step(200);
    EXPECT_EQ(toggle.knobPosition(), 1.0);
    FigmaToggle hidden;
    hidden.setOn(true);
    EXPECT_EQ(hidden.knobPosition(), 1.0);
    driver.uninstall();
}

} // namespace
} // namespace quietlane
