// SPDX-License-Identifier: GPL-3.0-or-later
#include "hud/hudtimeline.h"

#include <gtest/gtest.h>

using namespace quietlane;
using namespace std::chrono_literals;
using Phase = HudTimeline::Phase;

namespace {
const HudTimeline::TimePoint t0{};
}

TEST(HudTimeline, NothingDuringTheStartUpGraceThenHoldFadeAndHidden) {
    HudTimeline timeline;
    EXPECT_FALSE(timeline.present(t0)); // not even watching yet
    timeline.startWatching(t0);
    EXPECT_FALSE(timeline.present(t0 + 1s));
    EXPECT_FALSE(timeline.nextChange(t0 + 1s));

    const auto shown = t0 + 1300ms;
    ASSERT_TRUE(timeline.present(shown));
    EXPECT_DOUBLE_EQ(timeline.opacity(shown + 899ms), 1.0);
    EXPECT_EQ(timeline.nextChange(shown), shown + 900ms);
    EXPECT_EQ(timeline.phase(shown + 900ms), Phase::fading);
    EXPECT_NEAR(timeline.opacity(shown + 1025ms), 0.5, 1e-9);
    EXPECT_EQ(timeline.nextChange(shown + 1s), shown + 1150ms);
    EXPECT_EQ(timeline.phase(shown + 1150ms), Phase::hidden);
    EXPECT_DOUBLE_EQ(timeline.opacity(shown + 1150ms), 0.0);
}

TEST(HudTimeline, APresentationRestartsTheHold) {
    HudTimeline timeline;
    timeline.startWatching(t0);
    const auto first = t0 + 2s;
    ASSERT_TRUE(timeline.present(first));
    // Two toggles 0.5 s apart: no fade in between, the hold counts from the second.
    ASSERT_TRUE(timeline.present(first + 500ms));
    EXPECT_EQ(timeline.phase(first + 1300ms), Phase::holding);
    EXPECT_EQ(timeline.nextChange(first + 1300ms), first + 1400ms);
}
