// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/halbackend.h"

#include <string>
#include <vector>

namespace quietlane {

/// One input-capable device as the rest of the program sees it.
struct AudioInputDevice {
    AudioObjectID objectID = kAudioObjectUnknown;
    std::string uid;
    std::string name;
    bool isDefault = false;
    bool canHardwareMute = false;

    const std::string& id() const { return uid; }
    friend bool operator==(const AudioInputDevice&, const AudioInputDevice&) = default;
};

/// Every input-capable device in the HAL's order; devices without a readable UID are left out.
std::vector<AudioInputDevice> enumerateInputDevices(HalBackend& hal);

} // namespace quietlane
