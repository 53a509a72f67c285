// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/hotkeystatemachine.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quietlane;

namespace {

// A microphone whose published state changes only when the test says so, like the real
// controller whose state comes back from the devices later.
struct FakeMicrophone {
    bool muted = false;
    std::vector<std::string> requests;

    HotkeyStateMachine::Microphone callbacks() {
        return {[this] { return muted; }, [this] { requests.push_back("toggle"); },
                [this](bool value) {
                    requests.push_back(value ? "mute" : "unmute");
                }};
    }
};

using Requests = std::vector<std::string>;

} // namespace

TEST(HotkeyStateMachine, HoldsRestoreExactlyTheStateFromBeforeThePress) {
    for (const HotkeyMode mode : {HotkeyMode::pushToTalk, HotkeyMode::pushToMute}) {
        for (const bool startMuted : {false, true}) {
            FakeMicrophone mic;
            mic.muted = startMuted;
            HotkeyStateMachine machine(mic.callbacks());
            machine.keyUp(mode); // release without press: nothing
            machine.keyDown(mode);
            const bool held = mode == HotkeyMode::pushToMute || !startMuted;
            mic.muted = held;
            machine.keyDown(mode);  // an auto-repeat that got through
            mic.muted = startMuted; // a widget click while the key is held
            machine.keyUp(mode);
            const Requests expected{held ? "mute" : "unmute", startMuted ? "mute" : "unmute"};
            EXPECT_EQ(mic.requests, expected) << rawValue(mode) << " from " << startMuted;
            EXPECT_FALSE(machine.isHolding());
        }
    }
}

TEST(HotkeyStateMachine, ModeSwitchDuringAHoldKeepsTheCapturedState) {
    FakeMicrophone mic;
    HotkeyStateMachine machine(mic.callbacks());
    machine.keyDown(HotkeyMode::pushToTalk); // captures unmuted, requests mute
    mic.muted = true;
    machine.keyUp(HotkeyMode::toggle); // switched to toggle meanwhile: release does nothing
    EXPECT_TRUE(machine.isHolding());
    machine.keyDown(HotkeyMode::toggle);
    machine.keyDown(HotkeyMode::pushToTalk); // back to push-to-talk: press ignored
    machine.keyUp(HotkeyMode::pushToTalk);   // restores the first capture
    EXPECT_EQ(mic.requests, (Requests{"mute", "toggle", "unmute"}));
}

TEST(HotkeyStateMachine, ReleaseWaitsOutItsTailAndAPressWithinItKeepsTheHold) {
    using namespace std::chrono_literals;
    const HotkeyStateMachine::Clock::time_point t0{};
    for (const HotkeyMode mode : {HotkeyMode::pushToTalk, HotkeyMode::pushToMute}) {
        FakeMicrophone mic;
        mic.muted = true;
        HotkeyStateMachine machine(mic.callbacks());
        machine.keyDown(mode, t0);
        mic.muted = mode == HotkeyMode::pushToMute;
        machine.keyUp(mode, t0 + 1s, 300ms);
        machine.advance(t0 + 1299ms);
        EXPECT_TRUE(machine.isHolding());
        machine.keyUp(mode, t0 + 1250ms, 300ms); // a stray second release keeps the deadline
        machine.keyDown(mode, t0 + 1290ms);      // pressed again within the tail
        machine.advance(t0 + 5s);
        EXPECT_TRUE(machine.isHolding());
        machine.keyUp(mode, t0 + 6s, 300ms);
        EXPECT_EQ(machine.releaseDue(), t0 + 6300ms);
        machine.advance(t0 + 6300ms);
        EXPECT_FALSE(machine.isHolding());
        const std::string press = mode == HotkeyMode::pushToMute ? "mute" : "unmute";
        EXPECT_EQ(mic.requests, (Requests{press, "mute"}));
    }
}
