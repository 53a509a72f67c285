// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"
#include "app/audiobackends.h"
#include "app/commandline.h"
#include "app/devicelisting.h"
#include "render/offscreenrender.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <sstream>
#include <unistd.h>

using namespace quietlane;

namespace {

void reportUnwrittenListing(int error) {
    std::cerr << "quietlane: cannot write the device listing to standard output: "
              << std::strerror(error) << '\n';
}

// Written with write(2) rather than a stream, so that a full disk or a closed descriptor is
// noticed (a stream's buffer would only fail at exit, unseen) and named by its errno.
int writeToStandardOutput(std::string_view text) {
    while (!text.empty()) {
        const ssize_t count = ::write(STDOUT_FILENO, text.data(), text.size());
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        text.remove_prefix(std::size_t(count));
    }
    return 0;
}

int listDevices(const CommandLine& commandLine) {
    // Checked before any connection is opened: with descriptor 1 closed, the sound server's
    // socket could take its number and receive the listing.
    if (::fcntl(STDOUT_FILENO, F_GETFD) < 0) {
        reportUnwrittenListing(errno);
        return 1;
    }
    const auto soundServer = openAudioBackend({commandLine.audioBackend, /*waitForServer=*/true});
    if (!soundServer) {
        std::cerr << soundServer.error() << '\n';
        return 1;
    }
    std::ostringstream listing;
    printDeviceListing((*soundServer)->state(), listing);
    if (const int failure = writeToStandardOutput(listing.str())) {
        reportUnwrittenListing(failure);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const CommandLine commandLine = parseCommandLine({argv, argv + argc});
    if (!commandLine.usageError.empty()) {
        std::cerr << usageErrorText(commandLine.usageError);
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
    return runApplication(
        argc, argv,
        [&commandLine] {
            return openAudioBackend({commandLine.audioBackend, /*waitForServer=*/false});
        },
        [&commandLine] { return openSoundCuePlayer({commandLine.audioBackend}); });
}
