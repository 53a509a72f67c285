// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "remote/controlprotocol.h"
#include "remote/statusformat.h"

#include <optional>
#include <string>
#include <vector>

namespace quietlane {

/// What the process was asked to do. The one-shot switches are checked in the fixed
/// precedence --render, --render-settings, --list-devices; the first that applies wins.
/// A control switch (--toggle, --status, ...) stands alone.
struct CommandLine {
    enum class Action { run, render, renderSettings, listDevices, help, version, control };

    Action action = Action::run;
    std::string renderPath;
    bool openSettings = false;
    /// The value of --audio-backend=NAME, empty when not given.
    std::string audioBackend;
    /// For Action::control: what the running instance (or the sound server) is asked.
    ControlRequest request = ControlRequest::status;
    /// How --status and --watch print the state.
    StatusFormat format = StatusFormat::plain;
    /// Not empty when the arguments make no sense: the process prints it with the usage
    /// and exits with status 2.
    std::string usageError;
};

CommandLine parseCommandLine(const std::vector<std::string>& arguments);

/// The --help text.
std::string usageText();
/// What a wrong command line gets on standard error: the error and where the usage is,
/// two lines in all.
std::string usageErrorText(const std::string& usageError);

} // namespace quietlane
