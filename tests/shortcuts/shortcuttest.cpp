// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/shortcut.h"
#include "shortcuts/name.h"

#include <gtest/gtest.h>

using namespace quietlane::GlobalShortcuts;

TEST(Shortcut, ModifiersAreNormalisedOnConstructionButNotOnDecoding) {
    EXPECT_EQ(Shortcut(46, 6400 + 1).carbonModifiers, 6400);
    EXPECT_EQ(Shortcut(46, 0x20000 | 0x40000 | 0x100).carbonModifiers, 0x20000 | 0x100);
    EXPECT_EQ(Name::toggleMute().defaultShortcut->modifiers(), 0x1C0000u);

    const auto decoded = Shortcut::fromJson(R"({"carbonModifiers":6401,"carbonKeyCode":46})");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->carbonModifiers, 6401);
    EXPECT_NE(*decoded, Shortcut(46, 6401));
}

TEST(Shortcut, FromEventTakesOnlyKeyEventsAndDropsTheFunctionFlag) {
    using T = Shortcut::EventType;
    EXPECT_FALSE(Shortcut::fromEvent(T::flagsChanged, 46, EventModifier::command));
    EXPECT_FALSE(Shortcut::fromEvent(T::other, 46, EventModifier::command));
    const auto shortcut =
        Shortcut::fromEvent(T::keyUp, Key::f5, EventModifier::function | EventModifier::shift);
    ASSERT_TRUE(shortcut);
    EXPECT_EQ(shortcut->carbonModifiers, CarbonModifier::shift);
}

TEST(Shortcut, JsonRoundTripsAndRejectsAnythingThatIsNotAKey) {
    EXPECT_EQ(Shortcut(46, 6400).toJson(), R"({"carbonKeyCode":46,"carbonModifiers":6400})");
    EXPECT_EQ(Shortcut::fromJson(Shortcut(Key::f12, 0x300).toJson()), Shortcut(Key::f12, 0x300));
    // The microphone-mute key and the mouse buttons live beyond the keyboard's codes.
    for (const int64_t code :
         {Key::micMute, Key::middleButton, Key::backButton, Key::forwardButton})
        EXPECT_EQ(Shortcut::fromJson(Shortcut(code, 0).toJson()), Shortcut(code, 0)) << code;
    for (const char* bad : {"", "nonsense", "[]", "46", R"({"carbonKeyCode":46})",
                            R"({"carbonKeyCode":"46","carbonModifiers":6400})",
                            R"({"carbonKeyCode":46.5,"carbonModifiers":6400})",
                            R"({"carbonKeyCode":-1,"carbonModifiers":6400})",
                            R"({"carbonKeyCode":128,"carbonModifiers":6400})",
                            R"({"carbonKeyCode":300,"carbonModifiers":0})",
                            R"({"carbonKeyCode":513,"carbonModifiers":0})",
                            R"({"carbonKeyCode":18446744073709551615,"carbonModifiers":0})",
                            R"({"carbonKeyCode":9223372036854775807,"carbonModifiers":0})"}) {
        EXPECT_FALSE(Shortcut::fromJson(bad)) << bad;
    }
}
