// SPDX-License-Identifier: GPL-3.0-or-later
#include "appearance/appearancemanager.h"
#include "../tempdir.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace quietlane;
namespace AS = quietlane::AppearanceSettings;

namespace {

class AppearanceManagerTest : public ::testing::Test {
protected:
    test::TempDir m_dir;
    Preferences m_preferences{m_dir.path / "preferences.json"};
};

} // namespace

TEST_F(AppearanceManagerTest, ALanguageIsWrittenOnceAndAsksForARestartOnlyWhileItDiffers) {
    AppearanceManager appearance(m_preferences);
    QSignalSpy languageChanged(&appearance, &AppearanceManager::languageChanged);
    QSignalSpy pendingChanged(&appearance, &AppearanceManager::languageChangePendingChanged);

    appearance.setLanguage(Language::en);
    EXPECT_TRUE(appearance.languageChangePending());
    EXPECT_EQ(m_preferences.stringValue(AS::kLanguageKey), "en");
    EXPECT_EQ(m_preferences.stringArray(AS::kLanguageOverrideKey), std::vector<std::string>{"en"});
    // The same language again writes nothing: a removed key stays removed.
    m_preferences.remove(AS::kLanguageKey);
    appearance.setLanguage(Language::en);
    EXPECT_FALSE(m_preferences.contains(AS::kLanguageKey));

    appearance.setLanguage(Language::system);
    EXPECT_EQ(m_preferences.stringValue(AS::kLanguageKey), "system");
    // Back to the language the texts are in: no restart needed any more.
    EXPECT_FALSE(appearance.languageChangePending());
    EXPECT_EQ(languageChanged.count(), 2);
    EXPECT_EQ(pendingChanged.count(), 2);
}
