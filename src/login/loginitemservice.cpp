// SPDX-License-Identifier: GPL-3.0-or-later
#include "login/loginitemservice.h"

#include "base/log.h"

#include <QCoreApplication>
#include <QDir>

namespace quietlane {

// The program runs from libexec/; users and the desktop start the launcher beside it.
std::string launcherPath() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/" QUIETLANE_LAUNCHER_FROM_APP))
        .toStdString();
}

LoginItemService::LoginItemService(QObject* parent)
    : LoginItemService(AutostartEntry::forProgram(launcherPath()), parent) {}

LoginItemService::LoginItemService(AutostartEntry entry, QObject* parent)
    : QObject(parent), m_entry(std::move(entry)) {
    const LoginItemStatus status = m_entry.status();
    m_enabled = status == LoginItemStatus::enabled;
}

void LoginItemService::setEnabled(bool on) {
    if (const Result<void> done = on ? m_entry.enable() : m_entry.disable(); !done)
        Log::error(Log::Category::login, "login item toggle failed: %s", done.error().c_str());
    refresh();
}

void LoginItemService::refresh() {
    const LoginItemStatus status = m_entry.status();
    const bool enabled = status == LoginItemStatus::enabled;
    if (enabled != m_enabled) {
        m_enabled = enabled;
        emit enabledChanged(enabled);
    }
}

} // namespace quietlane
