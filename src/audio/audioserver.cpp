// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/audioserver.h"

#include <algorithm>

namespace quietlane {

const Source* ServerState::find(std::string_view name) const {
    const auto found = std::find_if(sources.begin(), sources.end(),
                                    [name](const Source& source) { return source.name == name; });
    return found == sources.end() ? nullptr : &*found;
}

const char* describe(SoundError error) {
    switch (error) {
    case SoundError::unreachable:
        return "no sound server reachable";
    case SoundError::refused:
        return "the sound server refused the request";
    case SoundError::noSuchSource:
        return "the microphone is gone";
    case SoundError::notSettable:
        return "the control cannot be written";
    case SoundError::timedOut:
        return "no answer from the sound server within 2 s";
    case SoundError::superseded:
        return "replaced by a newer request";
    }
    return "unknown error";
}

} // namespace quietlane
