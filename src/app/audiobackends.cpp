// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/audiobackends.h"

#include <cstdlib>

namespace quietlane {

std::unique_ptr<HalBackend> openAudioBackend(const AudioBackendRequest& request,
                                             std::string& error) {
    std::string name = request.name;
    if (name.empty()) {
        const char* fromEnvironment = std::getenv("QUIETLANE_AUDIO_BACKEND");
        name = fromEnvironment && *fromEnvironment ? fromEnvironment : "pulse";
    }
    if (name == "pulse" || name == "sim") {
        error = "quietlane: the audio backend '" + name + "' is not part of this build yet";
        return nullptr;
    }
    error = "quietlane: unknown audio backend '" + name + "' (choose pulse or sim)";
    return nullptr;
}

} // namespace quietlane
