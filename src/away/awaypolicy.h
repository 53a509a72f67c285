// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

namespace quietlane {

/// Which ways of stepping away mute the microphone, and whether coming back restores it.
struct AwayOptions {
    bool muteOnLock = false;
    bool muteOnSuspend = false;
    bool restoreAfter = false;
};

/// Remembers the state from before the user stepped away. A lock and a suspend can
/// overlap (the screen locks as the machine goes to sleep); the user is back only when
/// both have ended, and the state to restore is the one from before the first of them.
class AwayPolicy {
public:
    enum class Reason { lock, suspend };

    /// The user steps away; `muted` is where the microphone is now, or is heading. True
    /// when it is to be muted.
    bool leave(Reason reason, bool muted, const AwayOptions& options);
    /// The user is back from `reason`: the state to restore, if any.
    std::optional<bool> back(Reason reason, const AwayOptions& options);

private:
    bool& away(Reason reason) { return reason == Reason::lock ? m_locked : m_suspended; }

    bool m_locked = false;
    bool m_suspended = false;
    std::optional<bool> m_before;
};

} // namespace quietlane
