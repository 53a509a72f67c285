// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/halbackend.h"

#include <ostream>

namespace quietlane {

/// One tab-separated line per input-capable device: UID, name, "[default] " and
/// "hwmute" or "volfallback". Unreadable UIDs and names print as "?".
void printDeviceListing(HalBackend& hal, std::ostream& out);

} // namespace quietlane
