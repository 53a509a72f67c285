// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audioserver.h"
#include "base/result.h"

#include <optional>
#include <string>
#include <vector>

namespace quietlane {

/// Which input devices the mute applies to.
struct DeviceSelection {
    enum class Kind { systemDefault, allInputs, pinned };

    /// Where the selection is stored in the preferences, as JSON bytes.
    static constexpr const char* kPreferencesKey = "deviceSelection";

    Kind kind = Kind::systemDefault;
    std::string uid; // only meaningful for `pinned`

    static DeviceSelection systemDefault() { return {}; }
    static DeviceSelection allInputs() { return {Kind::allInputs, {}}; }
    static DeviceSelection pinned(std::string uid) { return {Kind::pinned, std::move(uid)}; }

    friend bool operator==(const DeviceSelection& a, const DeviceSelection& b) {
        return a.kind == b.kind && (a.kind != Kind::pinned || a.uid == b.uid);
    }

    /// Compact JSON: {"systemDefault":{}}, {"allInputs":{}} or {"pinned":{"uid":U}}.
    std::string encode() const;

    static Result<DeviceSelection> decode(std::string_view json);
    /// The stored selection, or `systemDefault` when absent or undecodable.
    static DeviceSelection restore(const std::optional<std::string>& stored);
};

/// The sources the selection resolves to right now, in the server's order; possibly none.
/// The pointers are into `server`.
std::vector<const Source*> resolveTargets(const ServerState& server,
                                          const DeviceSelection& selection);

/// "Все микрофоны" for allInputs, else the first target's description; nothing without one.
std::optional<std::string> activeDeviceName(const DeviceSelection& selection,
                                            const std::vector<const Source*>& targets);

} // namespace quietlane
