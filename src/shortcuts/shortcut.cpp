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
};

constexpr std::array<ModifierEncoding, 5> kModifierEncodings = {{
    {EventModifier::control, CarbonModifier::control},
    {EventModifier::option, CarbonModifier::option},
    {EventModifier::shift, CarbonModifier::shift},
    {EventModifier::command, CarbonModifier::command},
    {EventModifier::function, CarbonModifier::function},
}};

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
    if (keyCode->is_number_unsigned() && keyCode->get<uint64_t>() > uint64_t(INT64_MAX))
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
