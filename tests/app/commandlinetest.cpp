// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"

#include <gtest/gtest.h>

using namespace quietlane;
using Action = CommandLine::Action;
using Args = std::vector<std::string>;

TEST(CommandLine, OneShotSwitchesFollowTheirFixedPrecedence) {
    const struct {
        Args arguments;
        Action action;
        std::string renderPath;
    } cases[] = {
        {{"ql", "--render"}, Action::run, ""}, // without its path: the launch goes on
        {{"ql", "--render", "--list-devices"}, Action::render, "--list-devices"},
        {{"ql", "--render-settings", "s.png", "--render", "d.png"}, Action::render, "d.png"},
        {{"ql", "--list-devices", "--render-settings", "s.png"}, Action::renderSettings, "s.png"},
        {{"ql", "--help"}, Action::help, ""},
    };
    for (const auto& c : cases) {
        const auto parsed = parseCommandLine(c.arguments);
        EXPECT_TRUE(parsed.usageError.empty()) << c.arguments[1] << ": " << parsed.usageError;
        EXPECT_EQ(parsed.action, c.action) << c.arguments[1];
        EXPECT_EQ(parsed.renderPath, c.renderPath) << c.arguments[1];
    }
    auto run = parseCommandLine({"ql", "--audio-backend=sim", "--open-settings"});
    EXPECT_TRUE(run.openSettings);
    EXPECT_EQ(run.audioBackend, "sim");
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

    for (const Args& bad :
         {Args{"ql", "--toggle", "--mute"}, Args{"ql", "--toggle", "--list-devices"},
          Args{"ql", "--json"}, Args{"ql", "--mute", "--json"},
          Args{"ql", "--status", "--format=waybar"}, Args{"ql", "--watch", "--format=xml"},
          Args{"ql", "--togle"}, Args{"ql", "stray"}, Args{"ql", "--RENDER", "x"}})
        EXPECT_FALSE(parseCommandLine(bad).usageError.empty()) << bad[1];
}
