// SPDX-License-Identifier: GPL-3.0-or-later
#include "xsession.h"

#include <X11/Xlib.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace quietlane::testing {

namespace {

// openbox names its check window on the root once it manages the screen.
bool windowManagerRuns(const std::string& display) {
    return runOnDisplay(display, "xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") !=
           std::string::npos;
}

void stop(pid_t& pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
}

/// Whether `server` holds display `number` (its lock names it) and answers there: another
/// server may answer on a number that ours failed to take.
bool serves(pid_t server, int number) {
    std::ifstream lock("/tmp/.X" + std::to_string(number) + "-lock");
    pid_t holder = -1;
    if (!(lock >> holder) || holder != server)
        return false;
    const std::string display = ":" + std::to_string(number);
    Display* connection = XOpenDisplay(display.c_str());
    if (connection)
        XCloseDisplay(connection);
    return connection != nullptr;
}

} // namespace

bool XSession::startServer() {
    // Not -displayfd: with it Xvfb takes no lock and can settle on a display whose socket
    // belongs to a running XWayland (mutter's, sway's). Xvfb's own lock refuses a display
    // that another server holds; the next number is tried then.
    for (int number = 20; number < 120; ++number) {
        const std::string display = ":" + std::to_string(number);
        m_server = fork();
        if (m_server < 0)
            return false;
        if (m_server == 0) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDERR_FILENO);
            execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0", "1280x800x24", "-nolisten",
                   "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        bool ended = false;
        const bool up = waitUntil(
            [&] {
                ended = waitpid(m_server, &status, WNOHANG) == m_server;
                return ended || serves(m_server, number);
            },
            std::chrono::seconds(10));
        if (ended) {
            m_server = -1;
            if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
                return false; // no Xvfb at all
            continue;
        }
        if (up) {
            m_display = display;
            return true;
        }
        stop(m_server);
    }
    return false;
}

XSession::~XSession() {
    stop(m_windowManager);
    stop(m_server);
    if (!m_directory.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_directory, ignored);
    }
}

bool XSession::start(std::string& error) {
    char pattern[] = "/tmp/quietlane-x-XXXXXX";
    if (!mkdtemp(pattern)) {
        error = "cannot create a temporary directory";
        return false;
    }
    m_directory = pattern;

    if (!startServer()) {
        error = "Xvfb did not start (is the xvfb package installed?)";
        return false;
    }

    m_windowManager = fork();
    if (m_windowManager == 0) {
        setenv("DISPLAY", m_display.c_str(), 1);
        setenv("HOME", m_directory.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_directory + "/config").c_str(), 1);
        execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
        _exit(127);
    }
    if (waitUntil([this] { return windowManagerRuns(m_display); }))
        return true;
    error = "openbox did not start on " + m_display;
    return false;
}

std::string runOnDisplay(const std::string& display, const std::string& command) {
    return runCommand("DISPLAY=" + display + " " + command + " 2>/dev/null");
}

} // namespace quietlane::testing
