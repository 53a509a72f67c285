// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "remote/controlprotocol.h"

#include <string>

namespace quietlane {

/// How `--status` and `--watch` print a state.
enum class StatusFormat {
    /// One word: muted, unmuted or unavailable (polybar, scripts).
    plain,
    /// The status object: state, device, volumeFallback.
    json,
    /// A waybar custom module's object: text, alt, class, tooltip.
    waybar,
};

/// One line without its newline.
std::string formatStatus(const ControlStatus& status, StatusFormat format);

} // namespace quietlane
