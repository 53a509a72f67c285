// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/preferences.h"
#include "../tempdir.h"
#include "base/log.h"
#include "base/preferencesformat.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
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
        EXPECT_TRUE(preferences.setBool("widgetVisible", false));
        EXPECT_TRUE(preferences.setDouble("widgetOriginX", -1234.5678901234567));
        EXPECT_TRUE(preferences.setString("hotkeyMode", "pushToTalk"));
        EXPECT_TRUE(preferences.setStringArray("AppleLanguages", {"ru", "Русский"}));
        EXPECT_TRUE(preferences.setData("deviceSelection", binary));
        EXPECT_TRUE(preferences.setDouble("opacity", std::nan("")));
        EXPECT_EQ(preferences.doubleValue("opacity"), std::nullopt);
        EXPECT_TRUE(preferences.setBool("gone", true));
        EXPECT_TRUE(preferences.remove("gone"));
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
    EXPECT_FALSE(reloaded.contains("gone"));
    EXPECT_EQ(reloaded.boolValue("hotkeyMode"), std::nullopt);
    EXPECT_EQ(reloaded.doubleValue("widgetVisible"), std::nullopt);
    EXPECT_EQ(reloaded.stringValue("deviceSelection"), std::nullopt);
    EXPECT_TRUE(m_log.empty());
}

TEST_F(PreferencesTest, HandEditedValuesOfNoKnownFormAreDroppedAndTheRestIsKept) {
    fs::create_directories(m_file.parent_path());
    std::ofstream(m_file) << R"({"count": 3, "huge": 1e308, "nothing": null, "mixed": ["a", 1],
        "badBlob": {"base64": "abc"}, "blobAndMore": {"base64": "", "x": 1}, "ok": "yes"})";
    Preferences preferences(m_file);
    EXPECT_TRUE(m_log.empty()); // a valid file is no reason for a warning
    EXPECT_EQ(preferences.doubleValue("count"), 3.0);
    EXPECT_EQ(preferences.doubleValue("huge"), 1e308);
    EXPECT_EQ(preferences.stringValue("ok"), "yes");
    for (const char* key : {"nothing", "mixed", "badBlob", "blobAndMore"})
        EXPECT_FALSE(preferences.contains(key)) << key;
}

TEST_F(PreferencesTest, AnUnparseableFileIsMovedAsideWithItsBytesAndTheStoreStartsEmpty) {
    const std::vector<std::string> badFiles = {"{\"widgetVisible\": tr",
                                               "{\"name\": \"\xff\xfe\"}",
                                               "[true, false]",
                                               "{\"widgetOriginX\": 1e400}",
                                               "",
                                               std::string("\0\0", 2)};
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

        EXPECT_TRUE(preferences.setBool("widgetVisible", false));
        EXPECT_EQ(Preferences(file).boolValue("widgetVisible"), false);
        EXPECT_EQ(readAll(aside), bytes);
    }
}

TEST_F(PreferencesTest, AFailedWriteReportsFalseKeepsTheValueAndLeavesNoTemporaryFile) {
    Preferences preferences(m_file);
    ASSERT_TRUE(preferences.setString("hotkeyMode", "toggle"));
    // A directory in the file's place makes the final rename fail, even for root.
    fs::remove(m_file);
    fs::create_directory(m_file);
    EXPECT_FALSE(preferences.setString("hotkeyMode", "pushToTalk"));
    EXPECT_EQ(preferences.stringValue("hotkeyMode"), "pushToTalk");
    ASSERT_EQ(m_log.size(), 1u);
    EXPECT_TRUE(m_log[0].starts_with("app:2 ")) << m_log[0];
    EXPECT_NE(m_log[0].find(m_file.string()), std::string::npos) << m_log[0];
    EXPECT_NE(m_log[0].find("Is a directory"), std::string::npos) << m_log[0];
    EXPECT_EQ(filesIn(m_file.parent_path()), std::vector<fs::path>{"preferences.json"});

    std::ofstream(m_dir.path / "file") << "x";
    Preferences nowhere(m_dir.path / "file" / "sub" / "preferences.json");
    EXPECT_FALSE(nowhere.setBool("showHUD", false));
    EXPECT_EQ(nowhere.boolValue("showHUD"), false);
}

TEST_F(PreferencesTest, ConcurrentWritersEndWithAFileHoldingEveryKey) {
    Preferences preferences(m_file);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&preferences, t] {
            for (int i = 0; i < 25; ++i)
                EXPECT_TRUE(preferences.setDouble(std::to_string(t * 100 + i), i));
        });
    }
    for (auto& thread : threads)
        thread.join();
    const auto values = parsePreferences(readAll(m_file));
    ASSERT_TRUE(values);
    EXPECT_EQ(values->size(), 100u);
    EXPECT_EQ(filesIn(m_file.parent_path()), std::vector<fs::path>{"preferences.json"});
}
