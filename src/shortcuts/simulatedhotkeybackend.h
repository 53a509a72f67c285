// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/hotkeybackend.h"

#include <map>
#include <set>
#include <vector>

namespace quietlane::GlobalShortcuts {

/// An in-memory key hook for tests and demos: combinations are "held" by whoever the
/// caller says, and key presses are driven by hand. Native keys are taken to be
/// key codes and modifier flags already.
class SimulatedHotkeyBackend final : public HotkeyBackend, public KeyGrabs {
public:
    struct Registration {
        Shortcut shortcut;
        uint32_t id;
    };

    bool isAvailable() const override { return true; }
    HotkeyRefusal registerHotkey(const Shortcut& shortcut, uint32_t id) override;
    void unregisterHotkey(uint32_t id) override;
    void setEventHandler(EventHandler handler) override { m_handler = std::move(handler); }
    KeyGrabs* keyGrabs() override { return this; }

    bool isHeldElsewhere(const Shortcut& shortcut) override;
    std::optional<std::string> characterForKey(int64_t keyCode) const override;
    std::optional<Shortcut> shortcutForNativeKey(uint32_t nativeKeyCode,
                                                 uint32_t nativeModifiers) const override;
    // A simulated release is never lost: there is nothing to check.
    std::optional<int> heldKeyCheckInterval() const override { return std::nullopt; }
    void checkHeldKeys() override {}

    /// Another application holds `shortcut`: registering it is refused.
    void holdElsewhere(const Shortcut& shortcut);
    /// The other application lets go of `shortcut`.
    void letGo(const Shortcut& shortcut);
    /// Layout characters to report instead of the US layout's.
    void setCharacter(int64_t keyCode, std::optional<std::string> character);

    /// The user presses or releases a combination; like a real key hook, a second press
    /// while held is auto-repeat and is not reported. Returns the handler's answer; false
    /// when no registration has the combination.
    bool press(const Shortcut& shortcut);
    bool release(const Shortcut& shortcut);
    /// Delivers an arbitrary event, as a stale one would arrive.
    bool deliver(const HotkeyEvent& event);

    const std::vector<Registration>& registrations() const { return m_registrations; }
    int registerCalls() const { return m_registerCalls; }

private:
    const Registration* find(const Shortcut& shortcut) const;

    EventHandler m_handler;
    std::vector<Registration> m_registrations;
    std::set<int64_t> m_refused; // by key code * 2^20 + modifiers
    std::map<int64_t, std::optional<std::string>> m_characters;
    std::map<int64_t, uint32_t> m_held; // key code -> id of the press that started it
    int m_registerCalls = 0;
};

} // namespace quietlane::GlobalShortcuts
