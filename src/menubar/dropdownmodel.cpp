// SPDX-License-Identifier: GPL-3.0-or-later
#include "menubar/dropdownmodel.h"

#include "base/translation.h"
#include "shortcuts/shortcutnotation.h"

namespace quietlane {

namespace {
void call(const std::function<void()>& action) {
    if (action)
        action();
}
} // namespace

std::vector<DropdownPart> dropdownParts(const DropdownModel& model, bool deviceExpanded) {
    using P = DropdownPart;
    std::vector<P> parts{P::header, P::muteButton, P::divider, P::widgetRow, P::deviceRow};
    if (deviceExpanded)
        parts.push_back(P::deviceList);
    parts.insert(parts.end(), {P::modeRow, P::divider, P::loginRow, P::settingsRow});
    if (model.showDonate)
        parts.push_back(P::donateRow);
    parts.insert(parts.end(), {P::divider, P::quitRow});
    return parts;
}

DropdownRow dropdownRow(DropdownPart part, const DropdownModel& model,
                        const DropdownActions& actions) {
    auto bind = [](const std::function<void()>& action) {
        return [action] {
            call(action);
        };
    };
    switch (part) {
    case DropdownPart::widgetRow:
        return {part,
                translated(QT_TRANSLATE_NOOP("quietlane", "Плавающий виджет")),
                RowTrailing::toggle,
                {},
                model.widgetVisible,
                bind(actions.toggleWidget)};
    case DropdownPart::deviceRow:
        return {part,
                translated(QT_TRANSLATE_NOOP("quietlane", "Устройство")),
                RowTrailing::valueAndChevron,
                model.deviceValue,
                false,
                {}};
    case DropdownPart::modeRow:
        return {part,
                translated(QT_TRANSLATE_NOOP("quietlane", "Режим срабатывания")),
                RowTrailing::valueAndChevron,
                model.modeTitle,
                false,
                bind(actions.openMode)};
    case DropdownPart::loginRow:
        return {part,
                translated(QT_TRANSLATE_NOOP("quietlane", "Запуск при входе")),
                RowTrailing::toggle,
                {},
                model.loginEnabled,
                bind(actions.toggleLogin)};
    case DropdownPart::settingsRow:
        return {part,
                translated(QT_TRANSLATE_NOOP("quietlane", "Настройки…")),
                RowTrailing::keyHint,
                GlobalShortcuts::kSettingsKeys,
                false,
                bind(actions.openSettings)};
    case DropdownPart::quitRow:
        return {part,
                translated(QT_TRANSLATE_NOOP("quietlane", "Выйти из Quietlane")),
                RowTrailing::keyHint,
                GlobalShortcuts::kQuitKeys,
                false,
                bind(actions.quit)};
    default:
        return {part, {}, RowTrailing::keyHint, {}, false, {}};
    }
}

std::string stateTitle(bool isMuted) {
    return isMuted ? translated(QT_TRANSLATE_NOOP("quietlane", "Микрофон выключен"))
                   : translated(QT_TRANSLATE_NOOP("quietlane", "Микрофон активен"));
}

std::string muteButtonTitle(bool isMuted) {
    return isMuted ? translated(QT_TRANSLATE_NOOP("quietlane", "Включить микрофон"))
                   : translated(QT_TRANSLATE_NOOP("quietlane", "Заглушить микрофон"));
}

std::string unavailableTitle() {
    return translated(QT_TRANSLATE_NOOP("quietlane", "Нет звукового сервера"));
}

std::string unavailableDetail() {
    return translated(QT_TRANSLATE_NOOP("quietlane", "Ждём, когда он снова ответит"));
}

std::string unavailableButtonTitle() {
    return translated(QT_TRANSLATE_NOOP("quietlane", "Микрофон недоступен"));
}

std::string headerDeviceName(const std::optional<std::string>& activeDeviceName) {
    if (activeDeviceName)
        return *activeDeviceName;
    return translated(QT_TRANSLATE_NOOP("quietlane", "Нет устройства"));
}

std::string deviceRowValue(const DeviceSelection& selection,
                           const std::optional<std::string>& activeDeviceName) {
    if (selection.kind == DeviceSelection::Kind::allInputs)
        return translated(QT_TRANSLATE_NOOP("quietlane", "Все"));
    return activeDeviceName.value_or("—");
}

} // namespace quietlane
