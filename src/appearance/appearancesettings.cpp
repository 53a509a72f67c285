// SPDX-License-Identifier: GPL-3.0-or-later
#include "appearance/appearancesettings.h"

namespace quietlane::AppearanceSettings {

const char* rawValue(Theme theme) {
    switch (theme) {
    case Theme::light:
        return "light";
    case Theme::dark:
        return "dark";
    case Theme::automatic:
        break;
    }
    return "auto";
}

const char* rawValue(Language language) {
    switch (language) {
    case Language::ru:
        return "ru";
    case Language::en:
        return "en";
    case Language::system:
        break;
    }
    return "system";
}

Theme parseTheme(const std::optional<std::string>& raw) {
    if (raw == "light")
        return Theme::light;
    if (raw == "dark")
        return Theme::dark;
    return Theme::automatic;
}

Language parseLanguage(const std::optional<std::string>& raw) {
    if (raw == "ru")
        return Language::ru;
    if (raw == "en")
        return Language::en;
    return Language::system;
}

void writeLanguageOverride(Preferences& preferences, Language language) {
    if (language == Language::system)
        preferences.remove(kLanguageOverrideKey);
    else
        preferences.setStringArray(kLanguageOverrideKey, {rawValue(language)});
}

std::optional<Language> languageOverride(const Preferences& preferences) {
    const auto list = preferences.stringArray(kLanguageOverrideKey);
    if (!list || list->empty())
        return std::nullopt;
    const Language language = parseLanguage(list->front());
    if (language == Language::system)
        return std::nullopt;
    return language;
}

} // namespace quietlane::AppearanceSettings
