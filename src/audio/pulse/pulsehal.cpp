// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/pulse/pulsehal.h"

#include "audio/pulse/pulseconnection.h"
#include "audio/serialqueue.h"

#include <algorithm>

namespace quietlane {

PulseHal::PulseHal()
    : m_connection(std::make_unique<PulseConnection>(
          m_mirror, [this](const std::vector<PropertyChange>& changes) { notify(changes); })) {}

PulseHal::~PulseHal() = default;

bool PulseHal::waitUntilReady(std::chrono::milliseconds timeout, std::string* error) {
    return m_mirror.waitUntilReady(timeout, error);
}

OSStatus PulseHal::getPropertyDataSize(AudioObjectID object, const PropertyAddress& address,
                                       std::uint32_t& size) {
    return m_mirror.dataSize(object, address, size);
}

OSStatus PulseHal::getPropertyData(AudioObjectID object, const PropertyAddress& address,
                                   PropertyValue& value) {
    return m_mirror.read(object, address, value);
}

bool PulseHal::hasProperty(AudioObjectID object, const PropertyAddress& address) {
    return m_mirror.has(object, address);
}

OSStatus PulseHal::isPropertySettable(AudioObjectID object, const PropertyAddress& address,
                                      bool& settable) {
    if (!m_mirror.isReady())
        return HalStatus::notRunning;
    if (!m_mirror.has(object, address))
        return object == kAudioObjectSystemObject || m_mirror.source(object)
                   ? HalStatus::unknownProperty
                   : HalStatus::badObject;
    // Every source takes a mute and a volume: the server falls back to software volume
    // where the hardware has none.
    settable = object != kAudioObjectSystemObject &&
               (address.selector == Selector::mute || address.selector == Selector::volumeScalar);
    return HalStatus::ok;
}

OSStatus PulseHal::setPropertyData(AudioObjectID object, const PropertyAddress& address,
                                   const PropertyValue& value) {
    bool settable = false;
    if (const OSStatus status = isPropertySettable(object, address, settable);
        status != HalStatus::ok)
        return status;
    if (!settable)
        return HalStatus::illegalOperation;
    const auto source = m_mirror.source(object);
    if (!source)
        return HalStatus::badObject;
    if (address.selector == Selector::mute) {
        const auto* muted = std::get_if<std::uint32_t>(&value);
        if (!muted)
            return HalStatus::badPropertySize;
        return m_connection->setMuted(source->index, *muted != 0);
    }
    const auto* scalar = std::get_if<float>(&value);
    if (!scalar)
        return HalStatus::badPropertySize;
    return writeVolume(*source, address.element, *scalar);
}

void PulseHal::abandonWrites() {
    m_connection->abandonWrites();
}

OSStatus PulseHal::writeVolume(const SourceSnapshot& source, std::uint32_t element, float scalar) {
    const auto volume = PulseVolume::fromScalar(scalar);
    if (!volume)
        return HalStatus::illegalOperation;
    std::vector<std::uint32_t> volumes = source.volumes;
    // The source may have changed shape since the address was checked.
    if (element > volumes.size())
        return HalStatus::unknownProperty;
    if (element == kElementMain)
        volumes = PulseVolume::scaled(volumes, *volume);
    else
        volumes[element - 1] = *volume;
    return m_connection->setVolumes(source.index, volumes);
}

OSStatus PulseHal::addPropertyListener(AudioObjectID object, const PropertyAddress& address,
                                       SerialQueue& queue, ListenerBlock listener) {
    if (!listener)
        return HalStatus::illegalOperation;
    if (object == kAudioObjectSystemObject) {
        // Accepted while the server is away: these are what announce its return.
        if (address.selector != Selector::devices &&
            address.selector != Selector::defaultInputDevice)
            return HalStatus::unknownProperty;
    } else if (!m_mirror.has(object, address)) {
        if (!m_mirror.isReady())
            return HalStatus::notRunning;
        return m_mirror.source(object) ? HalStatus::unknownProperty : HalStatus::badObject;
    }
    std::lock_guard lock(m_listenersMutex);
    m_listeners.push_back({object, address, &queue, std::move(listener)});
    return HalStatus::ok;
}

void PulseHal::removePropertyListener(AudioObjectID object, const PropertyAddress& address,
                                      SerialQueue& queue, const ListenerBlock& listener) {
    std::lock_guard lock(m_listenersMutex);
    const auto match = std::find_if(m_listeners.begin(), m_listeners.end(), [&](const auto& r) {
        return r.object == object && r.address == address && r.queue == &queue &&
               r.listener == listener;
    });
    if (match != m_listeners.end())
        m_listeners.erase(match);
}

void PulseHal::notify(const std::vector<PropertyChange>& changes) {
    // Runs on the connection thread only, so handing out in this order keeps the
    // order in which the server reported the changes.
    std::lock_guard lock(m_listenersMutex);
    for (const PropertyChange& change : changes) {
        for (const Registration& registration : m_listeners) {
            if (registration.object != change.object || !(registration.address == change.address))
                continue;
            registration.queue->async([listener = registration.listener] { (*listener)(); });
        }
    }
}

} // namespace quietlane
