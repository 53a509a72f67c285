// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/hotkeymanager.h"
#include "audio/simulatedserver.h"
#include "base/preferences.h"
#include "control/microphonecontroller.h"
#include "shortcuts/shortcutcenter.h"
#include "shortcuts/simulatedhotkeybackend.h"

#include "../eventloop.h"
#include "../tempdir.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace quietlane;
using GlobalShortcuts::Shortcut;

namespace {

const Shortcut kDefault = *GlobalShortcuts::Name::toggleMute().defaultShortcut;

class HotkeyManagerTest : public ::testing::Test {
protected:
    HotkeyManagerTest() {
        m_micID = m_server.addDevice(SimulatedDevice::withMute("mic"));
        m_server.setDefaultInput(m_micID);
    }

    void start() {
        m_center =
            std::make_unique<GlobalShortcuts::ShortcutCenter>(m_preferences, m_keys, m_output);
        m_mic = std::make_unique<MicrophoneController>(m_server, m_preferences);
        m_manager = std::make_unique<HotkeyManager>(*m_mic, *m_center, m_preferences);
    }

    bool waitMuted(bool muted) {
        return test::spinUntil([&] { return m_mic->isMuted() == muted; }, 5000);
    }
    // Until every request the keys made has reached the device and its state is back.
    void settle() {
        bool settled = false;
        m_mic->whenSettled([&settled] { settled = true; });
        ASSERT_TRUE(test::spinUntil([&settled] { return settled; }));
    }

    test::TempDir m_dir;
    Preferences m_preferences{m_dir.path / "preferences.json"};
    SimulatedServer m_server;
    std::string m_micID;
    GlobalShortcuts::SimulatedHotkeyBackend m_keys;
    std::ostringstream m_output;
    std::unique_ptr<GlobalShortcuts::ShortcutCenter> m_center;
    std::unique_ptr<MicrophoneController> m_mic;
    std::unique_ptr<HotkeyManager> m_manager;
};

} // namespace

TEST_F(HotkeyManagerTest, ModeIsRestoredAndRewrittenButSignalsOnlyOnChange) {
    start();
    EXPECT_EQ(m_manager->mode(), HotkeyMode::toggle);
    EXPECT_FALSE(m_preferences.contains("hotkeyMode"));
    int notified = 0;
    QObject::connect(m_manager.get(), &HotkeyManager::modeChanged, [&] { ++notified; });
    m_manager->setMode(HotkeyMode::toggle);
    EXPECT_EQ(m_preferences.stringValue("hotkeyMode"), "toggle");
    EXPECT_EQ(notified, 0);
    m_manager->setMode(HotkeyMode::pushToTalk);
    EXPECT_EQ(notified, 1);

    m_manager.reset();
    m_manager = std::make_unique<HotkeyManager>(*m_mic, *m_center, m_preferences);
    EXPECT_EQ(m_manager->mode(), HotkeyMode::pushToTalk);
}

TEST_F(HotkeyManagerTest, ShortcutMutesTheDeviceInBothModes) {
    start();
    ASSERT_TRUE(test::spinUntil([&] { return m_mic->hasActiveDeviceName(); }, 5000));
    // The first start wrote and registered the default shortcut.
    ASSERT_EQ(m_keys.registrations().size(), 1u);

    m_keys.press(kDefault);
    m_keys.release(kDefault);
    ASSERT_TRUE(waitMuted(true));
    EXPECT_TRUE(m_server.device(m_micID)->muted);

    m_manager->setMode(HotkeyMode::pushToTalk);
    m_keys.press(kDefault);
    ASSERT_TRUE(waitMuted(false)); // talking while held
    m_keys.release(kDefault);
    ASSERT_TRUE(waitMuted(true));

    // A second tap before the first release's state is back must capture what that
    // release asked for (muted), not the "talking" state still on show.
    m_keys.press(kDefault);
    ASSERT_TRUE(waitMuted(false));
    m_keys.release(kDefault);
    m_keys.press(kDefault);
    m_keys.release(kDefault);
    settle();
    EXPECT_TRUE(m_mic->isMuted());
    EXPECT_TRUE(m_server.device(m_micID)->muted);
}

TEST_F(HotkeyManagerTest, HandlersOutliveTheManagerHarmlessly) {
    start();
    m_manager.reset();
    m_keys.press(kDefault);
    m_keys.release(kDefault);
    settle();
    EXPECT_FALSE(m_mic->isMuted());
}

TEST_F(HotkeyManagerTest, OptionalShortcutsAreStoredApartAndRegisteredBesideTheMainOne) {
    using GlobalShortcuts::Key;
    using GlobalShortcuts::Name;
    start();
    const Shortcut hold(Key::backButton, 0);
    m_center->setShortcut(hold, Name::pushToMute());
    EXPECT_EQ(m_preferences.stringValue("GlobalShortcuts_pushToMute"),
              R"({"carbonKeyCode":520,"carbonModifiers":0})");
    ASSERT_EQ(m_keys.registrations().size(), 2u);
    EXPECT_EQ(m_keys.registrations().back().shortcut, hold);
}

TEST_F(HotkeyManagerTest, ReleaseTailIsStoredWithinItsRange) {
    m_preferences.setDouble("pushToTalkTailMs", 5000);
    start();
    EXPECT_EQ(m_manager->pushToTalkTailMs(), 1000);
    m_manager->setPushToTalkTailMs(-20);
    EXPECT_EQ(m_manager->pushToTalkTailMs(), 0);
    EXPECT_EQ(m_preferences.doubleValue("pushToTalkTailMs"), 0.0);
}
