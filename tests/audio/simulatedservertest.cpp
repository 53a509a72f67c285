// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/simulatedserver.h"
#include "audio/audioinputdevice.h"

#include <gtest/gtest.h>

using namespace quietlane;

TEST(SimulatedServer, WatchersHearRealChangesOnlyAndNothingAfterUnwatch) {
    SimulatedServer server;
    server.addDevice(SimulatedDevice::withMute("mic"));
    std::vector<ServerState> heard;
    const int watch = server.watch([&heard](const ServerState& state) { heard.push_back(state); });
    std::optional<SoundError> answer = SoundError::refused;
    server.setMuted("mic", true, [&answer](std::optional<SoundError> error) { answer = error; });
    EXPECT_FALSE(answer);
    server.setMuteExternally("mic", true);
    server.setDefaultInput("mic");
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_TRUE(heard[0].find("mic")->muted);
    EXPECT_EQ(heard[1].defaultSource, "mic");

    server.unwatch(watch);
    server.removeDevice("mic"); // the default goes with it
    EXPECT_EQ(heard.size(), 2u);
    EXPECT_EQ(server.defaultInput(), "");
    server.setMuted("mic", false, [&answer](std::optional<SoundError> error) { answer = error; });
    EXPECT_EQ(answer, SoundError::noSuchSource);
}

TEST(SimulatedServer, SeedDocumentDescribesEveryKindOfDevice) {
    auto seeded = SimulatedServer::fromJson(R"({
        "default": "usb",
        "devices": [
            {"uid": "usb", "name": "USB Mic", "channels": [2], "mute": true},
            {"uid": "cam", "nameReadable": false, "volumes": {"0": 0.6, "1": {"value": 1.25, "settable": false}}},
            {"uid": "hidden", "uidReadable": false},
            {"uid": "speakers", "channels": []}
        ]})");
    ASSERT_TRUE(seeded) << seeded.error();
    const ServerState state = (*seeded)->state();
    const auto devices = enumerateInputDevices(state);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].name, "USB Mic");
    EXPECT_TRUE(devices[0].isDefault);
    EXPECT_TRUE(devices[0].canHardwareMute);
    EXPECT_EQ(devices[1].name, "Микрофон");
    EXPECT_FALSE(devices[1].canHardwareMute);
    EXPECT_EQ(settableVolumeElements(*state.find("cam")), std::vector<std::uint32_t>{0});
    EXPECT_EQ(state.find("cam")->volumes.at(1).value, 1.25f);

    // Older documents name the default by its place in the list, counted from 2.
    seeded =
        SimulatedServer::fromJson(R"({"default": 3, "devices": [{"uid": "a"}, {"uid": "b"}]})");
    ASSERT_TRUE(seeded) << seeded.error();
    EXPECT_EQ((*seeded)->state().defaultSource, "b");
    seeded = SimulatedServer::fromJson(R"({"default": 0, "defaultReadable": false})");
    ASSERT_TRUE(seeded) << seeded.error();
    EXPECT_FALSE((*seeded)->state().defaultSource);

    for (const char* bad : {R"({"devices": [{"uid": "x", "uidReadble": false}]})",
                            R"({"default": "nobody", "devices": []})",
                            R"({"devices": [{"uid": "x", "volumes": {"0": -1}}]})",
                            R"({"devices": [{"name": "no uid"}]})", "[1,2", "[]"}) {
        const auto rejected = SimulatedServer::fromJson(bad);
        ASSERT_FALSE(rejected) << bad;
        EXPECT_FALSE(rejected.error().empty()) << bad;
    }
}
