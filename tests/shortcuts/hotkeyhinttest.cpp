// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/hotkeyhint.h"

#include <gtest/gtest.h>

using namespace quietlane;

TEST(HotkeyHint, HotkeyHintShowsTheDefaultOnlyWhileNothingIsStored) {
    EXPECT_EQ(hotkeyHint(false, std::nullopt), "⌃⌥⌘M");
    // Cleared (the false marker) or unreadable: no hint for a key that does nothing.
    EXPECT_EQ(hotkeyHint(true, std::nullopt), "");
    EXPECT_EQ(hotkeyHint(true, std::string("⇧⌘K")), "⇧⌘K");
}
