// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/deviceselection.h"
#include "audio/halbackend.h"
#include "audio/micstate.h"
#include "audio/mutepersistence.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quietlane {

class Preferences;
class SerialQueue;

/// Mutes and unmutes the selected input devices and publishes the state read back from
/// them. Every HAL call and listener callback runs on one worker thread of its own; the
/// public calls only queue work and return at once. Create, use and destroy it on the main
/// thread.
///
/// The last request wins: requests that have not reached the server yet are replaced by
/// later ones, a toggle builds on a request still on its way rather than on a published
/// state that lags behind it, and devices that join the selection while the user wants
/// the microphone muted are muted too.
class AudioDeviceService {
public:
    /// Runs a task on the main thread, later and in posting order. Called from the worker.
    using MainThreadPoster = std::function<void(std::function<void()>)>;
    using StateHandler = std::function<void(const MicState&)>;

    /// PipeWire's pulse server can confirm a write and then let an earlier one land on
    /// top. A state that falls back to our earlier request this soon after both is taken
    /// for that and gets the latest request again; anything else is another
    /// application's choice.
    static constexpr std::chrono::milliseconds kReapplyWindow{300};

    AudioDeviceService(HalBackend& hal, Preferences& preferences, MainThreadPoster postToMain);
    /// Unregisters every listener and joins the worker; queued work is dropped.
    ~AudioDeviceService();
    AudioDeviceService(const AudioDeviceService&) = delete;
    AudioDeviceService& operator=(const AudioDeviceService&) = delete;

    /// Receives every computed state on the main thread; states arriving while it is unset
    /// are dropped.
    void setOnState(StateHandler handler) { m_onState = std::move(handler); }

    /// Installs the device-list and default-input listeners and publishes a first state.
    /// Only the first call counts: later selections go through setSelection.
    void start(DeviceSelection selection);
    void setSelection(DeviceSelection selection);
    /// Asks for this state. Ignored while no sound server is reachable: there is nothing
    /// to act on, and a press then must not come back to life later.
    void setMuted(bool muted);
    /// Asks for the opposite of intendedMuted().
    void toggle();
    /// The last request while it is still on its way, otherwise the last published state.
    bool intendedMuted() const;

    /// Runs `onMain` on the main thread after the work queued so far, the notifications
    /// that work caused, and the states they published. Lets callers wait without sleeping.
    void afterPendingWork(std::function<void()> onMain);

    /// One state computation for the given targets. Runs HAL calls: worker thread only
    /// (public for the benchmark).
    static MicState computeState(HalBackend& hal, const DeviceSelection& selection,
                                 const std::vector<AudioObjectID>& targets);

private:
    struct Token {
        AudioObjectID object;
        PropertyAddress address;
        ListenerBlock listener;
    };

    // Worker thread only.
    void enqueue(std::function<void()> work);
    void installSystemListeners();
    /// `joining` mutes devices that joined the selection when the user wants it muted.
    void resync(bool joining);
    void applyLatestRequest();
    void muteJoiningTargets(const std::set<std::string>& previousUIDs);
    void installDeviceListeners();
    void removeDeviceListeners();
    void removeAllListeners();
    void publish();
    void applyMute(bool muted);
    void applyMuteTo(AudioObjectID target, const std::string& uid, bool muted);
    bool isTargetMuted(AudioObjectID target);
    void applyVolumeFallback(AudioObjectID id, const std::string& uid, bool muted);
    bool registerListener(AudioObjectID object, const PropertyAddress& address,
                          std::function<void(AudioDeviceService&)> action,
                          std::vector<Token>& tokens);

    // Main thread only.
    void deliver(const MicState& state, std::uint64_t settledRequest);

    HalBackend& m_hal;
    MutePersistence m_persistence;
    MainThreadPoster m_postToMain;
    StateHandler m_onState;
    // Main-thread tasks and listeners hold this weakly; it dies first in teardown.
    std::shared_ptr<AudioDeviceService*> m_handle;
    const std::weak_ptr<AudioDeviceService*> m_weakHandle;
    std::atomic<bool> m_stopping = false;
    // The newest request: its serial number shifted left once, the wanted state in bit 0.
    // The worker applies whatever is newest when it gets there, so requests that pile
    // up behind a slow server collapse into one.
    std::atomic<std::uint64_t> m_latestRequest = 0;

    // Main thread only.
    std::uint64_t m_requestSerial = 0;
    std::uint64_t m_settledSerial = 0;
    bool m_requestedMuted = false;
    bool m_publishedMuted = false;
    bool m_publishedAvailable = true;

    // Owned by the worker thread.
    DeviceSelection m_selection;
    std::vector<AudioObjectID> m_targets;
    std::set<std::string> m_targetUIDs;
    bool m_reachableAtResync = true;
    bool m_started = false;
    std::uint64_t m_appliedSerial = 0;
    // What the user wants: the last request, or the server's state once another
    // application changed it. Nothing until either is known.
    std::optional<bool> m_intent;
    // The two latest requests applied: a state that falls back to the earlier one right
    // after both is the server's reordering, not another application.
    std::chrono::steady_clock::time_point m_lastWrite;
    std::chrono::steady_clock::time_point m_earlierWrite;
    bool m_earlierIntent = false;
    int m_reappliesLeft = 0;
    bool m_stallLogged = false;
    std::vector<Token> m_deviceListeners;
    std::vector<Token> m_systemListeners;

    std::unique_ptr<SerialQueue> m_queue;
};

} // namespace quietlane
