// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/devicelisting.h"

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

void printDeviceListing(const ServerState& server, std::ostream& out) {
    for (const Source& source : server.sources) {
        if (source.channels < 1)
            continue;
        out << column(source.name) << '\t' << column(source.description) << '\t'
            << (server.defaultSource == source.name ? "[default] " : "")
            << (source.canMute() ? "hwmute" : "volfallback") << '\n';
    }
    out.flush();
}

} // namespace quietlane
