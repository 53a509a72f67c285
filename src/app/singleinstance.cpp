// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/singleinstance.h"

#include "base/log.h"
#include "remote/controlclient.h"
#include "remote/remotecontrol.h"

#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace quietlane {

namespace {

constexpr int kTimeoutMs = 1000;
// A client that connects and says nothing is dropped after this.
constexpr int kRequestTimeoutMs = 5000;
// A watcher that stops reading is dropped rather than buffered for without end.
constexpr qint64 kMaxWatcherBacklog = 64 * 1024;
// Out of descriptors, accept() fails at once and the listener stays readable: without a
// pause the event loop would spin on it until a client leaves.
constexpr int kAcceptPauseMs = 250;
// Watchers (status bars) and launches in flight are a handful; a flood of idle clients
// beyond this waits in the listen queue instead of taking the descriptors the sound
// server's reconnection and the preferences' writes need.
constexpr int kMaxClients = 64;

void sendLine(QLocalSocket* socket, const ControlReply& reply) {
    const std::string line = replyLine(reply);
    socket->write(line.data(), qint64(line.size()));
}

void finish(QLocalSocket* socket, const ControlReply& reply) {
    sendLine(socket, reply);
    // Leaves once the reply is written.
    socket->disconnectFromServer();
}

} // namespace

SingleInstance::SingleInstance(std::string socketPath, QObject* parent)
    : QObject(parent), m_socketPath(socketPath.empty() ? ChannelLocation::standard().socket
                                                       : std::move(socketPath)) {}

SingleInstance::~SingleInstance() {
    if (m_listener < 0)
        return;
    // Under the launch lock, so that a launch taking over cannot slip its socket in
    // between the check and the removal. Without the lock the file stays: a socket
    // nobody listens on is taken over by the next launch anyway. A successor's socket is
    // seen without the lock, which the successor may hold for a while: no waiting then.
    QLockFile lock(lockPath());
    struct stat current {};
    const char* path = m_socketPath.c_str();
    if (!isTakenOver() && lock.tryLock(kTimeoutMs) && ::lstat(path, &current) == 0 &&
        current.st_dev == m_socketDevice && current.st_ino == m_socketInode)
        ::unlink(path);
    delete m_notifier;
    ::close(m_listener);
    delete m_directoryNotifier;
    if (m_directoryWatch >= 0)
        ::close(m_directoryWatch);
}

QString SingleInstance::lockPath() const {
    return QFile::decodeName(QByteArray::fromStdString(m_socketPath + ".lock"));
}

Result<void> SingleInstance::secureDirectory() const {
    return preparePrivateDirectory(ChannelLocation::at(m_socketPath).directory);
}

Result<SingleInstance::Outcome> SingleInstance::claim() {
    QLockFile lock(lockPath());
    if (!lock.tryLock(3 * kTimeoutMs))
        return Failure{"another launch holds " + m_socketPath + ".lock"};
    if (forwardToRunningInstance())
        return Outcome::forwarded;
    if (auto listening = listen(); !listening)
        return Failure{listening.error()};
    return Outcome::primary;
}

void SingleInstance::serve(RemoteControl& remote) {
    m_remote = &remote;
    connect(&remote, &RemoteControl::statusChanged, this, &SingleInstance::broadcastStatus);
}

bool SingleInstance::forwardToRunningInstance() {
    ControlConnection connection;
    const auto opened = connection.open(m_socketPath);
    if (!opened || *opened != ControlConnection::Opened::connected)
        return false;
    // Whatever happens next, a process listens there: if it does not answer, it is the
    // one taken over.
    m_predecessor = connection.peerPid();
    if (!connection.send(ControlRequest::openSettings))
        return false;
    // Only an answer proves that a live instance took the request; a hung process that
    // still holds the socket must not swallow the launch.
    std::string line;
    if (connection.readLine(line, kTimeoutMs) != ControlConnection::Read::line)
        return false;
    const auto reply = parseReply(line);
    return reply && reply->kind == ControlReply::Kind::ok;
}

Result<void> SingleInstance::listen() {
    const std::string& path = m_socketPath;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() + 4 >= sizeof address.sun_path)
        return Failure{"the socket path " + path + " is too long"};
    // Bound under a temporary name and moved into place once it listens: whoever sees the
    // name appear (a watcher waiting for an instance) can connect at once. The move also
    // replaces what an instance that no longer answers left there (we hold the lock and
    // asked it).
    const std::string staging = path + ".new";
    std::memcpy(address.sun_path, staging.c_str(), staging.size() + 1);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    ::unlink(staging.c_str());
    struct stat made {};
    if (listener < 0 ||
        ::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 16) != 0 || ::lstat(staging.c_str(), &made) != 0 ||
        ::rename(staging.c_str(), path.c_str()) != 0) {
        Failure failure{"cannot listen on " + path + ": " + std::strerror(errno)};
        if (listener >= 0)
            ::close(listener);
        ::unlink(staging.c_str());
        return failure;
    }
    m_listener = listener;
    m_socketDevice = made.st_dev;
    m_socketInode = made.st_ino;
    m_notifier = new QSocketNotifier(qintptr(listener), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
    watchForTakeover();
    return {};
}

bool SingleInstance::isTakenOver() const {
    if (m_listener < 0)
        return false;
    struct stat current {};
    // A socket that is gone is not a takeover: whoever removed it left nobody in our place.
    return ::lstat(m_socketPath.c_str(), &current) == 0 &&
           (current.st_dev != m_socketDevice || current.st_ino != m_socketInode);
}

// An instance frozen (stopped, swapping, stuck in a driver) is taken over by the next
// launch; when it wakes up it must not go on beside its successor. The events wait in
// the queue while it is frozen, so it hears of the takeover as soon as it runs again.
void SingleInstance::watchForTakeover() {
    const std::string directory = ChannelLocation::at(m_socketPath).directory;
    m_directoryWatch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (m_directoryWatch < 0 ||
        ::inotify_add_watch(m_directoryWatch, directory.c_str(), IN_CREATE | IN_MOVED_TO) < 0) {
        Log::error(Log::Category::app,
                   "cannot watch %s (%s); an instance started while this one does not answer "
                   "will run beside it",
                   directory.c_str(), std::strerror(errno));
        return;
    }
    m_directoryNotifier =
        new QSocketNotifier(qintptr(m_directoryWatch), QSocketNotifier::Read, this);
    connect(m_directoryNotifier, &QSocketNotifier::activated, this, &SingleInstance::checkTakeover);
}

void SingleInstance::checkTakeover() {
    alignas(inotify_event) char events[4096];
    while (::read(m_directoryWatch, events, sizeof events) > 0) {
    }
    if (m_takenOver || !isTakenOver())
        return;
    m_takenOver = true;
    m_directoryNotifier->setEnabled(false);
    emit takenOver();
}

void SingleInstance::acceptConnections() {
    for (;;) {
        if (m_clients >= kMaxClients) {
            m_notifier->setEnabled(false);
            return;
        }
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0) {
            if (errno == EMFILE || errno == ENFILE)
                pauseAccepting();
            return;
        }
        if (m_acceptPaused) {
            m_acceptPaused = false;
            Log::notice(Log::Category::app, "the instance channel accepts connections again");
        }
        auto* socket = new QLocalSocket(this);
        if (!socket->setSocketDescriptor(client)) {
            ::close(client);
            delete socket;
            continue;
        }
        // One request per connection: once it is read, later bytes are ignored.
        struct Exchange {
            RequestReader reader;
            bool answered = false;
        };
        auto exchange = std::make_shared<Exchange>();
        ++m_clients;
        connect(socket, &QObject::destroyed, this, [this] {
            if (m_clients-- == kMaxClients && !m_acceptPaused)
                m_notifier->setEnabled(true);
        });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, exchange] {
            if (exchange->answered) {
                socket->readAll();
                return;
            }
            const QByteArray bytes = socket->read(qint64(kMaxRequestBytes));
            const auto result =
                exchange->reader.feed(std::string_view(bytes.constData(), bytes.size()));
            if (std::holds_alternative<RequestReader::Incomplete>(result))
                return;
            exchange->answered = true;
            if (const auto* malformed = std::get_if<RequestReader::Malformed>(&result)) {
                finish(socket, {ControlReply::Kind::error, malformed->reason});
                return;
            }
            const ControlRequest request = std::get<ControlRequest>(result);
            if (!m_remote) {
                finish(socket, {ControlReply::Kind::error, "the instance is still starting"});
            } else if (request == ControlRequest::watch) {
                m_watchers.append(socket);
                sendLine(socket, {ControlReply::Kind::ok, encodeStatus(m_remote->status())});
            } else {
                m_remote->handle(request, [socket = QPointer(socket)](const ControlReply& reply) {
                    if (socket)
                        finish(socket, reply);
                });
            }
        });
        QTimer::singleShot(kRequestTimeoutMs, socket, [socket, exchange] {
            if (!exchange->answered)
                socket->abort();
        });
    }
}

// The clients already connected go on being served; new ones wait in the listen queue.
void SingleInstance::pauseAccepting() {
    if (!m_acceptPaused) {
        m_acceptPaused = true;
        Log::error(Log::Category::app,
                   "the instance channel cannot accept a connection: %s; new requests wait "
                   "until descriptors are free (retrying every %d ms)",
                   std::strerror(errno), kAcceptPauseMs);
    }
    m_notifier->setEnabled(false);
    QTimer::singleShot(kAcceptPauseMs, this, [this] { m_notifier->setEnabled(true); });
}

void SingleInstance::broadcastStatus() {
    const ControlReply line{ControlReply::Kind::ok, encodeStatus(m_remote->status())};
    m_watchers.removeIf([](const QPointer<QLocalSocket>& watcher) { return watcher.isNull(); });
    for (const QPointer<QLocalSocket>& watcher : std::as_const(m_watchers)) {
        if (watcher->bytesToWrite() > kMaxWatcherBacklog)
            watcher->abort();
        else
            sendLine(watcher, line);
    }
}

} // namespace quietlane
