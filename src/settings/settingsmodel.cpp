// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingsmodel.h"

#include "shortcuts/shortcutnotation.h"

#include <QCoreApplication>

namespace quietlane {

namespace {
QString translated(const char* sourceText) {
    return QCoreApplication::translate("quietlane", sourceText);
}
} // namespace

SettingsModel::SettingsModel(SettingsState state, QObject* parent)
    : QObject(parent), m_state(std::move(state)) {}

void SettingsModel::setState(SettingsState state) {
    if (state == m_state)
        return;
    m_state = std::move(state);
    emit stateChanged();
}

SettingsState sampleSettingsState(SettingsTab tab) {
    SettingsState state;
    state.selection = DeviceSelection::systemDefault();
    state.isMuted = false;
    state.activeDeviceName = QStringLiteral("Built-in Audio Analog Stereo");
    state.usingVolumeFallback = false;
    state.loginEnabled = true;
    state.theme = Theme::automatic;
    state.language = Language::system;
    state.languageChangePending = false;
    state.showHUD = true;
    state.hotkeyDescription = QString::fromStdString(GlobalShortcuts::defaultShortcutText());
    state.mode = HotkeyMode::toggle;
    state.widgetVisible = true;
    state.backgroundOpacity = 0.6;
    state.foregroundOpacity = 1.0;
    state.initialTab = tab;
    return state;
}

std::vector<MicrophoneRow> microphoneRows(const SettingsState& state) {
    std::vector<MicrophoneRow> rows{MicrophoneRow::selector, MicrophoneRow::state};
    if (state.activeDeviceName)
        rows.push_back(MicrophoneRow::activeDevice);
    if (state.usingVolumeFallback)
        rows.push_back(MicrophoneRow::fallbackNote);
    return rows;
}

QString microphoneValueText(const SettingsState& state) {
    switch (state.selection.kind) {
    case DeviceSelection::Kind::systemDefault:
        return translated(QT_TRANSLATE_NOOP("quietlane", "По умолчанию"));
    case DeviceSelection::Kind::allInputs:
        return translated(QT_TRANSLATE_NOOP("quietlane", "Все микрофоны"));
    case DeviceSelection::Kind::pinned:
        break;
    }
    return state.activeDeviceName.value_or(QStringLiteral("—"));
}

QString microphoneStateText(bool isMuted) {
    return isMuted ? translated(QT_TRANSLATE_NOOP("quietlane", "Выключен"))
                   : translated(QT_TRANSLATE_NOOP("quietlane", "Активен"));
}

} // namespace quietlane
