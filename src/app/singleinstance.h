// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "remote/channeldirectory.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <sys/types.h>

class QLocalSocket;
class QSocketNotifier;

namespace quietlane {

class RemoteControl;

/// One running instance per user, and the channel through which later launches and the
/// command line reach it: a socket in a directory that only this user can enter.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    /// `socketPath` empty: the standard per-user location (see ChannelLocation).
    explicit SingleInstance(QString socketPath = {}, QObject* parent = nullptr);
    /// Removes the socket only while it is still the one this instance made: after a
    /// takeover it belongs to the instance that took it.
    ~SingleInstance() override;

    enum class Outcome {
        /// This process is the instance and listens for later launches.
        primary,
        /// Another instance runs and took the request to open its settings.
        forwarded,
        /// The channel's directory is not private (`error` says why and what to do).
        refused,
        /// No socket could be made (`error` says why); the caller may run anyway.
        failed,
    };

    /// Forwards to a running instance or becomes the instance. Two launches at the same
    /// moment are serialised by a lock file, so exactly one of them becomes primary. An
    /// instance that does not answer within a second is taken over.
    Outcome claim(QString& error);

    /// Requests are answered by `remote` from now on; until then they get an error.
    void serve(RemoteControl& remote);

    const QString& socketPath() const { return m_socketPath; }

private:
    bool forwardToRunningInstance();
    bool listen(QString& error);
    void acceptConnections();
    void broadcastStatus();

    QString m_socketPath;
    int m_listener = -1;
    QSocketNotifier* m_notifier = nullptr;
    // The socket file this instance made, told apart from a successor's by its inode.
    dev_t m_socketDevice = 0;
    ino_t m_socketInode = 0;
    QPointer<RemoteControl> m_remote;
    QList<QPointer<QLocalSocket>> m_watchers;
};

} // namespace quietlane
