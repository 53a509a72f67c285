// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/devicelisting.h"

#include "audio/audiohal.h"

#include <algorithm>

namespace quietlane {

namespace {

// A tab or line break inside a server-given string would fake columns or lines.
std::string column(std::optional<std::string> text) {
    if (!text)
        return "?";
    std::replace_if(
        text->begin(), text->end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; },
        ' ');
    return std::move(*text);
}

} // namespace

void printDeviceListing(HalBackend& hal, std::ostream& out) {
    const auto defaultInput = AudioHAL::defaultInputDevice(hal);
    for (AudioObjectID id : AudioHAL::allDeviceIDs(hal)) {
        const auto channels = AudioHAL::readInputChannelCount(hal, id);
        if (!channels || *channels < 1)
            continue;
        out << column(AudioHAL::deviceUID(hal, id)) << '\t' << column(AudioHAL::deviceName(hal, id))
            << '\t' << (defaultInput == id ? "[default] " : "")
            << (AudioHAL::hasSettableMute(hal, id) ? "hwmute" : "volfallback") << '\n';
    }
    out.flush();
}

} // namespace quietlane
