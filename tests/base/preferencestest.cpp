// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/preferences.h"
#include "../tempdir.h"
#include "base/log.h"
#include "base/preferencesformat.h"

#include <chrono>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <thread>

using namespace quietlane;
namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<fs::path> filesIn(const fs::path& directory) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(directory))
        files.push_back(entry.path().filename());
    return files;
}

class PreferencesTest : public ::testing::Test {
protected:
    PreferencesTest() {
        Log::setSink([this](Log::Level level, Log::Category category, const std::string& text) {
            m_log.push_back(Log::categoryName(category) + (":" + std::to_string(int(level))) + " " +
                            text);
        });
    }
    ~PreferencesTest() override { Log::setSink({}); }

    test::TempDir m_dir;
    fs::path m_file = m_dir.path / "quietlane" / "preferences.json";
    std::vector<std::string> m_log; // "category:level message"
};

} // namespace

TEST_F(PreferencesTest, EveryTypeSurvivesAReloadAndReadsAsAbsentUnderAnotherType) {
    const std::string binary("\0\xff\x80{\"a\":1}", 10);
    {
        Preferences preferences(m_file);
        preferences.setBool("widgetVisible", false);
        preferences.setDouble("widgetOriginX", -1234.5678901234567);
        preferences.setString("hotkeyMode", "pushToTalk");
        preferences.setStringArray("AppleLanguages", {"ru", "Русский"});
        preferences.setData("deviceSelection", binary);
        preferences.setDouble("opacity", std::nan(""));
        EXPECT_EQ(preferences.doubleValue("opacity"), std::nullopt);
        EXPECT_TRUE(preferences.flush());
    }
    EXPECT_EQ(fs::status(m_file.parent_path()).permissions() & fs::perms::all,
              fs::perms::owner_all);

    Preferences reloaded(m_file);
    EXPECT_EQ(reloaded.boolValue("widgetVisible"), false);
    EXPECT_EQ(reloaded.doubleValue("widgetOriginX"), -1234.5678901234567);
    EXPECT_EQ(reloaded.stringValue("hotkeyMode"), "pushToTalk");
    EXPECT_EQ(reloaded.stringArray("AppleLanguages"), (std::vector<std::string>{"ru", "Русский"}));
    EXPECT_EQ(reloaded.data("deviceSelection"), binary);
    EXPECT_EQ(reloaded.doubleValue("opacity"), std::nullopt);
    EXPECT_EQ(reloaded.boolValue("hotkeyMode"), std::nullopt);
    EXPECT_EQ(reloaded.doubleValue("widgetVisible"), std::nullopt);
    EXPECT_EQ(reloaded.stringValue("deviceSelection"), std::nullopt);
    EXPECT_TRUE(m_log.empty());
}

TEST_F(PreferencesTest, ValuesOfNoKnownFormReadAsAbsentAndGoBackToTheFileAsTheyStood) {
    fs::create_directories(m_file.parent_path());
    const std::map<std::string, std::string> kept = {
        {"nothing", "null"},
        {"mixed", R"(["a", 1])"},
        {"badBlob", R"({"base64": "abc"})"},
        {"newer", "{\n        \"form\": [1e999, {}]\n    }"},
        {"widgetOriginX", "1e999"},
        {"replaced", "null"},
        {"removed", R"({"x": null})"},
    };
    std::string text = "{\"count\": 3, \"huge\": 1e308, \"tiny\": -1e-999, \"ok\": \"yes\"";
    for (const auto& [key, raw] : kept)
        text += ",\n    \"" + key + "\": " + raw;
    std::ofstream(m_file) << text << "}";

    {
        Preferences preferences(m_file);
        EXPECT_TRUE(m_log.empty()); // a valid file is no reason for a warning
        EXPECT_EQ(preferences.doubleValue("count"), 3.0);
        EXPECT_EQ(preferences.doubleValue("huge"), 1e308);
        EXPECT_EQ(preferences.doubleValue("tiny"), 0.0);
        EXPECT_EQ(preferences.stringValue("ok"), "yes");
        for (const auto& [key, raw] : kept) {
            EXPECT_FALSE(preferences.contains(key)) << key;
            EXPECT_EQ(preferences.object(key), std::nullopt) << key;
        }
        preferences.setBool("replaced", true);
        preferences.remove("removed");
    }

    const auto written = parsePreferences(readAll(m_file));
    ASSERT_TRUE(written);
    auto expected = kept;
    expected.erase("replaced");
    expected.erase("removed");
    EXPECT_EQ(written->unknown, (UnknownValueMap(expected.begin(), expected.end())));
    EXPECT_EQ(written->values.at("replaced"), PreferenceValue(true));
    EXPECT_EQ(written->values.at("ok"), PreferenceValue(std::string("yes")));
}

TEST_F(PreferencesTest, ALinkedFileIsWrittenThroughAndStaysALinkEvenBeforeItsTargetExists) {
    // As dotfile managers lay it out: the config directory links to a file in a repository.
    const fs::path repository = m_dir.path / "dotfiles";
    fs::create_directories(repository);
    fs::create_directories(m_file.parent_path());
    std::ofstream(repository / "quietlane.json") << R"({"showHUD": true, "mine": null})";
    fs::permissions(repository / "quietlane.json", fs::perms(0644));
    fs::create_symlink("../dotfiles/quietlane.json", repository / "link");
    fs::create_symlink("../dotfiles/link", m_file);

    Preferences preferences(m_file);
    EXPECT_EQ(preferences.boolValue("showHUD"), true);
    preferences.setBool("showHUD", false);
    ASSERT_TRUE(preferences.flush());

    EXPECT_TRUE(fs::is_symlink(m_file));
    EXPECT_EQ(fs::read_symlink(m_file), "../dotfiles/link");
    EXPECT_EQ(fs::status(repository / "quietlane.json").permissions(), fs::perms(0644));
    const auto written = parsePreferences(readAll(repository / "quietlane.json"));
    ASSERT_TRUE(written);
    EXPECT_EQ(written->values.at("showHUD"), PreferenceValue(false));
    EXPECT_EQ(written->unknown.at("mine"), "null");
    EXPECT_EQ(filesIn(repository).size(), 2u); // no temporary file left beside the target
    EXPECT_EQ(filesIn(m_file.parent_path()), std::vector<fs::path>{"preferences.json"});

    // A link laid out before its target exists: nothing to move aside, and the first
    // write makes the target, private, in a directory that did not exist either.
    fs::remove(m_file);
    fs::create_symlink("../dotfiles/new/quietlane.json", m_file);
    {
        Preferences fresh(m_file);
        EXPECT_FALSE(fresh.contains("showHUD"));
        fresh.setBool("showHUD", true);
        ASSERT_TRUE(fresh.flush());
    }
    EXPECT_EQ(fs::read_symlink(m_file), "../dotfiles/new/quietlane.json");
    EXPECT_EQ(fs::status(repository / "new/quietlane.json").permissions(), fs::perms(0600));
    EXPECT_EQ(Preferences(m_file).boolValue("showHUD"), true);
    EXPECT_TRUE(m_log.empty()) << m_log.front();
}

TEST_F(PreferencesTest, AnUnparseableFileIsMovedAsideWithItsBytesAndTheStoreStartsEmpty) {
    const std::vector<std::string> badFiles = {"{\"widgetVisible\": tr", "{\"name\": \"\xff\xfe\"}",
                                               "[true, false]", "", std::string("\0\0", 2)};
    for (const auto& bytes : badFiles) {
        test::TempDir dir;
        const fs::path file = dir.path / "preferences.json";
        std::ofstream(file, std::ios::binary) << bytes;
        m_log.clear();
        Preferences preferences(file);
        EXPECT_FALSE(preferences.contains("widgetVisible"));
        const auto files = filesIn(dir.path);
        ASSERT_EQ(files.size(), 1u);
        const fs::path aside = dir.path / files[0];
        EXPECT_TRUE(files[0].string().starts_with("preferences.json.corrupt-")) << files[0];
        EXPECT_EQ(readAll(aside), bytes);
        ASSERT_EQ(m_log.size(), 1u);
        EXPECT_TRUE(m_log[0].starts_with("app:1 ")) << m_log[0];
        EXPECT_NE(m_log[0].find(aside.string()), std::string::npos) << m_log[0];

        preferences.setBool("widgetVisible", false);
        EXPECT_TRUE(preferences.flush());
        EXPECT_EQ(Preferences(file).boolValue("widgetVisible"), false);
        EXPECT_EQ(readAll(aside), bytes);
    }
}

TEST_F(PreferencesTest, AFailedWriteReportsFalseKeepsTheValueAndLeavesNoTemporaryFile) {
    Preferences preferences(m_file);
    preferences.setString("hotkeyMode", "toggle");
    ASSERT_TRUE(preferences.flush());
    // A directory in the file's place makes the final rename fail, even for root.
    fs::remove(m_file);
    fs::create_directory(m_file);
    preferences.setString("hotkeyMode", "pushToTalk");
    EXPECT_FALSE(preferences.flush());
    EXPECT_EQ(preferences.stringValue("hotkeyMode"), "pushToTalk");
    ASSERT_EQ(m_log.size(), 1u);
    EXPECT_TRUE(m_log[0].starts_with("app:2 ")) << m_log[0];
    EXPECT_NE(m_log[0].find(m_file.string()), std::string::npos) << m_log[0];
    EXPECT_NE(m_log[0].find("Is a directory"), std::string::npos) << m_log[0];
    EXPECT_EQ(filesIn(m_file.parent_path()), std::vector<fs::path>{"preferences.json"});
}

TEST_F(PreferencesTest, ConcurrentWritersCoalesceIntoFewWritesOfAFileHoldingEveryKey) {
    constexpr auto interval = std::chrono::milliseconds(300);
    const auto start = std::chrono::steady_clock::now();
    Preferences preferences(m_file, interval);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&preferences, t] {
            for (int i = 0; i < 25; ++i)
                preferences.setDouble(std::to_string(t * 100 + i), i);
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_TRUE(preferences.flush());
    // One write at the first change, then at most one per interval, then the flush.
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LE(preferences.writeCount(), 2u + std::uint64_t(elapsed / interval));
    const auto written = parsePreferences(readAll(m_file));
    ASSERT_TRUE(written);
    EXPECT_EQ(written->values.size(), 100u);
    EXPECT_EQ(filesIn(m_file.parent_path()), std::vector<fs::path>{"preferences.json"});
}

TEST_F(PreferencesTest, PendingChangesAreWrittenOnDestructionUnlessAnotherInstanceOwnsTheFile) {
    {
        // An interval no test outlives: only the destructor can write the second value.
        Preferences preferences(m_file, std::chrono::hours(1));
        preferences.setDouble("widgetBackgroundOpacity", 0.2);
        ASSERT_TRUE(preferences.flush());
        preferences.setDouble("widgetBackgroundOpacity", 0.7);
    }
    EXPECT_EQ(Preferences(m_file).doubleValue("widgetBackgroundOpacity"), 0.7);

    // Once another instance owns the file, neither what is pending nor what comes later
    // is written over its values.
    {
        Preferences preferences(m_file, std::chrono::hours(1));
        preferences.setDouble("widgetBackgroundOpacity", 0.3);
        ASSERT_TRUE(preferences.flush());
        preferences.setDouble("widgetBackgroundOpacity", 0.4);
        preferences.detachFromFile();
        preferences.setBool("showHUD", false);
        EXPECT_FALSE(preferences.flush());
        EXPECT_EQ(preferences.boolValue("showHUD"), false);
    }
    EXPECT_EQ(Preferences(m_file).doubleValue("widgetBackgroundOpacity"), 0.3);
}
