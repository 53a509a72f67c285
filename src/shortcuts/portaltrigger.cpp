// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/portaltrigger.h"

#include <cctype>
#include <map>
#include <utility>

namespace quietlane::GlobalShortcuts {

namespace {

std::optional<std::string> keysymName(int64_t keyCode) {
    // Keys whose US character is not its own keysym name, and keys without a character.
    static const std::map<int64_t, std::string> named = {
        {Key::enter, "Return"},
        {Key::tab, "Tab"},
        {Key::space, "space"},
        {Key::backspace, "BackSpace"},
        {Key::escape, "Escape"},
        {Key::delete_, "Delete"},
        {Key::home, "Home"},
        {Key::end, "End"},
        {Key::pageUp, "Page_Up"},
        {Key::pageDown, "Page_Down"},
        {Key::leftArrow, "Left"},
        {Key::rightArrow, "Right"},
        {Key::upArrow, "Up"},
        {Key::downArrow, "Down"},
        {Key::insert, "Insert"},
        {Key::minus, "minus"},
        {Key::equal, "equal"},
        {Key::leftBracket, "bracketleft"},
        {Key::rightBracket, "bracketright"},
        {Key::backslash, "backslash"},
        {Key::semicolon, "semicolon"},
        {Key::quote, "apostrophe"},
        {Key::comma, "comma"},
        {Key::period, "period"},
        {Key::slash, "slash"},
        {Key::grave, "grave"},
        {Key::f1, "F1"},
        {Key::f2, "F2"},
        {Key::f3, "F3"},
        {Key::f4, "F4"},
        {Key::f5, "F5"},
        {Key::f6, "F6"},
        {Key::f7, "F7"},
        {Key::f8, "F8"},
        {Key::f9, "F9"},
        {Key::f10, "F10"},
        {Key::f11, "F11"},
        {Key::f12, "F12"},
        {Key::f13, "F13"},
        {Key::f14, "F14"},
        {Key::f15, "F15"},
        {Key::f16, "F16"},
        {Key::f17, "F17"},
        {Key::f18, "F18"},
        {Key::f19, "F19"},
        {Key::f20, "F20"},
        {Key::micMute, "XF86AudioMicMute"},
    };
    if (const auto it = named.find(keyCode); it != named.end())
        return it->second;
    const auto character = usLayoutCharacter(keyCode);
    if (character && character->size() == 1 &&
        std::isalnum(static_cast<unsigned char>((*character)[0])))
        return std::string(1, char(std::tolower(static_cast<unsigned char>((*character)[0]))));
    return std::nullopt;
}

} // namespace

std::optional<std::string> portalTrigger(const Shortcut& shortcut) {
    if (shortcut.modifiers & Modifier::fn)
        return std::nullopt;
    const auto key = keysymName(shortcut.keyCode);
    if (!key)
        return std::nullopt;
    std::string text;
    const std::pair<Modifiers, const char*> modifiers[] = {{Modifier::control, "CTRL+"},
                                                           {Modifier::alt, "ALT+"},
                                                           {Modifier::shift, "SHIFT+"},
                                                           {Modifier::super, "LOGO+"}};
    for (const auto& [bit, name] : modifiers) {
        if (shortcut.modifiers & bit)
            text += name;
    }
    return text + *key;
}

std::string portalShortcutId(const std::string& name) {
    std::string id;
    for (char c : name) {
        if (std::isupper(static_cast<unsigned char>(c))) {
            id += '-';
            c = char(std::tolower(static_cast<unsigned char>(c)));
        }
        id += c;
    }
    return id;
}

std::optional<std::string> readableTrigger(const std::string& description) {
    std::string text = description;
    const std::string press = "Press ";
    if (text.compare(0, press.size(), press) == 0)
        text.erase(0, press.size());
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    if (text.empty())
        return std::nullopt;
    if (text[0] != '<')
        return text;
    // A GTK accelerator: <Modifier>... then the keysym name.
    static const std::map<std::string, std::string> modifiers = {
        {"control", "Ctrl"}, {"primary", "Ctrl"}, {"ctrl", "Ctrl"},   {"alt", "Alt"},
        {"mod1", "Alt"},     {"shift", "Shift"},  {"super", "Super"}, {"mod4", "Super"},
        {"meta", "Meta"},    {"hyper", "Hyper"},
    };
    std::string result;
    size_t i = 0;
    while (i < text.size() && text[i] == '<') {
        const size_t end = text.find('>', i);
        if (end == std::string::npos)
            return text;
        std::string name = text.substr(i + 1, end - i - 1);
        for (char& c : name)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        const auto it = modifiers.find(name);
        result += (it != modifiers.end() ? it->second : text.substr(i + 1, end - i - 1)) + "+";
        i = end + 1;
    }
    std::string key = text.substr(i);
    if (!key.empty())
        key[0] = char(std::toupper(static_cast<unsigned char>(key[0])));
    return result + key;
}

} // namespace quietlane::GlobalShortcuts
