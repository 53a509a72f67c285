// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/log.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace quietlane;

TEST(Log, DeliversLevelCategoryAndTheTextFormattedOnce) {
    std::vector<std::string> lines;
    Log::setSink([&](Log::Level level, Log::Category category, const std::string& text) {
        lines.push_back(Log::categoryName(category) + (":" + std::to_string(int(level))) + " " +
                        text);
    });
    Log::error(Log::Category::audio, "setMute failed: %d for %s", -50, "alsa_input.usb");
    Log::notice(Log::Category::panel, "widget shown");
    Log::error(Log::Category::login, "login item toggle failed: %s", "100% sure");
    Log::setSink({});
    EXPECT_EQ(lines, (std::vector<std::string>{"audio:2 setMute failed: -50 for alsa_input.usb",
                                               "panel:1 widget shown",
                                               "login:2 login item toggle failed: 100% sure"}));
}

TEST(Log, NeverWritesToStandardOutput) {
    // Standard output carries the device listing; a log line there would corrupt it.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    std::fflush(stdout);
    const int savedStdout = ::dup(STDOUT_FILENO);
    ::dup2(pipeEnds[1], STDOUT_FILENO);
    Log::info(Log::Category::app, "AppEnvironment initialized");
    std::fflush(stdout);
    ::dup2(savedStdout, STDOUT_FILENO);
    ::close(savedStdout);
    ::close(pipeEnds[1]);
    char buffer[64];
    EXPECT_EQ(::read(pipeEnds[0], buffer, sizeof buffer), 0);
    ::close(pipeEnds[0]);
}
