// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"

#include <algorithm>

namespace quietlane {

namespace {

// The first element exactly equal to `flag` that has an element after it: that one is
// its path. A switch given last has no path and is ignored.
const std::string* pathAfter(const std::vector<std::string>& arguments, const std::string& flag) {
    auto found = std::find(arguments.begin(), arguments.end(), flag);
    if (found == arguments.end() || std::next(found) == arguments.end())
        return nullptr;
    return &*std::next(found);
}

bool contains(const std::vector<std::string>& arguments, const std::string& flag) {
    return std::find(arguments.begin(), arguments.end(), flag) != arguments.end();
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine commandLine;
    commandLine.openSettings = contains(arguments, "--open-settings");
    const std::string backendPrefix = "--audio-backend=";
    for (const auto& argument : arguments) {
        if (argument.starts_with(backendPrefix))
            commandLine.audioBackend = argument.substr(backendPrefix.size());
    }

    if (auto path = pathAfter(arguments, "--render")) {
        commandLine.action = CommandLine::Action::render;
        commandLine.renderPath = *path;
    } else if (auto settingsPath = pathAfter(arguments, "--render-settings")) {
        commandLine.action = CommandLine::Action::renderSettings;
        commandLine.renderPath = *settingsPath;
    } else if (contains(arguments, "--list-devices")) {
        commandLine.action = CommandLine::Action::listDevices;
    } else if (contains(arguments, "--help") || contains(arguments, "-h")) {
        commandLine.action = CommandLine::Action::help;
    } else if (contains(arguments, "--version")) {
        commandLine.action = CommandLine::Action::version;
    }
    return commandLine;
}

std::string usageText() {
    return "Usage: quietlane [OPTION]...\n"
           "Mute and unmute the microphone for every application at once.\n"
           "\n"
           "Without options Quietlane starts in the background: a floating widget, a tray\n"
           "icon and a global shortcut (default Ctrl+Alt+Super+M). A second launch opens\n"
           "the settings of the running instance.\n"
           "\n"
           "  --list-devices           print the input devices, one per line:\n"
           "                           UID <tab> name <tab> [default] hwmute|volfallback\n"
           "  --render PATH            draw the tray dropdown into a PNG file and exit\n"
           "  --render-settings PATH   draw the settings window into a PNG file and exit\n"
           "  --open-settings          open the settings window after start\n"
           "  --audio-backend=NAME     pulse (default: PulseAudio or PipeWire) or sim\n"
           "                           (simulated devices, for trying things out)\n"
           "  -h, --help               show this help and exit\n"
           "      --version            show the version and exit\n"
           "\n"
           "Environment:\n"
           "  QUIETLANE_AUDIO_BACKEND  the audio backend when --audio-backend is not given\n"
           "  QUIETLANE_SIM_DEVICES    JSON file with the simulated devices (backend sim)\n"
           "  XDG_CONFIG_HOME          preferences live in $XDG_CONFIG_HOME/quietlane/\n";
}

} // namespace quietlane
