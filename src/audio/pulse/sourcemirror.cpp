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

} // namespace PulseVolume

namespace {

constexpr PropertyAddress kDevices{Selector::devices, Scope::global};
constexpr PropertyAddress kDefaultInput{Selector::defaultInputDevice, Scope::global};
constexpr PropertyAddress kMute{Selector::mute, Scope::input};

bool isSystemProperty(const PropertyAddress& address) {
    return address == kDevices || address == kDefaultInput;
}

bool isDeviceProperty(const PropertyAddress& address, std::size_t channels) {
    switch (address.selector) {
    case Selector::streamConfiguration:
    case Selector::mute:
        return address.scope == Scope::input && address.element == kElementMain;
    case Selector::deviceUID:
    case Selector::name:
        return address.scope == Scope::global && address.element == kElementMain;
    case Selector::volumeScalar:
        return address.scope == Scope::input && address.element <= channels;
    case Selector::devices:
    case Selector::defaultInputDevice:
        break;
    }
    return false;
}

} // namespace

const SourceMirror::Entry* SourceMirror::find(AudioObjectID object) const {
    const auto id = m_indexByID.find(object);
    if (id == m_indexByID.end())
        return nullptr;
    return &m_sources.at(id->second);
}

AudioObjectID SourceMirror::defaultID() const {
    for (const auto& [index, entry] : m_sources) {
        if (entry.snapshot.name == m_defaultSourceName)
            return entry.id;
    }
    return kAudioObjectUnknown;
}

void SourceMirror::noteDefaultChange(AudioObjectID before,
                                     std::vector<PropertyChange>& changes) const {
    if (m_ready && defaultID() != before)
        changes.push_back({kAudioObjectSystemObject, kDefaultInput});
}

bool SourceMirror::isReady() const {
    std::lock_guard lock(m_mutex);
    return m_ready;
}

bool SourceMirror::has(AudioObjectID object, const PropertyAddress& address) const {
    std::lock_guard lock(m_mutex);
    if (!m_ready)
        return false;
    if (object == kAudioObjectSystemObject)
        return isSystemProperty(address);
    const Entry* entry = find(object);
    return entry && isDeviceProperty(address, entry->snapshot.volumes.size());
}

OSStatus SourceMirror::dataSize(AudioObjectID object, const PropertyAddress& address,
                                std::uint32_t& size) const {
    std::lock_guard lock(m_mutex);
    if (!m_ready)
        return HalStatus::notRunning;
    if (object == kAudioObjectSystemObject) {
        if (!isSystemProperty(address))
            return HalStatus::unknownProperty;
        size = address == kDevices ? std::uint32_t(4 * m_sources.size()) : 4;
        return HalStatus::ok;
    }
    const Entry* entry = find(object);
    if (!entry)
        return HalStatus::badObject;
    if (!isDeviceProperty(address, entry->snapshot.volumes.size()))
        return HalStatus::unknownProperty;
    switch (address.selector) {
    case Selector::streamConfiguration:
        size = 4 + 4; // one buffer carrying every channel
        break;
    case Selector::deviceUID:
    case Selector::name:
        size = 8;
        break;
    default:
        size = 4;
        break;
    }
    return HalStatus::ok;
}

OSStatus SourceMirror::read(AudioObjectID object, const PropertyAddress& address,
                            PropertyValue& value) const {
    std::lock_guard lock(m_mutex);
    if (!m_ready)
        return HalStatus::notRunning;
    if (object == kAudioObjectSystemObject) {
        if (address == kDevices) {
            std::vector<AudioObjectID> ids;
            ids.reserve(m_sources.size());
            for (const auto& [index, entry] : m_sources)
                ids.push_back(entry.id);
            value = std::move(ids);
            return HalStatus::ok;
        }
        if (address == kDefaultInput) {
            value = std::uint32_t(defaultID());
            return HalStatus::ok;
        }
        return HalStatus::unknownProperty;
    }
    const Entry* entry = find(object);
    if (!entry)
        return HalStatus::badObject;
    const SourceSnapshot& source = entry->snapshot;
    if (!isDeviceProperty(address, source.volumes.size()))
        return HalStatus::unknownProperty;
    switch (address.selector) {
    case Selector::streamConfiguration:
        value = StreamConfiguration{{std::uint32_t(source.volumes.size())}};
        break;
    case Selector::deviceUID:
        value = source.name;
        break;
    case Selector::name:
        value = source.description;
        break;
    case Selector::mute:
        value = std::uint32_t(source.muted ? 1 : 0);
        break;
    case Selector::volumeScalar:
        value = PulseVolume::toScalar(address.element == kElementMain
                                          ? PulseVolume::overall(source.volumes)
                                          : source.volumes[address.element - 1]);
        break;
    case Selector::devices:
    case Selector::defaultInputDevice:
        return HalStatus::unknownProperty;
    }
    return HalStatus::ok;
}

std::optional<SourceSnapshot> SourceMirror::source(AudioObjectID object) const {
    std::lock_guard lock(m_mutex);
    const Entry* entry = m_ready ? find(object) : nullptr;
    if (!entry)
        return std::nullopt;
    return entry->snapshot;
}

std::vector<PropertyChange> SourceMirror::update(const SourceSnapshot& snapshot) {
    std::lock_guard lock(m_mutex);
    return applyLocked(snapshot);
}

std::vector<PropertyChange> SourceMirror::applyLocked(const SourceSnapshot& snapshot) {
    std::vector<PropertyChange> changes;
    if (m_removed.contains(snapshot.index))
        return changes;
    const AudioObjectID defaultBefore = defaultID();
    auto existing = m_sources.find(snapshot.index);
    if (existing == m_sources.end()) {
        const AudioObjectID id = m_nextID++;
        m_sources.emplace(snapshot.index, Entry{id, snapshot});
        m_indexByID.emplace(id, snapshot.index);
        if (m_ready)
            changes.push_back({kAudioObjectSystemObject, kDevices});
        noteDefaultChange(defaultBefore, changes);
        return changes;
    }
    Entry& entry = existing->second;
    SourceSnapshot& old = entry.snapshot;
    if (m_ready) {
        // A renamed or re-shaped source changes the device records built from the list.
        if (old.name != snapshot.name || old.description != snapshot.description ||
            old.volumes.size() != snapshot.volumes.size())
            changes.push_back({kAudioObjectSystemObject, kDevices});
        if (old.muted != snapshot.muted)
            changes.push_back({entry.id, kMute});
        if (old.volumes != snapshot.volumes) {
            changes.push_back({entry.id, {Selector::volumeScalar, Scope::input, kElementMain}});
            for (std::uint32_t channel = 1; channel <= snapshot.volumes.size(); ++channel) {
                if (channel > old.volumes.size() ||
                    old.volumes[channel - 1] != snapshot.volumes[channel - 1])
                    changes.push_back({entry.id, {Selector::volumeScalar, Scope::input, channel}});
            }
        }
    }
    old = snapshot;
    noteDefaultChange(defaultBefore, changes);
    return changes;
}

std::vector<PropertyChange> SourceMirror::remove(std::uint32_t index) {
    std::vector<PropertyChange> changes;
    std::lock_guard lock(m_mutex);
    m_removed.insert(index);
    auto existing = m_sources.find(index);
    if (existing == m_sources.end())
        return changes;
    const AudioObjectID defaultBefore = defaultID();
    m_indexByID.erase(existing->second.id);
    m_sources.erase(existing);
    if (m_ready)
        changes.push_back({kAudioObjectSystemObject, kDevices});
    noteDefaultChange(defaultBefore, changes);
    return changes;
}

std::vector<PropertyChange> SourceMirror::setDefaultSourceName(const std::string& name) {
    std::vector<PropertyChange> changes;
    std::lock_guard lock(m_mutex);
    const AudioObjectID defaultBefore = defaultID();
    m_defaultSourceName = name;
    noteDefaultChange(defaultBefore, changes);
    return changes;
}

std::vector<PropertyChange> SourceMirror::setMuted(std::uint32_t index, bool muted) {
    std::lock_guard lock(m_mutex);
    auto existing = m_sources.find(index);
    if (existing == m_sources.end())
        return {};
    SourceSnapshot changed = existing->second.snapshot;
    changed.muted = muted;
    return applyLocked(changed);
}

std::vector<PropertyChange> SourceMirror::setVolumes(std::uint32_t index,
                                                     const std::vector<std::uint32_t>& volumes) {
    std::lock_guard lock(m_mutex);
    auto existing = m_sources.find(index);
    // The channel layout changed since the write was built: the server's report wins.
    if (existing == m_sources.end() || existing->second.snapshot.volumes.size() != volumes.size())
        return {};
    SourceSnapshot changed = existing->second.snapshot;
    changed.volumes = volumes;
    return applyLocked(changed);
}

std::vector<PropertyChange> SourceMirror::markReady() {
    std::vector<PropertyChange> changes;
    {
        std::lock_guard lock(m_mutex);
        if (m_ready)
            return changes;
        m_ready = true;
        m_failure.reset();
        changes.push_back({kAudioObjectSystemObject, kDevices});
        changes.push_back({kAudioObjectSystemObject, kDefaultInput});
    }
    m_readyChanged.notify_all();
    return changes;
}

std::vector<PropertyChange> SourceMirror::clear() {
    std::vector<PropertyChange> changes;
    std::lock_guard lock(m_mutex);
    if (m_ready) {
        changes.push_back({kAudioObjectSystemObject, kDevices});
        changes.push_back({kAudioObjectSystemObject, kDefaultInput});
    }
    m_ready = false;
    m_sources.clear();
    m_indexByID.clear();
    m_removed.clear();
    m_defaultSourceName.clear();
    return changes;
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
