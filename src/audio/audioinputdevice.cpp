// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/audioinputdevice.h"

#include "base/translation.h"

namespace quietlane {

std::vector<AudioInputDevice> enumerateInputDevices(const ServerState& server) {
    std::vector<AudioInputDevice> devices;
    for (const Source& source : server.sources) {
        if (source.channels < 1)
            continue;
        devices.push_back({
            .uid = source.name,
            .name =
                source.description.value_or(translated(QT_TRANSLATE_NOOP("quietlane", "Микрофон"))),
            .isDefault = server.defaultSource == source.name,
            .canHardwareMute = source.canMute(),
        });
    }
    return devices;
}

std::vector<std::uint32_t> settableVolumeElements(const Source& source) {
    std::vector<std::uint32_t> elements;
    for (std::uint32_t element = 0; element <= source.channels; ++element) {
        const auto volume = source.volumes.find(element);
        if (volume != source.volumes.end() && volume->second.settable)
            elements.push_back(element);
    }
    return elements;
}

} // namespace quietlane
