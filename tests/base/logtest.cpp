// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/log.h"

#include <gtest/gtest.h>

using namespace quietlane;

TEST(Log, NeverWritesToStandardOutput) {
    // Standard output carries the device listing; a log line there would corrupt it.
    ::testing::internal::CaptureStdout();
    Log::info(Log::Category::app, "AppEnvironment initialized");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}
