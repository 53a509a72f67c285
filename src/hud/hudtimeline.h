// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>

namespace quietlane {

/// When the on-screen indicator may appear, how long it holds and how it fades. Pure
/// bookkeeping on time points handed in by the caller, so it runs no timer of its own and
/// tests drive it with any clock they like.
class HudTimeline {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;
    using Duration = Clock::duration;

    static constexpr std::chrono::milliseconds kGrace{1200};
    static constexpr std::chrono::milliseconds kHold{900};
    static constexpr std::chrono::milliseconds kFade{250};

    enum class Phase { hidden, holding, fading };

    /// Starts the start-up grace period: the state published at launch must not flash.
    void startWatching(TimePoint now);

    bool isReady(TimePoint now) const;

    /// A presentation: refused (false) during the grace period; otherwise the indicator is
    /// at full opacity from `now` and its hold starts again, also when it was fading.
    bool present(TimePoint now);

    Phase phase(TimePoint now) const;
    /// 1 while holding, falling linearly to 0 over the fade, 0 when hidden.
    double opacity(TimePoint now) const;
    /// The next moment the phase changes, or nothing when hidden.
    std::optional<TimePoint> nextChange(TimePoint now) const;

private:
    std::optional<TimePoint> m_watchStart;
    std::optional<TimePoint> m_presentedAt;
};

} // namespace quietlane
