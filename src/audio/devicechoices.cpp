// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/devicechoices.h"

#include "base/translation.h"

namespace quietlane {

std::vector<DeviceChoice> deviceChoices(const DeviceSelection& current,
                                        const std::vector<AudioInputDevice>& devices) {
    std::vector<DeviceChoice> choices;
    auto add = [&](std::string id, std::string title, DeviceSelection selection) {
        const bool selected = selection == current;
        choices.push_back({std::move(id), std::move(title), std::move(selection), selected});
    };
    add("fixed:systemDefault", translated(QT_TRANSLATE_NOOP("quietlane", "Микрофон по умолчанию")),
        DeviceSelection::systemDefault());
    add("fixed:allInputs", translated(QT_TRANSLATE_NOOP("quietlane", "Все микрофоны")),
        DeviceSelection::allInputs());
    for (const AudioInputDevice& device : devices)
        add("device:" + device.uid, device.name, DeviceSelection::pinned(device.uid));
    return choices;
}

} // namespace quietlane
