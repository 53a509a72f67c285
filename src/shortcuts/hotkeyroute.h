// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace quietlane::GlobalShortcuts {

/// How the global shortcut reaches the program in this session.
enum class HotkeyRoute {
    /// A key grab on an X11 session: works whatever window has the focus.
    x11Grab,
    /// The desktop portal: the desktop catches the key, whatever window has the focus.
    portal,
    /// A key grab under XWayland on a Wayland session without a shortcut portal: it fires
    /// only while an X11 window has the focus.
    xwaylandGrab,
    /// No global key hook at all.
    unavailable,
};

/// What the session is, as read from its environment.
struct SessionFacts {
    bool wayland = false;
    bool kde = false;
    /// GNOME binds the microphone-mute key itself, as KDE does.
    bool gnome = false;
    bool hyprland = false;
};

/// A Wayland session: WAYLAND_DISPLAY set, or XDG_SESSION_TYPE "wayland". Null arguments
/// stand for unset variables.
SessionFacts sessionFacts(const char* waylandDisplay, const char* sessionType,
                          const char* currentDesktop);

/// The one log line that says which route was taken and why.
std::string routeLogLine(HotkeyRoute route, const SessionFacts& facts);

} // namespace quietlane::GlobalShortcuts
