// SPDX-License-Identifier: GPL-3.0-or-later
#include "cues/cuegate.h"
#include "audio/soundcue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace quietlane;
using namespace std::chrono_literals;

TEST(CueGate, AChangePlaysOnceItHasStoodForTheSound) {
    CueGate gate(90ms);
    const CueGate::TimePoint start{};
    gate.changed(true, start);
    EXPECT_EQ(gate.dueAt(), start + 90ms);
    EXPECT_FALSE(gate.take(start + 89ms));
    EXPECT_EQ(gate.take(start + 90ms), SoundCue::muted);
    EXPECT_FALSE(gate.take(start + 200ms)) << "a cue plays once";
    EXPECT_FALSE(gate.dueAt());

    gate.changed(false, start + 300ms);
    EXPECT_EQ(gate.take(start + 400ms), SoundCue::unmuted);
}

TEST(CueGate, AHoldShorterThanTheSoundPlaysNeitherCue) {
    CueGate gate(90ms);
    const CueGate::TimePoint press{};
    gate.changed(false, press);       // push-to-talk opens the microphone
    gate.changed(true, press + 40ms); // and the release closes it again
    EXPECT_FALSE(gate.dueAt());
    EXPECT_FALSE(gate.take(press + 1s));

    // The next press starts afresh and is heard once it has lasted.
    gate.changed(false, press + 2s);
    EXPECT_FALSE(gate.take(press + 2s + 50ms));
    EXPECT_EQ(gate.take(press + 2s + 90ms), SoundCue::unmuted);
    // Its release, after the press's cue, is heard too.
    gate.changed(true, press + 3s);
    EXPECT_EQ(gate.take(press + 3s + 90ms), SoundCue::muted);
}

TEST(CueSound, BothSoundsAreShortAudibleAndDifferent) {
    const auto muted = synthesizeCue(SoundCue::muted);
    const auto unmuted = synthesizeCue(SoundCue::unmuted);
    const std::size_t expected = kCueSampleRate * std::size_t(kCueLength.count()) / 1000;
    ASSERT_EQ(muted.size(), expected);
    ASSERT_EQ(unmuted.size(), expected);
    EXPECT_NE(muted, unmuted);
    for (const auto& sound : {muted, unmuted}) {
        const auto peak = std::abs(*std::max_element(
            sound.begin(), sound.end(), [](auto a, auto b) { return std::abs(a) < std::abs(b); }));
        // Heard, well short of clipping, and ending at rest (no click at its end).
        EXPECT_GT(peak, 3000);
        EXPECT_LT(peak, 16000);
        EXPECT_LT(std::abs(sound.front()), 200);
        EXPECT_LT(std::abs(sound.back()), 200);
    }
    EXPECT_STRNE(cueSampleName(SoundCue::muted), cueSampleName(SoundCue::unmuted));
}
