// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/log.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <unistd.h>

using namespace quietlane;

TEST(Log, DeliversLevelCategoryAndFormattedTextFromAnyThread) {
    std::mutex mutex;
    std::vector<std::tuple<Log::Level, std::string, std::string>> lines;
    Log::setSink([&](Log::Level level, Log::Category category, const std::string& text) {
        std::lock_guard lock(mutex);
        lines.emplace_back(level, Log::categoryName(category), text);
    });
    Log::error(Log::Category::audio, "setMute failed: %d for %s", -50, "alsa_input.usb");
    Log::notice(Log::Category::panel, "widget shown");
    Log::info(Log::Category::menu, "status item installed");
    Log::error(Log::Category::login, "login item toggle failed: %s", "100% sure");
    Log::info(Log::Category::app, "%s", std::string(5000, 'x').c_str());
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], std::make_tuple(Log::Level::error, std::string("audio"),
                                        std::string("setMute failed: -50 for alsa_input.usb")));
    EXPECT_EQ(lines[1], std::make_tuple(Log::Level::defaultLevel, std::string("panel"),
                                        std::string("widget shown")));
    EXPECT_EQ(std::get<1>(lines[2]), "menu");
    EXPECT_EQ(std::get<2>(lines[3]), "login item toggle failed: 100% sure");
    EXPECT_EQ(std::get<2>(lines[4]).size(), 5000u);

    lines.clear();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([] {
            for (int i = 0; i < 200; ++i)
                Log::info(Log::Category::audio, "worker %d", i);
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(lines.size(), 800u);
    Log::setSink({});
}

TEST(Log, NeverWritesToStandardOutput) {
    // Standard output carries the device listing; a log line there would corrupt it.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    std::fflush(stdout);
    const int savedStdout = ::dup(STDOUT_FILENO);
    ::dup2(pipeEnds[1], STDOUT_FILENO);
    Log::error(Log::Category::app, "font not found in bundle: %s", "Inter-Regular");
    Log::info(Log::Category::app, "AppEnvironment initialized");
    std::fflush(stdout);
    ::dup2(savedStdout, STDOUT_FILENO);
    ::close(savedStdout);
    ::close(pipeEnds[1]);
    char buffer[64];
    EXPECT_EQ(::read(pipeEnds[0], buffer, sizeof buffer), 0);
    ::close(pipeEnds[0]);
}
