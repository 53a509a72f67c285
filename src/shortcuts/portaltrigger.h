// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/shortcut.h"

#include <optional>
#include <string>

namespace quietlane::GlobalShortcuts {

/// The shortcut in the notation desktop portals take as a preferred trigger: modifiers
/// joined by "+" and the key's XKB keysym name, e.g. "CTRL+ALT+LOGO+m". Nothing for a key
/// that has no keysym name or a modifier the notation cannot say (Function).
std::optional<std::string> portalTrigger(const Shortcut& shortcut);

} // namespace quietlane::GlobalShortcuts
