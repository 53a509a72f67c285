// SPDX-License-Identifier: GPL-3.0-or-later
#include "login/applicationentry.h"
#include "../tempdir.h"
#include "login/autostartentry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace quietlane {
namespace {

namespace fs = std::filesystem;

class ApplicationEntryTest : public ::testing::Test {
protected:
    fs::path makeProgram(const fs::path& path) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "#!/bin/sh\n";
        fs::permissions(path, fs::perms::owner_all);
        return path;
    }
    ApplicationEntry entry(const fs::path& program) const {
        return ApplicationEntry(m_root / "data" / "applications", {m_root / "usr" / "applications"},
                                program, (m_root / "usr bin").string());
    }
    void installSystemEntry(const std::string& exec) {
        fs::create_directories(m_root / "usr" / "applications");
        std::ofstream(m_root / "usr" / "applications" / "com.quietlane.Quietlane.desktop")
            << "[Desktop Entry]\nType=Application\nName=Quietlane\nExec=" << exec << "\n";
    }
    std::string userExec() const {
        const auto keys = readDesktopEntry(entry({}).userFile());
        const auto exec = keys.find("Exec");
        return exec == keys.end() ? "" : AutostartEntry::programOfExec(exec->second);
    }

    test::TempDir m_temp;
    fs::path m_root = m_temp.path;
};

} // namespace

TEST_F(ApplicationEntryTest, AProgramNoInstalledEntryStartsGetsOneOfItsOwnKeptUpToDate) {
    const fs::path first = makeProgram(m_root / "my prefix" / "bin" / "quietlane");
    // Nothing installed, then an installed entry that starts a program that is gone.
    EXPECT_TRUE(entry(first).update());
    EXPECT_EQ(userExec(), first.string());
    installSystemEntry("/opt/gone/quietlane");
    EXPECT_TRUE(entry(first).update());
    EXPECT_EQ(userExec(), first.string());

    // Run from elsewhere: the entry follows.
    const fs::path second = makeProgram(m_root / "build" / "bin" / "quietlane");
    EXPECT_TRUE(entry(second).update());
    EXPECT_EQ(userExec(), second.string());
    const auto keys = readDesktopEntry(entry(second).userFile());
    EXPECT_EQ(keys.at("TryExec"), second.string());
}

TEST_F(ApplicationEntryTest, AnInstalledEntryOrTheUsersOwnIsLeftToDoItsWork) {
    const fs::path installed = makeProgram(m_root / "usr bin" / "quietlane");
    const fs::path other = makeProgram(m_root / "build" / "quietlane");
    ASSERT_TRUE(entry(other).update()); // ours, from an earlier run of a build
    installSystemEntry("quietlane");    // found on the search path
    EXPECT_TRUE(entry(installed).update());
    EXPECT_FALSE(fs::exists(entry(installed).userFile())); // would hide the installed one

    std::ofstream(entry(installed).userFile())
        << "[Desktop Entry]\nType=Application\nName=Mine\nExec=/usr/bin/env quietlane\n";
    EXPECT_TRUE(entry(other).update());
    EXPECT_EQ(readDesktopEntry(entry(other).userFile()).at("Name"), "Mine");
}
} // namespace quietlane
