// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/audiohal.h"

namespace quietlane::AudioHAL {

namespace {

template <typename T>
std::optional<T> read(HalBackend& hal, AudioObjectID id, const PropertyAddress& address) {
    PropertyValue value;
    if (hal.getPropertyData(id, address, value) != HalStatus::ok)
        return std::nullopt;
    if (auto* typed = std::get_if<T>(&value))
        return std::move(*typed);
    return std::nullopt;
}

bool existsAndSettable(HalBackend& hal, AudioObjectID id, const PropertyAddress& address) {
    if (!hal.hasProperty(id, address))
        return false;
    bool settable = false;
    return hal.isPropertySettable(id, address, settable) == HalStatus::ok && settable;
}

} // namespace

std::vector<AudioObjectID> allDeviceIDs(HalBackend& hal) {
    std::uint32_t size = 0;
    if (hal.getPropertyDataSize(kAudioObjectSystemObject, kDevicesAddress, size) != HalStatus::ok ||
        size < sizeof(AudioObjectID))
        return {};
    return read<std::vector<AudioObjectID>>(hal, kAudioObjectSystemObject, kDevicesAddress)
        .value_or(std::vector<AudioObjectID>{});
}

std::optional<std::string> deviceName(HalBackend& hal, AudioObjectID id) {
    return read<std::string>(hal, id, kNameAddress);
}

std::optional<std::string> deviceUID(HalBackend& hal, AudioObjectID id) {
    return read<std::string>(hal, id, kUIDAddress);
}

std::optional<AudioObjectID> deviceID(HalBackend& hal, const std::string& uid) {
    for (AudioObjectID id : allDeviceIDs(hal)) {
        if (deviceUID(hal, id) == uid)
            return id;
    }
    return std::nullopt;
}

std::optional<AudioObjectID> defaultInputDevice(HalBackend& hal) {
    auto id = read<std::uint32_t>(hal, kAudioObjectSystemObject, kDefaultInputAddress);
    if (!id || *id == kAudioObjectUnknown)
        return std::nullopt;
    return id;
}

std::optional<std::uint32_t> readInputChannelCount(HalBackend& hal, AudioObjectID id) {
    std::uint32_t size = 0;
    if (hal.getPropertyDataSize(id, kStreamConfigurationAddress, size) != HalStatus::ok ||
        size == 0)
        return std::nullopt;
    auto configuration = read<StreamConfiguration>(hal, id, kStreamConfigurationAddress);
    if (!configuration)
        return std::nullopt;
    std::uint32_t channels = 0;
    for (std::uint32_t count : configuration->channelsPerBuffer)
        channels += count;
    return channels;
}

std::uint32_t inputChannelCount(HalBackend& hal, AudioObjectID id) {
    return readInputChannelCount(hal, id).value_or(0);
}

bool isVolumeElementSettable(HalBackend& hal, AudioObjectID id, std::uint32_t element) {
    return existsAndSettable(hal, id, volumeAddress(element));
}

std::vector<std::uint32_t> settableVolumeElements(HalBackend& hal, AudioObjectID id) {
    std::vector<std::uint32_t> elements;
    if (isVolumeElementSettable(hal, id, kElementMain))
        elements.push_back(kElementMain);
    const std::uint32_t channels = inputChannelCount(hal, id);
    for (std::uint32_t channel = 1; channel <= channels; ++channel) {
        if (isVolumeElementSettable(hal, id, channel))
            elements.push_back(channel);
    }
    return elements;
}

bool hasSettableMute(HalBackend& hal, AudioObjectID id) {
    return existsAndSettable(hal, id, kMuteAddress);
}

std::optional<std::uint32_t> readMute(HalBackend& hal, AudioObjectID id) {
    return read<std::uint32_t>(hal, id, kMuteAddress);
}

std::optional<float> readVolume(HalBackend& hal, AudioObjectID id, std::uint32_t element) {
    return read<float>(hal, id, volumeAddress(element));
}

std::string describeStatus(OSStatus status) {
    const auto code = std::uint32_t(status);
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = char((code >> shift) & 0xFF);
        if (c < 0x20 || c > 0x7E)
            return std::to_string(status);
        text += c;
    }
    const char* meaning = nullptr;
    switch (status) {
    case HalStatus::notRunning:
        meaning = "no sound server reachable";
        break;
    case HalStatus::unspecified:
        meaning = "the sound server refused the request";
        break;
    case HalStatus::unknownProperty:
        meaning = "the device has no such control";
        break;
    case HalStatus::badObject:
        meaning = "the device is gone";
        break;
    case HalStatus::illegalOperation:
        meaning = "the control cannot be written";
        break;
    case HalStatus::badPropertySize:
        meaning = "a value of the wrong kind";
        break;
    case HalStatus::timedOut:
        meaning = "no answer from the sound server within 2 s";
        break;
    default:
        break;
    }
    return "'" + text + "'" + (meaning ? std::string(" (") + meaning + ")" : std::string());
}

} // namespace quietlane::AudioHAL
