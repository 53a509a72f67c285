// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/shortcut.h"

#include <string>
#include <string_view>

namespace quietlane::GlobalShortcuts {

/// The keys of the dropdown's settings and quit rows, as the rows show them and as the
/// dropdown and the settings window bind them. Both notations write them alike, and Qt
/// reads them as they stand.
constexpr const char* kSettingsKeys = "Ctrl+,";
constexpr const char* kQuitKeys = "Ctrl+Q";

/// The two ways Linux desktops write a key combination.
enum class DesktopNotation {
    /// GTK's, used by GNOME, Xfce, Cinnamon, MATE and most others: "Shift+Ctrl+Alt+Super+M".
    gtk,
    /// Qt's, used by KDE Plasma and LXQt: "Meta+Ctrl+Alt+Shift+M".
    qt,
};

/// The notation of the desktop named by $XDG_CURRENT_DESKTOP (a colon-separated list,
/// possibly empty).
DesktopNotation notationForDesktop(std::string_view currentDesktop);

/// The combination as the desktop writes it: modifier names in the desktop's order, each
/// followed by "+", then the key. A key that types a character is named by the character
/// `keyToCharacter` gives for it (the current layout), capitalised; the US layout's
/// character stands in when the lookup has none. Other keys have names ("Space", "F5",
/// "Page Up" or "PgUp"). The stored form is untouched: this is for showing only.
std::string shortcutText(const Shortcut& shortcut, const KeyCharacterLookup& keyToCharacter,
                         DesktopNotation notation);

/// The program's default shortcut with the US layout's key names, for what is drawn
/// without a shortcut layer (the offscreen renderings).
std::string defaultShortcutText(DesktopNotation notation = DesktopNotation::gtk);

} // namespace quietlane::GlobalShortcuts
