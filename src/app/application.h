// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audioserver.h"

#include <functional>
#include <memory>
#include <string>

namespace quietlane {

/// Opens the sound-server backend, or returns nullptr with a message for the user.
using SoundServerOpener = std::function<std::unique_ptr<AudioServer>(std::string& error)>;

/// Runs the interactive application until it quits; returns the exit status. The backend
/// is opened only once a display is known to be there.
int runApplication(int argc, char** argv, const SoundServerOpener& openSoundServer);

} // namespace quietlane
