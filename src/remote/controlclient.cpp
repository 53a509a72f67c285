// SPDX-License-Identifier: GPL-3.0-or-later
#include "remote/controlclient.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quietlane {

namespace {

// Device names are short; this only stops a broken peer from growing the buffer forever.
constexpr std::size_t kMaxReplyBytes = 64 * 1024;

} // namespace

ControlConnection::~ControlConnection() {
    if (m_fd >= 0)
        ::close(m_fd);
}

Result<ControlConnection::Opened> ControlConnection::open(const std::string& socketPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path)
        return Failure{"the socket path " + socketPath + " is too long"};
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return Failure{std::string("cannot make a socket: ") + std::strerror(errno)};
    if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int failure = errno;
        if (failure == ENOENT || failure == ECONNREFUSED)
            return Opened::noInstance;
        return Failure{"cannot connect to " + socketPath + ": " + std::strerror(failure)};
    }
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != ::getuid())
        return Failure{"the process listening on " + socketPath +
                       " is not yours; refusing to talk to it"};
    m_peerPid = peer.pid;
    return Opened::connected;
}

Result<void> ControlConnection::send(ControlRequest request) {
    const std::string line = std::string(requestLine(request)) + '\n';
    // A peer that closed early must give an error here, not kill the process.
    if (::send(m_fd, line.data(), line.size(), MSG_NOSIGNAL) != ssize_t(line.size()))
        return Failure{std::string("cannot send the request: ") + std::strerror(errno)};
    return {};
}

ControlConnection::Read ControlConnection::readLine(std::string& line, int timeoutMs) {
    for (;;) {
        if (const std::size_t newline = m_buffer.find('\n'); newline != std::string::npos) {
            line = m_buffer.substr(0, newline);
            m_buffer.erase(0, newline + 1);
            return Read::line;
        }
        if (m_buffer.size() > kMaxReplyBytes)
            return Read::failed;
        pollfd ready{m_fd, POLLIN, 0};
        const int polled = ::poll(&ready, 1, timeoutMs);
        if (polled == 0)
            return Read::timedOut;
        if (polled < 0) {
            if (errno == EINTR)
                continue;
            return Read::failed;
        }
        char chunk[4096];
        const ssize_t received = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (received == 0)
            return Read::closed;
        if (received < 0) {
            if (errno == EINTR)
                continue;
            return Read::failed;
        }
        m_buffer.append(chunk, std::size_t(received));
    }
}

} // namespace quietlane
