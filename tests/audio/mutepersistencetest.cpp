// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/mutepersistence.h"
#include "../tempdir.h"
#include "base/log.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace quietlane;
namespace fs = std::filesystem;
using Snapshot = MutePersistence::Snapshot;

namespace {

class MutePersistenceTest : public ::testing::Test {
protected:
    test::TempDir m_dir;
    fs::path m_file = m_dir.path / "preferences.json";
    Preferences m_preferences{m_file};
    MutePersistence m_persistence{m_preferences};
};

} // namespace

TEST_F(MutePersistenceTest, SaveMergesExactFloatsIntoTheDeviceEntry) {
    ASSERT_TRUE(m_persistence.save("mic", {{0, 0.6f}, {1, 1.5f}, {2, 1.0f / 3}}));
    ASSERT_TRUE(m_persistence.save("usb", {{0, 0.9f}}));
    EXPECT_EQ(m_preferences.data(MutePersistence::kKey),
              R"({"mic":{"0":0.6,"1":1.5,"2":0.33333334},"usb":{"0":0.9}})");
    // A later mute that found only channel 1 raised must not lose the main element.
    ASSERT_TRUE(m_persistence.save("mic", {{1, 0.8f}}));
    ASSERT_TRUE(m_persistence.save("mic", {}));

    // Through the file, as after a restart; above 100% stays above 100%.
    Preferences reloaded(m_file);
    MutePersistence persistence(reloaded);
    EXPECT_EQ(persistence.load("mic"), (Snapshot{{0, 0.6f}, {1, 0.8f}, {2, 1.0f / 3}}));
    ASSERT_TRUE(persistence.remove("mic"));
    EXPECT_EQ(persistence.load("mic"), std::nullopt);
    EXPECT_EQ(persistence.load("usb"), (Snapshot{{0, 0.9f}}));
}

TEST_F(MutePersistenceTest, LoadKeepsOnlyUsableElementsOfAHandEditedEntry) {
    m_preferences.setData(MutePersistence::kKey, R"({"mic":{
        "0": 0.25, "-0": 0.9, "x": 0.1, "": 0.1, " 1": 0.1, "-1": 0.2, "+2": 0.3, "03": 0.35,
        "4294967296": 0.1, "4294967295": 1.25, "5": -0.5, "6": "0.5", "7": null, "8": 2
    }, "broken": [0.5], "empty": {}})");
    EXPECT_EQ(m_persistence.load("mic"),
              (Snapshot{{0, 0.25f}, {2, 0.3f}, {3, 0.35f}, {4294967295u, 1.25f}, {8, 2.0f}}));
    EXPECT_EQ(m_persistence.load("empty"), Snapshot{});
    EXPECT_EQ(m_persistence.load("broken"), std::nullopt);
}

TEST_F(MutePersistenceTest, ACorruptBlobReadsAsEmptyAndIsReplacedByTheNextStore) {
    for (const char* blob : {"", "{", "[1,2]", "null", "{\"mic\":{\"0\":1e39}}", "\xff"}) {
        m_preferences.setData(MutePersistence::kKey, blob);
        EXPECT_TRUE(m_persistence.all().empty()) << blob;
        EXPECT_EQ(m_persistence.load("mic"), std::nullopt) << blob;
        ASSERT_TRUE(m_persistence.save("mic", {{0, 0.4f}}));
        EXPECT_EQ(m_persistence.load("mic"), (Snapshot{{0, 0.4f}})) << blob;
    }
}

TEST_F(MutePersistenceTest, AWriteThatCannotBeMadeIsReportedAndKeepsTheSavedVolumes) {
    Log::setSink([](Log::Level, Log::Category, const std::string&) {});
    ASSERT_TRUE(m_persistence.save("mic", {{0, 0.6f}}));
    const auto before = m_preferences.data(MutePersistence::kKey);

    // Values JSON cannot carry, and a UID that is not UTF-8, are refused, not mangled.
    EXPECT_FALSE(m_persistence.save("mic", {{0, NAN}}));
    EXPECT_FALSE(m_persistence.save("\xff\xfe", {{0, 0.5f}}));
    EXPECT_EQ(m_preferences.data(MutePersistence::kKey), before);

    // The preferences file cannot be replaced: the caller must not zero the volume.
    fs::remove(m_file);
    fs::create_directory(m_file);
    EXPECT_FALSE(m_persistence.save("usb", {{0, 0.7f}}));
    EXPECT_FALSE(m_persistence.remove("mic"));
    Log::setSink({});
}
