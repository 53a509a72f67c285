// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/preferences.h"
#include "app/log.h"
#include "app/preferencesformat.h"
#include "tempdir.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

using namespace quietlane;
namespace fs = std::filesystem;

namespace {

struct CapturedLog {
    struct Line {
        Log::Level level;
        Log::Category category;
        std::string message;
    };
    std::vector<Line> lines;
    CapturedLog() {
        Log::setSink([this](Log::Level level, Log::Category category, const std::string& text) {
            lines.push_back({level, category, text});
        });
    }
    ~CapturedLog() { Log::setSink({}); }
};

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeAll(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<fs::path> filesIn(const fs::path& directory) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(directory))
        files.push_back(entry.path().filename());
    std::sort(files.begin(), files.end());
    return files;
}

class PreferencesTest : public ::testing::Test {
protected:
    test::TempDir m_dir;
    fs::path m_file = m_dir.path() / "quietlane" / "preferences.json";
};

} // namespace

TEST_F(PreferencesTest, EveryTypeSurvivesAReloadFromDisk) {
    const std::string binary("\0\xff\x80{\"a\":1}", 10);
    {
        Preferences preferences(m_file);
        EXPECT_TRUE(preferences.setBool("widgetVisible", false));
        EXPECT_TRUE(preferences.setDouble("widgetOriginX", -1234.5678901234567));
        EXPECT_TRUE(preferences.setDouble("tiny", 5e-324));
        EXPECT_TRUE(preferences.setString("hotkeyMode", "pushToTalk"));
        EXPECT_TRUE(preferences.setString("empty", ""));
        EXPECT_TRUE(preferences.setStringArray("AppleLanguages", {"ru", "Русский"}));
        EXPECT_TRUE(preferences.setData("deviceSelection", binary));
        EXPECT_TRUE(preferences.setData("emptyBlob", ""));
        EXPECT_TRUE(preferences.setBool("gone", true));
        EXPECT_TRUE(preferences.remove("gone"));
    }
    EXPECT_EQ(fs::status(m_file.parent_path()).permissions() & fs::perms::all,
              fs::perms::owner_all);

    Preferences reloaded(m_file);
    EXPECT_EQ(reloaded.boolValue("widgetVisible"), false);
    EXPECT_EQ(reloaded.doubleValue("widgetOriginX"), -1234.5678901234567);
    EXPECT_EQ(reloaded.doubleValue("tiny"), 5e-324);
    EXPECT_EQ(reloaded.stringValue("hotkeyMode"), "pushToTalk");
    EXPECT_EQ(reloaded.stringValue("empty"), "");
    EXPECT_EQ(reloaded.stringArray("AppleLanguages"), (std::vector<std::string>{"ru", "Русский"}));
    EXPECT_EQ(reloaded.data("deviceSelection"), binary);
    EXPECT_EQ(reloaded.data("emptyBlob"), "");
    EXPECT_FALSE(reloaded.contains("gone"));

    // Typed reads never convert: a value of another type is absent for that reader.
    EXPECT_EQ(reloaded.boolValue("hotkeyMode"), std::nullopt);
    EXPECT_EQ(reloaded.doubleValue("widgetVisible"), std::nullopt);
    EXPECT_EQ(reloaded.stringValue("deviceSelection"), std::nullopt);
    EXPECT_EQ(reloaded.data("hotkeyMode"), std::nullopt);
    EXPECT_EQ(reloaded.stringArray("hotkeyMode"), std::nullopt);
}

TEST_F(PreferencesTest, HandEditedValuesOfNoKnownFormAreDroppedAndNonFiniteDoublesAreAbsent) {
    fs::create_directories(m_file.parent_path());
    writeAll(m_file, R"({
        "count": 3, "huge": 1e308, "nothing": null, "mixed": ["a", 1],
        "wrongBlob": {"base64": "abc"}, "blobWithExtra": {"base64": "", "x": 1},
        "object": {"a": "b"}, "ok": "yes", "dup": 1, "dup": 2
    })");
    CapturedLog log;
    Preferences preferences(m_file);
    EXPECT_TRUE(log.lines.empty()); // a valid file is no reason for a warning
    EXPECT_EQ(preferences.doubleValue("count"), 3.0);
    EXPECT_EQ(preferences.doubleValue("huge"), 1e308);
    for (const char* key : {"nothing", "mixed", "wrongBlob", "blobWithExtra", "object"})
        EXPECT_FALSE(preferences.contains(key)) << key;
    EXPECT_EQ(preferences.stringValue("ok"), "yes");

    // A NaN set at run time must not reach a caller, in memory or after a reload.
    EXPECT_TRUE(preferences.setDouble("opacity", std::nan("")));
    EXPECT_TRUE(preferences.setDouble("far", -std::numeric_limits<double>::infinity()));
    EXPECT_EQ(preferences.doubleValue("opacity"), std::nullopt);
    EXPECT_EQ(preferences.doubleValue("far"), std::nullopt);
    Preferences reloaded(m_file);
    EXPECT_EQ(reloaded.doubleValue("opacity"), std::nullopt);
    EXPECT_EQ(reloaded.doubleValue("far"), std::nullopt);
    EXPECT_EQ(reloaded.stringValue("ok"), "yes");
}

TEST_F(PreferencesTest, AnUnparseableFileIsMovedAsideWithItsBytesAndTheStoreStartsEmpty) {
    const std::vector<std::string> badFiles = {
        std::string("{\"widgetVisible\": tr", 20), // truncated
        std::string("{\"name\": \"\xff\xfe\"}"),   // not UTF-8
        "[true, false]",
        "{\"widgetOriginX\": 1e400}", // no double holds it                           // not an
                                      // object
        "",                           // empty
        std::string("\0\0\0\0", 4),
    };
    for (const auto& bytes : badFiles) {
        test::TempDir dir;
        const fs::path file = dir.path() / "preferences.json";
        writeAll(file, bytes);
        CapturedLog log;
        Preferences preferences(file);
        EXPECT_FALSE(preferences.contains("widgetVisible"));
        ASSERT_FALSE(fs::exists(file));
        const auto files = filesIn(dir.path());
        ASSERT_EQ(files.size(), 1u);
        EXPECT_TRUE(files[0].string().starts_with("preferences.json.corrupt-")) << files[0];
        EXPECT_EQ(readAll(dir.path() / files[0]), bytes);
        ASSERT_EQ(log.lines.size(), 1u);
        EXPECT_EQ(log.lines[0].level, Log::Level::defaultLevel);
        EXPECT_EQ(log.lines[0].category, Log::Category::app);
        EXPECT_NE(log.lines[0].message.find((dir.path() / files[0]).string()), std::string::npos);

        // The next write creates a fresh file beside the kept one.
        EXPECT_TRUE(preferences.setBool("widgetVisible", false));
        EXPECT_EQ(Preferences(file).boolValue("widgetVisible"), false);
        EXPECT_EQ(readAll(dir.path() / files[0]), bytes);
    }
}

TEST_F(PreferencesTest, AFailedWriteReportsFalseKeepsTheValueAndLeavesNoTemporaryFile) {
    Preferences preferences(m_file);
    ASSERT_TRUE(preferences.setString("hotkeyMode", "toggle"));
    // A directory in the file's place makes the final rename fail, even for root.
    fs::remove(m_file);
    fs::create_directory(m_file);
    CapturedLog log;
    EXPECT_FALSE(preferences.setString("hotkeyMode", "pushToTalk"));
    EXPECT_EQ(preferences.stringValue("hotkeyMode"), "pushToTalk");
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].level, Log::Level::error);
    EXPECT_EQ(log.lines[0].category, Log::Category::app);
    EXPECT_NE(log.lines[0].message.find(m_file.string()), std::string::npos);
    EXPECT_NE(log.lines[0].message.find("Is a directory"), std::string::npos);
    EXPECT_EQ(filesIn(m_file.parent_path()), std::vector<fs::path>{"preferences.json"});

    // A directory that cannot be created fails the same way instead of throwing.
    writeAll(m_dir.path() / "file-not-dir", "x");
    Preferences nowhere(m_dir.path() / "file-not-dir" / "sub" / "preferences.json");
    EXPECT_FALSE(nowhere.setBool("showHUD", false));
    EXPECT_EQ(nowhere.boolValue("showHUD"), false);
}

TEST_F(PreferencesTest, ConcurrentWritersEndWithAFileHoldingEveryKey) {
    Preferences preferences(m_file);
    constexpr int kThreads = 4;
    constexpr int kWrites = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&preferences, t] {
            for (int i = 0; i < kWrites; ++i) {
                const std::string key = "k" + std::to_string(t) + "-" + std::to_string(i);
                EXPECT_TRUE(preferences.setDouble(key, t * 1000 + i));
                EXPECT_EQ(preferences.doubleValue(key), t * 1000 + i);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    const auto values = parsePreferences(readAll(m_file));
    ASSERT_TRUE(values);
    EXPECT_EQ(values->size(), std::size_t(kThreads * kWrites));
    EXPECT_EQ(filesIn(m_file.parent_path()), std::vector<fs::path>{"preferences.json"});
}

TEST(PreferencesFormat, BlobsAreBase64AndTheFileIsReadableJson) {
    PreferenceMap values{{"b", Blob{"{\"allInputs\":{}}"}}, {"s", std::string("\xff")}};
    const auto json = nlohmann::json::parse(serializePreferences(values));
    EXPECT_EQ(json["b"]["base64"], "eyJhbGxJbnB1dHMiOnt9fQ==");
    EXPECT_EQ(json["s"], "\xEF\xBF\xBD"); // JSON cannot carry the raw byte

    for (std::string bytes : {"", "a", "ab", "abc", "abcd"})
        EXPECT_EQ(decodeBase64(encodeBase64(bytes)), bytes);
    for (const char* bad : {"a", "ab=c", "a===", "====", "ab!c", "YQ==YQ=="})
        EXPECT_EQ(decodeBase64(bad), std::nullopt) << bad;
}

TEST(PreferencesPath, FollowsXdgConfigHomeOnlyWhenAbsolute) {
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = savedConfig ? savedConfig : "";
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", "/home/u", 1);
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(Preferences::defaultPath(), "/cfg/quietlane/preferences.json");
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(Preferences::defaultPath(), "/home/u/.config/quietlane/preferences.json");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(Preferences::defaultPath(), "/home/u/.config/quietlane/preferences.json");
    if (savedConfig)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    ::setenv("HOME", savedHome.c_str(), 1);
}
