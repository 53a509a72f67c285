// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>
#include <optional>

class QSocketNotifier;

namespace quietlane::testing {

/// logind as far as muting on lock and before sleep needs it, on its own connection to
/// the bus at `address` (a private bus standing for the system bus): GetSessionByPID,
/// delay inhibitors as pipes, and the Lock/Unlock/PrepareForSleep signals driven by the
/// test. When the last inhibitor is let go it asks `mutedNow` at that very moment, as the
/// machine would then go to sleep. Answers from a thread of its own.
class StandInLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    static constexpr const char* kSessionPath = "/org/freedesktop/login1/session/c1";

    StandInLogind(const QString& address, std::function<bool()> mutedNow);
    ~StandInLogind() override;

    void setSessionLocked(bool locked);
    void prepareForSleep(bool start);

    int inhibitorsHeld() const { return m_held; }
    int releases() const { return m_releases; }
    /// The microphone's mute when the last inhibitor was let go, once one has been.
    std::optional<bool> mutedAtRelease() const;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode);
    QDBusObjectPath GetSessionByPID(uint pid);

private:
    void emitSignal(const QString& path, const QString& interface, const QString& name,
                    const QVariantList& arguments = {});
    void released(QSocketNotifier* notifier, int fd);

    std::function<bool()> m_mutedNow;
    QThread m_thread;
    QDBusConnection m_bus;
    std::atomic<int> m_held = 0;
    std::atomic<int> m_releases = 0;
    std::atomic<int> m_mutedAtRelease = -1;
};

} // namespace quietlane::testing
