// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/dropdownmodel.h"

#include "shortcuts/shortcutnotation.h"

#include <QCoreApplication>

namespace quietlane {

namespace {

QString translated(const char* sourceText) {
    return QCoreApplication::translate("quietlane", sourceText);
}

template <typename T, typename Signal>
void assign(DropdownModel* model, T& member, const T& value, Signal changed) {
    if (member == value)
        return;
    member = value;
    emit(model->*changed)(member);
}

} // namespace

DropdownModel::DropdownModel(QObject* parent) : QObject(parent) {}

void DropdownModel::setAvailable(bool available) {
    assign(this, m_available, available, &DropdownModel::isAvailableChanged);
}

void DropdownModel::setMuted(bool muted) {
    assign(this, m_muted, muted, &DropdownModel::isMutedChanged);
}

void DropdownModel::setDeviceName(const QString& name) {
    assign(this, m_deviceName, name, &DropdownModel::deviceNameChanged);
}

void DropdownModel::setHotkey(const QString& hotkey) {
    assign(this, m_hotkey, hotkey, &DropdownModel::hotkeyChanged);
}

void DropdownModel::setDeviceValue(const QString& value) {
    assign(this, m_deviceValue, value, &DropdownModel::deviceValueChanged);
}

void DropdownModel::setModeTitle(const QString& title) {
    assign(this, m_modeTitle, title, &DropdownModel::modeTitleChanged);
}

void DropdownModel::setWidgetVisible(bool visible) {
    assign(this, m_widgetVisible, visible, &DropdownModel::widgetVisibleChanged);
}

void DropdownModel::setLoginEnabled(bool enabled) {
    assign(this, m_loginEnabled, enabled, &DropdownModel::loginEnabledChanged);
}

void DropdownModel::setShowDonate(bool show) {
    assign(this, m_showDonate, show, &DropdownModel::showDonateChanged);
}

void DropdownModel::setDevices(std::vector<AudioInputDevice> devices, DeviceSelection selection) {
    if (devices == m_devices && selection == m_selection)
        return;
    m_devices = std::move(devices);
    m_selection = std::move(selection);
    emit devicesChanged();
}

DropdownRow DropdownModel::row(DropdownRowKind kind) const {
    using K = DropdownRowKind;
    switch (kind) {
    case K::widget:
        return {translated(QT_TRANSLATE_NOOP("quietlane", "Плавающий виджет")),
                RowTrailing::toggle,
                {},
                m_widgetVisible};
    case K::device:
        return {translated(QT_TRANSLATE_NOOP("quietlane", "Устройство")),
                RowTrailing::valueAndChevron, m_deviceValue};
    case K::mode:
        return {translated(QT_TRANSLATE_NOOP("quietlane", "Режим срабатывания")),
                RowTrailing::valueAndChevron, m_modeTitle};
    case K::login:
        return {translated(QT_TRANSLATE_NOOP("quietlane", "Запуск при входе")),
                RowTrailing::toggle,
                {},
                m_loginEnabled};
    case K::settings:
        return {translated(QT_TRANSLATE_NOOP("quietlane", "Настройки…")), RowTrailing::keyHint,
                QString::fromLatin1(GlobalShortcuts::kSettingsKeys)};
    case K::quit:
        return {translated(QT_TRANSLATE_NOOP("quietlane", "Выйти из Quietlane")),
                RowTrailing::keyHint, QString::fromLatin1(GlobalShortcuts::kQuitKeys)};
    }
    return {{}, RowTrailing::keyHint, {}};
}

void DropdownModel::activate(DropdownRowKind kind) {
    switch (kind) {
    case DropdownRowKind::widget:
        emit widgetToggleRequested();
        break;
    case DropdownRowKind::device:
        break;
    case DropdownRowKind::mode:
        emit modeRequested();
        break;
    case DropdownRowKind::login:
        emit loginToggleRequested();
        break;
    case DropdownRowKind::settings:
        emit settingsRequested();
        break;
    case DropdownRowKind::quit:
        emit quitRequested();
        break;
    }
}

QString stateTitle(bool isMuted) {
    return isMuted ? translated(QT_TRANSLATE_NOOP("quietlane", "Микрофон выключен"))
                   : translated(QT_TRANSLATE_NOOP("quietlane", "Микрофон активен"));
}

QString muteButtonTitle(bool isMuted) {
    return isMuted ? translated(QT_TRANSLATE_NOOP("quietlane", "Включить микрофон"))
                   : translated(QT_TRANSLATE_NOOP("quietlane", "Заглушить микрофон"));
}

QString unavailableTitle() {
    return translated(QT_TRANSLATE_NOOP("quietlane", "Нет звукового сервера"));
}

QString unavailableDetail() {
    return translated(QT_TRANSLATE_NOOP("quietlane", "Ждём, когда он снова ответит"));
}

QString unavailableButtonTitle() {
    return translated(QT_TRANSLATE_NOOP("quietlane", "Микрофон недоступен"));
}

QString headerDeviceName(const std::optional<QString>& activeDeviceName) {
    if (activeDeviceName)
        return *activeDeviceName;
    return translated(QT_TRANSLATE_NOOP("quietlane", "Нет устройства"));
}

QString deviceRowValue(const DeviceSelection& selection,
                       const std::optional<QString>& activeDeviceName) {
    if (selection.kind == DeviceSelection::Kind::allInputs)
        return translated(QT_TRANSLATE_NOOP("quietlane", "Все"));
    return activeDeviceName.value_or(QStringLiteral("—"));
}

} // namespace quietlane
