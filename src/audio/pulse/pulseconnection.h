// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/pulse/sourcemirror.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_time_event;
struct pa_mainloop_api;

namespace quietlane {

/// The client connection to the sound server, on a main loop thread of its own. It keeps
/// `mirror` current, reconnects with backoff when the server goes away, and hands every
/// batch of changed properties to `onChanges` on that thread, in the order they happened.
struct PulseMainloopDeleter {
    void operator()(pa_threaded_mainloop* mainloop) const;
};
struct PulseContextDeleter {
    void operator()(pa_context* context) const;
};

class PulseConnection {
public:
    using ChangeSink = std::function<void(const std::vector<PropertyChange>&)>;

    PulseConnection(SourceMirror& mirror, ChangeSink onChanges);
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    // Both wait for the server's answer, two seconds at most; a confirmed change is in
    // the mirror on return.
    OSStatus setMuted(std::uint32_t index, bool muted);
    OSStatus setVolumes(std::uint32_t index, const std::vector<std::uint32_t>& volumes);
    /// Ends every wait for an answer, now and later (see HalBackend::abandonWrites).
    void abandonWrites();

private:
    friend class PulseCallbacks;
    struct PendingWrite;

    void connect();
    void connectionLost();
    void scheduleRetry();
    void startSync();
    void syncStepDone();
    void dispatch(const std::vector<PropertyChange>& changes);
    OSStatus write(PendingWrite& pending);

    SourceMirror& m_mirror;
    ChangeSink m_onChanges;
    std::unique_ptr<pa_threaded_mainloop, PulseMainloopDeleter> m_mainloop;
    pa_mainloop_api* m_api = nullptr;
    // Everything below belongs to the main loop thread (or to holders of its lock).
    std::unique_ptr<pa_context, PulseContextDeleter> m_context;
    std::unique_ptr<pa_context, PulseContextDeleter> m_retired;
    pa_time_event* m_retry = nullptr;
    std::chrono::milliseconds m_retryDelay;
    int m_syncSteps = 0;
    bool m_outage = false;
    bool m_abandoned = false;
};

} // namespace quietlane
