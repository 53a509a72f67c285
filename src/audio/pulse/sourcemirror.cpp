// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/pulse/sourcemirror.h"

#include <algorithm>
#include <cmath>

namespace quietlane {

namespace PulseVolume {

float toScalar(std::uint32_t volume) {
    return float(double(volume) / double(kNorm));
}

std::optional<std::uint32_t> fromScalar(float scalar) {
    if (std::isnan(scalar))
        return std::nullopt;
    const double volume = std::round(double(scalar) * double(kNorm));
    if (volume <= 0.0)
        return 0U;
    if (volume >= double(kMax))
        return kMax;
    return std::uint32_t(volume);
}

std::uint32_t overall(const std::vector<std::uint32_t>& volumes) {
    return volumes.empty() ? 0U : *std::max_element(volumes.begin(), volumes.end());
}

std::vector<std::uint32_t> scaled(const std::vector<std::uint32_t>& volumes, std::uint32_t target) {
    const std::uint32_t loudest = overall(volumes);
    std::vector<std::uint32_t> result(volumes.size(), target);
    // A silent source has no balance left to keep: every channel gets the target.
    if (loudest == 0)
        return result;
    for (std::size_t channel = 0; channel < volumes.size(); ++channel) {
        const std::uint64_t value = std::uint64_t(volumes[channel]) * target / loudest;
        result[channel] = std::uint32_t(std::min<std::uint64_t>(value, kMax));
    }
    return result;
}

std::optional<std::vector<std::uint32_t>> applied(std::vector<std::uint32_t> volumes,
                                                  const std::map<std::uint32_t, float>& controls) {
    // The overall level first, so that channel values given alongside it stand.
    for (const auto& [control, scalar] : controls) {
        const auto volume = fromScalar(scalar);
        if (!volume || control > volumes.size())
            return std::nullopt;
        if (control == 0)
            volumes = scaled(volumes, *volume);
        else
            volumes[control - 1] = *volume;
    }
    return volumes;
}

} // namespace PulseVolume

ServerState SourceMirror::state() const {
    std::lock_guard lock(m_mutex);
    ServerState state;
    if (!m_ready)
        return state;
    state.reachable = true;
    for (const auto& [index, pulse] : m_sources) {
        Source source;
        source.name = pulse.name;
        source.description = pulse.description;
        source.channels = std::uint32_t(pulse.volumes.size());
        // Every source takes a mute and a volume: the server falls back to software
        // volume where the hardware has none.
        source.hasMute = true;
        source.muteSettable = true;
        source.muted = pulse.muted;
        source.volumes[0] = {PulseVolume::toScalar(PulseVolume::overall(pulse.volumes)), true};
        for (std::uint32_t channel = 1; channel <= pulse.volumes.size(); ++channel)
            source.volumes[channel] = {PulseVolume::toScalar(pulse.volumes[channel - 1]), true};
        state.sources.push_back(std::move(source));
        if (pulse.name == m_defaultSourceName)
            state.defaultSource = pulse.name;
    }
    return state;
}

PulseSource* SourceMirror::findLocked(const std::string& name) {
    for (auto& [index, source] : m_sources) {
        if (source.name == name)
            return &source;
    }
    return nullptr;
}

std::optional<PulseSource> SourceMirror::source(const std::string& name) const {
    std::lock_guard lock(m_mutex);
    const PulseSource* found =
        m_ready ? const_cast<SourceMirror*>(this)->findLocked(name) : nullptr;
    if (!found)
        return std::nullopt;
    return *found;
}

bool SourceMirror::isReady() const {
    std::lock_guard lock(m_mutex);
    return m_ready;
}

bool SourceMirror::changeLocked(const PulseSource& source) {
    if (m_removed.contains(source.index))
        return false;
    PulseSource& entry = m_sources[source.index];
    if (entry == source)
        return false;
    entry = source;
    return m_ready;
}

bool SourceMirror::update(const PulseSource& source) {
    std::lock_guard lock(m_mutex);
    return changeLocked(source);
}

bool SourceMirror::remove(std::uint32_t index) {
    std::lock_guard lock(m_mutex);
    m_removed.insert(index);
    return m_sources.erase(index) > 0 && m_ready;
}

bool SourceMirror::setDefaultSourceName(const std::string& name) {
    std::lock_guard lock(m_mutex);
    if (m_defaultSourceName == name)
        return false;
    m_defaultSourceName = name;
    return m_ready;
}

bool SourceMirror::setMuted(const std::string& name, bool muted) {
    std::lock_guard lock(m_mutex);
    PulseSource* found = findLocked(name);
    if (!found)
        return false;
    PulseSource changed = *found;
    changed.muted = muted;
    return changeLocked(changed);
}

bool SourceMirror::setVolumes(const std::string& name, const std::vector<std::uint32_t>& volumes) {
    std::lock_guard lock(m_mutex);
    PulseSource* found = findLocked(name);
    // The channel layout changed since the write was built: the server's report wins.
    if (!found || found->volumes.size() != volumes.size())
        return false;
    PulseSource changed = *found;
    changed.volumes = volumes;
    return changeLocked(changed);
}

bool SourceMirror::markReady() {
    {
        std::lock_guard lock(m_mutex);
        if (m_ready)
            return false;
        m_ready = true;
        m_failure.reset();
    }
    m_readyChanged.notify_all();
    return true;
}

bool SourceMirror::clear() {
    std::lock_guard lock(m_mutex);
    const bool wasReady = m_ready;
    m_ready = false;
    m_sources.clear();
    m_removed.clear();
    m_defaultSourceName.clear();
    return wasReady;
}

void SourceMirror::noteFailure(const std::string& reason) {
    {
        std::lock_guard lock(m_mutex);
        m_failure = reason;
    }
    m_readyChanged.notify_all();
}

bool SourceMirror::waitUntilReady(std::chrono::milliseconds timeout, std::string* error) const {
    std::unique_lock lock(m_mutex);
    const bool settled =
        m_readyChanged.wait_for(lock, timeout, [this] { return m_ready || m_failure; });
    if (m_ready)
        return true;
    if (error)
        *error =
            settled ? *m_failure : "no answer within " + std::to_string(timeout.count()) + " ms";
    return false;
}

} // namespace quietlane
