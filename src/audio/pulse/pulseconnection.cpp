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
// A stopped or wedged server never answers; libpulse itself would wait 30 s.
constexpr auto kWriteTimeout = 2000ms;

struct OperationDeleter {
    void operator()(pa_operation* operation) const { pa_operation_unref(operation); }
};
using Operation = std::unique_ptr<pa_operation, OperationDeleter>;

// Requests whose answer arrives through a callback need no handle of their own.
void detach(pa_operation* operation) {
    if (operation)
        pa_operation_unref(operation);
}

SourceSnapshot snapshotOf(const pa_source_info& info) {
    SourceSnapshot snapshot;
    snapshot.index = info.index;
    snapshot.name = info.name ? info.name : "";
    snapshot.description = info.description ? info.description : snapshot.name;
    const unsigned channels = std::min<unsigned>(info.channel_map.channels, info.volume.channels);
    snapshot.volumes.assign(info.volume.values, info.volume.values + channels);
    snapshot.muted = info.mute != 0;
    return snapshot;
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

struct PulseConnection::PendingWrite {
    std::function<pa_operation*(pa_context*, PendingWrite*)> start;
    std::function<std::vector<PropertyChange>()> applyToMirror;
    PulseConnection* connection = nullptr;
    std::uint32_t index = 0;
    bool answered = false;
    bool succeeded = false;
    bool expired = false;
};

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
                connection->dispatch(connection->m_mirror.remove(index));
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
        connection->dispatch(connection->m_mirror.update(snapshotOf(*info)));
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
            connection->dispatch(connection->m_mirror.update(snapshotOf(*info)));
    }

    static void serverInfo(pa_context* context, const pa_server_info* info, void* userdata) {
        PulseConnection* connection = current(context, userdata);
        if (!connection || !info)
            return;
        const char* name = info->default_source_name;
        connection->dispatch(connection->m_mirror.setDefaultSourceName(name ? name : ""));
    }

    static void initialServerInfo(pa_context* context, const pa_server_info* info, void* userdata) {
        serverInfo(context, info, userdata);
        if (PulseConnection* connection = current(context, userdata))
            connection->syncStepDone();
    }

    static void writeDone(pa_context*, int success, void* userdata) {
        auto* pending = static_cast<PulseConnection::PendingWrite*>(userdata);
        pending->answered = true;
        pending->succeeded = success != 0;
        // Updating the mirror here, in line with the server's other answers, keeps a
        // report that was already under way from overwriting the confirmed value.
        if (pending->succeeded)
            pending->connection->dispatch(pending->applyToMirror());
        pa_threaded_mainloop_signal(pending->connection->m_mainloop.get(), 0);
    }

    static void operationState(pa_operation*, void* userdata) {
        auto* connection = static_cast<PulseConnection*>(userdata);
        pa_threaded_mainloop_signal(connection->m_mainloop.get(), 0);
    }

    static void writeDeadline(pa_mainloop_api*, pa_time_event*, const timeval*, void* userdata) {
        auto* pending = static_cast<PulseConnection::PendingWrite*>(userdata);
        pending->expired = true;
        pa_threaded_mainloop_signal(pending->connection->m_mainloop.get(), 0);
    }

    static void retry(pa_mainloop_api* api, pa_time_event* event, const timeval*, void* userdata) {
        auto* connection = static_cast<PulseConnection*>(userdata);
        api->time_free(event);
        connection->m_retry = nullptr;
        connection->m_retired.reset();
        connection->connect();
    }
};

PulseConnection::PulseConnection(SourceMirror& mirror, ChangeSink onChanges)
    : m_mirror(mirror), m_onChanges(std::move(onChanges)), m_retryDelay(kFirstRetryDelay) {
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
    abandonWrites();
    pa_threaded_mainloop_lock(m_mainloop.get());
    if (m_retry)
        m_api->time_free(m_retry);
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
    dispatch(m_mirror.clear());
    m_mirror.noteFailure(reason);
    if (!m_outage) {
        m_outage = true;
        Log::error(Log::Category::audio, "sound server unreachable: %s; reconnecting",
                   reason.c_str());
    }
    scheduleRetry();
    // Writers waiting for an answer learn that none will come.
    pa_threaded_mainloop_signal(m_mainloop.get(), 0);
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
    dispatch(m_mirror.markReady());
}

void PulseConnection::dispatch(const std::vector<PropertyChange>& changes) {
    if (!changes.empty() && m_onChanges)
        m_onChanges(changes);
}

void PulseConnection::abandonWrites() {
    pa_threaded_mainloop_lock(m_mainloop.get());
    m_abandoned = true;
    pa_threaded_mainloop_signal(m_mainloop.get(), 0);
    pa_threaded_mainloop_unlock(m_mainloop.get());
}

OSStatus PulseConnection::write(PendingWrite& pending) {
    pa_threaded_mainloop* mainloop = m_mainloop.get();
    // Waiting for an answer that only this very thread could deliver would never end.
    if (pa_threaded_mainloop_in_thread(mainloop))
        return HalStatus::illegalOperation;
    pending.connection = this;
    pa_threaded_mainloop_lock(mainloop);
    if (!m_context || !m_mirror.isReady() || m_abandoned) {
        pa_threaded_mainloop_unlock(mainloop);
        return HalStatus::notRunning;
    }
    Operation operation(pending.start(m_context.get(), &pending));
    if (!operation) {
        pa_threaded_mainloop_unlock(mainloop);
        return HalStatus::unspecified;
    }
    pa_operation_set_state_callback(operation.get(), PulseCallbacks::operationState, this);
    timeval deadline{};
    pa_gettimeofday(&deadline);
    pa_timeval_add(&deadline, pa_usec_t(std::chrono::microseconds(kWriteTimeout).count()));
    pa_time_event* timer =
        m_api->time_new(m_api, &deadline, PulseCallbacks::writeDeadline, &pending);
    // A lost connection cancels the operation without an answer.
    while (!pending.answered && !pending.expired && !m_abandoned &&
           pa_operation_get_state(operation.get()) == PA_OPERATION_RUNNING)
        pa_threaded_mainloop_wait(mainloop);
    if (timer)
        m_api->time_free(timer);
    pa_operation_set_state_callback(operation.get(), nullptr, nullptr);
    if (!pending.answered && pa_operation_get_state(operation.get()) == PA_OPERATION_RUNNING) {
        // `pending` lives on this stack frame: no callback may reach it once we return.
        pa_operation_cancel(operation.get());
        // The request may still be applied when the server wakes up; asking for the
        // source now gets its state back to the mirror (and the listeners) as soon as
        // it answers again.
        if (!m_abandoned && m_context)
            detach(pa_context_get_source_info_by_index(m_context.get(), pending.index,
                                                       PulseCallbacks::sourceInfo, this));
    }
    const bool abandoned = m_abandoned;
    pa_threaded_mainloop_unlock(mainloop);
    if (pending.answered)
        return pending.succeeded ? HalStatus::ok : HalStatus::unspecified;
    return pending.expired && !abandoned ? HalStatus::timedOut : HalStatus::notRunning;
}

OSStatus PulseConnection::setMuted(std::uint32_t index, bool muted) {
    PendingWrite pending;
    pending.index = index;
    pending.start = [index, muted](pa_context* context, PendingWrite* self) {
        return pa_context_set_source_mute_by_index(context, index, muted ? 1 : 0,
                                                   PulseCallbacks::writeDone, self);
    };
    pending.applyToMirror = [this, index, muted] {
        return m_mirror.setMuted(index, muted);
    };
    return write(pending);
}

OSStatus PulseConnection::setVolumes(std::uint32_t index,
                                     const std::vector<std::uint32_t>& volumes) {
    pa_cvolume volume{};
    if (volumes.empty() || volumes.size() > PA_CHANNELS_MAX)
        return HalStatus::illegalOperation;
    volume.channels = std::uint8_t(volumes.size());
    std::copy(volumes.begin(), volumes.end(), volume.values);
    PendingWrite pending;
    pending.index = index;
    pending.start = [index, volume](pa_context* context, PendingWrite* self) {
        return pa_context_set_source_volume_by_index(context, index, &volume,
                                                     PulseCallbacks::writeDone, self);
    };
    pending.applyToMirror = [this, index, volumes] {
        return m_mirror.setVolumes(index, volumes);
    };
    return write(pending);
}

} // namespace quietlane
