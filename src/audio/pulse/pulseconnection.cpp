// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/pulse/pulseconnection.h"

#include "base/log.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <stdexcept>

namespace quietlane {

namespace {

using namespace std::chrono_literals;

constexpr auto kFirstRetryDelay = 100ms;
// Short enough that the shortcut works again within half a second of the server's
// return; an attempt is one failed connect() on a local socket, so idling stays cheap.
constexpr auto kLongestRetryDelay = 400ms;
// Past this an unanswered write is worth a line in the journal; it still waits for the
// answer, because the server applies it when it wakes up.
constexpr auto kStallReport = 2000ms;

// Requests whose answer arrives through a callback need no handle of their own.
void detach(pa_operation* operation) {
    if (operation)
        pa_operation_unref(operation);
}

PulseSource sourceOf(const pa_source_info& info) {
    PulseSource source;
    source.index = info.index;
    source.name = info.name ? info.name : "";
    source.description = info.description ? info.description : source.name;
    const unsigned channels = std::min<unsigned>(info.channel_map.channels, info.volume.channels);
    source.volumes.assign(info.volume.values, info.volume.values + channels);
    source.muted = info.mute != 0;
    return source;
}

bool isMonitor(const pa_source_info& info) {
    return info.monitor_of_sink != PA_INVALID_INDEX;
}

} // namespace

void PulseMainloopDeleter::operator()(pa_threaded_mainloop* mainloop) const {
    pa_threaded_mainloop_free(mainloop);
}

void PulseContextDeleter::operator()(pa_context* context) const {
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_set_subscribe_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
}

// libpulse calls these on the main loop thread with its lock held.
class PulseCallbacks {
public:
    static PulseConnection* current(pa_context* context, void* userdata) {
        auto* connection = static_cast<PulseConnection*>(userdata);
        // A context that was already given up must not touch the mirror.
        return context == connection->m_context.get() ? connection : nullptr;
    }

    static void contextState(pa_context* context, void* userdata) {
        PulseConnection* connection = current(context, userdata);
        if (!connection)
            return;
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            connection->startSync();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            connection->connectionLost();
            break;
        default:
            break;
        }
    }

    static void subscription(pa_context* context, pa_subscription_event_type_t event,
                             std::uint32_t index, void* userdata) {
        PulseConnection* connection = current(context, userdata);
        if (!connection)
            return;
        const auto facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const auto type = event & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
            detach(pa_context_get_server_info(context, serverInfo, userdata));
        } else if (facility == PA_SUBSCRIPTION_EVENT_SOURCE) {
            if (type == PA_SUBSCRIPTION_EVENT_REMOVE)
                connection->changed(connection->m_mirror.remove(index));
            else
                detach(pa_context_get_source_info_by_index(context, index, sourceInfo, userdata));
        }
    }

    static void sourceInfo(pa_context* context, const pa_source_info* info, int eol,
                           void* userdata) {
        PulseConnection* connection = current(context, userdata);
        // An error instead of the info means the source vanished before the answer; its
        // removal event is on its way.
        if (!connection || eol || !info || isMonitor(*info))
            return;
        connection->changed(connection->m_mirror.update(sourceOf(*info)));
    }

    static void sourceList(pa_context* context, const pa_source_info* info, int eol,
                           void* userdata) {
        PulseConnection* connection = current(context, userdata);
        if (!connection)
            return;
        if (eol) {
            connection->syncStepDone();
            return;
        }
        if (info && !isMonitor(*info))
            connection->changed(connection->m_mirror.update(sourceOf(*info)));
    }

    static void serverInfo(pa_context* context, const pa_server_info* info, void* userdata) {
        PulseConnection* connection = current(context, userdata);
        if (!connection || !info)
            return;
        const char* name = info->default_source_name;
        connection->changed(connection->m_mirror.setDefaultSourceName(name ? name : ""));
    }

    static void initialServerInfo(pa_context* context, const pa_server_info* info, void* userdata) {
        serverInfo(context, info, userdata);
        if (PulseConnection* connection = current(context, userdata))
            connection->syncStepDone();
    }

    static void writeDone(pa_context* context, int success, void* userdata) {
        if (PulseConnection* connection = current(context, userdata))
            connection->answered(success != 0, pa_context_errno(context));
    }

    static void stalled(pa_mainloop_api* api, pa_time_event* event, const timeval*,
                        void* userdata) {
        auto* connection = static_cast<PulseConnection*>(userdata);
        api->time_free(event);
        connection->m_stallTimer = nullptr;
        // One line per outage, not one per press made while it lasts.
        if (!connection->m_stallLogged && connection->m_inFlight)
            Log::error(Log::Category::audio, "%s for %s; still waiting for it",
                       describe(SoundError::timedOut), connection->m_inFlight->source.c_str());
        connection->m_stallLogged = true;
    }

    static void retry(pa_mainloop_api* api, pa_time_event* event, const timeval*, void* userdata) {
        auto* connection = static_cast<PulseConnection*>(userdata);
        api->time_free(event);
        connection->m_retry = nullptr;
        connection->m_retired.reset();
        connection->connect();
    }
};

PulseConnection::PulseConnection(SourceMirror& mirror, std::function<void()> onChange)
    : m_mirror(mirror), m_onChange(std::move(onChange)), m_retryDelay(kFirstRetryDelay) {
    m_mainloop.reset(pa_threaded_mainloop_new());
    if (!m_mainloop)
        throw std::runtime_error("cannot create the sound server client's main loop");
    m_api = pa_threaded_mainloop_get_api(m_mainloop.get());
    pa_threaded_mainloop_set_name(m_mainloop.get(), "quietlane-pulse");
    if (pa_threaded_mainloop_start(m_mainloop.get()) < 0)
        throw std::runtime_error("cannot start the sound server client's thread");
    pa_threaded_mainloop_lock(m_mainloop.get());
    connect();
    pa_threaded_mainloop_unlock(m_mainloop.get());
}

PulseConnection::~PulseConnection() {
    pa_threaded_mainloop_lock(m_mainloop.get());
    if (m_retry)
        m_api->time_free(m_retry);
    if (m_stallTimer)
        m_api->time_free(m_stallTimer);
    m_stallTimer = nullptr;
    failAll(SoundError::unreachable);
    m_context.reset();
    m_retired.reset();
    pa_threaded_mainloop_unlock(m_mainloop.get());
    pa_threaded_mainloop_stop(m_mainloop.get());
}

void PulseConnection::connect() {
    // The library name is what other mixers show for this client.
    m_context.reset(pa_context_new(m_api, "Quietlane"));
    if (!m_context) {
        m_mirror.noteFailure("cannot create a sound server client");
        scheduleRetry();
        return;
    }
    pa_context_set_state_callback(m_context.get(), PulseCallbacks::contextState, this);
    // No autospawn: starting a sound server is the session's job, and a server spawned
    // behind the user's back would hide the one that really went away. A null server
    // honours PULSE_SERVER and the client configuration, as every other client does.
    if (pa_context_connect(m_context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 &&
        m_context)
        connectionLost();
}

void PulseConnection::connectionLost() {
    const std::string reason = pa_strerror(pa_context_errno(m_context.get()));
    // Kept until the retry: this may run inside a call on the context itself.
    m_retired = std::move(m_context);
    m_syncSteps = 0;
    if (m_stallTimer)
        m_api->time_free(m_stallTimer);
    m_stallTimer = nullptr;
    m_stallLogged = false;
    changed(m_mirror.clear());
    failAll(SoundError::unreachable);
    m_mirror.noteFailure(reason);
    if (!m_outage) {
        m_outage = true;
        Log::error(Log::Category::audio, "sound server unreachable: %s; reconnecting",
                   reason.c_str());
    }
    scheduleRetry();
}

void PulseConnection::scheduleRetry() {
    timeval when{};
    pa_gettimeofday(&when);
    pa_timeval_add(&when, pa_usec_t(std::chrono::microseconds(m_retryDelay).count()));
    m_retry = m_api->time_new(m_api, &when, PulseCallbacks::retry, this);
    m_retryDelay = std::min<std::chrono::milliseconds>(m_retryDelay * 2, kLongestRetryDelay);
}

void PulseConnection::startSync() {
    pa_context* context = m_context.get();
    pa_context_set_subscribe_callback(context, PulseCallbacks::subscription, this);
    // Subscribing before listing: a change between the two then shows up as an event
    // after a listing that may already contain it, never as a gap.
    detach(pa_context_subscribe(
        context, pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SERVER),
        nullptr, nullptr));
    m_syncSteps = 2;
    detach(pa_context_get_server_info(context, PulseCallbacks::initialServerInfo, this));
    detach(pa_context_get_source_info_list(context, PulseCallbacks::sourceList, this));
}

void PulseConnection::syncStepDone() {
    if (m_syncSteps == 0 || --m_syncSteps > 0)
        return;
    m_retryDelay = kFirstRetryDelay;
    if (m_outage) {
        m_outage = false;
        Log::info(Log::Category::audio, "sound server connection restored");
    }
    changed(m_mirror.markReady());
}

void PulseConnection::changed(bool changedMirror) {
    if (changedMirror && m_onChange)
        m_onChange();
}

void PulseConnection::failAll(SoundError error) {
    std::vector<AudioServer::WriteDone> pending;
    if (m_inFlight)
        pending.push_back(std::move(m_inFlight->done));
    m_inFlight.reset();
    for (Write& write : m_waiting)
        pending.push_back(std::move(write.done));
    m_waiting.clear();
    for (auto& done : pending)
        done(error);
}

void PulseConnection::submit(Write write) {
    pa_threaded_mainloop_lock(m_mainloop.get());
    if (!m_context || !m_mirror.isReady()) {
        pa_threaded_mainloop_unlock(m_mainloop.get());
        write.done(SoundError::unreachable);
        return;
    }
    auto replaced = std::find_if(m_waiting.begin(), m_waiting.end(), [&write](const Write& w) {
        return w.source == write.source && w.mute == write.mute;
    });
    AudioServer::WriteDone superseded;
    if (replaced != m_waiting.end()) {
        superseded = std::move(replaced->done);
        *replaced = std::move(write);
    } else {
        m_waiting.push_back(std::move(write));
    }
    sendNext();
    pa_threaded_mainloop_unlock(m_mainloop.get());
    if (superseded)
        superseded(SoundError::superseded);
}

void PulseConnection::sendNext() {
    while (!m_inFlight && !m_waiting.empty() && m_context) {
        m_inFlight = std::make_unique<Write>(std::move(m_waiting.front()));
        m_waiting.pop_front();
        Write& write = *m_inFlight;
        pa_operation* operation = nullptr;
        const auto source = m_mirror.source(write.source);
        std::optional<SoundError> failure;
        if (!source) {
            failure = SoundError::noSuchSource;
        } else if (write.mute) {
            operation = pa_context_set_source_mute_by_name(m_context.get(), write.source.c_str(),
                                                           write.muted ? 1 : 0,
                                                           PulseCallbacks::writeDone, this);
        } else if (auto volumes = PulseVolume::applied(source->volumes, write.controls);
                   volumes && !volumes->empty() && volumes->size() <= PA_CHANNELS_MAX) {
            write.volumes = *volumes;
            pa_cvolume volume{};
            volume.channels = std::uint8_t(volumes->size());
            std::copy(volumes->begin(), volumes->end(), volume.values);
            operation = pa_context_set_source_volume_by_name(
                m_context.get(), write.source.c_str(), &volume, PulseCallbacks::writeDone, this);
        } else {
            failure = SoundError::notSettable;
        }
        if (!operation && !failure)
            failure = SoundError::refused;
        if (failure) {
            auto failed = std::move(m_inFlight);
            failed->done(*failure);
            continue;
        }
        detach(operation);
        timeval deadline{};
        pa_gettimeofday(&deadline);
        pa_timeval_add(&deadline, pa_usec_t(std::chrono::microseconds(kStallReport).count()));
        m_stallTimer = m_api->time_new(m_api, &deadline, PulseCallbacks::stalled, this);
    }
}

void PulseConnection::answered(bool success, int error) {
    if (!m_inFlight)
        return;
    if (m_stallTimer)
        m_api->time_free(m_stallTimer);
    m_stallTimer = nullptr;
    if (m_stallLogged)
        Log::info(Log::Category::audio, "the sound server answers again");
    m_stallLogged = false;
    auto write = std::move(m_inFlight);
    // Updating the mirror here, in line with the server's other answers, keeps a report
    // that was already under way from overwriting the confirmed value.
    if (success) {
        changed(write->mute ? m_mirror.setMuted(write->source, write->muted)
                            : m_mirror.setVolumes(write->source, write->volumes));
        write->done(std::nullopt);
    } else {
        write->done(error == PA_ERR_NOENTITY ? SoundError::noSuchSource : SoundError::refused);
    }
    sendNext();
}

void PulseConnection::setMuted(const std::string& source, bool muted, AudioServer::WriteDone done) {
    Write write;
    write.source = source;
    write.mute = true;
    write.muted = muted;
    write.done = std::move(done);
    submit(std::move(write));
}

void PulseConnection::setVolumes(const std::string& source,
                                 const std::map<std::uint32_t, float>& controls,
                                 AudioServer::WriteDone done) {
    Write write;
    write.source = source;
    write.controls = controls;
    write.done = std::move(done);
    submit(std::move(write));
}

} // namespace quietlane
