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

    HotKeyStateMachine::Microphone callbacks() {
        return {[this] { return muted; }, [this] { requests.push_back("toggle"); },
                [this](bool value) {
                    requests.push_back(value ? "mute" : "unmute");
                }};
    }
};

using Requests = std::vector<std::string>;

} // namespace

TEST(HotKeyMode, OnlyTheExactStoredWordSelectsPushToTalk) {
    EXPECT_EQ(hotKeyModeFromRawValue("pushToTalk"), HotKeyMode::pushToTalk);
    for (const char* other : {"toggle", "PushToTalk", "pushtotalk", "", " pushToTalk"})
        EXPECT_EQ(hotKeyModeFromRawValue(other), HotKeyMode::toggle) << other;
    EXPECT_EQ(hotKeyModeFromRawValue(std::nullopt), HotKeyMode::toggle);
}

TEST(HotKeyStateMachine, ToggleModeActsOnPressesOnly) {
    FakeMicrophone mic;
    HotKeyStateMachine machine(mic.callbacks());
    machine.keyDown(HotKeyMode::toggle);
    machine.keyUp(HotKeyMode::toggle);
    machine.keyDown(HotKeyMode::toggle);
    EXPECT_EQ(mic.requests, (Requests{"toggle", "toggle"}));
}

TEST(HotKeyStateMachine, PushToTalkRestoresExactlyTheStateFromBeforeThePress) {
    for (const bool startMuted : {false, true}) {
        FakeMicrophone mic;
        mic.muted = startMuted;
        HotKeyStateMachine machine(mic.callbacks());
        machine.keyUp(HotKeyMode::pushToTalk); // release without press: nothing
        machine.keyDown(HotKeyMode::pushToTalk);
        mic.muted = !startMuted;
        machine.keyDown(HotKeyMode::pushToTalk); // second delivery of the same hold
        mic.muted = startMuted;                  // a widget click while the key is held
        machine.keyUp(HotKeyMode::pushToTalk);
        const std::string invert = startMuted ? "unmute" : "mute";
        const std::string restore = startMuted ? "mute" : "unmute";
        EXPECT_EQ(mic.requests, (Requests{invert, restore}));
        EXPECT_FALSE(machine.isHolding());
    }
}

TEST(HotKeyStateMachine, ModeSwitchDuringAHoldKeepsTheCapturedState) {
    FakeMicrophone mic;
    HotKeyStateMachine machine(mic.callbacks());
    machine.keyDown(HotKeyMode::pushToTalk); // captures unmuted, requests mute
    mic.muted = true;
    machine.keyUp(HotKeyMode::toggle); // switched to toggle meanwhile: release does nothing
    EXPECT_TRUE(machine.isHolding());
    machine.keyDown(HotKeyMode::toggle);
    machine.keyDown(HotKeyMode::pushToTalk); // back to push-to-talk: press ignored
    machine.keyUp(HotKeyMode::pushToTalk);   // restores the first capture
    EXPECT_EQ(mic.requests, (Requests{"mute", "toggle", "unmute"}));
}

TEST(HotKeyStateMachine, PushToMuteMutesWhileHeldAndRestoresEitherStartingState) {
    for (const bool startMuted : {false, true}) {
        FakeMicrophone mic;
        mic.muted = startMuted;
        HotKeyStateMachine machine(mic.callbacks());
        machine.keyDown(HotKeyMode::pushToMute);
        mic.muted = true;
        machine.keyDown(HotKeyMode::pushToMute); // auto-repeat that got through
        machine.keyUp(HotKeyMode::pushToMute);
        EXPECT_EQ(mic.requests, (Requests{"mute", startMuted ? "mute" : "unmute"})) << startMuted;
    }
}

TEST(HotKeyStateMachine, ReleaseWaitsOutItsTailAndAPressWithinItKeepsTheHold) {
    using namespace std::chrono_literals;
    const HotKeyStateMachine::Clock::time_point t0{};
    for (const HotKeyMode mode : {HotKeyMode::pushToTalk, HotKeyMode::pushToMute}) {
        FakeMicrophone mic;
        mic.muted = true;
        HotKeyStateMachine machine(mic.callbacks());
        machine.keyDown(mode, t0);
        mic.muted = mode == HotKeyMode::pushToMute;
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
        const std::string press = mode == HotKeyMode::pushToMute ? "mute" : "unmute";
        EXPECT_EQ(mic.requests, (Requests{press, "mute"}));
    }
}
