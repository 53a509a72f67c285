// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/hotkeybackend.h"
#include "shortcuts/hotkeyroute.h"
#include "shortcuts/name.h"
#include "shortcuts/shortcutnotation.h"

#include <QObject>
#include <QString>

#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace quietlane {
class Preferences;
}

namespace quietlane::GlobalShortcuts {

/// The program's named global shortcuts: their storage in the preferences, their
/// registration with the key hook (one record per registration, each under its own id),
/// the handlers that run when they are pressed and released, and the hook's events brought
/// into the Qt main loop. Presses come from the key hook or, while one of our own popups
/// holds the keyboard, from the key events that popup passes on. One per process, created
/// by the application environment; main thread only.
class ShortcutCenter : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void()>;

    /// `errorOutput` gets the "Error registering hotkey " lines (stdout in the program);
    /// `notation` is how the desktop writes shortcuts, for every text shown to the user.
    ShortcutCenter(Preferences& preferences, HotkeyBackend& backend, std::ostream& errorOutput,
                   DesktopNotation notation = DesktopNotation::gtk, QObject* parent = nullptr);
    ~ShortcutCenter() override;

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
    QString displayText(const Shortcut& shortcut) const;
    /// The hint for a name's shortcut: its default while nothing at all is stored (the
    /// default is still to be written); nothing when it was cleared or cannot be read, so
    /// no key that does nothing is advertised.
    QString hintText(const Name& name) const;

    /// How the shortcut reaches the program in this session, told by whoever chose the
    /// backend; the settings explain it.
    HotkeyRoute route() const { return m_route; }
    const SessionFacts& sessionFacts() const { return m_sessionFacts; }
    void setRoute(HotkeyRoute route, SessionFacts facts) {
        m_route = route;
        m_sessionFacts = facts;
    }

    /// Whether the key hook took the shortcut for us (a record exists).
    bool isRegistered(const Shortcut& shortcut) const;
    /// Whether a named shortcut with handlers was refused by the key hook.
    bool hasRefused() const;
    /// Tries the refused shortcuts again, quietly (their refusal was reported once); an
    /// instance of ours on its way out may have let go of them. True when none is refused
    /// any more.
    bool registerRefusedAgain();

    /// Call when one of our own popups grabs and releases the keyboard. A key grab cannot
    /// fire meanwhile, so the grabs are given up and `handlePopupKeyEvent` takes over; when
    /// the popup closes they are taken again, and one taken by someone else meanwhile is
    /// dropped with the error line.
    void setMenuOpen(bool open);
    /// A key event that reached one of our own windows (native keycode and state): true
    /// when it was a registered shortcut (auto-repeat included) and went to its handlers,
    /// so the window drops it.
    bool handlePopupKeyEvent(bool isPress, uint32_t nativeKeyCode, uint32_t nativeModifiers);

    bool isAvailable() const { return m_backend.isAvailable(); }
    HotkeyBackend& backend() { return m_backend; }

signals:
    /// The name's stored shortcut, or the key the desktop assigned to it, changed.
    void shortcutChanged(const quietlane::GlobalShortcuts::Name& name);

private:
    using HandlerList = std::vector<std::pair<std::string, std::vector<Handler>>>;
    enum class OnRefusal { report, keepQuiet };
    struct Record {
        Shortcut shortcut;
        bool registered = false;
    };

    // Names, storage and handlers (shortcutcenter.cpp).
    void registerShortcut(const Shortcut& shortcut);
    std::vector<Shortcut> refused() const;
    void unregisterShortcut(const Shortcut& shortcut);
    void addHandler(HandlerList& list, const Name& name, Handler action);
    void dispatch(const HandlerList& list, const Shortcut& pressed);

    // The key hook's side (shortcutregistration.cpp).
    void watchEvents();
    void pumpEvents();
    void scheduleHeldKeyCheck();
    void addRecord(const Shortcut& shortcut, OnRefusal onRefusal);
    void dropRecords(const Shortcut& shortcut);
    void reportRefusal(const Shortcut& shortcut, HotkeyRefusal refusal);
    void takeGrabsBack();
    bool handleEvent(const HotkeyEvent& event);
    void runRecord(int64_t id, HotkeyEvent::Kind kind);

    Preferences& m_preferences;
    HotkeyBackend& m_backend;
    std::ostream& m_errorOutput;
    DesktopNotation m_notation;
    HandlerList m_keyDownHandlers;
    HandlerList m_keyUpHandlers;
    // Every shortcut tried, refused ones included: a refused combination is not retried
    // (and reported again) until the name's shortcut changes.
    std::unordered_set<Shortcut, ShortcutHash> m_attempted;
    std::map<int64_t, Record> m_records;
    // Key code -> id of the record whose press is still down: the release goes there even
    // when the modifiers were let go first.
    std::map<int64_t, int64_t> m_held;
    int64_t m_lastId = 0;
    bool m_menuOpen = false;
    bool m_paused = false;
    HotkeyRoute m_route = HotkeyRoute::x11Grab;
    SessionFacts m_sessionFacts;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_heldKeyCheck = nullptr;
};

} // namespace quietlane::GlobalShortcuts
