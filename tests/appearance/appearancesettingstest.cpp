// SPDX-License-Identifier: GPL-3.0-or-later
#include "appearance/appearancesettings.h"
#include "../tempdir.h"

#include <gtest/gtest.h>

using namespace quietlane;
namespace AS = AppearanceSettings;

TEST(AppearanceSettings, LanguageOverrideIsWrittenRemovedAndReadAtStart) {
    test::TempDir dir;
    Preferences preferences(dir.path / "preferences.json");

    EXPECT_FALSE(AS::languageOverride(preferences));
    AS::writeLanguageOverride(preferences, Language::en);
    EXPECT_EQ(preferences.stringArray(AS::kLanguageOverrideKey), (std::vector<std::string>{"en"}));
    preferences.flush();
    EXPECT_EQ(AS::languageOverride(Preferences(dir.path / "preferences.json")), Language::en);

    // Back to the desktop's language: the override disappears, not an empty list.
    AS::writeLanguageOverride(preferences, Language::system);
    EXPECT_FALSE(preferences.contains(AS::kLanguageOverrideKey));

    // A language we do not ship means the desktop's choice.
    preferences.setStringArray(AS::kLanguageOverrideKey, {"de", "en"});
    EXPECT_FALSE(AS::languageOverride(preferences));
}
