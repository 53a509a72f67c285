// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/hotkeybackends.h"

#include "base/log.h"
#include "shortcuts/nullhotkeybackend.h"
#include "shortcuts/portal/portalhotkeybackend.h"
#include "shortcuts/x11/x11hotkeybackend.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

#include <cstdlib>

namespace quietlane {

namespace {

using namespace GlobalShortcuts;

// The portal repeats a held key at the desktop's own pace; KDE keeps it in kcminputrc.
PortalHotKeyBackend::KeyRepeat desktopKeyRepeat() {
    PortalHotKeyBackend::KeyRepeat repeat;
    const QString path =
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
            .filePath(QStringLiteral("kcminputrc"));
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Keyboard"));
    const QString mode =
        settings.value(QStringLiteral("KeyRepeat"), QStringLiteral("repeat")).toString();
    repeat.enabled = mode != QLatin1String("nothing");
    const int delay = settings.value(QStringLiteral("RepeatDelay"), 600).toInt();
    const double rate = settings.value(QStringLiteral("RepeatRate"), 25.0).toDouble();
    if (delay > 0)
        repeat.delayMs = delay;
    if (rate > 0)
        repeat.intervalMs = int(1000.0 / rate);
    return repeat;
}

} // namespace

HotKeyBackendChoice chooseHotKeyBackend() {
    HotKeyBackendChoice choice;
    choice.facts = sessionFacts(std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_SESSION_TYPE"),
                                std::getenv("XDG_CURRENT_DESKTOP"));
    std::string portalError;
    if (choice.facts.wayland) {
        if (auto portal = PortalHotKeyBackend::open(QDBusConnection::sessionBus(),
                                                    desktopKeyRepeat(), portalError)) {
            choice.backend = std::move(portal);
            choice.route = HotKeyRoute::portal;
        }
    }
    std::string x11Error = "DISPLAY is not set";
    const char* display = std::getenv("DISPLAY");
    if (!choice.backend && display && *display) {
        if (auto x11 = X11HotKeyBackend::open({}, x11Error)) {
            choice.backend = std::move(x11);
            choice.route = choice.facts.wayland ? HotKeyRoute::xwaylandGrab : HotKeyRoute::x11Grab;
        }
    }
    if (!choice.backend) {
        std::string reason = x11Error;
        if (!portalError.empty())
            reason = portalError + "; " + x11Error;
        choice.backend = std::make_unique<NullHotKeyBackend>(reason);
        return choice; // the shortcut layer says it is unavailable, and why
    }
    const std::string line = routeLogLine(choice.route, choice.facts);
    Log::notice(Log::Category::app, "%s", line.c_str());
    return choice;
}

} // namespace quietlane
