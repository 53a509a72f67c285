// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/portalkeyhold.h"

#include <algorithm>

namespace quietlane::GlobalShortcuts {

namespace {

using std::chrono::duration_cast;
using Duration = PortalKeyHold::Duration;

// Enough repeats to know the pace, few enough to follow a change of it.
constexpr size_t kPaceSamples = 8;

} // namespace

PortalKeyHold::Outcome PortalKeyHold::activated(TimePoint now) {
    if (m_state == State::holding) {
        const auto gap = duration_cast<Duration>(now - m_lastSign);
        if (m_repeats++ == 0) {
            m_firstGap = gap;
        } else {
            m_gaps.push_back(gap);
            if (m_gaps.size() > kPaceSamples)
                m_gaps.erase(m_gaps.begin());
        }
        m_lastSign = now;
        return Outcome::none;
    }
    if (m_state == State::endedWithoutRelease) {
        // The key may still be down, its repeats only stalled (a loaded machine), or this
        // is a new press. A stalled chain goes on at its pace; a new press repeats only
        // after the desktop's repeat delay. So the first Activated after the end waits a
        // moment: another one right behind it makes it a repeat, none makes it a press.
        const auto gap = now - m_lastSign;
        m_lastSign = now;
        if (m_pendingPress && gap <= paceWindow()) {
            m_pendingPress.reset();
            m_chain = true;
        } else if (!(m_chain && gap <= margin())) {
            m_pendingPress = now;
            m_chain = false;
        }
        return Outcome::none;
    }
    beginHold(now);
    return Outcome::pressed;
}

void PortalKeyHold::beginHold(TimePoint at) {
    m_state = State::holding;
    m_lastSign = at;
    m_repeats = 0;
    m_gaps.clear();
    m_pendingPress.reset();
    m_chain = false;
}

PortalKeyHold::Outcome PortalKeyHold::deactivated(TimePoint) {
    // A release right behind a held-back Activated may end a stalled chain: never a press.
    const bool holding = m_state == State::holding;
    m_state = State::idle;
    m_pendingPress.reset();
    return holding ? Outcome::released : Outcome::none;
}

PortalKeyHold::Outcome PortalKeyHold::cancel() {
    return deactivated({});
}

PortalKeyHold::Outcome PortalKeyHold::expire(TimePoint now) {
    const auto due = deadline();
    if (!due || now < *due)
        return Outcome::none;
    if (m_pendingPress) {
        beginHold(*m_pendingPress);
        return Outcome::pressed;
    }
    m_state = State::endedWithoutRelease;
    m_chain = true; // the repeats that were due may still come
    return Outcome::released;
}

std::optional<PortalKeyHold::TimePoint> PortalKeyHold::deadline() const {
    if (m_pendingPress)
        return *m_pendingPress + paceWindow();
    if (m_state != State::holding || m_repeats == 0)
        return std::nullopt;
    return m_lastSign + margin();
}

Duration PortalKeyHold::paceWindow() const {
    return std::max(Duration(150), 2 * pace() + Duration(100));
}

Duration PortalKeyHold::pace() const {
    if (m_gaps.empty())
        return m_firstGap;
    std::vector<Duration> sorted = m_gaps;
    std::sort(sorted.begin(), sorted.end());
    return sorted[sorted.size() / 2];
}

Duration PortalKeyHold::margin() const {
    // The pace is the median gap between repeats; until a second repeat shows it, the
    // repeat delay stands in (no desktop repeats slower than it waits for the first).
    if (m_gaps.empty())
        return std::max(kMinimumMargin, m_firstGap + Duration(150));
    return std::max(kMinimumMargin, 4 * pace() + Duration(150));
}

Duration PortalKeyHold::sinceLastSign(TimePoint now) const {
    return duration_cast<Duration>(now - m_lastSign);
}

} // namespace quietlane::GlobalShortcuts
