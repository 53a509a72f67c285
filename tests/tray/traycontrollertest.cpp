// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/traycontroller.h"
#include "../eventloop.h"
#include "../tempdir.h"
#include "audio/simulatedserver.h"
#include "control/microphonecontroller.h"
#include "login/autostartservice.h"
#include "tray/trayicon.h"
#include "widget/floatingpanelcontroller.h"
#include "widget/windowhints.h"

#include <QSystemTrayIcon>
#include <gtest/gtest.h>

using namespace quietlane;

namespace {

QImage pixels(const QIcon& icon) {
    return icon.pixmap(22).toImage().convertToFormat(QImage::Format_ARGB32);
}

class TrayControllerTest : public ::testing::Test {
protected:
    TrayControllerTest() { m_server.setDefaultInput(m_micId); }

    void expectShows(bool available, bool muted) {
        ASSERT_TRUE(m_tray.trayIcon());
        EXPECT_EQ(pixels(m_tray.trayIcon()->icon()), pixels(TrayIcon::icon(available, muted)));
        EXPECT_EQ(m_tray.model().isAvailable(), available);
        EXPECT_EQ(m_tray.model().isMuted(), muted);
    }

    test::TempDir m_dir;
    Preferences m_preferences{m_dir.path / "preferences.json"};
    SimulatedServer m_server;
    std::string m_micId = m_server.addDevice(SimulatedDevice::withMute("mic"));
    MicrophoneController m_mic{m_server, m_preferences};
    NullWindowHints m_hints;
    FloatingPanelController m_panel{m_mic, m_preferences, m_hints};
    AutostartService m_autostart{AutostartEntry(m_dir.path / "autostart", {}, "/bin/sh")};
    TrayController m_tray{{m_mic, m_panel, m_autostart, nullptr, nullptr, [] {},
                           [] {
                           }}};
};

} // namespace

// The icon for a state is kept once drawn: going back and forth, and through an outage, the
// tray must never show a state from before.
TEST_F(TrayControllerTest, IconAndDropdownFollowEveryChangeBackAndForth) {
    ASSERT_TRUE(test::spinUntil([&] { return !m_mic.availableDevices().empty(); }));
    for (const bool muted : {true, false, true}) {
        m_server.setMuteExternally(m_micId, muted);
        ASSERT_TRUE(test::spinUntil([&] { return m_mic.isMuted() == muted; }));
        expectShows(true, muted);
    }
    for (const bool reachable : {false, true}) {
        m_server.setReachable(reachable);
        ASSERT_TRUE(test::spinUntil([&] { return m_mic.isAvailable() == reachable; }));
        expectShows(reachable, true);
    }
}
