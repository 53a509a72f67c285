// SPDX-License-Identifier: GPL-3.0-or-later
// The shortcut centre's side that faces the key hook: registrations and their refusals,
// the hand-over to our own popups, and the hook's events in the Qt main loop.
#include "shortcuts/shortcutcenter.h"

#include "base/log.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
#include <QTimer>

#include <ostream>

namespace quietlane::GlobalShortcuts {

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

void ShortcutCenter::watchEvents() {
    m_backend.setEventHandler([this](const HotkeyEvent& event) { return handleEvent(event); });
    m_heldKeyCheck = new QTimer(this);
    m_heldKeyCheck->setSingleShot(true);
    connect(m_heldKeyCheck, &QTimer::timeout, this, [this] {
        if (auto* grabs = m_backend.keyGrabs())
            grabs->checkHeldKeys();
        scheduleHeldKeyCheck();
    });
    const int fd = m_backend.eventFd();
    auto* dispatcher = QAbstractEventDispatcher::instance(thread());
    // Without a Qt event loop here (a tool that drives the hook itself) nobody would
    // deliver what the notifier sees.
    if (fd < 0 || !dispatcher)
        return;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ShortcutCenter::pumpEvents);
    // Replies to our own requests can pull events off the socket into the connection's
    // queue, where the notifier never sees them: drain before every sleep as well.
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &ShortcutCenter::pumpEvents);
}

void ShortcutCenter::pumpEvents() {
    m_backend.processPendingEvents();
    // A lost connection reports no descriptor any more; stop watching the dead one.
    if (m_notifier && m_backend.eventFd() < 0)
        m_notifier->setEnabled(false);
    scheduleHeldKeyCheck();
}

void ShortcutCenter::scheduleHeldKeyCheck() {
    const auto* grabs = m_backend.keyGrabs();
    const auto interval = grabs ? grabs->heldKeyCheckInterval() : std::nullopt;
    if (!interval)
        m_heldKeyCheck->stop();
    else if (!m_heldKeyCheck->isActive())
        m_heldKeyCheck->start(*interval);
}

void ShortcutCenter::reportRefusal(const Shortcut& shortcut, HotkeyRefusal refusal) {
    const int status = statusNumber(refusal);
    const std::string description = displayText(shortcut).toStdString();
    m_errorOutput << "Error registering hotkey " << description << ": " << status << std::endl;
    Log::error(Log::Category::app,
               "global shortcut %s could not be registered (status %d): another application "
               "probably uses it already; choose a different shortcut in the settings",
               description.c_str(), status);
}

void ShortcutCenter::addRecord(const Shortcut& shortcut, OnRefusal onRefusal) {
    // Without a key hook there is nothing to refuse: the session's one "unavailable" line
    // has been logged already.
    if (!m_backend.isAvailable())
        return;
    const int64_t id = ++m_lastId;
    if (const auto refusal = m_backend.registerHotkey(shortcut, uint32_t(id));
        refusal != HotkeyRefusal::none) {
        if (onRefusal == OnRefusal::report)
            reportRefusal(shortcut, refusal);
        return;
    }
    m_records.insert_or_assign(id, Record{shortcut, true});
    if (m_menuOpen && m_backend.keyGrabs()) {
        // Taken while a popup holds the keyboard: it would not fire now, and keeping it
        // would leave it out of the hand-over when the popup closes.
        m_backend.unregisterHotkey(uint32_t(id));
        m_records.at(id).registered = false;
    }
}

void ShortcutCenter::dropRecords(const Shortcut& shortcut) {
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

bool ShortcutCenter::isRegistered(const Shortcut& shortcut) const {
    for (const auto& [id, record] : m_records) {
        if (record.shortcut == shortcut)
            return true;
    }
    return false;
}

void ShortcutCenter::setMenuOpen(bool open) {
    if (m_menuOpen == open)
        return;
    m_menuOpen = open;
    // Where the desktop rather than a grab catches the keys, presses keep arriving while
    // our popup holds the keyboard.
    if (!m_backend.keyGrabs())
        return;
    if (!m_menuOpen) {
        takeGrabsBack();
        return;
    }
    for (auto& [id, record] : m_records) {
        if (record.registered)
            m_backend.unregisterHotkey(uint32_t(id));
        record.registered = false;
    }
}

void ShortcutCenter::takeGrabsBack() {
    for (auto it = m_records.begin(); it != m_records.end();) {
        if (it->second.registered) {
            ++it;
            continue;
        }
        if (const auto refusal = m_backend.registerHotkey(it->second.shortcut, uint32_t(it->first));
            refusal != HotkeyRefusal::none) {
            reportRefusal(it->second.shortcut, refusal);
            it = m_records.erase(it);
            continue;
        }
        it->second.registered = true;
        ++it;
    }
}

void ShortcutCenter::runRecord(int64_t id, HotkeyEvent::Kind kind) {
    // A copy: a handler may change the shortcut, which drops this very record.
    const Shortcut shortcut = m_records.at(id).shortcut;
    if (kind == HotkeyEvent::Kind::pressed) {
        m_held[shortcut.keyCode] = id;
        dispatch(m_keyDownHandlers, shortcut);
    } else {
        m_held.erase(shortcut.keyCode);
        dispatch(m_keyUpHandlers, shortcut);
    }
}

bool ShortcutCenter::handleEvent(const HotkeyEvent& event) {
    if (!m_records.contains(int64_t(event.id)))
        return false;
    runRecord(int64_t(event.id), event.kind);
    return true;
}

bool ShortcutCenter::handlePopupKeyEvent(bool isPress, uint32_t nativeKeyCode,
                                         uint32_t nativeModifiers) {
    const KeyGrabs* grabs = m_backend.keyGrabs();
    const auto pressed =
        grabs ? grabs->shortcutForNativeKey(nativeKeyCode, nativeModifiers) : std::nullopt;
    if (!pressed)
        return false;
    if (!isPress) {
        if (auto held = m_held.find(pressed->keyCode); held != m_held.end()) {
            const int64_t id = held->second;
            m_held.erase(held);
            if (!m_records.contains(id))
                return false;
            runRecord(id, HotkeyEvent::Kind::released);
            return true;
        }
    }
    for (const auto& [id, record] : m_records) {
        if (record.shortcut != *pressed)
            continue;
        // Auto-repeat of a combination already down: swallowed, the handlers ran once.
        if (isPress && m_held.contains(pressed->keyCode))
            return true;
        runRecord(id, isPress ? HotkeyEvent::Kind::pressed : HotkeyEvent::Kind::released);
        return true;
    }
    return false;
}

} // namespace quietlane::GlobalShortcuts
