// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audioserver.h"
#include "audio/pulse/sourcemirror.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_time_event;
struct pa_mainloop_api;

namespace quietlane {

struct PulseMainloopDeleter {
    void operator()(pa_threaded_mainloop* mainloop) const;
};
struct PulseContextDeleter {
    void operator()(pa_context* context) const;
};

/// The client connection to the sound server, on a main loop thread of its own. It keeps
/// `mirror` current, reconnects with backoff when the server goes away, and calls
/// `onChange` on that thread whenever the mirror changed.
///
/// Writes go to the server one at a time, each sent once the one before it is answered:
/// PipeWire's pulse server answers a write before applying it, and two writes in flight
/// together can land in the opposite order. A write still waiting to be sent is replaced
/// by a newer one to the same control.
class PulseConnection {
public:
    PulseConnection(SourceMirror& mirror, std::function<void()> onChange);
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    void setMuted(const std::string& source, bool muted, AudioServer::WriteDone done);
    void setVolumes(const std::string& source, const std::map<std::uint32_t, float>& controls,
                    AudioServer::WriteDone done);

private:
    friend class PulseCallbacks;
    struct Write {
        std::string source;
        bool mute = false; // a mute write, else a volume write
        bool muted = false;
        std::map<std::uint32_t, float> controls;
        std::vector<std::uint32_t> volumes; // what was sent, for the mirror
        AudioServer::WriteDone done;
    };

    void connect();
    void connectionLost();
    void scheduleRetry();
    void startSync();
    void syncStepDone();
    void changed(bool changedMirror);
    void submit(Write write);
    void sendNext();
    void answered(bool success, int error);
    void failAll(SoundError error);

    SourceMirror& m_mirror;
    std::function<void()> m_onChange;
    std::unique_ptr<pa_threaded_mainloop, PulseMainloopDeleter> m_mainloop;
    pa_mainloop_api* m_api = nullptr;
    // Everything below belongs to the main loop thread (or to holders of its lock).
    std::unique_ptr<pa_context, PulseContextDeleter> m_context;
    std::unique_ptr<pa_context, PulseContextDeleter> m_retired;
    pa_time_event* m_retry = nullptr;
    std::chrono::milliseconds m_retryDelay;
    int m_syncSteps = 0;
    bool m_outage = false;
    std::unique_ptr<Write> m_inFlight;
    std::deque<Write> m_waiting;
    pa_time_event* m_stallTimer = nullptr;
    bool m_stallLogged = false;
};

} // namespace quietlane
