// SPDX-License-Identifier: GPL-3.0-or-later
// Figures for the sound server backend on a private server: the mute round trip against
// a bare libpulse client (the floor) and a pactl process, the cost of a full state read,
// and the idle cost of a connected backend. Usage: quietlane_pulse_bench pulseaudio|pipewire
#include "../tests/integration/soundserver.h"

#include "audio/pulse/pulseserver.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/thread-mainloop.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

using namespace quietlane;
using namespace quietlane::testing;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kToggles = 1000;
constexpr auto kQuiet = std::chrono::milliseconds(5);
constexpr int kPactlRuns = 200;

struct Percentiles {
    double p50;
    double p99;
};

Percentiles percentiles(std::vector<double> microseconds) {
    std::sort(microseconds.begin(), microseconds.end());
    auto at = [&](double q) {
        return microseconds[std::size_t(q * double(microseconds.size() - 1))];
    };
    return {at(0.50), at(0.99)};
}

double since(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

void print(const char* what, Percentiles figures, Percentiles floor) {
    std::printf("  %-34s p50 %9.1f us  p99 %9.1f us   (x%.2f / x%.2f of the floor)\n", what,
                figures.p50, figures.p99, figures.p50 / floor.p50, figures.p99 / floor.p99);
}

// The least a client can do: set the mute by name and wait for the server's answer.
class BareClient {
public:
    BareClient() : m_mainloop(pa_threaded_mainloop_new()) {
        m_context = pa_context_new(pa_threaded_mainloop_get_api(m_mainloop), "bench");
        pa_context_set_state_callback(m_context, &BareClient::wake, this);
        pa_threaded_mainloop_lock(m_mainloop);
        pa_threaded_mainloop_start(m_mainloop);
        pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
        while (pa_context_get_state(m_context) != PA_CONTEXT_READY)
            pa_threaded_mainloop_wait(m_mainloop);
        pa_threaded_mainloop_unlock(m_mainloop);
    }
    ~BareClient() {
        pa_threaded_mainloop_lock(m_mainloop);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        pa_threaded_mainloop_unlock(m_mainloop);
        pa_threaded_mainloop_stop(m_mainloop);
        pa_threaded_mainloop_free(m_mainloop);
    }
    BareClient(const BareClient&) = delete;
    BareClient& operator=(const BareClient&) = delete;

    /// Microseconds from the request to its answer.
    double setMuted(const std::string& source, bool muted) {
        pa_threaded_mainloop_lock(m_mainloop);
        m_done = false;
        const auto start = Clock::now();
        pa_operation* operation = pa_context_set_source_mute_by_name(
            m_context, source.c_str(), muted ? 1 : 0,
            [](pa_context* context, int, void* self) { wake(context, self); }, this);
        while (!m_done)
            pa_threaded_mainloop_wait(m_mainloop);
        const double elapsed = since(start);
        pa_operation_unref(operation);
        pa_threaded_mainloop_unlock(m_mainloop);
        return elapsed;
    }

private:
    static void wake(pa_context*, void* self) {
        auto* client = static_cast<BareClient*>(self);
        client->m_done = true;
        pa_threaded_mainloop_signal(client->m_mainloop, 0);
    }

    pa_threaded_mainloop* m_mainloop;
    pa_context* m_context = nullptr;
    bool m_done = false;
};

struct RoundTrips {
    Percentiles floor, confirmed, notified;
};

// The bare client on a source of its own and the backend take turns, each going first every
// other time, so both meet the same load on a shared machine and the ratio holds. Each write
// starts from a quiet connection, as a press does: the backend reads back every source that
// changes, and a write sent right behind such a read waits for it on the server.
std::optional<RoundTrips> roundTrips(PulseServer& pulse) {
    BareClient bare;
    std::mutex mutex;
    std::condition_variable heard;
    Clock::time_point heardAt;
    std::optional<bool> muted;
    const int watch = pulse.watch([&](const ServerState& state) {
        const Source* mic = state.find("mic1");
        std::lock_guard lock(mutex);
        if (mic && mic->muted != muted) {
            muted = mic->muted;
            heardAt = Clock::now();
            heard.notify_one();
        }
    });
    muted = pulse.state().find("mic1")->muted;
    std::vector<double> floor, confirmed, notified;
    auto backendToggle = [&](bool wanted) {
        std::promise<void> answered;
        const auto start = Clock::now();
        pulse.setMuted("mic1", wanted,
                       [&answered](std::optional<SoundError>) { answered.set_value(); });
        answered.get_future().wait();
        confirmed.push_back(since(start));
        std::unique_lock lock(mutex);
        // A lost notification must end the benchmark with a reason, never hang it.
        if (!heard.wait_for(lock, std::chrono::seconds(2), [&] { return muted == wanted; }))
            return false;
        notified.push_back(std::chrono::duration<double, std::micro>(heardAt - start).count());
        return true;
    };
    for (int toggle = 0; toggle < kToggles; ++toggle) {
        const bool wanted = toggle % 2 == 0;
        std::this_thread::sleep_for(kQuiet);
        if (toggle % 4 == 0 || toggle % 4 == 3)
            floor.push_back(bare.setMuted("mic2", wanted));
        std::this_thread::sleep_for(kQuiet);
        if (!backendToggle(wanted)) {
            pulse.unwatch(watch);
            std::fprintf(stderr, "no state within 2 s of write %d\n", toggle + 1);
            return std::nullopt;
        }
        if (toggle % 4 == 1 || toggle % 4 == 2) {
            std::this_thread::sleep_for(kQuiet);
            floor.push_back(bare.setMuted("mic2", wanted));
        }
    }
    pulse.unwatch(watch);
    return RoundTrips{percentiles(floor), percentiles(confirmed), percentiles(notified)};
}

Percentiles pactlRoundTrip(const std::string& source) {
    std::vector<double> samples;
    const char* argv[] = {"pactl", "set-source-mute", source.c_str(), "toggle", nullptr};
    for (int run = 0; run < kPactlRuns; ++run) {
        const auto start = Clock::now();
        pid_t child = 0;
        posix_spawnp(&child, "pactl", nullptr, nullptr, const_cast<char**>(argv), environ);
        int status = 0;
        waitpid(child, &status, 0);
        samples.push_back(since(start));
    }
    return percentiles(samples);
}

void fullStateRead(PulseServer& pulse, SoundServer& server, int& loaded, int sources) {
    for (; loaded < sources; ++loaded)
        server.addSource("bench" + std::to_string(loaded), "Bench");
    eventually([&] { return pulse.state().sources.size() >= std::size_t(sources); });
    std::vector<double> samples;
    std::size_t sink = 0;
    std::size_t devices = 0;
    for (int repeat = 0; repeat < 2000; ++repeat) {
        const auto start = Clock::now();
        const ServerState state = pulse.state();
        devices = state.sources.size();
        for (const Source& source : state.sources)
            sink += source.channels + source.name.size() + (source.canMute() ? 1 : 0);
        samples.push_back(since(start));
    }
    const Percentiles figures = percentiles(samples);
    std::printf("  %3zu devices: p50 %8.1f us  p99 %8.1f us  (%zu)\n", devices, figures.p50,
                figures.p99, sink % 10);
}

long contextSwitches() {
    long total = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.starts_with("voluntary_ctxt_switches:") ||
                line.starts_with("nonvoluntary_ctxt_switches:"))
                total += std::stol(line.substr(line.find(':') + 1));
        }
    }
    return total;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    const SoundServerKind kind = argc > 1 && std::string(argv[1]) == "pipewire"
                                     ? SoundServerKind::pipeWire
                                     : SoundServerKind::pulseAudio;
    SoundServer server(kind);
    server.addSource("mic1", "BenchMic");
    server.addSource("mic2", "FloorMic");
    std::printf("%s\n", SoundServer::kindName(kind));

    PulseServer pulse;
    std::string error;
    if (!pulse.waitUntilReady(std::chrono::seconds(5), &error)) {
        std::fprintf(stderr, "cannot reach the private server: %s\n", error.c_str());
        return 1;
    }
    eventually([&] { return pulse.state().find("mic1") != nullptr; });

    std::printf("mute round trip, %d toggles\n", kToggles);
    const auto result = roundTrips(pulse);
    if (!result)
        return 1;
    const auto& [floor, confirmed, notified] = *result;
    const Percentiles pactl = pactlRoundTrip("mic1");
    print("bare libpulse client (floor)", floor, floor);
    print("backend write to confirmation", confirmed, floor);
    print("backend write to new state", notified, floor);
    print("pactl process", pactl, floor);

    std::printf("full state read (every source's snapshot)\n");
    int loaded = 2;
    for (int sources : {2, 8, 64})
        fullStateRead(pulse, server, loaded, sources);

    std::printf("idle, 10 s connected\n");
    const double cpuBefore = cpuSeconds();
    const long switchesBefore = contextSwitches();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    std::printf("  CPU %.1f ms, context switches %ld (all threads, including this sleep)\n",
                (cpuSeconds() - cpuBefore) * 1000.0, contextSwitches() - switchesBefore);
    return 0;
}
