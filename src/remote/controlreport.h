// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "remote/controlprotocol.h"
#include "remote/statusformat.h"

#include <cstdio>

namespace quietlane {

/// Prints what the command line shows for the answer to `request`: the state on `out`
/// when it was reached (or asked for), a sentence on `err` otherwise. Returns the exit
/// status: 0, or 1 when the change was not made or its report could not be written.
int reportReply(ControlRequest request, const ControlReply& reply, StatusFormat format,
                std::FILE* out, std::FILE* err);

} // namespace quietlane
