// SPDX-License-Identifier: GPL-3.0-or-later
#include "away/awaypolicy.h"

namespace quietlane {

bool AwayPolicy::leave(Reason reason, bool muted, const AwayOptions& options) {
    const bool wanted = reason == Reason::lock ? options.muteOnLock : options.muteOnSuspend;
    if (!wanted)
        return false;
    // A second signal for the same lock (several lockers announce it) changes nothing.
    if (!m_locked && !m_suspended)
        m_before = muted;
    away(reason) = true;
    return true;
}

std::optional<bool> AwayPolicy::back(Reason reason, const AwayOptions& options) {
    if (!away(reason))
        return std::nullopt;
    away(reason) = false;
    if (m_locked || m_suspended)
        return std::nullopt;
    const std::optional<bool> before = m_before;
    m_before.reset();
    if (!options.restoreAfter)
        return std::nullopt;
    return before;
}

} // namespace quietlane
