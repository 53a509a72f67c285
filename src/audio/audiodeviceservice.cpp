// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/audiodeviceservice.h"

#include "audio/audioinputdevice.h"
#include "audio/serialqueue.h"
#include "base/log.h"

#include <algorithm>
#include <future>
#include <mutex>

namespace quietlane {

// The server calls back on threads of its own. Holding this lock while handing work to the
// worker is what lets teardown be sure that nothing is handed over once it has cut the link.
struct AudioDeviceService::Relay {
    std::mutex mutex;
    AudioDeviceService* service = nullptr;

    void post(std::function<void(AudioDeviceService&)> work) {
        std::lock_guard lock(mutex);
        if (service)
            service->enqueue([target = service, work = std::move(work)] { work(*target); });
    }
};

AudioDeviceService::AudioDeviceService(AudioServer& server, Preferences& preferences,
                                       MainThreadPoster postToMain)
    : m_server(server), m_fallback(preferences), m_postToMain(std::move(postToMain)),
      m_handle(std::make_shared<AudioDeviceService*>(this)), m_weakHandle(m_handle),
      m_relay(std::make_shared<Relay>()),
      m_queue(std::make_unique<SerialQueue>("quietlane-audio")) {
    m_relay->service = this;
}

AudioDeviceService::~AudioDeviceService() {
    // States already posted to the main thread find the handle gone and are dropped.
    m_handle.reset();
    m_stopping = true;
    // Reports and answers still on their way find the link cut; the worker finishes the
    // item in progress and drops the rest.
    {
        std::lock_guard lock(m_relay->mutex);
        m_relay->service = nullptr;
    }
    m_queue.reset();
    if (m_watch >= 0)
        m_server.unwatch(m_watch);
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
        m_watch = m_server.watch([relay = m_relay](const ServerState& state) {
            relay->post([state](AudioDeviceService& service) { service.serverChanged(state); });
        });
        // A change between watching and this read arrives once more as a report: harmless.
        m_state = m_server.state();
        retarget(false);
        publish();
    });
}

void AudioDeviceService::setSelection(DeviceSelection selection) {
    enqueue([this, selection = std::move(selection)]() mutable {
        m_selection = std::move(selection);
        if (!m_started)
            m_state = m_server.state();
        retarget(false);
        publish();
    });
}

void AudioDeviceService::setMuted(bool muted) {
    if (!m_publishedAvailable)
        return;
    m_requestedMuted = muted;
    const std::uint64_t serial = ++m_requestSerial;
    m_queue->async([this, muted, serial] {
        if (!m_stopping)
            apply(muted ? Request::mute : Request::unmute, serial);
    });
}

void AudioDeviceService::toggle() {
    if (!m_publishedAvailable)
        return;
    m_requestedMuted = !intendedMuted();
    const std::uint64_t serial = ++m_requestSerial;
    m_queue->async([this, serial] {
        if (!m_stopping)
            apply(Request::toggle, serial);
    });
}

bool AudioDeviceService::intendedMuted() const {
    return m_settledSerial < m_requestSerial ? m_requestedMuted : m_publishedMuted;
}

void AudioDeviceService::afterPendingWork(std::function<void()> onMain) {
    enqueue([this, onMain = std::move(onMain)]() mutable {
        m_waiters.push_back(std::move(onMain));
        if (!m_intent.awaitingAnswers())
            releaseWaiters();
    });
}

void AudioDeviceService::releaseWaiters() {
    for (auto& waiter : m_waiters) {
        m_postToMain([weak = m_weakHandle, waiter = std::move(waiter)] {
            if (!weak.expired())
                waiter();
        });
    }
    m_waiters.clear();
}

std::vector<const Source*> AudioDeviceService::targets() const {
    std::vector<const Source*> sources;
    for (const std::string& name : m_targets) {
        if (const Source* source = m_state.find(name))
            sources.push_back(source);
    }
    return sources;
}

void AudioDeviceService::serverChanged(ServerState state) {
    if (state == m_state)
        return;
    m_state = std::move(state);
    retarget(true);
    publish();
}

void AudioDeviceService::retarget(bool joining) {
    std::vector<std::string> previous = std::move(m_targets);
    m_targets.clear();
    for (const Source* source : resolveTargets(m_state, m_selection))
        m_targets.push_back(source->name);
    // A microphone that joins the selection (plugged in, back with the server, a new
    // default) while the user wants it muted is muted too; an unmute is never pushed.
    if (!joining || m_intent.wanted() != true)
        return;
    for (const Source* source : targets()) {
        if (std::find(previous.begin(), previous.end(), source->name) == previous.end() &&
            !VolumeFallback::isMuted(*source))
            applyMuteTo(*source, true);
    }
}

void AudioDeviceService::apply(Request request, std::uint64_t serial) {
    m_appliedSerial = serial;
    const auto sources = targets();
    bool muted = request == Request::mute;
    if (request == Request::toggle)
        muted = m_intent.toggled(reportsMuted(sources));
    m_intent.request(muted);
    m_appliedMuted = muted;
    for (const Source* source : sources)
        applyMuteTo(*source, muted);
    if (!m_intent.awaitingAnswers()) {
        publish();
        releaseWaiters();
    }
}

void AudioDeviceService::send(const std::function<void(AudioServer::WriteDone)>& write,
                              std::function<void(std::optional<SoundError>)> answered) {
    m_intent.writeSent();
    write([relay = m_relay, answered = std::move(answered)](std::optional<SoundError> error) {
        relay->post([answered, error](AudioDeviceService& service) {
            service.m_intent.writeAnswered();
            answered(error);
            if (!service.m_intent.awaitingAnswers()) {
                service.publish();
                service.releaseWaiters();
            }
        });
    });
}

void AudioDeviceService::applyMuteTo(const Source& source, bool muted) {
    if (!source.canMute()) {
        applyVolumeFallback(source, muted);
        return;
    }
    send([&](AudioServer::WriteDone done) { m_server.setMuted(source.name, muted, done); },
         [uid = source.name](std::optional<SoundError> error) {
             if (error && error != SoundError::superseded)
                 Log::error(Log::Category::audio, "setMute failed: %s for %s", describe(*error),
                            uid.c_str());
         });
}

void AudioDeviceService::applyVolumeFallback(const Source& source, bool muted) {
    auto write = muted ? m_fallback.silence(source) : m_fallback.restore(source);
    if (!write)
        return;
    send(
        [&](AudioServer::WriteDone done) {
            m_server.setVolumes(source.name, write->volumes, done);
        },
        [this, muted, uid = source.name, write = *write](std::optional<SoundError> error) {
            if (!muted)
                m_fallback.restored(uid, write, error);
        });
}

bool AudioDeviceService::reportsMuted(const std::vector<const Source*>& targets) {
    // Only targets that mute can act on decide the state: a device with neither control
    // would otherwise keep the state unmuted for ever, and every toggle would mute again.
    bool anySilenceable = false;
    for (const Source* target : targets) {
        if (!target->canMute() && settableVolumeElements(*target).empty())
            continue;
        anySilenceable = true;
        if (!VolumeFallback::isMuted(*target))
            return false;
    }
    return anySilenceable;
}

MicState AudioDeviceService::computeState(const ServerState& server,
                                          const DeviceSelection& selection,
                                          const std::vector<const Source*>& targets) {
    MicState state;
    state.isAvailable = server.reachable;
    state.usingVolumeFallback = std::any_of(
        targets.begin(), targets.end(), [](const Source* target) { return !target->canMute(); });
    state.isMuted = reportsMuted(targets);
    state.activeDeviceName = activeDeviceName(selection, targets);
    state.devices = enumerateInputDevices(server);
    return state;
}

void AudioDeviceService::publish() {
    const auto sources = targets();
    MicState state = computeState(m_state, m_selection, sources);
    if (state.isAvailable && !sources.empty())
        m_intent.reported(state.isMuted);
    const std::uint64_t settled = m_intent.awaitingAnswers() ? 0 : m_appliedSerial;
    m_postToMain([weak = m_weakHandle, state = std::move(state), settled, muted = m_appliedMuted] {
        if (const auto handle = weak.lock())
            (*handle)->deliver(state, settled, muted);
    });
}

void AudioDeviceService::deliver(const MicState& state, std::uint64_t settledRequest,
                                 bool settledMuted) {
    m_settledSerial = std::max(m_settledSerial, settledRequest);
    if (settledRequest == m_requestSerial && settledRequest > 0)
        m_requestedMuted = settledMuted;
    m_publishedAvailable = state.isAvailable;
    if (state.isAvailable)
        m_publishedMuted = state.isMuted;
    if (m_onState)
        m_onState(state);
}

} // namespace quietlane
