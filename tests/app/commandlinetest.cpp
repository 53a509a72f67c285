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

    EXPECT_EQ(parseCommandLine({"ql", "--list-devices", "--render-settings", "s.png"}).action,
              Action::renderSettings);
    // Matching is whole-argument and case-sensitive: anything else is an unknown option.
    EXPECT_FALSE(parseCommandLine({"ql", "--RENDER", "x"}).usageError.empty());
}

TEST(CommandLine, ReadsOpenSettingsAndBackendAnywhere) {
    auto commandLine = parseCommandLine({"ql", "--audio-backend=sim", "--open-settings"});
    EXPECT_EQ(commandLine.action, Action::run);
    EXPECT_TRUE(commandLine.openSettings);
    EXPECT_EQ(commandLine.audioBackend, "sim");
    EXPECT_EQ(parseCommandLine({"ql", "--help"}).action, Action::help);
    EXPECT_EQ(parseCommandLine({"ql", "--version"}).action, Action::version);
}

TEST(CommandLine, ControlSwitchesStandAloneAndUnknownOptionsAreErrors) {
    auto status = parseCommandLine({"ql", "--json", "--status", "--audio-backend=sim"});
    EXPECT_TRUE(status.usageError.empty()) << status.usageError;
    EXPECT_EQ(status.action, Action::control);
    EXPECT_EQ(status.request, ControlRequest::status);
    EXPECT_EQ(status.format, StatusFormat::json);
    auto watch = parseCommandLine({"ql", "--watch", "--format=waybar"});
    EXPECT_EQ(watch.request, ControlRequest::watch);
    EXPECT_EQ(watch.format, StatusFormat::waybar);
    EXPECT_EQ(parseCommandLine({"ql", "--push-to-talk-release"}).request,
              ControlRequest::pushToTalkRelease);

    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"ql", "--toggle", "--mute"},
                                               {"ql", "--toggle", "--list-devices"},
                                               {"ql", "--json"},
                                               {"ql", "--mute", "--json"},
                                               {"ql", "--status", "--format=waybar"},
                                               {"ql", "--watch", "--format=xml"},
                                               {"ql", "--togle"},
                                               {"ql", "stray"}}) {
        const auto parsed = parseCommandLine(bad);
        EXPECT_FALSE(parsed.usageError.empty()) << bad[1];
    }
    // A path is never taken for an option.
    EXPECT_TRUE(parseCommandLine({"ql", "--render", "--odd.png"}).usageError.empty());
}
