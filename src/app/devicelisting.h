// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audioserver.h"

#include <ostream>

namespace quietlane {

/// One tab-separated line per input-capable source: UID, name, "[default] " and
/// "hwmute" or "volfallback". A name the server does not give prints as "?".
void printDeviceListing(const ServerState& server, std::ostream& out);

} // namespace quietlane
