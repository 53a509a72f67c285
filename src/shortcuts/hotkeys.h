// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/hotkeybackend.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <string>

namespace quietlane::GlobalShortcuts {

/// One record per system-wide registration, each with its own id, and the way presses
/// reach the record's actions: from the platform's key hook, or, while one of our own
/// popups holds the keyboard, from the key events that popup passes on.
class Hotkeys {
public:
    using Action = std::function<void(const Shortcut&)>;
    enum class RawKeyKind { keyDown, keyUp };

    using Describer = std::function<std::string(const Shortcut&)>;

    /// `errorOutput` receives the "Error registering hotkey " lines (stdout in the program),
    /// naming the shortcut as `describe` writes it.
    Hotkeys(HotkeyBackend& backend, std::ostream& errorOutput, Describer describe);
    ~Hotkeys();
    Hotkeys(const Hotkeys&) = delete;
    Hotkeys& operator=(const Hotkeys&) = delete;

    enum class OnRefusal { report, keepQuiet };
    /// Registers under a fresh id. A refusal prints the error line and logs it (unless
    /// asked to keep quiet, for a retry of a refusal already reported) and keeps no record.
    void registerHotkey(const Shortcut& shortcut, Action onKeyDown, Action onKeyUp,
                        OnRefusal onRefusal = OnRefusal::report);
    /// Drops every record with this shortcut.
    void unregisterHotkey(const Shortcut& shortcut);

    /// While a popup of ours holds the keyboard the system registrations are given up
    /// (they could not fire anyway) and `handleRawKeyEvent` takes over; when it closes
    /// they are taken again, and a combination taken by someone else meanwhile is dropped.
    void setMenuOpen(bool open);
    bool isMenuOpen() const { return m_menuOpen; }

    /// An event from the key hook: true when it was a registration's and an action ran.
    bool handleEvent(const HotkeyEvent& event);
    /// A key event seen by one of our own windows: true when it was a registered
    /// combination (auto-repeat included), so the window drops it.
    bool handleRawKeyEvent(RawKeyKind kind, const Shortcut& pressed);

    size_t recordCount() const { return m_records.size(); }
    /// Whether a record (a registration the system accepted) exists for the shortcut.
    bool hasRecord(const Shortcut& shortcut) const;
    int64_t lastId() const { return m_lastId; }

private:
    struct Record {
        Shortcut shortcut;
        bool registered = false;
        Action onKeyDown;
        Action onKeyUp;
    };

    HotkeyRefusal registerWithSystem(const Shortcut& shortcut, int64_t id);
    void reportRefusal(const Shortcut& shortcut, HotkeyRefusal refusal);
    void updateEventHandler();

    HotkeyBackend& m_backend;
    std::ostream& m_errorOutput;
    Describer m_describe;
    std::map<int64_t, Record> m_records;
    // Key code -> id of the record whose press is still down: the release goes there even
    // when the modifiers were let go first.
    std::map<int64_t, int64_t> m_held;
    int64_t m_lastId = 0;
    bool m_handlerInstalled = false;
    bool m_menuOpen = false;
};

} // namespace quietlane::GlobalShortcuts
