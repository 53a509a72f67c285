// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the stored device selection decoder: it must never crash, and
// a selection it accepts must encode to text that decodes to the same selection.
#include "audio/deviceselection.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using quietlane::DeviceSelection;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto decoded = DeviceSelection::decode(text);
    const auto* selection = std::get_if<DeviceSelection>(&decoded);
    if (!selection) {
        if (std::get<DeviceSelection::DecodeError>(decoded).description.empty())
            std::abort();
        return 0;
    }
    const auto again = DeviceSelection::decode(selection->encode());
    const auto* reread = std::get_if<DeviceSelection>(&again);
    if (!reread || !(*reread == *selection))
        std::abort();
    return 0;
}
