// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/shortcutcenter.h"

#include "base/log.h"
#include "base/preferences.h"
#include "shortcuts/shortcutcodec.h"

#include <algorithm>

namespace quietlane::GlobalShortcuts {

ShortcutCenter::ShortcutCenter(Preferences& preferences, HotkeyBackend& backend,
                               std::ostream& errorOutput, DesktopNotation notation, QObject* parent)
    : QObject(parent), m_preferences(preferences), m_backend(backend), m_errorOutput(errorOutput),
      m_notation(notation) {
    watchEvents();
    if (!m_backend.isAvailable()) {
        Log::notice(Log::Category::app,
                    "global shortcut unavailable on this session (%s); mute and unmute with "
                    "the widget or the tray icon",
                    m_backend.unavailableReason().c_str());
    }
    auto* desktop = m_backend.desktopKeys();
    if (!desktop)
        return;
    // The desktop may assign or change the real key at any time; every shortcut text
    // shown must follow.
    desktop->setAssignmentChangeHandler([this] {
        const HandlerList names = m_keyDownHandlers;
        for (const auto& [rawValue, actions] : names)
            emit shortcutChanged(Name{rawValue, std::nullopt});
    });
    desktop->setNameLookup([this](const Shortcut& shortcut) {
        std::vector<std::string> names;
        for (const auto& [rawValue, actions] : m_keyDownHandlers) {
            if (this->shortcut(Name{rawValue, std::nullopt}) == shortcut)
                names.push_back(rawValue);
        }
        return names;
    });
}

ShortcutCenter::~ShortcutCenter() {
    if (auto* desktop = m_backend.desktopKeys()) {
        desktop->setAssignmentChangeHandler({});
        desktop->setNameLookup({});
    }
    m_backend.setEventHandler({});
    for (const auto& [id, record] : m_records) {
        if (record.registered)
            m_backend.unregisterHotkey(uint32_t(id));
    }
}

Name ShortcutCenter::declare(const Name& name) {
    if (name.defaultShortcut && !hasStoredShortcut(name))
        storeShortcut(name, *name.defaultShortcut);
    return name;
}

std::optional<Shortcut> ShortcutCenter::shortcut(const Name& name) const {
    const auto text = m_preferences.stringValue(name.preferencesKey());
    if (!text)
        return std::nullopt;
    return decodeShortcut(*text);
}

bool ShortcutCenter::hasStoredShortcut(const Name& name) const {
    return m_preferences.contains(name.preferencesKey());
}

void ShortcutCenter::registerShortcut(const Shortcut& shortcut) {
    if (m_attempted.contains(shortcut))
        return;
    m_attempted.insert(shortcut);
    addRecord(shortcut, OnRefusal::report);
}

std::vector<Shortcut> ShortcutCenter::refused() const {
    std::vector<Shortcut> shortcuts;
    if (!m_backend.isAvailable())
        return shortcuts;
    for (const auto& [rawValue, actions] : m_keyDownHandlers) {
        const auto current = shortcut(Name{rawValue, std::nullopt});
        if (current && m_attempted.contains(*current) && !isRegistered(*current))
            shortcuts.push_back(*current);
    }
    return shortcuts;
}

bool ShortcutCenter::hasRefused() const {
    return !refused().empty();
}

bool ShortcutCenter::registerRefusedAgain() {
    bool allTaken = true;
    for (const Shortcut& shortcut : refused()) {
        addRecord(shortcut, OnRefusal::keepQuiet);
        allTaken = allTaken && isRegistered(shortcut);
    }
    return allTaken;
}

void ShortcutCenter::unregisterShortcut(const Shortcut& shortcut) {
    dropRecords(shortcut);
    m_attempted.erase(shortcut);
}

void ShortcutCenter::storeShortcut(const Name& name, const Shortcut& shortcut) {
    const auto stored = encodeShortcut(shortcut);
    if (!stored) {
        Log::error(Log::Category::app, "the shortcut for %s names a key that cannot be saved",
                   name.rawValue.c_str());
        return;
    }
    if (const auto old = this->shortcut(name))
        unregisterShortcut(*old);
    registerShortcut(shortcut);
    m_preferences.setString(name.preferencesKey(), *stored);
    emit shortcutChanged(name);
}

void ShortcutCenter::setShortcut(const std::optional<Shortcut>& shortcut, const Name& name) {
    if (shortcut) {
        storeShortcut(name, *shortcut);
        return;
    }
    const auto old = this->shortcut(name);
    if (!old)
        return;
    if (name.defaultShortcut)
        m_preferences.setBool(name.preferencesKey(), false);
    else
        m_preferences.remove(name.preferencesKey());
    unregisterShortcut(*old);
    emit shortcutChanged(name);
}

void ShortcutCenter::addHandler(HandlerList& list, const Name& name, Handler action) {
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const auto& entry) { return entry.first == name.rawValue; });
    if (it == list.end())
        it = list.insert(list.end(), {name.rawValue, {}});
    it->second.push_back(std::move(action));
    if (const auto current = shortcut(name))
        registerShortcut(*current);
}

void ShortcutCenter::onKeyDown(const Name& name, Handler action) {
    addHandler(m_keyDownHandlers, name, std::move(action));
}

void ShortcutCenter::onKeyUp(const Name& name, Handler action) {
    addHandler(m_keyUpHandlers, name, std::move(action));
}

void ShortcutCenter::dispatch(const HandlerList& list, const Shortcut& pressed) {
    if (m_paused)
        return;
    // The store is read on every press, so a changed shortcut counts at once; the copy
    // keeps the iteration valid when a handler adds handlers.
    const HandlerList snapshot = list;
    for (const auto& [rawValue, actions] : snapshot) {
        const auto stored = shortcut(Name{rawValue, std::nullopt});
        if (!stored || *stored != pressed)
            continue;
        for (const auto& action : actions)
            action();
    }
}

QString ShortcutCenter::displayText(const Shortcut& shortcut) const {
    // Where the desktop decides the key (a portal), its own text names what works.
    if (const auto* desktop = m_backend.desktopKeys()) {
        if (auto assigned = desktop->assignedTrigger(shortcut))
            return QString::fromStdString(*assigned);
    }
    const KeyGrabs* grabs = m_backend.keyGrabs();
    return QString::fromStdString(shortcutText(
        shortcut,
        [grabs](int64_t keyCode) {
            return grabs ? grabs->characterForKey(keyCode) : usLayoutCharacter(keyCode);
        },
        m_notation));
}

QString ShortcutCenter::hintText(const Name& name) const {
    if (!hasStoredShortcut(name))
        return name.defaultShortcut ? displayText(*name.defaultShortcut) : QString();
    const auto current = shortcut(name);
    return current ? displayText(*current) : QString();
}

} // namespace quietlane::GlobalShortcuts
