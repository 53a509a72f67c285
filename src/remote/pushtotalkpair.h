// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "control/hotkeystatemachine.h"

#include <chrono>
#include <optional>

namespace quietlane {

/// The push-to-talk pair as key bindings deliver it: press and release each start a
/// process of their own, and on a quick tap the release's process can reach the instance
/// first (seen on sway with short taps). The press that follows would then open the
/// microphone with no release left to close it. A release with no hold to end is
/// remembered for a moment, and a press within that moment is taken as the late half of
/// that tap and dropped, which keeps the state from before the tap.
class PushToTalkPair {
public:
    using Clock = std::chrono::steady_clock;
    /// Far longer than two processes started a few milliseconds apart can drift on a
    /// loaded machine; short enough that the next deliberate press is not lost.
    static constexpr std::chrono::milliseconds kLateTapWindow{1000};

    /// `mode` is push-to-talk or push-to-mute (muted while held).
    explicit PushToTalkPair(HotkeyStateMachine::Microphone microphone,
                            HotkeyMode mode = HotkeyMode::pushToTalk)
        : m_machine(std::move(microphone)), m_mode(mode) {}

    /// False when the press was dropped as the late half of a tap already over.
    bool press(Clock::time_point now);
    void release(Clock::time_point now);

private:
    HotkeyStateMachine m_machine;
    HotkeyMode m_mode;
    std::optional<Clock::time_point> m_unmatchedRelease;
};

} // namespace quietlane
