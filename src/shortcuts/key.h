// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quietlane::GlobalShortcuts {

/// A physical key or an extra mouse button, named by its Linux input event code (the
/// numbers of linux/input-event-codes.h that evtest and libinput show). The code names a
/// position on the keyboard, not a character: the same code is the same key whatever the
/// layout. One numbering covers the keyboard, the microphone-mute key and the buttons.
struct Key {
    int64_t rawValue = 0;

    friend bool operator==(const Key&, const Key&) = default;

    // clang-format off
    static constexpr int64_t escape = 1, one = 2, two = 3, three = 4, four = 5, five = 6,
        six = 7, seven = 8, eight = 9, nine = 10, zero = 11, minus = 12, equal = 13,
        backspace = 14, tab = 15, q = 16, w = 17, e = 18, r = 19, t = 20, y = 21, u = 22, i = 23,
        o = 24, p = 25, leftBracket = 26, rightBracket = 27, enter = 28, control = 29, a = 30,
        s = 31, d = 32, f = 33, g = 34, h = 35, j = 36, k = 37, l = 38, semicolon = 39,
        quote = 40, grave = 41, shift = 42, backslash = 43, z = 44, x = 45, c = 46, v = 47,
        b = 48, n = 49, m = 50, comma = 51, period = 52, slash = 53, rightShift = 54,
        keypadMultiply = 55, alt = 56, space = 57, capsLock = 58, f1 = 59, f2 = 60, f3 = 61,
        f4 = 62, f5 = 63, f6 = 64, f7 = 65, f8 = 66, f9 = 67, f10 = 68, numLock = 69,
        keypad7 = 71, keypad8 = 72, keypad9 = 73, keypadMinus = 74, keypad4 = 75, keypad5 = 76,
        keypad6 = 77, keypadPlus = 78, keypad1 = 79, keypad2 = 80, keypad3 = 81, keypad0 = 82,
        keypadDecimal = 83, f11 = 87, f12 = 88, keypadEnter = 96, rightControl = 97,
        keypadDivide = 98, rightAlt = 100, home = 102, upArrow = 103, pageUp = 104,
        leftArrow = 105, rightArrow = 106, end = 107, downArrow = 108, pageDown = 109,
        insert = 110, delete_ = 111, mute = 113, volumeDown = 114, volumeUp = 115,
        keypadEquals = 117, super = 125, rightSuper = 126, f13 = 183, f14 = 184, f15 = 185,
        f16 = 186, f17 = 187, f18 = 188, f19 = 189, f20 = 190, micMute = 248,
        middleButton = 0x112, backButton = 0x113, forwardButton = 0x114, fn = 0x1d0;
    // clang-format on

    static bool isMouseButton(int64_t code) {
        return code == middleButton || code == backButton || code == forwardButton;
    }
    /// The X and Qt number of a mouse button (2, 8, 9); nothing for keys.
    static std::optional<uint8_t> pointerButtonNumber(int64_t code);
    static std::optional<int64_t> fromPointerButtonNumber(uint8_t button);
    /// Shift, Control, Alt, Super and Fn, left or right, and Caps Lock.
    static bool isModifierKey(int64_t code);
};

/// Keys shown by a name instead of the character the layout gives them.
enum class SpecialKey {
    enter,
    backspace,
    delete_,
    end,
    escape,
    insert,
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
    numLock,
    keypadDecimal,
    keypadDivide,
    keypadEnter,
    keypadEquals,
    keypadMinus,
    keypadMultiply,
    keypadPlus,
};

std::optional<SpecialKey> specialKeyForKeyCode(int64_t keyCode);

/// The lower-case character a key gives on a US layout, for when no layout can be asked
/// (no display). Nothing for special keys, modifiers and unknown codes.
std::optional<std::string> usLayoutCharacter(int64_t keyCode);

} // namespace quietlane::GlobalShortcuts
