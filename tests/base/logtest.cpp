// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/log.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace quietlane;

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
