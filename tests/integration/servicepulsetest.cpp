// SPDX-License-Identifier: GPL-3.0-or-later
// The sound server backend and the audio device service on a real sound server: writes are
// confirmed before they answer, and what the user sees follows what the server reports,
// whoever changed it.
#include "soundserver.h"

#include "app/devicelisting.h"
#include "audio/audiodeviceservice.h"
#include "audio/pulse/pulseserver.h"
#include "audio/serialqueue.h"
#include "base/log.h"
#include "base/preferences.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <future>
#include <mutex>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quietlane;
using namespace quietlane::testing;
using namespace std::chrono_literals;

namespace {

std::optional<SoundError> written(const std::function<void(AudioServer::WriteDone)>& write) {
    std::promise<std::optional<SoundError>> answer;
    write([&answer](std::optional<SoundError> error) { answer.set_value(error); });
    return answer.get_future().get();
}

class ServiceOnServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_server = std::make_unique<SoundServer>(SoundServer::kindFromEnvironment());
        m_server->addSource("mic1", "First");
        m_server->addSource("mic2", "Second", 1);
        m_server->addSink("speakers");
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

    std::size_t loggedCount(const std::string& start) {
        std::lock_guard lock(m_mutex);
        return std::size_t(std::count_if(m_log.begin(), m_log.end(), [&](const std::string& line) {
            return line.starts_with(start);
        }));
    }

    MicState state() {
        std::lock_guard lock(m_mutex);
        return m_state;
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
    ServerState m_announced;
    MicState m_state;
    std::unique_ptr<AudioDeviceService> m_service;
};

} // namespace

TEST_F(ServiceOnServerTest, TheMuteFollowsTheDefaultSourceAndLeavesTheOldOneAlone) {
    m_service->start(DeviceSelection::systemDefault());
    ASSERT_TRUE(published(false, "First"));
    m_server->pactl("set-default-source mic2");
    ASSERT_TRUE(published(false, "Second"));
    onMain([&] { m_service->setMuted(true); });
    EXPECT_TRUE(published(true, "Second"));
    EXPECT_TRUE(m_server->sourceMuted("mic2"));
    EXPECT_FALSE(m_server->sourceMuted("mic1"));
}

TEST_F(ServiceOnServerTest, ASourcePluggedInWhileAllInputsAreMutedComesUpMuted) {
    m_service->start(DeviceSelection::allInputs());
    const std::string all = "Все микрофоны";
    ASSERT_TRUE(published(false, all));
    onMain([&] { m_service->setMuted(true); });
    ASSERT_TRUE(published(true, all));
    EXPECT_TRUE(m_server->sourceMuted("mic1") && m_server->sourceMuted("mic2"));
    m_server->addSource("mic3", "Third");
    EXPECT_TRUE(eventually([&] { return m_server->sourceMuted("mic3"); }));
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
                EXPECT_TRUE(m_server->sourceMuted("mic1") == startMuted &&
                            published(startMuted, "First"))
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
    // Generous for a loaded machine; an unbounded back-off took seconds here.
    EXPECT_LT(back, 1500ms);
    onMain([&] { m_service->setMuted(true); });
    EXPECT_TRUE(published(true, "First"));
    EXPECT_TRUE(m_server->sourceMuted("mic1"));
    EXPECT_EQ(loggedCount("sound server unreachable: "), 1u)
        << "one line per outage, not per attempt";
}

TEST_F(ServiceOnServerTest, ListingMatchesTheServerWithoutMonitors) {
    const ServerState state = m_pulse->state();
    ASSERT_EQ(state.sources.size(), 2u);
    std::ostringstream listing;
    printDeviceListing(state, listing);
    EXPECT_EQ(listing.str(), "mic1\tFirst\t[default] hwmute\nmic2\tSecond\thwmute\n");
    EXPECT_EQ(state.find("mic1")->channels, 2u);
}

TEST_F(ServiceOnServerTest, AnUnreachableServerFailsInsteadOfListingNothing) {
    const std::string reachable = std::getenv("PULSE_SERVER");
    setenv("PULSE_SERVER", ("unix:" + m_server->directory() + "/nobody-here").c_str(), 1);
    PulseServer server;
    std::string error;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(server.waitUntilReady(3s, &error));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s) << "a refused connection is final";
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(server.state().reachable);
    EXPECT_EQ(written([&](auto done) { server.setMuted("mic1", true, done); }),
              SoundError::unreachable);
    setenv("PULSE_SERVER", reachable.c_str(), 1);
}

TEST_F(ServiceOnServerTest, ChangesArriveAsStatesAndWritesAreConfirmedBeforeTheyAnswer) {
    const int watch = m_pulse->watch([this](const ServerState& state) {
        std::lock_guard lock(m_mutex);
        m_announced = state;
    });
    const auto latest = [this] {
        std::lock_guard lock(m_mutex);
        return m_announced;
    };
    m_server->pactl("set-source-mute mic1 1");
    EXPECT_TRUE(eventually([&] {
        const ServerState state = latest();
        return state.find("mic1") && state.find("mic1")->muted;
    }));

    EXPECT_EQ(written([&](auto done) { m_pulse->setMuted("mic1", false, done); }), std::nullopt);
    // The answer comes after the state it caused.
    EXPECT_FALSE(latest().find("mic1")->muted);
    EXPECT_FALSE(m_server->sourceMuted("mic1"));

    EXPECT_EQ(written([&](auto done) {
                  m_pulse->setVolumes("mic2", {{0, 0.5f}}, done);
              }),
              std::nullopt);
    EXPECT_EQ(latest().find("mic2")->volumes.at(0).value, 0.5f);
    EXPECT_NE(m_server->pactl("get-source-volume mic2").find("50%"), std::string::npos);
    EXPECT_EQ(written([&](auto done) { m_pulse->setMuted("nobody", true, done); }),
              SoundError::noSuchSource);
    m_pulse->unwatch(watch);
}

TEST(PulseVolume, EveryLevelUpToFourTimesSurvivesTheFloatRoundTrip) {
    for (std::uint32_t volume = 0; volume <= 4 * PulseVolume::kNorm; ++volume)
        ASSERT_EQ(PulseVolume::fromScalar(PulseVolume::toScalar(volume)), volume);
    EXPECT_EQ(PulseVolume::fromScalar(-0.5f), 0u);
    EXPECT_EQ(PulseVolume::fromScalar(1e30f), PulseVolume::kMax);
    EXPECT_FALSE(PulseVolume::fromScalar(std::nanf("")));
    EXPECT_EQ(PulseVolume::scaled({0, 0}, 1000), (std::vector<std::uint32_t>{1000, 1000}));
    // The overall level scales the channels; a channel given with it keeps its own value.
    EXPECT_EQ(PulseVolume::applied({0x8000, 0x4000}, {{0, 1.0f}, {2, 0.25f}}),
              (std::vector<std::uint32_t>{0x10000, 0x4000}));
    EXPECT_FALSE(PulseVolume::applied({0x8000}, {{2, 1.0f}}));
}
