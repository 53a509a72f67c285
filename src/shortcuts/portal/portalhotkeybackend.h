// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/hotkeybackend.h"
#include "shortcuts/portalkeyhold.h"

#include <QDBusConnection>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <functional>
#include <map>
#include <memory>

class QDBusMessage;
class QDBusServiceWatcher;

namespace quietlane::GlobalShortcuts {

/// The answer codes of a portal request.
enum class PortalResponse : uint32_t { success = 0, cancelled = 1, other = 2 };

/// Global shortcuts through the desktop portal (org.freedesktop.portal.GlobalShortcuts):
/// the program names its shortcuts (each registration under the portal id of each name it
/// carries, "toggle-mute" for the main one) with a preferred key; the desktop decides the
/// real keys and reports presses as Activated and releases as Deactivated.
///
/// It talks on a connection of its own, whose first portal call registers the application
/// id (Qt's own portal use on the shared connection would tie that one to no id). It asks
/// what the desktop holds before binding and binds only what is missing, so a normal start
/// opens no dialog or settings page; a bind is judged by what the desktop lists afterwards
/// (GNOME 48.0 answers "other" on success too), and a later bind goes through a new
/// session (GNOME refuses a second bind on one). Holds follow `PortalKeyHold`.
class PortalHotkeyBackend final : public QObject, public HotkeyBackend, public DesktopKeys {
    Q_OBJECT
public:
    using Now = std::function<PortalKeyHold::TimePoint()>;

    /// The portal on the session bus, or nothing (with the reason in `error`) when no portal
    /// there offers GlobalShortcuts. `appId` is registered with the host registry where
    /// there is one; `beforeRegistering` runs once a portal is found, before the id is
    /// registered (the registry reads the application's desktop entry); `now` is the clock
    /// of the holds.
    static std::unique_ptr<PortalHotkeyBackend>
    open(const QString& appId, std::string& error,
         const std::function<void()>& beforeRegistering = {}, Now now = PortalKeyHold::Clock::now);
    ~PortalHotkeyBackend() override;

    bool isAvailable() const override { return true; }
    HotkeyRefusal registerHotkey(const Shortcut& shortcut, uint32_t id) override;
    void unregisterHotkey(uint32_t id) override;
    void setEventHandler(EventHandler handler) override { m_handler = std::move(handler); }
    std::optional<std::string> assignedTrigger(const Shortcut& shortcut) const override;
    void setAssignmentChangeHandler(std::function<void()> handler) override {
        m_assignmentChanged = std::move(handler);
    }
    void setNameLookup(NameLookup lookup) override { m_names = std::move(lookup); }
    DesktopKeys* desktopKeys() override { return this; }

    bool isKeyUnheld(const Shortcut& shortcut) const override;
    bool canConfigure() const override { return m_version >= 2 && !m_session.isEmpty(); }
    void configure() override;

    /// Every registration is bound and presses arrive.
    bool isBound() const { return m_bound; }
    /// Whether the host registry took the application id.
    bool hasAppId() const { return m_appIdRegistered; }

signals:
    /// A bind (or the check that nothing needs one) is over: `ok` when the desktop lists
    /// every registration. For tests and benchmarks.
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
        uint32_t id;
    };
    struct Wanted {
        QString portalId;
        QString description;
        const Registration* registration;
    };
    struct Listed {
        QString trigger;
        bool operator==(const Listed&) const = default;
    };
    using ResponseHandler = std::function<void(uint32_t code, const QVariantMap& results)>;

    PortalHotkeyBackend(QDBusConnection bus, const QString& appId, uint version, Now now);
    void request(const QString& method, QList<QVariant> arguments, const QString& token,
                 ResponseHandler onResponse);
    QString requestPath(const QString& token) const;
    void registerAppId(int attempt);
    void scheduleSync();
    void sync();
    void createSession();
    void reopenSession();
    /// Asks what the desktop holds; an empty answer replaces what is known only when
    /// `emptyMeansNone`.
    void list(std::function<void()> then, bool emptyMeansNone = true);
    QStringList missing() const;
    void bindMissing();
    void settle();
    std::vector<Wanted> wanted() const;
    QVariant shortcutList() const;
    void takeShortcuts(const QVariant& shortcuts);
    void findUnheldKeys();
    void forgetSession(const char* why);
    QString portalIdOf(const QDBusMessage& message) const;
    std::optional<uint32_t> registrationOf(const QString& portalId) const;
    void press(const QString& portalId, uint32_t registrationId);
    void armHoldTimer();
    void endExpiredHolds();
    void deliver(uint32_t registrationId, HotkeyEvent::Kind kind);

    QDBusConnection m_bus;
    QString m_appId;
    uint m_version;
    Now m_now;
    EventHandler m_handler;
    NameLookup m_names;
    std::function<void()> m_assignmentChanged;
    std::map<uint32_t, Registration> m_registrations;
    QString m_session;
    bool m_starting = false;
    bool m_appIdRegistered = false;
    bool m_boundOnSession = false;
    bool m_bound = false;
    bool m_syncScheduled = false;
    bool m_syncRunning = false;
    bool m_syncAgain = false;
    std::map<QString, Listed> m_listed;
    QSet<QString> m_unheld;
    std::map<QString, ResponseHandler> m_pending;
    int m_requestCount = 0;
    QDBusServiceWatcher* m_portalWatcher = nullptr;
    std::map<QString, PortalKeyHold> m_holds;
    // Portal id -> the registration its press went to: the release goes there too.
    std::map<QString, uint32_t> m_pressedBy;
    QTimer m_holdTimer;
};

} // namespace quietlane::GlobalShortcuts
