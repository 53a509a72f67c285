// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/audiodeviceservice.h"

#include "audio/audiohal.h"
#include "audio/audioinputdevice.h"
#include "audio/serialqueue.h"
#include "base/log.h"

#include <future>

namespace quietlane {

namespace {

// A volume this low is inaudible; sound servers rarely report an exact 0 after rounding.
constexpr float kSilentVolume = 0.0001f;

constexpr int kReappliesPerRequest = 2;

bool isReachable(HalBackend& hal) {
    std::uint32_t size = 0;
    return hal.getPropertyDataSize(kAudioObjectSystemObject, AudioHAL::kDevicesAddress, size) !=
           HalStatus::notRunning;
}

bool isSilenced(HalBackend& hal, AudioObjectID id, const std::vector<std::uint32_t>& elements) {
    for (std::uint32_t element : elements) {
        if (!hal.hasProperty(id, AudioHAL::volumeAddress(element)))
            return false;
        const auto volume = AudioHAL::readVolume(hal, id, element);
        if (!volume || *volume > kSilentVolume)
            return false;
    }
    return true;
}

} // namespace

AudioDeviceService::AudioDeviceService(HalBackend& hal, Preferences& preferences,
                                       MainThreadPoster postToMain)
    : m_hal(hal), m_persistence(preferences), m_postToMain(std::move(postToMain)),
      m_handle(std::make_shared<AudioDeviceService*>(this)), m_weakHandle(m_handle),
      m_queue(std::make_unique<SerialQueue>("com.quietlane.hal")) {}

AudioDeviceService::~AudioDeviceService() {
    // States already posted to the main thread find the handle gone and are dropped.
    m_handle.reset();
    m_stopping = true;
    // The tokens belong to the worker, so it unregisters them itself. Everything queued
    // before this item returns at once, so the wait is at most the item in progress.
    std::promise<void> unregistered;
    m_queue->async([this, &unregistered] {
        removeAllListeners();
        unregistered.set_value();
    });
    unregistered.get_future().wait();
    m_queue.reset();
}

void AudioDeviceService::enqueue(std::function<void()> work) {
    m_queue->async([this, work = std::move(work)] {
        if (!m_stopping)
            work();
    });
}

void AudioDeviceService::start(DeviceSelection selection) {
    enqueue([this, selection = std::move(selection)]() mutable {
        if (m_started)
            return;
        m_started = true;
        m_selection = std::move(selection);
        installSystemListeners();
        resync(false);
    });
}

void AudioDeviceService::setSelection(DeviceSelection selection) {
    enqueue([this, selection = std::move(selection)]() mutable {
        m_selection = std::move(selection);
        resync(false);
    });
}

void AudioDeviceService::setMuted(bool muted) {
    if (!m_publishedAvailable)
        return;
    m_requestedMuted = muted;
    ++m_requestSerial;
    m_latestRequest = (m_requestSerial << 1) | (muted ? 1 : 0);
    enqueue([this] { applyLatestRequest(); });
}

void AudioDeviceService::toggle() {
    setMuted(!intendedMuted());
}

bool AudioDeviceService::intendedMuted() const {
    return m_settledSerial < m_requestSerial ? m_requestedMuted : m_publishedMuted;
}

void AudioDeviceService::applyLatestRequest() {
    const std::uint64_t request = m_latestRequest;
    // An earlier item already applied this request along with the ones before it.
    if ((request >> 1) <= m_appliedSerial)
        return;
    m_appliedSerial = request >> 1;
    m_earlierIntent = m_intent.value_or(false);
    m_earlierWrite = m_lastWrite;
    m_intent = (request & 1) != 0;
    // A write the server refused right away is not retried: the state this publishes
    // shows the failure, and it becomes the intent.
    m_reappliesLeft = 0;
    applyMute(*m_intent);
    m_lastWrite = std::chrono::steady_clock::now();
    publish();
    m_reappliesLeft = kReappliesPerRequest;
}

void AudioDeviceService::afterPendingWork(std::function<void()> onMain) {
    // Writes queue their notifications behind the item that made them, so one more hop
    // through the queue lets those run too before the task reaches the main thread.
    enqueue([this, onMain = std::move(onMain)]() mutable {
        enqueue([this, onMain = std::move(onMain)]() mutable {
            m_postToMain([weak = m_weakHandle, onMain = std::move(onMain)] {
                if (!weak.expired())
                    onMain();
            });
        });
    });
}

bool AudioDeviceService::registerListener(AudioObjectID object, const PropertyAddress& address,
                                          std::function<void(AudioDeviceService&)> action,
                                          std::vector<Token>& tokens) {
    auto listener = std::make_shared<const std::function<void()>>(
        [weak = m_weakHandle, action = std::move(action)] {
            const auto handle = weak.lock();
            if (!handle || (*handle)->m_stopping)
                return;
            action(**handle);
        });
    if (m_hal.addPropertyListener(object, address, *m_queue, listener) != HalStatus::ok)
        return false;
    tokens.push_back({object, address, std::move(listener)});
    return true;
}

void AudioDeviceService::installSystemListeners() {
    const auto resyncAction = [](AudioDeviceService& service) {
        service.resync(true);
    };
    registerListener(kAudioObjectSystemObject, AudioHAL::kDefaultInputAddress, resyncAction,
                     m_systemListeners);
    registerListener(kAudioObjectSystemObject, AudioHAL::kDevicesAddress, resyncAction,
                     m_systemListeners);
}

void AudioDeviceService::resync(bool joining) {
    removeDeviceListeners();
    // A state is only as good as the targets it was computed for: targets resolved while
    // the server was away are no targets at all, whatever the server says meanwhile.
    m_reachableAtResync = isReachable(m_hal);
    m_targets = resolveTargets(m_hal, m_selection);
    installDeviceListeners();
    std::set<std::string> previousUIDs = std::move(m_targetUIDs);
    m_targetUIDs.clear();
    for (AudioObjectID target : m_targets) {
        if (auto uid = AudioHAL::deviceUID(m_hal, target))
            m_targetUIDs.insert(std::move(*uid));
    }
    if (joining)
        muteJoiningTargets(previousUIDs);
    publish();
}

void AudioDeviceService::muteJoiningTargets(const std::set<std::string>& previousUIDs) {
    if (m_intent != true)
        return;
    for (AudioObjectID target : m_targets) {
        const auto uid = AudioHAL::deviceUID(m_hal, target);
        if (uid && !previousUIDs.contains(*uid) && !isTargetMuted(target))
            applyMuteTo(target, *uid, true);
    }
}

void AudioDeviceService::installDeviceListeners() {
    const auto publishAction = [](AudioDeviceService& service) {
        service.publish();
    };
    for (AudioObjectID target : m_targets) {
        registerListener(target, AudioHAL::kMuteAddress, publishAction, m_deviceListeners);
        // Channel volumes are not watched: the main element is what a mixer moves.
        registerListener(target, AudioHAL::volumeAddress(kElementMain), publishAction,
                         m_deviceListeners);
    }
}

void AudioDeviceService::removeDeviceListeners() {
    for (const Token& token : m_deviceListeners)
        m_hal.removePropertyListener(token.object, token.address, *m_queue, token.listener);
    m_deviceListeners.clear();
}

void AudioDeviceService::removeAllListeners() {
    removeDeviceListeners();
    for (const Token& token : m_systemListeners)
        m_hal.removePropertyListener(token.object, token.address, *m_queue, token.listener);
    m_systemListeners.clear();
}

MicState AudioDeviceService::computeState(HalBackend& hal, const DeviceSelection& selection,
                                          const std::vector<AudioObjectID>& targets) {
    MicState state;
    state.isAvailable = isReachable(hal);
    // Only targets that mute can act on decide the state: a device with neither control,
    // or one whose UID cannot be read (mute leaves it alone), would otherwise keep the
    // state unmuted for ever, and every toggle would mute again.
    bool anySilenceable = false;
    bool allMuted = true;
    for (AudioObjectID target : targets) {
        if (!AudioHAL::deviceUID(hal, target))
            continue;
        if (AudioHAL::hasSettableMute(hal, target)) {
            anySilenceable = true;
            if (allMuted) {
                const auto mute = AudioHAL::readMute(hal, target);
                allMuted = mute && *mute != 0;
            }
            continue;
        }
        state.usingVolumeFallback = true;
        const auto elements = AudioHAL::settableVolumeElements(hal, target);
        if (elements.empty())
            continue;
        anySilenceable = true;
        if (allMuted)
            allMuted = isSilenced(hal, target, elements);
    }
    state.isMuted = anySilenceable && allMuted;
    state.activeDeviceName = activeDeviceName(hal, selection, targets);
    state.devices = enumerateInputDevices(hal);
    return state;
}

void AudioDeviceService::publish() {
    MicState state = computeState(m_hal, m_selection, m_targets);
    state.isAvailable = state.isAvailable && m_reachableAtResync;
    const bool decisive = state.isAvailable && !m_targets.empty();
    if (decisive && m_intent && state.isMuted != *m_intent) {
        const bool fellBack = state.isMuted == m_earlierIntent &&
                              std::chrono::steady_clock::now() - m_earlierWrite < kReapplyWindow;
        if (m_reappliesLeft > 0 && fellBack) {
            --m_reappliesLeft;
            applyMute(*m_intent);
            m_lastWrite = std::chrono::steady_clock::now();
            state = computeState(m_hal, m_selection, m_targets);
        }
    }
    // Past the window a different state is someone else's choice, and it becomes what
    // devices joining later follow.
    if (decisive)
        m_intent = state.isMuted;
    m_postToMain([weak = m_weakHandle, state = std::move(state), settled = m_appliedSerial] {
        if (const auto handle = weak.lock())
            (*handle)->deliver(state, settled);
    });
}

void AudioDeviceService::deliver(const MicState& state, std::uint64_t settledRequest) {
    m_settledSerial = std::max(m_settledSerial, settledRequest);
    m_publishedAvailable = state.isAvailable;
    if (state.isAvailable)
        m_publishedMuted = state.isMuted;
    if (m_onState)
        m_onState(state);
}

void AudioDeviceService::applyMute(bool muted) {
    for (AudioObjectID target : m_targets) {
        // Stops a quit from waiting for the rest of a slow all-inputs round.
        if (m_stopping)
            return;
        if (const auto uid = AudioHAL::deviceUID(m_hal, target))
            applyMuteTo(target, *uid, muted);
    }
}

void AudioDeviceService::applyMuteTo(AudioObjectID target, const std::string& uid, bool muted) {
    if (!AudioHAL::hasSettableMute(m_hal, target)) {
        applyVolumeFallback(target, uid, muted);
        return;
    }
    const OSStatus status =
        m_hal.setPropertyData(target, AudioHAL::kMuteAddress, std::uint32_t(muted ? 1 : 0));
    // A stalled server would otherwise add a line for every press until it is back.
    if (status == HalStatus::timedOut && m_stallLogged)
        return;
    m_stallLogged = status == HalStatus::timedOut;
    if (status != HalStatus::ok)
        Log::error(Log::Category::audio, "setMute failed: %s for %s",
                   AudioHAL::describeStatus(status).c_str(), uid.c_str());
}

bool AudioDeviceService::isTargetMuted(AudioObjectID target) {
    if (AudioHAL::hasSettableMute(m_hal, target)) {
        const auto mute = AudioHAL::readMute(m_hal, target);
        return mute && *mute != 0;
    }
    const auto elements = AudioHAL::settableVolumeElements(m_hal, target);
    return !elements.empty() && isSilenced(m_hal, target, elements);
}

void AudioDeviceService::applyVolumeFallback(AudioObjectID id, const std::string& uid, bool muted) {
    const auto elements = AudioHAL::settableVolumeElements(m_hal, id);
    if (elements.empty()) {
        Log::error(Log::Category::audio, "no settable mute or volume for %s", uid.c_str());
        return;
    }

    if (muted) {
        // The saved volumes must be on disk before any zero is written: a crash in between
        // would otherwise lose the user's levels for good.
        MutePersistence::Snapshot snapshot;
        std::vector<std::uint32_t> readable;
        for (std::uint32_t element : elements) {
            if (!m_hal.hasProperty(id, AudioHAL::volumeAddress(element)))
                continue;
            const auto volume = AudioHAL::readVolume(m_hal, id, element);
            // A level that could not be read could not be restored either.
            if (!volume)
                continue;
            if (*volume > 0.0f)
                snapshot[element] = *volume;
            readable.push_back(element);
        }
        if (!m_persistence.save(uid, snapshot)) {
            Log::error(Log::Category::audio,
                       "could not save the input volume of %s; left it unmuted", uid.c_str());
            return;
        }
        for (std::uint32_t element : readable)
            m_hal.setPropertyData(id, AudioHAL::volumeAddress(element), 0.0f);
        return;
    }

    const auto snapshot = m_persistence.load(uid);
    OSStatus failure = HalStatus::ok;
    for (std::uint32_t element : elements) {
        std::optional<float> saved;
        if (snapshot) {
            if (auto entry = snapshot->find(element); entry != snapshot->end())
                saved = entry->second;
        }
        if (!saved) {
            // Nothing saved and still audible: we never silenced this element (say a second
            // unmute queued before the first one's state arrived), and full volume would
            // overwrite the user's level.
            const auto current = AudioHAL::readVolume(m_hal, id, element);
            if (current && *current > kSilentVolume)
                continue;
        }
        const float volume = saved.value_or(1.0f);
        const OSStatus status = m_hal.setPropertyData(id, AudioHAL::volumeAddress(element), volume);
        if (status != HalStatus::ok)
            failure = status;
    }
    // The saved entry is the only copy of the user's levels until they are back.
    if (failure != HalStatus::ok) {
        Log::error(Log::Category::audio, "restoring the input volume failed: %s for %s",
                   AudioHAL::describeStatus(failure).c_str(), uid.c_str());
        return;
    }
    m_persistence.remove(uid);
}

} // namespace quietlane
