// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quietlane {

/// How a card (the dropdown or the settings window) fills its backdrop: frosted glass on
/// screen, a solid fill for the offscreen renderings.
enum class CardBackground { glass, solid };

} // namespace quietlane
