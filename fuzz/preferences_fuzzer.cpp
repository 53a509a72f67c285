// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the preferences file reader: it must never crash, and what it
// accepts (values it reads and values it only keeps) must survive being written and read
// again unchanged.
#include "base/preferencesformat.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto document = quietlane::parsePreferences(text);
    if (!document)
        return 0;
    const auto reread = quietlane::parsePreferences(quietlane::serializePreferences(*document));
    if (!reread || *reread != *document)
        std::abort();
    return 0;
}
