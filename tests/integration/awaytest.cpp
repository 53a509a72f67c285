// SPDX-License-Identifier: GPL-3.0-or-later
// Away means muted, against a private PulseAudio: a stand-in screen saver on the private
// session bus and a stand-in logind on a second private bus, which stands for the system
// bus, send what a desktop sends when the screen locks and the machine sleeps.
#include "childprocess.h"
#include "soundserver.h"
#include "standinlogind.h"

#include "../eventloop.h"
#include "audio/pulse/pulseserver.h"
#include "away/awayservice.h"
#include "base/preferences.h"
#include "control/microphonecontroller.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <gtest/gtest.h>

#include <cstdio>

using namespace quietlane;
using namespace quietlane::testing;
using quietlane::test::spinUntil;
using namespace std::chrono_literals;

namespace {

QString g_systemBus;

class AwayTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The sound server keeps off the session bus; our private bus must come back after.
        const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        m_server = std::make_unique<SoundServer>(SoundServerKind::pulseAudio);
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
        m_server->addSource("away_mic", "AwayMic", 1);
        m_server->pactl("set-default-source away_mic");
        m_pulse = std::make_unique<PulseServer>();
        m_preferences = std::make_unique<Preferences>(m_server->directory() + "/prefs.json");
        m_logind = std::make_unique<StandInLogind>(
            g_systemBus, [this] { return m_server->sourceMuted("away_mic"); });
        ASSERT_TRUE(m_screenSaver.registerService(QStringLiteral("org.gnome.ScreenSaver")));
    }

    void TearDown() override {
        m_away.reset();
        m_mic.reset();
        m_logind.reset();
        m_screenSaver.unregisterService(QStringLiteral("org.gnome.ScreenSaver"));
    }

    void start(const std::map<std::string, bool>& options) {
        for (const auto& [key, on] : options)
            m_preferences->setBool(key, on);
        m_mic = std::make_unique<MicrophoneController>(*m_pulse, *m_preferences);
        m_away = std::make_unique<AwayService>(*m_mic, *m_preferences);
        QObject::connect(&m_away->session(), &SessionSignals::lockChanged,
                         [this] { ++m_lockChanges; });
    }

    void setMuted(bool muted) {
        m_mic->setMuted(muted);
        ASSERT_TRUE(spinUntil([&] { return m_mic->isMuted() == muted; }));
    }

    // Until what the requests so far caused is back from the server.
    void settle() {
        bool settled = false;
        m_mic->whenSettled([&] { settled = true; });
        ASSERT_TRUE(spinUntil([&] { return settled; }));
    }

    void screenSaverActive(bool active) {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/gnome/ScreenSaver"),
                                                         QStringLiteral("org.gnome.ScreenSaver"),
                                                         QStringLiteral("ActiveChanged"));
        signal << active;
        m_screenSaver.send(signal);
    }

    std::unique_ptr<SoundServer> m_server;
    std::unique_ptr<PulseServer> m_pulse;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<StandInLogind> m_logind;
    QDBusConnection m_screenSaver = QDBusConnection::connectToBus(
        QDBusConnection::SessionBus, QStringLiteral("standin-screensaver"));
    std::unique_ptr<MicrophoneController> m_mic;
    std::unique_ptr<AwayService> m_away;
    int m_lockChanges = 0;
};

} // namespace

TEST_F(AwayTest, StartsMutedAndScreenLockMutesAndUnlockRestoresOnlyWhenChosen) {
    start({{"startMuted", true}, {"muteOnLock", true}});
    ASSERT_TRUE(spinUntil([&] { return m_mic->isMuted(); }));
    EXPECT_TRUE(m_server->sourceMuted("away_mic"));
    EXPECT_EQ(m_logind->inhibitorsHeld(), 0) << "sleep is not delayed unless asked for";

    setMuted(false);
    screenSaverActive(true);
    ASSERT_TRUE(spinUntil([&] { return m_mic->isMuted(); }));
    EXPECT_TRUE(m_server->sourceMuted("away_mic"));
    screenSaverActive(false);
    ASSERT_TRUE(spinUntil([&] { return m_lockChanges == 2; }));
    settle();
    EXPECT_TRUE(m_mic->isMuted()) << "without restore the microphone stays muted";

    // logind's Lock of this session counts as well; now the state comes back on unlock.
    m_away->setRestoreAfterLock(true);
    setMuted(false);
    m_logind->setSessionLocked(true);
    ASSERT_TRUE(spinUntil([&] { return m_mic->isMuted(); }));
    m_logind->setSessionLocked(false);
    ASSERT_TRUE(spinUntil([&] { return !m_mic->isMuted(); }));
    EXPECT_FALSE(m_server->sourceMuted("away_mic"));
}

TEST_F(AwayTest, TheMachineSleepsOnlyOnceTheServerHasMutedAndWakesUpRestored) {
    start({{"muteOnSuspend", true}, {"restoreAfterLock", true}});
    ASSERT_TRUE(spinUntil([&] { return !m_mic->availableDevices().empty(); }));
    ASSERT_TRUE(spinUntil([&] { return m_away->session().holdsSleepInhibitor(); }));
    EXPECT_EQ(m_logind->inhibitorsHeld(), 1);

    // A server slow to answer: the machine must stay held until the mute is confirmed.
    m_server->pause();
    bool sleepAnnounced = false;
    QObject::connect(&m_away->session(), &SessionSignals::preparingForSleep,
                     [&] { sleepAnnounced = true; });
    m_logind->prepareForSleep(true);
    ASSERT_TRUE(spinUntil([&] { return sleepAnnounced; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(m_logind->releases(), 0) << "let go before the server confirmed the mute";
    m_server->resume();
    ASSERT_TRUE(spinUntil([&] { return m_logind->mutedAtRelease().has_value(); }));
    EXPECT_EQ(m_logind->mutedAtRelease(), true);
    EXPECT_EQ(m_logind->releases(), 1);

    m_logind->prepareForSleep(false);
    ASSERT_TRUE(spinUntil([&] { return !m_mic->isMuted(); }));
    // Ready for the next sleep.
    EXPECT_TRUE(spinUntil([&] { return m_logind->inhibitorsHeld() == 1; }));
}

int main(int argc, char** argv) {
    // A second private bus stands for the system bus; it must be there before Qt first
    // looks for the system bus, and it ends with the tests.
    ChildProcess daemon(
        {"dbus-daemon", "--nofork", "--print-address", "--config-file=" QUIETLANE_PRIVATE_BUS_CONF},
        true);
    const std::string address = daemon.line();
    if (address.empty() || address.starts_with('<')) {
        std::fprintf(stderr, "the private system bus did not start\n");
        return 1;
    }
    g_systemBus = QString::fromStdString(address);
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
