// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <unistd.h>

namespace quietlane {

namespace {

constexpr int kTimeoutMs = 1000;
const QByteArray kRequest = "open-settings\n";
const QByteArray kReply = "ok\n";

QString defaultSocketPath() {
    QString directory = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (directory.isEmpty())
        directory = QDir::tempPath() + QStringLiteral("/quietlane-%1").arg(::getuid());
    else
        directory += QStringLiteral("/quietlane");
    return directory + QStringLiteral("/instance");
}

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), m_socketPath(socketPath.isEmpty() ? defaultSocketPath() : socketPath) {}

SingleInstance::~SingleInstance() = default;

SingleInstance::Outcome SingleInstance::claim(QString& error) {
    const QString directory = QFileInfo(m_socketPath).absolutePath();
    if (!QDir().mkpath(directory)) {
        error = QStringLiteral("cannot create %1").arg(directory);
        return Outcome::failed;
    }
    QFile::setPermissions(directory, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QLockFile lock(m_socketPath + QStringLiteral(".lock"));
    if (!lock.tryLock(3 * kTimeoutMs)) {
        error = QStringLiteral("another launch holds %1.lock").arg(m_socketPath);
        return Outcome::failed;
    }
    if (forwardToRunningInstance())
        return Outcome::forwarded;
    return listen(error) ? Outcome::primary : Outcome::failed;
}

bool SingleInstance::forwardToRunningInstance() {
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(kTimeoutMs))
        return false;
    socket.write(kRequest);
    if (!socket.waitForBytesWritten(kTimeoutMs))
        return false;
    // Only an answer proves that a live instance took the request; a hung process that
    // still holds the socket must not swallow the launch.
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(kTimeoutMs))
            return false;
    }
    return socket.readLine() == kReply;
}

bool SingleInstance::listen(QString& error) {
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    if (m_server->listen(m_socketPath))
        return true;
    // A socket left behind by a crashed instance: nobody answered on it, so take it over.
    QLocalServer::removeServer(m_socketPath);
    if (m_server->listen(m_socketPath))
        return true;
    error = m_server->errorString();
    return false;
}

void SingleInstance::onNewConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            if (socket->readLine() == kRequest) {
                socket->write(kReply);
                socket->flush();
                emit settingsRequested();
            }
            socket->disconnectFromServer();
        });
    }
}

} // namespace quietlane
