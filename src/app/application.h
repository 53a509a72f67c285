// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/halbackend.h"
#include "audio/soundcue.h"

#include <functional>
#include <memory>
#include <string>

namespace quietlane {

/// Opens the sound-server backend, or returns nullptr with a message for the user.
using HalOpener = std::function<std::unique_ptr<HalBackend>(std::string& error)>;

/// The player for the sound cues that goes with the sound-server backend.
using SoundCueOpener = std::function<std::unique_ptr<SoundCuePlayer>()>;

/// Runs the interactive application until it quits; returns the exit status. The backend
/// is opened only once a display is known to be there.
int runApplication(int argc, char** argv, const HalOpener& openHal,
                   const SoundCueOpener& openSoundCues);

} // namespace quietlane
