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

/// The id a desktop portal keeps a named shortcut under: the name in lower case with
/// dashes ("toggleMute" -> "toggle-mute"). Stable: the desktop files the user's key by it.
std::string portalShortcutId(const std::string& name);

/// A portal's description of the key it assigned, in the notation Linux desktops write
/// keys in: GNOME's "Press <Control><Alt><Super>m" -> "Ctrl+Alt+Super+M"; KDE's
/// "Meta+Ctrl+Alt+M" stays. Nothing for an empty description (Hyprland's).
std::optional<std::string> readableTrigger(const std::string& description);

} // namespace quietlane::GlobalShortcuts
