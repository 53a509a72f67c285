// SPDX-License-Identifier: GPL-3.0-or-later
// What the user asked for last is what the microphone ends up as, however far the server
// lags behind the requests, and what another program chose afterwards stands.
#include "servicetestsupport.h"

using namespace quietlane;
using quietlane::testing::ServiceTest;

namespace {

std::vector<bool> muteWrites(const SimulatedServer& server) {
    std::vector<bool> values;
    for (const SimulatedWrite& write : server.writes()) {
        if (write.muted)
            values.push_back(*write.muted);
    }
    return values;
}

} // namespace

TEST_F(ServiceTest, AfterAStallTheLastPressWinsWhateverTheReportsMeanwhile) {
    for (const int presses : {2, 3, 4}) {
        for (const bool startMuted : {false, true}) {
            SCOPED_TRACE(std::to_string(presses) + (startMuted ? " from muted" : " from live"));
            // Gone before the device is plugged in again: a service that still held a
            // muted microphone would mute the new one as it joins.
            service.reset();
            server.removeDevice("mic");
            server.addDevice(SimulatedDevice::withMute("mic", startMuted));
            server.setDefaultInput("mic");
            start(DeviceSelection::systemDefault());

            server.holdWrites();
            for (int press = 0; press < presses; ++press)
                service->toggle();
            const bool wanted = presses % 2 == 1 ? !startMuted : startMuted;
            EXPECT_EQ(service->intendedMuted(), wanted);
            server.waitUntilHeld(std::size_t(presses));
            // A report while the server catches up is not another program's choice.
            server.setMuteExternally("mic", !wanted);
            server.releaseWrites();
            settle();
            EXPECT_EQ(serverMuted("mic"), wanted);
            EXPECT_EQ(last().isMuted, wanted);
        }
    }
}

TEST_F(ServiceTest, DevicesJoiningWhileMutedAreMutedAndOthersChoicesAreKept) {
    server.addDevice(SimulatedDevice::withMute("first"));
    auto pinnedDevice = SimulatedDevice::withMute("pinned");
    server.addDevice(pinnedDevice);
    start(DeviceSelection::allInputs());

    service->setMuted(true);
    settle();
    EXPECT_TRUE(last().isMuted);

    // A fallback device that comes back silent keeps the levels saved when it went.
    server.addDevice(SimulatedDevice::withVolumes("quiet", {{0, 0.6f}}));
    settle();
    EXPECT_EQ(server.device("quiet")->volumes.at(0).value, 0.f);
    auto unplugged = *server.unplugDevice("quiet");
    settle();
    server.addDevice(unplugged);
    settle();
    EXPECT_EQ(snapshotsOnDisk().at("quiet").at("0"), 0.6f);

    // A pinned device that comes back unmuted (a replug resets it) follows the intent.
    service->setSelection(DeviceSelection::pinned("pinned"));
    settle();
    server.removeDevice("pinned");
    settle();
    server.addDevice(pinnedDevice);
    settle();
    EXPECT_TRUE(serverMuted("pinned"));
    EXPECT_TRUE(last().isMuted);

    // Another application unmuted it: that is now what the user has, and a device that
    // joins later is left as it comes. An unmute is never pushed onto a joining device.
    service->setSelection(DeviceSelection::allInputs());
    server.setMuteExternally("first", false);
    settle();
    EXPECT_FALSE(last().isMuted);
    server.addDevice(SimulatedDevice::withMute("late"));
    server.addDevice(SimulatedDevice::withMute("late-muted", true));
    settle();
    EXPECT_FALSE(serverMuted("late"));
    EXPECT_TRUE(serverMuted("late-muted"));
}

TEST_F(ServiceTest, NoServerIsNotALiveMicrophoneAndPressesMeanwhileAreDropped) {
    server.addDevice(SimulatedDevice::withMute("mic"));
    server.setDefaultInput("mic");
    start(DeviceSelection::systemDefault());
    service->setMuted(true);
    settle();

    server.setReachable(false);
    settle();
    EXPECT_FALSE(last().isAvailable);
    server.clearWrites();
    service->toggle();
    settle();
    EXPECT_TRUE(muteWrites(server).empty());

    // Back, and the microphone was reset meanwhile: the user still wanted it muted.
    server.setMuteExternally("mic", false);
    server.setReachable(true);
    settle();
    EXPECT_TRUE(last().isAvailable);
    EXPECT_TRUE(last().isMuted);
    EXPECT_EQ(muteWrites(server), std::vector<bool>{true});
}
