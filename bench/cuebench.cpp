// SPDX-License-Identifier: GPL-3.0-or-later
// The sound cue on a private PulseAudio with a null sink: from MicrophoneController::setMuted
// until the cue's sample starts playing (a new sink input, as another client sees it),
// next to the mute itself (setMuted until the confirmed state is back on the main thread),
// with the cues on and off in alternating blocks of the same run. A mute made while the
// previous cue still plays is part of the "on" figures; the cue must not slow it down.
#include "../tests/integration/soundserver.h"

#include "audio/pulse/pulseserver.h"
#include "audio/pulse/pulsesoundcues.h"
#include "base/preferences.h"
#include "control/microphonecontroller.h"
#include "cues/soundcuecontroller.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <pulse/context.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

using namespace quietlane;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr int kRounds = 10;
constexpr int kPerBlock = 20;

// Another client of the server, told of every sink input that comes and goes.
class SinkInputWatch {
public:
    SinkInputWatch() {
        m_loop = pa_threaded_mainloop_new();
        m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "cue-bench-watch");
        pa_context_set_state_callback(m_context, &SinkInputWatch::state, this);
        pa_context_set_subscribe_callback(m_context, &SinkInputWatch::event, this);
        pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
        pa_threaded_mainloop_start(m_loop);
    }
    ~SinkInputWatch() {
        pa_threaded_mainloop_stop(m_loop);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        pa_threaded_mainloop_free(m_loop);
    }

    /// When the next sink input after `seen` appeared; nothing after 5 s.
    std::optional<Clock::time_point> waitForNew(std::size_t seen) {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_for(lock, 5s, [&] { return m_started.size() > seen; }))
            return std::nullopt;
        return m_started[seen];
    }
    std::size_t started() {
        const std::lock_guard lock(m_mutex);
        return m_started.size();
    }
    bool waitUntilNonePlays() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 5s, [&] { return m_playing == 0; });
    }

private:
    static void state(pa_context* context, void*) {
        if (pa_context_get_state(context) == PA_CONTEXT_READY)
            pa_operation_unref(
                pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr));
    }
    static void event(pa_context*, pa_subscription_event_type_t type, std::uint32_t, void* self) {
        auto* watch = static_cast<SinkInputWatch*>(self);
        const auto now = Clock::now();
        const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        {
            const std::lock_guard lock(watch->m_mutex);
            if (kind == PA_SUBSCRIPTION_EVENT_NEW) {
                watch->m_started.push_back(now);
                ++watch->m_playing;
            } else if (kind == PA_SUBSCRIPTION_EVENT_REMOVE) {
                --watch->m_playing;
            }
        }
        watch->m_changed.notify_all();
    }

    pa_threaded_mainloop* m_loop;
    pa_context* m_context;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Clock::time_point> m_started;
    int m_playing = 0;
};

bool waitUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

double ms(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

struct Percentiles {
    double p50, p99;
};

Percentiles percentiles(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    auto at = [&](double q) {
        return values[std::size_t(q * double(values.size() - 1))];
    };
    return {at(0.50), at(0.99)};
}

void print(const char* what, const std::vector<double>& values) {
    const Percentiles p = percentiles(values);
    std::printf("  %-44s p50 %7.2f ms  p99 %7.2f ms  (n=%zu)\n", what, p.p50, p.p99, values.size());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    std::unique_ptr<testing::SoundServer> server;
    try {
        server = std::make_unique<testing::SoundServer>(testing::SoundServerKind::pulseAudio);
        server->addSink("bench_speakers");
        server->pactl("set-default-sink bench_speakers");
        server->addSource("bench_mic", "BenchMic", 1);
        server->pactl("set-default-source bench_mic");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "skipped: %s\n", error.what());
        return 0;
    }
    QTemporaryDir dir;
    Preferences preferences(dir.filePath("preferences.json").toStdString());
    preferences.setBool("soundCues", true);
    PulseServer pulse;
    PulseSoundCues player;
    MicrophoneController mic(pulse, preferences);
    SoundCueController cues(player, preferences);
    cues.observe(mic);
    SinkInputWatch watch;
    if (!waitUntil([&] { return mic.hasActiveDeviceName(); }) ||
        !player.waitUntilUploaded(std::chrono::seconds(5))) {
        std::fprintf(stderr, "no microphone or no cues on the private server\n");
        return 1;
    }

    std::vector<double> muteOn, muteOff, cueStart;
    for (int round = 0; round < kRounds; ++round) {
        for (const bool on : {true, false}) {
            cues.setEnabled(on);
            for (int i = 0; i < kPerBlock; ++i) {
                const std::size_t seen = watch.started();
                const bool wanted = !mic.isMuted();
                const auto start = Clock::now();
                mic.setMuted(wanted);
                if (!waitUntil([&] { return mic.isMuted() == wanted; })) {
                    std::fprintf(stderr, "the mute was not confirmed\n");
                    return 1;
                }
                (on ? muteOn : muteOff).push_back(ms(Clock::now() - start));
                if (on) {
                    // Played from the cue's timer on this thread: keep the loop turning.
                    if (!waitUntil([&] { return watch.started() > seen; })) {
                        std::fprintf(stderr, "the cue did not play\n");
                        return 1;
                    }
                    cueStart.push_back(ms(*watch.waitForNew(seen) - start));
                } else {
                    // The same pace, and the same way of waiting, as with the cues on.
                    const auto until = Clock::now() + kCueLength + 5ms;
                    waitUntil([&] { return Clock::now() >= until; });
                }
            }
            watch.waitUntilNonePlays();
        }
    }
    print("mute, cues on (setMuted -> state on main)", muteOn);
    print("mute, cues off", muteOff);
    print("cue: setMuted -> sample playing", cueStart);
    std::vector<double> serverPart;
    for (double value : cueStart)
        serverPart.push_back(value - double(kCueLength.count()));
    print("  of which past the 90 ms stand window", serverPart);
    const double ratio = percentiles(muteOn).p50 / percentiles(muteOff).p50;
    std::printf("  mute p50 ratio, cues on / off: %.3f (target <= 1.05) %s\n", ratio,
                ratio <= 1.05 ? "ok" : "OVER");
    return 0;
}
