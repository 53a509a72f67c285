// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingsmodel.h"

#include "base/translation.h"
#include "shortcuts/shortcutnotation.h"

namespace quietlane {

SettingsModel sampleSettingsModel(SettingsTab tab) {
    SettingsModel model;
    model.selection = DeviceSelection::systemDefault();
    model.isMuted = false;
    model.activeDeviceName = "MacBook Pro";
    model.usingVolumeFallback = false;
    model.loginEnabled = true;
    model.theme = Theme::automatic;
    model.language = Language::system;
    model.languageChangePending = false;
    model.showHUD = true;
    model.hotkeyDescription = GlobalShortcuts::defaultShortcutText();
    model.mode = HotkeyMode::toggle;
    model.widgetVisible = true;
    model.backgroundOpacity = 0.6;
    model.foregroundOpacity = 1.0;
    model.initialTab = tab;
    return model;
}

std::vector<MicrophoneRow> microphoneRows(const SettingsModel& model) {
    std::vector<MicrophoneRow> rows{MicrophoneRow::selector, MicrophoneRow::state};
    if (model.activeDeviceName)
        rows.push_back(MicrophoneRow::activeDevice);
    if (model.usingVolumeFallback)
        rows.push_back(MicrophoneRow::fallbackNote);
    return rows;
}

std::string microphoneValueText(const SettingsModel& model) {
    switch (model.selection.kind) {
    case DeviceSelection::Kind::systemDefault:
        return translated(QT_TRANSLATE_NOOP("quietlane", "По умолчанию"));
    case DeviceSelection::Kind::allInputs:
        return translated(QT_TRANSLATE_NOOP("quietlane", "Все микрофоны"));
    case DeviceSelection::Kind::pinned:
        break;
    }
    return model.activeDeviceName.value_or("—");
}

std::string microphoneStateText(bool isMuted) {
    return isMuted ? translated(QT_TRANSLATE_NOOP("quietlane", "Выключен"))
                   : translated(QT_TRANSLATE_NOOP("quietlane", "Активен"));
}

} // namespace quietlane
