// SPDX-License-Identifier: GPL-3.0-or-later
#include "xsession.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
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

std::string runCommand(const std::string& command, int* status) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return output;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    const int code = pclose(pipe);
    if (status)
        *status = WIFEXITED(code) ? WEXITSTATUS(code) : -1;
    return output;
}

std::string runOnDisplay(const std::string& display, const std::string& command) {
    return runCommand("DISPLAY=" + display + " " + command + " 2>/dev/null");
}

std::vector<std::string> searchWindows(const std::string& display, const std::string& arguments) {
    std::vector<std::string> ids;
    std::istringstream lines(runOnDisplay(display, "xdotool search " + arguments));
    for (std::string id; std::getline(lines, id);)
        ids.push_back(id);
    return ids;
}

ChildProcess::ChildProcess(const std::function<void()>& exec, bool readOutput) {
    int ends[2] = {-1, -1};
    if (readOutput && pipe(ends) != 0)
        return;
    m_pid = fork();
    if (m_pid == 0) {
        if (readOutput) {
            dup2(ends[1], STDOUT_FILENO);
            close(ends[0]);
        }
        exec();
        _exit(127);
    }
    if (readOutput) {
        close(ends[1]);
        m_output = ends[0];
    }
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, bool readOutput)
    : ChildProcess(
          [&argv] {
              std::vector<char*> pointers;
              for (const auto& part : argv)
                  pointers.push_back(const_cast<char*>(part.c_str()));
              pointers.push_back(nullptr);
              execvp(pointers[0], pointers.data());
          },
          readOutput) {}

ChildProcess::~ChildProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    if (m_output >= 0)
        close(m_output);
}

int ChildProcess::wait(std::chrono::milliseconds timeout) {
    int status = 0;
    if (m_pid <= 0 ||
        !waitUntil([&] { return waitpid(m_pid, &status, WNOHANG) == m_pid; }, timeout))
        return -1;
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int ChildProcess::stop(int signal, std::chrono::milliseconds timeout) {
    if (m_pid > 0)
        kill(m_pid, signal);
    return wait(timeout);
}

std::string ChildProcess::line(std::chrono::milliseconds timeout) {
    for (;;) {
        if (const auto newline = m_buffer.find('\n'); newline != std::string::npos) {
            std::string line = m_buffer.substr(0, newline);
            m_buffer.erase(0, newline + 1);
            return line;
        }
        pollfd ready{m_output, POLLIN, 0};
        if (poll(&ready, 1, int(timeout.count())) <= 0)
            return "<timeout>";
        char chunk[1024];
        const ssize_t got = read(m_output, chunk, sizeof chunk);
        if (got <= 0)
            return "<closed>";
        m_buffer.append(chunk, std::size_t(got));
    }
}

void execSimulatedQuietlane(const std::string& binary, const std::filesystem::path& home,
                            const std::filesystem::path& devices) {
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home / "run").c_str(), 1);
    setenv("QUIETLANE_SIM_DEVICES", devices.c_str(), 1);
    setenv("LANG", "C.UTF-8", 1);
    unsetenv("QT_QPA_PLATFORM");
    execl(binary.c_str(), "quietlane", "--audio-backend=sim", static_cast<char*>(nullptr));
    _exit(127);
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
