// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/pushtotalkpair.h"

#include <gtest/gtest.h>

using namespace quietlane;
using namespace std::chrono_literals;

namespace {

// A microphone that takes each request at once, as the confirmed state.
struct Microphone {
    bool muted = true;
    HotkeyStateMachine::Microphone callbacks() {
        return {[this] { return muted; }, [this] { muted = !muted; },
                [this](bool value) {
                    muted = value;
                }};
    }
};

const PushToTalkPair::Clock::time_point start{};

} // namespace

TEST(PushToTalkPair, OnlyAReleaseRightBeforeItsPressDropsTheTap) {
    Microphone mic;
    PushToTalkPair pair(mic.callbacks());
    pair.release(start);
    EXPECT_FALSE(pair.press(start + 5ms));
    EXPECT_TRUE(mic.muted);

    // A release with no hold does not swallow a press long after it.
    pair.release(start + 1s);
    EXPECT_TRUE(pair.press(start + 1s + PushToTalkPair::kLateTapWindow));
    EXPECT_FALSE(mic.muted);
    pair.release(start + 1s + PushToTalkPair::kLateTapWindow + 50ms);
    EXPECT_TRUE(mic.muted);

    // Quick taps in order, a release right before the next press: none is dropped, and
    // none inherits the dropped press.
    for (int tap = 0; tap < 3; ++tap) {
        const auto at = start + 10s + tap * 20ms;
        EXPECT_TRUE(pair.press(at));
        EXPECT_FALSE(mic.muted);
        pair.release(at + 10ms);
        EXPECT_TRUE(mic.muted);
    }
}
