// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/audiobackends.h"

#include "audio/pulse/pulseserver.h"
#include "audio/pulse/pulsesoundcues.h"
#include "audio/simulatedserver.h"

#include <chrono>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <sstream>

namespace quietlane {

namespace {

Result<std::unique_ptr<AudioServer>> openPulseBackend(bool waitForServer) {
    std::unique_ptr<PulseServer> server;
    try {
        server = std::make_unique<PulseServer>();
    } catch (const std::exception& failure) {
        return Failure{std::string("quietlane: ") + failure.what()};
    }
    // An unreachable server is not a machine without microphones: a one-shot listing
    // must say so instead of printing nothing. The running app connects in the background.
    std::string reason;
    if (waitForServer && !server->waitUntilReady(std::chrono::seconds(3), &reason)) {
        return Failure{"quietlane: cannot reach the sound server (" + reason +
                       "); is PulseAudio or PipeWire running?"};
    }
    return std::unique_ptr<AudioServer>(std::move(server));
}

// What the simulated backend shows when no device file is given: one microphone with a
// mute switch and one that can only be silenced through its volume.
constexpr const char* kDemoDevices = R"({
  "default": "builtin-mic",
  "devices": [
    {"uid": "builtin-mic", "name": "Built-in Microphone", "channels": [2], "mute": false},
    {"uid": "usb-headset", "name": "USB Headset", "channels": [1], "volumes": {"0": 0.8}}
  ]
})";

Result<std::unique_ptr<AudioServer>> openSimulatedBackend() {
    const char* path = std::getenv("QUIETLANE_SIM_DEVICES");
    std::string document = kDemoDevices;
    if (path && *path) {
        std::ifstream file(path);
        std::ostringstream contents;
        if (!file || !(contents << file.rdbuf())) {
            return Failure{std::string("quietlane: cannot read the simulated devices from ") +
                           path + " (QUIETLANE_SIM_DEVICES)"};
        }
        document = contents.str();
    }
    auto server = SimulatedServer::fromJson(document);
    if (!server) {
        return Failure{std::string("quietlane: invalid simulated devices in ") +
                       (path && *path ? path : "the built-in demo") + ": " + server.error()};
    }
    return std::unique_ptr<AudioServer>(std::move(server).value());
}

std::string backendName(const AudioBackendRequest& request) {
    if (!request.name.empty())
        return request.name;
    const char* fromEnvironment = std::getenv("QUIETLANE_AUDIO_BACKEND");
    return fromEnvironment && *fromEnvironment ? fromEnvironment : "pulse";
}

} // namespace

Result<std::unique_ptr<AudioServer>> openAudioBackend(const AudioBackendRequest& request) {
    const std::string name = backendName(request);
    if (name == "pulse")
        return openPulseBackend(request.waitForServer);
    if (name == "sim")
        return openSimulatedBackend();
    return Failure{"quietlane: unknown audio backend '" + name + "' (choose pulse or sim)"};
}

std::unique_ptr<SoundCuePlayer> openSoundCuePlayer(const AudioBackendRequest& request) {
    if (backendName(request) == "pulse") {
        try {
            return std::make_unique<PulseSoundCues>();
        } catch (const std::exception&) {
            // Without a thread of their own the cues stay silent; muting is not affected.
        }
    }
    return std::make_unique<SimulatedSoundCues>();
}

} // namespace quietlane
