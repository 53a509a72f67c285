// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/shortcut.h"
#include "shortcuts/name.h"

#include <gtest/gtest.h>

using namespace quietlane::GlobalShortcuts;

TEST(Shortcut, ModifiersAreNormalisedOnConstructionButNotOnDecoding) {
    EXPECT_EQ(Shortcut(46, 6400 + 1).carbonModifiers, 6400);
    EXPECT_EQ(Shortcut(46, 0x20000 | 0x40000 | 0x100).carbonModifiers, 0x20000 | 0x100);
    EXPECT_EQ(Name::toggleMute().defaultShortcut, Shortcut(46, 6400));
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
    for (const char* bad : {"", "nonsense", "[]", "46", R"({"carbonKeyCode":46})",
                            R"({"carbonKeyCode":"46","carbonModifiers":6400})",
                            R"({"carbonKeyCode":46.5,"carbonModifiers":6400})",
                            R"({"carbonKeyCode":-1,"carbonModifiers":6400})",
                            R"({"carbonKeyCode":128,"carbonModifiers":6400})",
                            R"({"carbonKeyCode":18446744073709551615,"carbonModifiers":0})",
                            R"({"carbonKeyCode":9223372036854775807,"carbonModifiers":0})"}) {
        EXPECT_FALSE(Shortcut::fromJson(bad)) << bad;
    }
}

TEST(Shortcut, DescriptionPutsModifiersInFixedOrderBeforeTheKey) {
    EXPECT_EQ(Shortcut(46, 6400).description(), "⌃⌥⌘M");
    EXPECT_EQ(
        Shortcut::fromKey(Key{Key::m}, EventModifier::command | EventModifier::shift).description(),
        "⇧⌘M");
    EXPECT_EQ(Shortcut::fromKey(Key{Key::a}, 0x1C0000 | EventModifier::shift).description(),
              "⌃⌥⇧⌘A");
    EXPECT_EQ(Shortcut::fromKey(Key{Key::keypadEnter}, 0).description(), "↩\u20E3");
    EXPECT_EQ(Shortcut::fromKey(Key{Key::f17}, EventModifier::control).description(), "⌃F17");
    EXPECT_EQ(Shortcut::fromKey(Key{Key::keypad0}, 0).description(), "0\u20E3");
    EXPECT_EQ(Shortcut::fromKey(Key{Key::help}, 0).description(), "?\u20DD");
    EXPECT_EQ(Shortcut::fromKey(Key{Key::space}, EventModifier::option).description(), "⌥Пробел");
    EXPECT_EQ(Shortcut::fromKey(Key{Key::f1}, EventModifier::function).description(),
              "\U0001F310\uFE0EF1");
    // A key no layout can show.
    EXPECT_EQ(Shortcut::fromKey(Key{Key::volumeUp}, EventModifier::control).description(),
              "⌃\uFFFD");
    // The current layout decides the character; Cyrillic is capitalised too.
    const auto russian = [](int64_t) {
        return std::optional<std::string>("ь");
    };
    EXPECT_EQ(
        Shortcut::fromKey(Key{Key::m}, EventModifier::control).presentableDescription(russian),
        "⌃Ь");
}
