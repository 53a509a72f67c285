// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quietlane::testing {

/// A private X server (Xvfb on a free display) with openbox managing it, so that windows
/// get focus and decorations as on a desktop. Nothing of the user's session is touched.
class XSession {
public:
    XSession() = default;
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    /// Starts both and waits until the window manager runs; false with a reason in
    /// `error` when either cannot start.
    bool start(std::string& error);
    /// ":N", for DISPLAY.
    const std::string& display() const { return m_display; }

private:
    /// Starts Xvfb on the first display number it can lock; false if none.
    bool startServer();

    std::string m_directory;
    std::string m_display;
    pid_t m_server = -1;
    pid_t m_windowManager = -1;
};

/// Runs a shell command; its standard output, and its exit code in `status` if given.
std::string runCommand(const std::string& command, int* status = nullptr);
/// Runs a shell command with DISPLAY set to `display`; its standard output.
std::string runOnDisplay(const std::string& display, const std::string& command);
/// The ids of the windows that `xdotool search <arguments>` finds on `display`.
std::vector<std::string> searchWindows(const std::string& display, const std::string& arguments);

/// A child process, killed at the end of the scope if it is still running.
class ChildProcess {
public:
    /// Forks and runs `exec` in the child, which replaces it with a program; with
    /// `readOutput` the child's standard output is kept for `line()`.
    explicit ChildProcess(const std::function<void()>& exec, bool readOutput = false);
    /// Runs the program `argv[0]` (searched in PATH) with `argv`.
    explicit ChildProcess(const std::vector<std::string>& argv, bool readOutput = false);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }
    /// The exit status once the process has ended by itself, or -1 if it did not in time.
    int wait(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    /// Sends `signal`; the exit status, or -1 if the process did not end in time.
    int stop(int signal = SIGTERM, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    /// The next line of the standard output, "<timeout>" or "<closed>".
    std::string line(std::chrono::milliseconds timeout = std::chrono::seconds(5));

private:
    pid_t m_pid = -1;
    int m_output = -1;
    std::string m_buffer;
};

/// In a child process: becomes Quietlane on the simulated sound server with the devices
/// that `devices` lists, `home` as its home and its config/ and run/ as its XDG dirs.
[[noreturn]] void execSimulatedQuietlane(const std::string& binary,
                                         const std::filesystem::path& home,
                                         const std::filesystem::path& devices);

/// Where a window is on the screen, as xwininfo reports it.
struct WindowGeometry {
    int x = -1, y = -1, width = 0, height = 0;
    bool viewable = false;
    int right() const { return x + width; }
    int bottom() const { return y + height; }
};
WindowGeometry windowGeometry(const std::string& display, const std::string& windowId);

/// Polls `condition` every 50 ms until it holds or `timeout` has passed.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

} // namespace quietlane::testing
