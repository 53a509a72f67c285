// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audioinputdevice.h"
#include "audio/deviceselection.h"

#include <string>
#include <vector>

namespace quietlane {

/// One entry of a device list (the dropdown's and the settings window's). Ids of the fixed
/// choices cannot be taken by any device: device ids always carry the "device:" prefix,
/// the fixed ones never do.
struct DeviceChoice {
    std::string id;
    std::string title;
    DeviceSelection selection;
    bool selected = false;
};

/// The default input, all inputs, then every device, with the current selection marked.
std::vector<DeviceChoice> deviceChoices(const DeviceSelection& current,
                                        const std::vector<AudioInputDevice>& devices);

} // namespace quietlane
