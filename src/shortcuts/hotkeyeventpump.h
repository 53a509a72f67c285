// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace quietlane::GlobalShortcuts {

class ShortcutCenter;

/// Brings the key hook's events into the Qt main loop, so that shortcut handlers run on
/// the main thread.
class HotKeyEventPump : public QObject {
    Q_OBJECT
public:
    explicit HotKeyEventPump(ShortcutCenter& center, QObject* parent = nullptr);

private:
    void pump();

    ShortcutCenter& m_center;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace quietlane::GlobalShortcuts
