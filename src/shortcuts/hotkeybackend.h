// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/name.h"
#include "shortcuts/shortcut.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quietlane::GlobalShortcuts {

/// A press or release of the combination registered under `id`.
struct HotkeyEvent {
    enum class Kind { pressed, released };
    Kind kind = Kind::pressed;
    uint32_t id = 0;
};

/// Why the key hook did not take a combination.
enum class HotkeyRefusal {
    none,            ///< taken
    heldElsewhere,   ///< another client holds it already
    noSuchKey,       ///< the keyboard map has no key for it
    noSuchModifiers, ///< a modifier the display server cannot express (Fn)
    serverError,     ///< the display server refused the request for another reason
    noKeyHook,       ///< the hook is gone (a lost connection) or the session has none
};

/// What a desktop that keeps the keys itself (a portal) tells and offers about them: the
/// optional part of a key hook, found through `HotkeyBackend::desktopKeys`.
class DesktopKeys {
public:
    virtual ~DesktopKeys() = default;
    /// The key the desktop really assigned to this shortcut, in the desktop's words; empty
    /// when the desktop holds the shortcut but names no key.
    virtual std::optional<std::string> assignedTrigger(const Shortcut& shortcut) const = 0;
    /// Called whenever `assignedTrigger` may have changed.
    virtual void setAssignmentChangeHandler(std::function<void()> handler) = 0;
    /// The names ("toggleMute", ...) a registered shortcut carries right now: the desktop
    /// keeps shortcuts by name rather than by key.
    using NameLookup = std::function<std::vector<std::string>(const Shortcut&)>;
    virtual void setNameLookup(NameLookup lookup) = 0;
    /// The desktop reports a key for the shortcut but holds none (another program took the
    /// key, or none was ever given): pressing anything does nothing.
    virtual bool isKeyUnheld(const Shortcut& shortcut) const = 0;
    /// The desktop offers its own dialog for changing the keys.
    virtual bool canConfigure() const = 0;
    /// Opens that dialog.
    virtual void configure() = 0;
};

/// What a key hook that grabs keys on the display server (X11) knows and must do besides
/// registering: the optional part found through `HotkeyBackend::keyGrabs`. A grab takes
/// mouse buttons (the middle one and the side buttons) like keys, and it cannot fire while
/// one of our own popups holds the keyboard, so registrations are given up meanwhile.
class KeyGrabs {
public:
    virtual ~KeyGrabs() = default;

    /// Whether another client holds the combination right now, found by taking it and
    /// giving it back at once. Combinations registered through this backend are ours and
    /// answer false.
    virtual bool isHeldElsewhere(const Shortcut& shortcut) = 0;

    /// The single character the key gives in the current layout without modifiers.
    virtual std::optional<std::string> characterForKey(int64_t keyCode) const = 0;

    /// Translates a key event that reached one of our own windows (X keycode and state
    /// mask) into a key code and modifiers, so that our popups can pass it on.
    virtual std::optional<Shortcut> shortcutForNativeKey(uint32_t nativeKeyCode,
                                                         uint32_t nativeModifiers) const = 0;

    /// How often, in milliseconds, `checkHeldKeys` must run right now: while a press is
    /// held whose release could get lost. Nothing while no key is held.
    virtual std::optional<int> heldKeyCheckInterval() const = 0;
    /// Ends every hold whose key is no longer down although its release never arrived:
    /// the release is delivered like a real one, and logged.
    virtual void checkHeldKeys() = 0;
};

/// The platform's system-wide key hook. All calls and all events happen on one thread
/// (the main thread in the program).
class HotkeyBackend {
public:
    /// True when the event belonged to a registration and its action ran.
    using EventHandler = std::function<bool(const HotkeyEvent&)>;

    virtual ~HotkeyBackend() = default;

    /// False when this session offers no global key hook (no X display, a pure Wayland
    /// session); registrations are then never attempted.
    virtual bool isAvailable() const = 0;
    /// Why the hook is unavailable, in a few words for the log.
    virtual std::string unavailableReason() const { return {}; }

    /// Takes the key combination for the whole session under `id`, or says why not. A
    /// desktop that binds keys later (a portal) takes every combination here.
    virtual HotkeyRefusal registerHotkey(const Shortcut& shortcut, uint32_t id) = 0;

    /// Gives up the registration made under `id`; an unknown id is ignored.
    virtual void unregisterHotkey(uint32_t id) = 0;

    /// Receives presses and releases of registered combinations. A key held down yields
    /// one press (auto-repeat is swallowed), and its release is reported for the
    /// registration whose press started it, whatever modifiers are still down.
    virtual void setEventHandler(EventHandler handler) = 0;

    /// The desktop's own word on its keys, where it keeps them (a portal); nothing otherwise.
    virtual DesktopKeys* desktopKeys() { return nullptr; }
    /// What grabbing keys on the display server offers besides; nothing where the desktop
    /// keeps the keys or there is no hook.
    virtual KeyGrabs* keyGrabs() { return nullptr; }

    /// A descriptor that becomes readable when events wait, or -1 when there is none.
    virtual int eventFd() const { return -1; }
    /// Delivers every waiting event. Call it when `eventFd` is readable and before the
    /// event loop sleeps (the connection may have queued events while sending requests).
    virtual void processPendingEvents() {}
};

} // namespace quietlane::GlobalShortcuts
