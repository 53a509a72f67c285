// SPDX-License-Identifier: GPL-3.0-or-later
// The audio device service on a real sound server: what the user sees must follow what
// the server reports, whoever changed it.
#include "soundserver.h"

#include "audio/audiodeviceservice.h"
#include "audio/pulse/pulseserver.h"
#include "audio/serialqueue.h"
#include "base/log.h"
#include "base/preferences.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <future>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quietlane;
using namespace quietlane::testing;
using namespace std::chrono_literals;

namespace {

class ServiceOnServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_server = std::make_unique<SoundServer>(SoundServer::kindFromEnvironment());
        m_server->addSource("mic1", "First");
        m_server->addSource("mic2", "Second", 1);
        m_server->pactl("set-default-source mic1");
        m_pulse = std::make_unique<PulseServer>();
        std::string error;
        ASSERT_TRUE(m_pulse->waitUntilReady(5s, &error)) << error;
        m_preferences = std::make_unique<Preferences>(m_server->directory() + "/prefs.json");
        // Stands in for the UI thread: states arrive there in posting order.
        m_service = std::make_unique<AudioDeviceService>(
            *m_pulse, *m_preferences,
            [this](std::function<void()> task) { m_main.async(std::move(task)); });
        m_service->setOnState([this](const MicState& state) {
            std::lock_guard lock(m_mutex);
            m_state = state;
        });
    }

    void TearDown() override {
        m_service.reset();
        m_pulse.reset();
        Log::setSink({});
    }

    /// Runs `call` on the thread that plays the UI thread and waits for it.
    void onMain(std::function<void()> call) {
        std::promise<void> done;
        m_main.async([&] {
            call();
            done.set_value();
        });
        done.get_future().wait();
    }

    /// Waits until the requests made so far are answered and their states delivered.
    void settle() {
        std::promise<void> done;
        onMain([&] { m_service->afterPendingWork([&] { done.set_value(); }); });
        done.get_future().wait();
    }

    void captureLog() {
        Log::setSink([this](Log::Level, Log::Category, const std::string& message) {
            std::lock_guard lock(m_mutex);
            m_log.push_back(message);
        });
    }

    std::size_t loggedCount(const std::string& line) {
        std::lock_guard lock(m_mutex);
        return std::size_t(std::count(m_log.begin(), m_log.end(), line));
    }

    MicState state() {
        std::lock_guard lock(m_mutex);
        return m_state;
    }

    bool serverMuted(const std::string& source) {
        return m_server->pactl("get-source-mute " + source).find("yes") != std::string::npos;
    }

    bool published(bool muted, const std::string& name) {
        return eventually([&] {
            const MicState current = state();
            return current.isMuted == muted && current.activeDeviceName == name;
        });
    }

    std::unique_ptr<SoundServer> m_server;
    std::unique_ptr<PulseServer> m_pulse;
    std::unique_ptr<Preferences> m_preferences;
    SerialQueue m_main{"test-main"};
    std::mutex m_mutex;
    std::vector<std::string> m_log;
    MicState m_state;
    std::unique_ptr<AudioDeviceService> m_service;
};

} // namespace

TEST_F(ServiceOnServerTest, StateFollowsOurWritesAndOtherApplications) {
    m_service->start(DeviceSelection::systemDefault());
    ASSERT_TRUE(published(false, "First"));

    onMain([&] { m_service->setMuted(true); });
    EXPECT_TRUE(published(true, "First"));
    EXPECT_TRUE(serverMuted("mic1"));
    EXPECT_FALSE(serverMuted("mic2"));

    // Another application unmutes: the published state must not keep saying "muted".
    m_server->pactl("set-source-mute mic1 0");
    EXPECT_TRUE(published(false, "First"));

    // The default moves: the mute follows it, the old default is left alone.
    m_server->pactl("set-default-source mic2");
    ASSERT_TRUE(published(false, "Second"));
    onMain([&] { m_service->setMuted(true); });
    EXPECT_TRUE(published(true, "Second"));
    EXPECT_TRUE(serverMuted("mic2"));
    EXPECT_FALSE(serverMuted("mic1"));
}

TEST_F(ServiceOnServerTest, AllInputsCountAsMutedOnlyWhileEveryOneIs) {
    m_service->start(DeviceSelection::allInputs());
    const std::string all = "Все микрофоны";
    ASSERT_TRUE(published(false, all));

    onMain([&] { m_service->setMuted(true); });
    EXPECT_TRUE(published(true, all));
    EXPECT_TRUE(serverMuted("mic1") && serverMuted("mic2"));

    m_server->pactl("set-source-mute mic2 0");
    EXPECT_TRUE(published(false, all));

    // A source plugged in while everything is muted comes up muted too.
    onMain([&] { m_service->setMuted(true); });
    ASSERT_TRUE(published(true, all));
    m_server->addSource("mic3", "Third");
    EXPECT_TRUE(eventually([&] { return serverMuted("mic3"); }));
    EXPECT_TRUE(published(true, all));
}

TEST_F(ServiceOnServerTest, AfterAStallTheSourceEndsInTheLastRequestedState) {
    captureLog();
    m_service->start(DeviceSelection::systemDefault());
    ASSERT_TRUE(published(false, "First"));
    for (const auto stall : {1000ms, 2500ms, 4000ms}) {
        for (const int presses : {2, 4}) {
            for (const bool startMuted : {true, false}) {
                m_server->pactl(std::string("set-source-mute mic1 ") + (startMuted ? "1" : "0"));
                ASSERT_TRUE(published(startMuted, "First"));
                // The presses are spread over the stall, which lasts for real: it is the
                // server's own time that the requests have to outlast, so these sleeps are
                // the condition under test, not a wait for it.
                m_server->pause();
                for (int press = 0; press < presses; ++press) {
                    std::this_thread::sleep_for(stall / (presses + 1));
                    onMain([&] { m_service->toggle(); });
                }
                std::this_thread::sleep_for(stall / (presses + 1));
                m_server->resume();
                settle();
                EXPECT_TRUE(serverMuted("mic1") == startMuted && published(startMuted, "First"))
                    << stall.count() << " ms, " << presses << " presses from "
                    << (startMuted ? "muted" : "live");
            }
        }
    }
    // One journal line per stall, not one per press.
    EXPECT_LE(loggedCount("no answer from the sound server within 2 s for mic1; still waiting "
                          "for it"),
              8u);
}

TEST_F(ServiceOnServerTest, TogglesAlternatingWithAnotherProgramFlipEveryTimeAndTheirsStand) {
    m_service->start(DeviceSelection::systemDefault());
    ASSERT_TRUE(published(false, "First"));
    int ours = 0;
    int theirs = 0;
    const int rounds = 10;
    for (int round = 0; round < rounds; ++round) {
        const bool before = serverMuted("mic1");
        onMain([&] { m_service->toggle(); });
        settle();
        ours += serverMuted("mic1") != before;
        m_server->pactl("set-source-mute mic1 toggle");
        const bool set = serverMuted("mic1");
        // On PulseAudio our press comes right after theirs, before their change has been
        // published. PipeWire answers pactl before it reports the change to other clients
        // (1 press in 200 then flipped what we had last heard), so there the press waits
        // for the report.
        if (m_server->kind() == SoundServerKind::pipeWire) {
            ASSERT_TRUE(published(set, "First"));
        }
        onMain([&] { m_service->toggle(); });
        settle();
        ours += serverMuted("mic1") != set;
        m_server->pactl("set-source-mute mic1 toggle");
        const bool theirsNow = serverMuted("mic1");
        // Once we have seen their change, nothing of ours may come back over it.
        ASSERT_TRUE(published(theirsNow, "First"));
        settle();
        theirs += serverMuted("mic1") == theirsNow;
    }
    std::printf("alternation: our flip %d of %d, their change stood %d of %d\n", ours, 2 * rounds,
                theirs, rounds);
    EXPECT_EQ(ours, 2 * rounds);
    EXPECT_EQ(theirs, rounds);
}

TEST_F(ServiceOnServerTest, TheServerIsUsableSoonAfterItComesBack) {
    using Clock = std::chrono::steady_clock;
    captureLog();
    m_service->start(DeviceSelection::systemDefault());
    ASSERT_TRUE(published(false, "First"));
    m_server->stop();
    ASSERT_TRUE(eventually([&] { return !state().isAvailable; }));
    // A socket in the server's place takes the reconnection attempts, whose spacing grows
    // to a bound: by the fourth the back-off is at its longest.
    const std::string path = m_server->directory() + "/pulse/native";
    ::unlink(path.c_str());
    const int stand = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(::bind(stand, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(stand, 8), 0);
    for (int attempt = 0; attempt < 4; ++attempt) {
        pollfd ready{stand, POLLIN, 0};
        ASSERT_EQ(::poll(&ready, 1, 5000), 1) << "no reconnection attempt";
        ::close(::accept(stand, nullptr, nullptr));
    }
    ::close(stand);
    ::unlink(path.c_str());

    m_server->start();
    m_server->addSource("mic1", "First");
    m_server->pactl("set-default-source mic1");
    // From here the server answers with the source in place; how long that took on a
    // loaded machine is the server's time, not ours.
    const auto answering = Clock::now();
    ASSERT_TRUE(eventually([&] { return state().isAvailable; }));
    const auto back = Clock::now() - answering;
    std::printf("usable %.0f ms after the server answered\n",
                std::chrono::duration<double, std::milli>(back).count());
    // Generous for a loaded machine; an unbounded back-off took seconds here.
    EXPECT_LT(back, 1500ms);
    onMain([&] { m_service->setMuted(true); });
    EXPECT_TRUE(published(true, "First"));
    EXPECT_TRUE(serverMuted("mic1"));
    std::lock_guard lock(m_mutex);
    EXPECT_EQ(std::count_if(m_log.begin(), m_log.end(),
                            [](const std::string& line) {
                                return line.starts_with("sound server unreachable: ");
                            }),
              1)
        << "one line per outage, not per attempt";
}

TEST_F(ServiceOnServerTest, BackToBackAlternatingRequestsEndInTheLastOne) {
    m_service->start(DeviceSelection::allInputs());
    const std::string all = "Все микрофоны";
    ASSERT_TRUE(published(false, all));

    // Paced so that requests meet writes still in flight: the pause varies where a request
    // lands against the worker, it waits for nothing.
    for (int round = 0; round < 4; ++round) {
        const bool last = round % 2 == 0;
        for (int i = 0; i < 500; ++i) {
            const bool muted = (i % 2 == 1) == last;
            onMain([&] { m_service->setMuted(muted); });
            std::this_thread::sleep_for(std::chrono::microseconds(50 * (i % 7)));
        }
        settle();
        EXPECT_TRUE(published(last, all)) << "round " << round;
        EXPECT_EQ(serverMuted("mic1"), last) << "round " << round;
        EXPECT_EQ(serverMuted("mic2"), last) << "round " << round;
    }
}
