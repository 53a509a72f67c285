// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quietlane::GlobalShortcuts {

/// A physical key, named by its virtual key code (the ANSI-layout codes every stored
/// shortcut uses). The code names a position on the keyboard, not a character.
struct Key {
    int64_t rawValue = 0;

    friend bool operator==(const Key&, const Key&) = default;

    /// Keyboard keys are codes up to this one.
    static constexpr int64_t kMaxKeyCode = 127;

    // Inputs beyond the keyboard's range, which versions before them read as no shortcut
    // at all: the microphone-mute key, and mouse button n as kMouseButtonBase + n.
    static constexpr int64_t micMute = 256;
    static constexpr int64_t kMouseButtonBase = 512;
    static constexpr int64_t middleButton = kMouseButtonBase + 2;
    static constexpr int64_t backButton = kMouseButtonBase + 8;
    static constexpr int64_t forwardButton = kMouseButtonBase + 9;

    static bool isMouseButton(int64_t code) {
        return code == middleButton || code == backButton || code == forwardButton;
    }
    /// Stored shortcuts may only name these codes; anything else is not a key.
    static bool isValidKeyCode(int64_t code) {
        return (code >= 0 && code <= kMaxKeyCode) || code == micMute || isMouseButton(code);
    }

    // clang-format off
    static constexpr int64_t a = 0, s = 1, d = 2, f = 3, h = 4, g = 5, z = 6, x = 7, c = 8, v = 9,
        b = 11, q = 12, w = 13, e = 14, r = 15, y = 16, t = 17, one = 18, two = 19, three = 20,
        four = 21, six = 22, five = 23, equal = 24, nine = 25, seven = 26, minus = 27, eight = 28,
        zero = 29, rightBracket = 30, o = 31, u = 32, leftBracket = 33, i = 34, p = 35,
        return_ = 36, l = 37, j = 38, quote = 39, k = 40, semicolon = 41, backslash = 42,
        comma = 43, slash = 44, n = 45, m = 46, period = 47, tab = 48, space = 49, backtick = 50,
        delete_ = 51, escape = 53, rightCommand = 54, command = 55, shift = 56, capsLock = 57,
        option = 58, control = 59, rightShift = 60, rightOption = 61, rightControl = 62,
        function = 63, f17 = 64, keypadDecimal = 65, keypadMultiply = 67, keypadPlus = 69,
        keypadClear = 71, volumeUp = 72, volumeDown = 73, mute = 74, keypadDivide = 75,
        keypadEnter = 76, keypadMinus = 78, f18 = 79, f19 = 80, keypadEquals = 81, keypad0 = 82,
        keypad1 = 83, keypad2 = 84, keypad3 = 85, keypad4 = 86, keypad5 = 87, keypad6 = 88,
        keypad7 = 89, f20 = 90, keypad8 = 91, keypad9 = 92, f5 = 96, f6 = 97, f7 = 98, f3 = 99,
        f8 = 100, f9 = 101, f11 = 103, f13 = 105, f16 = 106, f14 = 107, f10 = 109, f12 = 111,
        f15 = 113, help = 114, home = 115, pageUp = 116, deleteForward = 117, f4 = 118, end = 119,
        f2 = 120, pageDown = 121, f1 = 122, leftArrow = 123, rightArrow = 124, downArrow = 125,
        upArrow = 126;
    // clang-format on
};

/// Keys shown by a name instead of the character the layout gives them.
enum class SpecialKey {
    return_,
    delete_,
    deleteForward,
    end,
    escape,
    help,
    home,
    space,
    tab,
    pageUp,
    pageDown,
    upArrow,
    rightArrow,
    downArrow,
    leftArrow,
    f1,
    f2,
    f3,
    f4,
    f5,
    f6,
    f7,
    f8,
    f9,
    f10,
    f11,
    f12,
    f13,
    f14,
    f15,
    f16,
    f17,
    f18,
    f19,
    f20,
    keypad0,
    keypad1,
    keypad2,
    keypad3,
    keypad4,
    keypad5,
    keypad6,
    keypad7,
    keypad8,
    keypad9,
    keypadClear,
    keypadDecimal,
    keypadDivide,
    keypadEnter,
    keypadEquals,
    keypadMinus,
    keypadMultiply,
    keypadPlus,
};

std::optional<SpecialKey> specialKeyForKeyCode(int64_t keyCode);

/// The lower-case character a key gives on a US ANSI layout, for when no layout can be
/// asked (no display). Nothing for special keys, modifiers and unknown codes.
std::optional<std::string> usLayoutCharacter(int64_t keyCode);

} // namespace quietlane::GlobalShortcuts
