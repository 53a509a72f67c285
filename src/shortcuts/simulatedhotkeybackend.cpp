// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/simulatedhotkeybackend.h"

#include <algorithm>

namespace quietlane::GlobalShortcuts {

namespace {
int64_t comboKey(const Shortcut& shortcut) {
    return (shortcut.keyCode << 20) ^ shortcut.modifiers;
}
} // namespace

int SimulatedHotKeyBackend::registerHotKey(const Shortcut& shortcut, uint32_t signature,
                                           uint32_t id) {
    ++m_registerCalls;
    if (auto it = m_refused.find(comboKey(shortcut)); it != m_refused.end())
        return it->second;
    m_registrations.push_back({shortcut, signature, id});
    return 0;
}

void SimulatedHotKeyBackend::unregisterHotKey(uint32_t id) {
    std::erase_if(m_registrations, [id](const Registration& r) { return r.id == id; });
    std::erase_if(m_held, [id](const auto& entry) { return entry.second == id; });
}

bool SimulatedHotKeyBackend::isHeldElsewhere(const Shortcut& shortcut) {
    return m_refused.contains(comboKey(shortcut)) && !find(shortcut);
}

std::optional<std::string> SimulatedHotKeyBackend::characterForKey(int64_t keyCode) const {
    if (auto it = m_characters.find(keyCode); it != m_characters.end())
        return it->second;
    return usLayoutCharacter(keyCode);
}

std::optional<Shortcut> SimulatedHotKeyBackend::shortcutForNativeKey(uint32_t nativeKeyCode,
                                                                     uint32_t mods) const {
    return Shortcut(int64_t(nativeKeyCode), Modifiers(mods));
}

void SimulatedHotKeyBackend::holdElsewhere(const Shortcut& shortcut, int status) {
    m_refused[comboKey(shortcut)] = status;
}

void SimulatedHotKeyBackend::letGo(const Shortcut& shortcut) {
    m_refused.erase(comboKey(shortcut));
}

void SimulatedHotKeyBackend::setCharacter(int64_t keyCode, std::optional<std::string> character) {
    m_characters[keyCode] = std::move(character);
}

const SimulatedHotKeyBackend::Registration*
SimulatedHotKeyBackend::find(const Shortcut& shortcut) const {
    auto it = std::find_if(m_registrations.begin(), m_registrations.end(),
                           [&](const Registration& r) { return r.shortcut == shortcut; });
    return it == m_registrations.end() ? nullptr : &*it;
}

int SimulatedHotKeyBackend::press(const Shortcut& shortcut) {
    if (m_held.contains(shortcut.keyCode))
        return 0;
    const Registration* registration = find(shortcut);
    if (!registration)
        return kEventNotHandled;
    m_held[shortcut.keyCode] = registration->id;
    return deliver({HotKeyEvent::Kind::pressed, registration->signature, registration->id});
}

int SimulatedHotKeyBackend::release(const Shortcut& shortcut) {
    // The release belongs to the press, not to whatever modifiers are down now.
    auto it = m_held.find(shortcut.keyCode);
    if (it == m_held.end())
        return kEventNotHandled;
    const uint32_t id = it->second;
    m_held.erase(it);
    return deliver({HotKeyEvent::Kind::released, kHotKeySignature, id});
}

int SimulatedHotKeyBackend::deliver(const HotKeyEvent& event) {
    return m_handler ? m_handler(event) : kEventNotHandled;
}

} // namespace quietlane::GlobalShortcuts
