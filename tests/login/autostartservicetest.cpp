// SPDX-License-Identifier: GPL-3.0-or-later
#include "login/autostartservice.h"
#include "../tempdir.h"
#include "base/log.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace quietlane {
namespace {

namespace fs = std::filesystem;

TEST(AutostartService, FailedToggleLogsOnceAndTheFlagsShowTheRealState) {
    test::TempDir temp;
    const fs::path root = temp.path;
    // A regular file where the autostart directory should be: every write fails.
    std::ofstream(root / "blocked") << "x";
    std::vector<std::string> logged;
    Log::setSink([&](Log::Level level, Log::Category category, const std::string& message) {
        if (category == Log::Category::login && level == Log::Level::error)
            logged.push_back(message);
    });

    AutostartService blocked(AutostartEntry(root / "blocked" / "autostart", {}, "/bin/sh"));
    QSignalSpy blockedChanges(&blocked, &AutostartService::enabledChanged);
    blocked.setEnabled(true);
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].rfind("login item toggle failed: ", 0), 0u) << logged[0];
    EXPECT_NE(logged[0].find("/blocked/autostart"), std::string::npos) << logged[0];
    EXPECT_FALSE(blocked.isEnabled());
    EXPECT_EQ(blockedChanges.count(), 0);

    AutostartService service(AutostartEntry(root / "autostart", {}, "/bin/sh"));
    QSignalSpy changes(&service, &AutostartService::enabledChanged);
    service.setEnabled(true);
    service.setEnabled(true); // again: re-registered, but nothing changed to announce
    EXPECT_TRUE(service.isEnabled());
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(logged.size(), 1u);

    Log::setSink({});
}

} // namespace
} // namespace quietlane
