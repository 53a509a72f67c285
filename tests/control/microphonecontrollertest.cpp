// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/microphonecontroller.h"
#include "audio/simulatedserver.h"
#include "base/preferences.h"

#include "../eventloop.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>

using namespace quietlane;

namespace {

// Runs the event loop until the requests made so far are answered and their states applied.
void settle(MicrophoneController& controller) {
    bool settled = false;
    controller.whenSettled([&settled] { settled = true; });
    ASSERT_TRUE(test::spinUntil([&settled] { return settled; }));
}

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        mic = simulated.addDevice(SimulatedDevice::withMute("mic"));
        simulated.setDefaultInput(mic);
    }

    std::unique_ptr<MicrophoneController> create() {
        auto controller = std::make_unique<MicrophoneController>(simulated, preferences);
        const auto count = [&](auto signal, std::string name) {
            QObject::connect(controller.get(), signal, [this, name] { ++emitted[name]; });
        };
        count(&MicrophoneController::isMutedChanged, "muted");
        count(&MicrophoneController::usingVolumeFallbackChanged, "fallback");
        count(&MicrophoneController::activeDeviceNameChanged, "name");
        count(&MicrophoneController::availableDevicesChanged, "devices");
        count(&MicrophoneController::selectionChanged, "selection");
        return controller;
    }

    QTemporaryDir dir;
    Preferences preferences{dir.filePath("preferences.json").toStdString()};
    SimulatedServer simulated;
    std::string mic;
    std::map<std::string, int> emitted;
};

} // namespace

TEST_F(ControllerTest, RestoresTheSelectionAndStoresItBack) {
    preferences.setData("deviceSelection", R"({"systemDefault":{},"allInputs":{}})");
    auto controller = create();
    EXPECT_EQ(controller->selection(), DeviceSelection::systemDefault());
    EXPECT_EQ(preferences.data("deviceSelection"), R"({"systemDefault":{}})");
    ASSERT_TRUE(test::spinUntil([&] { return controller->hasActiveDeviceName(); }));
    EXPECT_EQ(controller->activeDeviceName(), "mic");

    controller.reset();
    preferences.setData("deviceSelection", R"({"pinned":{"uid":"absent"}})");
    controller = create();
    EXPECT_EQ(controller->selection(), DeviceSelection::pinned("absent"));
    ASSERT_TRUE(test::spinUntil([&] { return controller->availableDevices().size() == 1; }));
    EXPECT_FALSE(controller->hasActiveDeviceName());

    // Choosing the same device again says nothing but still stores and applies it.
    emitted.clear();
    preferences.remove("deviceSelection");
    controller->setSelection(DeviceSelection::pinned("absent"));
    EXPECT_EQ(emitted["selection"], 0);
    EXPECT_TRUE(preferences.data("deviceSelection"));
    controller->setSelection(DeviceSelection::pinned("mic"));
    EXPECT_EQ(emitted["selection"], 1);
    EXPECT_TRUE(test::spinUntil([&] { return controller->hasActiveDeviceName(); }));
}

TEST_F(ControllerTest, SignalsFireOnlyForValuesThatChanged) {
    auto controller = create();
    ASSERT_TRUE(test::spinUntil([&] { return emitted["devices"] == 1; }));
    settle(*controller);
    emitted.clear();

    // Three toggles before any state arrives: each builds on the one before, so muted.
    // The device may really pass through each state on the way; then each is signalled.
    controller->toggle();
    controller->toggle();
    controller->toggle();
    ASSERT_TRUE(test::spinUntil([&] { return controller->isMuted(); }));
    settle(*controller);
    EXPECT_TRUE(controller->isMuted());
    EXPECT_EQ(emitted.size(), 1u);
    EXPECT_EQ(emitted["muted"] % 2, 1);

    // The server goes away: unavailable, but not "unmuted" (that would flash a live
    // microphone on the indicator).
    emitted.clear();
    QObject::connect(controller.get(), &MicrophoneController::isAvailableChanged,
                     [this] { ++emitted["available"]; });
    simulated.setReachable(false);
    ASSERT_TRUE(test::spinUntil([&] { return !controller->isAvailable(); }));
    EXPECT_TRUE(controller->isMuted());
    EXPECT_EQ(emitted["muted"], 0);
    simulated.setReachable(true);
    ASSERT_TRUE(test::spinUntil([&] { return controller->isAvailable(); }));
    settle(*controller);
    EXPECT_TRUE(controller->isMuted());
    EXPECT_EQ(emitted["muted"], 0);

    emitted.clear();
    simulated.addDevice(SimulatedDevice::withMute("usb"));
    ASSERT_TRUE(test::spinUntil([&] { return emitted["devices"] == 1; }));
    settle(*controller);
    EXPECT_EQ(emitted, (std::map<std::string, int>{{"devices", 1}}));
    EXPECT_EQ(controller->availableDevices().size(), 2u);
}

TEST_F(ControllerTest, KnowsWhichChangesItsOwnRequestsMadeWhenOthersInterleave) {
    auto controller = create();
    std::vector<std::pair<bool, bool>> changes; // (muted, requested here)
    QObject::connect(controller.get(), &MicrophoneController::isMutedChanged, [&](bool muted) {
        changes.emplace_back(muted, controller->lastMuteChangeRequestedHere());
    });
    settle(*controller);

    // Another program mutes just before our unmute goes out: its change is not ours, the
    // unmute that follows is.
    simulated.setMuteExternally(mic, true);
    controller->setMuted(false);
    settle(*controller);
    // A request that changes nothing leaves nothing behind once the devices settled: a
    // later outside change is not taken for its outcome.
    controller->setMuted(false);
    settle(*controller);
    simulated.setMuteExternally(mic, true);
    settle(*controller);
    EXPECT_EQ(changes,
              (std::vector<std::pair<bool, bool>>{{true, false}, {false, true}, {true, false}}));
}
