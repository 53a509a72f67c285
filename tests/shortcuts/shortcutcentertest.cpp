// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/shortcutcenter.h"
#include "../tempdir.h"
#include "base/preferences.h"
#include "shortcuts/shortcutcodec.h"
#include "shortcuts/simulatedhotkeybackend.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace quietlane;
using namespace quietlane::GlobalShortcuts;

namespace {

const Shortcut kDefault = *Name::toggleMute().defaultShortcut;
const Shortcut kF5(Key::f5, Modifier::control);

class ShortcutCenterTest : public ::testing::Test {
protected:
    ShortcutCenter& center() {
        if (!m_center) {
            m_center = std::make_unique<ShortcutCenter>(m_preferences, m_backend, m_output);
            QObject::connect(m_center.get(), &ShortcutCenter::shortcutChanged,
                             [this](const Name& name) { m_changes.push_back(name); });
        }
        return *m_center;
    }

    // The default name, declared, with its press and release written down.
    Name declareRecorded() {
        const Name name = center().declare(Name::toggleMute());
        center().onKeyDown(name, [this] { m_calls.push_back("down"); });
        center().onKeyUp(name, [this] { m_calls.push_back("up"); });
        return name;
    }

    test::TempDir m_dir;
    Preferences m_preferences{m_dir.path / "preferences.json"};
    SimulatedHotkeyBackend m_backend;
    std::ostringstream m_output;
    std::vector<Name> m_changes;
    std::vector<std::string> m_calls;
    std::unique_ptr<ShortcutCenter> m_center;
};

} // namespace

TEST_F(ShortcutCenterTest, FreshStoreGetsTheDefaultWrittenRegisteredAndAnnouncedOnce) {
    // Hinted before it is written, named by the layout (M's key types a comma in French).
    m_backend.setCharacter(Key::m, ",");
    EXPECT_EQ(center().hintText(Name::toggleMute()), "Ctrl+Alt+Super+,");
    const Name name = center().declare(Name::toggleMute());
    EXPECT_EQ(m_preferences.stringValue("GlobalShortcuts_toggleMute"),
              R"({"carbonKeyCode":46,"carbonModifiers":6400})");
    ASSERT_EQ(m_backend.registrations().size(), 1u);
    EXPECT_EQ(m_backend.registrations()[0].id, 1u);
    ASSERT_EQ(m_changes.size(), 1u);
    EXPECT_EQ(m_changes[0].rawValue, "toggleMute");

    // Declaring again and adding both handlers registers nothing more.
    center().declare(Name::toggleMute());
    center().onKeyDown(name, [] {});
    center().onKeyUp(name, [] {});
    EXPECT_EQ(m_backend.registerCalls(), 1);
    EXPECT_EQ(m_changes.size(), 1u);
}

TEST_F(ShortcutCenterTest, AnyStoredValueKeepsTheDefaultOut) {
    for (const bool marker : {true, false}) {
        if (marker)
            m_preferences.setBool("GlobalShortcuts_toggleMute", false);
        else
            m_preferences.setString("GlobalShortcuts_toggleMute", "{not json");
        ShortcutCenter fresh(m_preferences, m_backend, m_output);
        fresh.declare(Name::toggleMute());
        fresh.onKeyDown(Name::toggleMute(), [] {});
        EXPECT_FALSE(fresh.shortcut(Name::toggleMute()));
        EXPECT_TRUE(fresh.hasStoredShortcut(Name::toggleMute()));
        EXPECT_EQ(m_backend.registerCalls(), 0);
    }
}

TEST_F(ShortcutCenterTest, ClearingKeepsAMarkerOnlyForNamesWithADefault) {
    const Name name = center().declare(Name::toggleMute());
    center().setShortcut(std::nullopt, name);
    EXPECT_EQ(m_preferences.boolValue("GlobalShortcuts_toggleMute"), false);
    EXPECT_TRUE(m_backend.registrations().empty());
    EXPECT_EQ(center().hintText(name), ""); // no hint for a key that does nothing
    EXPECT_EQ(m_changes.size(), 2u);

    center().setShortcut(std::nullopt, name); // already empty: no write, no notification
    EXPECT_EQ(m_changes.size(), 2u);

    const Name plain{"other", std::nullopt};
    center().setShortcut(kF5, plain);
    EXPECT_TRUE(m_preferences.contains("GlobalShortcuts_other"));
    center().setShortcut(std::nullopt, plain);
    EXPECT_FALSE(m_preferences.contains("GlobalShortcuts_other"));
    EXPECT_EQ(m_changes.size(), 4u);
}

TEST_F(ShortcutCenterTest, HandlersRunInOrderForPressAndReleaseAndFollowTheStore) {
    const Name name{"toggleMute", std::nullopt};
    std::vector<std::string> calls;
    center().onKeyDown(name, [&] { calls.push_back("down1"); });
    center().onKeyDown(name, [&] { calls.push_back("down2"); });
    center().onKeyUp(name, [&] { calls.push_back("up"); });
    EXPECT_EQ(m_backend.registerCalls(), 0); // nothing stored yet

    center().setShortcut(kDefault, name);
    EXPECT_TRUE(m_backend.press(kDefault));
    EXPECT_TRUE(m_backend.press(kDefault)); // auto-repeat: no second delivery
    EXPECT_TRUE(m_backend.release(kDefault));
    EXPECT_EQ(calls, (std::vector<std::string>{"down1", "down2", "up"}));

    // Re-recording moves the registration: the old combination no longer fires.
    calls.clear();
    center().setShortcut(kF5, name);
    EXPECT_FALSE(m_backend.press(kDefault));
    m_backend.press(kF5);
    m_backend.release(kF5);
    EXPECT_EQ(calls, (std::vector<std::string>{"down1", "down2", "up"}));

    // A handler that changes the shortcut while its press is being dispatched.
    calls.clear();
    center().onKeyDown(name, [&] { center().setShortcut(kDefault, name); });
    m_backend.press(kF5);
    EXPECT_FALSE(m_backend.release(kF5));
    EXPECT_EQ(calls, (std::vector<std::string>{"down1", "down2"}));
}

TEST_F(ShortcutCenterTest, PausedAndStaleEventsReachNoHandler) {
    declareRecorded();
    center().setPaused(true);
    m_backend.press(kDefault);
    m_backend.release(kDefault);
    center().setPaused(false);
    EXPECT_FALSE(m_backend.deliver({HotkeyEvent::Kind::pressed, 99}));
    m_backend.press(kDefault);
    EXPECT_EQ(m_calls, std::vector<std::string>{"down"});
}

TEST_F(ShortcutCenterTest, RefusedRegistrationIsReportedOnceAndRetriedOnlyWhenAsked) {
    m_backend.holdElsewhere(kDefault);
    const Name name = declareRecorded();
    EXPECT_EQ(m_output.str(), "Error registering hotkey Ctrl+Alt+Super+M: 10\n");
    EXPECT_EQ(m_backend.registerCalls(), 1);
    EXPECT_EQ(m_preferences.stringValue("GlobalShortcuts_toggleMute"), encodeShortcut(kDefault));
    EXPECT_FALSE(m_backend.press(kDefault));

    // Tried again once its holder (an instance of ours on its way out) may have let go:
    // quiet while it is still held, working once it is free.
    EXPECT_TRUE(center().hasRefused());
    EXPECT_FALSE(center().registerRefusedAgain());
    m_backend.letGo(kDefault);
    EXPECT_TRUE(center().registerRefusedAgain());
    EXPECT_FALSE(center().hasRefused());
    EXPECT_EQ(m_output.str(), "Error registering hotkey Ctrl+Alt+Super+M: 10\n");
    m_backend.press(kDefault);
    EXPECT_EQ(m_calls, std::vector<std::string>{"down"});
    EXPECT_TRUE(center().registerRefusedAgain());
    EXPECT_EQ(m_backend.registrations().size(), 1u);

    // The next id is fresh even though the refused ones kept no record.
    center().setShortcut(kF5, name);
    ASSERT_EQ(m_backend.registrations().size(), 1u);
    EXPECT_EQ(m_backend.registrations()[0].id, 4u);
}

TEST_F(ShortcutCenterTest, PopupKeysReachTheHandlersWhileTheGrabsAreGivenUp) {
    declareRecorded();
    center().setMenuOpen(true);
    EXPECT_TRUE(m_backend.registrations().empty());
    EXPECT_FALSE(center().handlePopupKeyEvent(true, Key::m, Modifier::super));
    EXPECT_TRUE(center().handlePopupKeyEvent(true, Key::m, kDefault.modifiers));
    EXPECT_TRUE(
        center().handlePopupKeyEvent(true, Key::m, kDefault.modifiers)); // repeat: swallowed only
    // Control and Alt were let go before M: the release still belongs to the press.
    EXPECT_TRUE(center().handlePopupKeyEvent(false, Key::m, Modifier::super));
    EXPECT_EQ(m_calls, (std::vector<std::string>{"down", "up"}));

    // Someone takes the combination while the popup is open: it is dropped, with the line.
    m_backend.holdElsewhere(kDefault);
    center().setMenuOpen(false);
    EXPECT_EQ(m_output.str(), "Error registering hotkey Ctrl+Alt+Super+M: 10\n");
    EXPECT_FALSE(center().isRegistered(kDefault));
}

TEST_F(ShortcutCenterTest, ReleaseIsMatchedToThePressAfterThePopupCloses) {
    declareRecorded();
    m_backend.press(kDefault);  // through the system grab
    center().setMenuOpen(true); // a popup opens while the key is down
    EXPECT_TRUE(center().handlePopupKeyEvent(false, Key::m, 0)); // bare M released into it
    center().setMenuOpen(false);
    ASSERT_EQ(m_backend.registrations().size(), 1u);
    EXPECT_EQ(m_backend.registrations()[0].id, 1u); // taken again under its own id
    m_backend.press(kDefault);
    EXPECT_EQ(m_calls, (std::vector<std::string>{"down", "up", "down"}));
}
