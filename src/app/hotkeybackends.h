// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/hotkeybackend.h"
#include "shortcuts/hotkeyroute.h"

#include <memory>

namespace quietlane {

struct HotkeyBackendChoice {
    std::unique_ptr<GlobalShortcuts::HotkeyBackend> backend;
    GlobalShortcuts::HotkeyRoute route = GlobalShortcuts::HotkeyRoute::unavailable;
    GlobalShortcuts::SessionFacts facts;
};

/// The key hook for this session, logged in one line: an X11 session grabs keys on X; a
/// Wayland session uses the desktop portal when one offers GlobalShortcuts, else the X
/// grab under XWayland (which works only while an X11 window has the focus); without
/// either the shortcut is unavailable. Needs the Qt application to exist.
HotkeyBackendChoice chooseHotkeyBackend();

} // namespace quietlane
