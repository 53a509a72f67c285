// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audioserver.h"

#include <string>
#include <vector>

namespace quietlane {

/// One input-capable device as the rest of the program sees it.
struct AudioInputDevice {
    std::string uid;
    std::string name;
    bool isDefault = false;
    bool canHardwareMute = false;

    const std::string& id() const { return uid; }
    friend bool operator==(const AudioInputDevice&, const AudioInputDevice&) = default;
};

/// Every input-capable source in the server's order.
std::vector<AudioInputDevice> enumerateInputDevices(const ServerState& server);

/// The volume controls mute may drive: the overall one, then each channel's, where settable.
std::vector<std::uint32_t> settableVolumeElements(const Source& source);

} // namespace quietlane
