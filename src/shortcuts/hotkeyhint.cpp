// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/hotkeyhint.h"

namespace quietlane {

namespace {
const char* const kDefaultShortcutText = "⌃⌥⌘M";
} // namespace

std::string hotkeyHint(bool anythingStored, const std::optional<std::string>& shortcutText) {
    if (!anythingStored)
        return kDefaultShortcutText;
    return shortcutText.value_or(std::string());
}

} // namespace quietlane
