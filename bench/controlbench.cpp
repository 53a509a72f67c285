// SPDX-License-Identifier: GPL-3.0-or-later
// The command line and D-Bus, measured from the request to the source's mute changing
// on a private PulseAudio (as another client sees it): a `quietlane --toggle` process
// next to a `pactl set-source-mute` process, interleaved in the same run, and a D-Bus
// Toggle call. The running program sits on a private X server and session bus; run this
// under dbus-run-session (scripts/bench.sh does).
#include "../tests/integration/soundserver.h"
#include "../tests/integration/xsession.h"

#include "audio/pulse/pulseserver.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace quietlane;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRuns = 200;

struct Percentiles {
    double p50, p99;
};

Percentiles percentiles(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    auto at = [&](double q) {
        return ms[std::size_t(q * double(ms.size() - 1))];
    };
    return {at(0.50), at(0.99)};
}

// Tells when the source's mute, as the server reports it to another client, changes.
class MuteObserver {
public:
    MuteObserver(PulseServer& pulse, std::string mic) : m_pulse(pulse), m_mic(std::move(mic)) {
        m_watch = m_pulse.watch([this](const ServerState&) {
            { const std::lock_guard lock(m_mutex); }
            m_changed.notify_all();
        });
    }
    ~MuteObserver() { m_pulse.unwatch(m_watch); }
    bool muted() {
        const ServerState state = m_pulse.state();
        const Source* source = state.find(m_mic);
        return source && source->muted;
    }
    bool waitFor(bool muted) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(5),
                                  [&] { return this->muted() == muted; });
    }

private:
    PulseServer& m_pulse;
    std::string m_mic;
    int m_watch = -1;
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

pid_t spawn(std::vector<const char*> argv) {
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    posix_spawnp(&child, argv[0], &quiet, nullptr, const_cast<char**>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&quiet);
    return child;
}

// A toggle builds on the state the instance last heard of; a change made by another
// client a moment earlier may not have reached it yet. Waiting (untimed) for it to agree
// keeps every timed run a real flip.
void waitUntilInstanceAgrees(sd_bus* bus, bool muted) {
    for (int attempt = 0; attempt < 2000; ++attempt) {
        int value = -1;
        sd_bus_error failure = SD_BUS_ERROR_NULL;
        sd_bus_get_property_trivial(bus, "com.quietlane.Quietlane", "/com/quietlane/Quietlane",
                                    "com.quietlane.Quietlane", "Muted", &failure, 'b', &value);
        sd_bus_error_free(&failure);
        if (value == int(muted))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

int waitExit(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// From the process start to the flip seen by another client.
double timedProcess(MuteObserver& observer, std::vector<const char*> argv) {
    const bool wanted = !observer.muted();
    const auto start = Clock::now();
    const pid_t child = spawn(std::move(argv));
    const bool seen = observer.waitFor(wanted);
    const double ms = msSince(start);
    waitExit(child);
    return seen ? ms : 5000.0;
}

void print(const char* what, Percentiles figures) {
    std::printf("  %-40s p50 %7.2f ms  p99 %7.2f ms\n", what, figures.p50, figures.p99);
}

} // namespace

int main() {
    const char* busFromEnvironment = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string busAddress = busFromEnvironment ? busFromEnvironment : "";
    testing::SoundServer server(testing::SoundServerKind::pulseAudio);
    server.addSource("mic", "Mic");
    server.pactl("set-default-source mic");
    if (!busAddress.empty())
        setenv("DBUS_SESSION_BUS_ADDRESS", busAddress.c_str(), 1);
    testing::XSession session;
    std::string error;
    if (!session.start(error)) {
        std::fprintf(stderr, "cannot start the X session: %s\n", error.c_str());
        return 1;
    }
    setenv("DISPLAY", session.display().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (std::filesystem::path(server.directory()) / "config").c_str(), 1);

    const pid_t app = spawn({QUIETLANE_BINARY});
    const bool answered = testing::waitUntil(
        [] {
            return waitExit(spawn({QUIETLANE_BINARY, "--status"})) == 0;
        },
        std::chrono::seconds(10));
    PulseServer pulse;
    const bool ready = pulse.waitUntilReady(std::chrono::seconds(5), &error);
    if (!answered || !ready || !pulse.state().find("mic")) {
        std::fprintf(stderr, "the program or the server did not come up\n");
        kill(app, SIGTERM);
        waitExit(app);
        return 1;
    }
    MuteObserver observer(pulse, "mic");

    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) {
        std::fprintf(stderr, "no session bus: run this under dbus-run-session\n");
        kill(app, SIGTERM);
        waitExit(app);
        return 1;
    }
    std::vector<double> launcher, pactl, dbus;
    for (int run = 0; run < kRuns; ++run) {
        launcher.push_back(timedProcess(observer, {QUIETLANE_BINARY, "--toggle"}));
        waitUntilInstanceAgrees(bus, observer.muted());
        pactl.push_back(
            timedProcess(observer, {"pactl", "set-source-mute", "@DEFAULT_SOURCE@", "toggle"}));
        waitUntilInstanceAgrees(bus, observer.muted());
    }
    for (int run = 0; run < kRuns; ++run) {
        const bool wanted = !observer.muted();
        const auto start = Clock::now();
        sd_bus_error failure = SD_BUS_ERROR_NULL;
        sd_bus_call_method(bus, "com.quietlane.Quietlane", "/com/quietlane/Quietlane",
                           "com.quietlane.Quietlane", "Toggle", &failure, nullptr, "");
        sd_bus_error_free(&failure);
        dbus.push_back(observer.waitFor(wanted) ? msSince(start) : 5000.0);
        waitUntilInstanceAgrees(bus, wanted);
    }
    sd_bus_unref(bus);
    kill(app, SIGTERM);
    waitExit(app);

    const Percentiles ours = percentiles(launcher), theirs = percentiles(pactl);
    std::printf("  start of the process -> source mute flipped, %d runs each, interleaved\n",
                kRuns);
    print("quietlane --toggle (running instance)", ours);
    print("pactl set-source-mute @DEFAULT_SOURCE@", theirs);
    std::printf("  quietlane is x%.1f faster at p50 (goal: at least x3), x%.1f at p99\n",
                theirs.p50 / ours.p50, theirs.p99 / ours.p99);
    print("D-Bus Toggle call -> source mute flipped", percentiles(dbus));
    const auto missed = std::count(launcher.begin(), launcher.end(), 5000.0) +
                        std::count(dbus.begin(), dbus.end(), 5000.0);
    if (missed)
        std::printf("  %ld toggles did not flip the source within 5 s\n", long(missed));
    return 0;
}
