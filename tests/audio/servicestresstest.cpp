// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/audiohal.h"
#include "servicetestsupport.h"

#include <random>

using namespace quietlane;
using quietlane::testing::ServiceTest;

TEST_F(ServiceTest, RandomTogglesPlugsAndExternalMutesEndInTheRealStateWithNoVolumeLost) {
    struct Plug {
        SimulatedDevice device;
        std::optional<AudioObjectID> id;
    };
    std::vector<Plug> plugs = {
        {SimulatedDevice::withMute("hw"), {}},
        {SimulatedDevice::withVolumes("multi", {{0, 0.6f}, {1, 0.5f}, {2, 0.7f}}, {2}), {}},
        {SimulatedDevice::withVolumes("boosted", {{0, 1.5f}}), {}},
        {SimulatedDevice::withVolumes("deaf", {}), {}},
    };
    for (Plug& plug : plugs)
        plug.id = hal.addDevice(plug.device);
    hal.setDefaultInput(*plugs[1].id);
    const std::vector<DeviceSelection> selections = {
        DeviceSelection::allInputs(), DeviceSelection::systemDefault(),
        DeviceSelection::pinned("multi"), DeviceSelection::pinned("boosted")};
    DeviceSelection selection = selections[0];
    start(selection);

    std::mt19937 random(20261206);
    const auto pick = [&random](std::size_t count) {
        return std::size_t(random() % count);
    };
    for (int step = 0; step < 10000; ++step) {
        switch (pick(16)) {
        case 0:
            if (plugs[0].id)
                hal.setMuteExternally(*plugs[0].id, pick(2) == 0);
            break;
        case 1: {
            // Unplugging keeps the device's current levels, as real hardware would.
            Plug& plug = plugs[pick(plugs.size())];
            if (plug.id) {
                plug.device = *hal.unplugDevice(*plug.id);
                plug.id.reset();
            } else {
                plug.id = hal.addDevice(plug.device);
            }
            break;
        }
        case 2:
            if (auto& plug = plugs[pick(plugs.size())]; plug.id)
                hal.setDefaultInput(*plug.id);
            break;
        case 3:
            selection = selections[pick(selections.size())];
            service->setSelection(selection);
            break;
        case 4:
            settle();
            break;
        default:
            // What the controller's toggle does: ask for the opposite of what it last saw.
            service->setMuted(!last().isMuted);
        }
        if (pick(4) == 0)
            main.runUntil([] { return false; }, std::chrono::seconds(0));
    }
    settle();
    const auto targets = resolveTargets(hal, selection);
    EXPECT_EQ(last(), AudioDeviceService::computeState(hal, selection, targets));

    for (Plug& plug : plugs) {
        if (!plug.id)
            plug.id = hal.addDevice(plug.device);
    }
    service->setSelection(DeviceSelection::allInputs());
    service->setMuted(false);
    settle();
    EXPECT_FALSE(hal.device(*plugs[0].id)->muted);
    EXPECT_EQ(AudioHAL::readVolume(hal, *plugs[1].id, 0), 0.6f);
    EXPECT_EQ(AudioHAL::readVolume(hal, *plugs[1].id, 1), 0.5f);
    EXPECT_EQ(AudioHAL::readVolume(hal, *plugs[1].id, 2), 0.7f);
    EXPECT_EQ(AudioHAL::readVolume(hal, *plugs[2].id, 0), 1.5f);
    EXPECT_TRUE(snapshotsOnDisk().empty());
}
