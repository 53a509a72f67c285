// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up time to the widget's first paint, idle memory and idle CPU of the real program
// on a private X desktop with simulated devices. Build without sanitizers for figures that
// mean anything.
#include "../tests/integration/xsession.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

long statusField(pid_t pid, const std::string& key) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(key + ":", 0) == 0)
            return std::stol(line.substr(key.size() + 1));
    }
    return -1;
}

// utime + stime of the whole process, in clock ticks.
long cpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), {});
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14)
            utime = std::stol(field);
        if (i == 15) {
            stime = std::stol(field);
            break;
        }
    }
    return utime + stime;
}

// Wake-ups of every thread: each voluntary context switch is one sleep ended.
long wakeups(pid_t pid) {
    long total = 0;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task"))
        total += statusField(std::stoi(task.path().filename()), "voluntary_ctxt_switches");
    return total;
}

} // namespace

int main(int argc, char** argv) {
    const char* binary = argc > 1 ? argv[1] : QUIETLANE_BINARY;
    quietlane::testing::XSession session;
    std::string error;
    if (!session.start(error)) {
        std::cerr << "startupbench: " << error << '\n';
        return 1;
    }
    char pattern[] = "/tmp/quietlane-bench-XXXXXX";
    const fs::path home = mkdtemp(pattern);
    std::ofstream(home / "devices.json")
        << R"({"default": "mic", "devices": [{"uid": "mic", "name": "Mic", "mute": false}]})";

    int fds[2];
    if (pipe(fds) != 0)
        return 1;
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDERR_FILENO);
        close(fds[0]);
        setenv("DISPLAY", session.display().c_str(), 1);
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (home / "run").c_str(), 1);
        setenv("QUIETLANE_SIM_DEVICES", (home / "devices.json").c_str(), 1);
        setenv("QT_LOGGING_RULES", "quietlane.panel.debug=true", 1);
        unsetenv("QT_QPA_PLATFORM");
        execl(binary, "quietlane", "--audio-backend=sim", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    FILE* errors = fdopen(fds[0], "r");
    char line[1024];
    bool painted = false;
    while (fgets(line, sizeof line, errors)) {
        if (std::string(line).find("widget first painted") != std::string::npos) {
            painted = true;
            break;
        }
    }
    const auto paintedAt = Clock::now();
    if (!painted) {
        std::cerr << "startupbench: the widget was never painted\n";
        return 1;
    }
    // Keep draining the program's stderr so it never blocks on a full pipe.
    std::thread([errors] {
        char rest[1024];
        while (fgets(rest, sizeof rest, errors)) {
        }
    }).detach();

    std::this_thread::sleep_for(3s);
    const long rssKb = statusField(pid, "VmRSS");
    const long ticksBefore = cpuTicks(pid);
    const long wakeupsBefore = wakeups(pid);
    std::this_thread::sleep_for(10s);
    const long ticks = cpuTicks(pid) - ticksBefore;
    const long wakes = wakeups(pid) - wakeupsBefore;

    const double ms = std::chrono::duration<double, std::milli>(paintedAt - start).count();
    std::printf("start to first widget paint: %.0f ms\n", ms);
    std::printf("idle resident memory:        %.1f MB\n", rssKb / 1024.0);
    std::printf("idle CPU over 10 s:          %.2f %% (%ld ticks)\n",
                100.0 * double(ticks) / double(sysconf(_SC_CLK_TCK)) / 10.0, ticks);
    std::printf("idle wake-ups over 10 s:     %ld (all threads)\n", wakes);

    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    fs::remove_all(home);
    return 0;
}
