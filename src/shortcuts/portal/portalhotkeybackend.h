// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/hotkeybackend.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>

#include <functional>
#include <map>
#include <memory>

class QDBusMessage;
class QDBusServiceWatcher;

namespace quietlane::GlobalShortcuts {

/// Global shortcuts through the desktop portal (org.freedesktop.portal.GlobalShortcuts):
/// the program asks for one shortcut with a preferred key, the desktop decides the real
/// key, and reports its presses as Activated and its releases as Deactivated.
///
/// KDE Plasma 5.27's portal departs from the interface, and this class copes with it:
/// it reads the shortcuts only from CreateSession (they are sent there and to
/// BindShortcuts), repeats Activated every ~40 ms while the key is held (folded into one
/// press), sends no Deactivated for a shortcut invoked over D-Bus, gives the session
/// handle as a string, sends zero timestamps, and names its settings entry after the
/// request token (kept stable, so the user's own key survives restarts).
///
/// Push-to-talk safety: on a portal that repeats Activated while the key is down, a hold
/// whose repeats stop without a Deactivated ends after the repeat delay (before the first
/// repeat) or a few repeat intervals (after it). A hold also ends when the session closes
/// or the portal leaves the bus.
class PortalHotKeyBackend final : public QObject, public HotKeyBackend {
    Q_OBJECT
public:
    /// The desktop's key repeat, which paces the Activated repeats of a held key.
    struct KeyRepeat {
        bool enabled = true;
        int delayMs = 600;
        int intervalMs = 40;
    };

    /// The portal on `bus`, or nothing (with the reason in `error`) when no portal there
    /// offers GlobalShortcuts.
    static std::unique_ptr<PortalHotKeyBackend> open(const QDBusConnection& bus, KeyRepeat repeat,
                                                     std::string& error);
    ~PortalHotKeyBackend() override;

    bool isAvailable() const override { return true; }
    int registerHotKey(const Shortcut& shortcut, uint32_t signature, uint32_t id,
                       const HotKeyLabel& label) override;
    void unregisterHotKey(uint32_t id) override;
    void setEventHandler(EventHandler handler) override { m_handler = std::move(handler); }
    std::optional<std::string> characterForKey(int64_t carbonKeyCode) const override;
    std::optional<Shortcut> shortcutForNativeKey(uint32_t, uint32_t) const override {
        return std::nullopt;
    }
    std::optional<std::string> assignedTrigger(const Shortcut& shortcut) const override;
    bool desktopOwnsKey() const override { return m_kdeQuirks; }
    bool worksUnderOwnPopups() const override { return true; }
    void setAssignmentChangeHandler(std::function<void()> handler) override {
        m_assignmentChanged = std::move(handler);
    }

    /// The session is bound and presses arrive.
    bool isBound() const { return m_bound; }

signals:
    /// The binding is in place (or failed: `ok` false); for tests and benchmarks.
    void bindingSettled(bool ok);

private slots:
    void onResponse(const QDBusMessage& message);
    void onActivated(const QDBusMessage& message);
    void onDeactivated(const QDBusMessage& message);
    void onShortcutsChanged(const QDBusMessage& message);
    void onSessionClosed(const QDBusMessage& message);

private:
    struct Registration {
        Shortcut shortcut;
        uint32_t signature;
        uint32_t id;
    };
    using ResponseHandler = std::function<void(uint32_t code, const QVariantMap& results)>;

    PortalHotKeyBackend(const QDBusConnection& bus, KeyRepeat repeat);
    void request(const QString& method, QList<QVariant> arguments, const QString& token,
                 ResponseHandler onResponse);
    QString requestPath(const QString& token) const;
    void createSession();
    void bind();
    void list();
    void takeShortcuts(const QVariant& shortcuts);
    QList<QVariant> shortcutList() const;
    void forgetSession(const char* why);
    bool isOurs(const QDBusMessage& message) const;
    void endHold(bool lost);
    void armHoldWatchdog();
    void deliver(HotKeyEvent::Kind kind);

    QDBusConnection m_bus;
    KeyRepeat m_repeat;
    EventHandler m_handler;
    std::function<void()> m_assignmentChanged;
    std::optional<Registration> m_registration;
    std::optional<Shortcut> m_boundShortcut;
    QString m_session;
    bool m_sessionPending = false;
    bool m_bound = false;
    bool m_kdeQuirks = false;
    bool m_repeatsWhileHeld = false;
    QString m_trigger;
    std::map<QString, ResponseHandler> m_pending;
    int m_requestCount = 0;
    QDBusServiceWatcher* m_portalWatcher = nullptr;

    bool m_holding = false;
    bool m_repeatSeen = false;
    QElapsedTimer m_lastActivation;
    QTimer m_holdWatchdog;
};

} // namespace quietlane::GlobalShortcuts
