// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/pulse/pulseserver.h"

#include "audio/pulse/pulseconnection.h"

namespace quietlane {

PulseServer::PulseServer()
    : m_connection(std::make_unique<PulseConnection>(m_mirror, [this] { notify(); })) {}

PulseServer::~PulseServer() = default;

bool PulseServer::waitUntilReady(std::chrono::milliseconds timeout, std::string* error) {
    return m_mirror.waitUntilReady(timeout, error);
}

ServerState PulseServer::state() const {
    return m_mirror.state();
}

int PulseServer::watch(StateHandler handler) {
    std::lock_guard lock(m_watchersMutex);
    m_watchers.emplace(m_nextWatch, std::move(handler));
    return m_nextWatch++;
}

void PulseServer::unwatch(int watch) {
    std::lock_guard lock(m_watchersMutex);
    m_watchers.erase(watch);
}

void PulseServer::notify() {
    // Runs on the connection thread only, so watchers hear the states in the order the
    // server reported the changes.
    const ServerState now = m_mirror.state();
    std::lock_guard lock(m_watchersMutex);
    for (const auto& [id, handler] : m_watchers)
        handler(now);
}

void PulseServer::setMuted(const std::string& source, bool muted, WriteDone done) {
    m_connection->setMuted(source, muted, std::move(done));
}

void PulseServer::setVolumes(const std::string& source,
                             const std::map<std::uint32_t, float>& volumes, WriteDone done) {
    m_connection->setVolumes(source, volumes, std::move(done));
}

} // namespace quietlane
