// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/shortcut.h"

#include <optional>
#include <string>

namespace quietlane::GlobalShortcuts {

/// The preferences form of a shortcut: compact JSON, {"carbonKeyCode":46,"carbonModifiers":
/// 6400} for Control-Alt-Super-M. The numbers are those of the first versions of the file,
/// whose key codes name positions on an ANSI keyboard; files stay readable both ways, so
/// the numbering lives on here and nowhere else. Nothing for a key without a stored code.
std::optional<std::string> encodeShortcut(const Shortcut& shortcut);
/// Nothing for text that is not such an object, and for codes no key of ours has.
std::optional<Shortcut> decodeShortcut(const std::string& text);

} // namespace quietlane::GlobalShortcuts
