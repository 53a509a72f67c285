// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quietlane {

/// The pages of the settings window, in the order the tab header shows them.
enum class SettingsTab { mic, hotkey, widget };

inline constexpr std::array<SettingsTab, 3> kAllSettingsTabs{SettingsTab::mic, SettingsTab::hotkey,
                                                             SettingsTab::widget};

/// "mic", "hotkey", "widget": also the stored and command-line form.
std::string_view rawValue(SettingsTab tab);
std::optional<SettingsTab> settingsTabFromRaw(std::string_view raw);
/// The tab's title in the interface language.
std::string title(SettingsTab tab);

} // namespace quietlane
