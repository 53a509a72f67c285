// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <csignal>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quietlane::testing {

/// Runs a shell command; its standard output, and its exit code in `status` if given.
std::string runCommand(const std::string& command, int* status = nullptr);

/// A child process, killed at the end of the scope if it is still running.
class ChildProcess {
public:
    /// Forks and runs `exec` in the child, which replaces it with a program; with
    /// `readOutput` the child's standard output is kept for `line()`.
    explicit ChildProcess(const std::function<void()>& exec, bool readOutput = false);
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

/// Polls `condition` every 50 ms until it holds or `timeout` has passed.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

} // namespace quietlane::testing
