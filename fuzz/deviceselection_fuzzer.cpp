// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the stored device selection decoder: it must never crash, and
// a selection it accepts must encode to text that decodes to the same selection.
#include "audio/deviceselection.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using quietlane::DeviceSelection;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto decoded = DeviceSelection::decode(text);
    if (!decoded) {
        if (decoded.error().empty())
            std::abort();
        return 0;
    }
    const auto again = DeviceSelection::decode(decoded->encode());
    if (!again || !(*again == *decoded))
        std::abort();
    return 0;
}
