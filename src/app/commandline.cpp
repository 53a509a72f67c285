// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"

#include <algorithm>
#include <array>
#include <utility>

namespace quietlane {

namespace {

constexpr std::array<std::pair<const char*, ControlRequest>, 7> kControlSwitches{{
    {"--toggle", ControlRequest::toggle},
    {"--mute", ControlRequest::mute},
    {"--unmute", ControlRequest::unmute},
    {"--push-to-talk-press", ControlRequest::pushToTalkPress},
    {"--push-to-talk-release", ControlRequest::pushToTalkRelease},
    {"--status", ControlRequest::status},
    {"--watch", ControlRequest::watch},
}};

constexpr std::array kPlainSwitches{"--list-devices", "--open-settings", "--help", "-h",
                                    "--version",      "--json"};

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

bool isKnown(const std::string& argument) {
    if (argument.starts_with("--audio-backend=") || argument.starts_with("--format="))
        return true;
    if (std::find(kPlainSwitches.begin(), kPlainSwitches.end(), argument) != kPlainSwitches.end())
        return true;
    return std::any_of(kControlSwitches.begin(), kControlSwitches.end(),
                       [&](const auto& entry) { return argument == entry.first; });
}

// Everything that is not a known switch or the path of --render / --render-settings.
std::string firstUnknown(const std::vector<std::string>& arguments) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--render" || arguments[i] == "--render-settings") {
            ++i;
            continue;
        }
        if (!isKnown(arguments[i]))
            return arguments[i];
    }
    return {};
}

// The control switch and its options; false with `usageError` set when they clash.
bool readControl(const std::vector<std::string>& arguments, CommandLine& commandLine) {
    std::vector<std::string> given;
    for (const auto& [name, request] : kControlSwitches) {
        if (contains(arguments, name)) {
            given.push_back(name);
            commandLine.request = request;
        }
    }
    std::string format;
    for (const auto& argument : arguments) {
        if (argument.starts_with("--format="))
            format = argument.substr(9);
    }
    const bool json = contains(arguments, "--json");
    if (given.size() > 1) {
        commandLine.usageError = given[0] + " and " + given[1] + " cannot be combined";
        return false;
    }
    const bool isStatus = !given.empty() && commandLine.request == ControlRequest::status;
    const bool isWatch = !given.empty() && commandLine.request == ControlRequest::watch;
    if (json && !isStatus) {
        commandLine.usageError = "--json goes with --status";
        return false;
    }
    if (!format.empty() && !isWatch) {
        commandLine.usageError = "--format goes with --watch";
        return false;
    }
    if (format == "waybar")
        commandLine.format = StatusFormat::waybar;
    else if (json)
        commandLine.format = StatusFormat::json;
    else if (!format.empty() && format != "plain") {
        commandLine.usageError = "unknown format '" + format + "' (choose waybar or plain)";
        return false;
    }
    if (given.empty())
        return true;
    commandLine.action = CommandLine::Action::control;
    for (const char* other :
         {"--render", "--render-settings", "--list-devices", "--open-settings"}) {
        if (contains(arguments, other)) {
            commandLine.usageError = given[0] + " and " + other + " cannot be combined";
            return false;
        }
    }
    return true;
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine commandLine;
    if (const std::string unknown = firstUnknown(arguments); !unknown.empty()) {
        commandLine.usageError = "unknown option '" + unknown + "'";
        return commandLine;
    }
    commandLine.openSettings = contains(arguments, "--open-settings");
    const std::string backendPrefix = "--audio-backend=";
    for (const auto& argument : arguments) {
        if (argument.starts_with(backendPrefix))
            commandLine.audioBackend = argument.substr(backendPrefix.size());
    }
    if (contains(arguments, "--help") || contains(arguments, "-h")) {
        commandLine.action = CommandLine::Action::help;
        return commandLine;
    }
    if (contains(arguments, "--version")) {
        commandLine.action = CommandLine::Action::version;
        return commandLine;
    }
    if (!readControl(arguments, commandLine) || commandLine.action == CommandLine::Action::control)
        return commandLine;

    if (auto path = pathAfter(arguments, "--render")) {
        commandLine.action = CommandLine::Action::render;
        commandLine.renderPath = *path;
    } else if (auto settingsPath = pathAfter(arguments, "--render-settings")) {
        commandLine.action = CommandLine::Action::renderSettings;
        commandLine.renderPath = *settingsPath;
    } else if (contains(arguments, "--list-devices")) {
        commandLine.action = CommandLine::Action::listDevices;
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
           "Control (the running instance, or the sound server directly when none runs):\n"
           "  --toggle, --mute, --unmute\n"
           "                           change the state and print it once the sound\n"
           "                           server confirms it: muted or unmuted; toggles\n"
           "                           less than 0.15 s apart (a desktop repeating a held\n"
           "                           key's command) count as one press\n"
           "  --push-to-talk-press     start a push-to-talk hold (bind to the key press);\n"
           "                           needs the running instance\n"
           "  --push-to-talk-release   end it (bind to the key release)\n"
           "  --status [--json]        print muted, unmuted or unavailable, or a JSON object\n"
           "                           with the state, the device and volumeFallback\n"
           "  --watch [--format=waybar|plain]\n"
           "                           print the state and then one line per change, until\n"
           "                           interrupted (waits for the running instance)\n"
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
           "Exit status: 0 on success, 1 when the change could not be made, 2 for a\n"
           "command line that makes no sense.\n"
           "\n"
           "Environment:\n"
           "  QUIETLANE_AUDIO_BACKEND  the audio backend when --audio-backend is not given\n"
           "  QUIETLANE_SIM_DEVICES    JSON file with the simulated devices (backend sim)\n"
           "  XDG_CONFIG_HOME          preferences live in $XDG_CONFIG_HOME/quietlane/\n"
           "  XDG_RUNTIME_DIR          the running instance listens in\n"
           "                           $XDG_RUNTIME_DIR/quietlane/ (else /tmp/quietlane-UID/)\n";
}

} // namespace quietlane
