// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/shortcutnotation.h"

#include "base/translation.h"
#include "shortcuts/name.h"

#include <array>

namespace quietlane::GlobalShortcuts {

namespace {

using S = SpecialKey;

struct ModifierName {
    Modifiers flag;
    const char* name;
};

// GTK writes Shift first and Super after Alt; Qt puts Meta (its name for Super) first and
// Shift last. The function key has no X11 modifier; it only shows up in imported values.
constexpr std::array<ModifierName, 5> kGtkModifiers = {{
    {Modifier::shift, "Shift"},
    {Modifier::control, "Ctrl"},
    {Modifier::alt, "Alt"},
    {Modifier::super, "Super"},
    {Modifier::fn, "Fn"},
}};
constexpr std::array<ModifierName, 5> kQtModifiers = {{
    {Modifier::super, "Meta"},
    {Modifier::control, "Ctrl"},
    {Modifier::alt, "Alt"},
    {Modifier::shift, "Shift"},
    {Modifier::fn, "Fn"},
}};

// Layout characters of letters are single code points; only ASCII and Cyrillic have cases
// that matter here, everything else is shown as the layout gives it.
std::string capitalized(std::string character) {
    if (character.size() == 1 && character[0] >= 'a' && character[0] <= 'z') {
        character[0] = static_cast<char>(character[0] - 'a' + 'A');
    } else if (character.size() == 2) {
        const auto lead = static_cast<unsigned char>(character[0]);
        const auto trail = static_cast<unsigned char>(character[1]);
        if ((lead & 0xE0) == 0xC0) {
            char32_t cp = ((lead & 0x1F) << 6) | (trail & 0x3F);
            if (cp >= 0x430 && cp <= 0x44F)
                cp -= 0x20;
            else if (cp >= 0x450 && cp <= 0x45F)
                cp -= 0x50;
            character[0] = static_cast<char>(0xC0 | (cp >> 6));
            character[1] = static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return character;
}

std::string keypadName(const char* symbol, const char* gtkName, DesktopNotation notation) {
    return notation == DesktopNotation::qt ? std::string("Num+") + symbol
                                           : std::string("KP ") + gtkName;
}

std::string specialKeyName(SpecialKey key, DesktopNotation notation) {
    const bool qt = notation == DesktopNotation::qt;
    const auto index = static_cast<int>(key);
    if (key >= S::f1 && key <= S::f20)
        return "F" + std::to_string(index - static_cast<int>(S::f1) + 1);
    if (key >= S::keypad0 && key <= S::keypad9) {
        const std::string digit = std::to_string(index - static_cast<int>(S::keypad0));
        return keypadName(digit.c_str(), digit.c_str(), notation);
    }
    switch (key) {
    case S::enter:
        return "Return";
    case S::backspace:
        return "Backspace";
    case S::delete_:
        return qt ? "Del" : "Delete";
    case S::end:
        return "End";
    case S::escape:
        return qt ? "Esc" : "Escape";
    case S::insert:
        return qt ? "Ins" : "Insert";
    case S::home:
        return "Home";
    case S::space:
        return translated(QT_TRANSLATE_NOOP("quietlane", "Пробел"));
    case S::tab:
        return "Tab";
    case S::pageUp:
        return qt ? "PgUp" : "Page Up";
    case S::pageDown:
        return qt ? "PgDown" : "Page Down";
    case S::upArrow:
        return "Up";
    case S::rightArrow:
        return "Right";
    case S::downArrow:
        return "Down";
    case S::leftArrow:
        return "Left";
    case S::numLock:
        return qt ? "NumLock" : "Num Lock";
    case S::keypadDecimal:
        return keypadName(".", "Decimal", notation);
    case S::keypadDivide:
        return keypadName("/", "Divide", notation);
    case S::keypadEnter:
        return keypadName("Enter", "Enter", notation);
    case S::keypadEquals:
        return keypadName("=", "Equal", notation);
    case S::keypadMinus:
        return keypadName("-", "Subtract", notation);
    case S::keypadMultiply:
        return keypadName("*", "Multiply", notation);
    case S::keypadPlus:
        return keypadName("+", "Add", notation);
    default:
        return "\uFFFD";
    }
}

// Inputs with no character and no desktop-wide English name of their own.
const char* inputName(int64_t keyCode) {
    switch (keyCode) {
    case Key::micMute:
        return QT_TRANSLATE_NOOP("quietlane", "Клавиша выключения микрофона");
    case Key::middleButton:
        return QT_TRANSLATE_NOOP("quietlane", "Средняя кнопка мыши");
    case Key::backButton:
        return QT_TRANSLATE_NOOP("quietlane", "Кнопка мыши 8");
    case Key::forwardButton:
        return QT_TRANSLATE_NOOP("quietlane", "Кнопка мыши 9");
    default:
        return nullptr;
    }
}

} // namespace

DesktopNotation notationForDesktop(std::string_view currentDesktop) {
    while (!currentDesktop.empty()) {
        const size_t end = currentDesktop.find(':');
        const std::string_view name = currentDesktop.substr(0, end);
        if (name == "KDE" || name == "LXQt")
            return DesktopNotation::qt;
        if (end == std::string_view::npos)
            break;
        currentDesktop.remove_prefix(end + 1);
    }
    return DesktopNotation::gtk;
}

std::string shortcutText(const Shortcut& shortcut, const KeyCharacterLookup& keyToCharacter,
                         DesktopNotation notation) {
    std::string text;
    for (const auto& modifier : notation == DesktopNotation::qt ? kQtModifiers : kGtkModifiers) {
        if (shortcut.modifiers & modifier.flag)
            text.append(modifier.name).append("+");
    }
    if (const auto special = specialKeyForKeyCode(shortcut.keyCode))
        return text + specialKeyName(*special, notation);
    if (const char* name = inputName(shortcut.keyCode))
        return text + translated(name);
    std::optional<std::string> character;
    if (keyToCharacter)
        character = keyToCharacter(shortcut.keyCode);
    if (!character)
        character = usLayoutCharacter(shortcut.keyCode);
    return text + (character ? capitalized(*character) : std::string("\uFFFD"));
}

std::string defaultShortcutText(DesktopNotation notation) {
    return shortcutText(*Name::toggleMute().defaultShortcut, usLayoutCharacter, notation);
}

} // namespace quietlane::GlobalShortcuts
