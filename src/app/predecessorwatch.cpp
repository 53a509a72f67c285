// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/predecessorwatch.h"

#include "base/log.h"
#include "shortcuts/shortcutcenter.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/syscall.h>
#include <unistd.h>

namespace quietlane {

namespace {

// The process is gone, but the X server may not have read its hang-up yet: a few quick
// tries cover that, two seconds in all.
constexpr int kAfterExitIntervalMs = 25;
constexpr int kAfterExitAttempts = 80;
// Without a process descriptor (a kernel before 5.3) all there is left is to ask now and
// then, for as long as a hung instance plausibly takes to be killed.
constexpr int kBlindIntervalMs = 500;
constexpr int kBlindAttempts = 120;

} // namespace

PredecessorWatch::PredecessorWatch(pid_t predecessor, GlobalShortcuts::ShortcutCenter& shortcuts,
                                   QObject* parent)
    : QObject(parent), m_shortcuts(shortcuts), m_predecessor(predecessor) {
    connect(&m_retryTimer, &QTimer::timeout, this, &PredecessorWatch::retry);
    if (m_predecessor <= 0 || !m_shortcuts.hasRefused())
        return;
    m_processFd = int(::syscall(SYS_pidfd_open, m_predecessor, 0));
    if (m_processFd < 0) {
        if (errno == ESRCH)
            startRetrying(kAfterExitIntervalMs, kAfterExitAttempts);
        else
            startRetrying(kBlindIntervalMs, kBlindAttempts);
        return;
    }
    // Readable once the process has ended; it may stay frozen for as long as it likes.
    m_exitNotifier = new QSocketNotifier(qintptr(m_processFd), QSocketNotifier::Read, this);
    connect(m_exitNotifier, &QSocketNotifier::activated, this, [this] {
        m_exitNotifier->setEnabled(false);
        startRetrying(kAfterExitIntervalMs, kAfterExitAttempts);
    });
}

PredecessorWatch::~PredecessorWatch() {
    delete m_exitNotifier;
    if (m_processFd >= 0)
        ::close(m_processFd);
}

void PredecessorWatch::startRetrying(int intervalMs, int attempts) {
    m_attemptsLeft = attempts;
    m_retryTimer.start(intervalMs);
    retry();
}

void PredecessorWatch::retry() {
    if (m_shortcuts.registerRefusedAgain()) {
        m_retryTimer.stop();
        Log::notice(Log::Category::app,
                    "global shortcut registered: the previous instance (pid %d) let go of it",
                    int(m_predecessor));
        return;
    }
    if (--m_attemptsLeft > 0)
        return;
    m_retryTimer.stop();
    Log::error(Log::Category::app,
               "global shortcut still taken after the previous instance (pid %d) was expected "
               "to let go of it; another application probably uses it: choose a different "
               "shortcut in the settings",
               int(m_predecessor));
}

} // namespace quietlane
