// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/toggleburst.h"

#include <gtest/gtest.h>

using namespace quietlane;

namespace {

// Feeds toggles at the given times (ms) as the instance does, running held-back toggles'
// deadlines in between, while another program flips the microphone at `elsewhere` times;
// returns the number of toggles that flipped it.
int flips(const std::vector<int>& times, const std::vector<int>& elsewhere = {}) {
    ToggleBurst burst;
    const auto at = [](int ms) {
        return ToggleBurst::Clock::time_point{} + std::chrono::milliseconds(ms);
    };
    bool muted = false;
    int applied = 0;
    const auto flip = [&] {
        burst.settled(muted = !muted);
        ++applied;
    };
    auto runDeadline = [&](int until) {
        if (const auto due = burst.deadline(); due && *due <= at(until) && burst.expire(*due))
            flip();
    };
    auto next = elsewhere.begin();
    for (int ms : times) {
        for (; next != elsewhere.end() && *next < ms; ++next)
            muted = !muted;
        runDeadline(ms);
        if (burst.arrive(at(ms), muted, nullptr) == ToggleBurst::Verdict::apply)
            flip();
    }
    runDeadline(times.back() + 10000);
    return applied;
}

std::vector<int> hold(int start, int delay, int every, int length) {
    std::vector<int> times{start};
    for (int ms = start + delay; ms <= start + length; ms += every)
        times.push_back(ms);
    return times;
}

} // namespace

TEST(ToggleBurstTest, AHeldKeyFlipsOnceWhateverItsRepeatPace) {
    EXPECT_EQ(flips(hold(0, 500, 30, 1500)), 1); // GNOME's default: 33 commands
    EXPECT_EQ(flips(hold(0, 250, 10, 800)), 1);
    // Two holds a second apart: two flips.
    auto twice = hold(0, 500, 30, 1500);
    for (int ms : hold(2500, 500, 30, 4000))
        twice.push_back(ms);
    EXPECT_EQ(flips(twice), 2);
}

TEST(ToggleBurstTest, DeliberatePressesAMomentApartEachCount) {
    EXPECT_EQ(flips({0, 300}), 2);
    EXPECT_EQ(flips({0, 250, 600, 900}), 4);
    // Command starts drifting apart on a loaded machine stay one press.
    EXPECT_EQ(flips({0, 120}), 1);
    // GNOME without the portal sends a second command as a tapped key comes up: taps a
    // second apart, and a tap right after a hold, still flip once each.
    EXPECT_EQ(flips({0, 90, 1000, 1090, 2000, 2090}), 3);
    auto holdThenTap = hold(0, 500, 30, 1500);
    holdThenTap.push_back(1520);
    holdThenTap.insert(holdThenTap.end(), {2500, 2590});
    EXPECT_EQ(flips(holdThenTap), 2);
}

// Toggles between another program's changes each count, however quickly they come.
TEST(ToggleBurstTest, AToggleAfterAChangeMadeElsewhereIsAPress) {
    EXPECT_EQ(flips({0, 100, 200, 300}), 1);
    EXPECT_EQ(flips({0, 100, 200, 300}, {50, 150, 250}), 4);
    // Another program's mute during a hold: the repeat after it counts, the others do not.
    EXPECT_EQ(flips(hold(0, 500, 30, 1500), {1000}), 2);
}
