// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/appenvironment.h"
#include "../tempdir.h"
#include "audio/simulatedserver.h"
#include "base/log.h"
#include "shortcuts/simulatedhotkeybackend.h"
#include "widget/windowhints.h"

#include <QApplication>
#include <QPalette>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace quietlane;

// The whole composition on stand-ins: every service starts, the stored theme is applied
// and the tray comes last, once the event loop runs.
TEST(AppEnvironment, StartsEveryServiceAppliesTheStoredThemeAndThenAddsTheTray) {
    test::TempDir dir;
    Preferences preferences(dir.path / "preferences.json");
    preferences.setString("appTheme", "dark");
    SimulatedServer server;
    server.setDefaultInput(server.addDevice(SimulatedDevice::withMute("mic")));
    GlobalShortcuts::SimulatedHotkeyBackend hotkeys;
    NullWindowHints hints;
    QApplication::setPalette(QPalette(Qt::white));
    int initialized = 0;
    Log::setSink([&](Log::Level, Log::Category, const std::string& text) {
        initialized += text == "AppEnvironment initialized";
    });
    {
        AppEnvironment environment({server, hotkeys, hints}, preferences, {"quietlane"});
        EXPECT_EQ(environment.tray(), nullptr);
        QSignalSpy started(&environment, &AppEnvironment::startupCompleted);
        EXPECT_TRUE(started.wait(5000));
        EXPECT_NE(environment.tray(), nullptr);
        EXPECT_NE(QApplication::palette().color(QPalette::Window), Qt::white);
        EXPECT_TRUE(preferences.contains("deviceSelection"));
        EXPECT_FALSE(hotkeys.registrations().empty());
    }
    Log::setSink({});
    EXPECT_EQ(initialized, 1);
}
