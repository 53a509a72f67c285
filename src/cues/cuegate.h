// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/soundcue.h"

#include <chrono>
#include <optional>

namespace quietlane {

/// Decides which confirmed changes of the mute state earn a cue: a change plays once it
/// has stood for the length of the sound. So a push-to-talk tap shorter than the sound
/// (or a double toggle) plays nothing, whichever way it came in, and two cues never play
/// over each other.
class CueGate {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    explicit CueGate(std::chrono::milliseconds standFor = kCueLength) : m_standFor(standFor) {}

    /// The confirmed state changed to `muted` at `now`.
    void changed(bool muted, TimePoint now);
    /// When the waiting cue is due; nothing when none waits.
    std::optional<TimePoint> dueAt() const;
    /// The cue to play at `now`, if one is due; it no longer waits afterwards.
    std::optional<SoundCue> take(TimePoint now);

private:
    struct Waiting {
        bool muted;
        TimePoint since;
    };

    std::chrono::milliseconds m_standFor;
    std::optional<Waiting> m_waiting;
};

} // namespace quietlane
