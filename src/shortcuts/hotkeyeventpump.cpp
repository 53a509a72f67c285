// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/hotkeyeventpump.h"

#include "shortcuts/shortcutcenter.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
#include <QTimer>

namespace quietlane::GlobalShortcuts {

HotkeyEventPump::HotkeyEventPump(ShortcutCenter& center, QObject* parent)
    : QObject(parent), m_center(center) {
    m_heldKeyCheck = new QTimer(this);
    m_heldKeyCheck->setSingleShot(true);
    connect(m_heldKeyCheck, &QTimer::timeout, this, [this] {
        if (auto* grabs = m_center.backend().keyGrabs())
            grabs->checkHeldKeys();
        scheduleHeldKeyCheck();
    });
    const int fd = m_center.backend().eventFd();
    if (fd < 0)
        return;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &HotkeyEventPump::pump);
    // Replies to our own requests can pull events off the socket into the connection's
    // queue, where the notifier never sees them: drain before every sleep as well.
    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &HotkeyEventPump::pump);
}

void HotkeyEventPump::pump() {
    m_center.backend().processPendingEvents();
    // A lost connection reports no descriptor any more; stop watching the dead one.
    if (m_notifier && m_center.backend().eventFd() < 0)
        m_notifier->setEnabled(false);
    scheduleHeldKeyCheck();
}

void HotkeyEventPump::scheduleHeldKeyCheck() {
    const auto* grabs = m_center.backend().keyGrabs();
    const auto interval = grabs ? grabs->heldKeyCheckInterval() : std::nullopt;
    if (!interval)
        m_heldKeyCheck->stop();
    else if (!m_heldKeyCheck->isActive())
        m_heldKeyCheck->start(*interval);
}

} // namespace quietlane::GlobalShortcuts
