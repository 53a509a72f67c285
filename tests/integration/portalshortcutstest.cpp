// SPDX-License-Identifier: GPL-3.0-or-later
// The global shortcut through a desktop portal (a stand-in on a private session bus) down
// to a private PulseAudio: what the microphone ends up as after presses, lost releases
// and portal failures.
#include "soundserver.h"
#include "standinportal.h"

#include "../eventloop.h"

#include "audio/pulse/pulseserver.h"
#include "base/log.h"
#include "base/preferences.h"
#include "control/hotkeymanager.h"
#include "control/microphonecontroller.h"
#include "shortcuts/portal/portalhotkeybackend.h"
#include "shortcuts/shortcutcenter.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace quietlane;
using namespace quietlane::testing;
using quietlane::test::spinFor;
using quietlane::test::spinUntil;
using namespace std::chrono_literals;
using GlobalShortcuts::PortalHotKeyBackend;

namespace {

class PortalShortcutTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The sound server keeps off the session bus; our private bus must come back after.
        const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        m_server = std::make_unique<SoundServer>(SoundServerKind::pulseAudio);
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
        m_server->addSource("mic1", "First");
        m_server->pactl("set-default-source mic1");
        m_hal = std::make_unique<PulseServer>();
        std::string error;
        ASSERT_TRUE(m_hal->waitUntilReady(5s, &error)) << error;
        m_preferences = std::make_unique<Preferences>(m_server->directory() + "/prefs.json");
        Log::setSink(
            [this](Log::Level, Log::Category, const std::string& line) { m_log.push_back(line); });
    }

    void TearDown() override {
        m_manager.reset();
        m_center.reset();
        m_backend.reset();
        m_mic.reset();
        m_portal.reset();
        m_hal.reset();
        Log::setSink({});
    }

    void start(bool kde, HotKeyManager::Mode mode) {
        m_portal = std::make_unique<StandInPortal>(kde);
        std::string error;
        m_backend = PortalHotKeyBackend::open(QDBusConnection::sessionBus(), {}, error);
        ASSERT_TRUE(m_backend) << error;
        m_mic = std::make_unique<MicrophoneController>(*m_hal, *m_preferences);
        m_center =
            std::make_unique<GlobalShortcuts::ShortcutCenter>(*m_preferences, *m_backend, m_output);
        m_manager = std::make_unique<HotKeyManager>(*m_mic, *m_center, *m_preferences);
        m_manager->setMode(mode);
        ASSERT_TRUE(
            spinUntil([&] { return m_backend->isBound() && m_mic->hasActiveDeviceName(); }));
    }

    bool serverMuted() {
        return m_server->pactl("get-source-mute mic1").find("yes") != std::string::npos;
    }
    bool settlesMuted(bool muted, int timeoutMs = 5000) {
        return spinUntil([&] { return serverMuted() == muted && m_mic->isMuted() == muted; },
                         timeoutMs);
    }
    bool logged(const std::string& part) const {
        for (const auto& line : m_log)
            if (line.find(part) != std::string::npos)
                return true;
        return false;
    }
    std::string shownShortcut() const {
        return m_center->displayText(*m_center->shortcut(GlobalShortcuts::Name::toggleMute()));
    }

    std::unique_ptr<SoundServer> m_server;
    std::unique_ptr<PulseServer> m_hal;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<StandInPortal> m_portal;
    std::unique_ptr<PortalHotKeyBackend> m_backend;
    std::unique_ptr<MicrophoneController> m_mic;
    std::ostringstream m_output;
    std::unique_ptr<GlobalShortcuts::ShortcutCenter> m_center;
    std::unique_ptr<HotKeyManager> m_manager;
    std::vector<std::string> m_log;
};

} // namespace

TEST_F(PortalShortcutTest, PressesReachTheMicrophoneInBothModesAndShowTheDesktopsKey) {
    start(/*kde=*/false, HotKeyManager::Mode::toggle);
    EXPECT_EQ(m_portal->boundTrigger(), "CTRL+ALT+LOGO+m");
    EXPECT_TRUE(spinUntil([&] { return shownShortcut() == "Press CTRL+ALT+LOGO+m"; }));
    // The stored form stays what it was.
    EXPECT_EQ(m_center->shortcut(GlobalShortcuts::Name::toggleMute()),
              GlobalShortcuts::Name::toggleMute().defaultShortcut);

    m_portal->press();
    m_portal->release();
    ASSERT_TRUE(settlesMuted(true));

    m_manager->setMode(HotKeyManager::Mode::pushToTalk);
    m_portal->press();
    ASSERT_TRUE(settlesMuted(false)); // talking while held
    m_portal->release();
    ASSERT_TRUE(settlesMuted(true));

    // The user gives the key another binding in the desktop's settings.
    m_portal->reassign(QStringLiteral("F9"));
    EXPECT_TRUE(spinUntil([&] { return shownShortcut() == "Press F9"; }));
}

TEST_F(PortalShortcutTest, KdeRepeatsAreOnePressAndAHoldWithoutReleaseEnds) {
    start(/*kde=*/true, HotKeyManager::Mode::toggle);
    EXPECT_EQ(m_portal->boundTrigger(), "CTRL+ALT+LOGO+m"); // read from CreateSession
    EXPECT_TRUE(m_backend->desktopOwnsKey());

    // Held for a second: ~25 Activated signals, one toggle.
    m_portal->press();
    spinFor(1000);
    m_portal->release();
    ASSERT_TRUE(settlesMuted(true));
    spinFor(200);
    EXPECT_TRUE(serverMuted());

    // Push-to-talk, held with repeats, then the repeats stop and no Deactivated comes.
    m_manager->setMode(HotKeyManager::Mode::pushToTalk);
    m_portal->press();
    ASSERT_TRUE(settlesMuted(false));
    spinFor(800);
    EXPECT_FALSE(serverMuted()); // still held: repeats keep it open
    m_portal->stopRepeatsSilently();
    ASSERT_TRUE(settlesMuted(true, 2000));
    EXPECT_TRUE(logged("released without a release"));

    // Invoked over D-Bus: a single Activated, never a Deactivated.
    m_portal->press();
    m_portal->stopRepeatsSilently();
    ASSERT_TRUE(settlesMuted(false));
    ASSERT_TRUE(settlesMuted(true, 3000));
}

TEST_F(PortalShortcutTest, SessionClosedOrPortalGoneMidHoldRestoresTheMicrophone) {
    start(/*kde=*/false, HotKeyManager::Mode::pushToTalk);
    m_mic->setMuted(true);
    ASSERT_TRUE(settlesMuted(true));

    m_portal->press();
    ASSERT_TRUE(settlesMuted(false));
    m_portal->closeSession();
    ASSERT_TRUE(settlesMuted(true));
    EXPECT_TRUE(logged("the desktop closed the shortcut session"));
    EXPECT_FALSE(m_backend->isBound());

    // A new key from the settings binds a fresh session.
    m_center->setShortcut(GlobalShortcuts::Shortcut(GlobalShortcuts::Key::f9, 0),
                          GlobalShortcuts::Name::toggleMute());
    ASSERT_TRUE(spinUntil([&] { return m_backend->isBound(); }));
    EXPECT_EQ(m_portal->boundTrigger(), "F9");

    m_portal->press();
    ASSERT_TRUE(settlesMuted(false));
    m_portal->disconnectFromBus();
    ASSERT_TRUE(settlesMuted(true));
    EXPECT_TRUE(logged("the desktop portal left the session bus"));
}

TEST_F(PortalShortcutTest, CancelledBindingAndMissingPortalAreReported) {
    std::string error;
    EXPECT_FALSE(PortalHotKeyBackend::open(QDBusConnection::sessionBus(), {}, error));
    EXPECT_NE(error.find("no desktop portal offers GlobalShortcuts"), std::string::npos);

    m_portal = std::make_unique<StandInPortal>(false);
    m_portal->cancelNextBinding();
    m_backend = PortalHotKeyBackend::open(QDBusConnection::sessionBus(), {}, error);
    ASSERT_TRUE(m_backend);
    bool settled = false;
    QObject::connect(m_backend.get(), &PortalHotKeyBackend::bindingSettled,
                     [&] { settled = true; });
    m_mic = std::make_unique<MicrophoneController>(*m_hal, *m_preferences);
    m_center =
        std::make_unique<GlobalShortcuts::ShortcutCenter>(*m_preferences, *m_backend, m_output);
    m_manager = std::make_unique<HotKeyManager>(*m_mic, *m_center, *m_preferences);
    ASSERT_TRUE(spinUntil([&] { return settled; }));
    EXPECT_FALSE(m_backend->isBound());
    EXPECT_TRUE(logged("binding cancelled"));
    // Unbound, the stored key is what the settings show.
    EXPECT_EQ(shownShortcut().find("Press"), std::string::npos);
}
