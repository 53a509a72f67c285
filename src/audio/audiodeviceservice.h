// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/audioserver.h"
#include "audio/deviceselection.h"
#include "audio/micstate.h"
#include "audio/muteintent.h"
#include "audio/volumefallback.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace quietlane {

class Preferences;
class SerialQueue;

/// Mutes and unmutes the selected input devices and publishes the state the server reports
/// for them. The sound server's reports and answers are handled on one worker thread of its
/// own; the public calls only queue work and return at once. Create, use and destroy it on
/// the main thread.
///
/// The last request wins (see MuteIntent), and devices that join the selection while the
/// user wants the microphone muted are muted too.
class AudioDeviceService {
public:
    /// Runs a task on the main thread, later and in posting order. Called from the worker.
    using MainThreadPoster = std::function<void(std::function<void()>)>;
    using StateHandler = std::function<void(const MicState&)>;

    AudioDeviceService(AudioServer& server, Preferences& preferences, MainThreadPoster postToMain);
    /// Stops watching the server and joins the worker; queued work is dropped.
    ~AudioDeviceService();
    AudioDeviceService(const AudioDeviceService&) = delete;
    AudioDeviceService& operator=(const AudioDeviceService&) = delete;

    /// Receives every computed state on the main thread; states arriving while it is unset
    /// are dropped.
    void setOnState(StateHandler handler) { m_onState = std::move(handler); }

    /// Starts following the server and publishes a first state. Only the first call
    /// counts: later selections go through setSelection.
    void start(DeviceSelection selection);
    void setSelection(DeviceSelection selection);
    /// Asks for this state. Ignored while no sound server is reachable: there is nothing
    /// to act on, and a press then must not come back to life later.
    void setMuted(bool muted);
    /// Asks for the opposite of our request still on its way, or else of what the server
    /// reports when the worker takes the request.
    void toggle();
    /// The last request while it is still on its way, otherwise the last published state.
    bool intendedMuted() const;
    /// What the last request asked for; once the server has answered it, as the worker
    /// took it (a toggle flips what the server reported at that moment).
    bool lastRequestedMuted() const { return m_requestedMuted; }

    /// Runs `onMain` on the main thread once the requests made so far have been answered by
    /// the server and the states they caused have been published. Lets callers wait
    /// without sleeping.
    void afterPendingWork(std::function<void()> onMain);

    /// The published state for these targets (public for the benchmark).
    static MicState computeState(const ServerState& server, const DeviceSelection& selection,
                                 const std::vector<const Source*>& targets);
    /// Whether every target that can be silenced is, and there is one.
    static bool reportsMuted(const std::vector<const Source*>& targets);

private:
    struct Relay;
    enum class Request { mute, unmute, toggle };

    // Worker thread only.
    void enqueue(std::function<void()> work);
    void serverChanged(ServerState state);
    void retarget(bool joining);
    void apply(Request request, std::uint64_t serial);
    void applyMuteTo(const Source& source, bool muted);
    void applyVolumeFallback(const Source& source, bool muted);
    void send(const std::function<void(AudioServer::WriteDone)>& write,
              std::function<void(std::optional<SoundError>)> answered);
    void publish();
    void releaseWaiters();
    std::vector<const Source*> targets() const;

    // Main thread only.
    void deliver(const MicState& state, std::uint64_t settledRequest, bool settledMuted);

    AudioServer& m_server;
    VolumeFallback m_fallback;
    MainThreadPoster m_postToMain;
    StateHandler m_onState;
    // Main-thread tasks hold this weakly; it dies first in teardown.
    std::shared_ptr<AudioDeviceService*> m_handle;
    const std::weak_ptr<AudioDeviceService*> m_weakHandle;
    // How the server's threads reach the worker; cut before the worker goes.
    std::shared_ptr<Relay> m_relay;
    std::atomic<bool> m_stopping = false;
    std::atomic<int> m_watch = -1;

    // Main thread only.
    std::uint64_t m_requestSerial = 0;
    std::uint64_t m_settledSerial = 0;
    bool m_requestedMuted = false;
    bool m_publishedMuted = false;
    bool m_publishedAvailable = true;

    // Worker thread only.
    ServerState m_state;
    DeviceSelection m_selection;
    std::vector<std::string> m_targets;
    bool m_started = false;
    std::uint64_t m_appliedSerial = 0;
    bool m_appliedMuted = false;
    MuteIntent m_intent;
    std::vector<std::function<void()>> m_waiters;

    std::unique_ptr<SerialQueue> m_queue;
};

} // namespace quietlane
