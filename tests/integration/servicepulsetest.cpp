// SPDX-License-Identifier: GPL-3.0-or-later
// The audio device service on a real sound server: what the user sees must follow what
// the server reports, whoever changed it.
#include "soundserver.h"

#include "audio/audiodeviceservice.h"
#include "audio/pulse/pulsehal.h"
#include "audio/serialqueue.h"
#include "base/preferences.h"

#include <gtest/gtest.h>

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
    MicState m_state;
    std::unique_ptr<AudioDeviceService> m_service;
};

} // namespace

TEST_F(ServiceOnServerTest, StateFollowsOurWritesAndOtherApplications) {
    m_service->start(DeviceSelection::systemDefault());
    ASSERT_TRUE(published(false, "First"));

    m_service->setMuted(true);
    EXPECT_TRUE(published(true, "First"));
    EXPECT_TRUE(serverMuted("mic1"));
    EXPECT_FALSE(serverMuted("mic2"));

    // Another application unmutes: the published state must not keep saying "muted".
    m_server->pactl("set-source-mute mic1 0");
    EXPECT_TRUE(published(false, "First"));

    // The default moves: the mute follows it, the old default is left alone.
    m_server->pactl("set-default-source mic2");
    ASSERT_TRUE(published(false, "Second"));
    m_service->setMuted(true);
    EXPECT_TRUE(published(true, "Second"));
    EXPECT_TRUE(serverMuted("mic2"));
    EXPECT_FALSE(serverMuted("mic1"));
}

TEST_F(ServiceOnServerTest, AllInputsCountAsMutedOnlyWhileEveryOneIs) {
    m_service->start(DeviceSelection::allInputs());
    const std::string all = "Все микрофоны";
    ASSERT_TRUE(published(false, all));

    m_service->setMuted(true);
    EXPECT_TRUE(published(true, all));
    EXPECT_TRUE(serverMuted("mic1") && serverMuted("mic2"));

    m_server->pactl("set-source-mute mic2 0");
    EXPECT_TRUE(published(false, all));

    // A source plugged in later is a target too.
    m_service->setMuted(true);
    ASSERT_TRUE(published(true, all));
    m_server->addSource("mic3", "Third");
    EXPECT_TRUE(published(false, all));
    m_service->setMuted(true);
    EXPECT_TRUE(published(true, all));
    EXPECT_TRUE(serverMuted("mic3"));
}
