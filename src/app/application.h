// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audioserver.h"
#include "audio/soundcue.h"
#include "base/result.h"

#include <functional>
#include <memory>

namespace quietlane {

/// Opens the sound-server backend; a failure is a message for the user.
using SoundServerOpener = std::function<Result<std::unique_ptr<AudioServer>>()>;

/// The player for the sound cues that goes with the sound-server backend.
using SoundCueOpener = std::function<std::unique_ptr<SoundCuePlayer>()>;

/// Runs the interactive application until it quits; returns the exit status. The backend
/// is opened only once a display is known to be there.
int runApplication(int argc, char** argv, const SoundServerOpener& openSoundServer,
                   const SoundCueOpener& openSoundCues);

} // namespace quietlane
