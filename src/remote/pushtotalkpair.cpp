// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/pushtotalkpair.h"

namespace quietlane {

bool PushToTalkPair::press(Clock::time_point now) {
    const bool lateHalfOfATap = m_unmatchedRelease && now - *m_unmatchedRelease < kLateTapWindow;
    m_unmatchedRelease.reset();
    if (lateHalfOfATap)
        return false;
    m_machine.keyDown(m_mode);
    return true;
}

void PushToTalkPair::release(Clock::time_point now) {
    if (m_machine.isHolding())
        m_machine.keyUp(m_mode);
    else
        m_unmatchedRelease = now;
}

} // namespace quietlane
