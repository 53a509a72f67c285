// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the volume snapshot decoder. Whatever it yields must never
// drive a device to a volume that is not a finite, non-negative number, and must be
// written and read back without losing or changing a single volume.
#include "audio/mutepersistence.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using quietlane::MutePersistence;
    const std::string_view blob(reinterpret_cast<const char*>(data), size);
    const auto stored = MutePersistence::decode(blob);
    for (const auto& [uid, entry] : stored) {
        for (const auto& [element, volume] : MutePersistence::usableElements(entry)) {
            if (!std::isfinite(volume) || volume < 0)
                std::abort();
        }
    }
    const auto encoded = MutePersistence::encode(stored);
    if (!encoded || MutePersistence::decode(*encoded) != stored)
        std::abort();
    return 0;
}
