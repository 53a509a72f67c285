// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>
#include <vector>

namespace quietlane::GlobalShortcuts {

/// One portal shortcut's press and release, made from what the desktop sends: Activated
/// when the key goes down (repeated while it stays down on desktops with key repeat) and
/// Deactivated when it goes up. A hold ends on Deactivated. Only when the repeats were
/// arriving and then stop without a Deactivated (GNOME, when a modifier is let go first)
/// does it end by itself, a margin after the last repeat; a desktop that sends no repeats
/// is never cut by time. A repeat arriving late after such an end is not a new press; the
/// first Activated after an end is held back for a moment to tell which it is.
/// Pure bookkeeping on time points handed in by the caller.
class PortalKeyHold {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;
    using Duration = std::chrono::milliseconds;

    /// The least wait after the last repeat. A loaded machine (two busy cores) delivered
    /// KWin's 40 ms repeats with a gap of 332 ms, and GNOME must end a hold within 0.6 s
    /// of its last repeat when a modifier was released first.
    static constexpr Duration kMinimumMargin{450};

    enum class Outcome { none, pressed, released };

    Outcome activated(TimePoint now);
    Outcome deactivated(TimePoint now);
    /// The session or the portal went away: a hold in progress ends.
    Outcome cancel();
    /// Ends the hold when its deadline has passed, or makes a held-back Activated a press.
    Outcome expire(TimePoint now);
    /// When `expire` has to run next; nothing while no repeat of this hold was seen.
    std::optional<TimePoint> deadline() const;
    /// How long after the last repeat the hold ends without a release, at the pace seen.
    Duration margin() const;

    bool isHolding() const { return m_state == State::holding; }
    /// Time since the last Activated, for the log.
    Duration sinceLastSign(TimePoint now) const;

private:
    enum class State { idle, holding, endedWithoutRelease };

    void beginHold(TimePoint at);
    /// The gap between repeats: their median, or the repeat delay before a second repeat.
    Duration pace() const;
    /// How soon behind a held-back Activated another one shows a repeat chain.
    Duration paceWindow() const;

    State m_state = State::idle;
    TimePoint m_lastSign{};
    // After an end without release: the Activated held back until it shows what it is,
    // and whether the Activated seen since are a chain of repeats.
    std::optional<TimePoint> m_pendingPress;
    bool m_chain = false;
    int m_repeats = 0;
    // The press-to-first-repeat gap (the desktop's repeat delay) and the later gaps.
    Duration m_firstGap{0};
    std::vector<Duration> m_gaps;
};

} // namespace quietlane::GlobalShortcuts
