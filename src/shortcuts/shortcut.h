// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/key.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quietlane::GlobalShortcuts {

/// Modifier flags of a shortcut. Alt and Super are the keys, not X's Mod bits, which
/// differ from one keymap to the next; Fn has no X modifier at all.
using Modifiers = uint32_t;
namespace Modifier {
constexpr Modifiers shift = 0x1;
constexpr Modifiers control = 0x2;
constexpr Modifiers alt = 0x4;
constexpr Modifiers super = 0x8;
constexpr Modifiers fn = 0x10;
constexpr Modifiers all = shift | control | alt | super | fn;
} // namespace Modifier

/// Gives the single character a key produces in the current layout, if any.
using KeyCharacterLookup = std::function<std::optional<std::string>(int64_t keyCode)>;

/// A key with its modifiers, as stored and as registered system-wide.
struct Shortcut {
    int64_t keyCode = 0;
    Modifiers modifiers = 0;
    /// Modifier bits a hand-edited preferences value held that no key sets. Kept so that
    /// such a value matches no press (as it never did) and is written back as it was read.
    uint64_t unnamedStoredModifiers = 0;

    /// Flags other than the five modifiers are dropped.
    explicit Shortcut(int64_t code, Modifiers mods = 0)
        : keyCode(code), modifiers(mods & Modifier::all) {}

    Key key() const { return Key{keyCode}; }

    friend bool operator==(const Shortcut&, const Shortcut&) = default;
};

struct ShortcutHash {
    size_t operator()(const Shortcut& shortcut) const {
        return std::hash<int64_t>()(shortcut.keyCode * 1000003 ^ shortcut.modifiers ^
                                    int64_t(shortcut.unnamedStoredModifiers << 8));
    }
};

} // namespace quietlane::GlobalShortcuts
