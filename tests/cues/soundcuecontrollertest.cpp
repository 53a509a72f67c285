// SPDX-License-Identifier: GPL-3.0-or-later
#include "cues/soundcuecontroller.h"
#include "../eventloop.h"
#include "../tempdir.h"
#include "audio/simulatedserver.h"
#include "base/preferences.h"
#include "control/microphonecontroller.h"

#include <gtest/gtest.h>

using namespace quietlane;
using namespace std::chrono_literals;
using Played = SimulatedSoundCues::Played;

TEST(SoundCueController, OnlyChangesThatStoodForTheSoundPlayAndNeverTheFirstStateRead) {
    test::TempDir dir;
    Preferences preferences(dir.path / "preferences.json");
    preferences.setBool("soundCues", true);
    preferences.setDouble("soundCueVolume", 0.25);
    SimulatedServer server;
    server.setDefaultInput(server.addDevice(SimulatedDevice::withMute("mic", /*muted=*/true)));
    SimulatedSoundCues player;
    CueGate::TimePoint now{};
    MicrophoneController mic(server, preferences);
    SoundCueController cues(player, preferences, [&] { return now; });
    cues.observe(mic);
    ASSERT_TRUE(test::spinUntil([&] { return !mic.availableDevices().empty(); }));
    auto setMuted = [&](bool muted) {
        mic.setMuted(muted);
        ASSERT_TRUE(test::spinUntil([&] { return mic.isMuted() == muted; }));
    };
    // Past the sound's length on the injected clock, once the controller has decided.
    auto passTheSound = [&] {
        now += kCueLength;
        ASSERT_TRUE(test::spinUntil([&] { return !cues.isCueWaiting(); }));
    };

    passTheSound();
    EXPECT_TRUE(player.played().empty()) << "reading a muted microphone at start is no mute";

    // A push-to-talk tap: open and closed again before the sound could have finished.
    setMuted(false);
    now += 30ms;
    setMuted(true);
    passTheSound();
    EXPECT_TRUE(player.played().empty());

    // A hold that lasts is heard on the press and on the release.
    setMuted(false);
    passTheSound();
    setMuted(true);
    passTheSound();
    const std::vector<Played> heard{{SoundCue::unmuted, 0.25}, {SoundCue::muted, 0.25}};
    EXPECT_EQ(player.played(), heard);

    cues.setEnabled(false);
    setMuted(false);
    passTheSound();
    EXPECT_EQ(player.played(), heard) << "a cue played while off";
}
