// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audioserver.h"
#include "audio/mutepersistence.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace quietlane {

/// Silences a source without a usable mute switch by zeroing its volumes, and brings the
/// user's levels back on unmute. The levels are kept on disk from before the zeroes are
/// written until they are back on the server, so neither a crash nor a refused write
/// loses them.
class VolumeFallback {
public:
    explicit VolumeFallback(Preferences& preferences) : m_persistence(preferences) {}

    /// What to write, and what restored() takes back once the server answered it.
    struct Write {
        std::map<std::uint32_t, float> volumes;
        std::uint64_t silences = 0;
    };

    /// Nothing (with a line in the journal) when there is no settable volume or the levels
    /// cannot be saved first.
    std::optional<Write> silence(const Source& source);
    /// Nothing when no element needs to change.
    std::optional<Write> restore(const Source& source);
    /// The answer to a restore() write: the saved levels go once they are back, unless a
    /// silence() since saved newer ones.
    void restored(const std::string& uid, const Write& write, std::optional<SoundError> error);

    /// Muted through its switch, or silent on every settable volume element.
    static bool isMuted(const Source& source);

private:
    MutePersistence m_persistence;
    std::map<std::string, std::uint64_t> m_silences;
};

} // namespace quietlane
