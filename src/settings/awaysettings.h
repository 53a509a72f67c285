// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace quietlane {

/// The sound cue and away options as the settings window shows them.
struct AwaySettingsModel {
    bool soundCues = false;
    double soundCueVolume = 0.5;
    bool startMuted = false;
    bool muteOnLock = false;
    bool muteOnSuspend = false;
    bool restoreAfterLock = false;

    friend bool operator==(const AwaySettingsModel&, const AwaySettingsModel&) = default;
};

/// What their controls do. Empty actions do nothing.
struct AwaySettingsActions {
    std::function<void(bool)> setSoundCues;
    std::function<void(double)> setSoundCueVolume;
    std::function<void(bool)> setStartMuted;
    std::function<void(bool)> setMuteOnLock;
    std::function<void(bool)> setMuteOnSuspend;
    std::function<void(bool)> setRestoreAfterLock;
};

} // namespace quietlane
