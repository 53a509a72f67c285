// SPDX-License-Identifier: GPL-3.0-or-later
// The audio device service on a real sound server: what the user sees must follow what
// the server reports, whoever changed it.
#include "soundserver.h"

#include "audio/audiodeviceservice.h"
#include "audio/audiohal.h"
#include "audio/pulse/pulsehal.h"
#include "audio/serialqueue.h"
#include "base/log.h"
#include "base/preferences.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <future>
#include <mutex>

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
        m_hal = std::make_unique<PulseHal>();
        std::string error;
        ASSERT_TRUE(m_hal->waitUntilReady(5s, &error)) << error;
        m_preferences = std::make_unique<Preferences>(m_server->directory() + "/prefs.json");
        // Stands in for the UI thread: states arrive there in posting order.
        m_service = std::make_unique<AudioDeviceService>(
            *m_hal, *m_preferences,
            [this](std::function<void()> task) { m_main.async(std::move(task)); });
        m_service->setOnState([this](const MicState& state) {
            std::lock_guard lock(m_mutex);
            m_state = state;
        });
    }

    void TearDown() override {
        m_service.reset();
        m_hal.reset();
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

    /// Waits until the requests made so far are applied and their states delivered.
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
    std::unique_ptr<PulseHal> m_hal;
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

TEST_F(ServiceOnServerTest, AStalledServerFailsRequestsInSecondsAndNeverHoldsUpQuitting) {
    using Clock = std::chrono::steady_clock;
    captureLog();
    m_service->start(DeviceSelection::systemDefault());
    ASSERT_TRUE(published(false, "First"));
    const std::string timedOut =
        "setMute failed: " + AudioHAL::describeStatus(HalStatus::timedOut) + " for mic1";

    m_server->pause();
    auto stalledAt = Clock::now();
    onMain([&] { m_service->setMuted(true); });
    ASSERT_TRUE(eventually([&] { return loggedCount(timedOut) == 1; }, 10000));
    const auto failedAfter = Clock::now() - stalledAt;
    EXPECT_GT(failedAfter, 1500ms);
    EXPECT_LT(failedAfter, 5000ms); // libpulse alone would wait 30 s
    // Once per stall, however many presses meet it.
    onMain([&] { m_service->setMuted(true); });
    settle();
    EXPECT_EQ(loggedCount(timedOut), 1u);

    // The server wakes up and carries out what it was sent: the state follows it.
    m_server->resume();
    EXPECT_TRUE(published(true, "First"));
    EXPECT_TRUE(serverMuted("mic1"));

    m_server->pause();
    onMain([&] { m_service->setMuted(false); });
    std::this_thread::sleep_for(200ms); // the write is now waiting for its answer
    stalledAt = Clock::now();
    m_hal->abandonWrites();
    m_service.reset();
    EXPECT_LT(Clock::now() - stalledAt, 1000ms);
    m_server->resume();
}

TEST_F(ServiceOnServerTest, TheServerIsUsableSoonAfterItComesBack) {
    using Clock = std::chrono::steady_clock;
    m_service->start(DeviceSelection::systemDefault());
    ASSERT_TRUE(published(false, "First"));
    m_server->stop();
    ASSERT_TRUE(eventually([&] { return !state().isAvailable; }));
    // Long enough for any reconnection back-off to reach its longest delay.
    std::this_thread::sleep_for(2500ms);

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
}

TEST_F(ServiceOnServerTest, BackToBackAlternatingRequestsEndInTheLastOne) {
    m_service->start(DeviceSelection::allInputs());
    const std::string all = "Все микрофоны";
    ASSERT_TRUE(published(false, all));

    // Paced so that requests meet writes still in flight.
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
