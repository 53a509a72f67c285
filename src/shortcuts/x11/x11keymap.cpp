// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/x11/x11keymap.h"

#include "shortcuts/key.h"

#include <xkbcommon/xkbcommon-x11.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

namespace quietlane::GlobalShortcuts {

namespace {

// Keys are positions; XKB names keys by position too, so the shortcut stays on the same
// physical key whatever the layout. Looking keys up by name rather than by the evdev
// number keeps keymaps whose keycodes are not evdev's + 8 working.
// clang-format off
constexpr std::pair<int64_t, const char*> kKeyNames[] = {
    {Key::a, "AC01"}, {Key::s, "AC02"}, {Key::d, "AC03"}, {Key::f, "AC04"}, {Key::g, "AC05"},
    {Key::h, "AC06"}, {Key::j, "AC07"}, {Key::k, "AC08"}, {Key::l, "AC09"},
    {Key::semicolon, "AC10"}, {Key::quote, "AC11"},
    {Key::q, "AD01"}, {Key::w, "AD02"}, {Key::e, "AD03"}, {Key::r, "AD04"}, {Key::t, "AD05"},
    {Key::y, "AD06"}, {Key::u, "AD07"}, {Key::i, "AD08"}, {Key::o, "AD09"}, {Key::p, "AD10"},
    {Key::leftBracket, "AD11"}, {Key::rightBracket, "AD12"},
    {Key::z, "AB01"}, {Key::x, "AB02"}, {Key::c, "AB03"}, {Key::v, "AB04"}, {Key::b, "AB05"},
    {Key::n, "AB06"}, {Key::m, "AB07"}, {Key::comma, "AB08"}, {Key::period, "AB09"},
    {Key::slash, "AB10"},
    {Key::one, "AE01"}, {Key::two, "AE02"}, {Key::three, "AE03"}, {Key::four, "AE04"},
    {Key::five, "AE05"}, {Key::six, "AE06"}, {Key::seven, "AE07"}, {Key::eight, "AE08"},
    {Key::nine, "AE09"}, {Key::zero, "AE10"}, {Key::minus, "AE11"}, {Key::equal, "AE12"},
    {Key::grave, "TLDE"}, {Key::backslash, "BKSL"},
    {Key::enter, "RTRN"}, {Key::tab, "TAB"}, {Key::space, "SPCE"}, {Key::backspace, "BKSP"},
    {Key::escape, "ESC"}, {Key::capsLock, "CAPS"},
    {Key::shift, "LFSH"}, {Key::rightShift, "RTSH"}, {Key::control, "LCTL"},
    {Key::rightControl, "RCTL"}, {Key::alt, "LALT"}, {Key::rightAlt, "RALT"},
    {Key::super, "LWIN"}, {Key::rightSuper, "RWIN"},
    {Key::f1, "FK01"}, {Key::f2, "FK02"}, {Key::f3, "FK03"}, {Key::f4, "FK04"},
    {Key::f5, "FK05"}, {Key::f6, "FK06"}, {Key::f7, "FK07"}, {Key::f8, "FK08"},
    {Key::f9, "FK09"}, {Key::f10, "FK10"}, {Key::f11, "FK11"}, {Key::f12, "FK12"},
    {Key::f13, "FK13"}, {Key::f14, "FK14"}, {Key::f15, "FK15"}, {Key::f16, "FK16"},
    {Key::f17, "FK17"}, {Key::f18, "FK18"}, {Key::f19, "FK19"}, {Key::f20, "FK20"},
    {Key::keypad0, "KP0"}, {Key::keypad1, "KP1"}, {Key::keypad2, "KP2"},
    {Key::keypad3, "KP3"}, {Key::keypad4, "KP4"}, {Key::keypad5, "KP5"},
    {Key::keypad6, "KP6"}, {Key::keypad7, "KP7"}, {Key::keypad8, "KP8"},
    {Key::keypad9, "KP9"}, {Key::keypadDecimal, "KPDL"}, {Key::keypadDivide, "KPDV"},
    {Key::keypadMultiply, "KPMU"}, {Key::keypadMinus, "KPSU"}, {Key::keypadPlus, "KPAD"},
    {Key::keypadEnter, "KPEN"}, {Key::keypadEquals, "KPEQ"},
    {Key::numLock, "NMLK"},
    {Key::home, "HOME"}, {Key::end, "END"}, {Key::pageUp, "PGUP"}, {Key::pageDown, "PGDN"},
    {Key::upArrow, "UP"}, {Key::downArrow, "DOWN"}, {Key::leftArrow, "LEFT"},
    {Key::rightArrow, "RGHT"}, {Key::delete_, "DELE"},
    {Key::insert, "INS"},
};
// clang-format on

} // namespace

std::unique_ptr<X11Keymap> X11Keymap::load(xcb_connection_t* connection, xkb_context* context,
                                           int32_t deviceId, std::string& error) {
    std::unique_ptr<X11Keymap> keymap(new X11Keymap);
    keymap->m_keymap =
        xkb_x11_keymap_new_from_device(context, connection, deviceId, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap->m_keymap) {
        error = "the X server's keyboard map could not be read";
        return nullptr;
    }
    keymap->readModifierMap(connection);
    return keymap;
}

X11Keymap::~X11Keymap() {
    xkb_keymap_unref(m_keymap);
}

void X11Keymap::readModifierMap(xcb_connection_t* connection) {
    auto* reply =
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr);
    if (!reply)
        return;
    const int perModifier = reply->keycodes_per_modifier;
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(reply);
    uint16_t alt = 0, super = 0, numLock = 0, scrollLock = 0;
    for (int modifier = 3; modifier < 8; ++modifier) { // Mod1..Mod5
        const auto mask = static_cast<uint16_t>(1u << modifier);
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t keycode = keycodes[modifier * perModifier + i];
            if (keycode == 0)
                continue;
            const xkb_keysym_t* syms = nullptr;
            const int count = xkb_keymap_key_get_syms_by_level(m_keymap, keycode, 0, 0, &syms);
            for (int s = 0; s < count; ++s) {
                switch (syms[s]) {
                case XKB_KEY_Alt_L:
                case XKB_KEY_Alt_R:
                case XKB_KEY_Meta_L:
                    alt |= alt ? 0 : mask;
                    break;
                case XKB_KEY_Super_L:
                case XKB_KEY_Super_R:
                    super |= super ? 0 : mask;
                    break;
                case XKB_KEY_Num_Lock:
                    numLock = mask;
                    break;
                case XKB_KEY_Scroll_Lock:
                    scrollLock = mask;
                    break;
                default:
                    break;
                }
            }
        }
    }
    std::free(reply);
    // A server without those keys in its map keeps the conventional bits.
    if (alt)
        m_alt = alt;
    if (super)
        m_super = super;
    if (numLock)
        m_numLock = numLock;
    m_scrollLock = scrollLock;
}

bool X11Keymap::isMicMuteKey(xkb_keycode_t keycode) const {
    const xkb_keysym_t* syms = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(m_keymap, keycode, 0, 0, &syms);
    return count == 1 && syms[0] == XKB_KEY_XF86AudioMicMute;
}

xkb_keycode_t X11Keymap::keycodeFor(int64_t keyCode) const {
    // No position names this key: keyboards send it from different places (F20's on
    // many laptops, a code beyond X's range on others), so it is found by what it types.
    if (keyCode == Key::micMute) {
        const xkb_keycode_t last = std::min<xkb_keycode_t>(xkb_keymap_max_keycode(m_keymap), 255);
        for (xkb_keycode_t keycode = xkb_keymap_min_keycode(m_keymap); keycode <= last; ++keycode) {
            if (isMicMuteKey(keycode))
                return keycode;
        }
        return XKB_KEYCODE_INVALID;
    }
    for (const auto& [code, name] : kKeyNames) {
        if (code == keyCode)
            return xkb_keymap_key_by_name(m_keymap, name);
    }
    return XKB_KEYCODE_INVALID;
}

std::optional<int64_t> X11Keymap::keyCodeFor(xkb_keycode_t keycode) const {
    if (isMicMuteKey(keycode))
        return Key::micMute;
    // Compare keycodes rather than names: the keymap may call a key by an alias.
    for (const auto& [code, name] : kKeyNames) {
        if (xkb_keymap_key_by_name(m_keymap, name) == keycode)
            return code;
    }
    return std::nullopt;
}

std::optional<uint16_t> X11Keymap::xModifiersFor(Modifiers modifiers) const {
    if (modifiers & Modifier::fn)
        return std::nullopt;
    uint16_t mask = 0;
    if (modifiers & Modifier::control)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Modifier::shift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Modifier::alt)
        mask |= m_alt;
    if (modifiers & Modifier::super)
        mask |= m_super;
    return mask;
}

Modifiers X11Keymap::modifiersFor(uint16_t xState) const {
    Modifiers modifiers = 0;
    if (xState & XCB_MOD_MASK_CONTROL)
        modifiers |= Modifier::control;
    if (xState & XCB_MOD_MASK_SHIFT)
        modifiers |= Modifier::shift;
    if (xState & m_alt)
        modifiers |= Modifier::alt;
    if (xState & m_super)
        modifiers |= Modifier::super;
    return modifiers;
}

uint16_t X11Keymap::significantModifiers() const {
    return XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | m_alt | m_super;
}

std::vector<uint16_t> X11Keymap::lockCombinations() const {
    std::vector<uint16_t> combinations{0};
    for (const uint16_t lock : {uint16_t(XCB_MOD_MASK_LOCK), m_numLock, m_scrollLock}) {
        if (lock == 0 || (lock & significantModifiers()))
            continue;
        const size_t count = combinations.size();
        for (size_t i = 0; i < count; ++i) {
            if (!(combinations[i] & lock))
                combinations.push_back(combinations[i] | lock);
        }
    }
    return combinations;
}

std::optional<std::string> X11Keymap::character(int64_t keyCode, uint32_t currentLayout) const {
    const xkb_keycode_t keycode = keycodeFor(keyCode);
    if (keycode == XKB_KEYCODE_INVALID || specialKeyForKeyCode(keyCode))
        return std::nullopt;
    const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(m_keymap, keycode);
    for (xkb_layout_index_t n = 0; n <= layouts; ++n) {
        const xkb_layout_index_t layout = n == 0 ? currentLayout : n - 1;
        if (layout >= layouts)
            continue;
        const xkb_keysym_t* syms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(m_keymap, keycode, layout, 0, &syms) != 1)
            continue;
        const uint32_t cp = xkb_keysym_to_utf32(syms[0]);
        if (cp > 0x20 && cp < 0x7F)
            return std::string(1, static_cast<char>(cp));
    }
    return std::nullopt;
}

} // namespace quietlane::GlobalShortcuts
