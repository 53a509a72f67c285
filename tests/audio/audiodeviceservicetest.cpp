// SPDX-License-Identifier: GPL-3.0-or-later
#include "servicetestsupport.h"

#include <algorithm>
#include <fstream>

using namespace quietlane;
using quietlane::testing::ServiceTest;

namespace {

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::map<std::uint32_t, float>> volumeWrites(const SimulatedServer& server,
                                                         const std::string& uid) {
    std::vector<std::map<std::uint32_t, float>> writes;
    for (const SimulatedWrite& write : server.writes()) {
        if (write.source == uid && !write.muted)
            writes.push_back(write.volumes);
    }
    return writes;
}

float volume(const SimulatedServer& server, const std::string& uid, std::uint32_t element) {
    return server.device(uid)->volumes.at(element).value;
}

} // namespace

TEST_F(ServiceTest, WithoutTargetsNothingIsMutedAndNothingIsWritten) {
    auto output = SimulatedDevice::withMute("speakers");
    output.inputChannels = {};
    server.addDevice(output);

    for (const auto& selection : {DeviceSelection::pinned("absent"),
                                  DeviceSelection::systemDefault(), DeviceSelection::allInputs()}) {
        service.reset();
        start(selection);
        service->setMuted(true);
        settle();
        EXPECT_FALSE(last().isMuted);
        EXPECT_FALSE(last().usingVolumeFallback);
        EXPECT_EQ(last().activeDeviceName.has_value(),
                  selection.kind == DeviceSelection::Kind::allInputs);
    }
    EXPECT_TRUE(server.writes().empty());
}

TEST_F(ServiceTest, MixedTargetsMuteTogetherAndVolumesComeBackExactly) {
    server.addDevice(SimulatedDevice::withMute("hw", true));
    // Boosted past 100% on purpose: the level must come back unclamped.
    server.addDevice(
        SimulatedDevice::withVolumes("boosted", {{0, 1.5f}, {1, 0.25f}, {2, 0.7f}}, {2}));
    server.addDevice(SimulatedDevice::withVolumes("deaf", {}));
    start(DeviceSelection::allInputs());
    EXPECT_FALSE(last().isMuted);
    EXPECT_TRUE(last().usingVolumeFallback);
    EXPECT_EQ(last().devices.size(), 3u);

    service->setMuted(true);
    settle();
    // The device without any control cannot be silenced and must not hold the state back.
    EXPECT_TRUE(last().isMuted);
    EXPECT_TRUE(contains(logged(), "no settable mute or volume for deaf"));
    EXPECT_EQ(volumeWrites(server, "boosted"),
              (std::vector<std::map<std::uint32_t, float>>{{{0, 0.f}, {1, 0.f}, {2, 0.f}}}));
    EXPECT_EQ(snapshotsOnDisk().at("boosted"),
              (std::map<std::string, float>{{"0", 1.5f}, {"1", 0.25f}, {"2", 0.7f}}));

    server.clearWrites();
    service->setMuted(false);
    settle();
    EXPECT_FALSE(last().isMuted);
    EXPECT_FALSE(serverMuted("hw"));
    EXPECT_EQ(volumeWrites(server, "boosted"),
              (std::vector<std::map<std::uint32_t, float>>{{{0, 1.5f}, {1, 0.25f}, {2, 0.7f}}}));
    EXPECT_TRUE(snapshotsOnDisk().empty());
    // A second unmute, as from two clicks before the state arrived, keeps the level.
    service->setMuted(false);
    settle();
    EXPECT_EQ(volume(server, "boosted", 0), 1.5f);

    // Without a saved level the only safe guess is full volume.
    server.setVolumeExternally("boosted", 0, 0.f);
    service->setMuted(false);
    settle();
    EXPECT_EQ(volume(server, "boosted", 0), 1.0f);
}

TEST_F(ServiceTest, NearSilentVolumesCountAsMuted) {
    server.addDevice(SimulatedDevice::withVolumes("mic", {{0, 0.00005f}, {1, 0.00005f}}));
    server.setDefaultInput("mic");
    start(DeviceSelection::systemDefault());
    EXPECT_TRUE(last().isMuted);
    server.setVolumeExternally("mic", 0, 0.0002f);
    settle();
    EXPECT_FALSE(last().isMuted);
}

TEST_F(ServiceTest, VolumesStayUntouchedWhileTheirSnapshotCannotBeKept) {
    // A preferences file inside a regular file can never be written, even by root.
    std::ofstream(m_dir.path / "blocker") << "x";
    preferences = std::make_unique<Preferences>(m_dir.path / "blocker" / "preferences.json");
    server.addDevice(SimulatedDevice::withVolumes("mic", {{0, 0.6f}}));
    server.setDefaultInput("mic");
    start(DeviceSelection::systemDefault());
    service->setMuted(true);
    settle();
    EXPECT_EQ(volume(server, "mic", 0), 0.6f);
    EXPECT_FALSE(last().isMuted);
}

TEST_F(ServiceTest, FailedWritesAreLoggedInPlainWordsAndNothingIsLost) {
    server.addDevice(SimulatedDevice::withMute("hw"));
    server.addDevice(SimulatedDevice::withVolumes("mic", {{0, 0.6f}, {1, 0.4f}}));
    start(DeviceSelection::allInputs());
    service->setMuted(true);
    settle();
    ASSERT_TRUE(last().isMuted);

    // The restoring write is refused: the saved levels are the only copy and must survive.
    server.failWrites(SoundError::refused);
    service->setMuted(false);
    settle();
    EXPECT_TRUE(contains(logged(), "setMute failed: the sound server refused the request for hw"));
    EXPECT_TRUE(contains(logged(), "restoring the input volume failed: the sound server refused "
                                   "the request for mic"));
    EXPECT_TRUE(last().isMuted);
    EXPECT_TRUE(snapshotsOnDisk().contains("mic"));
    server.failWrites(std::nullopt);
    service->setMuted(false);
    settle();
    EXPECT_EQ(volume(server, "mic", 1), 0.4f);
    EXPECT_TRUE(snapshotsOnDisk().empty());
}

TEST_F(ServiceTest, AMuteRightBehindAnUnmuteKeepsTheSavedLevels) {
    server.addDevice(SimulatedDevice::withVolumes("mic", {{0, 0.6f}}));
    server.setDefaultInput("mic");
    start(DeviceSelection::systemDefault());
    service->setMuted(true);
    settle();

    // Both go out before the unmute's answer: the mute sees the zeros still and saves
    // nothing, so the unmute's answer must not take the only copy with it.
    server.holdWrites();
    service->setMuted(false);
    service->setMuted(true);
    server.waitUntilHeld(2);
    server.releaseWrites();
    settle();
    EXPECT_TRUE(last().isMuted);
    EXPECT_EQ(snapshotsOnDisk().at("mic").at("0"), 0.6f);
    service->setMuted(false);
    settle();
    EXPECT_EQ(volume(server, "mic", 0), 0.6f);
}

TEST_F(ServiceTest, TeardownWithQueuedWorkStopsWatchingAndDropsStates) {
    server.addDevice(SimulatedDevice::withMute("hw"));
    start(DeviceSelection::allInputs());
    EXPECT_EQ(server.watcherCount(), 1u);
    for (int i = 0; i < 2000; ++i)
        service->setMuted(i % 2 == 0);
    const auto published = states.size();
    service.reset();
    EXPECT_EQ(server.watcherCount(), 0u);
    main.runUntil([] { return false; }, std::chrono::seconds(0));
    EXPECT_EQ(states.size(), published);
}
