// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/shortcut.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace quietlane::GlobalShortcuts {

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

/// Decides about a key press, or a mouse button's press given by its code
/// (Key::middleButton...). A combination needs Control, Alt or Super; only
/// F1...F20, the microphone-mute key and the side buttons may stand alone (Shift does not
/// count). F12 alone is never checked against the system; Fn is never part of a shortcut.
RecorderDecision evaluateRecorderKey(int64_t keyCode, Modifiers modifiers,
                                     const SystemShortcutCheck& isUsedBySystem);

/// Combinations the common Linux desktops keep for themselves even when they do not hold
/// an X grab for them (the window manager may take them only while it runs, or through
/// the keyboard layout): see the list in the implementation.
bool isReservedDesktopShortcut(const Shortcut& shortcut);

} // namespace quietlane::GlobalShortcuts
