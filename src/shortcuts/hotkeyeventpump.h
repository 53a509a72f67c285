// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;
class QTimer;

namespace quietlane::GlobalShortcuts {

class ShortcutCenter;

/// Brings the key hook's events into the Qt main loop, so that shortcut handlers run on
/// the main thread, and has the hook check a held key while its release could get lost.
class HotkeyEventPump : public QObject {
    Q_OBJECT
public:
    explicit HotkeyEventPump(ShortcutCenter& center, QObject* parent = nullptr);

private:
    void pump();
    void scheduleHeldKeyCheck();

    ShortcutCenter& m_center;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_heldKeyCheck = nullptr;
};

} // namespace quietlane::GlobalShortcuts
