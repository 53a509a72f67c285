// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

namespace quietlane {

/// What the session tells about the user stepping away, from D-Bus: the screen savers'
/// ActiveChanged (org.freedesktop.ScreenSaver, org.gnome.ScreenSaver) on the session bus,
/// and logind's Lock/Unlock of this process's session and PrepareForSleep on the system
/// bus. While it follows suspend it holds a logind delay inhibitor, so the machine waits
/// (up to logind's limit) until allowSleep(). Nothing is watched until asked, and a bus
/// that is not there only means that nothing arrives from it. Main thread only.
class SessionSignals : public QObject {
    Q_OBJECT
public:
    explicit SessionSignals(QObject* parent = nullptr);
    ~SessionSignals() override;

    void watchLock(bool on);
    void watchSuspend(bool on);
    /// The preparations for sleep are done: lets go of the inhibitor. A new one is taken
    /// when the machine wakes up.
    void allowSleep();
    bool holdsSleepInhibitor() const { return m_inhibitor >= 0; }

signals:
    /// Each real change once, however many lockers announce it.
    void lockChanged(bool locked);
    void preparingForSleep();
    void resumed();
    void sleepInhibitorTaken();

private slots:
    void screenSaverActiveChanged(bool active);
    void sessionLocked();
    void sessionUnlocked();
    void prepareForSleep(bool start);

private:
    void connectLockSignals(bool on);
    void takeInhibitor();
    void setLocked(bool locked);
    QString ownSessionPath() const;

    bool m_watchingLock = false;
    bool m_watchingSuspend = false;
    bool m_locked = false;
    bool m_inhibitorRequested = false;
    int m_inhibitor = -1;
    QString m_sessionPath;
};

} // namespace quietlane
