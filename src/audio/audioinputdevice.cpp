// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/audioinputdevice.h"

#include "audio/audiohal.h"
#include "base/translation.h"

namespace quietlane {

std::vector<AudioInputDevice> enumerateInputDevices(HalBackend& hal) {
    const auto defaultInput = AudioHAL::defaultInputDevice(hal);
    std::vector<AudioInputDevice> devices;
    for (AudioObjectID id : AudioHAL::allDeviceIDs(hal)) {
        if (AudioHAL::inputChannelCount(hal, id) < 1)
            continue;
        auto uid = AudioHAL::deviceUID(hal, id);
        if (!uid)
            continue;
        devices.push_back({
            .objectID = id,
            .uid = std::move(*uid),
            .name = AudioHAL::deviceName(hal, id).value_or(
                translated(QT_TRANSLATE_NOOP("quietlane", "Микрофон"))),
            .isDefault = defaultInput == id,
            .canHardwareMute = AudioHAL::hasSettableMute(hal, id),
        });
    }
    return devices;
}

} // namespace quietlane
