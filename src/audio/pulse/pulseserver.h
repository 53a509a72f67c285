// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audioserver.h"
#include "audio/pulse/sourcemirror.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace quietlane {

class PulseConnection;

/// A PulseAudio-compatible server (PulseAudio itself or PipeWire's pulse server): each
/// non-monitor source is a device, the server's default source the default input. The
/// state is a mirror of the server, so reading it never waits. Connects at once and keeps
/// reconnecting in the background while the server is away.
class PulseServer final : public AudioServer {
public:
    PulseServer();
    ~PulseServer() override;

    /// Waits for the first complete picture of the server. False, with the reason in
    /// `error`, when the server cannot be reached or does not answer in time.
    bool waitUntilReady(std::chrono::milliseconds timeout, std::string* error);

    ServerState state() const override;
    int watch(StateHandler handler) override;
    void unwatch(int watch) override;
    void setMuted(const std::string& source, bool muted, WriteDone done) override;
    void setVolumes(const std::string& source, const std::map<std::uint32_t, float>& volumes,
                    WriteDone done) override;

private:
    void notify();

    SourceMirror m_mirror;
    std::mutex m_watchersMutex;
    std::map<int, StateHandler> m_watchers;
    int m_nextWatch = 0;
    // Last: its thread feeds the members above and must stop before they go.
    std::unique_ptr<PulseConnection> m_connection;
};

} // namespace quietlane
