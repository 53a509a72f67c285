// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/halbackend.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace quietlane {

/// What the server told us about one (non-monitor) source. Volumes are the server's
/// integer volumes per channel, 0x10000 being 100 %.
struct SourceSnapshot {
    std::uint32_t index = 0;
    std::string name;
    std::string description;
    std::vector<std::uint32_t> volumes;
    bool muted = false;
};

/// A property whose mirrored value changed and whose listeners are due.
struct PropertyChange {
    AudioObjectID object;
    PropertyAddress address;
    friend bool operator==(const PropertyChange&, const PropertyChange&) = default;
};

namespace PulseVolume {
constexpr std::uint32_t kNorm = 0x10000U;
// The server refuses anything above this (its PA_VOLUME_MAX).
constexpr std::uint32_t kMax = UINT32_MAX / 2;

float toScalar(std::uint32_t volume);
/// Rounds to the nearest integer volume, so a value read and written back is unchanged.
/// Nothing for NaN; negative values clamp to 0, huge ones to the server's maximum.
std::optional<std::uint32_t> fromScalar(float scalar);
std::uint32_t overall(const std::vector<std::uint32_t>& volumes);
/// Sets the loudest channel to `target`, keeping the ratio between channels.
std::vector<std::uint32_t> scaled(const std::vector<std::uint32_t>& volumes, std::uint32_t target);
} // namespace PulseVolume

/// The sound server's sources as last reported, serving every read without a round trip.
/// Updates come from the connection thread and return the properties that really changed.
/// Object ids are handed out once and never reused, so a stale id can never name a
/// different source after a hot-plug or a server restart.
class SourceMirror {
public:
    SourceMirror() = default;
    SourceMirror(const SourceMirror&) = delete;
    SourceMirror& operator=(const SourceMirror&) = delete;

    // Reads: HalStatus::notRunning until the first complete picture of the server.
    OSStatus dataSize(AudioObjectID object, const PropertyAddress& address,
                      std::uint32_t& size) const;
    OSStatus read(AudioObjectID object, const PropertyAddress& address, PropertyValue& value) const;
    bool has(AudioObjectID object, const PropertyAddress& address) const;
    std::optional<SourceSnapshot> source(AudioObjectID object) const;
    bool isReady() const;

    // Updates. Before markReady() they build the picture silently.
    std::vector<PropertyChange> update(const SourceSnapshot& snapshot);
    std::vector<PropertyChange> remove(std::uint32_t index);
    std::vector<PropertyChange> setDefaultSourceName(const std::string& name);
    std::vector<PropertyChange> setMuted(std::uint32_t index, bool muted);
    std::vector<PropertyChange> setVolumes(std::uint32_t index,
                                           const std::vector<std::uint32_t>& volumes);
    /// The initial listing is complete: listeners of the device list and the default
    /// input hear of it so that they resynchronise.
    std::vector<PropertyChange> markReady();
    /// The connection is gone: everything is forgotten, and listeners who saw devices
    /// hear that they are gone.
    std::vector<PropertyChange> clear();

    /// A connection attempt failed; wakes waitUntilReady().
    void noteFailure(const std::string& reason);
    /// True once ready; false with the failure's text when an attempt failed or the
    /// time ran out first.
    bool waitUntilReady(std::chrono::milliseconds timeout, std::string* error) const;

private:
    struct Entry {
        AudioObjectID id;
        SourceSnapshot snapshot;
    };

    std::vector<PropertyChange> applyLocked(const SourceSnapshot& snapshot);
    const Entry* find(AudioObjectID object) const;
    AudioObjectID defaultID() const;
    void noteDefaultChange(AudioObjectID before, std::vector<PropertyChange>& changes) const;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_readyChanged;
    bool m_ready = false;
    std::optional<std::string> m_failure;
    AudioObjectID m_nextID = kAudioObjectSystemObject + 1;
    std::map<std::uint32_t, Entry> m_sources; // by server index: the server's own order
    std::unordered_map<AudioObjectID, std::uint32_t> m_indexByID;
    // Server indexes only grow within one connection, so a removed one stays dead; a
    // late reply about it must not bring the source back.
    std::set<std::uint32_t> m_removed;
    std::string m_defaultSourceName;
};

} // namespace quietlane
