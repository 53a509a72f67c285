// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/deviceselection.h"
#include "audio/halbackend.h"
#include "audio/micstate.h"
#include "audio/mutepersistence.h"

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace quietlane {

class Preferences;
class SerialQueue;

/// Mutes and unmutes the selected input devices and publishes the state read back from
/// them. Every HAL call and listener callback runs on one worker thread of its own; the
/// public calls only queue work and return at once. Create, use and destroy it on the main
/// thread.
class AudioDeviceService {
public:
    /// Runs a task on the main thread, later and in posting order. Called from the worker.
    using MainThreadPoster = std::function<void(std::function<void()>)>;
    using StateHandler = std::function<void(const MicState&)>;

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
    void setMuted(bool muted);

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
    void resync();
    void installDeviceListeners();
    void removeDeviceListeners();
    void removeAllListeners();
    void publish();
    void applyMute(bool muted);
    void applyVolumeFallback(AudioObjectID id, const std::string& uid, bool muted);
    bool registerListener(AudioObjectID object, const PropertyAddress& address,
                          std::function<void(AudioDeviceService&)> action,
                          std::vector<Token>& tokens);

    // Main thread only.
    void deliver(const MicState& state);

    HalBackend& m_hal;
    MutePersistence m_persistence;
    MainThreadPoster m_postToMain;
    StateHandler m_onState;
    // Main-thread tasks and listeners hold this weakly; it dies first in teardown.
    std::shared_ptr<AudioDeviceService*> m_handle;
    const std::weak_ptr<AudioDeviceService*> m_weakHandle;
    std::atomic<bool> m_stopping = false;

    // Owned by the worker thread.
    DeviceSelection m_selection;
    std::vector<AudioObjectID> m_targets;
    bool m_started = false;
    std::vector<Token> m_deviceListeners;
    std::vector<Token> m_systemListeners;

    std::unique_ptr<SerialQueue> m_queue;
};

} // namespace quietlane
