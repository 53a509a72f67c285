// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/hotkeybackend.h"

namespace quietlane::GlobalShortcuts {

/// For sessions without a global key hook: everything else of the program keeps working.
class NullHotkeyBackend final : public HotkeyBackend {
public:
    explicit NullHotkeyBackend(std::string reason) : m_reason(std::move(reason)) {}

    bool isAvailable() const override { return false; }
    std::string unavailableReason() const override { return m_reason; }
    HotkeyRefusal registerHotkey(const Shortcut&, uint32_t) override {
        return HotkeyRefusal::noKeyHook;
    }
    void unregisterHotkey(uint32_t) override {}
    void setEventHandler(EventHandler) override {}

private:
    std::string m_reason;
};

} // namespace quietlane::GlobalShortcuts
