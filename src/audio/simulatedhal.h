// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/halbackend.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quietlane {

/// One volume element (0 = main, 1..n = channels) of a simulated device.
struct SimulatedVolume {
    float value = 1.0f; // not clamped above 1.0: sound servers allow boosting past 100%
    bool settable = true;
};

/// What a simulated device looks like from the property interface.
struct SimulatedDevice {
    std::string uid = {};
    bool uidReadable = true;
    std::string name = {};
    bool nameReadable = true;
    /// Channel count of each input stream; empty for an output-only device.
    std::vector<std::uint32_t> inputChannels = {};
    bool hasMute = false;
    bool muteSettable = true;
    bool muted = false;
    std::map<std::uint32_t, SimulatedVolume> volumes = {};

    /// A mono input named after its UID with a settable hardware mute.
    static SimulatedDevice withMute(std::string uid, bool muted = false);
    /// An input without hardware mute, silenced through these settable volume elements.
    static SimulatedDevice withVolumes(std::string uid, std::map<std::uint32_t, float> volumes,
                                       std::vector<std::uint32_t> inputChannels = {1});
};

enum class HalOperation {
    getSize,
    getData,
    setData,
    hasProperty,
    isSettable,
    addListener,
    removeListener,
};

/// A failure injected into matching calls. Unset fields match anything.
struct HalFault {
    HalOperation operation;
    std::optional<AudioObjectID> object = std::nullopt;
    std::optional<Selector> selector = std::nullopt;
    std::optional<std::uint32_t> element = std::nullopt;
    OSStatus status = HalStatus::unspecified;
    int times = -1; // how many matching calls fail; -1 = all of them
};

/// One write that went through the interface, successful or not.
struct HalWrite {
    AudioObjectID object;
    PropertyAddress address;
    PropertyValue value;
    OSStatus status;
};

/// An in-memory sound system for tests, demos and running without a sound server.
///
/// Thread-safe. Listeners are queued on their SerialQueue (never called directly, and never
/// while the internal lock is held) and only when a value really changed, whether the change
/// came through the interface or from the "external" methods that play another application.
/// Object ids start at 2: 0 names nothing and 1 is the system object.
///
/// Seed document for fromJson (every key but "uid" is optional):
///   {
///     "default": "usb-mic",          // UID of the default input, or an object id (0 = none);
///                                    // absent or null: no default input
///     "defaultReadable": true,       // false: reading the default input fails
///     "devices": [{
///       "uid": "usb-mic", "uidReadable": true,
///       "name": "USB Mic", "nameReadable": true,   // name defaults to the UID
///       "channels": [2, 1],          // input streams; [] = output-only; absent = [1]
///       "mute": false,               // present: a hardware mute control ("hwmute")
///       "muteSettable": true,        // false: the control exists but cannot be written
///       "volumes": {"0": 0.6, "1": {"value": 0.5, "settable": false}}
///     }]
///   }
/// Devices without a settable mute are silenced through their volumes ("volfallback").
/// Unknown keys are rejected so that a misspelt key does not silently change nothing.
class SimulatedHal : public HalBackend {
public:
    SimulatedHal() = default;
    ~SimulatedHal() override;

    static std::unique_ptr<SimulatedHal> fromJson(std::string_view json, std::string* error);

    // HalBackend
    OSStatus getPropertyDataSize(AudioObjectID object, const PropertyAddress& address,
                                 std::uint32_t& size) override;
    OSStatus getPropertyData(AudioObjectID object, const PropertyAddress& address,
                             PropertyValue& value) override;
    OSStatus setPropertyData(AudioObjectID object, const PropertyAddress& address,
                             const PropertyValue& value) override;
    bool hasProperty(AudioObjectID object, const PropertyAddress& address) override;
    OSStatus isPropertySettable(AudioObjectID object, const PropertyAddress& address,
                                bool& settable) override;
    OSStatus addPropertyListener(AudioObjectID object, const PropertyAddress& address,
                                 SerialQueue& queue, ListenerBlock listener) override;
    void removePropertyListener(AudioObjectID object, const PropertyAddress& address,
                                SerialQueue& queue, const ListenerBlock& listener) override;

    // What another application or the user would do; never subject to faults.
    AudioObjectID addDevice(SimulatedDevice device);
    bool removeDevice(AudioObjectID id);
    /// Removes the device and returns it as it was at that moment, to plug back in later.
    std::optional<SimulatedDevice> unplugDevice(AudioObjectID id);
    /// 0 means "no default input". Removing the default device also sets it to 0.
    void setDefaultInput(AudioObjectID id);
    void setDefaultInputReadable(bool readable);
    bool setMuteExternally(AudioObjectID id, bool muted);
    bool setVolumeExternally(AudioObjectID id, std::uint32_t element, float value);

    // Fault injection.
    void injectFault(const HalFault& fault);
    void clearFaults();
    /// Runs before every interface call, outside the lock; a returned status makes the call
    /// fail with it (hasProperty answers false). Lets a test act at a chosen call.
    using CallHook =
        std::function<std::optional<OSStatus>(HalOperation, AudioObjectID, const PropertyAddress&)>;
    void setCallHook(CallHook hook);

    // Inspection.
    std::optional<SimulatedDevice> device(AudioObjectID id) const;
    std::vector<AudioObjectID> deviceIDs() const;
    AudioObjectID defaultInput() const;
    std::size_t listenerCount() const;
    std::vector<HalWrite> writes() const;
    void clearWrites();

private:
    struct Registration {
        AudioObjectID object;
        PropertyAddress address;
        SerialQueue* queue;
        ListenerBlock listener;
    };

    std::optional<OSStatus> intercept(HalOperation operation, AudioObjectID object,
                                      const PropertyAddress& address);
    SimulatedDevice* findLocked(AudioObjectID id);
    const SimulatedDevice* findLocked(AudioObjectID id) const;
    void notifyLocked(AudioObjectID object, const PropertyAddress& address);
    OSStatus writeLocked(AudioObjectID object, const PropertyAddress& address,
                         const PropertyValue& value);

    mutable std::mutex m_mutex;
    std::vector<std::pair<AudioObjectID, SimulatedDevice>> m_devices;
    AudioObjectID m_nextID = 2;
    AudioObjectID m_defaultInput = kAudioObjectUnknown;
    bool m_defaultReadable = true;
    std::vector<HalFault> m_faults;
    std::vector<Registration> m_registrations;
    std::vector<HalWrite> m_writes;
    CallHook m_hook;
};

} // namespace quietlane
