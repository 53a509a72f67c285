// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/shortcutnotation.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace quietlane::GlobalShortcuts;

namespace {

// What each desktop writes, in its order; the function key comes last in both.
const std::vector<std::pair<Modifiers, std::string>> kGtkOrder = {{Modifier::shift, "Shift"},
                                                                  {Modifier::control, "Ctrl"},
                                                                  {Modifier::alt, "Alt"},
                                                                  {Modifier::super, "Super"},
                                                                  {Modifier::fn, "Fn"}};
const std::vector<std::pair<Modifiers, std::string>> kQtOrder = {{Modifier::super, "Meta"},
                                                                 {Modifier::control, "Ctrl"},
                                                                 {Modifier::alt, "Alt"},
                                                                 {Modifier::shift, "Shift"},
                                                                 {Modifier::fn, "Fn"}};

KeyCharacterLookup layout(std::map<int64_t, std::string> characters) {
    return [characters](int64_t keyCode) -> std::optional<std::string> {
        if (auto it = characters.find(keyCode); it != characters.end())
            return it->second;
        return std::nullopt;
    };
}

} // namespace

TEST(ShortcutNotation, EveryModifierCombinationIsWrittenInTheDesktopsOrder) {
    for (const auto& [notation, order] :
         {std::pair{DesktopNotation::gtk, kGtkOrder}, std::pair{DesktopNotation::qt, kQtOrder}}) {
        for (int mask = 0; mask < 32; ++mask) {
            Modifiers modifiers = 0;
            std::string expected;
            for (size_t bit = 0; bit < order.size(); ++bit) {
                if (mask & (1 << bit)) {
                    modifiers |= order[bit].first;
                    expected += order[bit].second + "+";
                }
            }
            EXPECT_EQ(shortcutText(Shortcut(Key::m, modifiers), {}, notation), expected + "M")
                << "mask " << mask;
        }
    }
    EXPECT_EQ(defaultShortcutText(), "Ctrl+Alt+Super+M");
    EXPECT_EQ(defaultShortcutText(DesktopNotation::qt), "Meta+Ctrl+Alt+M");
}

TEST(ShortcutNotation, TheKeyIsNamedByTheCurrentLayout) {
    const Shortcut m(Key::m, Modifier::control);
    const Shortcut y(Key::y, Modifier::control);
    const Shortcut q(Key::q, Modifier::control);
    const auto us = layout({});
    const auto french = layout({{Key::m, ","}, {Key::q, "a"}, {Key::y, "y"}});
    const auto german = layout({{Key::m, "m"}, {Key::y, "z"}});
    const auto russian = layout({{Key::m, "ь"}, {Key::q, "й"}});
    const auto gtk = DesktopNotation::gtk;
    EXPECT_EQ(shortcutText(m, us, gtk), "Ctrl+M"); // no answer: the US character stands in
    EXPECT_EQ(shortcutText(m, french, gtk), "Ctrl+,");
    EXPECT_EQ(shortcutText(q, french, gtk), "Ctrl+A");
    EXPECT_EQ(shortcutText(y, german, gtk), "Ctrl+Z");
    EXPECT_EQ(shortcutText(m, russian, gtk), "Ctrl+Ь");
    EXPECT_EQ(shortcutText(q, russian, gtk), "Ctrl+Й");
    // A key no layout types and no name covers.
    EXPECT_EQ(shortcutText(Shortcut(Key::volumeUp, Modifier::control), us, gtk), "Ctrl+\uFFFD");
}

TEST(ShortcutNotation, KeysWithoutACharacterHaveTheDesktopsNames) {
    const auto text = [](int64_t key, DesktopNotation notation) {
        return shortcutText(Shortcut(key, Modifier::alt), {}, notation);
    };
    for (const auto& [key, gtk, qt] : std::vector<std::tuple<int64_t, std::string, std::string>>{
             {Key::space, "Alt+Пробел", "Alt+Пробел"},
             {Key::f17, "Alt+F17", "Alt+F17"},
             {Key::escape, "Alt+Escape", "Alt+Esc"},
             {Key::pageDown, "Alt+Page Down", "Alt+PgDown"},
             {Key::delete_, "Alt+Delete", "Alt+Del"},
             {Key::backspace, "Alt+Backspace", "Alt+Backspace"},
             {Key::enter, "Alt+Return", "Alt+Return"},
             {Key::keypad0, "Alt+KP 0", "Alt+Num+0"},
             {Key::keypadEnter, "Alt+KP Enter", "Alt+Num+Enter"},
             {Key::leftArrow, "Alt+Left", "Alt+Left"},
         }) {
        EXPECT_EQ(text(key, DesktopNotation::gtk), gtk);
        EXPECT_EQ(text(key, DesktopNotation::qt), qt);
    }
}

TEST(ShortcutNotation, KdeAndLxqtUseQtsNotationEveryOtherDesktopGtks) {
    EXPECT_EQ(notationForDesktop("KDE"), DesktopNotation::qt);
    EXPECT_EQ(notationForDesktop("LXQt"), DesktopNotation::qt);
    EXPECT_EQ(notationForDesktop("ubuntu:GNOME"), DesktopNotation::gtk);
    EXPECT_EQ(notationForDesktop("X-Generic:KDE"), DesktopNotation::qt);
    EXPECT_EQ(notationForDesktop("XFCE"), DesktopNotation::gtk);
    EXPECT_EQ(notationForDesktop(""), DesktopNotation::gtk);
    EXPECT_EQ(notationForDesktop("KDEX"), DesktopNotation::gtk);
}
