// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon.h>

#include "shortcuts/shortcut.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quietlane::GlobalShortcuts {

/// The server's keyboard as the grabs need it: which keycode sits at each key position, and which
/// Mod bits Alt, Super and the locks occupy. Reloaded whenever the server announces a new mapping.
class X11Keymap {
public:
    static std::unique_ptr<X11Keymap> load(xcb_connection_t* connection, xkb_context* context,
                                           int32_t deviceId, std::string& error);
    ~X11Keymap();
    X11Keymap(const X11Keymap&) = delete;
    X11Keymap& operator=(const X11Keymap&) = delete;

    /// XKB_KEYCODE_INVALID when the keyboard has no such key (or the code has no X twin).
    /// The microphone-mute key is the first key that types XF86AudioMicMute.
    xkb_keycode_t keycodeFor(int64_t keyCode) const;
    std::optional<int64_t> keyCodeFor(xkb_keycode_t keycode) const;

    /// Nothing for modifiers X cannot express (the function key).
    std::optional<uint16_t> xModifiersFor(Modifiers modifiers) const;
    Modifiers modifiersFor(uint16_t xState) const;
    /// Shift, Control, Alt and Super: the bits a grab's combination is made of.
    uint16_t significantModifiers() const;
    /// Every combination of the lock modifiers, starting with none.
    std::vector<uint16_t> lockCombinations() const;

    /// The character the key gives without modifiers, from the current layout when that
    /// gives an ASCII character, else from the first layout that does.
    std::optional<std::string> character(int64_t keyCode, uint32_t currentLayout) const;

private:
    X11Keymap() = default;
    void readModifierMap(xcb_connection_t* connection);
    bool isMicMuteKey(xkb_keycode_t keycode) const;

    xkb_keymap* m_keymap = nullptr;
    uint16_t m_alt = XCB_MOD_MASK_1;
    uint16_t m_super = XCB_MOD_MASK_4;
    uint16_t m_numLock = XCB_MOD_MASK_2;
    uint16_t m_scrollLock = 0;
};

} // namespace quietlane::GlobalShortcuts
