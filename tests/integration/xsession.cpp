// SPDX-License-Identifier: GPL-3.0-or-later
#include "xsession.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quietlane::testing {

namespace {

bool windowManagerRuns(const std::string& display) {
    Display* connection = XOpenDisplay(display.c_str());
    if (!connection)
        return false;
    const Atom check = XInternAtom(connection, "_NET_SUPPORTING_WM_CHECK", True);
    bool found = false;
    if (check != None) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(connection, DefaultRootWindow(connection), check, 0, 1, False,
                               XA_WINDOW, &type, &format, &items, &remaining, &data) == Success) {
            found = items == 1;
            XFree(data);
        }
    }
    XCloseDisplay(connection);
    return found;
}

void stop(pid_t& pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
}

} // namespace

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

    // Xvfb picks a free display itself and writes its number to the descriptor.
    int fds[2];
    if (pipe(fds) != 0) {
        error = "cannot create a pipe";
        return false;
    }
    m_server = fork();
    if (m_server == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten",
               "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (m_server < 0 || number.empty()) {
        error = "Xvfb did not start (is the xvfb package installed?)";
        return false;
    }
    m_display = ":" + number;

    m_windowManager = fork();
    if (m_windowManager == 0) {
        setenv("DISPLAY", m_display.c_str(), 1);
        setenv("HOME", m_directory.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_directory + "/config").c_str(), 1);
        execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int waited = 0; waited < 100; ++waited) {
        if (windowManagerRuns(m_display))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    error = "openbox did not start on " + m_display;
    return false;
}

std::string runOnDisplay(const std::string& display, const std::string& command) {
    std::string output;
    const std::string full = "DISPLAY=" + display + " " + command + " 2>/dev/null";
    if (FILE* pipe = popen(full.c_str(), "r")) {
        char buffer[4096];
        while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, n);
        pclose(pipe);
    }
    return output;
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

WindowGeometry windowGeometry(const std::string& display, const std::string& windowId) {
    WindowGeometry g;
    std::istringstream lines(runOnDisplay(display, "xwininfo -id " + windowId));
    for (std::string line; std::getline(lines, line);) {
        auto value = [&](const char* key, int& out) {
            const auto at = line.find(key);
            if (at != std::string::npos)
                out = std::stoi(line.substr(at + std::strlen(key)));
        };
        value("Absolute upper-left X:", g.x);
        value("Absolute upper-left Y:", g.y);
        value("Width:", g.width);
        value("Height:", g.height);
        if (line.find("Map State: IsViewable") != std::string::npos)
            g.viewable = true;
    }
    return g;
}

} // namespace quietlane::testing
