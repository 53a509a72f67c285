// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/simulatedhotkeybackend.h"

#include <algorithm>

namespace quietlane::GlobalShortcuts {

namespace {
int64_t comboKey(const Shortcut& shortcut) {
    return (shortcut.keyCode << 20) ^ shortcut.modifiers;
}
} // namespace

HotkeyRefusal SimulatedHotkeyBackend::registerHotkey(const Shortcut& shortcut, uint32_t id) {
    ++m_registerCalls;
    if (m_refused.contains(comboKey(shortcut)))
        return HotkeyRefusal::heldElsewhere;
    m_registrations.push_back({shortcut, id});
    return HotkeyRefusal::none;
}

void SimulatedHotkeyBackend::unregisterHotkey(uint32_t id) {
    std::erase_if(m_registrations, [id](const Registration& r) { return r.id == id; });
    std::erase_if(m_held, [id](const auto& entry) { return entry.second == id; });
}

bool SimulatedHotkeyBackend::isHeldElsewhere(const Shortcut& shortcut) {
    return m_refused.contains(comboKey(shortcut)) && !find(shortcut);
}

std::optional<std::string> SimulatedHotkeyBackend::characterForKey(int64_t keyCode) const {
    if (auto it = m_characters.find(keyCode); it != m_characters.end())
        return it->second;
    return usLayoutCharacter(keyCode);
}

std::optional<Shortcut> SimulatedHotkeyBackend::shortcutForNativeKey(uint32_t nativeKeyCode,
                                                                     uint32_t mods) const {
    return Shortcut(int64_t(nativeKeyCode), Modifiers(mods));
}

void SimulatedHotkeyBackend::holdElsewhere(const Shortcut& shortcut) {
    m_refused.insert(comboKey(shortcut));
}

void SimulatedHotkeyBackend::letGo(const Shortcut& shortcut) {
    m_refused.erase(comboKey(shortcut));
}

void SimulatedHotkeyBackend::setCharacter(int64_t keyCode, std::optional<std::string> character) {
    m_characters[keyCode] = std::move(character);
}

const SimulatedHotkeyBackend::Registration*
SimulatedHotkeyBackend::find(const Shortcut& shortcut) const {
    auto it = std::find_if(m_registrations.begin(), m_registrations.end(),
                           [&](const Registration& r) { return r.shortcut == shortcut; });
    return it == m_registrations.end() ? nullptr : &*it;
}

bool SimulatedHotkeyBackend::press(const Shortcut& shortcut) {
    if (m_held.contains(shortcut.keyCode))
        return true;
    const Registration* registration = find(shortcut);
    if (!registration)
        return false;
    m_held[shortcut.keyCode] = registration->id;
    return deliver({HotkeyEvent::Kind::pressed, registration->id});
}

bool SimulatedHotkeyBackend::release(const Shortcut& shortcut) {
    // The release belongs to the press, not to whatever modifiers are down now.
    auto it = m_held.find(shortcut.keyCode);
    if (it == m_held.end())
        return false;
    const uint32_t id = it->second;
    m_held.erase(it);
    return deliver({HotkeyEvent::Kind::released, id});
}

bool SimulatedHotkeyBackend::deliver(const HotkeyEvent& event) {
    return m_handler && m_handler(event);
}

} // namespace quietlane::GlobalShortcuts
