// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/hotkeyeventpump.h"

#include "shortcuts/shortcutcenter.h"

#include <QAbstractEventDispatcher>
#include <QEvent>
#include <QKeyEvent>
#include <QSocketNotifier>
#include <QWidget>

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

HotKeyEventPump::~HotKeyEventPump() {
    if (!m_shownPopups.isEmpty())
        m_center.setMenuOpen(false);
}

void HotKeyEventPump::pump() {
    m_center.backend().processPendingEvents();
    // A lost connection reports no descriptor any more; stop watching the dead one.
    if (m_notifier && m_center.backend().eventFd() < 0)
        m_notifier->setEnabled(false);
}

void HotKeyEventPump::trackPopup(QWidget* popup) {
    popup->installEventFilter(this);
    connect(popup, &QObject::destroyed, this, [this](QObject* gone) { popupHidden(gone); });
    if (popup->isVisible())
        popupShown(popup);
}

void HotKeyEventPump::popupShown(QObject* popup) {
    if (m_shownPopups.contains(popup))
        return;
    m_shownPopups.insert(popup);
    if (m_shownPopups.size() == 1)
        m_center.setMenuOpen(true);
}

void HotKeyEventPump::popupHidden(QObject* popup) {
    if (!m_shownPopups.remove(popup))
        return;
    if (m_shownPopups.isEmpty())
        m_center.setMenuOpen(false);
}

bool HotKeyEventPump::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
        popupShown(watched);
        break;
    case QEvent::Hide:
        popupHidden(watched);
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        // Repeated releases say nothing: the key is still down.
        if (key->isAutoRepeat() && event->type() == QEvent::KeyRelease)
            break;
        if (m_center.handlePopupKeyEvent(event->type() == QEvent::KeyPress, key->nativeScanCode(),
                                         key->nativeModifiers()))
            return true;
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quietlane::GlobalShortcuts
