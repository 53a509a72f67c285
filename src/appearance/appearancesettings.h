// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/preferences.h"

#include <optional>
#include <string>

namespace quietlane {

// Stored forms of the look-and-language choices; unknown strings mean the default choice.
enum class Theme { automatic, light, dark };
enum class Language { system, ru, en };

namespace AppearanceSettings {

inline constexpr const char* kThemeKey = "appTheme";
inline constexpr const char* kLanguageKey = "appLanguage";
/// The per-application language override the next start follows.
inline constexpr const char* kLanguageOverrideKey = "AppleLanguages";

const char* rawValue(Theme theme);
const char* rawValue(Language language);
Theme parseTheme(const std::optional<std::string>& raw);
Language parseLanguage(const std::optional<std::string>& raw);

/// Writes the override the next start reads ("system" removes it).
void writeLanguageOverride(Preferences& preferences, Language language);

/// The interface language this start uses: the stored override when it names one we
/// ship ("ru" or "en"), otherwise nothing (follow the desktop's locale).
std::optional<Language> languageOverride(const Preferences& preferences);

} // namespace AppearanceSettings
} // namespace quietlane
