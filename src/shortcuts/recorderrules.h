// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/shortcut.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace quietlane::GlobalShortcuts {

/// Event-flag bits that a key event may carry besides the five modifiers.
namespace EventFlag {
constexpr uint64_t capsLock = 0x10000;
constexpr uint64_t numericPad = 0x200000;
} // namespace EventFlag

/// What the recorder does with one key press while it is listening.
enum class RecorderVerdict {
    /// A modifier key on its own: the combination is not complete yet.
    wait,
    /// Tab: stop listening and let the window move the focus on.
    stopAndPass,
    /// Escape: stop listening; the shortcut stays as it was.
    cancel,
    /// Backspace or Delete: remove the shortcut and keep listening.
    clear,
    /// No real modifier (or no key): beep and keep listening.
    reject,
    /// The desktop or another application uses the combination: ask before taking it.
    usedBySystem,
    accept,
};

struct RecorderDecision {
    RecorderVerdict verdict = RecorderVerdict::reject;
    /// The combination for `usedBySystem` and `accept`.
    std::optional<Shortcut> shortcut;
};

/// Answers whether the desktop or another client already uses a combination.
using SystemShortcutCheck = std::function<bool(const Shortcut&)>;

/// Decides about a key press (`keyCode` in the stored encoding, `eventModifiers` in the
/// event encoding, lock and keypad bits allowed), or a mouse button's press given by its
/// code (Key::middleButton...). A combination needs Control, Option or Command; only
/// F1...F20, the microphone-mute key and the side buttons may stand alone (Shift does not
/// count). F12 alone is never checked against the system.
RecorderDecision evaluateRecorderKey(int64_t keyCode, uint64_t eventModifiers,
                                     const SystemShortcutCheck& isUsedBySystem);

/// Combinations the common Linux desktops keep for themselves even when they do not hold
/// an X grab for them (the window manager may take them only while it runs, or through
/// the keyboard layout): see the list in the implementation.
bool isReservedDesktopShortcut(const Shortcut& shortcut);

} // namespace quietlane::GlobalShortcuts
