// SPDX-License-Identifier: GPL-3.0-or-later
#include "soundserver.h"

#include "app/devicelisting.h"
#include "audio/pulse/pulseserver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <condition_variable>
#include <future>
#include <mutex>
#include <sstream>

using namespace quietlane;
using namespace quietlane::testing;
using namespace std::chrono_literals;

namespace {

/// Keeps every state the server announces, in order.
class Watcher {
public:
    explicit Watcher(PulseServer& server) : m_server(server) {
        m_watch = server.watch([this](const ServerState& state) {
            std::lock_guard lock(m_mutex);
            m_states.push_back(state);
            m_changed.notify_all();
        });
    }
    ~Watcher() { m_server.unwatch(m_watch); }

    /// Waits for an announced state that satisfies `condition`.
    template <typename Condition> bool waitFor(Condition condition) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(
            lock, 5s, [&] { return std::any_of(m_states.begin(), m_states.end(), condition); });
    }
    ServerState latest() {
        std::lock_guard lock(m_mutex);
        return m_states.empty() ? ServerState{} : m_states.back();
    }

private:
    PulseServer& m_server;
    int m_watch;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<ServerState> m_states;
};

std::optional<SoundError> written(const std::function<void(AudioServer::WriteDone)>& write) {
    std::promise<std::optional<SoundError>> answer;
    write([&answer](std::optional<SoundError> error) { answer.set_value(error); });
    return answer.get_future().get();
}

class PulseServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_server = std::make_unique<SoundServer>(SoundServer::kindFromEnvironment());
        m_server->addSource("mic1", "TestMic");
        m_server->addSource("mic2", "Mono", 1);
        m_server->addSink("speakers");
        m_server->pactl("set-default-source mic1");
        m_pulse = std::make_unique<PulseServer>();
        std::string error;
        ASSERT_TRUE(m_pulse->waitUntilReady(5s, &error)) << error;
    }
    void TearDown() override { m_pulse.reset(); }

    std::unique_ptr<SoundServer> m_server;
    std::unique_ptr<PulseServer> m_pulse;
};

} // namespace

TEST_F(PulseServerTest, ListingMatchesTheServerWithoutMonitors) {
    const ServerState state = m_pulse->state();
    ASSERT_EQ(state.sources.size(), 2u);
    std::ostringstream listing;
    printDeviceListing(state, listing);
    EXPECT_EQ(listing.str(), "mic1\tTestMic\t[default] hwmute\nmic2\tMono\thwmute\n");
    EXPECT_EQ(state.find("mic1")->channels, 2u);
}

TEST_F(PulseServerTest, AnUnreachableServerFailsInsteadOfListingNothing) {
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

TEST_F(PulseServerTest, ChangesArriveAsStatesAndWritesAreConfirmedBeforeTheyAnswer) {
    Watcher watcher(*m_pulse);
    m_server->pactl("set-source-mute mic1 1");
    EXPECT_TRUE(watcher.waitFor([](const ServerState& s) { return s.find("mic1")->muted; }));

    EXPECT_EQ(written([&](auto done) { m_pulse->setMuted("mic1", false, done); }), std::nullopt);
    // The answer comes after the state it caused.
    EXPECT_FALSE(watcher.latest().find("mic1")->muted);
    EXPECT_NE(m_server->pactl("get-source-mute mic1").find("no"), std::string::npos);

    EXPECT_EQ(written([&](auto done) {
                  m_pulse->setVolumes("mic2", {{0, 0.5f}}, done);
              }),
              std::nullopt);
    EXPECT_EQ(watcher.latest().find("mic2")->volumes.at(0).value, 0.5f);
    EXPECT_NE(m_server->pactl("get-source-volume mic2").find("50%"), std::string::npos);
    EXPECT_EQ(written([&](auto done) { m_pulse->setMuted("nobody", true, done); }),
              SoundError::noSuchSource);
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
