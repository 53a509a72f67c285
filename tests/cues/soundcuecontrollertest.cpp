// SPDX-License-Identifier: GPL-3.0-or-later
#include "cues/soundcuecontroller.h"
#include "../eventloop.h"
#include "../tempdir.h"
#include "audio/simulatedhal.h"
#include "base/preferences.h"
#include "control/microphonecontroller.h"

#include <gtest/gtest.h>

using namespace quietlane;
using namespace std::chrono_literals;

namespace {

using Played = SimulatedSoundCues::Played;

class SoundCueControllerTest : public ::testing::Test {
protected:
    void start(bool mutedAtStart) {
        m_hal.setDefaultInput(m_hal.addDevice(SimulatedDevice::withMute("mic", mutedAtStart)));
        m_mic = std::make_unique<MicrophoneController>(m_hal, m_preferences);
        m_cues =
            std::make_unique<SoundCueController>(m_player, m_preferences, [this] { return m_now; });
        m_cues->observe(*m_mic);
        ASSERT_TRUE(test::spinUntil([&] { return !m_mic->availableDevices().empty(); }));
    }

    void setMuted(bool muted) {
        m_mic->setMuted(muted);
        ASSERT_TRUE(test::spinUntil([&] { return m_mic->isMuted() == muted; }));
    }

    // Moves the clock past the sound's length and waits for the controller's decision.
    void passTheSound() {
        m_now += kCueLength;
        ASSERT_TRUE(test::spinUntil([&] { return !m_cues->isCueWaiting(); }));
    }

    test::TempDir m_dir;
    Preferences m_preferences{m_dir.path / "preferences.json"};
    SimulatedHal m_hal;
    SimulatedSoundCues m_player;
    CueGate::TimePoint m_now{};
    std::unique_ptr<MicrophoneController> m_mic;
    std::unique_ptr<SoundCueController> m_cues;
};

} // namespace

TEST_F(SoundCueControllerTest, OffByDefaultAndSilentUntilTurnedOn) {
    start(false);
    EXPECT_FALSE(m_cues->isEnabled());
    EXPECT_EQ(m_cues->volume(), 0.5);
    EXPECT_FALSE(m_player.isPrepared()) << "no connection for cues nobody asked for";
    setMuted(true);
    passTheSound();
    EXPECT_TRUE(m_player.played().empty());

    m_cues->setEnabled(true);
    m_cues->setVolume(1.7);
    EXPECT_TRUE(m_player.isPrepared());
    EXPECT_EQ(m_preferences.boolValue("soundCues"), true);
    EXPECT_EQ(m_preferences.doubleValue("soundCueVolume"), 1.0);
    setMuted(false);
    passTheSound();
    EXPECT_EQ(m_player.played(), (std::vector<Played>{{SoundCue::unmuted, 1.0}}));
}

TEST_F(SoundCueControllerTest, TheFirstStateReadIsNoChangeAndAQuickTapPlaysNothing) {
    m_preferences.setBool("soundCues", true);
    m_preferences.setDouble("soundCueVolume", 0.25);
    start(/*mutedAtStart=*/true);
    passTheSound();
    EXPECT_TRUE(m_player.played().empty()) << "reading a muted microphone at start is no mute";

    // A push-to-talk tap: open and closed again before the sound could have finished.
    setMuted(false);
    m_now += 30ms;
    setMuted(true);
    passTheSound();
    EXPECT_TRUE(m_player.played().empty());

    // A hold that lasts is heard on the press and on the release.
    setMuted(false);
    passTheSound();
    setMuted(true);
    passTheSound();
    EXPECT_EQ(m_player.played(),
              (std::vector<Played>{{SoundCue::unmuted, 0.25}, {SoundCue::muted, 0.25}}));
}
