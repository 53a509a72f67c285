// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/audiobackends.h"

#include "audio/pulse/pulsehal.h"

#include <chrono>
#include <cstdlib>
#include <exception>

namespace quietlane {

namespace {

std::unique_ptr<HalBackend> openPulseBackend(bool waitForServer, std::string& error) {
    std::unique_ptr<PulseHal> hal;
    try {
        hal = std::make_unique<PulseHal>();
    } catch (const std::exception& failure) {
        error = std::string("quietlane: ") + failure.what();
        return nullptr;
    }
    // An unreachable server is not a machine without microphones: a one-shot listing
    // must say so instead of printing nothing. The running app connects in the background.
    std::string reason;
    if (waitForServer && !hal->waitUntilReady(std::chrono::seconds(3), &reason)) {
        error = "quietlane: cannot reach the sound server (" + reason +
                "); is PulseAudio or PipeWire running?";
        return nullptr;
    }
    return hal;
}

} // namespace

std::unique_ptr<HalBackend> openAudioBackend(const AudioBackendRequest& request,
                                             std::string& error) {
    std::string name = request.name;
    if (name.empty()) {
        const char* fromEnvironment = std::getenv("QUIETLANE_AUDIO_BACKEND");
        name = fromEnvironment && *fromEnvironment ? fromEnvironment : "pulse";
    }
    if (name == "pulse")
        return openPulseBackend(request.waitForServer, error);
    if (name == "sim") {
        error = "quietlane: the audio backend '" + name + "' is not part of this build yet";
        return nullptr;
    }
    error = "quietlane: unknown audio backend '" + name + "' (choose pulse or sim)";
    return nullptr;
}

} // namespace quietlane
