// SPDX-License-Identifier: GPL-3.0-or-later
#include "hud/hudcontroller.h"
#include "../eventloop.h"
#include "../tempdir.h"
#include "audio/simulatedserver.h"
#include "control/microphonecontroller.h"
#include "hud/hudpanel.h"
#include "widget/windowhints.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <functional>

using namespace quietlane;
using namespace std::chrono_literals;

namespace {

class HUDControllerTest : public ::testing::Test {
protected:
    HUDControllerTest() { m_server.setDefaultInput(m_micId); }

    void muteExternally(bool muted) {
        m_server.setMuteExternally(m_micId, muted);
        ASSERT_TRUE(test::spinUntil([&] { return m_mic.isMuted() == muted; }));
        QCoreApplication::processEvents();
    }

    test::TempDir m_dir;
    Preferences m_preferences{m_dir.path / "preferences.json"};
    SimulatedServer m_server;
    std::string m_micId = m_server.addDevice(SimulatedDevice::withMute("mic"));
    MicrophoneController m_mic{m_server, m_preferences};
    NullWindowHints m_hints;
    HudTimeline::TimePoint m_now{};
    HUDController m_hud{m_preferences, m_hints, [this] {
                            return m_now;
                        }};
};

} // namespace

TEST_F(HUDControllerTest, ShowsTheNewStateComesBackDuringTheFadeAndHidesAfterIt) {
    m_hud.observe(m_mic);
    m_now += 2s;
    muteExternally(true);
    ASSERT_TRUE(m_hud.panel());
    EXPECT_TRUE(m_hud.panel()->isVisible());
    EXPECT_TRUE(m_hud.panel()->isMuted());

    // A change while it fades brings it back at full strength with the new state.
    m_now += 1000ms;
    EXPECT_TRUE(test::spinUntil([&] { return m_hud.panel()->windowOpacity() < 1.0; }));
    muteExternally(false);
    EXPECT_TRUE(m_hud.panel()->isVisible());
    EXPECT_EQ(m_hud.panel()->windowOpacity(), 1.0);
    EXPECT_FALSE(m_hud.panel()->isMuted());

    // Past hold and fade on the injected clock: the next tick takes it off screen.
    m_now += 2s;
    EXPECT_TRUE(test::spinUntil([&] { return !m_hud.panel()->isVisible(); }));
}

TEST_F(HUDControllerTest, SwitchesChooseWhatShowsButTrackingGoesOn) {
    m_hud.observe(m_mic);
    m_now += 2s;
    const auto shown = [&] {
        QCoreApplication::processEvents();
        return m_hud.panel() && m_hud.panel()->isVisible();
    };
    m_hud.setShowHUD(false);
    EXPECT_EQ(m_preferences.boolValue("showHUD"), false);
    muteExternally(true);
    EXPECT_FALSE(m_hud.panel());

    m_hud.setShowHUD(true);
    m_hud.setHudForOtherPrograms(false);
    muteExternally(false);
    EXPECT_FALSE(shown());
    m_mic.setMuted(true);
    EXPECT_TRUE(test::spinUntil(shown)) << "our own change showed nothing";
    EXPECT_TRUE(m_hud.panel()->isMuted());

    m_now += 2s;
    ASSERT_TRUE(test::spinUntil([&] { return !shown(); }));
    m_hud.setHudForOtherPrograms(true);
    muteExternally(false);
    EXPECT_TRUE(shown());
    EXPECT_FALSE(m_hud.panel()->isMuted());
}
