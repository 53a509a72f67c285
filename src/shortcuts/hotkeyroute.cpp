// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/hotkeyroute.h"

#include <sstream>

namespace quietlane::GlobalShortcuts {

SessionFacts sessionFacts(const char* waylandDisplay, const char* sessionType,
                          const char* currentDesktop) {
    SessionFacts facts;
    facts.wayland = (waylandDisplay && *waylandDisplay) ||
                    (sessionType && std::string(sessionType) == "wayland");
    // XDG_CURRENT_DESKTOP is a colon-separated list, e.g. "KDE" or "ubuntu:GNOME".
    std::istringstream desktops(currentDesktop ? currentDesktop : "");
    for (std::string entry; std::getline(desktops, entry, ':');) {
        facts.kde = facts.kde || entry == "KDE";
        facts.gnome = facts.gnome || entry == "GNOME";
        facts.hyprland = facts.hyprland || entry == "Hyprland";
    }
    return facts;
}

std::string routeLogLine(HotkeyRoute route, const SessionFacts& facts) {
    switch (route) {
    case HotkeyRoute::x11Grab:
        return "global shortcut: X11 key grab (X11 session)";
    case HotkeyRoute::portal:
        return "global shortcut: desktop portal GlobalShortcuts (Wayland session)";
    case HotkeyRoute::xwaylandGrab:
        return std::string("global shortcut: X11 key grab under XWayland, which fires only while "
                           "an X11 window has the focus (Wayland session without a "
                           "GlobalShortcuts portal); ") +
               (facts.kde ? "enable Legacy X11 App Support for keys in the KDE settings"
                          : "bind a desktop key to quietlane's command line instead");
    case HotkeyRoute::unavailable:
        break;
    }
    return "global shortcut: unavailable in this session";
}

} // namespace quietlane::GlobalShortcuts
