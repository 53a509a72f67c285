// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/simulatedhal.h"
#include "audio/audiohal.h"
#include "audio/audioinputdevice.h"
#include "audio/serialqueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>

using namespace quietlane;

namespace {

// Waits until every item queued so far on `queue` has run.
void drain(SerialQueue& queue) {
    std::promise<void> done;
    queue.async([&] { done.set_value(); });
    done.get_future().wait();
}

ListenerBlock counter(std::atomic<int>& count) {
    return std::make_shared<const std::function<void()>>([&count] { ++count; });
}

} // namespace

TEST(SimulatedHal, ListenersFireOnlyOnRealChangesAndStopAfterRemoval) {
    SimulatedHal hal;
    auto withBoth = SimulatedDevice::withMute("mic");
    withBoth.volumes[0] = {0.5f, true};
    const auto mic = hal.addDevice(withBoth);
    SerialQueue queue("test");
    std::atomic<int> muteEvents = 0, volumeEvents = 0, defaultEvents = 0;
    auto muteListener = counter(muteEvents);
    ASSERT_EQ(hal.addPropertyListener(mic, AudioHAL::kMuteAddress, queue, muteListener), 0);
    ASSERT_EQ(
        hal.addPropertyListener(mic, AudioHAL::volumeAddress(0), queue, counter(volumeEvents)), 0);
    ASSERT_EQ(hal.addPropertyListener(kAudioObjectSystemObject, AudioHAL::kDefaultInputAddress,
                                      queue, counter(defaultEvents)),
              0);

    EXPECT_EQ(hal.setPropertyData(mic, AudioHAL::kMuteAddress, std::uint32_t(1)), 0);
    EXPECT_EQ(hal.setPropertyData(mic, AudioHAL::kMuteAddress, std::uint32_t(1)), 0);
    hal.setMuteExternally(mic, true);
    hal.setMuteExternally(mic, false);
    // Sources may be boosted past 100%, so values above 1.0 are kept as they are.
    EXPECT_EQ(hal.setPropertyData(mic, AudioHAL::volumeAddress(0), 1.5f), 0);
    EXPECT_EQ(AudioHAL::readVolume(hal, mic, 0), 1.5f);
    hal.setDefaultInput(mic);
    hal.removeDevice(mic); // the default goes with it
    drain(queue);
    EXPECT_EQ(muteEvents, 2);
    EXPECT_EQ(volumeEvents, 1);
    EXPECT_EQ(defaultEvents, 2);
    EXPECT_EQ(hal.defaultInput(), kAudioObjectUnknown);

    // Only the very block registered is removed.
    auto other = counter(muteEvents);
    hal.removePropertyListener(mic, AudioHAL::kMuteAddress, queue, other);
    EXPECT_EQ(hal.listenerCount(), 3u);
    hal.removePropertyListener(mic, AudioHAL::kMuteAddress, queue, muteListener);
    EXPECT_EQ(hal.listenerCount(), 2u);
}

TEST(SimulatedHal, SeedDocumentDescribesEveryKindOfDevice) {
    std::string error;
    auto hal = SimulatedHal::fromJson(R"({
        "default": "usb",
        "devices": [
            {"uid": "usb", "name": "USB Mic", "channels": [2], "mute": true},
            {"uid": "cam", "nameReadable": false, "volumes": {"0": 0.6, "1": {"value": 1.25, "settable": false}}},
            {"uid": "hidden", "uidReadable": false},
            {"uid": "speakers", "channels": []}
        ]})",
                                      &error);
    ASSERT_TRUE(hal) << error;
    const auto devices = enumerateInputDevices(*hal);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].name, "USB Mic");
    EXPECT_TRUE(devices[0].isDefault);
    EXPECT_TRUE(devices[0].canHardwareMute);
    EXPECT_EQ(devices[1].name, "Микрофон");
    EXPECT_FALSE(devices[1].canHardwareMute);
    EXPECT_EQ(AudioHAL::settableVolumeElements(*hal, devices[1].objectID),
              std::vector<std::uint32_t>{0});
    EXPECT_EQ(AudioHAL::readVolume(*hal, devices[1].objectID, 1), 1.25f);

    hal = SimulatedHal::fromJson(R"({"default": 0, "defaultReadable": false})", &error);
    ASSERT_TRUE(hal) << error;
    EXPECT_FALSE(AudioHAL::defaultInputDevice(*hal));

    for (const char* bad : {R"({"devices": [{"uid": "x", "uidReadble": false}]})",
                            R"({"default": "nobody", "devices": []})",
                            R"({"devices": [{"uid": "x", "volumes": {"0": -1}}]})",
                            R"({"devices": [{"name": "no uid"}]})", "[1,2", "[]"}) {
        error.clear();
        EXPECT_FALSE(SimulatedHal::fromJson(bad, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}
