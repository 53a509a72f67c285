// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quietlane {

/// The sound cue and away options as the settings window shows them.
struct AwaySettings {
    bool soundCues = false;
    double soundCueVolume = 0.5;
    bool startMuted = false;
    bool muteOnLock = false;
    bool muteOnSuspend = false;
    bool restoreAfterLock = false;

    friend bool operator==(const AwaySettings&, const AwaySettings&) = default;
};

} // namespace quietlane
