// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/hotkeybackend.h"

#include <memory>
#include <string>

namespace quietlane::GlobalShortcuts {

/// Global shortcuts on an X server: a passive key grab on the root window per
/// combination, on a connection of its own (never the toolkit's).
///
/// Alt and Super sit on the Mod bits the server's modifier map gives them (usually Mod1
/// and Mod4); Fn has no X modifier, so a combination with it is refused. Every
/// combination is grabbed once per combination of Caps Lock, Num Lock [Mod2] and Scroll
/// Lock, so the shortcut works whatever lock is on. Keys map to X keycodes through the
/// XKB key names (M is <AB07>); the
/// microphone-mute key is the key that types XF86AudioMicMute, and mouse buttons are
/// button grabs on the root window.
///
/// While a combination is held, the server's key map is read every 50 ms: under XWayland
/// the release never arrives when the focus moves to a Wayland window, but the key's
/// state in the server goes up all the same, and the hold then ends as if released.
class X11HotkeyBackend final : public HotkeyBackend, public KeyGrabs {
public:
    /// Connects to `displayName` (empty: $DISPLAY). Nothing, with a reason in `error`,
    /// when there is no X server or it lacks the keyboard extension.
    static std::unique_ptr<X11HotkeyBackend> open(const std::string& displayName,
                                                  std::string& error);
    ~X11HotkeyBackend() override;

    bool isAvailable() const override { return true; }
    HotkeyRefusal registerHotkey(const Shortcut& shortcut, uint32_t id) override;
    void unregisterHotkey(uint32_t id) override;
    void setEventHandler(EventHandler handler) override;
    KeyGrabs* keyGrabs() override { return this; }
    int eventFd() const override;
    void processPendingEvents() override;

    bool isHeldElsewhere(const Shortcut& shortcut) override;
    std::optional<std::string> characterForKey(int64_t keyCode) const override;
    std::optional<Shortcut> shortcutForNativeKey(uint32_t nativeKeyCode,
                                                 uint32_t nativeModifiers) const override;
    std::optional<int> heldKeyCheckInterval() const override;
    void checkHeldKeys() override;

    /// Whether the server reports held keys without fake releases (it should).
    bool hasDetectableAutoRepeat() const;

private:
    struct Private;
    explicit X11HotkeyBackend(std::unique_ptr<Private> d);
    std::unique_ptr<Private> d;
};

} // namespace quietlane::GlobalShortcuts
