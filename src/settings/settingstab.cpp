// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingstab.h"

#include "base/translation.h"

namespace quietlane {

std::string_view rawValue(SettingsTab tab) {
    switch (tab) {
    case SettingsTab::mic:
        return "mic";
    case SettingsTab::hotkey:
        return "hotkey";
    case SettingsTab::widget:
        return "widget";
    }
    return "mic";
}

std::optional<SettingsTab> settingsTabFromRaw(std::string_view raw) {
    for (SettingsTab tab : kAllSettingsTabs) {
        if (rawValue(tab) == raw)
            return tab;
    }
    return std::nullopt;
}

std::string title(SettingsTab tab) {
    switch (tab) {
    case SettingsTab::mic:
        return translated(QT_TRANSLATE_NOOP("quietlane", "Микрофон"));
    case SettingsTab::hotkey:
        return translated(QT_TRANSLATE_NOOP("quietlane", "Хоткей"));
    case SettingsTab::widget:
        return translated(QT_TRANSLATE_NOOP("quietlane", "Виджет"));
    }
    return {};
}

} // namespace quietlane
