// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/controlreport.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace quietlane {

namespace {

std::string refusal(ControlRequest request, const ControlStatus& status) {
    if (status.state == ControlStatus::State::unavailable)
        return "no sound server or microphone is reachable; nothing was changed";
    const std::string now = stateName(status.state);
    switch (request) {
    case ControlRequest::mute:
        return "the sound server did not mute the microphone (it is still " + now + ")";
    case ControlRequest::unmute:
        return "the sound server did not unmute the microphone (it is still " + now + ")";
    default:
        break;
    }
    return "the sound server did not take the change (the microphone is " + now + ")";
}

} // namespace

int reportReply(ControlRequest request, const ControlReply& reply, StatusFormat format,
                std::FILE* out, std::FILE* err) {
    if (reply.kind == ControlReply::Kind::error) {
        std::fprintf(err, "quietlane: the running instance refused the request: %s\n",
                     reply.payload.c_str());
        return 1;
    }
    const auto status = decodeStatus(reply.payload);
    if (!status) {
        std::fprintf(err, "quietlane: the running instance sent an answer this version does "
                          "not understand\n");
        return 1;
    }
    if (reply.kind == ControlReply::Kind::refused) {
        std::fprintf(err, "quietlane: %s\n", refusal(request, *status).c_str());
        return 1;
    }
    const StatusFormat shown = request == ControlRequest::status ? format : StatusFormat::plain;
    std::fprintf(out, "%s\n", formatStatus(*status, shown).c_str());
    if (std::fflush(out) == 0 && !std::ferror(out))
        return 0;
    // The change stands; only its report is lost, which a script must still hear of.
    std::fprintf(err, "quietlane: cannot write to standard output: %s\n", std::strerror(errno));
    return 1;
}

} // namespace quietlane
