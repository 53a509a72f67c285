// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audioserver.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quietlane {

/// What the server told us about one (non-monitor) source. Volumes are the server's
/// integer volumes per channel, 0x10000 being 100 %.
struct PulseSource {
    std::uint32_t index = 0;
    std::string name;
    std::string description;
    std::vector<std::uint32_t> volumes;
    bool muted = false;
    friend bool operator==(const PulseSource&, const PulseSource&) = default;
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
/// The channel volumes after writing these controls (0: overall, 1..n: one channel);
/// nothing when a control does not exist or a value is not a number.
std::optional<std::vector<std::uint32_t>> applied(std::vector<std::uint32_t> volumes,
                                                  const std::map<std::uint32_t, float>& controls);
} // namespace PulseVolume

/// The sound server's sources as last reported. Updates come from the connection thread
/// and say whether anything changed; state() may be read from any thread.
class SourceMirror {
public:
    SourceMirror() = default;
    SourceMirror(const SourceMirror&) = delete;
    SourceMirror& operator=(const SourceMirror&) = delete;

    ServerState state() const;
    std::optional<PulseSource> source(const std::string& name) const;
    bool isReady() const;

    // Updates. Before markReady() they build the picture without anyone hearing of it.
    bool update(const PulseSource& source);
    bool remove(std::uint32_t index);
    bool setDefaultSourceName(const std::string& name);
    bool setMuted(const std::string& name, bool muted);
    bool setVolumes(const std::string& name, const std::vector<std::uint32_t>& volumes);
    /// The initial listing is complete.
    bool markReady();
    /// The connection is gone: everything is forgotten.
    bool clear();

    /// A connection attempt failed; wakes waitUntilReady().
    void noteFailure(const std::string& reason);
    /// True once ready; false with the failure's text when an attempt failed or the
    /// time ran out first.
    bool waitUntilReady(std::chrono::milliseconds timeout, std::string* error) const;

private:
    bool changeLocked(const PulseSource& source);
    PulseSource* findLocked(const std::string& name);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_readyChanged;
    bool m_ready = false;
    std::optional<std::string> m_failure;
    std::map<std::uint32_t, PulseSource> m_sources; // by server index: the server's own order
    // Server indexes only grow within one connection, so a removed one stays dead; a
    // late reply about it must not bring the source back.
    std::set<std::uint32_t> m_removed;
    std::string m_defaultSourceName;
};

} // namespace quietlane
