// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audioinputdevice.h"

#include <optional>
#include <string>
#include <vector>

namespace quietlane {

/// The published microphone state, always read back from the devices.
struct MicState {
    /// False while no sound server can be reached: then the other values say nothing.
    bool isAvailable = true;
    bool isMuted = false;
    bool usingVolumeFallback = false;
    std::optional<std::string> activeDeviceName;
    std::vector<AudioInputDevice> devices;
    friend bool operator==(const MicState&, const MicState&) = default;
};

} // namespace quietlane
