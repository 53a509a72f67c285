// SPDX-License-Identifier: GPL-3.0-or-later
#include "away/awaypolicy.h"

#include <gtest/gtest.h>

using namespace quietlane;
using Reason = AwayPolicy::Reason;

TEST(AwayPolicy, OverlappingLockAndSleepRestoreTheStateFromBeforeTheFirstOnceBothEnded) {
    AwayPolicy policy;
    const AwayOptions options{.muteOnLock = true, .muteOnSuspend = true, .restoreAfter = true};
    EXPECT_TRUE(policy.leave(Reason::lock, false, options));
    // Announced twice (screen saver and logind), and already muted by the time of sleep.
    EXPECT_TRUE(policy.leave(Reason::lock, true, options));
    EXPECT_TRUE(policy.leave(Reason::suspend, true, options));
    EXPECT_FALSE(policy.back(Reason::suspend, options)) << "awake, but the screen is locked";
    EXPECT_EQ(policy.back(Reason::lock, options), false);
    EXPECT_FALSE(policy.back(Reason::lock, options)) << "a second unlock restores nothing";

    // Muted before the lock: coming back keeps it muted.
    EXPECT_TRUE(policy.leave(Reason::lock, true, options));
    EXPECT_EQ(policy.back(Reason::lock, options), true);
}
