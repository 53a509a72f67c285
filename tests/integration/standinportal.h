// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QPair>
#include <QThread>
#include <QVariantMap>

class QDBusMessage;

namespace quietlane::testing {

using PortalShortcuts = QList<QPair<QString, QVariantMap>>;

/// org.freedesktop.portal.GlobalShortcuts (version 1) on its own connection to the session
/// bus, as the interface's XML describes it, with key presses driven by the test. With
/// `kde` it behaves as KDE Plasma 5.27's portal does: shortcuts only from CreateSession,
/// the session handle as a string, Activated repeated while held, zero timestamps.
/// It answers from a thread of its own, so that a blocking call of the code under test
/// gets its reply; the control functions may be called from any thread.
class StandInPortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)
public:
    explicit StandInPortal(bool kde);
    ~StandInPortal() override;

    uint version() const { return 1; }

    /// The next BindShortcuts is answered "cancelled" (the user closed the dialog).
    void cancelNextBinding() { m_cancelNext = true; }
    /// The key goes down: one Activated (KDE: repeated every 40 ms until `release`).
    void press();
    void release();
    /// KDE's repeats stop without a Deactivated, as when the key is invoked over D-Bus.
    void stopRepeatsSilently();
    void closeSession();
    /// The desktop's user assigns another key.
    void reassign(const QString& trigger);
    /// Leaves the bus, as a crashed portal does.
    void disconnectFromBus();

    int bindCalls() const { return m_bindCalls; }
    QString boundTrigger() const { return m_trigger; }

public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& message);
    QDBusObjectPath BindShortcuts(const QDBusObjectPath& session, const PortalShortcuts& shortcuts,
                                  const QString& parentWindow, const QVariantMap& options,
                                  const QDBusMessage& message);
    QDBusObjectPath ListShortcuts(const QDBusObjectPath& session, const QVariantMap& options,
                                  const QDBusMessage& message);

private:
    template <typename Function> void inOwnThread(Function function) {
        QMetaObject::invokeMethod(this, function, Qt::BlockingQueuedConnection);
    }
    QDBusObjectPath respond(const QDBusMessage& call, const QVariantMap& options, uint code,
                            const QVariantMap& results);
    void emitKey(const char* signal);
    QVariant shortcutsResult() const;

    bool m_kde;
    QThread m_thread;
    QDBusConnection m_bus;
    QString m_connectionName;
    QString m_session;
    QString m_trigger;
    QString m_description;
    bool m_cancelNext = false;
    int m_bindCalls = 0;
    int m_repeatTimer = 0;

protected:
    void timerEvent(QTimerEvent* event) override;
};

} // namespace quietlane::testing
