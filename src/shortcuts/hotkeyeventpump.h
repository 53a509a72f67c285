// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QSet>

class QSocketNotifier;
class QWidget;

namespace quietlane::GlobalShortcuts {

class ShortcutCenter;

/// Brings the key hook's events into the Qt main loop, so that shortcut handlers run on
/// the main thread, and keeps shortcuts working while our own popups hold the keyboard.
class HotKeyEventPump : public QObject {
    Q_OBJECT
public:
    explicit HotKeyEventPump(ShortcutCenter& center, QObject* parent = nullptr);
    ~HotKeyEventPump() override;

    /// While `popup` is shown it holds the keyboard and the system-wide grab cannot fire;
    /// the shortcut's key events that reach the popup are passed to the handlers instead
    /// (and do not reach the popup).
    void trackPopup(QWidget* popup);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pump();
    void popupShown(QObject* popup);
    void popupHidden(QObject* popup);

    ShortcutCenter& m_center;
    QSocketNotifier* m_notifier = nullptr;
    QSet<QObject*> m_shownPopups;
};

} // namespace quietlane::GlobalShortcuts
