// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/toggleburst.h"

#include <utility>

namespace quietlane {

ToggleBurst::Verdict ToggleBurst::arrive(Clock::time_point now, bool muted, bool* droppedHeld) {
    if (droppedHeld)
        *droppedHeld = false;
    const bool changedElsewhere = m_leftMuted && *m_leftMuted != muted;
    const std::optional<Clock::time_point> last = m_last;
    m_last = now;
    if (changedElsewhere) {
        // A toggle still held back keeps its own deadline: it came before the change.
        m_lastWasRepeat = false;
        m_leftMuted.reset();
        return Verdict::apply;
    }
    if (last && now - *last <= kRepeatGap) {
        if (m_held && droppedHeld)
            *droppedHeld = true;
        m_held.reset();
        m_lastWasRepeat = true;
        return Verdict::drop;
    }
    const bool afterRepeat = std::exchange(m_lastWasRepeat, false);
    if (!last || now - *last > kLongestDelay || afterRepeat) {
        m_leftMuted.reset();
        return Verdict::apply;
    }
    m_held = now;
    return Verdict::holdBack;
}

bool ToggleBurst::expire(Clock::time_point now) {
    if (!m_held || now < *m_held + kRepeatGap)
        return false;
    m_held.reset();
    m_leftMuted.reset();
    return true;
}

std::optional<ToggleBurst::Clock::time_point> ToggleBurst::deadline() const {
    if (!m_held)
        return std::nullopt;
    return *m_held + kRepeatGap;
}

} // namespace quietlane
