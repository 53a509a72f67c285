// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/result.h"
#include "remote/controlprotocol.h"

#include <string>
#include <sys/types.h>

namespace quietlane {

/// The client end of the per-user socket, in plain POSIX so that the launcher needs
/// nothing but the C library. One request per connection; replies arrive as lines.
class ControlConnection {
public:
    ControlConnection() = default;
    ~ControlConnection();
    ControlConnection(const ControlConnection&) = delete;
    ControlConnection& operator=(const ControlConnection&) = delete;

    enum class Opened {
        connected,
        /// Nothing listens there: no socket, or one left behind by an instance that ended.
        noInstance,
    };
    /// Connects and checks that the listening process is this user's; fails when something
    /// is wrong with the socket or with who answers it.
    Result<Opened> open(const std::string& socketPath);

    Result<void> send(ControlRequest request);

    enum class Read { line, closed, timedOut, failed };
    /// The next line without its newline. A line longer than any reply the instance sends
    /// counts as failed.
    Read readLine(std::string& line, int timeoutMs);

    int descriptor() const { return m_fd; }
    /// The process that listens on the socket, once connected.
    pid_t peerPid() const { return m_peerPid; }

private:
    int m_fd = -1;
    pid_t m_peerPid = 0;
    std::string m_buffer;
};

} // namespace quietlane
