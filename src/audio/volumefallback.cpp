// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/volumefallback.h"

#include "audio/audioinputdevice.h"
#include "base/log.h"

#include <algorithm>

namespace quietlane {

namespace {

// A volume this low is inaudible; sound servers rarely report an exact 0 after rounding.
constexpr float kSilentVolume = 0.0001f;

} // namespace

bool VolumeFallback::isMuted(const Source& source) {
    if (source.canMute())
        return source.muted;
    const auto elements = settableVolumeElements(source);
    return !elements.empty() &&
           std::all_of(elements.begin(), elements.end(), [&source](std::uint32_t element) {
               return source.volumes.at(element).value <= kSilentVolume;
           });
}

std::optional<VolumeFallback::Write> VolumeFallback::silence(const Source& source) {
    const std::string& uid = source.name;
    const auto elements = settableVolumeElements(source);
    if (elements.empty()) {
        Log::error(Log::Category::audio, "no settable mute or volume for %s", uid.c_str());
        return std::nullopt;
    }
    Write write;
    MutePersistence::Snapshot snapshot;
    for (std::uint32_t element : elements) {
        if (const float volume = source.volumes.at(element).value; volume > 0.0f)
            snapshot[element] = volume;
        write.volumes[element] = 0.0f;
    }
    // The saved volumes must be on disk before any zero is written: a crash in between
    // would otherwise lose the user's levels for good.
    if (!m_persistence.save(uid, snapshot)) {
        Log::error(Log::Category::audio, "could not save the input volume of %s; left it unmuted",
                   uid.c_str());
        return std::nullopt;
    }
    write.silences = ++m_silences[uid];
    return write;
}

std::optional<VolumeFallback::Write> VolumeFallback::restore(const Source& source) {
    const std::string& uid = source.name;
    const auto elements = settableVolumeElements(source);
    if (elements.empty()) {
        Log::error(Log::Category::audio, "no settable mute or volume for %s", uid.c_str());
        return std::nullopt;
    }
    const auto snapshot = m_persistence.load(uid);
    Write write;
    for (std::uint32_t element : elements) {
        std::optional<float> saved;
        if (snapshot) {
            if (auto entry = snapshot->find(element); entry != snapshot->end())
                saved = entry->second;
        }
        // Nothing saved and still audible: we never silenced this element (say a second
        // unmute queued before the first one's state arrived), and full volume would
        // overwrite the user's level.
        if (!saved && source.volumes.at(element).value > kSilentVolume)
            continue;
        write.volumes[element] = saved.value_or(1.0f);
    }
    if (write.volumes.empty()) {
        m_persistence.remove(uid);
        return std::nullopt;
    }
    write.silences = m_silences[uid];
    return write;
}

void VolumeFallback::restored(const std::string& uid, const Write& write,
                              std::optional<SoundError> error) {
    // The saved entry is the only copy of the user's levels until they are back.
    if (error) {
        if (error != SoundError::superseded)
            Log::error(Log::Category::audio, "restoring the input volume failed: %s for %s",
                       describe(*error), uid.c_str());
        return;
    }
    if (m_silences[uid] == write.silences)
        m_persistence.remove(uid);
}

} // namespace quietlane
