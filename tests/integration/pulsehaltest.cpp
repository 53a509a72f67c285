// SPDX-License-Identifier: GPL-3.0-or-later
#include "soundserver.h"

#include "app/devicelisting.h"
#include "audio/audiohal.h"
#include "audio/pulse/pulsehal.h"
#include "audio/serialqueue.h"
#include "base/log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <sstream>

using namespace quietlane;
using namespace quietlane::testing;
using namespace std::chrono_literals;

namespace {

/// Records listener calls, as labels, in the order the queue ran them.
class Recorder {
public:
    ~Recorder() {
        // The backend outlives this recorder, whose queue must not be called any more.
        for (const auto& r : m_registrations)
            r.hal->removePropertyListener(r.object, r.address, m_queue, r.listener);
    }

    void listen(HalBackend& hal, AudioObjectID object, const PropertyAddress& address,
                const std::string& label) {
        auto block = std::make_shared<const std::function<void()>>([this, label] {
            std::lock_guard lock(m_mutex);
            m_events.push_back(label);
        });
        ASSERT_EQ(hal.addPropertyListener(object, address, m_queue, block), HalStatus::ok);
        m_registrations.push_back({&hal, object, address, block});
    }

    std::vector<std::string> events() {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

    /// Waits until the calls recorded so far contain `expected` in this order; a failure
    /// names the calls that were recorded.
    ::testing::AssertionResult waitForSequence(const std::vector<std::string>& expected) {
        const bool seen = eventually([&] {
            const auto recorded = events();
            auto next = recorded.begin();
            for (const auto& label : expected) {
                next = std::find(next, recorded.end(), label);
                if (next == recorded.end())
                    return false;
                ++next;
            }
            return true;
        });
        if (seen)
            return ::testing::AssertionSuccess();
        std::string recorded;
        for (const auto& label : events())
            recorded += ' ' + label;
        return ::testing::AssertionFailure() << "recorded:" << recorded;
    }

    std::size_t count(const std::string& label) {
        const auto seen = events();
        return std::size_t(std::count(seen.begin(), seen.end(), label));
    }

private:
    struct Registration {
        HalBackend* hal;
        AudioObjectID object;
        PropertyAddress address;
        ListenerBlock listener;
    };

    std::mutex m_mutex;
    std::vector<std::string> m_events;
    std::vector<Registration> m_registrations;
    SerialQueue m_queue{"test-listeners"};
};

class PulseHalTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_server = std::make_unique<SoundServer>(SoundServer::kindFromEnvironment());
        m_server->addSource("mic1", "TestMic");
    }

    std::unique_ptr<PulseHal> openHal() {
        auto hal = std::make_unique<PulseHal>();
        std::string error;
        EXPECT_TRUE(hal->waitUntilReady(5s, &error)) << error;
        return hal;
    }

    // The server announces a new source asynchronously (PipeWire after a graph round).
    AudioObjectID waitForDevice(HalBackend& hal, const std::string& uid) {
        std::optional<AudioObjectID> id;
        EXPECT_TRUE(eventually([&] { return (id = AudioHAL::deviceID(hal, uid)).has_value(); }))
            << uid << " never appeared";
        return id.value_or(kAudioObjectUnknown);
    }

    std::uint32_t serverVolume(const std::string& source, int channel) {
        std::istringstream line(m_server->pactl("get-source-volume " + source));
        // "Volume: front-left: 65536 / 100% / 0.00 dB,   front-right: ..."
        std::string word;
        int seen = 0;
        while (line >> word) {
            if (word.back() == ':' && word != "Volume:" && seen++ == channel) {
                line >> word;
                return std::uint32_t(std::stoul(word));
            }
        }
        ADD_FAILURE() << "no channel " << channel << " for " << source;
        return 0;
    }

    std::unique_ptr<SoundServer> m_server;
};

std::vector<std::string> inputSourceNames(const SoundServer& server) {
    std::vector<std::string> names;
    std::istringstream lines(server.pactl("list short sources"));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string index, name;
        fields >> index >> name;
        if (!name.ends_with(".monitor"))
            names.push_back(name);
    }
    return names;
}

TEST_F(PulseHalTest, ListingMatchesTheServerWithoutMonitors) {
    m_server->addSource("mic2", "Second", 1);
    m_server->addSink("speaker");
    auto hal = openHal();
    waitForDevice(*hal, "mic2");
    m_server->pactl("set-default-source mic2");
    ASSERT_TRUE(eventually(
        [&] { return AudioHAL::defaultInputDevice(*hal) == AudioHAL::deviceID(*hal, "mic2"); }));

    const std::map<std::string, std::string> descriptions{{"mic1", "TestMic"}, {"mic2", "Second"}};
    std::string expected;
    for (const auto& name : inputSourceNames(*m_server))
        expected += name + '\t' + descriptions.at(name) + '\t' +
                    (name == "mic2" ? "[default] " : "") + "hwmute\n";
    std::ostringstream listing;
    printDeviceListing(*hal, listing);
    EXPECT_EQ(listing.str(), expected);
    EXPECT_EQ(AudioHAL::inputChannelCount(*hal, *AudioHAL::deviceID(*hal, "mic1")), 2u);
    EXPECT_EQ(AudioHAL::inputChannelCount(*hal, *AudioHAL::deviceID(*hal, "mic2")), 1u);

    // A monitor as the server's default is no default input at all. PipeWire's session
    // manager may move the default on to a real source a moment later; then that one is
    // the default input, as the server says.
    m_server->pactl("set-default-source speaker.monitor");
    std::string serverDefault;
    EXPECT_TRUE(eventually([&] {
        serverDefault = m_server->pactl("get-default-source");
        serverDefault.erase(serverDefault.find_last_not_of(" \n") + 1);
        const auto ours = AudioHAL::defaultInputDevice(*hal);
        return serverDefault == "speaker.monitor" ? !ours
                                                  : ours == AudioHAL::deviceID(*hal, serverDefault);
    })) << "the server's default: "
        << serverDefault;
}

TEST_F(PulseHalTest, AnUnreachableServerFailsInsteadOfListingNothing) {
    const std::string reachable = std::getenv("PULSE_SERVER");
    setenv("PULSE_SERVER", ("unix:" + m_server->directory() + "/nobody-here").c_str(), 1);
    PulseHal hal;
    std::string error;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(hal.waitUntilReady(3s, &error));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s) << "a refused connection is final";
    EXPECT_FALSE(error.empty());
    PropertyValue value;
    EXPECT_EQ(hal.getPropertyData(kAudioObjectSystemObject, AudioHAL::kDevicesAddress, value),
              HalStatus::notRunning);
    setenv("PULSE_SERVER", reachable.c_str(), 1);
}

TEST_F(PulseHalTest, OutsideChangesReachListenersInOrder) {
    auto hal = openHal();
    const AudioObjectID mic = waitForDevice(*hal, "mic1");
    Recorder recorder;
    recorder.listen(*hal, kAudioObjectSystemObject, AudioHAL::kDevicesAddress, "devices");
    recorder.listen(*hal, kAudioObjectSystemObject, AudioHAL::kDefaultInputAddress, "default");
    recorder.listen(*hal, mic, AudioHAL::kMuteAddress, "mute");
    recorder.listen(*hal, mic, AudioHAL::volumeAddress(0), "volume");

    m_server->pactl("set-source-mute mic1 1");
    m_server->pactl("set-source-volume mic1 30000");
    ASSERT_TRUE(recorder.waitForSequence({"mute", "volume"}));
    EXPECT_EQ(AudioHAL::readMute(*hal, mic), 1u);
    EXPECT_EQ(AudioHAL::readVolume(*hal, mic, 0), 30000.0f / 65536.0f);

    // Unchanged values notify nobody; the volume change fences the check.
    m_server->pactl("set-source-mute mic1 1");
    m_server->pactl("set-source-volume mic1 31000");
    ASSERT_TRUE(recorder.waitForSequence({"mute", "volume", "volume"}));
    EXPECT_EQ(recorder.count("mute"), 1u);

    const std::uint32_t module = m_server->addSource("mic3", "Plugged");
    const AudioObjectID plugged = waitForDevice(*hal, "mic3");
    EXPECT_NE(plugged, mic);
    m_server->pactl("set-default-source mic3");
    // PipeWire's session manager may already have made the new source the default, and
    // told so before the source's own notice arrived.
    ASSERT_TRUE(recorder.waitForSequence({"volume", "default"}));
    EXPECT_TRUE(eventually([&] { return AudioHAL::defaultInputDevice(*hal) == plugged; }));

    m_server->unload(module);
    ASSERT_TRUE(recorder.waitForSequence({"devices", "default", "devices"}));
    EXPECT_TRUE(eventually([&] { return AudioHAL::defaultInputDevice(*hal) != plugged; }));
    const auto ids = AudioHAL::allDeviceIDs(*hal);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), plugged), 0);
    PropertyValue value;
    EXPECT_EQ(hal->getPropertyData(plugged, AudioHAL::kMuteAddress, value), HalStatus::badObject);
}

TEST_F(PulseHalTest, WritesAreConfirmedAndReadBackExactly) {
    auto hal = openHal();
    const AudioObjectID mic = waitForDevice(*hal, "mic1");
    Recorder recorder;
    recorder.listen(*hal, mic, AudioHAL::kMuteAddress, "mute");
    recorder.listen(*hal, mic, AudioHAL::volumeAddress(0), "volume");

    ASSERT_EQ(hal->setPropertyData(mic, AudioHAL::kMuteAddress, std::uint32_t(1)), HalStatus::ok);
    EXPECT_EQ(AudioHAL::readMute(*hal, mic), 1u) << "the next read sees a confirmed write";
    EXPECT_NE(m_server->pactl("get-source-mute mic1").find("yes"), std::string::npos);
    // The server's own report of the write must not notify a second time.
    m_server->pactl("set-source-volume mic1 40000");
    ASSERT_TRUE(recorder.waitForSequence({"mute", "volume"}));
    EXPECT_EQ(recorder.count("mute"), 1u);

    // Above 100 % is a real level, not something to clamp.
    ASSERT_EQ(hal->setPropertyData(mic, AudioHAL::volumeAddress(0), 1.5f), HalStatus::ok);
    EXPECT_EQ(AudioHAL::readVolume(*hal, mic, 0), 1.5f);
    EXPECT_EQ(serverVolume("mic1", 1), 98304u);

    // Channels are elements 1..n; the overall volume keeps their balance.
    ASSERT_EQ(hal->setPropertyData(mic, AudioHAL::volumeAddress(1), 0.25f), HalStatus::ok);
    EXPECT_EQ(AudioHAL::readVolume(*hal, mic, 0), 1.5f);
    EXPECT_EQ(AudioHAL::readVolume(*hal, mic, 2), 1.5f);
    ASSERT_EQ(hal->setPropertyData(mic, AudioHAL::volumeAddress(0), 0.75f), HalStatus::ok);
    EXPECT_EQ(serverVolume("mic1", 0), 8192u);
    EXPECT_EQ(serverVolume("mic1", 1), 49152u);

    // A level set elsewhere comes back to exactly the same integer volume.
    m_server->pactl("set-source-volume mic1 98765 98765");
    ASSERT_TRUE(eventually([&] { return AudioHAL::readVolume(*hal, mic, 1) > 1.0f; }));
    const float saved = *AudioHAL::readVolume(*hal, mic, 0);
    ASSERT_EQ(hal->setPropertyData(mic, AudioHAL::volumeAddress(0), 0.0f), HalStatus::ok);
    EXPECT_EQ(serverVolume("mic1", 0), 0u);
    ASSERT_EQ(hal->setPropertyData(mic, AudioHAL::volumeAddress(0), saved), HalStatus::ok);
    EXPECT_EQ(serverVolume("mic1", 0), 98765u);
    EXPECT_EQ(serverVolume("mic1", 1), 98765u);

    // Bad writes fail and change nothing.
    EXPECT_NE(hal->setPropertyData(mic, AudioHAL::volumeAddress(0), std::nanf("")), HalStatus::ok);
    EXPECT_NE(hal->setPropertyData(mic, AudioHAL::volumeAddress(3), 0.5f), HalStatus::ok);
    EXPECT_NE(hal->setPropertyData(mic, AudioHAL::kMuteAddress, 0.5f), HalStatus::ok);
    EXPECT_NE(hal->setPropertyData(mic, AudioHAL::kUIDAddress, std::string("x")), HalStatus::ok);
    EXPECT_EQ(hal->setPropertyData(9999, AudioHAL::kMuteAddress, std::uint32_t(0)),
              HalStatus::badObject);
    EXPECT_EQ(serverVolume("mic1", 0), 98765u);
    EXPECT_EQ(AudioHAL::readMute(*hal, mic), 1u);
}

TEST_F(PulseHalTest, ARestartedServerIsFoundAgain) {
    std::mutex logMutex;
    std::vector<std::string> errors;
    Log::setSink([&](Log::Level level, Log::Category, const std::string& message) {
        std::lock_guard lock(logMutex);
        if (level == Log::Level::error)
            errors.push_back(message);
    });
    auto hal = openHal();
    waitForDevice(*hal, "mic1");
    Recorder recorder;
    recorder.listen(*hal, kAudioObjectSystemObject, AudioHAL::kDevicesAddress, "devices");
    recorder.listen(*hal, kAudioObjectSystemObject, AudioHAL::kDefaultInputAddress, "default");

    m_server->stop(SIGKILL);
    ASSERT_TRUE(recorder.waitForSequence({"devices", "default"}));
    PropertyValue value;
    EXPECT_EQ(hal->getPropertyData(kAudioObjectSystemObject, AudioHAL::kDevicesAddress, value),
              HalStatus::notRunning);
    EXPECT_TRUE(AudioHAL::allDeviceIDs(*hal).empty());
    // Long enough for several reconnection attempts.
    std::this_thread::sleep_for(800ms);

    m_server->start();
    m_server->addSource("mic1", "TestMic");
    const AudioObjectID mic = waitForDevice(*hal, "mic1");
    EXPECT_TRUE(recorder.waitForSequence({"devices", "default", "devices", "default"}));
    EXPECT_EQ(hal->setPropertyData(mic, AudioHAL::kMuteAddress, std::uint32_t(1)), HalStatus::ok);
    Log::setSink({});
    std::lock_guard lock(logMutex);
    EXPECT_EQ(errors.size(), 1u) << "one line per outage, not per attempt";
}

TEST(PulseVolume, EveryLevelUpToFourTimesSurvivesTheFloatRoundTrip) {
    for (std::uint32_t volume = 0; volume <= 4 * PulseVolume::kNorm; ++volume)
        ASSERT_EQ(PulseVolume::fromScalar(PulseVolume::toScalar(volume)), volume);
    EXPECT_EQ(PulseVolume::fromScalar(-0.5f), 0u);
    EXPECT_EQ(PulseVolume::fromScalar(1e30f), PulseVolume::kMax);
    EXPECT_FALSE(PulseVolume::fromScalar(std::nanf("")));
    EXPECT_EQ(PulseVolume::scaled({0, 0}, 1000), (std::vector<std::uint32_t>{1000, 1000}));
}

} // namespace
