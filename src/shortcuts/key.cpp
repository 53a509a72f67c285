// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/key.h"

#include <unordered_map>
#include <utility>

namespace quietlane::GlobalShortcuts {

namespace {

using K = Key;
using S = SpecialKey;

const std::unordered_map<int64_t, SpecialKey>& keyToSpecialKeyMapping() {
    static const std::unordered_map<int64_t, SpecialKey> mapping = {
        {K::enter, S::enter},
        {K::backspace, S::backspace},
        {K::delete_, S::delete_},
        {K::end, S::end},
        {K::escape, S::escape},
        {K::insert, S::insert},
        {K::home, S::home},
        {K::space, S::space},
        {K::tab, S::tab},
        {K::pageUp, S::pageUp},
        {K::pageDown, S::pageDown},
        {K::upArrow, S::upArrow},
        {K::rightArrow, S::rightArrow},
        {K::downArrow, S::downArrow},
        {K::leftArrow, S::leftArrow},
        {K::f1, S::f1},
        {K::f2, S::f2},
        {K::f3, S::f3},
        {K::f4, S::f4},
        {K::f5, S::f5},
        {K::f6, S::f6},
        {K::f7, S::f7},
        {K::f8, S::f8},
        {K::f9, S::f9},
        {K::f10, S::f10},
        {K::f11, S::f11},
        {K::f12, S::f12},
        {K::f13, S::f13},
        {K::f14, S::f14},
        {K::f15, S::f15},
        {K::f16, S::f16},
        {K::f17, S::f17},
        {K::f18, S::f18},
        {K::f19, S::f19},
        {K::f20, S::f20},
        {K::keypad0, S::keypad0},
        {K::keypad1, S::keypad1},
        {K::keypad2, S::keypad2},
        {K::keypad3, S::keypad3},
        {K::keypad4, S::keypad4},
        {K::keypad5, S::keypad5},
        {K::keypad6, S::keypad6},
        {K::keypad7, S::keypad7},
        {K::keypad8, S::keypad8},
        {K::keypad9, S::keypad9},
        {K::numLock, S::numLock},
        {K::keypadDecimal, S::keypadDecimal},
        {K::keypadDivide, S::keypadDivide},
        {K::keypadEnter, S::keypadEnter},
        {K::keypadEquals, S::keypadEquals},
        {K::keypadMinus, S::keypadMinus},
        {K::keypadMultiply, S::keypadMultiply},
        {K::keypadPlus, S::keypadPlus},
    };
    return mapping;
}

} // namespace

std::optional<uint8_t> Key::pointerButtonNumber(int64_t code) {
    switch (code) {
    case middleButton:
        return 2;
    case backButton:
        return 8;
    case forwardButton:
        return 9;
    default:
        return std::nullopt;
    }
}

std::optional<int64_t> Key::fromPointerButtonNumber(uint8_t button) {
    switch (button) {
    case 2:
        return middleButton;
    case 8:
        return backButton;
    case 9:
        return forwardButton;
    default:
        return std::nullopt;
    }
}

bool Key::isModifierKey(int64_t code) {
    switch (code) {
    case shift:
    case rightShift:
    case control:
    case rightControl:
    case alt:
    case rightAlt:
    case super:
    case rightSuper:
    case fn:
    case capsLock:
        return true;
    default:
        return false;
    }
}

std::optional<SpecialKey> specialKeyForKeyCode(int64_t keyCode) {
    const auto& mapping = keyToSpecialKeyMapping();
    if (auto it = mapping.find(keyCode); it != mapping.end())
        return it->second;
    return std::nullopt;
}

std::optional<std::string> usLayoutCharacter(int64_t keyCode) {
    static const std::unordered_map<int64_t, char> characters = {
        {K::a, 'a'},
        {K::b, 'b'},
        {K::c, 'c'},
        {K::d, 'd'},
        {K::e, 'e'},
        {K::f, 'f'},
        {K::g, 'g'},
        {K::h, 'h'},
        {K::i, 'i'},
        {K::j, 'j'},
        {K::k, 'k'},
        {K::l, 'l'},
        {K::m, 'm'},
        {K::n, 'n'},
        {K::o, 'o'},
        {K::p, 'p'},
        {K::q, 'q'},
        {K::r, 'r'},
        {K::s, 's'},
        {K::t, 't'},
        {K::u, 'u'},
        {K::v, 'v'},
        {K::w, 'w'},
        {K::x, 'x'},
        {K::y, 'y'},
        {K::z, 'z'},
        {K::zero, '0'},
        {K::one, '1'},
        {K::two, '2'},
        {K::three, '3'},
        {K::four, '4'},
        {K::five, '5'},
        {K::six, '6'},
        {K::seven, '7'},
        {K::eight, '8'},
        {K::nine, '9'},
        {K::backslash, '\\'},
        {K::grave, '`'},
        {K::comma, ','},
        {K::equal, '='},
        {K::minus, '-'},
        {K::period, '.'},
        {K::quote, '\''},
        {K::semicolon, ';'},
        {K::slash, '/'},
        {K::leftBracket, '['},
        {K::rightBracket, ']'},
    };
    if (auto it = characters.find(keyCode); it != characters.end())
        return std::string(1, it->second);
    return std::nullopt;
}

} // namespace quietlane::GlobalShortcuts
