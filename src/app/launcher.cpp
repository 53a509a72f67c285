// SPDX-License-Identifier: GPL-3.0-or-later
// The `quietlane` that users run. It answers the control switches itself, so that a key
// binding costs a process start of a small program and one socket round trip, and it
// starts the Qt program installed beside it for everything else. It must never load Qt
// or the sound server's client library: each of them costs tens of milliseconds per
// start before main() even runs.
#include "app/commandline.h"
#include "remote/channeldirectory.h"
#include "remote/controlclient.h"
#include "remote/controlreport.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>
#include <vector>

using namespace quietlane;

namespace {

// Long enough for a sound server that is slow to confirm; a binding must not hang forever.
constexpr int kReplyTimeoutMs = 5000;

std::string besideThisProgram(const char* relativePath) {
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return relativePath;
    std::string path(self, std::size_t(length));
    return path.substr(0, path.find_last_of('/') + 1) + relativePath;
}

[[noreturn]] void execBeside(const char* relativePath, char** argv) {
    const std::string program = besideThisProgram(relativePath);
    ::execv(program.c_str(), argv);
    std::fprintf(stderr, "quietlane: cannot start %s: %s (is Quietlane installed completely?)\n",
                 program.c_str(), std::strerror(errno));
    std::exit(1);
}

// A descriptor 0-2 that the caller closed would be the next one handed out, and the
// instance's socket would become "standard output": the answer would go back into the
// socket. /dev/null opened for reading takes the place, so a write to a closed standard
// output still fails as one (EBADF), and the program started from here inherits the same.
void occupyStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF)
            ::open("/dev/null", O_RDONLY);
    }
}

// False, with a line on standard error, when what was printed did not get out: a closed
// standard output or a reader that went away (SIGPIPE is ignored for that).
bool flushStandardOutput() {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    std::fprintf(stderr, "quietlane: cannot write to standard output: %s\n", std::strerror(errno));
    return false;
}

void printUnavailable(StatusFormat format) {
    std::printf("%s\n", formatStatus(ControlStatus{}, format).c_str());
    flushStandardOutput();
}

// Streams the instance's states until it goes away. False when the connection could not
// be made at all.
bool followInstance(ControlConnection& connection, StatusFormat format) {
    if (!connection.send(ControlRequest::watch))
        return false;
    std::string line;
    bool printed = false;
    while (connection.readLine(line, -1) == ControlConnection::Read::line) {
        const auto reply = parseReply(line);
        const auto status = reply ? decodeStatus(reply->payload) : std::nullopt;
        if (!status)
            break;
        std::printf("%s\n", formatStatus(*status, format).c_str());
        if (!flushStandardOutput())
            std::exit(1);
        printed = true;
    }
    // A panel must not go on showing the state of an instance that has ended.
    if (printed)
        printUnavailable(format);
    return true;
}

// Waits on the channel directory for the instance's socket to appear. The instance puts
// it in place only once it listens, so every appearance can be connected to at once.
int watch(const ChannelLocation& location, StatusFormat format) {
    if (const Result<void> prepared = preparePrivateDirectory(location.directory); !prepared) {
        std::fprintf(stderr, "quietlane: %s\n", prepared.error().c_str());
        return 1;
    }
    const int notify = ::inotify_init1(IN_CLOEXEC);
    if (notify < 0 ||
        ::inotify_add_watch(notify, location.directory.c_str(), IN_CREATE | IN_MOVED_TO) < 0) {
        std::fprintf(stderr, "quietlane: cannot watch %s: %s\n", location.directory.c_str(),
                     std::strerror(errno));
        return 1;
    }
    for (;;) {
        ControlConnection connection;
        const auto opened = connection.open(location.socket);
        if (!opened) {
            std::fprintf(stderr, "quietlane: %s\n", opened.error().c_str());
            return 1;
        }
        if (*opened == ControlConnection::Opened::connected && followInstance(connection, format))
            continue;
        alignas(inotify_event) char events[4096];
        if (::read(notify, events, sizeof events) < 0 && errno != EINTR) {
            std::fprintf(stderr, "quietlane: cannot watch %s: %s\n", location.directory.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
}

int control(const CommandLine& commandLine, char** argv) {
    const ChannelLocation location = ChannelLocation::standard();
    const Result<DirectoryCheck> check = checkPrivateDirectory(location.directory);
    if (!check) {
        std::fprintf(stderr, "quietlane: %s\n", check.error().c_str());
        return 1;
    }
    if (commandLine.request == ControlRequest::watch)
        return watch(location, commandLine.format);

    ControlConnection connection;
    const auto opened = *check == DirectoryCheck::isPrivate
                            ? connection.open(location.socket)
                            : Result(ControlConnection::Opened::noInstance);
    if (!opened) {
        std::fprintf(stderr, "quietlane: %s\n", opened.error().c_str());
        return 1;
    }
    if (*opened == ControlConnection::Opened::noInstance) {
        if (commandLine.request == ControlRequest::pushToTalkPress ||
            commandLine.request == ControlRequest::pushToTalkRelease ||
            commandLine.request == ControlRequest::pushToMutePress ||
            commandLine.request == ControlRequest::pushToMuteRelease) {
            std::fprintf(stderr, "quietlane: push-to-talk needs the running program; start "
                                 "quietlane first\n");
            return 1;
        }
        execBeside(QUIETLANE_DIRECT_FROM_LAUNCHER, argv);
    }
    if (const Result<void> sent = connection.send(commandLine.request); !sent) {
        std::fprintf(stderr, "quietlane: %s\n", sent.error().c_str());
        return 1;
    }
    std::string line;
    switch (connection.readLine(line, kReplyTimeoutMs)) {
    case ControlConnection::Read::line:
        break;
    case ControlConnection::Read::timedOut:
        std::fprintf(stderr, "quietlane: the running instance did not answer within %d s\n",
                     kReplyTimeoutMs / 1000);
        return 1;
    case ControlConnection::Read::closed:
    case ControlConnection::Read::failed:
        std::fprintf(stderr, "quietlane: the running instance hung up without answering\n");
        return 1;
    }
    const auto reply = parseReply(line);
    if (!reply) {
        std::fprintf(stderr, "quietlane: the running instance sent an answer this version "
                             "does not understand\n");
        return 1;
    }
    return reportReply(commandLine.request, *reply, commandLine.format, stdout, stderr);
}

// A plain second launch only asks the running instance to show its settings: no need to
// load the whole program for that.
bool forwardedToInstance() {
    const ChannelLocation location = ChannelLocation::standard();
    const Result<DirectoryCheck> check = checkPrivateDirectory(location.directory);
    if (!check || *check != DirectoryCheck::isPrivate)
        return false;
    ControlConnection connection;
    const auto opened = connection.open(location.socket);
    if (!opened || *opened != ControlConnection::Opened::connected ||
        !connection.send(ControlRequest::openSettings))
        return false;
    std::string line;
    if (connection.readLine(line, 1000) != ControlConnection::Read::line)
        return false;
    const auto reply = parseReply(line);
    return reply && reply->kind == ControlReply::Kind::ok;
}

} // namespace

int main(int argc, char** argv) {
    occupyStandardDescriptors();
    // A reader that went away is reported as a write error, with a message, rather than
    // killing the process silently; the programs started from here inherit this and
    // report it the same way.
    std::signal(SIGPIPE, SIG_IGN);
    const CommandLine commandLine = parseCommandLine({argv, argv + argc});
    if (!commandLine.usageError.empty()) {
        std::fputs(usageErrorText(commandLine.usageError).c_str(), stderr);
        return 2;
    }
    switch (commandLine.action) {
    case CommandLine::Action::help:
        std::fputs(usageText().c_str(), stdout);
        return flushStandardOutput() ? 0 : 1;
    case CommandLine::Action::version:
        std::puts("quietlane " QUIETLANE_VERSION);
        return flushStandardOutput() ? 0 : 1;
    case CommandLine::Action::control:
        return control(commandLine, argv);
    case CommandLine::Action::run:
        // The program itself settles races between launches and refuses unsafe
        // directories with a message; this is only the quick path.
        if (forwardedToInstance())
            return 0;
        break;
    case CommandLine::Action::render:
    case CommandLine::Action::renderSettings:
    case CommandLine::Action::listDevices:
        break;
    }
    execBeside(QUIETLANE_APP_FROM_LAUNCHER, argv);
}
