// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/halbackend.h"

#include <optional>
#include <string>
#include <vector>

namespace quietlane::AudioHAL {

// Stateless operations over a HalBackend. Every failure becomes an empty list, 0 or no value.

constexpr PropertyAddress kDevicesAddress{Selector::devices, Scope::global};
constexpr PropertyAddress kDefaultInputAddress{Selector::defaultInputDevice, Scope::global};
constexpr PropertyAddress kStreamConfigurationAddress{Selector::streamConfiguration, Scope::input};
constexpr PropertyAddress kUIDAddress{Selector::deviceUID, Scope::global};
constexpr PropertyAddress kNameAddress{Selector::name, Scope::global};
constexpr PropertyAddress kMuteAddress{Selector::mute, Scope::input};
constexpr PropertyAddress volumeAddress(std::uint32_t element) {
    return {Selector::volumeScalar, Scope::input, element};
}

std::vector<AudioObjectID> allDeviceIDs(HalBackend& hal);
std::optional<std::string> deviceName(HalBackend& hal, AudioObjectID id);
std::optional<std::string> deviceUID(HalBackend& hal, AudioObjectID id);
std::optional<AudioObjectID> deviceID(HalBackend& hal, const std::string& uid);
/// The default input device; nothing when unreadable or reported as 0.
std::optional<AudioObjectID> defaultInputDevice(HalBackend& hal);
/// Sum of the input streams' channel counts; nothing when the configuration is unreadable.
std::optional<std::uint32_t> readInputChannelCount(HalBackend& hal, AudioObjectID id);
std::uint32_t inputChannelCount(HalBackend& hal, AudioObjectID id);
std::vector<std::uint32_t> settableVolumeElements(HalBackend& hal, AudioObjectID id);
bool hasSettableMute(HalBackend& hal, AudioObjectID id);
bool isVolumeElementSettable(HalBackend& hal, AudioObjectID id, std::uint32_t element);
std::optional<std::uint32_t> readMute(HalBackend& hal, AudioObjectID id);
std::optional<float> readVolume(HalBackend& hal, AudioObjectID id, std::uint32_t element);

/// A status for the log: its four-character code in quotes (the number when it has none)
/// and, for the codes this program produces, what it means.
std::string describeStatus(OSStatus status);

} // namespace quietlane::AudioHAL
