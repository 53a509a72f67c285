// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QDBusServiceWatcher;

namespace quietlane {

/// Watches the session bus for a StatusNotifierItem host (the tray of waybar, swaybar,
/// KDE Plasma and others). The toolkit asks only once per process whether one exists, so
/// a tray icon made before the bar started would never appear on it.
class StatusNotifierWatch : public QObject {
    Q_OBJECT
public:
    explicit StatusNotifierWatch(QObject* parent = nullptr);

    /// A watcher is on the bus and says a host has registered with it.
    static bool isHostPresent();

signals:
    /// Emitted once, when a host becomes present.
    void hostAppeared();

private slots:
    void onHostRegistered();

private:
    void check();

    QDBusServiceWatcher* m_watcher = nullptr;
    bool m_reported = false;
};

} // namespace quietlane
