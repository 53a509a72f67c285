// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audioserver.h"
#include "audio/soundcue.h"
#include "base/result.h"

#include <memory>
#include <string>

namespace quietlane {

struct AudioBackendRequest {
    /// "pulse" or "sim"; empty means QUIETLANE_AUDIO_BACKEND, else "pulse".
    std::string name;
    /// Wait for the sound server's first complete device list, so that an unreachable
    /// server is an error rather than an empty list. The running app never waits.
    bool waitForServer = false;
};

/// The backend asked for; a failure is a message for the user.
Result<std::unique_ptr<AudioServer>> openAudioBackend(const AudioBackendRequest& request);

/// The sound cue player that goes with the backend asked for: the sound server's sample
/// cache, or a simulated one; it connects only when the cues are first turned on.
std::unique_ptr<SoundCuePlayer> openSoundCuePlayer(const AudioBackendRequest& request);

} // namespace quietlane
