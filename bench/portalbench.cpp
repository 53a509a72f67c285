// SPDX-License-Identifier: GPL-3.0-or-later
// Latency of the global shortcut from the desktop's signal to the source muted on a private
// PulseAudio: a stand-in GlobalShortcuts portal's Activated on a private session bus, next
// to an XTest key press on a private X server (Xvfb), both through the program's Qt main
// loop, the shortcut layer and the audio device service, measured in the same run.
// Usage: dbus-run-session -- quietlane_portal_bench [presses]
#include "../tests/integration/keyinjector.h"
#include "../tests/integration/soundserver.h"
#include "../tests/integration/standinportal.h"
#include "../tests/integration/xsession.h"

#include "audio/audiodeviceservice.h"
#include "audio/micstate.h"
#include "audio/pulse/pulseserver.h"
#include "base/preferences.h"
#include "shortcuts/portal/portalhotkeybackend.h"
#include "shortcuts/shortcutcenter.h"
#include "shortcuts/x11/x11hotkeybackend.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

using namespace quietlane;
using namespace quietlane::GlobalShortcuts;

namespace {

bool spinUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

void printPercentiles(const char* what, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    auto at = [&](double q) {
        return samples[size_t(q * double(samples.size() - 1))];
    };
    std::printf("  %-44s p50 %8.1f us  p99 %8.1f us\n", what, at(0.50), at(0.99));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int presses = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
    const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (bus.isEmpty()) {
        std::fprintf(stderr, "run it on a private bus: dbus-run-session -- %s\n", argv[0]);
        return 1;
    }
    testing::XSession session;
    std::string error;
    if (!session.start(error)) {
        std::fprintf(stderr, "cannot start Xvfb: %s\n", error.c_str());
        return 1;
    }
    testing::SoundServer server(testing::SoundServerKind::pulseAudio);
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus); // the sound server keeps off the bus, we do not
    server.addSource("mic1", "BenchMic");
    server.pactl("set-default-source mic1");
    const auto dir = std::filesystem::path(server.directory()) / "bench-config";
    std::filesystem::create_directories(dir);
    Preferences preferences(dir / "preferences.json");

    testing::StandInPortal portal(testing::PortalDesktop::plasma65);
    auto portalKeys = PortalHotkeyBackend::open(QStringLiteral("com.quietlane.Quietlane"), error);
    auto x11Keys = X11HotkeyBackend::open(session.display(), error);
    if (!portalKeys || !x11Keys) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::ostringstream refusals;
    ShortcutCenter viaPortal(preferences, *portalKeys, refusals);
    ShortcutCenter viaX11(preferences, *x11Keys, refusals);

    PulseServer pulse;
    if (!pulse.waitUntilReady(std::chrono::seconds(5), &error)) {
        std::fprintf(stderr, "cannot reach the private server: %s\n", error.c_str());
        return 1;
    }
    QObject context;
    AudioDeviceService service(pulse, preferences, [&context](std::function<void()> task) {
        QMetaObject::invokeMethod(&context, std::move(task), Qt::QueuedConnection);
    });
    MicState published;
    service.setOnState([&](const MicState& state) { published = state; });
    service.start(DeviceSelection::systemDefault());
    const Name name = Name::toggleMute();
    for (ShortcutCenter* center : {&viaPortal, &viaX11}) {
        center->declare(name);
        center->onKeyDown(name, [&] { service.setMuted(!published.isMuted); });
    }
    if (!spinUntil([&] { return published.activeDeviceName && portalKeys->isBound(); })) {
        std::fprintf(stderr, "the portal binding or the sound server did not come up\n");
        return 1;
    }

    testing::KeyInjector injector(session.display());
    injector.down(XKB_KEY_Control_L);
    injector.down(XKB_KEY_Alt_L);
    injector.down(XKB_KEY_Super_L);
    injector.sync();

    auto measure = [&](const std::function<void()>& press, const std::function<void()>& release) {
        std::vector<double> samples;
        for (int i = 0; i < presses; ++i) {
            const bool wasMuted = published.isMuted;
            QElapsedTimer timer;
            timer.start();
            press();
            if (!spinUntil([&] { return published.isMuted != wasMuted; })) {
                std::fprintf(stderr, "press %d did not change the source\n", i);
                return std::vector<double>();
            }
            samples.push_back(double(timer.nsecsElapsed()) / 1000.0);
            release();
            spinUntil([] { return false; }, 2);
        }
        return samples;
    };
    const auto portalSamples = measure([&] { portal.press(); }, [&] { portal.release(); });
    const auto x11Samples = measure(
        [&] {
            injector.down(XKB_KEY_m);
            injector.sync();
        },
        [&] {
            injector.up(XKB_KEY_m);
            injector.sync();
        });
    injector.up(XKB_KEY_Super_L);
    injector.up(XKB_KEY_Alt_L);
    injector.up(XKB_KEY_Control_L);
    injector.sync();
    if (portalSamples.empty() || x11Samples.empty())
        return 1;
    std::printf("global shortcut to source muted, PulseAudio, %d presses each\n", presses);
    printPercentiles("portal Activated to MicState published", portalSamples);
    printPercentiles("X11 key press (XTest) to MicState published", x11Samples);
    return 0;
}
