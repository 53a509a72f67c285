// SPDX-License-Identifier: GPL-3.0-or-later
#include "login/autostartentry.h"
#include "../tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace quietlane {
namespace {

namespace fs = std::filesystem;

class AutostartEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_program = m_root / "bin dir" / "quietlane";
        fs::create_directories(m_program.parent_path());
        std::ofstream(m_program) << "#!/bin/sh\n";
        fs::permissions(m_program, fs::perms::owner_all);
    }
    AutostartEntry entry(const fs::path& program) const {
        return AutostartEntry(m_root / "config" / "autostart", {m_root / "xdg" / "autostart"},
                              program);
    }
    fs::path systemFile() const {
        return m_root / "xdg" / "autostart" / "com.quietlane.Quietlane.desktop";
    }

    test::TempDir m_temp;
    fs::path m_root = m_temp.path;
    fs::path m_program;
};

TEST_F(AutostartEntryTest, EnableAndDisableRoundTripAndAMovedProgramReadsAsNotFound) {
    const auto old = entry(m_root / "gone" / "quietlane");
    EXPECT_EQ(old.status(), AutostartStatus::notRegistered);
    EXPECT_TRUE(old.disable()); // nothing to remove is no failure
    ASSERT_TRUE(old.enable());  // creates the missing directory
    EXPECT_EQ(old.status(), AutostartStatus::notFound);
    const auto login = entry(m_program);
    ASSERT_TRUE(login.enable());
    EXPECT_EQ(login.status(), AutostartStatus::enabled);
    ASSERT_TRUE(login.disable());
    EXPECT_FALSE(fs::exists(login.userFile()));
    EXPECT_EQ(login.status(), AutostartStatus::notRegistered);
}

TEST_F(AutostartEntryTest, ExecSurvivesAwkwardPaths) {
    for (const std::string path : {"/usr/bin/quietlane", "/opt/My Apps/quiet\"lane$1\\x%u",
                                   "/home/a b/`q`'s", "/tmp/new\nline/tab\there\r"}) {
        EXPECT_EQ(AutostartEntry::programOfExec(AutostartEntry::execValue(path)), path) << path;
    }
    EXPECT_EQ(AutostartEntry::programOfExec("quietlane --flag"), "quietlane");
    EXPECT_EQ(AutostartEntry::programOfExec("\"/unterminated"), "");
}

TEST_F(AutostartEntryTest, AProgramPathWithLineBreaksStartsThatProgramOrIsRefused) {
    const fs::path awkward = m_root / "line\nbreak" / "quiet\tlane";
    fs::create_directories(awkward.parent_path());
    fs::copy_file(m_program, awkward);
    const auto login = entry(awkward);
    ASSERT_TRUE(login.enable());
    EXPECT_EQ(login.status(), AutostartStatus::enabled);
    std::ifstream in(login.userFile());
    std::string line;
    int execLines = 0;
    while (std::getline(in, line))
        execLines += line.starts_with("Exec=");
    EXPECT_EQ(execLines, 1);

    // A desktop entry has no way to write other control characters or broken UTF-8.
    for (const std::string bad : {"/opt/bell\a/quietlane", "/opt/latin1-\xe9/quietlane"}) {
        const auto refused = entry(bad);
        const auto done = refused.enable();
        ASSERT_FALSE(done) << bad;
        EXPECT_NE(done.error().find("cannot start"), std::string::npos) << done.error();
        EXPECT_EQ(done.error().find('\a'), std::string::npos) << done.error();
    }
    EXPECT_EQ(entry(m_program).status(), AutostartStatus::enabled); // the good entry stays
}

TEST_F(AutostartEntryTest, SystemEntryIsHiddenForThisUserOnDisable) {
    fs::create_directories(systemFile().parent_path());
    std::ofstream(systemFile()) << "[Desktop Entry]\nType=Application\nExec="
                                << AutostartEntry::execValue(m_program)
                                << "\n[Desktop Action x]\nHidden=true\n";
    const auto login = entry(m_program);
    EXPECT_EQ(login.status(), AutostartStatus::enabled);
    ASSERT_TRUE(login.disable());
    EXPECT_EQ(login.status(), AutostartStatus::notRegistered);
    EXPECT_TRUE(fs::exists(systemFile()));
}

} // namespace
} // namespace quietlane
