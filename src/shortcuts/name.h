// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/shortcut.h"

#include <optional>
#include <string>

namespace quietlane::GlobalShortcuts {

/// A named, user-changeable shortcut. Its value lives in the preferences under
/// "GlobalShortcuts_<rawValue>"; declare a name with `ShortcutCenter::declare` so that
/// its default is written the first time.
struct Name {
    std::string rawValue;
    std::optional<Shortcut> defaultShortcut;

    std::string preferencesKey() const { return "GlobalShortcuts_" + rawValue; }

    friend bool operator==(const Name& a, const Name& b) { return a.rawValue == b.rawValue; }

    /// The program's one shortcut: mute and unmute, Control-Alt-Super-M by default.
    static Name toggleMute() {
        return Name{"toggleMute",
                    Shortcut(Key::m, Modifier::control | Modifier::alt | Modifier::super)};
    }
    /// Optional shortcuts without a default: absent until the user records one.
    static Name mute() { return Name{"mute", std::nullopt}; }
    static Name unmute() { return Name{"unmute", std::nullopt}; }
    /// Held: muted; released: the state from before the press.
    static Name pushToMute() { return Name{"pushToMute", std::nullopt}; }
};

} // namespace quietlane::GlobalShortcuts
