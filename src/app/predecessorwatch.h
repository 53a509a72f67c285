// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <sys/types.h>

class QSocketNotifier;

namespace quietlane {

namespace GlobalShortcuts {
class ShortcutCenter;
}

/// After a takeover the instance that stopped answering may still hold the global
/// shortcut's grab. This waits for that process to end and then takes the shortcut,
/// with a short run of retries while the display server catches up with the exit.
/// Main thread only.
class PredecessorWatch : public QObject {
    Q_OBJECT
public:
    /// Does nothing when `predecessor` is 0 or no shortcut was refused.
    PredecessorWatch(pid_t predecessor, GlobalShortcuts::ShortcutCenter& shortcuts,
                     QObject* parent = nullptr);
    ~PredecessorWatch() override;

private:
    void startRetrying(int intervalMs, int attempts);
    void retry();

    GlobalShortcuts::ShortcutCenter& m_shortcuts;
    pid_t m_predecessor;
    int m_processFd = -1;
    QSocketNotifier* m_exitNotifier = nullptr;
    QTimer m_retryTimer;
    int m_attemptsLeft = 0;
};

} // namespace quietlane
