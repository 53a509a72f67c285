// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/portalkeyhold.h"

#include <gtest/gtest.h>

using namespace quietlane::GlobalShortcuts;
using namespace std::chrono_literals;
using Outcome = PortalKeyHold::Outcome;

namespace {

class PortalKeyHoldTest : public ::testing::Test {
protected:
    // Activated at `at` (ms from the start), after letting any deadline before it pass;
    // the presses that made.
    int activateAt(int at) {
        const int presses = advanceTo(at);
        return presses + (m_hold.activated(time(at)) == Outcome::pressed);
    }
    // Runs the hold's deadlines that fall before `at`, as the program's timer does; the
    // presses that made.
    int advanceTo(int at) {
        int presses = 0;
        while (const auto due = m_hold.deadline()) {
            if (*due > time(at))
                break;
            if (m_hold.expire(*due) == Outcome::pressed) {
                ++presses;
                continue;
            }
            m_endedAt = std::chrono::duration_cast<std::chrono::milliseconds>(*due - time(0));
        }
        return presses;
    }
    // Repeats from `from` every `every` ms up to `until`; the number of presses they made.
    int repeat(int from, int every, int until) {
        int presses = 0;
        for (int at = from; at <= until; at += every)
            presses += activateAt(at);
        return presses;
    }
    static PortalKeyHold::TimePoint time(int ms) {
        return PortalKeyHold::TimePoint{} + std::chrono::milliseconds(ms);
    }

    PortalKeyHold m_hold;
    std::optional<std::chrono::milliseconds> m_endedAt;
};

} // namespace

TEST_F(PortalKeyHoldTest, HoldsWithoutRepeatsOrWithAReleaseEndOnlyOnTheRelease) {
    // Plasma 6.5, Hyprland, or key repeat off: one Activated, Deactivated 10 s later.
    EXPECT_EQ(activateAt(0), 1);
    EXPECT_FALSE(m_hold.deadline());
    advanceTo(10000);
    EXPECT_TRUE(m_hold.isHolding());
    EXPECT_EQ(m_hold.deactivated(time(10000)), Outcome::released);
    EXPECT_EQ(m_hold.deactivated(time(10010)), Outcome::none);

    // GNOME's pace (first repeat at 500 ms, then every 30 ms), KDE's (570 ms, 40 ms) and a
    // slow one a user set (1000 ms, then every 200 ms): 3 s holds stay whole.
    for (auto [delay, every] : {std::pair{500, 30}, {570, 40}, {1000, 200}}) {
        const int start = 20000 * every;
        ASSERT_EQ(activateAt(start), 1);
        EXPECT_EQ(repeat(start + delay, every, start + 3000), 0);
        EXPECT_FALSE(m_endedAt) << "cut at " << m_endedAt->count() << " ms";
        EXPECT_EQ(m_hold.deactivated(time(start + 3000)), Outcome::released);
    }
}

TEST_F(PortalKeyHoldTest, RepeatsThatStopWithoutAReleaseEndTheHoldSoonButNotOnAStall) {
    // GNOME, Ctrl let go while M is held: the repeats stop and no Deactivated ever comes.
    ASSERT_EQ(activateAt(0), 1);
    repeat(500, 30, 1490);
    advanceTo(5000);
    ASSERT_TRUE(m_endedAt);
    EXPECT_LE(m_endedAt->count() - 1490, 600);
    EXPECT_FALSE(m_hold.isHolding());

    // Two busy cores: KWin's 40 ms repeats arrived 332 ms apart once; the hold goes on.
    m_endedAt.reset();
    ASSERT_EQ(activateAt(10000) + advanceTo(10200), 1);
    repeat(10570, 40, 11000);
    EXPECT_EQ(repeat(11332, 40, 12000), 0);
    EXPECT_FALSE(m_endedAt);
    EXPECT_EQ(m_hold.deactivated(time(12000)), Outcome::released);
}

TEST_F(PortalKeyHoldTest, ALateRepeatAfterAnEndIsNoNewPressButALaterPressIs) {
    ASSERT_EQ(activateAt(0), 1);
    repeat(570, 40, 1010);
    // A stall longer than any margin ends the hold; the repeats then resume.
    advanceTo(1900);
    ASSERT_TRUE(m_endedAt);
    EXPECT_EQ(repeat(1900, 40, 2500), 0);
    // The key goes up: its Deactivated ends nothing more.
    EXPECT_EQ(m_hold.deactivated(time(2500)), Outcome::none);
    EXPECT_EQ(activateAt(2700), 1);
    EXPECT_EQ(m_hold.deactivated(time(2800)), Outcome::released);

    // A stalled process handles the late repeats in a burst.
    m_endedAt.reset();
    ASSERT_EQ(activateAt(3000), 1);
    repeat(3570, 40, 3810);
    advanceTo(4400);
    ASSERT_TRUE(m_endedAt);
    EXPECT_EQ(repeat(4400, 1, 4405), 0);
    EXPECT_EQ(advanceTo(4800), 0);

    // GNOME's lost release, then a deliberate press a second later.
    m_endedAt.reset();
    ASSERT_EQ(activateAt(5000) + advanceTo(5200), 1);
    repeat(5500, 30, 5800);
    advanceTo(6600);
    ASSERT_TRUE(m_endedAt);
    EXPECT_EQ(activateAt(6800) + advanceTo(7000), 1);
    EXPECT_TRUE(m_hold.isHolding());

    // A portal gone mid-hold ends it once.
    EXPECT_EQ(m_hold.cancel(), Outcome::released);
    EXPECT_EQ(m_hold.cancel(), Outcome::none);
}
