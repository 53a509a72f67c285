// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/halbackend.h"

#include <memory>

namespace quietlane {

/// Runs the interactive application until it quits; returns the exit status.
int runApplication(int argc, char** argv, std::unique_ptr<HalBackend> hal);

} // namespace quietlane
