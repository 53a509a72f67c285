// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/preferences.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quietlane {

/// Input volumes saved by the volume-fallback mute, per device UID and element, stored
/// under "com.quietlane.volumeSnapshots" as {"<uid>":{"0":0.6,"1":0.5}}.
class MutePersistence {
public:
    using Snapshot = std::map<std::uint32_t, float>;
    using Stored = std::map<std::string, std::map<std::string, float>>;

    static constexpr const char* kKey = "com.quietlane.volumeSnapshots";

    explicit MutePersistence(Preferences& preferences) : m_preferences(preferences) {}

    Stored all() const;
    /// Returns false when the snapshot could not be written durably.
    bool store(const Stored& snapshots);
    /// Merges into the device's entry (new elements win, others keep their saved value);
    /// an empty snapshot changes nothing. Returns false when the write failed.
    bool save(const std::string& uid, const Snapshot& snapshot);
    /// Saved volumes that are finite and not negative; nothing when there is no entry.
    std::optional<Snapshot> load(const std::string& uid) const;
    bool remove(const std::string& uid);

    /// The snapshots in a stored blob; empty when the blob is not a JSON object.
    static Stored decode(std::string_view blob);
    /// The compact JSON of `snapshots`; nothing when a value or UID has no JSON form.
    static std::optional<std::string> encode(const Stored& snapshots);
    /// The elements of one stored entry that may drive a device volume.
    static Snapshot usableElements(const std::map<std::string, float>& entry);

private:
    Preferences& m_preferences;
};

} // namespace quietlane
