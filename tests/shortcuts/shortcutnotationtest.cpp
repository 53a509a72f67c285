// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/shortcutnotation.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace quietlane::GlobalShortcuts;

namespace {

KeyCharacterLookup layout(std::map<int64_t, std::string> characters) {
    return [characters](int64_t keyCode) -> std::optional<std::string> {
        if (auto it = characters.find(keyCode); it != characters.end())
            return it->second;
        return std::nullopt;
    };
}

} // namespace

TEST(ShortcutNotation, ModifiersAreWrittenInEachDesktopsOrderWithTheFunctionKeyLast) {
    const Modifiers all =
        Modifier::shift | Modifier::control | Modifier::alt | Modifier::super | Modifier::fn;
    EXPECT_EQ(shortcutText(Shortcut(Key::m, all), {}, DesktopNotation::gtk),
              "Shift+Ctrl+Alt+Super+Fn+M");
    EXPECT_EQ(shortcutText(Shortcut(Key::m, all), {}, DesktopNotation::qt),
              "Meta+Ctrl+Alt+Shift+Fn+M");
    EXPECT_EQ(defaultShortcutText(), "Ctrl+Alt+Super+M");
    EXPECT_EQ(defaultShortcutText(DesktopNotation::qt), "Meta+Ctrl+Alt+M");
}

TEST(ShortcutNotation, TheKeyIsNamedByTheCurrentLayout) {
    const auto gtk = DesktopNotation::gtk;
    const auto french = layout({{Key::m, ","}, {Key::q, "a"}});
    const auto russian = layout({{Key::m, "ь"}});
    // No answer: the US character stands in.
    EXPECT_EQ(shortcutText(Shortcut(Key::m, Modifier::control), {}, gtk), "Ctrl+M");
    EXPECT_EQ(shortcutText(Shortcut(Key::m, Modifier::control), french, gtk), "Ctrl+,");
    EXPECT_EQ(shortcutText(Shortcut(Key::q, Modifier::control), french, gtk), "Ctrl+A");
    EXPECT_EQ(shortcutText(Shortcut(Key::m, Modifier::control), russian, gtk), "Ctrl+Ь");
    // A key no layout types and no name covers.
    EXPECT_EQ(shortcutText(Shortcut(Key::volumeUp, Modifier::control), {}, gtk), "Ctrl+\uFFFD");
}

TEST(ShortcutNotation, KeysWithoutACharacterHaveTheDesktopsNames) {
    const auto text = [](int64_t key, DesktopNotation notation) {
        return shortcutText(Shortcut(key, Modifier::alt), {}, notation);
    };
    EXPECT_EQ(text(Key::space, DesktopNotation::qt), "Alt+Пробел");
    EXPECT_EQ(text(Key::pageDown, DesktopNotation::gtk), "Alt+Page Down");
    EXPECT_EQ(text(Key::pageDown, DesktopNotation::qt), "Alt+PgDown");
    EXPECT_EQ(text(Key::keypadEnter, DesktopNotation::gtk), "Alt+KP Enter");
    EXPECT_EQ(text(Key::keypadEnter, DesktopNotation::qt), "Alt+Num+Enter");
}
