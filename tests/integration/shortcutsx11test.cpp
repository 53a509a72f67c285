// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/preferences.h"
#include "control/hotkeystatemachine.h"
#include "keyinjector.h"
#include "shortcuts/shortcutcenter.h"
#include "shortcuts/x11/x11hotkeybackend.h"
#include "xsession.h"

#include "../eventloop.h"
#include "../tempdir.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <sys/socket.h>

using namespace quietlane;
using namespace quietlane::GlobalShortcuts;
using quietlane::testing::KeyInjector;
using quietlane::testing::XSession;

namespace {

XSession* g_session = nullptr;

class ShortcutsX11Test : public ::testing::Test {
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
        m_preferences = std::make_unique<Preferences>(m_dir.path / "preferences.json");
        std::string error;
        m_backend = X11HotkeyBackend::open(g_session->display(), error);
        ASSERT_TRUE(m_backend) << error;
        m_keys = std::make_unique<KeyInjector>(g_session->display());
    }
    void TearDown() override {
        m_center.reset();
        m_backend.reset();
        m_keys.reset();
        m_preferences.reset(); // writes what is pending, before its directory goes
    }

    /// The program's wiring: the shortcut drives a microphone through the hotkey logic.
    void start() {
        m_center = std::make_unique<ShortcutCenter>(*m_preferences, *m_backend, m_output);
        const Name name = m_center->declare(Name::toggleMute());
        m_center->onKeyDown(name, [this] {
            ++m_presses;
            m_machine.keyDown(m_mode);
        });
        m_center->onKeyUp(name, [this] {
            ++m_releases;
            m_machine.keyUp(m_mode);
        });
        const Name marker = m_center->declare(Name{"marker", std::nullopt});
        m_center->setShortcut(Shortcut(Key::f12, 0), marker);
        m_center->onKeyDown(marker, [this] { ++m_markers; });
    }

    /// Runs the main loop, where the centre takes the hook's events and checks a held
    /// key, until `done` holds or `ms` passed.
    bool pumpUntil(const std::function<bool()>& done, int ms = 5000) {
        m_keys->sync();
        return test::spinUntil(done, ms);
    }
    /// For what only the X server's or the backend's own timers bring about.
    void pump(int ms) {
        pumpUntil([] { return false; }, ms);
    }
    /// Until the events sent so far are handled: F12, sent after them, has come through.
    void deliver() {
        const int seen = m_markers;
        m_keys->tap(XKB_KEY_F12);
        ASSERT_TRUE(pumpUntil([&] { return m_markers > seen; }));
    }

    quietlane::test::TempDir m_dir;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<X11HotkeyBackend> m_backend;
    std::unique_ptr<KeyInjector> m_keys;
    std::ostringstream m_output;
    std::unique_ptr<ShortcutCenter> m_center;
    bool m_muted = false;
    HotkeyMode m_mode = HotkeyMode::toggle;
    HotkeyStateMachine m_machine{{[this] { return m_muted; }, [this] { m_muted = !m_muted; },
                                  [this](bool muted) {
                                      m_muted = muted;
                                  }}};
    int m_markers = 0;
    int m_presses = 0;
    int m_releases = 0;
};

} // namespace

TEST_F(ShortcutsX11Test, DefaultShortcutTogglesWithAnyLockOn) {
    start();
    ASSERT_TRUE(m_backend->hasDetectableAutoRepeat());
    m_keys->pressChord(XKB_KEY_m);
    m_keys->releaseChord(XKB_KEY_m);
    deliver();
    EXPECT_TRUE(m_muted);

    // Other keys, and M with fewer modifiers, are not ours.
    m_keys->down(XKB_KEY_Control_L);
    m_keys->tap(XKB_KEY_m);
    m_keys->up(XKB_KEY_Control_L);
    m_keys->tap(XKB_KEY_n);
    deliver();
    EXPECT_EQ(m_presses, 1);

    for (const uint32_t lock : {XKB_KEY_Num_Lock, XKB_KEY_Caps_Lock}) {
        m_keys->tap(lock);
        m_keys->pressChord(XKB_KEY_m);
        m_keys->releaseChord(XKB_KEY_m);
        m_keys->tap(lock);
        deliver();
    }
    EXPECT_EQ(m_presses, 3);
    EXPECT_TRUE(m_muted);
    EXPECT_EQ(m_output.str(), "");
}

TEST_F(ShortcutsX11Test, PushToTalkSurvivesAutoRepeatAndEarlyModifierRelease) {
    m_mode = HotkeyMode::pushToTalk;
    m_muted = true;
    start();
    m_keys->pressChord(XKB_KEY_m);
    pump(1200); // long enough for the server to start repeating M
    EXPECT_FALSE(m_muted);
    EXPECT_EQ(m_presses, 1);
    EXPECT_EQ(m_releases, 0);

    // Control, Option and Command are let go first; the release of the bare M still ends
    // the hold.
    m_keys->up(XKB_KEY_Control_L);
    m_keys->up(XKB_KEY_Alt_L);
    m_keys->up(XKB_KEY_Super_L);
    deliver();
    EXPECT_FALSE(m_muted);
    m_keys->up(XKB_KEY_m);
    pumpUntil([&] { return m_releases == 1; });
    EXPECT_EQ(m_releases, 1);
    EXPECT_TRUE(m_muted);
}

TEST_F(ShortcutsX11Test, CombinationHeldByAnotherClientIsReportedWithoutHarm) {
    ASSERT_TRUE(m_keys->grab(XKB_KEY_m, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4));

    start();
    EXPECT_EQ(m_output.str(), "Error registering hotkey Ctrl+Alt+Super+M: 10\n");
    m_keys->pressChord(XKB_KEY_m);
    m_keys->releaseChord(XKB_KEY_m);
    deliver();
    EXPECT_EQ(m_presses, 0);

    // Once the user picks another combination the shortcut works again.
    m_center->setShortcut(Shortcut(Key::f5, Modifier::control), Name::toggleMute());
    m_keys->down(XKB_KEY_Control_L);
    m_keys->tap(XKB_KEY_F5);
    m_keys->up(XKB_KEY_Control_L);
    deliver();
    EXPECT_EQ(m_presses, 1);
}

TEST_F(ShortcutsX11Test, MouseButtonsHoldTheMicrophoneOpenWithOrWithoutAModifier) {
    m_mode = HotkeyMode::pushToTalk;
    m_muted = true;
    start();
    struct Case {
        int64_t key;
        Modifiers modifiers;
        uint8_t button;
    };
    for (const Case c :
         {Case{Key::middleButton, Modifier::control, 2}, Case{Key::backButton, 0, 8}}) {
        m_center->setShortcut(Shortcut(c.key, c.modifiers), Name::toggleMute());
        if (c.modifiers)
            m_keys->down(XKB_KEY_Control_L);
        m_keys->button(c.button, true);
        pumpUntil([&] { return !m_muted; });
        EXPECT_FALSE(m_muted) << "button " << int(c.button);
        m_keys->button(c.button, false);
        if (c.modifiers)
            m_keys->up(XKB_KEY_Control_L);
        pumpUntil([&] { return m_muted; });
        EXPECT_TRUE(m_muted) << "button " << int(c.button);
    }
    EXPECT_EQ(m_output.str(), "");
}

TEST_F(ShortcutsX11Test, PushToTalkHoldEndsWhenTheXConnectionDrops) {
    start();
    m_mode = HotkeyMode::pushToTalk;
    m_keys->pressChord(XKB_KEY_m);
    pump(300); // long enough for several key-map checks while the key is down
    ASSERT_TRUE(m_muted);
    ASSERT_EQ(m_releases, 0);

    // No release can come over a dead connection: the hold must end by itself.
    ::shutdown(m_backend->eventFd(), SHUT_RDWR);
    pumpUntil([&] { return m_releases == 1; });
    EXPECT_FALSE(m_muted);
    EXPECT_EQ(m_releases, 1);
    m_keys->releaseChord(XKB_KEY_m);
    m_keys->sync();
}
