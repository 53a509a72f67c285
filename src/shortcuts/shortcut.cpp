// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/shortcut.h"

#include <nlohmann/json.hpp>

#include <array>
#include <utility>

namespace quietlane::GlobalShortcuts {

namespace {

struct ModifierEncoding {
    uint64_t eventFlag;
    int64_t carbonFlag;
    const char* symbol;
};

// Order matters: it is the order of the symbols in every description.
constexpr std::array<ModifierEncoding, 5> kModifierEncodings = {{
    {EventModifier::control, CarbonModifier::control, "\u2303"},
    {EventModifier::option, CarbonModifier::option, "\u2325"},
    {EventModifier::shift, CarbonModifier::shift, "\u21E7"},
    {EventModifier::command, CarbonModifier::command, "\u2318"},
    {EventModifier::function, CarbonModifier::function, "\U0001F310\uFE0E"},
}};

std::string capitalized(std::string character) {
    // Layout characters of letters are single code points; only ASCII and Cyrillic need
    // upper-casing here, everything else is shown as the layout gives it.
    if (character.size() == 1 && character[0] >= 'a' && character[0] <= 'z') {
        character[0] = static_cast<char>(character[0] - 'a' + 'A');
    } else if (character.size() == 2) {
        const auto lead = static_cast<unsigned char>(character[0]);
        const auto trail = static_cast<unsigned char>(character[1]);
        char32_t cp = ((lead & 0x1F) << 6) | (trail & 0x3F);
        if ((lead & 0xE0) == 0xC0) {
            if (cp >= 0x430 && cp <= 0x44F)
                cp -= 0x20;
            else if (cp >= 0x450 && cp <= 0x45F)
                cp -= 0x50;
            character[0] = static_cast<char>(0xC0 | (cp >> 6));
            character[1] = static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return character;
}

} // namespace

uint64_t eventModifiersFromCarbon(int64_t carbonModifiers) {
    uint64_t flags = 0;
    for (const auto& encoding : kModifierEncodings) {
        if (carbonModifiers & encoding.carbonFlag)
            flags |= encoding.eventFlag;
    }
    return flags;
}

int64_t carbonModifiersFromEvent(uint64_t eventModifiers) {
    int64_t flags = 0;
    for (const auto& encoding : kModifierEncodings) {
        if (eventModifiers & encoding.eventFlag)
            flags |= encoding.carbonFlag;
    }
    return flags;
}

std::string symbolicRepresentation(uint64_t eventModifiers) {
    std::string text;
    for (const auto& encoding : kModifierEncodings) {
        if (eventModifiers & encoding.eventFlag)
            text += encoding.symbol;
    }
    return text;
}

Shortcut::Shortcut(int64_t keyCode, int64_t carbonMods)
    : carbonKeyCode(keyCode),
      carbonModifiers(carbonModifiersFromEvent(eventModifiersFromCarbon(carbonMods))) {}

Shortcut Shortcut::fromKey(Key key, uint64_t eventModifiers) {
    return Shortcut(key.rawValue, carbonModifiersFromEvent(eventModifiers));
}

Shortcut Shortcut::raw(int64_t keyCode, int64_t carbonMods) {
    Shortcut shortcut;
    shortcut.carbonKeyCode = keyCode;
    shortcut.carbonModifiers = carbonMods;
    return shortcut;
}

std::optional<Shortcut> Shortcut::fromEvent(EventType type, int64_t keyCode,
                                            uint64_t eventModifiers) {
    if (type != EventType::keyDown && type != EventType::keyUp)
        return std::nullopt;
    return fromKey(Key{keyCode}, eventModifiers & ~EventModifier::function);
}

std::string Shortcut::presentableDescription(const KeyCharacterLookup& keyToCharacter) const {
    std::string text = symbolicRepresentation(modifiers());
    if (auto special = specialKeyForKeyCode(carbonKeyCode))
        return text + GlobalShortcuts::presentableDescription(*special);
    std::optional<std::string> character;
    if (keyToCharacter)
        character = keyToCharacter(carbonKeyCode);
    return text + (character ? capitalized(*character) : std::string("\uFFFD"));
}

std::string Shortcut::description() const {
    return presentableDescription(usLayoutCharacter);
}

std::string Shortcut::toJson() const {
    // Written by hand to keep the member order fixed; readers accept any order.
    return "{\"carbonKeyCode\":" + std::to_string(carbonKeyCode) +
           ",\"carbonModifiers\":" + std::to_string(carbonModifiers) + "}";
}

std::optional<Shortcut> Shortcut::fromJson(const std::string& text) {
    const auto json = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!json.is_object())
        return std::nullopt;
    const auto keyCode = json.find("carbonKeyCode");
    const auto modifiers = json.find("carbonModifiers");
    if (keyCode == json.end() || modifiers == json.end() || !keyCode->is_number_integer() ||
        !modifiers->is_number_integer())
        return std::nullopt;
    // An unsigned value above the signed range is not a key code either.
    if (keyCode->is_number_unsigned() && keyCode->get<uint64_t>() > uint64_t(Key::kMaxKeyCode))
        return std::nullopt;
    if (modifiers->is_number_unsigned() && modifiers->get<uint64_t>() > uint64_t(INT64_MAX))
        return std::nullopt;
    const auto code = keyCode->get<int64_t>();
    // A hand-edited or foreign value must never become an index into a key table.
    if (!Key::isValidKeyCode(code))
        return std::nullopt;
    return raw(code, modifiers->get<int64_t>());
}

} // namespace quietlane::GlobalShortcuts
