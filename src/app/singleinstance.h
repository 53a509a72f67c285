// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/result.h"
#include "remote/channeldirectory.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <string>
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
    explicit SingleInstance(std::string socketPath = {}, QObject* parent = nullptr);
    /// Removes the socket only while it is still the one this instance made: after a
    /// takeover it belongs to the instance that took it.
    ~SingleInstance() override;

    enum class Outcome {
        /// This process is the instance and listens for later launches.
        primary,
        /// Another instance runs and took the request to open its settings.
        forwarded,
    };

    /// Makes the channel's directory when it is missing; fails (saying why and what to do)
    /// when it is not private, and then no launch may use the channel.
    Result<void> secureDirectory() const;

    /// Forwards to a running instance or becomes the instance. Two launches at the same
    /// moment are serialised by a lock file, so exactly one of them becomes primary. An
    /// instance that does not answer within a second is taken over. On failure no socket
    /// could be made; the caller may run anyway. Only after `secureDirectory` succeeded: a
    /// channel in a directory others can write to is not ours.
    Result<Outcome> claim();

    /// Requests are answered by `remote` from now on; until then they get an error.
    void serve(RemoteControl& remote);

    /// The instance whose channel this one took because it no longer answered (0 if
    /// none): until it has gone it may still hold the shortcut and the D-Bus name.
    pid_t predecessor() const { return m_predecessor; }

    /// Whether another instance has put its own socket where ours was.
    bool isTakenOver() const;

signals:
    /// Another instance took the channel over: this one stopped answering for a while,
    /// and the new one now owns the user's settings. Sent once.
    void takenOver();

private:
    bool forwardToRunningInstance();
    Result<void> listen();
    QString lockPath() const;
    void watchForTakeover();
    void checkTakeover();
    void acceptConnections();
    void pauseAccepting();
    void broadcastStatus();

    // Bytes as the system takes them: a path need not be valid text.
    std::string m_socketPath;
    int m_listener = -1;
    QSocketNotifier* m_notifier = nullptr;
    bool m_acceptPaused = false;
    int m_clients = 0;
    // inotify on the channel's directory: a successor moving its socket in wakes us.
    int m_directoryWatch = -1;
    QSocketNotifier* m_directoryNotifier = nullptr;
    bool m_takenOver = false;
    pid_t m_predecessor = 0;
    // The socket file this instance made, told apart from a successor's by its inode.
    dev_t m_socketDevice = 0;
    ino_t m_socketInode = 0;
    QPointer<RemoteControl> m_remote;
    QList<QPointer<QLocalSocket>> m_watchers;
};

} // namespace quietlane
