// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace quietlane {

/// What the process was asked to do. The one-shot switches are checked in the fixed
/// precedence --render, --render-settings, --list-devices; the first that applies wins.
struct CommandLine {
    enum class Action { run, render, renderSettings, listDevices, help, version };

    Action action = Action::run;
    std::string renderPath;
    bool openSettings = false;
    /// The value of --audio-backend=NAME, empty when not given.
    std::string audioBackend;
};

CommandLine parseCommandLine(const std::vector<std::string>& arguments);

/// The --help text.
std::string usageText();

} // namespace quietlane
