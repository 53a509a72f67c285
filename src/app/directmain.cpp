// SPDX-License-Identifier: GPL-3.0-or-later
// The control switches when no instance runs: the launcher hands them here, so that only
// this path pays for loading the sound server's client library.
#include "app/audiobackends.h"
#include "app/commandline.h"
#include "base/preferences.h"
#include "remote/controlreport.h"
#include "remote/directcontrol.h"

#include <cstdio>

using namespace quietlane;

namespace {

std::optional<bool> wantedMuted(ControlRequest request, const MicState& before) {
    switch (request) {
    case ControlRequest::mute:
        return true;
    case ControlRequest::unmute:
        return false;
    case ControlRequest::toggle:
        return !before.isMuted;
    default:
        break;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    const CommandLine commandLine = parseCommandLine({argv, argv + argc});
    const ControlRequest request = commandLine.request;
    if (commandLine.action != CommandLine::Action::control ||
        !(request == ControlRequest::toggle || request == ControlRequest::mute ||
          request == ControlRequest::unmute || request == ControlRequest::status)) {
        std::fprintf(stderr, "quietlane: this helper is started by quietlane for --toggle, "
                             "--mute, --unmute and --status only\n");
        return 2;
    }

    auto opened = openAudioBackend({commandLine.audioBackend, /*waitForServer=*/true});
    if (!opened) {
        if (request == ControlRequest::status)
            return reportReply(request, {ControlReply::Kind::ok, encodeStatus({})},
                               commandLine.format, stdout, stderr);
        std::fprintf(stderr, "%s\n", opened.error().c_str());
        return 1;
    }
    const std::unique_ptr<AudioServer> soundServer = std::move(opened).value();
    Preferences preferences(Preferences::defaultPath());
    DirectControl microphone(*soundServer, preferences);
    const auto before = microphone.state();
    std::optional<MicState> after = before;
    if (before && request == ControlRequest::toggle)
        after = microphone.toggle();
    else if (before && request != ControlRequest::status)
        after = microphone.setMuted(request == ControlRequest::mute);
    if (!after) {
        std::fprintf(stderr, "quietlane: the sound server did not answer in time; nothing "
                             "may have changed\n");
        return 1;
    }
    const ControlStatus status = statusOf(*after);
    const std::optional<bool> wanted =
        request == ControlRequest::status ? std::nullopt : wantedMuted(request, *before);
    return reportReply(request, settledReply(wanted, status), commandLine.format, stdout, stderr);
}
