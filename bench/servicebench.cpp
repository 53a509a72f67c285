// SPDX-License-Identifier: GPL-3.0-or-later
// Figures for the mute path as the user meets it: MicrophoneController::setMuted on the
// main thread until the new state is back on the main thread, on the simulated server and on
// a private sound server; and the cost of one state computation for 1, 8 and 64 devices.
// Usage: quietlane_service_bench [sim|pulseaudio|pipewire]...   (default: all three)
#include "../tests/integration/soundserver.h"

#include "audio/audiodeviceservice.h"
#include "audio/pulse/pulseserver.h"
#include "audio/simulatedserver.h"
#include "base/preferences.h"
#include "control/microphonecontroller.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace quietlane;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRoundTrips = 2000;

double since(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

void printPercentiles(const char* what, std::vector<double> microseconds) {
    std::sort(microseconds.begin(), microseconds.end());
    auto at = [&](double q) {
        return microseconds[std::size_t(q * double(microseconds.size() - 1))];
    };
    std::printf("  %-40s p50 %8.1f us  p99 %8.1f us  max %8.1f us  (n=%zu)\n", what, at(0.50),
                at(0.99), microseconds.back(), microseconds.size());
}

// Waits on the event loop itself, so the figure includes the wake-up of an idle main thread.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

bool measureRoundTrips(const char* what, AudioServer& audio, Preferences& preferences,
                       const std::function<void()>& externalToggle = {}) {
    MicrophoneController controller(audio, preferences);
    if (!waitUntil([&] { return controller.hasActiveDeviceName(); })) {
        std::fprintf(stderr, "%s: no state from the service\n", what);
        return false;
    }
    std::vector<double> samples;
    samples.reserve(kRoundTrips);
    for (int i = 0; i < kRoundTrips; ++i) {
        const bool wanted = !controller.isMuted();
        const auto start = Clock::now();
        controller.setMuted(wanted);
        if (!waitUntil([&] { return controller.isMuted() == wanted; })) {
            std::fprintf(stderr, "%s: the state did not follow after %d round trips\n", what, i);
            return false;
        }
        samples.push_back(since(start));
        // Let the notifications of this write settle so each sample starts from rest.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    printPercentiles(what, std::move(samples));
    if (externalToggle) {
        // Another application flips the mute: the published state must follow it.
        const bool before = controller.isMuted();
        const auto start = Clock::now();
        externalToggle();
        const bool followed = waitUntil([&] { return controller.isMuted() != before; });
        std::printf("  %-40s %s after %.1f us (includes starting pactl)\n", "external mute change",
                    followed ? "followed" : "NOT FOLLOWED", since(start));
        return followed;
    }
    return true;
}

void benchSimulated(Preferences& preferences) {
    std::printf("simulated server\n");
    SimulatedServer simulated;
    simulated.setDefaultInput(simulated.addDevice(SimulatedDevice::withMute("bench-mic")));
    measureRoundTrips("setMuted -> state on main (hw mute)", simulated, preferences);
    SimulatedServer fallback;
    fallback.setDefaultInput(
        fallback.addDevice(SimulatedDevice::withVolumes("bench-volume", {{0, 0.7f}})));
    // Each mute and unmute here waits for the snapshot to reach the disk.
    measureRoundTrips("setMuted -> state on main (volume)", fallback, preferences);

    for (int count : {1, 8, 64}) {
        SimulatedServer many;
        for (int i = 0; i < count; ++i) {
            const std::string uid = "mic-" + std::to_string(i);
            (many.addDevice(
                i % 2 ? SimulatedDevice::withMute(uid)
                      : SimulatedDevice::withVolumes(uid, {{0, 0.5f}, {1, 0.5f}, {2, 0.5f}}, {2})));
        }
        const ServerState snapshot = many.state();
        const auto targets = resolveTargets(snapshot, DeviceSelection::allInputs());
        std::vector<double> samples;
        for (int run = 0; run < 500; ++run) {
            const auto start = Clock::now();
            const MicState state =
                AudioDeviceService::computeState(snapshot, DeviceSelection::allInputs(), targets);
            samples.push_back(since(start));
            if (state.devices.size() != std::size_t(count))
                std::fprintf(stderr, "computeState saw %zu devices\n", state.devices.size());
        }
        const std::string what = "computeState, allInputs, " + std::to_string(count) + " devices";
        printPercentiles(what.c_str(), std::move(samples));
    }
}

void benchServer(testing::SoundServerKind kind, Preferences& preferences) {
    std::printf("%s (private server)\n", testing::SoundServer::kindName(kind));
    std::unique_ptr<testing::SoundServer> server;
    try {
        server = std::make_unique<testing::SoundServer>(kind);
        server->addSource("bench_mic", "BenchMic", 1);
        server->pactl("set-default-source bench_mic");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "  skipped: %s\n", error.what());
        return;
    }
    PulseServer pulse;
    std::string error;
    if (!pulse.waitUntilReady(std::chrono::seconds(5), &error)) {
        std::fprintf(stderr, "  skipped: %s\n", error.c_str());
        return;
    }
    measureRoundTrips("setMuted -> state on main (hw mute)", pulse, preferences,
                      [&] { server->pactl("set-source-mute bench_mic toggle"); });
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QTemporaryDir dir;
    Preferences preferences(dir.filePath("preferences.json").toStdString());

    std::vector<std::string> runs(argv + 1, argv + argc);
    if (runs.empty())
        runs = {"sim", "pulseaudio", "pipewire"};
    for (const std::string& run : runs) {
        if (run == "sim")
            benchSimulated(preferences);
        else if (run == "pulseaudio")
            benchServer(testing::SoundServerKind::pulseAudio, preferences);
        else if (run == "pipewire")
            benchServer(testing::SoundServerKind::pipeWire, preferences);
        else
            std::fprintf(stderr, "unknown run '%s' (sim, pulseaudio or pipewire)\n", run.c_str());
    }
    return 0;
}
