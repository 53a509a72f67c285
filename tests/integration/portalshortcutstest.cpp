// SPDX-License-Identifier: GPL-3.0-or-later
// The global shortcut through a desktop portal (a stand-in playing each desktop on a private
// session bus) down to a private PulseAudio: what gets bound, what the user is shown, and
// what the microphone ends up as after presses, lost releases and portal failures.
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

#include <functional>
#include <sstream>

using namespace quietlane;
using namespace quietlane::testing;
using quietlane::test::spinUntil;
using namespace std::chrono_literals;
using GlobalShortcuts::PortalHotkeyBackend;

namespace {

const QString kAppId = QStringLiteral("com.quietlane.Quietlane");

class PortalShortcutTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The sound server keeps off the session bus; our private bus must come back after.
        const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        m_server = std::make_unique<SoundServer>(SoundServerKind::pulseAudio);
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
        m_server->addSource("mic1", "First");
        m_server->pactl("set-default-source mic1");
        m_pulse = std::make_unique<PulseServer>();
        std::string error;
        ASSERT_TRUE(m_pulse->waitUntilReady(5s, &error)) << error;
        m_preferences = std::make_unique<Preferences>(m_server->directory() + "/prefs.json");
        m_mic = std::make_unique<MicrophoneController>(*m_pulse, *m_preferences);
        ASSERT_TRUE(spinUntil([&] { return m_mic->hasActiveDeviceName(); }));
        Log::setSink(
            [this](Log::Level, Log::Category, const std::string& line) { m_log.push_back(line); });
    }

    void TearDown() override {
        quit();
        m_mic.reset();
        m_portal.reset();
        m_pulse.reset();
        Log::setSink({});
    }

    // The program starts against the portal, `before` run once its shortcuts are read;
    // whether its binding settled as bound.
    bool start(HotkeyMode mode = HotkeyMode::toggle, const std::function<void()>& before = {}) {
        std::string error;
        m_backend = PortalHotkeyBackend::open(kAppId, error);
        if (!m_backend) {
            ADD_FAILURE() << error;
            return false;
        }
        std::optional<bool> settled;
        QObject::connect(m_backend.get(), &PortalHotkeyBackend::bindingSettled,
                         [&settled](bool ok) { settled = ok; });
        m_center =
            std::make_unique<GlobalShortcuts::ShortcutCenter>(*m_preferences, *m_backend, m_output);
        if (before)
            before();
        m_manager = std::make_unique<HotkeyManager>(*m_mic, *m_center, *m_preferences);
        m_manager->setMode(mode);
        EXPECT_TRUE(spinUntil([&] { return settled.has_value(); }));
        QObject::disconnect(m_backend.get(), &PortalHotkeyBackend::bindingSettled, nullptr,
                            nullptr);
        return settled.value_or(false);
    }
    void quit() {
        m_manager.reset();
        m_center.reset();
        m_backend.reset();
    }

    bool settlesMuted(bool muted, int timeoutMs = 5000) {
        return spinUntil(
            [&] { return m_server->sourceMuted("mic1") == muted && m_mic->isMuted() == muted; },
            timeoutMs);
    }
    bool logged(const std::string& part) const {
        for (const auto& line : m_log)
            if (line.find(part) != std::string::npos)
                return true;
        return false;
    }
    GlobalShortcuts::Shortcut mainKey() const {
        return *m_center->shortcut(GlobalShortcuts::Name::toggleMute());
    }
    std::string shownShortcut() const { return m_center->displayText(mainKey()).toStdString(); }
    // The key held until the desktop has repeated it a few times.
    void holdWithRepeats(const QString& id = QStringLiteral("toggle-mute")) {
        const int before = m_portal->repeatsSent();
        m_portal->press(id);
        ASSERT_TRUE(spinUntil([&] { return m_portal->repeatsSent() >= before + 5; }));
    }

    std::unique_ptr<SoundServer> m_server;
    std::unique_ptr<PulseServer> m_pulse;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<StandInPortal> m_portal;
    std::unique_ptr<MicrophoneController> m_mic;
    std::unique_ptr<PortalHotkeyBackend> m_backend;
    std::ostringstream m_output;
    std::unique_ptr<GlobalShortcuts::ShortcutCenter> m_center;
    std::unique_ptr<HotkeyManager> m_manager;
    std::vector<std::string> m_log;
};

} // namespace

TEST_F(PortalShortcutTest, GnomeAsksOnceAndHoldsEndEvenWhenItsReleaseNeverComes) {
    m_portal = std::make_unique<StandInPortal>(PortalDesktop::gnome48);
    ASSERT_TRUE(start()); // response 2 on success: bound all the same
    EXPECT_EQ(m_portal->registeredAppId(), kAppId);
    EXPECT_EQ(m_portal->dialogsShown(), 1);
    EXPECT_EQ(shownShortcut(), "Ctrl+Alt+Super+M");
    EXPECT_FALSE(logged("did not bind"));

    // A held key repeats: one toggle.
    holdWithRepeats();
    m_portal->release();
    ASSERT_TRUE(settlesMuted(true));

    // The next start binds in its new session without asking again.
    quit();
    ASSERT_TRUE(start(HotkeyMode::pushToTalk));
    EXPECT_EQ(m_portal->dialogsShown(), 1);

    // Ctrl let go first: the repeats stop and no Deactivated ever comes.
    holdWithRepeats();
    ASSERT_TRUE(settlesMuted(false)); // talking while held
    m_portal->releaseModifierFirst();
    ASSERT_TRUE(settlesMuted(true, 2000));
    EXPECT_TRUE(logged("released without a release"));
}

TEST_F(PortalShortcutTest, GnomeCancelledOrWithoutAnIdBindsNothingAndSaysSo) {
    m_portal = std::make_unique<StandInPortal>(PortalDesktop::gnome48, PortalFeatures{false});
    EXPECT_FALSE(start()); // no registry, no id: GNOME binds nothing
    EXPECT_TRUE(logged("did not bind toggle-mute"));
    EXPECT_EQ(m_portal->dialogsShown(), 0);
    quit();

    m_portal.reset(); // gives up the portal's name first
    m_portal = std::make_unique<StandInPortal>(PortalDesktop::gnome48);
    m_portal->cancelNextDialog();
    EXPECT_FALSE(start());
    EXPECT_FALSE(m_backend->isBound());
    // Choosing a key again binds through a new session: GNOME refuses a second bind.
    m_center->setShortcut(GlobalShortcuts::Shortcut(GlobalShortcuts::Key::f9, 0),
                          GlobalShortcuts::Name::toggleMute());
    ASSERT_TRUE(spinUntil([&] { return m_backend->isBound(); }));
    EXPECT_EQ(m_portal->dialogsShown(), 2);
    EXPECT_EQ(shownShortcut(), "F9");
}

TEST_F(PortalShortcutTest, PlasmaKeepsItsKeyAcrossStartsAndOneItDoesNotHoldIsFlagged) {
    m_portal = std::make_unique<StandInPortal>(PortalDesktop::plasma63);
    ASSERT_TRUE(start());
    EXPECT_EQ(m_portal->settingsPagesOpened(), 1);
    EXPECT_EQ(shownShortcut(), "Meta+Ctrl+Alt+M");
    EXPECT_FALSE(m_backend->isKeyUnheld(mainKey()));

    quit();
    ASSERT_TRUE(start(HotkeyMode::pushToTalk));
    EXPECT_EQ(m_portal->bindCalls(), 1); // nothing missing: no bind, no settings page
    EXPECT_EQ(m_portal->settingsPagesOpened(), 1);
    holdWithRepeats();
    ASSERT_TRUE(settlesMuted(true));
    m_portal->releaseModifierFirst(); // KDE sends Deactivated at once
    ASSERT_TRUE(settlesMuted(false));

    // The user reassigns the key in System Settings, to one another program holds.
    m_portal->takeKeyElsewhere(QStringLiteral("toggle-mute"));
    m_portal->reassign(QStringLiteral("toggle-mute"), QStringLiteral("CTRL+ALT+m"));
    EXPECT_TRUE(spinUntil([&] { return m_backend->isKeyUnheld(mainKey()); }));
    EXPECT_EQ(shownShortcut(), "Ctrl+Alt+M");
    EXPECT_TRUE(logged("holds none"));
}

TEST_F(PortalShortcutTest, HyprlandBindsEveryShortcutAtOnceAndEachReachesItsOwnHandler) {
    // Hyprland keeps keys in its config and describes none; two shortcuts bound at once.
    m_portal = std::make_unique<StandInPortal>(PortalDesktop::hyprland, PortalFeatures{true, true});
    ASSERT_TRUE(start(HotkeyMode::toggle, [&] {
        m_center->setShortcut(GlobalShortcuts::Shortcut(GlobalShortcuts::Key::f8, 0),
                              GlobalShortcuts::Name::mute());
    }));
    EXPECT_EQ(m_portal->bindCalls(), 1);
    EXPECT_EQ(shownShortcut(), "") << "the desktop names no key, so ours must not stand in";

    m_portal->press(QStringLiteral("mute"));
    m_portal->release();
    ASSERT_TRUE(settlesMuted(true));
    m_portal->press();
    m_portal->release();
    ASSERT_TRUE(settlesMuted(false)) << "the main shortcut still toggles beside the mute one";
}

TEST_F(PortalShortcutTest, APortalThatGoesAwayEndsTheHoldAndIsRegisteredWithAgainWhenBack) {
    const PortalFeatures needsId{true, true, 2};
    m_portal = std::make_unique<StandInPortal>(PortalDesktop::plasma65, needsId);
    ASSERT_TRUE(start(HotkeyMode::pushToTalk));
    m_mic->setMuted(true);
    ASSERT_TRUE(settlesMuted(true));

    m_portal->press();
    ASSERT_TRUE(settlesMuted(false));
    m_portal->closeSession();
    ASSERT_TRUE(settlesMuted(true));
    EXPECT_TRUE(logged("the desktop closed the shortcut session"));

    // A changed key binds a fresh session.
    m_center->setShortcut(GlobalShortcuts::Shortcut(GlobalShortcuts::Key::f9, 0),
                          GlobalShortcuts::Name::toggleMute());
    ASSERT_TRUE(spinUntil([&] { return m_backend->isBound(); }));
    m_portal->press();
    ASSERT_TRUE(settlesMuted(false));
    m_portal->disconnectFromBus();
    ASSERT_TRUE(settlesMuted(true));
    EXPECT_TRUE(logged("the desktop portal left the session bus"));

    // A restarted portal that wants an id gets it again before the session.
    m_portal.reset();
    m_portal = std::make_unique<StandInPortal>(PortalDesktop::plasma65, needsId);
    ASSERT_TRUE(spinUntil([&] { return m_backend->isBound(); }));
    EXPECT_EQ(m_portal->registeredAppId(), kAppId);
    m_portal->press();
    ASSERT_TRUE(settlesMuted(false));
    m_portal->release();
    ASSERT_TRUE(settlesMuted(true));
}
