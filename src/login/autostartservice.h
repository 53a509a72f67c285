// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "login/autostartentry.h"

#include <QObject>

#include <string>

namespace quietlane {

/// Launch at login. The autostart registry is the only truth: the flags are read at
/// construction and again after every request, never assumed from the request, so a
/// switch bound to them shows what will really happen at the next login.
/// The launcher users and desktops start (bin/quietlane, beside the program's libexec/).
std::string launcherPath();

class AutostartService : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool enabled READ isEnabled NOTIFY enabledChanged)
public:
    /// The entry for this executable in the user's autostart directory.
    explicit AutostartService(QObject* parent = nullptr);
    explicit AutostartService(AutostartEntry entry, QObject* parent = nullptr);

    bool isEnabled() const { return m_enabled; }

    /// Asks for the wanted state; a failure is logged and the flags show the real state.
    void setEnabled(bool on);
    /// Reads the registry again; observers hear only of a change.
    void refresh();

signals:
    void enabledChanged(bool enabled);

private:
    AutostartEntry m_entry;
    bool m_enabled = false;
};

} // namespace quietlane
