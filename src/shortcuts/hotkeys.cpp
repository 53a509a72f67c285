// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/hotkeys.h"

#include "base/log.h"

#include <ostream>
#include <utility>

namespace quietlane::GlobalShortcuts {

Hotkeys::Hotkeys(HotkeyBackend& backend, std::ostream& errorOutput, Describer describe)
    : m_backend(backend), m_errorOutput(errorOutput), m_describe(std::move(describe)) {
    m_backend.setEventHandler([this](const HotkeyEvent& event) { return handleEvent(event); });
}

Hotkeys::~Hotkeys() {
    m_backend.setEventHandler({});
    for (const auto& [id, record] : m_records) {
        if (record.registered)
            m_backend.unregisterHotkey(uint32_t(id));
    }
}

HotkeyRefusal Hotkeys::registerWithSystem(const Shortcut& shortcut, int64_t id) {
    return m_backend.registerHotkey(shortcut, uint32_t(id));
}

namespace {

// The error line has always carried X's error code (10: another client holds it) or one
// of ours above the range of X codes, and scripts read it; the names stay in memory.
int statusNumber(HotkeyRefusal refusal) {
    switch (refusal) {
    case HotkeyRefusal::none:
        return 0;
    case HotkeyRefusal::heldElsewhere:
    case HotkeyRefusal::noKeyHook:
        return 10;
    case HotkeyRefusal::serverError:
        return 2;
    case HotkeyRefusal::noSuchKey:
        return 1001;
    case HotkeyRefusal::noSuchModifiers:
        return 1002;
    }
    return -1;
}

} // namespace

void Hotkeys::reportRefusal(const Shortcut& shortcut, HotkeyRefusal refusal) {
    const int status = statusNumber(refusal);
    const std::string description = m_describe(shortcut);
    m_errorOutput << "Error registering hotkey " << description << ": " << status << std::endl;
    Log::error(Log::Category::app,
               "global shortcut %s could not be registered (status %d): another application "
               "probably uses it already; choose a different shortcut in the settings",
               description.c_str(), status);
}

void Hotkeys::registerHotkey(const Shortcut& shortcut, Action onKeyDown, Action onKeyUp,
                             OnRefusal onRefusal) {
    // Without a key hook there is nothing to refuse: the session's one "unavailable" line
    // has been logged already.
    if (!m_backend.isAvailable())
        return;
    const int64_t id = ++m_lastId;
    if (const auto refusal = registerWithSystem(shortcut, id); refusal != HotkeyRefusal::none) {
        if (onRefusal == OnRefusal::report)
            reportRefusal(shortcut, refusal);
        return;
    }
    m_records.insert_or_assign(id,
                               Record{shortcut, true, std::move(onKeyDown), std::move(onKeyUp)});
    if (!m_handlerInstalled) {
        m_handlerInstalled = true;
        updateEventHandler();
    } else if (m_menuOpen && m_backend.keyGrabs()) {
        // Taken while a popup holds the keyboard: it would not fire now, and keeping it
        // would leave it out of the hand-over when the popup closes.
        m_backend.unregisterHotkey(uint32_t(id));
        m_records.at(id).registered = false;
    }
}

void Hotkeys::unregisterHotkey(const Shortcut& shortcut) {
    for (auto it = m_records.begin(); it != m_records.end();) {
        if (it->second.shortcut == shortcut) {
            if (it->second.registered)
                m_backend.unregisterHotkey(uint32_t(it->first));
            std::erase_if(m_held, [&](const auto& held) { return held.second == it->first; });
            it = m_records.erase(it);
        } else {
            ++it;
        }
    }
}

bool Hotkeys::hasRecord(const Shortcut& shortcut) const {
    for (const auto& [id, record] : m_records) {
        if (record.shortcut == shortcut)
            return true;
    }
    return false;
}

void Hotkeys::setMenuOpen(bool open) {
    if (m_menuOpen == open)
        return;
    m_menuOpen = open;
    updateEventHandler();
}

void Hotkeys::updateEventHandler() {
    // Where the desktop rather than a grab catches the keys, presses keep arriving while
    // our popup holds the keyboard.
    if (!m_handlerInstalled || !m_backend.keyGrabs())
        return;
    if (m_menuOpen) {
        for (auto& [id, record] : m_records) {
            if (record.registered)
                m_backend.unregisterHotkey(uint32_t(id));
            record.registered = false;
        }
        return;
    }
    for (auto it = m_records.begin(); it != m_records.end();) {
        if (it->second.registered) {
            ++it;
            continue;
        }
        if (const auto refusal = registerWithSystem(it->second.shortcut, it->first);
            refusal != HotkeyRefusal::none) {
            reportRefusal(it->second.shortcut, refusal);
            it = m_records.erase(it);
            continue;
        }
        it->second.registered = true;
        ++it;
    }
}

bool Hotkeys::handleEvent(const HotkeyEvent& event) {
    const auto it = m_records.find(int64_t(event.id));
    if (it == m_records.end())
        return false;
    // Copies: an action may change the shortcut, which drops this very record.
    const Shortcut shortcut = it->second.shortcut;
    if (event.kind == HotkeyEvent::Kind::pressed) {
        m_held[shortcut.keyCode] = it->first;
        const Action action = it->second.onKeyDown;
        action(shortcut);
    } else {
        m_held.erase(shortcut.keyCode);
        const Action action = it->second.onKeyUp;
        action(shortcut);
    }
    return true;
}

bool Hotkeys::handleRawKeyEvent(RawKeyKind kind, const Shortcut& pressed) {
    if (kind == RawKeyKind::keyUp) {
        if (auto held = m_held.find(pressed.keyCode); held != m_held.end()) {
            const auto record = m_records.find(held->second);
            m_held.erase(held);
            if (record == m_records.end())
                return false;
            const Shortcut shortcut = record->second.shortcut;
            const Action action = record->second.onKeyUp;
            action(shortcut);
            return true;
        }
    }
    for (const auto& [id, record] : m_records) {
        if (record.shortcut != pressed)
            continue;
        if (kind == RawKeyKind::keyDown) {
            // Auto-repeat of a combination already down: swallowed, the action ran once.
            if (m_held.contains(pressed.keyCode))
                return true;
            m_held[pressed.keyCode] = id;
        }
        const Shortcut shortcut = record.shortcut;
        const Action action = kind == RawKeyKind::keyDown ? record.onKeyDown : record.onKeyUp;
        action(shortcut);
        return true;
    }
    return false;
}

} // namespace quietlane::GlobalShortcuts
