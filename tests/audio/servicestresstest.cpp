// SPDX-License-Identifier: GPL-3.0-or-later
#include "servicetestsupport.h"

#include <random>

using namespace quietlane;
using quietlane::testing::ServiceTest;

TEST_F(ServiceTest, RandomTogglesPlugsAndExternalMutesEndInTheRealStateWithNoVolumeLost) {
    struct Plug {
        SimulatedDevice device;
        bool plugged = false;
    };
    std::vector<Plug> plugs = {
        {SimulatedDevice::withMute("hw"), {}},
        {SimulatedDevice::withVolumes("multi", {{0, 0.6f}, {1, 0.5f}, {2, 0.7f}}, {2}), {}},
        {SimulatedDevice::withVolumes("boosted", {{0, 1.5f}}), {}},
        {SimulatedDevice::withVolumes("deaf", {}), {}},
    };
    for (Plug& plug : plugs)
        plug.plugged = !server.addDevice(plug.device).empty();
    const std::vector<Plug> original = plugs;
    server.setDefaultInput("multi");
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
            server.setMuteExternally("hw", pick(2) == 0);
            break;
        case 1: {
            // Unplugging keeps the device's current levels, as real hardware would.
            Plug& plug = plugs[pick(plugs.size())];
            if (plug.plugged)
                plug.device = *server.unplugDevice(plug.device.uid);
            else
                server.addDevice(plug.device);
            plug.plugged = !plug.plugged;
            break;
        }
        case 2:
            if (auto& plug = plugs[pick(plugs.size())]; plug.plugged)
                server.setDefaultInput(plug.device.uid);
            break;
        case 3:
            selection = selections[pick(selections.size())];
            service->setSelection(selection);
            break;
        case 4:
            settle();
            break;
        case 5:
            service->toggle();
            break;
        default:
            service->setMuted(!last().isMuted);
        }
        if (pick(4) == 0)
            main.runUntil([] { return false; }, std::chrono::seconds(0));
    }
    settle();
    const ServerState now = server.state();
    EXPECT_EQ(last(),
              AudioDeviceService::computeState(now, selection, resolveTargets(now, selection)));

    for (Plug& plug : plugs) {
        if (!plug.plugged)
            server.addDevice(plug.device);
    }
    service->setSelection(DeviceSelection::allInputs());
    service->setMuted(false);
    settle();
    EXPECT_FALSE(serverMuted("hw"));
    for (const Plug& plug : original) {
        for (const auto& [element, volume] : plug.device.volumes)
            EXPECT_EQ(server.device(plug.device.uid)->volumes.at(element).value, volume.value)
                << plug.device.uid << " " << element;
    }
    EXPECT_TRUE(snapshotsOnDisk().empty());
}
