// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/recorderrules.h"

#include "shortcuts/shortcutcodec.h"

#include <algorithm>
#include <array>

namespace quietlane::GlobalShortcuts {

namespace {

// A "real" modifier must be one of Control, Alt and Super: Shift and Fn alone do not make
// a shortcut that is safe to take system-wide.
constexpr Modifiers kRealModifiers = Modifier::control | Modifier::alt | Modifier::super;

bool isFunctionKey(int64_t keyCode) {
    const auto special = specialKeyForKeyCode(keyCode);
    return special && *special >= SpecialKey::f1 && *special <= SpecialKey::f20;
}

constexpr Modifiers kCtrl = Modifier::control;
constexpr Modifiers kAlt = Modifier::alt;
constexpr Modifiers kShift = Modifier::shift;
constexpr Modifiers kSuper = Modifier::super;

struct Reserved {
    int64_t keyCode;
    Modifiers modifiers;
};

// The list holds what GNOME, KDE Plasma, Xfce, Cinnamon, MATE and openbox bind out of the box and
// what the X server or the console keep:
//   Alt+Tab, Alt+Shift+Tab, Super+Tab, Super+Shift+Tab, Alt+Escape   window switching
//   Alt+F1, Alt+F2                                                  launcher, run dialog
//   Alt+F4, Alt+F7, Alt+F8, Alt+F10, Alt+Space                       window operations
//   Ctrl+Alt+Delete                                                 log out
//   Ctrl+Alt+Backspace                                              end the X server
//   Ctrl+Alt+F1 ... Ctrl+Alt+F12                                    virtual terminals
//   Ctrl+Alt+T                                                      terminal
//   Ctrl+Alt+L, Super+L                                             lock the screen
//   Super+D                                                         show the desktop
//   Super+Space, Super+Shift+Space                                  keyboard layout
//   Ctrl+Alt+arrow keys                                             switch workspace
//   Super+arrow keys                                                tile the window
constexpr auto kReserved = std::to_array<Reserved>({
    {Key::tab, kAlt},
    {Key::tab, kAlt | kShift},
    {Key::tab, kSuper},
    {Key::tab, kSuper | kShift},
    {Key::escape, kAlt},
    {Key::f1, kAlt},
    {Key::f2, kAlt},
    {Key::f4, kAlt},
    {Key::f7, kAlt},
    {Key::f8, kAlt},
    {Key::f10, kAlt},
    {Key::space, kAlt},
    {Key::delete_, kCtrl | kAlt},
    {Key::backspace, kCtrl | kAlt},
    {Key::f1, kCtrl | kAlt},
    {Key::f2, kCtrl | kAlt},
    {Key::f3, kCtrl | kAlt},
    {Key::f4, kCtrl | kAlt},
    {Key::f5, kCtrl | kAlt},
    {Key::f6, kCtrl | kAlt},
    {Key::f7, kCtrl | kAlt},
    {Key::f8, kCtrl | kAlt},
    {Key::f9, kCtrl | kAlt},
    {Key::f10, kCtrl | kAlt},
    {Key::f11, kCtrl | kAlt},
    {Key::f12, kCtrl | kAlt},
    {Key::t, kCtrl | kAlt},
    {Key::l, kCtrl | kAlt},
    {Key::l, kSuper},
    {Key::d, kSuper},
    {Key::space, kSuper},
    {Key::space, kSuper | kShift},
    {Key::leftArrow, kCtrl | kAlt},
    {Key::rightArrow, kCtrl | kAlt},
    {Key::upArrow, kCtrl | kAlt},
    {Key::downArrow, kCtrl | kAlt},
    {Key::leftArrow, kSuper},
    {Key::rightArrow, kSuper},
    {Key::upArrow, kSuper},
    {Key::downArrow, kSuper},
});

} // namespace

RecorderDecision evaluateRecorderKey(int64_t keyCode, Modifiers modifiers,
                                     const SystemShortcutCheck& isUsedBySystem) {
    if (Key::isModifierKey(keyCode))
        return {RecorderVerdict::wait, std::nullopt};
    const bool noModifiers = (modifiers & Modifier::all) == 0;
    if (noModifiers) {
        if (keyCode == Key::tab)
            return {RecorderVerdict::stopAndPass, std::nullopt};
        if (keyCode == Key::escape)
            return {RecorderVerdict::cancel, std::nullopt};
        if (keyCode == Key::backspace || keyCode == Key::delete_)
            return {RecorderVerdict::clear, std::nullopt};
    }
    // The microphone-mute key and the side buttons do nothing else: they may stand alone.
    const bool mayStandAlone = isFunctionKey(keyCode) || keyCode == Key::micMute ||
                               keyCode == Key::backButton || keyCode == Key::forwardButton;
    if ((modifiers & kRealModifiers) == 0 && !mayStandAlone)
        return {RecorderVerdict::reject, std::nullopt};
    const Shortcut shortcut(keyCode, modifiers & ~Modifier::fn);
    // Only a key the preferences can keep: anything else would be lost on saving.
    if (!encodeShortcut(shortcut))
        return {RecorderVerdict::reject, std::nullopt};

    const bool loneF12 = keyCode == Key::f12 && noModifiers;
    if (!loneF12 && isUsedBySystem && isUsedBySystem(shortcut))
        return {RecorderVerdict::usedBySystem, shortcut};
    return {RecorderVerdict::accept, shortcut};
}

bool isReservedDesktopShortcut(const Shortcut& shortcut) {
    return std::any_of(kReserved.begin(), kReserved.end(), [&](const Reserved& reserved) {
        return reserved.keyCode == shortcut.keyCode && reserved.modifiers == shortcut.modifiers &&
               shortcut.unnamedStoredModifiers == 0;
    });
}

} // namespace quietlane::GlobalShortcuts
