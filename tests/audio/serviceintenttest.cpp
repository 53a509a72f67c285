// SPDX-License-Identifier: GPL-3.0-or-later
// What the user asked for last is what the microphone ends up as, however far the
// server lags behind the requests.
#include "audio/audiohal.h"
#include "servicetestsupport.h"

#include <future>
#include <thread>

using namespace quietlane;
using quietlane::testing::ServiceTest;

namespace {

std::vector<std::uint32_t> muteWrites(const SimulatedHal& hal) {
    std::vector<std::uint32_t> values;
    for (const HalWrite& write : hal.writes()) {
        if (write.address.selector == Selector::mute)
            values.push_back(std::get<std::uint32_t>(write.value));
    }
    return values;
}

// Holds the first mute write inside the HAL, as a server that is slow to answer does.
class StalledWrite {
public:
    explicit StalledWrite(SimulatedHal& hal) : m_hal(hal) {
        hal.setCallHook([this](HalOperation operation, AudioObjectID,
                               const PropertyAddress& address) -> std::optional<OSStatus> {
            if (operation == HalOperation::setData && address.selector == Selector::mute &&
                !m_held.exchange(true)) {
                m_entered.set_value();
                m_release.get_future().wait();
            }
            return std::nullopt;
        });
    }
    ~StalledWrite() { m_hal.setCallHook({}); }
    void waitUntilHeld() { m_entered.get_future().wait(); }
    void release() { m_release.set_value(); }

private:
    SimulatedHal& m_hal;
    std::atomic<bool> m_held = false;
    std::promise<void> m_entered;
    std::promise<void> m_release;
};

} // namespace

TEST_F(ServiceTest, PressesDuringAStallKeepTheirParityAndCollapseIntoTheLastOne) {
    const auto mic = hal.addDevice(SimulatedDevice::withMute("mic", true));
    hal.setDefaultInput(mic);
    start(DeviceSelection::systemDefault());
    ASSERT_TRUE(last().isMuted);

    StalledWrite stall(hal);
    service->toggle();
    stall.waitUntilHeld();
    EXPECT_FALSE(service->intendedMuted());
    // Three more presses while the first is on its way: four in all, so muted again.
    service->toggle();
    service->toggle();
    service->toggle();
    EXPECT_TRUE(service->intendedMuted());
    stall.release();
    settle();
    EXPECT_TRUE(last().isMuted);
    EXPECT_TRUE(hal.device(mic)->muted);
    // The one in flight, then only the newest of those that waited behind it.
    EXPECT_EQ(muteWrites(hal), (std::vector<std::uint32_t>{0, 1}));
}

TEST_F(ServiceTest, AnEarlierStateLandingOnOursIsUndoneButALaterChangeIsKept) {
    const auto mic = hal.addDevice(SimulatedDevice::withMute("mic"));
    hal.setDefaultInput(mic);
    start(DeviceSelection::systemDefault());

    // The server confirms our unmute and then our mute, then reports the earlier "live"
    // once more, as PipeWire's pulse server can; the second read after the mute sees it.
    std::atomic<int> writes = 0;
    std::atomic<int> readsAfterMute = 0;
    hal.setCallHook([&](HalOperation operation, AudioObjectID,
                        const PropertyAddress& address) -> std::optional<OSStatus> {
        if (address.selector != Selector::mute)
            return std::nullopt;
        if (operation == HalOperation::setData)
            ++writes;
        else if (operation == HalOperation::getData && writes == 2 && ++readsAfterMute == 2)
            hal.setMuteExternally(mic, false);
        return std::nullopt;
    });
    service->setMuted(false);
    settle();
    service->setMuted(true);
    settle();
    hal.setCallHook({});
    EXPECT_TRUE(last().isMuted);
    EXPECT_TRUE(hal.device(mic)->muted);
    EXPECT_EQ(muteWrites(hal), (std::vector<std::uint32_t>{0, 1, 1}));

    // Later it is another application's choice: kept, and a toggle builds on it.
    std::this_thread::sleep_for(AudioDeviceService::kReapplyWindow);
    hal.setMuteExternally(mic, false);
    settle();
    EXPECT_FALSE(last().isMuted);
    EXPECT_FALSE(service->intendedMuted());
    service->toggle();
    settle();
    EXPECT_TRUE(last().isMuted);
}

TEST_F(ServiceTest, DevicesJoiningWhileMutedAreMutedAndOthersChoicesAreKept) {
    const auto first = hal.addDevice(SimulatedDevice::withMute("first"));
    auto pinnedDevice = SimulatedDevice::withMute("pinned");
    auto pinned = hal.addDevice(pinnedDevice);
    // Mute cannot act on a device whose UID it cannot read; it must not hold "muted" back.
    auto anonymous = SimulatedDevice::withMute("anonymous");
    anonymous.uidReadable = false;
    const auto anonymousID = hal.addDevice(anonymous);
    start(DeviceSelection::allInputs());

    service->setMuted(true);
    settle();
    EXPECT_TRUE(last().isMuted);
    EXPECT_FALSE(hal.device(anonymousID)->muted);

    const auto plugged = hal.addDevice(SimulatedDevice::withMute("plugged"));
    settle();
    EXPECT_TRUE(hal.device(plugged)->muted);
    EXPECT_TRUE(last().isMuted);

    // A fallback device that comes back silent keeps the levels saved when it went.
    const auto quiet = hal.addDevice(SimulatedDevice::withVolumes("quiet", {{0, 0.6f}}));
    settle();
    EXPECT_EQ(AudioHAL::readVolume(hal, quiet, 0), 0.f);
    auto unplugged = *hal.unplugDevice(quiet);
    settle();
    hal.addDevice(unplugged);
    settle();
    EXPECT_EQ(snapshotsOnDisk().at("quiet").at("0"), 0.6f);

    // A pinned device that comes back unmuted (a replug resets it) follows the intent.
    service->setSelection(DeviceSelection::pinned("pinned"));
    settle();
    hal.removeDevice(pinned);
    settle();
    pinnedDevice.muted = false;
    pinned = hal.addDevice(pinnedDevice);
    settle();
    EXPECT_TRUE(hal.device(pinned)->muted);
    EXPECT_TRUE(last().isMuted);

    // Another application unmuted it: that is now what the user has, and a device that
    // joins later is left as it comes. An unmute is never pushed onto a joining device.
    service->setSelection(DeviceSelection::allInputs());
    hal.setMuteExternally(first, false);
    settle();
    EXPECT_FALSE(last().isMuted);
    const auto late = hal.addDevice(SimulatedDevice::withMute("late"));
    const auto lateMuted = hal.addDevice(SimulatedDevice::withMute("late-muted", true));
    settle();
    EXPECT_FALSE(hal.device(late)->muted);
    EXPECT_TRUE(hal.device(lateMuted)->muted);
}

TEST_F(ServiceTest, NoServerIsNotALiveMicrophoneAndPressesMeanwhileAreDropped) {
    const auto mic = hal.addDevice(SimulatedDevice::withMute("mic"));
    hal.setDefaultInput(mic);
    start(DeviceSelection::systemDefault());
    service->setMuted(true);
    settle();

    std::atomic<bool> serverGone = true;
    hal.setCallHook([&](HalOperation operation, AudioObjectID,
                        const PropertyAddress&) -> std::optional<OSStatus> {
        const bool listenerBookkeeping =
            operation == HalOperation::addListener || operation == HalOperation::removeListener;
        if (serverGone && !listenerBookkeeping)
            return HalStatus::notRunning;
        return std::nullopt;
    });
    // The notification a lost connection gives.
    hal.setDefaultInput(kAudioObjectUnknown);
    settle();
    EXPECT_FALSE(last().isAvailable);
    hal.clearWrites();
    service->toggle();
    settle();
    EXPECT_TRUE(muteWrites(hal).empty());

    // Back, and the microphone was reset meanwhile: the user still wanted it muted.
    serverGone = false;
    hal.setMuteExternally(mic, false);
    hal.setDefaultInput(mic);
    settle();
    EXPECT_TRUE(last().isAvailable);
    EXPECT_TRUE(last().isMuted);
    EXPECT_EQ(muteWrites(hal), (std::vector<std::uint32_t>{1}));
    hal.setCallHook({});
}
