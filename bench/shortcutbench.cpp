// SPDX-License-Identifier: GPL-3.0-or-later
// Latency of the global shortcut on a private X server (Xvfb): from a key press injected
// with XTest to the shortcut handler, and on to the published microphone state on a
// private PulseAudio server; the same path through a pactl process for comparison.
// Usage: quietlane_shortcut_bench [presses]
#include "../tests/integration/keyinjector.h"
#include "../tests/integration/soundserver.h"
#include "../tests/integration/xsession.h"

#include "audio/audiodeviceservice.h"
#include "audio/micstate.h"
#include "audio/pulse/pulseserver.h"
#include "base/preferences.h"
#include "shortcuts/shortcutcenter.h"
#include "shortcuts/x11/x11hotkeybackend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace quietlane;
using namespace quietlane::GlobalShortcuts;
using Clock = std::chrono::steady_clock;

namespace {

struct Percentiles {
    double p50;
    double p99;
};

Percentiles percentiles(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    auto at = [&](double q) {
        return samples[size_t(q * double(samples.size() - 1))];
    };
    return {at(0.50), at(0.99)};
}

// The main loop of the program in miniature: X events and tasks posted from the audio
// service's queue, woken through an eventfd.
class MainLoop {
public:
    explicit MainLoop(HotkeyBackend& keys) : m_keys(keys), m_wake(::eventfd(0, EFD_NONBLOCK)) {}
    ~MainLoop() { ::close(m_wake); }

    AudioDeviceService::MainThreadPoster poster() {
        return [this](std::function<void()> task) {
            std::lock_guard lock(m_mutex);
            m_tasks.push_back(std::move(task));
            const uint64_t one = 1;
            (void)!::write(m_wake, &one, sizeof one);
        };
    }

    bool runUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done()) {
            if (Clock::now() > deadline)
                return false;
            pollfd fds[2] = {{m_keys.eventFd(), POLLIN, 0}, {m_wake, POLLIN, 0}};
            ::poll(fds, 2, 10);
            uint64_t count = 0;
            (void)!::read(m_wake, &count, sizeof count);
            m_keys.processPendingEvents();
            std::deque<std::function<void()>> tasks;
            {
                std::lock_guard lock(m_mutex);
                tasks.swap(m_tasks);
            }
            for (auto& task : tasks)
                task();
        }
        return true;
    }

private:
    HotkeyBackend& m_keys;
    int m_wake;
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_tasks;
};

double microsecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

void runPactl() {
    const char* argv[] = {"pactl", "set-source-mute", "mic1", "toggle", nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "pactl", nullptr, nullptr, const_cast<char**>(argv), environ) == 0)
        ::waitpid(child, nullptr, 0);
}

void print(const char* what, const Percentiles& figures) {
    std::printf("  %-40s p50 %8.1f us  p99 %8.1f us\n", what, figures.p50, figures.p99);
}

} // namespace

int main(int argc, char** argv) {
    const int presses = argc > 1 ? std::max(10, std::atoi(argv[1])) : 500;
    testing::XSession session;
    std::string error;
    if (!session.start(error)) {
        std::fprintf(stderr, "cannot start Xvfb: %s\n", error.c_str());
        return 1;
    }
    testing::SoundServer server(testing::SoundServerKind::pulseAudio);
    server.addSource("mic1", "BenchMic");
    server.pactl("set-default-source mic1");

    const auto dir = std::filesystem::path(server.directory()) / "bench-config";
    std::filesystem::create_directories(dir);
    Preferences preferences(dir / "preferences.json");
    auto keys = X11HotkeyBackend::open(session.display(), error);
    if (!keys) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::ostringstream refusals;
    ShortcutCenter shortcuts(preferences, *keys, refusals);
    testing::KeyInjector injector(session.display());
    MainLoop loop(*keys);

    PulseServer pulse;
    if (!pulse.waitUntilReady(std::chrono::seconds(5), &error)) {
        std::fprintf(stderr, "cannot reach the private server: %s\n", error.c_str());
        return 1;
    }
    AudioDeviceService service(pulse, preferences, loop.poster());
    MicState published;
    service.setOnState([&](const MicState& state) { published = state; });
    service.start(DeviceSelection::systemDefault());
    loop.runUntil([&] { return published.activeDeviceName.has_value(); });

    enum class Path { handler, state, pactl } path = Path::handler;
    int handled = 0;
    const Name name = shortcuts.declare(Name::toggleMute());
    shortcuts.onKeyDown(name, [&] {
        ++handled;
        if (path == Path::state)
            service.setMuted(!published.isMuted);
        else if (path == Path::pactl)
            runPactl();
    });

    // Modifiers stay down; each sample is one press and release of M.
    injector.down(XKB_KEY_Control_L);
    injector.down(XKB_KEY_Alt_L);
    injector.down(XKB_KEY_Super_L);
    injector.sync();

    auto measure = [&](Path which) {
        path = which;
        std::vector<double> samples;
        for (int i = 0; i < presses; ++i) {
            const int before = handled;
            const bool wasMuted = published.isMuted;
            const auto start = Clock::now();
            injector.down(XKB_KEY_m);
            bool ok = false;
            if (which == Path::state)
                ok = loop.runUntil([&] { return published.isMuted != wasMuted; });
            else
                ok = loop.runUntil([&] { return handled > before; });
            if (!ok) {
                std::fprintf(stderr, "press %d was not delivered\n", i);
                return std::optional<Percentiles>();
            }
            samples.push_back(microsecondsSince(start));
            injector.up(XKB_KEY_m);
            injector.sync();
            loop.runUntil([] { return false; }, 2);
        }
        return std::optional(percentiles(samples));
    };

    std::printf("global shortcut on Xvfb, PulseAudio %s, %d presses each\n",
                refusals.str().empty() ? "" : "(registration refused!)", presses);
    // Returning (never exiting) on a failure lets the servers' destructors stop them.
    const auto handler = measure(Path::handler);
    const auto state = handler ? measure(Path::state) : std::nullopt;
    const auto pactl = state ? measure(Path::pactl) : std::nullopt;
    if (!pactl)
        return 1;
    print("key press to handler", *handler);
    print("key press to MicState published", *state);
    print("key press to pactl toggle finished", *pactl);

    injector.up(XKB_KEY_Super_L);
    injector.up(XKB_KEY_Alt_L);
    injector.up(XKB_KEY_Control_L);
    injector.sync();
    return 0;
}
