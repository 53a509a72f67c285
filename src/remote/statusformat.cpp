// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/statusformat.h"

#include <nlohmann/json.hpp>

namespace quietlane {

namespace {

std::string waybarLine(const ControlStatus& status) {
    const std::string state = stateName(status.state);
    // The state word is also the text, so a module's "format-icons" can key on "alt" and
    // a bar's CSS on "class" without parsing anything.
    std::string tooltip = status.device ? *status.device + ": " + state : state;
    if (status.volumeFallback && status.state != ControlStatus::State::unavailable)
        tooltip += " (volume)";
    const nlohmann::json json = {
        {"text", state}, {"alt", state}, {"class", state}, {"tooltip", tooltip}};
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace

std::string formatStatus(const ControlStatus& status, StatusFormat format) {
    switch (format) {
    case StatusFormat::plain:
        return stateName(status.state);
    case StatusFormat::json:
        return encodeStatus(status);
    case StatusFormat::waybar:
        break;
    }
    return waybarLine(status);
}

} // namespace quietlane
