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

#include <algorithm>

using namespace quietlane;

TEST(AppEnvironment, SaysItIsInitializedOnceAfterEveryServiceAndBeforeTheThemeAndTheTray) {
    test::TempDir dir;
    Preferences preferences(dir.path / "preferences.json");
    preferences.setString("appTheme", "dark");
    SimulatedServer hal;
    hal.setDefaultInput(hal.addDevice(SimulatedDevice::withMute("mic")));
    GlobalShortcuts::SimulatedHotkeyBackend hotkeys;
    NullWindowHints hints;
    QApplication::setPalette(QPalette(Qt::white));

    std::vector<std::string> lines;
    // What the services had done when the line was written.
    bool selectionStored = false, shortcutRegistered = false, themeApplied = false;
    Log::setSink([&](Log::Level, Log::Category category, const std::string& text) {
        lines.push_back(Log::categoryName(category) + (" " + text));
        if (text == "AppEnvironment initialized") {
            selectionStored = preferences.contains("deviceSelection");
            shortcutRegistered = !hotkeys.registrations().empty();
            themeApplied = QApplication::palette().color(QPalette::Window) != Qt::white;
        }
    });
    {
        AppEnvironment environment({hal, hotkeys, hints}, preferences, {"quietlane"});
        EXPECT_EQ(environment.menuBar(), nullptr);
        QSignalSpy started(&environment, &AppEnvironment::startupCompleted);
        ASSERT_TRUE(started.wait(5000));
        EXPECT_NE(environment.menuBar(), nullptr);
        EXPECT_NE(QApplication::palette().color(QPalette::Window), Qt::white);
    }
    Log::setSink({});

    EXPECT_TRUE(selectionStored);
    EXPECT_TRUE(shortcutRegistered);
    EXPECT_FALSE(themeApplied);
    const auto at = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) - lines.begin();
    };
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "app AppEnvironment initialized"), 1);
    EXPECT_LT(at("panel widget shown"), at("app AppEnvironment initialized"));
    EXPECT_LT(at("app AppEnvironment initialized"), at("menu status item installed"));
    EXPECT_LT(at("menu status item installed"), std::ptrdiff_t(lines.size()));
}
