// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QThread>
#include <QVariantMap>

#include <atomic>

class QDBusMessage;

namespace quietlane::testing {

using PortalShortcuts = QList<QPair<QString, QVariantMap>>;

/// The desktops whose GlobalShortcuts portals the stand-in plays, as measured on real
/// sessions or read from their sources. Every one gives CreateSession's handle as a string.
enum class PortalDesktop {
    /// GNOME 48: a dialog for ids it has not stored, response 2 on success and on cancel,
    /// one bind per session, nothing bound without an application id, "Press <accel>",
    /// repeats from 500 ms every 30 ms, no Deactivated when a modifier is let go first.
    gnome48,
    /// Plasma 6.3: binds at once but opens the settings page on every bind, keeps the
    /// component's keys across sessions, repeats from 570 ms every 40 ms, and reports a key
    /// another program holds (kglobalaccel then lists none).
    plasma63,
    /// Plasma 6.5: as 6.3 without repeats.
    plasma65,
    /// Hyprland: no repeats, an empty trigger description (keys live in its config).
    hyprland,
};

struct PortalFeatures {
    /// org.freedesktop.host.portal.Registry (xdg-desktop-portal 1.19.4 and later).
    bool registry = true;
    /// No session without a registered application id (1.21 and later).
    bool requireAppId = false;
    uint version = 1;
};

/// org.freedesktop.portal.GlobalShortcuts on its own connection to the session bus, with
/// key presses driven by the test. It answers from a thread of its own, so that a blocking
/// call of the code under test gets its reply; the control functions may be called from
/// any thread.
class StandInPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)
public:
    explicit StandInPortal(PortalDesktop desktop, PortalFeatures features = {});
    ~StandInPortal() override;

    uint version() const { return m_features.version; }

    /// The user closes the next dialog (GNOME) or cancels the next bind.
    void cancelNextDialog() { m_cancelNext = true; }
    /// The key goes down: Activated, repeated at the desktop's pace until released.
    void press(const QString& id = QStringLiteral("toggle-mute"));
    void release();
    /// Ctrl let go while the key is still down (GNOME: repeats stop, no Deactivated).
    void releaseModifierFirst();
    void closeSession();
    /// The desktop's user assigns another key.
    void reassign(const QString& id, const QString& trigger);
    /// Another program holds the key: the desktop still reports it (KDE).
    void takeKeyElsewhere(const QString& id);
    /// Leaves the bus, as a crashed portal does.
    void disconnectFromBus();

    /// Activated signals sent while a key was held, after the first.
    int repeatsSent() const { return m_repeats; }
    int bindCalls() const { return m_bindCalls; }
    int dialogsShown() const { return m_dialogsShown; }
    int settingsPagesOpened() const { return m_settingsPages; }
    QString registeredAppId() const { return m_lastAppId; }

public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& message);
    QDBusObjectPath BindShortcuts(const QDBusObjectPath& session, const PortalShortcuts& shortcuts,
                                  const QString& parentWindow, const QVariantMap& options,
                                  const QDBusMessage& message);
    QDBusObjectPath ListShortcuts(const QDBusObjectPath& session, const QVariantMap& options,
                                  const QDBusMessage& message);

private:
    friend class StandInRegistry;
    friend class StandInKGlobalAccel;
    template <typename Function> void inOwnThread(Function function) {
        QMetaObject::invokeMethod(this, function, Qt::BlockingQueuedConnection);
    }
    QDBusObjectPath respond(const QDBusMessage& call, const QVariantMap& options, uint code,
                            const QVariantMap& results);
    void emitKey(const char* signal);
    QVariant shortcutsResult() const;
    QString triggerText(const QString& trigger) const;
    bool remembersComponents() const;
    void store(const PortalShortcuts& shortcuts);
    void stopRepeats();

    PortalDesktop m_desktop;
    PortalFeatures m_features;
    QThread m_thread;
    QDBusConnection m_bus;
    QString m_connectionName;
    // What the desktop keeps per application (GNOME) or component (KDE): id -> trigger.
    QMap<QString, QMap<QString, QString>> m_stored;
    QMap<QString, QString> m_appIds; // sender -> registered id
    QSet<QString> m_associated;      // senders the portal already knows
    QString m_lastAppId;
    QString m_session;
    QString m_component;
    QStringList m_sessionIds;
    int m_sessionBinds = 0;
    bool m_cancelNext = false;
    int m_bindCalls = 0;
    int m_dialogsShown = 0;
    int m_settingsPages = 0;
    QSet<QString> m_heldElsewhere;
    QString m_heldId;
    int m_repeatTimer = 0;
    std::atomic<int> m_repeats = 0;
    bool m_firstRepeat = false;

protected:
    void timerEvent(QTimerEvent* event) override;
};

/// The host registry's Register, on the stand-in portal's object.
class StandInRegistry : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.host.portal.Registry")
public:
    explicit StandInRegistry(StandInPortal* portal)
        : QDBusAbstractAdaptor(portal), m_portal(portal) {}
public slots:
    void Register(const QString& appId, const QVariantMap& options, const QDBusMessage& message);

private:
    StandInPortal* m_portal;
};

/// KDE's kglobalaccel, as far as the key of a component's action goes.
class StandInKGlobalAccel : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.KGlobalAccel")
public:
    explicit StandInKGlobalAccel(StandInPortal* portal) : QObject(portal), m_portal(portal) {}
public slots:
    QList<int> shortcutKeys(const QStringList& actionId);

private:
    StandInPortal* m_portal;
};

} // namespace quietlane::testing
