// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/shortcutcodec.h"

#include <nlohmann/json.hpp>

#include <array>
#include <utility>

namespace quietlane::GlobalShortcuts {

namespace {

using K = Key;

// Stored code -> key. Codes of the stored numbering that name no key here (the ISO and JIS
// extras, unused slots) read as no shortcut: no version of ours could record them.
// clang-format off
constexpr std::pair<int64_t, int64_t> kStoredKeys[] = {
    {0, K::a}, {1, K::s}, {2, K::d}, {3, K::f}, {4, K::h}, {5, K::g}, {6, K::z}, {7, K::x},
    {8, K::c}, {9, K::v}, {11, K::b}, {12, K::q}, {13, K::w}, {14, K::e}, {15, K::r},
    {16, K::y}, {17, K::t}, {18, K::one}, {19, K::two}, {20, K::three}, {21, K::four},
    {22, K::six}, {23, K::five}, {24, K::equal}, {25, K::nine}, {26, K::seven}, {27, K::minus},
    {28, K::eight}, {29, K::zero}, {30, K::rightBracket}, {31, K::o}, {32, K::u},
    {33, K::leftBracket}, {34, K::i}, {35, K::p}, {36, K::enter}, {37, K::l}, {38, K::j},
    {39, K::quote}, {40, K::k}, {41, K::semicolon}, {42, K::backslash}, {43, K::comma},
    {44, K::slash}, {45, K::n}, {46, K::m}, {47, K::period}, {48, K::tab}, {49, K::space},
    {50, K::grave}, {51, K::backspace}, {53, K::escape}, {54, K::rightSuper}, {55, K::super},
    {56, K::shift}, {57, K::capsLock}, {58, K::alt}, {59, K::control}, {60, K::rightShift},
    {61, K::rightAlt}, {62, K::rightControl}, {63, K::fn}, {64, K::f17},
    {65, K::keypadDecimal}, {67, K::keypadMultiply}, {69, K::keypadPlus}, {71, K::numLock},
    {72, K::volumeUp}, {73, K::volumeDown}, {74, K::mute}, {75, K::keypadDivide},
    {76, K::keypadEnter}, {78, K::keypadMinus}, {79, K::f18}, {80, K::f19},
    {81, K::keypadEquals}, {82, K::keypad0}, {83, K::keypad1}, {84, K::keypad2},
    {85, K::keypad3}, {86, K::keypad4}, {87, K::keypad5}, {88, K::keypad6}, {89, K::keypad7},
    {90, K::f20}, {91, K::keypad8}, {92, K::keypad9}, {96, K::f5}, {97, K::f6}, {98, K::f7},
    {99, K::f3}, {100, K::f8}, {101, K::f9}, {103, K::f11}, {105, K::f13}, {106, K::f16},
    {107, K::f14}, {109, K::f10}, {111, K::f12}, {113, K::f15}, {114, K::insert},
    {115, K::home}, {116, K::pageUp}, {117, K::delete_}, {118, K::f4}, {119, K::end},
    {120, K::f2}, {121, K::pageDown}, {122, K::f1}, {123, K::leftArrow}, {124, K::rightArrow},
    {125, K::downArrow}, {126, K::upArrow},
    // Added beyond the keyboard's range, which older versions read as no shortcut at all;
    // mouse button n is 512 + n.
    {256, K::micMute}, {514, K::middleButton}, {520, K::backButton}, {521, K::forwardButton},
};
// clang-format on

constexpr std::array<std::pair<int64_t, Modifiers>, 5> kStoredModifiers = {{
    {0x100, Modifier::super},
    {0x200, Modifier::shift},
    {0x800, Modifier::alt},
    {0x1000, Modifier::control},
    {0x20000, Modifier::fn},
}};

} // namespace

std::optional<std::string> encodeShortcut(const Shortcut& shortcut) {
    std::optional<int64_t> code;
    for (const auto& [stored, key] : kStoredKeys) {
        if (key == shortcut.keyCode)
            code = stored;
    }
    if (!code)
        return std::nullopt;
    auto modifiers = static_cast<int64_t>(shortcut.unnamedStoredModifiers);
    for (const auto& [stored, modifier] : kStoredModifiers) {
        if (shortcut.modifiers & modifier)
            modifiers |= stored;
    }
    // Written by hand to keep the member order fixed; readers accept any order.
    return "{\"carbonKeyCode\":" + std::to_string(*code) +
           ",\"carbonModifiers\":" + std::to_string(modifiers) + "}";
}

std::optional<Shortcut> decodeShortcut(const std::string& text) {
    const auto json = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!json.is_object())
        return std::nullopt;
    const auto keyCode = json.find("carbonKeyCode");
    const auto modifiers = json.find("carbonModifiers");
    if (keyCode == json.end() || modifiers == json.end() || !keyCode->is_number_integer() ||
        !modifiers->is_number_integer())
        return std::nullopt;
    // An unsigned value above the signed range is not a key code either.
    if (keyCode->is_number_unsigned() && keyCode->get<uint64_t>() > uint64_t(INT64_MAX))
        return std::nullopt;
    if (modifiers->is_number_unsigned() && modifiers->get<uint64_t>() > uint64_t(INT64_MAX))
        return std::nullopt;
    const auto code = keyCode->get<int64_t>();
    std::optional<Shortcut> shortcut;
    for (const auto& [stored, key] : kStoredKeys) {
        if (stored == code)
            shortcut = Shortcut(key);
    }
    if (!shortcut)
        return std::nullopt;
    auto unnamed = static_cast<uint64_t>(modifiers->get<int64_t>());
    for (const auto& [stored, modifier] : kStoredModifiers) {
        if (unnamed & uint64_t(stored)) {
            shortcut->modifiers |= modifier;
            unnamed &= ~uint64_t(stored);
        }
    }
    shortcut->unnamedStoredModifiers = unnamed;
    return shortcut;
}

} // namespace quietlane::GlobalShortcuts
