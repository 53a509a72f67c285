// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/hotkeybackends.h"

#include "base/log.h"
#include "login/applicationentry.h"
#include "login/autostartentry.h"
#include "login/autostartservice.h"
#include "shortcuts/nullhotkeybackend.h"
#include "shortcuts/portal/portalhotkeybackend.h"
#include "shortcuts/x11/x11hotkeybackend.h"

#include <cstdlib>

namespace quietlane {

namespace {

using namespace GlobalShortcuts;

// The portal takes the application id only from a desktop entry that starts this program.
void makeAppIdResolvable() {
    if (const auto updated = ApplicationEntry::forProgram(launcherPath()).update(); !updated)
        Log::error(Log::Category::app, "global shortcut: %s", updated.error().c_str());
}

} // namespace

HotkeyBackendChoice chooseHotkeyBackend() {
    HotkeyBackendChoice choice;
    choice.facts = sessionFacts(std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_SESSION_TYPE"),
                                std::getenv("XDG_CURRENT_DESKTOP"));
    std::string portalError;
    if (choice.facts.wayland) {
        if (auto portal = PortalHotkeyBackend::open(QString::fromLatin1(AutostartEntry::kAppId),
                                                    portalError, makeAppIdResolvable)) {
            choice.backend = std::move(portal);
            choice.route = HotkeyRoute::portal;
        }
    }
    std::string x11Error = "DISPLAY is not set";
    const char* display = std::getenv("DISPLAY");
    if (!choice.backend && display && *display) {
        if (auto x11 = X11HotkeyBackend::open({}, x11Error)) {
            choice.backend = std::move(x11);
            choice.route = choice.facts.wayland ? HotkeyRoute::xwaylandGrab : HotkeyRoute::x11Grab;
        }
    }
    if (!choice.backend) {
        std::string reason = x11Error;
        if (!portalError.empty())
            reason = portalError + "; " + x11Error;
        choice.backend = std::make_unique<NullHotkeyBackend>(reason);
        return choice; // the shortcut layer says it is unavailable, and why
    }
    const std::string line = routeLogLine(choice.route, choice.facts);
    Log::notice(Log::Category::app, "%s", line.c_str());
    return choice;
}

} // namespace quietlane
