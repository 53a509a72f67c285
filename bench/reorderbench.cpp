// SPDX-License-Identifier: GPL-3.0-or-later
// Does the last of many back-to-back alternating mute writes win on a real server? For
// each server: a bare libpulse client that sends them without waiting (the server's own
// reordering shows here), the same client waiting for each answer before the next write
// (what the backend does), the backend given them all at once, and the audio device
// service given them as requests.
// Usage: quietlane_reorder_bench [pulseaudio|pipewire]...   (default: both)
#include "../tests/integration/soundserver.h"

#include "audio/audiodeviceservice.h"
#include "audio/pulse/pulseserver.h"
#include "audio/serialqueue.h"
#include "base/preferences.h"

#include <pulse/pulseaudio.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <string>

using namespace quietlane;
using namespace quietlane::testing;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kWrites = 2000;
constexpr int kRuns = 5;
const char* kSource = "mic1";

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool serverMuted(const SoundServer& server) {
    return server.pactl(std::string("get-source-mute ") + kSource).find("yes") != std::string::npos;
}

// Every write sent at once and only the last answer awaited, or each answer awaited.
void bareWrites(bool oneAtATime) {
    pa_mainloop* loop = pa_mainloop_new();
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "reorder-bench");
    pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
    while (pa_context_get_state(context) != PA_CONTEXT_READY &&
           PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))
        pa_mainloop_iterate(loop, 1, nullptr);
    pa_operation* last = nullptr;
    for (int i = 0; i < kWrites; ++i) {
        if (last)
            pa_operation_unref(last);
        last = pa_context_set_source_mute_by_name(context, kSource, i % 2, nullptr, nullptr);
        while (oneAtATime && pa_operation_get_state(last) == PA_OPERATION_RUNNING)
            pa_mainloop_iterate(loop, 1, nullptr);
    }
    while (last && pa_operation_get_state(last) == PA_OPERATION_RUNNING)
        pa_mainloop_iterate(loop, 1, nullptr);
    if (last)
        pa_operation_unref(last);
    pa_context_disconnect(context);
    pa_context_unref(context);
    pa_mainloop_free(loop);
}

void report(const char* what, int wins, double ms) {
    std::printf("  %-34s final state = last request in %d/%d runs  (%.0f ms per run)\n", what, wins,
                kRuns, ms / kRuns);
}

void run(SoundServerKind kind) {
    SoundServer server(kind);
    server.addSource(kSource, "First");
    server.pactl(std::string("set-default-source ") + kSource);
    std::printf("%s, %d back-to-back alternating writes, the last one mutes:\n",
                SoundServer::kindName(kind), kWrites);

    int wins = 0;
    Clock::time_point start;
    for (const bool oneAtATime : {false, true}) {
        wins = 0;
        start = Clock::now();
        for (int run = 0; run < kRuns; ++run) {
            server.pactl(std::string("set-source-mute ") + kSource + " 0");
            bareWrites(oneAtATime);
            std::this_thread::sleep_for(200ms);
            wins += serverMuted(server);
        }
        report(oneAtATime ? "bare client, each answer awaited" : "bare client, not waiting", wins,
               msSince(start));
    }

    PulseServer pulse;
    std::string error;
    if (!pulse.waitUntilReady(5s, &error)) {
        std::printf("  backend not ready: %s\n", error.c_str());
        return;
    }
    wins = 0;
    start = Clock::now();
    for (int run = 0; run < kRuns; ++run) {
        server.pactl(std::string("set-source-mute ") + kSource + " 0");
        std::promise<void> last;
        for (int i = 0; i < kWrites; ++i) {
            pulse.setMuted(kSource, i % 2 == 1, [&last, i](std::optional<SoundError>) {
                if (i == kWrites - 1)
                    last.set_value();
            });
        }
        last.get_future().wait();
        std::this_thread::sleep_for(200ms);
        wins += serverMuted(server);
    }
    report("backend, all given at once", wins, msSince(start));

    Preferences preferences(server.directory() + "/preferences.json");
    SerialQueue main("bench-main");
    AudioDeviceService service(pulse, preferences,
                               [&main](std::function<void()> task) { main.async(task); });
    const auto onMain = [&main](std::function<void()> call) {
        std::promise<void> done;
        main.async([&] {
            call();
            done.set_value();
        });
        done.get_future().wait();
    };
    service.start(DeviceSelection::systemDefault());
    wins = 0;
    start = Clock::now();
    for (int run = 0; run < kRuns; ++run) {
        for (int i = 0; i < kWrites; ++i)
            onMain([&] { service.setMuted(i % 2 == 1); });
        std::promise<void> settled;
        onMain([&] { service.afterPendingWork([&] { settled.set_value(); }); });
        settled.get_future().wait();
        std::this_thread::sleep_for(200ms);
        wins += serverMuted(server);
    }
    report("service requests", wins, msSince(start));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        run(SoundServerKind::pulseAudio);
        run(SoundServerKind::pipeWire);
        return 0;
    }
    for (int i = 1; i < argc; ++i)
        run(std::string(argv[i]) == "pipewire" ? SoundServerKind::pipeWire
                                               : SoundServerKind::pulseAudio);
    return 0;
}
