// SPDX-License-Identifier: GPL-3.0-or-later
#include "login/autostartservice.h"

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

AutostartService::AutostartService(QObject* parent)
    : AutostartService(AutostartEntry::forProgram(launcherPath()), parent) {}

AutostartService::AutostartService(AutostartEntry entry, QObject* parent)
    : QObject(parent), m_entry(std::move(entry)) {
    const AutostartStatus status = m_entry.status();
    m_enabled = status == AutostartStatus::enabled;
}

void AutostartService::setEnabled(bool on) {
    if (const Result<void> done = on ? m_entry.enable() : m_entry.disable(); !done)
        Log::error(Log::Category::login, "login item toggle failed: %s", done.error().c_str());
    refresh();
}

void AutostartService::refresh() {
    const AutostartStatus status = m_entry.status();
    const bool enabled = status == AutostartStatus::enabled;
    if (enabled != m_enabled) {
        m_enabled = enabled;
        emit enabledChanged(enabled);
    }
}

} // namespace quietlane
