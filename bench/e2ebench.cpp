// SPDX-License-Identifier: GPL-3.0-or-later
// The shortcut as the user meets it, end to end: a key chord injected with XTest until a
// separate libpulse client (this program) sees the source's mute flip. The real program
// (HUD on, its defaults) and the least any program can do (quietlane_e2e_floor) run side
// by side on a private Xvfb and PulseAudio, each on a source and a key of its own, and
// their presses alternate, so both meet the same load and the ratio is what counts.
// Usage: quietlane_e2e_bench [presses per round] [rounds] [program, to compare builds]
#include "../tests/integration/childprocess.h"
#include "../tests/integration/keyinjector.h"
#include "../tests/integration/soundserver.h"
#include "../tests/integration/xsession.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace quietlane::testing;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

// A program under measurement on the bench's display, with the bench's configuration.
std::unique_ptr<ChildProcess> launch(const std::vector<std::string>& arguments,
                                     const std::string& display, const fs::path& configHome) {
    return std::make_unique<ChildProcess>(
        [&] {
            setenv("DISPLAY", display.c_str(), 1);
            setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
            unsetenv("QT_QPA_PLATFORM");
            std::vector<char*> argv;
            for (const auto& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
        },
        true);
}

// Sees the sources' mute flags the way any other client of the server does: through
// subscription events, each followed by a read of the source.
class MuteWatcher {
public:
    MuteWatcher() : m_mainloop(pa_threaded_mainloop_new()) {
        m_context = pa_context_new(pa_threaded_mainloop_get_api(m_mainloop), "e2e-probe");
        pa_context_set_state_callback(
            m_context, [](pa_context*, void* self) { static_cast<MuteWatcher*>(self)->signal(); },
            this);
        pa_context_connect(m_context, nullptr, PA_CONTEXT_NOFLAGS, nullptr);
        pa_threaded_mainloop_lock(m_mainloop);
        pa_threaded_mainloop_start(m_mainloop);
        while (PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)) &&
               pa_context_get_state(m_context) != PA_CONTEXT_READY)
            pa_threaded_mainloop_wait(m_mainloop);
        pa_context_set_subscribe_callback(m_context, &MuteWatcher::changed, this);
        pa_operation_unref(
            pa_context_subscribe(m_context, PA_SUBSCRIPTION_MASK_SOURCE, nullptr, nullptr));
        pa_operation_unref(pa_context_get_source_info_list(m_context, &MuteWatcher::info, this));
        pa_threaded_mainloop_unlock(m_mainloop);
    }
    ~MuteWatcher() {
        pa_threaded_mainloop_stop(m_mainloop);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        pa_threaded_mainloop_free(m_mainloop);
    }
    MuteWatcher(const MuteWatcher&) = delete;
    MuteWatcher& operator=(const MuteWatcher&) = delete;

    struct Sample {
        int muted = -1;
        Clock::time_point seenAt;
    };

    Sample current(const std::string& source) {
        std::lock_guard lock(m_mutex);
        return m_sources[source];
    }

    /// When the source's mute was first seen different from `muted`, or nothing within 1 s.
    std::optional<Clock::time_point> waitForFlip(const std::string& source, int muted) {
        std::unique_lock lock(m_mutex);
        if (!m_flipped.wait_for(lock, std::chrono::seconds(1),
                                [&] { return m_sources[source].muted != muted; }))
            return std::nullopt;
        return m_sources[source].seenAt;
    }

private:
    void signal() { pa_threaded_mainloop_signal(m_mainloop, 0); }

    static void changed(pa_context* context, pa_subscription_event_type_t type, uint32_t index,
                        void* self) {
        if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SOURCE)
            pa_operation_unref(
                pa_context_get_source_info_by_index(context, index, &MuteWatcher::info, self));
    }

    static void info(pa_context*, const pa_source_info* source, int eol, void* self) {
        if (eol || !source)
            return;
        // Stamped here, on the client's own thread, so the probe's wake-up is not counted.
        const auto now = Clock::now();
        auto* watcher = static_cast<MuteWatcher*>(self);
        {
            std::lock_guard lock(watcher->m_mutex);
            Sample& sample = watcher->m_sources[source->name];
            if (sample.muted != source->mute)
                sample = {source->mute, now};
        }
        watcher->m_flipped.notify_all();
    }

    pa_threaded_mainloop* m_mainloop;
    pa_context* m_context = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_flipped;
    std::map<std::string, Sample> m_sources;
};

struct Target {
    const char* label;
    std::string source;
    uint32_t keysym;
    std::vector<double> samples;
};

// One press and release of Ctrl+Alt+Super+key; the time until the flip is seen, in us.
std::optional<double> press(KeyInjector& keys, MuteWatcher& watcher, const Target& target) {
    const int before = watcher.current(target.source).muted;
    const auto start = Clock::now();
    keys.pressChord(target.keysym);
    keys.releaseChord(target.keysym);
    const auto seen = watcher.waitForFlip(target.source, before);
    if (!seen)
        return std::nullopt;
    return std::chrono::duration<double, std::micro>(*seen - start).count();
}

double percentile(std::vector<double> samples, double q) {
    std::sort(samples.begin(), samples.end());
    return samples[std::size_t(q * double(samples.size() - 1))];
}

} // namespace

int main(int argc, char** argv) {
    const int presses = argc > 1 ? std::max(20, std::atoi(argv[1])) : 200;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const std::string program = argc > 3 ? argv[3] : QUIETLANE_BINARY;
    XSession session;
    std::string error;
    if (!session.start(error)) {
        std::fprintf(stderr, "cannot start Xvfb: %s\n", error.c_str());
        return 1;
    }
    std::unique_ptr<SoundServer> server;
    try {
        server = std::make_unique<SoundServer>(SoundServerKind::pulseAudio);
        server->addSource("mic_app", "AppMic");
        server->addSource("mic_floor", "FloorMic");
        server->pactl("set-default-source mic_app");
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
    const fs::path config = fs::path(server->directory()) / "config";
    fs::create_directories(config);

    Target floor{"floor", "mic_floor", XKB_KEY_n, {}};
    Target app{"quietlane", "mic_app", XKB_KEY_m, {}};
    const auto floorProcess =
        launch({QUIETLANE_FLOOR_BINARY, floor.source, "n"}, session.display(), config);
    const auto appProcess = launch({program}, session.display(), config);
    if (floorProcess->line(std::chrono::seconds(20)).find("floor ready") == std::string::npos) {
        std::fprintf(stderr, "the floor program did not start\n");
        return 1;
    }
    MuteWatcher watcher;
    KeyInjector keys(session.display());
    if (!eventually([&] {
            return watcher.current(app.source).muted >= 0 &&
                   watcher.current(floor.source).muted >= 0;
        })) {
        std::fprintf(stderr, "the sources did not show up\n");
        return 1;
    }
    // The program grabs its shortcut once its start-up is done; the presses that find it
    // ready also carry it past the HUD's start-up grace, so every measured press shows it.
    const auto readyBy = Clock::now() + std::chrono::seconds(20);
    int warm = 0;
    while (warm < 5 && Clock::now() < readyBy)
        warm += press(keys, watcher, app).has_value() ? 1 : 0;
    if (warm < 5) {
        std::fprintf(stderr, "quietlane did not answer its shortcut\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));

    std::printf("press -> mute seen by another client, PulseAudio, Xvfb, HUD on; "
                "%d presses each per round, alternating\n",
                presses);
    std::vector<double> ratios50, ratios99;
    for (int round = 1; round <= rounds; ++round) {
        floor.samples.clear();
        app.samples.clear();
        for (int i = 0; i < 2 * presses; ++i) {
            // Alternating who goes first keeps a slow moment from always hitting one side.
            Target& target = (i % 4 == 0 || i % 4 == 3) ? floor : app;
            const auto elapsed = press(keys, watcher, target);
            if (!elapsed) {
                std::fprintf(stderr, "%s: a press was not seen within 1 s\n", target.label);
                return 1;
            }
            target.samples.push_back(*elapsed);
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        const double f50 = percentile(floor.samples, 0.5), f99 = percentile(floor.samples, 0.99);
        const double a50 = percentile(app.samples, 0.5), a99 = percentile(app.samples, 0.99);
        ratios50.push_back(a50 / f50);
        ratios99.push_back(a99 / f99);
        std::printf("  round %d: floor p50 %6.0f us p99 %6.0f us | quietlane p50 %6.0f us "
                    "p99 %6.0f us | ratio p50 %.2f p99 %.2f\n",
                    round, f50, f99, a50, a99, ratios50.back(), ratios99.back());
    }
    std::sort(ratios50.begin(), ratios50.end());
    std::sort(ratios99.begin(), ratios99.end());
    std::printf("  ratio to the floor over %d rounds: p50 %.2f (%.2f-%.2f), p99 %.2f (%.2f-%.2f); "
                "goal p50 <= 1.2, p99 <= 1.5\n",
                rounds, ratios50[ratios50.size() / 2], ratios50.front(), ratios50.back(),
                ratios99[ratios99.size() / 2], ratios99.front(), ratios99.back());
    return 0;
}
