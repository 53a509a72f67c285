// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/audiohal.h"
#include "servicetestsupport.h"

#include <algorithm>
#include <fstream>

using namespace quietlane;
using quietlane::testing::ServiceTest;

namespace {

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::pair<std::uint32_t, float>> volumeWrites(const SimulatedHal& hal,
                                                          AudioObjectID id) {
    std::vector<std::pair<std::uint32_t, float>> writes;
    for (const HalWrite& write : hal.writes()) {
        if (write.object == id && write.address.selector == Selector::volumeScalar)
            writes.emplace_back(write.address.element, std::get<float>(write.value));
    }
    return writes;
}

} // namespace

TEST_F(ServiceTest, WithoutTargetsNothingIsMutedAndNothingIsWritten) {
    auto output = SimulatedDevice::withMute("speakers");
    output.inputChannels = {};
    hal.addDevice(output);

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
    EXPECT_TRUE(hal.writes().empty());
}

TEST_F(ServiceTest, MixedTargetsMuteTogetherAndVolumesComeBackExactly) {
    const auto hardware = hal.addDevice(SimulatedDevice::withMute("hw", true));
    // Boosted past 100% on purpose: the level must come back unclamped.
    const auto boosted = hal.addDevice(
        SimulatedDevice::withVolumes("boosted", {{0, 1.5f}, {1, 0.25f}, {2, 0.7f}}, {2}));
    const auto deaf = hal.addDevice(SimulatedDevice::withVolumes("deaf", {}));
    start(DeviceSelection::allInputs());
    EXPECT_FALSE(last().isMuted);
    EXPECT_TRUE(last().usingVolumeFallback);
    EXPECT_EQ(last().devices.size(), 3u);

    service->setMuted(true);
    settle();
    // The device without any control cannot be silenced and must not hold the state back.
    EXPECT_TRUE(last().isMuted);
    EXPECT_TRUE(contains(logged(), "no settable mute or volume for deaf"));
    EXPECT_EQ(volumeWrites(hal, boosted),
              (std::vector<std::pair<std::uint32_t, float>>{{0, 0.f}, {1, 0.f}, {2, 0.f}}));
    EXPECT_EQ(snapshotsOnDisk().at("boosted"),
              (std::map<std::string, float>{{"0", 1.5f}, {"1", 0.25f}, {"2", 0.7f}}));

    // A second mute finds zeros and must not overwrite the saved levels.
    service->setMuted(true);
    settle();
    EXPECT_EQ(snapshotsOnDisk().at("boosted").at("0"), 1.5f);

    hal.clearWrites();
    service->setMuted(false);
    settle();
    EXPECT_FALSE(last().isMuted);
    EXPECT_FALSE(hal.device(hardware)->muted);
    EXPECT_EQ(volumeWrites(hal, boosted),
              (std::vector<std::pair<std::uint32_t, float>>{{0, 1.5f}, {1, 0.25f}, {2, 0.7f}}));
    EXPECT_TRUE(snapshotsOnDisk().empty());
    // A second unmute, as from two clicks before the state arrived, keeps the level.
    service->setMuted(false);
    settle();
    EXPECT_EQ(AudioHAL::readVolume(hal, boosted, 0), 1.5f);

    // Without a saved level the only safe guess is full volume.
    hal.setVolumeExternally(boosted, 0, 0.f);
    service->setMuted(false);
    settle();
    EXPECT_EQ(AudioHAL::readVolume(hal, boosted, 0), 1.0f);
    (void)deaf;
}

TEST_F(ServiceTest, NearSilentVolumesCountAsMuted) {
    const auto mic =
        hal.addDevice(SimulatedDevice::withVolumes("mic", {{0, 0.00005f}, {1, 0.00005f}}));
    hal.setDefaultInput(mic);
    start(DeviceSelection::systemDefault());
    EXPECT_TRUE(last().isMuted);
    hal.setVolumeExternally(mic, 0, 0.0002f);
    settle();
    EXPECT_FALSE(last().isMuted);
}

TEST_F(ServiceTest, SnapshotIsOnDiskBeforeAnyZeroIsWritten) {
    const auto mic = hal.addDevice(SimulatedDevice::withVolumes("mic", {{0, 0.6f}}));
    hal.setDefaultInput(mic);
    start(DeviceSelection::systemDefault());

    // Play a crash at the first zero: whatever is on disk then is all a restart would find.
    std::optional<MutePersistence::Stored> onDiskAtFirstZero;
    hal.setCallHook([&](HalOperation operation, AudioObjectID,
                        const PropertyAddress& address) -> std::optional<OSStatus> {
        if (operation != HalOperation::setData || address.selector != Selector::volumeScalar)
            return std::nullopt;
        if (!onDiskAtFirstZero)
            onDiskAtFirstZero = snapshotsOnDisk();
        return HalStatus::notRunning;
    });
    service->setMuted(true);
    settle();
    hal.setCallHook({});
    ASSERT_TRUE(onDiskAtFirstZero);
    EXPECT_EQ(onDiskAtFirstZero->at("mic").at("0"), 0.6f);
    EXPECT_FALSE(last().isMuted);
    EXPECT_EQ(AudioHAL::readVolume(hal, mic, 0), 0.6f);
}

TEST_F(ServiceTest, VolumesStayUntouchedWhileTheirSnapshotCannotBeKept) {
    // A preferences file inside a regular file can never be written, even by root.
    std::ofstream(m_dir.path / "blocker") << "x";
    preferences = std::make_unique<Preferences>(m_dir.path / "blocker" / "preferences.json");
    const auto mic = hal.addDevice(SimulatedDevice::withVolumes("mic", {{0, 0.6f}}));
    hal.setDefaultInput(mic);
    start(DeviceSelection::systemDefault());
    service->setMuted(true);
    settle();
    EXPECT_EQ(AudioHAL::readVolume(hal, mic, 0), 0.6f);
    EXPECT_FALSE(last().isMuted);
}

TEST_F(ServiceTest, FailedWritesAreLoggedAndNothingIsLost) {
    const auto hardware = hal.addDevice(SimulatedDevice::withMute("hw"));
    const auto mic = hal.addDevice(SimulatedDevice::withVolumes("mic", {{0, 0.6f}, {1, 0.4f}}));
    start(DeviceSelection::allInputs());

    hal.injectFault({.operation = HalOperation::setData,
                     .object = hardware,
                     .selector = Selector::mute,
                     .status = 561,
                     .times = 1});
    service->setMuted(true);
    settle();
    EXPECT_TRUE(contains(logged(), "setMute failed: 561 for hw"));
    EXPECT_FALSE(last().isMuted);

    // One restoring write fails: the saved levels are the only copy and must survive.
    hal.injectFault({.operation = HalOperation::setData, .object = mic, .element = 1u, .times = 1});
    service->setMuted(false);
    settle();
    EXPECT_EQ(AudioHAL::readVolume(hal, mic, 1), 0.f);
    EXPECT_TRUE(snapshotsOnDisk().contains("mic"));
    service->setMuted(false);
    settle();
    EXPECT_EQ(AudioHAL::readVolume(hal, mic, 1), 0.4f);
    EXPECT_TRUE(snapshotsOnDisk().empty());
}

TEST_F(ServiceTest, TargetsFollowPlugsDefaultChangesAndRetriedListeners) {
    const auto first = hal.addDevice(SimulatedDevice::withMute("first"));
    auto pinnedDevice = SimulatedDevice::withMute("pinned");
    pinnedDevice.name = "Pinned Mic";
    auto pinned = hal.addDevice(pinnedDevice);
    hal.setDefaultInput(first);

    start(DeviceSelection::pinned("pinned"));
    EXPECT_EQ(last().activeDeviceName, "Pinned Mic");
    hal.removeDevice(pinned);
    settle();
    EXPECT_FALSE(last().activeDeviceName);
    pinned = hal.addDevice(pinnedDevice);
    settle();
    EXPECT_EQ(last().activeDeviceName, "Pinned Mic");
    hal.setMuteExternally(pinned, true);
    settle();
    EXPECT_TRUE(last().isMuted);

    // The listener on the new default fails once; the next resync must install it.
    service->setSelection(DeviceSelection::systemDefault());
    settle();
    hal.injectFault({.operation = HalOperation::addListener,
                     .object = pinned,
                     .selector = Selector::mute,
                     .times = 1});
    hal.setDefaultInput(pinned);
    settle();
    EXPECT_TRUE(last().isMuted);
    const auto published = states.size();
    hal.setMuteExternally(pinned, false);
    hal.setMuteExternally(first, true); // no longer a target: no listener either
    settle();
    EXPECT_EQ(states.size(), published);
    hal.addDevice(SimulatedDevice::withMute("hotplugged"));
    settle();
    hal.setMuteExternally(pinned, true);
    settle();
    EXPECT_TRUE(last().isMuted);
    EXPECT_EQ(last().activeDeviceName, "Pinned Mic");
}

TEST_F(ServiceTest, TeardownWithQueuedWorkUnregistersEverythingAndDropsStates) {
    hal.addDevice(SimulatedDevice::withMute("hw"));
    start(DeviceSelection::allInputs());
    EXPECT_EQ(hal.listenerCount(), 4u);
    for (int i = 0; i < 2000; ++i)
        service->setMuted(i % 2 == 0);
    const auto published = states.size();
    service.reset();
    EXPECT_EQ(hal.listenerCount(), 0u);
    main.runUntil([] { return false; }, std::chrono::seconds(0));
    EXPECT_EQ(states.size(), published);
}
