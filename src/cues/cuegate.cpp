// SPDX-License-Identifier: GPL-3.0-or-later
#include "cues/cuegate.h"

namespace quietlane {

void CueGate::changed(bool muted, TimePoint now) {
    // A change back before the first one was heard undoes it: the microphone is where it
    // was, and neither sound tells the user anything.
    if (m_waiting && m_waiting->muted != muted) {
        m_waiting.reset();
        return;
    }
    m_waiting = Waiting{muted, now};
}

std::optional<CueGate::TimePoint> CueGate::dueAt() const {
    if (!m_waiting)
        return std::nullopt;
    return m_waiting->since + m_standFor;
}

std::optional<SoundCue> CueGate::take(TimePoint now) {
    if (!m_waiting || now < m_waiting->since + m_standFor)
        return std::nullopt;
    const bool muted = m_waiting->muted;
    m_waiting.reset();
    return muted ? SoundCue::muted : SoundCue::unmuted;
}

} // namespace quietlane
