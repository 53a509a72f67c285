// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/simulatedhal.h"

#include "audio/serialqueue.h"

#include <algorithm>
#include <cmath>

namespace quietlane {

namespace {

constexpr std::size_t kWriteLogLimit = 1 << 16;

bool isDeviceInputScoped(Selector selector) {
    return selector == Selector::streamConfiguration || selector == Selector::mute ||
           selector == Selector::volumeScalar;
}

} // namespace

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

SimulatedHal::~SimulatedHal() = default;

std::optional<OSStatus> SimulatedHal::intercept(HalOperation operation, AudioObjectID object,
                                                const PropertyAddress& address) {
    CallHook hook;
    {
        std::lock_guard lock(m_mutex);
        hook = m_hook;
    }
    // The hook may call back into this HAL (to look at or change the devices), so it runs
    // without the lock.
    if (hook) {
        if (auto status = hook(operation, object, address))
            return status;
    }
    std::lock_guard lock(m_mutex);
    for (auto it = m_faults.begin(); it != m_faults.end(); ++it) {
        if (it->operation != operation || (it->object && *it->object != object) ||
            (it->selector && *it->selector != address.selector) ||
            (it->element && *it->element != address.element))
            continue;
        const OSStatus status = it->status;
        if (it->times > 0 && --it->times == 0)
            m_faults.erase(it);
        return status;
    }
    return std::nullopt;
}

SimulatedDevice* SimulatedHal::findLocked(AudioObjectID id) {
    auto it = std::find_if(m_devices.begin(), m_devices.end(),
                           [id](const auto& entry) { return entry.first == id; });
    return it == m_devices.end() ? nullptr : &it->second;
}

const SimulatedDevice* SimulatedHal::findLocked(AudioObjectID id) const {
    return const_cast<SimulatedHal*>(this)->findLocked(id);
}

void SimulatedHal::notifyLocked(AudioObjectID object, const PropertyAddress& address) {
    // Queuing under the lock is what lets removePropertyListener promise that nothing is
    // queued for a listener once it returns; SerialQueue::async never runs the work itself.
    for (const Registration& registration : m_registrations) {
        if (registration.object == object && registration.address == address)
            registration.queue->async([listener = registration.listener] { (*listener)(); });
    }
}

OSStatus SimulatedHal::getPropertyDataSize(AudioObjectID object, const PropertyAddress& address,
                                           std::uint32_t& size) {
    if (auto status = intercept(HalOperation::getSize, object, address))
        return *status;
    std::lock_guard lock(m_mutex);
    if (object == kAudioObjectSystemObject) {
        if (address.selector == Selector::devices) {
            size = std::uint32_t(m_devices.size() * sizeof(AudioObjectID));
            return HalStatus::ok;
        }
        if (address.selector == Selector::defaultInputDevice) {
            if (!m_defaultReadable)
                return HalStatus::unspecified;
            size = sizeof(AudioObjectID);
            return HalStatus::ok;
        }
        return HalStatus::unknownProperty;
    }
    const SimulatedDevice* device = findLocked(object);
    if (!device)
        return HalStatus::badObject;
    switch (address.selector) {
    case Selector::streamConfiguration:
        if (address.scope != Scope::input)
            return HalStatus::unknownProperty;
        size = std::uint32_t(4 + 4 * device->inputChannels.size());
        return HalStatus::ok;
    case Selector::deviceUID:
        if (!device->uidReadable)
            return HalStatus::unspecified;
        size = 8;
        return HalStatus::ok;
    case Selector::name:
        if (!device->nameReadable)
            return HalStatus::unspecified;
        size = 8;
        return HalStatus::ok;
    case Selector::mute:
        if (address.scope != Scope::input || !device->hasMute)
            return HalStatus::unknownProperty;
        size = 4;
        return HalStatus::ok;
    case Selector::volumeScalar:
        if (address.scope != Scope::input || !device->volumes.contains(address.element))
            return HalStatus::unknownProperty;
        size = 4;
        return HalStatus::ok;
    default:
        return HalStatus::unknownProperty;
    }
}

OSStatus SimulatedHal::getPropertyData(AudioObjectID object, const PropertyAddress& address,
                                       PropertyValue& value) {
    if (auto status = intercept(HalOperation::getData, object, address))
        return *status;
    std::lock_guard lock(m_mutex);
    if (object == kAudioObjectSystemObject) {
        if (address.selector == Selector::devices) {
            std::vector<AudioObjectID> ids;
            for (const auto& entry : m_devices)
                ids.push_back(entry.first);
            value = std::move(ids);
            return HalStatus::ok;
        }
        if (address.selector == Selector::defaultInputDevice) {
            if (!m_defaultReadable)
                return HalStatus::unspecified;
            value = std::uint32_t(m_defaultInput);
            return HalStatus::ok;
        }
        return HalStatus::unknownProperty;
    }
    const SimulatedDevice* device = findLocked(object);
    if (!device)
        return HalStatus::badObject;
    if (isDeviceInputScoped(address.selector) && address.scope != Scope::input)
        return HalStatus::unknownProperty;
    switch (address.selector) {
    case Selector::streamConfiguration:
        value = StreamConfiguration{device->inputChannels};
        return HalStatus::ok;
    case Selector::deviceUID:
        if (!device->uidReadable)
            return HalStatus::unspecified;
        value = device->uid;
        return HalStatus::ok;
    case Selector::name:
        if (!device->nameReadable)
            return HalStatus::unspecified;
        value = device->name;
        return HalStatus::ok;
    case Selector::mute:
        if (!device->hasMute)
            return HalStatus::unknownProperty;
        value = std::uint32_t(device->muted ? 1 : 0);
        return HalStatus::ok;
    case Selector::volumeScalar: {
        auto volume = device->volumes.find(address.element);
        if (volume == device->volumes.end())
            return HalStatus::unknownProperty;
        value = volume->second.value;
        return HalStatus::ok;
    }
    default:
        return HalStatus::unknownProperty;
    }
}

OSStatus SimulatedHal::writeLocked(AudioObjectID object, const PropertyAddress& address,
                                   const PropertyValue& value) {
    if (object == kAudioObjectSystemObject) {
        if (address.selector != Selector::defaultInputDevice)
            return HalStatus::illegalOperation;
        const auto* id = std::get_if<std::uint32_t>(&value);
        if (!id)
            return HalStatus::badPropertySize;
        if (*id != kAudioObjectUnknown && !findLocked(*id))
            return HalStatus::badObject;
        if (m_defaultInput != *id) {
            m_defaultInput = *id;
            notifyLocked(kAudioObjectSystemObject, address);
        }
        return HalStatus::ok;
    }
    SimulatedDevice* device = findLocked(object);
    if (!device)
        return HalStatus::badObject;
    if (address.scope != Scope::input)
        return HalStatus::unknownProperty;
    if (address.selector == Selector::mute) {
        if (!device->hasMute)
            return HalStatus::unknownProperty;
        if (!device->muteSettable)
            return HalStatus::illegalOperation;
        const auto* flag = std::get_if<std::uint32_t>(&value);
        if (!flag)
            return HalStatus::badPropertySize;
        if (device->muted != (*flag != 0)) {
            device->muted = *flag != 0;
            notifyLocked(object, address);
        }
        return HalStatus::ok;
    }
    if (address.selector == Selector::volumeScalar) {
        auto volume = device->volumes.find(address.element);
        if (volume == device->volumes.end())
            return HalStatus::unknownProperty;
        if (!volume->second.settable)
            return HalStatus::illegalOperation;
        const auto* scalar = std::get_if<float>(&value);
        if (!scalar)
            return HalStatus::badPropertySize;
        if (!std::isfinite(*scalar))
            return HalStatus::illegalOperation;
        const float clamped = std::max(*scalar, 0.0f);
        if (volume->second.value != clamped) {
            volume->second.value = clamped;
            notifyLocked(object, address);
        }
        return HalStatus::ok;
    }
    return HalStatus::illegalOperation;
}

OSStatus SimulatedHal::setPropertyData(AudioObjectID object, const PropertyAddress& address,
                                       const PropertyValue& value) {
    auto injected = intercept(HalOperation::setData, object, address);
    std::lock_guard lock(m_mutex);
    const OSStatus status = injected ? *injected : writeLocked(object, address, value);
    if (m_writes.size() >= kWriteLogLimit)
        m_writes.erase(m_writes.begin(), m_writes.begin() + kWriteLogLimit / 2);
    m_writes.push_back({object, address, value, status});
    return status;
}

bool SimulatedHal::hasProperty(AudioObjectID object, const PropertyAddress& address) {
    if (intercept(HalOperation::hasProperty, object, address))
        return false;
    std::lock_guard lock(m_mutex);
    if (object == kAudioObjectSystemObject)
        return address.selector == Selector::devices ||
               address.selector == Selector::defaultInputDevice;
    const SimulatedDevice* device = findLocked(object);
    if (!device)
        return false;
    if (isDeviceInputScoped(address.selector) && address.scope != Scope::input)
        return false;
    switch (address.selector) {
    case Selector::streamConfiguration:
    case Selector::deviceUID:
    case Selector::name:
        return true;
    case Selector::mute:
        return device->hasMute;
    case Selector::volumeScalar:
        return device->volumes.contains(address.element);
    default:
        return false;
    }
}

OSStatus SimulatedHal::isPropertySettable(AudioObjectID object, const PropertyAddress& address,
                                          bool& settable) {
    if (auto status = intercept(HalOperation::isSettable, object, address))
        return *status;
    std::lock_guard lock(m_mutex);
    if (object == kAudioObjectSystemObject) {
        settable = address.selector == Selector::defaultInputDevice;
        return HalStatus::ok;
    }
    const SimulatedDevice* device = findLocked(object);
    if (!device)
        return HalStatus::badObject;
    if (isDeviceInputScoped(address.selector) && address.scope != Scope::input)
        return HalStatus::unknownProperty;
    switch (address.selector) {
    case Selector::mute:
        if (!device->hasMute)
            return HalStatus::unknownProperty;
        settable = device->muteSettable;
        return HalStatus::ok;
    case Selector::volumeScalar: {
        auto volume = device->volumes.find(address.element);
        if (volume == device->volumes.end())
            return HalStatus::unknownProperty;
        settable = volume->second.settable;
        return HalStatus::ok;
    }
    default:
        settable = false;
        return HalStatus::ok;
    }
}

OSStatus SimulatedHal::addPropertyListener(AudioObjectID object, const PropertyAddress& address,
                                           SerialQueue& queue, ListenerBlock listener) {
    if (auto status = intercept(HalOperation::addListener, object, address))
        return *status;
    if (!listener)
        return HalStatus::illegalOperation;
    std::lock_guard lock(m_mutex);
    if (object != kAudioObjectSystemObject && !findLocked(object))
        return HalStatus::badObject;
    m_registrations.push_back({object, address, &queue, std::move(listener)});
    return HalStatus::ok;
}

void SimulatedHal::removePropertyListener(AudioObjectID object, const PropertyAddress& address,
                                          SerialQueue& queue, const ListenerBlock& listener) {
    if (intercept(HalOperation::removeListener, object, address))
        return;
    std::lock_guard lock(m_mutex);
    auto it = std::find_if(
        m_registrations.begin(), m_registrations.end(), [&](const Registration& registration) {
            return registration.object == object && registration.address == address &&
                   registration.queue == &queue && registration.listener == listener;
        });
    if (it != m_registrations.end())
        m_registrations.erase(it);
}

AudioObjectID SimulatedHal::addDevice(SimulatedDevice device) {
    std::lock_guard lock(m_mutex);
    const AudioObjectID id = m_nextID++;
    m_devices.emplace_back(id, std::move(device));
    notifyLocked(kAudioObjectSystemObject, {Selector::devices, Scope::global});
    return id;
}

bool SimulatedHal::removeDevice(AudioObjectID id) {
    return unplugDevice(id).has_value();
}

std::optional<SimulatedDevice> SimulatedHal::unplugDevice(AudioObjectID id) {
    std::lock_guard lock(m_mutex);
    auto it = std::find_if(m_devices.begin(), m_devices.end(),
                           [id](const auto& entry) { return entry.first == id; });
    if (it == m_devices.end())
        return std::nullopt;
    SimulatedDevice device = std::move(it->second);
    m_devices.erase(it);
    notifyLocked(kAudioObjectSystemObject, {Selector::devices, Scope::global});
    if (m_defaultInput == id) {
        m_defaultInput = kAudioObjectUnknown;
        notifyLocked(kAudioObjectSystemObject, {Selector::defaultInputDevice, Scope::global});
    }
    return device;
}

void SimulatedHal::setDefaultInput(AudioObjectID id) {
    std::lock_guard lock(m_mutex);
    if (m_defaultInput == id)
        return;
    m_defaultInput = id;
    notifyLocked(kAudioObjectSystemObject, {Selector::defaultInputDevice, Scope::global});
}

void SimulatedHal::setDefaultInputReadable(bool readable) {
    std::lock_guard lock(m_mutex);
    m_defaultReadable = readable;
}

bool SimulatedHal::setMuteExternally(AudioObjectID id, bool muted) {
    std::lock_guard lock(m_mutex);
    SimulatedDevice* device = findLocked(id);
    if (!device || !device->hasMute)
        return false;
    if (device->muted != muted) {
        device->muted = muted;
        notifyLocked(id, {Selector::mute, Scope::input});
    }
    return true;
}

bool SimulatedHal::setVolumeExternally(AudioObjectID id, std::uint32_t element, float value) {
    std::lock_guard lock(m_mutex);
    SimulatedDevice* device = findLocked(id);
    if (!device || !std::isfinite(value))
        return false;
    auto volume = device->volumes.find(element);
    if (volume == device->volumes.end())
        return false;
    value = std::max(value, 0.0f);
    if (volume->second.value != value) {
        volume->second.value = value;
        notifyLocked(id, {Selector::volumeScalar, Scope::input, element});
    }
    return true;
}

void SimulatedHal::injectFault(const HalFault& fault) {
    std::lock_guard lock(m_mutex);
    if (fault.times != 0)
        m_faults.push_back(fault);
}

void SimulatedHal::clearFaults() {
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

void SimulatedHal::setCallHook(CallHook hook) {
    std::lock_guard lock(m_mutex);
    m_hook = std::move(hook);
}

std::optional<SimulatedDevice> SimulatedHal::device(AudioObjectID id) const {
    std::lock_guard lock(m_mutex);
    if (const SimulatedDevice* found = findLocked(id))
        return *found;
    return std::nullopt;
}

std::vector<AudioObjectID> SimulatedHal::deviceIDs() const {
    std::lock_guard lock(m_mutex);
    std::vector<AudioObjectID> ids;
    for (const auto& entry : m_devices)
        ids.push_back(entry.first);
    return ids;
}

AudioObjectID SimulatedHal::defaultInput() const {
    std::lock_guard lock(m_mutex);
    return m_defaultInput;
}

std::size_t SimulatedHal::listenerCount() const {
    std::lock_guard lock(m_mutex);
    return m_registrations.size();
}

std::vector<HalWrite> SimulatedHal::writes() const {
    std::lock_guard lock(m_mutex);
    return m_writes;
}

void SimulatedHal::clearWrites() {
    std::lock_guard lock(m_mutex);
    m_writes.clear();
}

} // namespace quietlane
