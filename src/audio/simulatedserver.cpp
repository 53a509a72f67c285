// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/simulatedserver.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace quietlane {

namespace {
constexpr std::size_t kWriteLogLimit = 1 << 16;
}

SimulatedDevice SimulatedDevice::withMute(std::string uid, bool muted) {
    SimulatedDevice device;
    device.name = uid;
    device.uid = std::move(uid);
    device.inputChannels = {1};
    device.hasMute = true;
    device.muted = muted;
    return device;
}

SimulatedDevice SimulatedDevice::withVolumes(std::string uid,
                                             std::map<std::uint32_t, float> volumes,
                                             std::vector<std::uint32_t> inputChannels) {
    SimulatedDevice device;
    device.name = uid;
    device.uid = std::move(uid);
    device.inputChannels = std::move(inputChannels);
    for (const auto& [element, value] : volumes)
        device.volumes[element] = {value, true};
    return device;
}

SimulatedServer::~SimulatedServer() = default;

SimulatedDevice* SimulatedServer::findLocked(const std::string& uid) {
    auto found = std::find_if(m_devices.begin(), m_devices.end(),
                              [&uid](const SimulatedDevice& device) { return device.uid == uid; });
    return found == m_devices.end() ? nullptr : &*found;
}

ServerState SimulatedServer::stateLocked() const {
    ServerState state;
    if (!m_reachable)
        return state;
    state.reachable = true;
    for (const SimulatedDevice& device : m_devices) {
        if (!device.uidReadable)
            continue;
        Source source;
        source.name = device.uid;
        if (device.nameReadable)
            source.description = device.name;
        source.channels =
            std::accumulate(device.inputChannels.begin(), device.inputChannels.end(), 0U);
        source.hasMute = device.hasMute;
        source.muteSettable = device.hasMute && device.muteSettable;
        source.muted = device.hasMute && device.muted;
        source.volumes = device.volumes;
        state.sources.push_back(std::move(source));
    }
    if (m_defaultReadable && !m_defaultInput.empty())
        state.defaultSource = m_defaultInput;
    return state;
}

ServerState SimulatedServer::state() const {
    std::lock_guard lock(m_mutex);
    return stateLocked();
}

void SimulatedServer::notifyLocked() {
    ServerState now = stateLocked();
    if (now == m_announced)
        return;
    m_announced = now;
    // Called under the lock, so a watcher removed by unwatch() hears nothing more.
    for (const auto& [id, handler] : m_watchers)
        handler(now);
}

int SimulatedServer::watch(StateHandler handler) {
    std::lock_guard lock(m_mutex);
    if (m_watchers.empty())
        m_announced = stateLocked();
    m_watchers.emplace(m_nextWatch, std::move(handler));
    return m_nextWatch++;
}

void SimulatedServer::unwatch(int watch) {
    std::lock_guard lock(m_mutex);
    m_watchers.erase(watch);
}

std::optional<SoundError> SimulatedServer::applyLocked(const SimulatedWrite& write) {
    if (!m_reachable)
        return SoundError::unreachable;
    if (m_writeFailure)
        return m_writeFailure;
    SimulatedDevice* device = findLocked(write.source);
    if (!device || !device->uidReadable)
        return SoundError::noSuchSource;
    if (write.muted) {
        if (!device->hasMute || !device->muteSettable)
            return SoundError::notSettable;
        device->muted = *write.muted;
        return std::nullopt;
    }
    for (const auto& [element, value] : write.volumes) {
        auto volume = device->volumes.find(element);
        if (volume == device->volumes.end() || !volume->second.settable || !std::isfinite(value))
            return SoundError::notSettable;
    }
    for (const auto& [element, value] : write.volumes)
        device->volumes[element].value = std::max(value, 0.0f);
    return std::nullopt;
}

void SimulatedServer::submit(SimulatedWrite write, WriteDone done) {
    std::optional<SoundError> error;
    {
        std::lock_guard lock(m_mutex);
        if (m_writes.size() >= kWriteLogLimit)
            m_writes.erase(m_writes.begin(), m_writes.begin() + kWriteLogLimit / 2);
        m_writes.push_back(write);
        if (m_holding && m_reachable) {
            m_held.push_back({std::move(write), std::move(done)});
            m_heldChanged.notify_all();
            return;
        }
        error = applyLocked(write);
        notifyLocked();
    }
    done(error);
}

void SimulatedServer::setMuted(const std::string& source, bool muted, WriteDone done) {
    submit({source, muted, {}}, std::move(done));
}

void SimulatedServer::setVolumes(const std::string& source,
                                 const std::map<std::uint32_t, float>& volumes, WriteDone done) {
    submit({source, std::nullopt, volumes}, std::move(done));
}

void SimulatedServer::holdWrites() {
    std::lock_guard lock(m_mutex);
    m_holding = true;
}

void SimulatedServer::releaseWrites() {
    std::vector<Held> held;
    {
        std::lock_guard lock(m_mutex);
        m_holding = false;
        held = std::move(m_held);
        m_held.clear();
    }
    for (Held& write : held) {
        std::optional<SoundError> error;
        {
            std::lock_guard lock(m_mutex);
            error = applyLocked(write.write);
            notifyLocked();
        }
        write.done(error);
    }
}

void SimulatedServer::waitUntilHeld(std::size_t count) const {
    std::unique_lock lock(m_mutex);
    m_heldChanged.wait(lock, [this, count] { return m_held.size() >= count; });
}

void SimulatedServer::failWrites(std::optional<SoundError> error) {
    std::lock_guard lock(m_mutex);
    m_writeFailure = error;
}

std::string SimulatedServer::addDevice(SimulatedDevice device) {
    std::lock_guard lock(m_mutex);
    std::string uid = device.uid;
    m_devices.push_back(std::move(device));
    notifyLocked();
    return uid;
}

bool SimulatedServer::removeDevice(const std::string& uid) {
    return unplugDevice(uid).has_value();
}

std::optional<SimulatedDevice> SimulatedServer::unplugDevice(const std::string& uid) {
    std::lock_guard lock(m_mutex);
    SimulatedDevice* device = findLocked(uid);
    if (!device)
        return std::nullopt;
    SimulatedDevice removed = std::move(*device);
    m_devices.erase(m_devices.begin() + (device - m_devices.data()));
    if (m_defaultInput == uid)
        m_defaultInput.clear();
    notifyLocked();
    return removed;
}

void SimulatedServer::setDefaultInput(std::string uid) {
    std::lock_guard lock(m_mutex);
    m_defaultInput = std::move(uid);
    notifyLocked();
}

void SimulatedServer::setDefaultInputReadable(bool readable) {
    std::lock_guard lock(m_mutex);
    m_defaultReadable = readable;
    notifyLocked();
}

void SimulatedServer::setReachable(bool reachable) {
    std::vector<Held> dropped;
    {
        std::lock_guard lock(m_mutex);
        m_reachable = reachable;
        if (!reachable)
            dropped = std::move(m_held);
        m_held.clear();
        notifyLocked();
    }
    // A server that goes away answers nothing more: its clients learn the writes failed.
    for (Held& write : dropped)
        write.done(SoundError::unreachable);
}

bool SimulatedServer::setMuteExternally(const std::string& uid, bool muted) {
    std::lock_guard lock(m_mutex);
    SimulatedDevice* device = findLocked(uid);
    if (!device || !device->hasMute)
        return false;
    device->muted = muted;
    notifyLocked();
    return true;
}

bool SimulatedServer::setVolumeExternally(const std::string& uid, std::uint32_t element,
                                          float value) {
    std::lock_guard lock(m_mutex);
    SimulatedDevice* device = findLocked(uid);
    if (!device || !std::isfinite(value))
        return false;
    auto volume = device->volumes.find(element);
    if (volume == device->volumes.end())
        return false;
    volume->second.value = std::max(value, 0.0f);
    notifyLocked();
    return true;
}

std::optional<SimulatedDevice> SimulatedServer::device(const std::string& uid) const {
    std::lock_guard lock(m_mutex);
    if (const SimulatedDevice* found = const_cast<SimulatedServer*>(this)->findLocked(uid))
        return *found;
    return std::nullopt;
}

std::string SimulatedServer::defaultInput() const {
    std::lock_guard lock(m_mutex);
    return m_defaultInput;
}

std::size_t SimulatedServer::watcherCount() const {
    std::lock_guard lock(m_mutex);
    return m_watchers.size();
}

std::vector<SimulatedWrite> SimulatedServer::writes() const {
    std::lock_guard lock(m_mutex);
    return m_writes;
}

void SimulatedServer::clearWrites() {
    std::lock_guard lock(m_mutex);
    m_writes.clear();
}

} // namespace quietlane
