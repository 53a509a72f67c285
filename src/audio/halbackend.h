// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace quietlane {

class SerialQueue;

using AudioObjectID = std::uint32_t;
using OSStatus = std::int32_t;

constexpr AudioObjectID kAudioObjectUnknown = 0;
constexpr AudioObjectID kAudioObjectSystemObject = 1;

constexpr std::uint32_t fourCharCode(const char (&code)[5]) {
    return (std::uint32_t(std::uint8_t(code[0])) << 24) |
           (std::uint32_t(std::uint8_t(code[1])) << 16) |
           (std::uint32_t(std::uint8_t(code[2])) << 8) | std::uint32_t(std::uint8_t(code[3]));
}

// Status codes keep the values a HAL reports, so logged codes read the same everywhere.
namespace HalStatus {
constexpr OSStatus ok = 0;
constexpr OSStatus notRunning = OSStatus(fourCharCode("stop"));
constexpr OSStatus unspecified = OSStatus(fourCharCode("what"));
constexpr OSStatus unknownProperty = OSStatus(fourCharCode("who?"));
constexpr OSStatus badObject = OSStatus(fourCharCode("!obj"));
constexpr OSStatus illegalOperation = OSStatus(fourCharCode("nope"));
constexpr OSStatus badPropertySize = OSStatus(fourCharCode("!siz"));
/// The sound system did not answer in time; the request may still take effect later.
constexpr OSStatus timedOut = OSStatus(fourCharCode("tmot"));
} // namespace HalStatus

enum class Selector : std::uint32_t {
    devices = fourCharCode("dev#"),
    defaultInputDevice = fourCharCode("dIn "),
    streamConfiguration = fourCharCode("slay"),
    deviceUID = fourCharCode("uid "),
    name = fourCharCode("lnam"),
    mute = fourCharCode("mute"),
    volumeScalar = fourCharCode("volm"),
};

enum class Scope : std::uint32_t {
    global = fourCharCode("glob"),
    input = fourCharCode("inpt"),
};

constexpr std::uint32_t kElementMain = 0;

struct PropertyAddress {
    Selector selector;
    Scope scope;
    std::uint32_t element = kElementMain;
    friend bool operator==(const PropertyAddress&, const PropertyAddress&) = default;
};

/// Channel counts of a device's input streams, one entry per stream buffer.
struct StreamConfiguration {
    std::vector<std::uint32_t> channelsPerBuffer;
    friend bool operator==(const StreamConfiguration&, const StreamConfiguration&) = default;
};

/// A property's value. Object ids and mute flags are std::uint32_t, volumes float,
/// UIDs and names std::string, the device list a vector of ids.
using PropertyValue = std::variant<std::monostate, std::uint32_t, float, std::string,
                                   std::vector<AudioObjectID>, StreamConfiguration>;

/// A registered listener. Its identity (the pointer) is what removal matches on.
using ListenerBlock = std::shared_ptr<const std::function<void()>>;

/// The property interface of the sound system: objects with addressed properties that
/// are read, written, tested and watched. Implementations are thread-safe; calls may block.
class HalBackend {
public:
    virtual ~HalBackend() = default;

    /// Size in bytes of the property's current value: 4 per object id for the device
    /// list, 4 + 4 per buffer for a stream configuration, 8 for strings, 4 for scalars.
    virtual OSStatus getPropertyDataSize(AudioObjectID object, const PropertyAddress& address,
                                         std::uint32_t& size) = 0;

    /// Reads the property into `value`; on failure `value` is left untouched.
    virtual OSStatus getPropertyData(AudioObjectID object, const PropertyAddress& address,
                                     PropertyValue& value) = 0;

    /// Writes the property. Success means the sound system confirmed the change. Waits for
    /// the answer at most about two seconds (HalStatus::timedOut after that).
    virtual OSStatus setPropertyData(AudioObjectID object, const PropertyAddress& address,
                                     const PropertyValue& value) = 0;

    /// Makes writes that wait for the sound system, now or later, give up at once with
    /// HalStatus::notRunning. For quitting: a server that stopped answering must not hold
    /// the exit up. Backends whose writes never wait need not do anything.
    virtual void abandonWrites() {}

    /// Whether the object has the property at this address.
    virtual bool hasProperty(AudioObjectID object, const PropertyAddress& address) = 0;

    /// Whether the property can be written; `settable` is only meaningful on success.
    virtual OSStatus isPropertySettable(AudioObjectID object, const PropertyAddress& address,
                                        bool& settable) = 0;

    /// Calls `listener` on `queue` whenever the property changes, until removed.
    virtual OSStatus addPropertyListener(AudioObjectID object, const PropertyAddress& address,
                                         SerialQueue& queue, ListenerBlock listener) = 0;

    /// Unregisters exactly the listener registered with these arguments.
    virtual void removePropertyListener(AudioObjectID object, const PropertyAddress& address,
                                        SerialQueue& queue, const ListenerBlock& listener) = 0;
};

} // namespace quietlane
