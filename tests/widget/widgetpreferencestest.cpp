// SPDX-License-Identifier: GPL-3.0-or-later
#include "widget/widgetpreferences.h"
#include "../tempdir.h"

#include <gtest/gtest.h>

using namespace quietlane;

namespace {

class WidgetPreferencesTest : public ::testing::Test {
protected:
    Preferences open() { return Preferences(m_dir.path / "preferences.json"); }

    test::TempDir m_dir;
};

} // namespace

TEST_F(WidgetPreferencesTest, DefaultsTheOlderOpacityAndAnOriginOnlyWithANumberUnderX) {
    Preferences preferences = open();
    EXPECT_TRUE(WidgetPreferences::visible(preferences));
    EXPECT_DOUBLE_EQ(WidgetPreferences::backgroundOpacity(preferences), 0.6);
    EXPECT_DOUBLE_EQ(WidgetPreferences::foregroundOpacity(preferences), 1.0);
    preferences.setString(WidgetPreferences::kVisible, "no");
    EXPECT_TRUE(WidgetPreferences::visible(preferences));
    preferences.setDouble(WidgetPreferences::kLegacyOpacity, 0.3);
    EXPECT_DOUBLE_EQ(WidgetPreferences::backgroundOpacity(preferences), 0.3);
    preferences.setDouble(WidgetPreferences::kBackgroundOpacity, 0.8);
    EXPECT_DOUBLE_EQ(WidgetPreferences::backgroundOpacity(preferences), 0.8);

    preferences.setDouble(WidgetPreferences::kOriginY, 300);
    EXPECT_FALSE(WidgetPreferences::savedOrigin(preferences));
    // A hand-edited or foreign value must not pin the widget to (0, y).
    preferences.setString(WidgetPreferences::kOriginX, "500");
    EXPECT_FALSE(WidgetPreferences::savedOrigin(preferences));
    preferences.setDouble(WidgetPreferences::kOriginX, 500);
    preferences.remove(WidgetPreferences::kOriginY);
    EXPECT_EQ(WidgetPreferences::savedOrigin(preferences), (Point{500, 0}));

    WidgetPreferences::saveOrigin(preferences, {12.5, -40});
    preferences.flush();
    EXPECT_EQ(WidgetPreferences::savedOrigin(open()), (Point{12.5, -40}));
}
