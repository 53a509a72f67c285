// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace quietlane {

/// What a held shortcut does; the first two are the main shortcut's modes, whose raw
/// values are the stored form under "hotkeyMode". Push-to-mute belongs to a shortcut of
/// its own and is never stored as a mode.
enum class HotkeyMode { toggle, pushToTalk, pushToMute };

const char* rawValue(HotkeyMode mode);
/// Only the exact text "pushToTalk" selects push-to-talk; anything else, or nothing, is
/// toggle.
HotkeyMode hotkeyModeFromRawValue(const std::optional<std::string>& text);

/// Turns shortcut presses and releases into mute requests. While a push-to-talk key is
/// held the state is inverted, while a push-to-mute key is held it is muted; the state
/// from before the press is restored on release, whatever happened in between.
///
/// A release may wait out a tail first, so that the end of a sentence is not cut: a press
/// within the tail cancels the release and the hold simply goes on. The caller hands in
/// the time and calls `advance` when `releaseDue` has come.
class HotkeyStateMachine {
public:
    using Clock = std::chrono::steady_clock;

    struct Microphone {
        std::function<bool()> isMuted;
        std::function<void()> toggle;
        std::function<void(bool)> setMuted;
    };

    explicit HotkeyStateMachine(Microphone microphone) : m_microphone(std::move(microphone)) {}

    void keyDown(HotkeyMode mode, Clock::time_point now = {});
    /// `tail` delays a hold's release (zero: at once).
    void keyUp(HotkeyMode mode, Clock::time_point now = {},
               std::chrono::milliseconds tail = std::chrono::milliseconds(0));
    /// Carries out a release whose tail has run out by `now`.
    void advance(Clock::time_point now);

    /// A key is held, or its release is still waiting out its tail.
    bool isHolding() const { return m_isHolding; }
    std::optional<Clock::time_point> releaseDue() const { return m_releaseDue; }

private:
    void release();

    Microphone m_microphone;
    bool m_isHolding = false;
    bool m_priorMuted = false;
    std::optional<Clock::time_point> m_releaseDue;
};

} // namespace quietlane
