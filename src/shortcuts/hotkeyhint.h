// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace quietlane {

/// The shortcut hint on the mute button. The default's text only while nothing at all is
/// stored (the default is still to be written); a cleared or unreadable shortcut shows
/// nothing, so the card never advertises a key that does nothing.
std::string hotkeyHint(bool anythingStored, const std::optional<std::string>& shortcutText);

} // namespace quietlane
