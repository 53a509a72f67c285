// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/hotkeyeventpump.h"

#include "shortcuts/shortcutcenter.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>

namespace quietlane::GlobalShortcuts {

HotKeyEventPump::HotKeyEventPump(ShortcutCenter& center, QObject* parent)
    : QObject(parent), m_center(center) {
    const int fd = m_center.backend().eventFd();
    if (fd < 0)
        return;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &HotKeyEventPump::pump);
    // Replies to our own requests can pull events off the socket into the connection's
    // queue, where the notifier never sees them: drain before every sleep as well.
    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &HotKeyEventPump::pump);
}

void HotKeyEventPump::pump() {
    m_center.backend().processPendingEvents();
    // A lost connection reports no descriptor any more; stop watching the dead one.
    if (m_notifier && m_center.backend().eventFd() < 0)
        m_notifier->setEnabled(false);
}

} // namespace quietlane::GlobalShortcuts
