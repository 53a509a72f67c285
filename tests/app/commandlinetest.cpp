// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"

#include <gtest/gtest.h>

using namespace quietlane;
using Action = CommandLine::Action;

TEST(CommandLine, OneShotSwitchesFollowTheirFixedPrecedence) {
    // A switch without its path is ignored, so the launch goes on.
    EXPECT_EQ(parseCommandLine({"ql", "--render"}).action, Action::run);

    // "--render" takes whatever follows as its path, even another switch.
    auto renderWins = parseCommandLine({"ql", "--render", "--list-devices"});
    EXPECT_EQ(renderWins.action, Action::render);
    EXPECT_EQ(renderWins.renderPath, "--list-devices");

    auto bothRenders = parseCommandLine({"ql", "--render-settings", "s.png", "--render", "d.png"});
    EXPECT_EQ(bothRenders.action, Action::render);
    EXPECT_EQ(bothRenders.renderPath, "d.png");

    auto settings = parseCommandLine({"ql", "--list-devices", "--render-settings", "s.png"});
    EXPECT_EQ(settings.action, Action::renderSettings);
    EXPECT_EQ(settings.renderPath, "s.png");

    EXPECT_EQ(parseCommandLine({"ql", "--render-settings", "--list-devices"}).action,
              Action::renderSettings);
    EXPECT_EQ(parseCommandLine({"ql", "--list-devices", "--render"}).action, Action::listDevices);
    // Matching is whole-argument and case-sensitive.
    EXPECT_EQ(parseCommandLine({"ql", "--RENDER", "x", "--render-settingsx", "y"}).action,
              Action::run);
}

TEST(CommandLine, ReadsOpenSettingsAndBackendAnywhere) {
    auto commandLine =
        parseCommandLine({"ql", "--unknown", "--audio-backend=sim", "--open-settings"});
    EXPECT_EQ(commandLine.action, Action::run);
    EXPECT_TRUE(commandLine.openSettings);
    EXPECT_EQ(commandLine.audioBackend, "sim");
    EXPECT_EQ(parseCommandLine({"ql", "--help"}).action, Action::help);
    EXPECT_EQ(parseCommandLine({"ql", "--version"}).action, Action::version);
}
