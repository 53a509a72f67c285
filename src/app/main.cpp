// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"
#include "app/audiobackends.h"
#include "app/commandline.h"
#include "app/devicelisting.h"
#include "render/offscreenrender.h"

#include <iostream>

using namespace quietlane;

namespace {

int listDevices(const CommandLine& commandLine) {
    std::string error;
    auto hal = openAudioBackend({commandLine.audioBackend, /*waitForServer=*/true}, error);
    if (!hal) {
        std::cerr << error << '\n';
        return 1;
    }
    printDeviceListing(*hal, std::cout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const CommandLine commandLine = parseCommandLine({argv, argv + argc});
    if (!commandLine.usageError.empty()) {
        std::cerr << "quietlane: " << commandLine.usageError << "\n\n" << usageText();
        return 2;
    }
    switch (commandLine.action) {
    case CommandLine::Action::render:
        return runOffscreenRender(OffscreenTarget::dropdown, commandLine.renderPath, argc, argv);
    case CommandLine::Action::renderSettings:
        return runOffscreenRender(OffscreenTarget::settings, commandLine.renderPath, argc, argv);
    case CommandLine::Action::listDevices:
        return listDevices(commandLine);
    case CommandLine::Action::help:
        std::cout << usageText();
        return 0;
    case CommandLine::Action::version:
        std::cout << "quietlane " QUIETLANE_VERSION "\n";
        return 0;
    case CommandLine::Action::control:
        // The launcher answers these; reaching this program with one is a wiring fault.
        std::cerr << "quietlane: control switches are answered by the quietlane launcher\n";
        return 2;
    case CommandLine::Action::run:
        break;
    }
    std::string error;
    auto hal = openAudioBackend({commandLine.audioBackend, /*waitForServer=*/false}, error);
    if (!hal) {
        std::cerr << error << '\n';
        return 1;
    }
    return runApplication(argc, argv, std::move(hal));
}
