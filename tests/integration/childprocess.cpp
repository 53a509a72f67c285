// SPDX-License-Identifier: GPL-3.0-or-later
#include "childprocess.h"

#include <csignal>
#include <cstdio>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quietlane::testing {

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

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

} // namespace quietlane::testing
