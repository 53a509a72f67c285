// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/key.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quietlane::GlobalShortcuts {

/// Modifier bits in the stored (carbon) encoding.
namespace CarbonModifier {
constexpr int64_t command = 0x100;
constexpr int64_t shift = 0x200;
constexpr int64_t option = 0x800;
constexpr int64_t control = 0x1000;
constexpr int64_t function = 0x20000;
} // namespace CarbonModifier

/// Modifier bits in the key-event encoding the recorder and the UI work with.
namespace EventModifier {
constexpr uint64_t shift = 0x20000;
constexpr uint64_t control = 0x40000;
constexpr uint64_t option = 0x80000;
constexpr uint64_t command = 0x100000;
constexpr uint64_t function = 0x800000;
} // namespace EventModifier

/// Only the five known bits survive a conversion, in either direction.
uint64_t eventModifiersFromCarbon(int64_t carbonModifiers);
int64_t carbonModifiersFromEvent(uint64_t eventModifiers);

/// Gives the single character a key produces in the current layout, if any.
using KeyCharacterLookup = std::function<std::optional<std::string>(int64_t keyCode)>;

/// A key with its modifiers, as stored and as registered system-wide.
struct Shortcut {
    int64_t carbonKeyCode = 0;
    int64_t carbonModifiers = 0;

    /// The modifiers are normalised: bits other than the five known ones are dropped.
    Shortcut(int64_t keyCode, int64_t carbonMods);
    /// From a key and event modifier flags. A named factory, because a key code constant
    /// would silently pick the constructor above and read event flags as carbon ones.
    static Shortcut fromKey(Key key, uint64_t eventModifiers = 0);

    /// Exactly as given, for values decoded from the store (they are not normalised).
    static Shortcut raw(int64_t keyCode, int64_t carbonMods);

    enum class EventType { keyDown, keyUp, flagsChanged, other };
    /// From a key event: nothing unless it is a key-down or key-up; the function flag is
    /// not part of a shortcut.
    static std::optional<Shortcut> fromEvent(EventType type, int64_t keyCode,
                                             uint64_t eventModifiers);

    Key key() const { return Key{carbonKeyCode}; }
    uint64_t modifiers() const { return eventModifiersFromCarbon(carbonModifiers); }

    /// Compact JSON, {"carbonKeyCode":46,"carbonModifiers":6400}.
    std::string toJson() const;
    /// Nothing for text that is not such an object, and for key codes no key has.
    static std::optional<Shortcut> fromJson(const std::string& text);

    friend bool operator==(const Shortcut&, const Shortcut&) = default;

private:
    Shortcut() = default;
};

struct ShortcutHash {
    size_t operator()(const Shortcut& shortcut) const {
        return std::hash<int64_t>()(shortcut.carbonKeyCode * 1000003 ^ shortcut.carbonModifiers);
    }
};

} // namespace quietlane::GlobalShortcuts
