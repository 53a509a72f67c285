// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>

namespace quietlane {

/// Toggles as a desktop's custom shortcut sends them: GNOME runs the command again on every
/// auto-repeat of a held key (33 runs in a 1.5 s hold: the first after the repeat delay,
/// 500 ms by default, then every 30 ms), so a hold would flip the microphone back and
/// forth. A toggle that follows the previous one within `kRepeatGap` is a repeat and is
/// dropped. One that comes later but while a burst may still be starting (within
/// `kLongestDelay`, the longest repeat delay GNOME offers) is held back for `kRepeatGap`:
/// another one right behind it shows a repeat chain and both are dropped; none makes it a
/// deliberate press. Only a press can start a burst: a toggle after a quiet moment that
/// follows a repeat (a burst's end, or the second command GNOME sends as a tapped key comes
/// up) is a new press at once. So a held key flips once, and presses a moment apart each
/// count. A toggle that finds the microphone changed by other means since the last toggle
/// settled (another program's mute, the widget) answers that change: a held key cannot
/// have caused it, so it is a new press at once however soon it comes. Pure bookkeeping on
/// time points and states handed in.
class ToggleBurst {
public:
    using Clock = std::chrono::steady_clock;
    /// Far above a repeat interval (30 ms) plus two command starts on a loaded machine,
    /// far below the quickest deliberate double press (about 200 ms apart).
    static constexpr std::chrono::milliseconds kRepeatGap{150};
    static constexpr std::chrono::milliseconds kLongestDelay{2000};

    enum class Verdict { apply, drop, holdBack };

    /// A toggle arrives (after `expire` ran for `now`) and finds the microphone `muted`.
    /// `holdBack`: call `expire` at `deadline()`. `droppedHeld` tells whether a toggle held
    /// back before turned out to be a repeat.
    Verdict arrive(Clock::time_point now, bool muted, bool* droppedHeld);
    /// The state an applied toggle left once the devices confirmed it.
    void settled(bool muted) { m_leftMuted = muted; }
    /// Whether the toggle held back is a press after all (its moment passed quietly).
    bool expire(Clock::time_point now);
    std::optional<Clock::time_point> deadline() const;

private:
    std::optional<Clock::time_point> m_last;
    std::optional<Clock::time_point> m_held;
    bool m_lastWasRepeat = false;
    // Unknown while an applied toggle is on its way.
    std::optional<bool> m_leftMuted;
};

} // namespace quietlane
