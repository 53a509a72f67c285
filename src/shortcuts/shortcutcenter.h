// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/hotkeyroute.h"
#include "shortcuts/hotkeys.h"
#include "shortcuts/name.h"
#include "shortcuts/shortcutnotation.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace quietlane {
class Preferences;
}

namespace quietlane::GlobalShortcuts {

/// The program's named global shortcuts: their storage in the preferences, their
/// registration with the key hook, and the handlers that run when they are pressed and
/// released. One per process, created by the application environment; main thread only.
class ShortcutCenter {
public:
    using Handler = std::function<void()>;
    using ChangeObserver = std::function<void(const Name&)>;

    /// `errorOutput` gets the "Error registering hotkey " lines (stdout in the program);
    /// `notation` is how the desktop writes shortcuts, for every text shown to the user.
    ShortcutCenter(Preferences& preferences, HotkeyBackend& backend, std::ostream& errorOutput,
                   DesktopNotation notation = DesktopNotation::gtk);
    ~ShortcutCenter();
    ShortcutCenter(const ShortcutCenter&) = delete;
    ShortcutCenter& operator=(const ShortcutCenter&) = delete;

    /// Declares a name: writes and registers its default when nothing at all is stored
    /// under it yet (a stored "disabled" marker or any text keeps the default out).
    Name declare(const Name& name);

    std::optional<Shortcut> shortcut(const Name& name) const;
    /// With a shortcut: store and re-register. Without: a name with a default keeps a
    /// "disabled" marker, others lose their key; nothing happens if it had none.
    void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name);
    /// Stores the shortcut for the name, moving its registration from the old one.
    void storeShortcut(const Name& name, const Shortcut& shortcut);
    /// Anything stored under the name, the "disabled" marker included.
    bool hasStoredShortcut(const Name& name) const;

    /// Handlers run on every press (release) of the name's current shortcut, in the order
    /// they were added; adding one registers the name's stored shortcut if needed.
    void onKeyDown(const Name& name, Handler action);
    void onKeyUp(const Name& name, Handler action);

    /// While paused (the recorder is listening), presses and releases reach no handler.
    bool isPaused() const { return m_paused; }
    void setPaused(bool paused) { m_paused = paused; }

    /// The shortcut as the user reads it: the key the desktop assigned where the desktop
    /// decides it (a portal), else the stored key in the desktop's notation, named by the
    /// current layout. Every text that shows a shortcut comes from here.
    std::string displayText(const Shortcut& shortcut) const;
    /// The hint for a name's shortcut: its default while nothing at all is stored (the
    /// default is still to be written); nothing when it was cleared or cannot be read, so
    /// no key that does nothing is advertised.
    std::string hintText(const Name& name) const;

    /// How the shortcut reaches the program in this session, told by whoever chose the
    /// backend; the settings explain it.
    HotkeyRoute route() const { return m_route; }
    const SessionFacts& sessionFacts() const { return m_sessionFacts; }
    void setRoute(HotkeyRoute route, SessionFacts facts) {
        m_route = route;
        m_sessionFacts = facts;
    }

    /// Whether a named shortcut with handlers was refused by the key hook.
    bool hasRefused() const;
    /// Tries the refused shortcuts again, quietly (their refusal was reported once); an
    /// instance of ours on its way out may have let go of them. True when none is refused
    /// any more.
    bool registerRefusedAgain();

    /// Call when one of our own popups grabs and releases the keyboard.
    void setMenuOpen(bool open) { m_hotkeys.setMenuOpen(open); }
    /// A key event that reached one of our own windows (native keycode and state): true
    /// when it was a registered shortcut and went to its handlers, so the window drops it.
    bool handlePopupKeyEvent(bool isPress, uint32_t nativeKeyCode, uint32_t nativeModifiers);

    int addChangeObserver(ChangeObserver observer);
    void removeChangeObserver(int token);

    const std::unordered_set<Shortcut, ShortcutHash>& registeredShortcuts() const {
        return m_registered;
    }
    bool isAvailable() const { return m_backend.isAvailable(); }
    HotkeyBackend& backend() { return m_backend; }
    Hotkeys& hotkeys() { return m_hotkeys; }

private:
    using HandlerList = std::vector<std::pair<std::string, std::vector<Handler>>>;

    void registerShortcut(const Shortcut& shortcut);
    void addRecord(const Shortcut& shortcut, Hotkeys::OnRefusal onRefusal);
    std::vector<Shortcut> refused() const;
    void unregisterShortcut(const Shortcut& shortcut);
    void addHandler(HandlerList& list, const Name& name, Handler action);
    void dispatch(const HandlerList& list, const Shortcut& pressed);
    void postChange(const Name& name);

    Preferences& m_preferences;
    HotkeyBackend& m_backend;
    DesktopNotation m_notation;
    Hotkeys m_hotkeys;
    HandlerList m_keyDownHandlers;
    HandlerList m_keyUpHandlers;
    std::unordered_set<Shortcut, ShortcutHash> m_registered;
    std::vector<std::pair<int, ChangeObserver>> m_observers;
    int m_nextObserverToken = 1;
    bool m_paused = false;
    HotkeyRoute m_route = HotkeyRoute::x11Grab;
    SessionFacts m_sessionFacts;
};

} // namespace quietlane::GlobalShortcuts
