// SPDX-License-Identifier: GPL-3.0-or-later
// The optional shortcuts (mute, unmute, push to mute), mouse buttons, the release tail and
// the indicator's switch for other programs, with real X input on a private X server down
// to a private PulseAudio.
#include "keyinjector.h"
#include "soundserver.h"
#include "xsession.h"

#include "../eventloop.h"

#include "audio/pulse/pulseserver.h"
#include "base/preferences.h"
#include "control/hotkeymanager.h"
#include "control/microphonecontroller.h"
#include "hud/hudcontroller.h"
#include "hud/hudpanel.h"
#include "shortcuts/hotkeyeventpump.h"
#include "shortcuts/shortcutcenter.h"
#include "shortcuts/x11/x11hotkeybackend.h"
#include "widget/windowhints.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <sstream>

using namespace quietlane;
using namespace quietlane::testing;
using namespace quietlane::GlobalShortcuts;
using namespace std::chrono_literals;
using quietlane::test::spinFor;
using quietlane::test::spinUntil;

namespace {

XSession* g_session = nullptr;

class MoreShortcutsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_session = new XSession;
        std::string error;
        if (!g_session->start(error))
            GTEST_FAIL() << error;
    }
    static void TearDownTestSuite() {
        delete g_session;
        g_session = nullptr;
    }

    void SetUp() override {
        m_server = std::make_unique<SoundServer>(SoundServerKind::pulseAudio);
        m_server->addSource("mic1", "First");
        m_server->pactl("set-default-source mic1");
        m_hal = std::make_unique<PulseServer>();
        std::string error;
        ASSERT_TRUE(m_hal->waitUntilReady(5s, &error)) << error;
        m_preferences = std::make_unique<Preferences>(m_server->directory() + "/prefs.json");
        m_backend = X11HotkeyBackend::open(g_session->display(), error);
        ASSERT_TRUE(m_backend) << error;
        m_keys = std::make_unique<KeyInjector>(g_session->display());
        m_mic = std::make_unique<MicrophoneController>(*m_hal, *m_preferences);
        m_center = std::make_unique<ShortcutCenter>(*m_preferences, *m_backend, m_output);
        m_pump = std::make_unique<HotkeyEventPump>(*m_center);
        m_manager = std::make_unique<HotkeyManager>(*m_mic, *m_center, *m_preferences);
        ASSERT_TRUE(spinUntil([&] { return m_mic->hasActiveDeviceName(); }));
    }

    void TearDown() override {
        m_hud.reset();
        m_manager.reset();
        m_pump.reset();
        m_center.reset();
        m_mic.reset();
        m_backend.reset();
        m_keys.reset();
        m_hal.reset();
    }

    bool serverMuted() {
        return m_server->pactl("get-source-mute mic1").find("yes") != std::string::npos;
    }
    bool settlesMuted(bool muted) {
        return spinUntil([&] { return serverMuted() == muted && m_mic->isMuted() == muted; });
    }
    void set(const Name& name, int64_t keyCode, Modifiers modifiers = 0) {
        m_center->setShortcut(Shortcut(keyCode, modifiers), name);
        ASSERT_EQ(m_output.str(), "");
    }

    std::unique_ptr<SoundServer> m_server;
    std::unique_ptr<PulseServer> m_hal;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<X11HotkeyBackend> m_backend;
    std::unique_ptr<KeyInjector> m_keys;
    std::unique_ptr<MicrophoneController> m_mic;
    std::ostringstream m_output;
    std::unique_ptr<ShortcutCenter> m_center;
    std::unique_ptr<HotkeyEventPump> m_pump;
    std::unique_ptr<HotkeyManager> m_manager;
    NullWindowHints m_hints;
    std::unique_ptr<HUDController> m_hud;
};

} // namespace

TEST_F(MoreShortcutsTest, MuteUnmuteAndPushToMuteFromEitherState) {
    set(Name::mute(), Key::micMute);
    set(Name::unmute(), Key::u, Modifier::control | Modifier::alt);
    set(Name::pushToMute(), Key::middleButton, Modifier::control);

    m_keys->tap(XKB_KEY_XF86AudioMicMute);
    ASSERT_TRUE(settlesMuted(true));
    m_keys->tap(XKB_KEY_XF86AudioMicMute); // mute again: stays muted
    spinFor(100);
    EXPECT_TRUE(serverMuted());

    // From muted: muted while held, and still muted after.
    m_keys->down(XKB_KEY_Control_L);
    m_keys->button(2, true);
    m_keys->button(2, false);
    m_keys->up(XKB_KEY_Control_L);
    spinFor(150);
    EXPECT_TRUE(serverMuted());

    m_keys->press({XKB_KEY_Control_L, XKB_KEY_Alt_L, XKB_KEY_u});
    ASSERT_TRUE(settlesMuted(false));

    // From unmuted: muted while held, talking again after.
    m_keys->down(XKB_KEY_Control_L);
    m_keys->button(2, true);
    ASSERT_TRUE(settlesMuted(true));
    m_keys->button(2, false);
    m_keys->up(XKB_KEY_Control_L);
    ASSERT_TRUE(settlesMuted(false));
}

TEST_F(MoreShortcutsTest, SideButtonPushToTalkKeepsTalkingThroughAPressInItsTail) {
    set(Name::toggleMute(), Key::backButton);
    m_manager->setMode(HotkeyMode::pushToTalk);
    m_manager->setPushToTalkTailMs(400);
    m_mic->setMuted(true);
    ASSERT_TRUE(settlesMuted(true));
    int changes = 0;
    QObject::connect(m_mic.get(), &MicrophoneController::isMutedChanged, [&] { ++changes; });

    m_keys->button(8, true);
    ASSERT_TRUE(settlesMuted(false));
    m_keys->button(8, false);
    m_keys->button(8, true); // pressed again well within the tail
    spinFor(600);
    EXPECT_FALSE(serverMuted());
    m_keys->button(8, false);
    ASSERT_TRUE(settlesMuted(true));
    EXPECT_EQ(changes, 2);
}

TEST_F(MoreShortcutsTest, IndicatorForOtherProgramsOnlyWhenSwitchedOn) {
    HudTimeline::TimePoint now{};
    m_hud = std::make_unique<HUDController>(*m_preferences, m_hints, [&] { return now; });
    m_hud->observe(*m_mic);
    now += 2s;
    set(Name::mute(), Key::micMute);
    const auto flashed = [&] {
        QCoreApplication::processEvents();
        return m_hud->panel() && m_hud->panel()->isVisible();
    };

    m_hud->setHudForOtherPrograms(false);
    m_server->pactl("set-source-mute mic1 1");
    ASSERT_TRUE(settlesMuted(true));
    m_server->pactl("set-source-mute mic1 0");
    ASSERT_TRUE(settlesMuted(false));
    EXPECT_FALSE(flashed());
    m_keys->tap(XKB_KEY_XF86AudioMicMute);
    ASSERT_TRUE(settlesMuted(true));
    EXPECT_TRUE(spinUntil(flashed));

    now += 2s; // past hold and fade
    ASSERT_TRUE(spinUntil([&] { return !flashed(); }));
    m_hud->setHudForOtherPrograms(true);
    m_server->pactl("set-source-mute mic1 0");
    ASSERT_TRUE(settlesMuted(false));
    EXPECT_TRUE(spinUntil(flashed));
    EXPECT_FALSE(m_hud->panel()->isMuted());
}
