// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/channeldirectory.h"

#include "../tempdir.h"

#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quietlane;

namespace {
mode_t modeOf(const std::filesystem::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}
} // namespace

TEST(ChannelDirectory, MakesAPrivateDirectoryAndRefusesEveryOtherKind) {
    test::TempDir temp;
    const auto fresh = temp.path / "runtime/quietlane";
    ASSERT_TRUE(preparePrivateDirectory(fresh.string()));
    EXPECT_EQ(modeOf(fresh), 0700u);
    EXPECT_TRUE(preparePrivateDirectory(fresh.string()));
    const auto refusal = [](const std::filesystem::path& directory) {
        const Result<void> prepared = preparePrivateDirectory(directory.string());
        return prepared ? std::string("<accepted>") : prepared.error();
    };

    // Open to others: refused, and left as it is.
    const auto open = temp.path / "open";
    ::mkdir(open.c_str(), 0700);
    ::chmod(open.c_str(), 0777);
    EXPECT_THAT(refusal(open), ::testing::HasSubstr("mode 0777"));
    EXPECT_EQ(modeOf(open), 0777u);

    // A planted link is not followed, so the directory it points to keeps its mode.
    const auto link = temp.path / "link";
    std::filesystem::create_directory_symlink(open, link);
    EXPECT_THAT(refusal(link), ::testing::HasSubstr("symbolic link"));
    EXPECT_EQ(modeOf(open), 0777u);

    const auto file = temp.path / "file";
    std::ofstream(file.string()) << "x";
    EXPECT_FALSE(checkPrivateDirectory(file.string()));
    EXPECT_EQ(*checkPrivateDirectory((temp.path / "none").string()), DirectoryCheck::missing);

    // Another user's directory, even with the right mode (needs root to make one).
    if (::getuid() == 0) {
        const auto foreign = temp.path / "foreign";
        ::mkdir(foreign.c_str(), 0700);
        ASSERT_EQ(::chown(foreign.c_str(), 12345, 12345), 0);
        EXPECT_THAT(refusal(foreign), ::testing::HasSubstr("belongs to another user (uid 12345)"));
    }
}
